#pragma once
// "Select What To Send to CNC": chooses what to send and builds the send image in the
// send-image scratch file. The DNC terminal shows it before every send and also asks
// it for the send image of a given file.
#include "dnc/engine/send_settings.h"
#include "workspace/engine/editor_host.h"

#include <QDialog>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QRadioButton;

namespace platform {
class Prompter;
}

namespace dnc {

namespace sendmode {
inline constexpr int EditorText = mrw::sendtext::WholeFile;        // the active editor's whole text
inline constexpr int SelectedLines = mrw::sendtext::SelectedLines; // its selected lines
inline constexpr int ChosenFile = 3;                               // disk files chosen in the open dialog
inline constexpr int GivenFile = 4;                                // a file named by the caller
inline constexpr int CaretToEnd = mrw::sendtext::FromCaretLine;    // its text from the caret line to the end
}

// What the open dialog of "Send From Disk File" is asked to show.
struct OpenFilesRequest {
    QString folder;          // empty: the folder the dialog showed last
    QString defaultSuffix;
    QStringList nameFilters;
};

class TSendDlg : public QDialog {
    Q_OBJECT
public:
    // The current machine's settings, read at every send.
    using SettingsSource = std::function<SendSettings()>;
    // The chosen files, or nothing when the operator cancelled.
    using FileChooser = std::function<std::optional<QStringList>(const OpenFilesRequest&)>;
    using FileCleanup = std::function<void()>;

    // The editor host gives the active editor's text and the two scratch files. prompter
    // may be null: message boxes over this dialog are used then.
    TSendDlg(mrw::EditorHost& editor, SettingsSource settings, platform::Prompter* prompter = nullptr,
             QWidget* parent = nullptr);
    ~TSendDlg() override;

    void setFileChooser(FileChooser chooser) { m_chooseFiles = std::move(chooser); }
    // The editor's file cleanup, run before "Send Current Editor File" when the machine asks for it.
    void setFileCleanup(FileCleanup cleanup) { m_fileCleanup = std::move(cleanup); }
    // The download folder's first-time flag, shared with the machine loader, which sets
    // it again at every load; without one the dialog keeps its own.
    void setDownloadFolderFirstTime(bool* flag) { m_downloadFirstTime = flag ? flag : &m_ownFirstTime; }

    // Enables or disables "Send Selected Editor text" and "Send Editor Text From Cursor to End".
    void EnableEditorChoices(bool enable);

    // Builds the send image for a send mode (fileName for mode 4). False when nothing
    // is to be sent: a dialog was cancelled, no text could be taken from the editor, or
    // the text cannot be sent (the operator has been told why). True with several files
    // chosen in "Send From Disk File": no send image was built and selectedFiles() holds
    // them for the caller to send one by one.
    bool PrepareSendFile(int sendMode, const std::string& fileName = {});

    // What was last prepared (for the terminal's log lines).
    const std::string& SendFileName() const { return m_sendFileName; }
    // The files chosen by the last "Send From Disk File", until clearSelectedFiles().
    const std::vector<std::string>& selectedFiles() const { return m_selectedFiles; }
    bool severalFilesSelected() const { return m_selectedFiles.size() > 1; }
    void clearSelectedFiles() { m_selectedFiles.clear(); }

    static std::uint8_t EiaCode(char c);

    static constexpr int HelpContext = 115;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OKBtnClick();
    void HelpBtnClick();
    std::optional<QStringList> chooseFiles(const OpenFilesRequest& request);
    bool buildImage(const std::string& source);

    mrw::EditorHost& m_editor;
    SettingsSource m_settings;
    platform::Prompter* m_prompter;
    std::unique_ptr<platform::Prompter> m_ownPrompter;
    FileChooser m_chooseFiles;
    FileCleanup m_fileCleanup;
    bool m_ownFirstTime = true;
    bool* m_downloadFirstTime = &m_ownFirstTime;
    QString m_lastFolder;
    std::string m_sendFileName;
    std::vector<std::string> m_selectedFiles;

    QRadioButton* Bsendedfile;
    QRadioButton* BsendSelect;
    QRadioButton* Bsendtoend;
    QRadioButton* Bsendfile;
    QLabel* Label2;
};

} // namespace dnc
