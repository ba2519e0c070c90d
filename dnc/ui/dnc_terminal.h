#pragma once
// The DNC terminal: the window through which MRW2013 talks to one machine at a time. It
// is created once and shown by the main window's "&Go" for the current machine; it
// opens the machine's port (directly or through a TRX-8 hub), shows a terminal on it and
// sends and receives files. The session logic lives in DncSession and TransferRunner.
#include "dnc/engine/diverting_prompter.h"
#include "dnc/engine/dnc_session.h"
#include "dnc/engine/remote_requests.h"
#include "dnc/engine/terminal_menu.h"
#include "dnc/engine/transfer_runner.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace mrw {
class EditorHost;
}

namespace dnc {

class DebugTools;
class TSendDlg;
class Txonwaitform;
namespace ui {
class ProtocolStatusWindow;
class StatusLights;
class TerminalWidget;
}

class TMDNCTERM : public QWidget, private SessionView {
    Q_OBJECT
public:
    // The editor host is the main window (the active editor and the scratch files). The
    // ports open the devices that [PORTS] of the program settings file names.
    TMDNCTERM(mrw::EditorHost& editor, mrw::WorkspaceGlobals& globals, const mrw::ProgramSettings& settings,
              platform::Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~TMDNCTERM() override;

    // "&Go" of the main window: shows the terminal for the current machine and opens its
    // port; a remote start shows it minimized and runs "&Start".
    void Go(bool remoteStart);
    // The program ends (a signal): the terminal closes whatever runs. A transfer on the
    // line ends as its Cancel ends it, a menu loop or the remote mode stops.
    void endWithProgram();

    DncSession& session() { return *m_session; }
    TSendDlg& sendDialog() { return *m_sendDlg; }
    Txonwaitform& waitBox() { return *m_waitBox; }
    ui::ProtocolStatusWindow& protocolStatus() { return *m_protocolStatus; }
    ui::TerminalWidget& terminal() { return *ApdTerminal1; }
    TerminalMenu& terminalMenu() { return *m_menu; }
    RemoteRequests& remoteRequests() { return *m_remote; }
    DebugTools& debugTools() { return *m_tools; }
    // The remote request mode is answering a control.
    bool remoteModeActive() const { return m_remote->active(); }

    // The file dialogs of "&Receive" and of direct file transfer (tests answer them).
    using ReceiveFileChooser = std::function<std::optional<std::string>(const TransferDialogs::SaveRequest&)>;
    using FolderChooser = std::function<std::optional<std::string>(const std::string& caption, const std::string& start)>;
    void setReceiveFileChooser(ReceiveFileChooser chooser);
    void setFolderChooser(FolderChooser chooser);

    // The buttons.
    void BitBtn4Click(); // "&Send"
    void BitBtn3Click(); // "&Receive"
    void BitBtn2Click(); // "&Done"
    void Button2Click(); // "&Start"
    void Button1Click(); // "D": the debugging tools

signals:
    // The remote request mode ended with the window.
    void remoteModeEnded();

public:
    static constexpr int HelpContext = 115;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class SendDialogChooser;
    class FileDialogs;

    void FormShow();
    // What a close does once allowed.
    void endSession();
    void arrangeForDevice();

    // SessionView
    void writeTerminalLine(const std::string& text) override;
    void writeTerminal(const std::string& text) override;
    void setTerminalActive(bool active) override;
    void setStatusLights(bool on) override;
    void setStatusText(const std::string& text) override;
    void setPortStatusText(const std::string& text) override;
    void focusTerminal() override;
    // Adds a line to the message list and selects it.
    void addMessage(const std::string& text);

    mrw::EditorHost& m_editor;
    mrw::WorkspaceGlobals& m_globals;
    std::unique_ptr<platform::Prompter> m_ownPrompter;
    platform::Prompter* m_prompter;
    // What the session and the send dialog talk through: the message list while nobody
    // is needed at the PC.
    std::unique_ptr<DivertingPrompter> m_divert;

    ui::TerminalWidget* ApdTerminal1;
    ui::StatusLights* m_lights;
    QLineEdit* Stat;
    QLabel* Statusline;
    QLabel* Label10;
    QListWidget* msgbox1;
    QLabel* Msglab;
    QPushButton* Button2;  // "&Start"
    QPushButton* BitBtn2;  // "&Done"
    QPushButton* BitBtn3;  // "&Receive"
    QPushButton* BitBtn4;  // "&Send"
    QPushButton* Button1;  // "D"
    QPushButton* HubButton;
    QToolButton* SpeedButton1;
    QCheckBox* Bshutdown;

    std::unique_ptr<DncSession> m_session;
    TSendDlg* m_sendDlg;
    Txonwaitform* m_waitBox;
    ui::ProtocolStatusWindow* m_protocolStatus;
    std::unique_ptr<SendDialogChooser> m_sendChooser;
    std::unique_ptr<FileDialogs> m_fileDialogs;
    std::unique_ptr<TransferRunner> m_runner;
    std::unique_ptr<TerminalMenu> m_menu;
    std::unique_ptr<RemoteRequests> m_remote;
    DebugTools* m_tools;
};

} // namespace dnc
