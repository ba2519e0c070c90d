#pragma once
// The File menu's commands on the editor children: New, Open, Save, Save As, the recent
// files and files dropped on the main window. Each needs the edit-files right.
#include "workspace/engine/recent_files.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

class QWidget;
class TMainForm;
class TMDIChild;

namespace platform {
class Prompter;
}

// The file dialogs of the main window; tests answer them without windows.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Names chosen to open (empty when cancelled).
    virtual QStringList openFiles(QWidget* parent, const QString& folder, const QString& filter) = 0;
    // The name to save under ("" when cancelled); the dialog adds the default extension
    // to a name typed without one and asks before overwriting.
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& folder, const QString& proposed,
                             const QString& filter, const QString& defaultExtension) = 0;
};

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(TMainForm& mainForm, platform::Prompter& prompter);
    ~FileCommands() override;

    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    FileDialogs& fileDialogs() { return *m_dialogs; }

    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void OpenMRUEntry(int index);
    // Files dropped on the main window open as Open opens one, without a recent-file entry.
    void openDroppedFiles(const QStringList& names);
    // The files named on the command line that exist (relative names lie in startFolder).
    void openCommandLineFiles(const QStringList& arguments, const QString& startFolder);

    // Save and Save As on a child; true when the text was saved.
    bool saveChild(TMDIChild* child);
    bool saveChildAs(TMDIChild* child);
    // Opens a file as Open does for one name: an open child comes to the front; isNew
    // opens an empty child for a file not yet on the disk. False when the file could not
    // be loaded.
    bool openOne(const std::string& name, bool addToRecent, bool isNew = false);

    mrw::RecentFiles& recentFiles() { return m_recentFiles; }
    void AddToMRU(const std::string& name);
    void releaseUntitledNumber(int number) { m_untitledNumbers.release(number); }

    // The folder and filter the Open dialog starts with (the folder rules of Open).
    QString openFolder();
    QString openFilter() const;

signals:
    // The recent-file list changed; the File menu shows it again.
    void recentFilesChanged();

private:
    // The edit-files right, asked with its message; a refusal is logged as `refusal`.
    bool mayEditFiles(const char* refusal);
    // Every way of opening a file needs the edit-files right.
    bool mayOpenFiles();
    std::string initialFolder();
    std::string defaultExtension() const;
    // The name with the default extension added when it has none.
    std::string withDefaultExtension(const std::string& name) const;
    void showError(const std::string& text);

    TMainForm& m_main;
    platform::Prompter& m_prompter;
    std::unique_ptr<FileDialogs> m_dialogs;
    mrw::RecentFiles m_recentFiles;
    mrw::UntitledNumbers m_untitledNumbers;
};
