#pragma once
// The shop-terminal menu: for a terminal on the serial line (directly or through a TRX-8
// hub) the PC serves a line-oriented text menu from which a machinist selects a machine,
// lists its NC files, downloads a file to it, uploads a file from it, or posts a message
// on the PC. Each transfer switches the port (and the hub) to the machine and back to the
// terminal's own parameter set afterwards. The loop runs on the GUI thread and sleeps on
// the event loop between characters; nobody is needed at the PC while it runs.
#include "dnc/engine/confined_path.h"
#include "dnc/engine/data_packet.h"
#include "dnc/engine/diverting_prompter.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mrw {
class EditorHost;
}

namespace dnc {

class DncSession;
class SendChooser;
class WaitBox;

class TerminalMenu : public QObject, private ByteWatcher {
    Q_OBJECT
public:
    TerminalMenu(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, WaitBox& waitBox,
                 DivertingPrompter& prompter, QObject* parent = nullptr);
    ~TerminalMenu() override;

    // What the window does for the menu.
    std::function<void(const std::string&)> postMessage; // add to the message list and select it
    std::function<void()> minimizeWindow;                  // AUTOREMOTE
    std::function<void()> shutdownChecked;                 // "Q" ticks "Start Shut Down"
    // The overwrite-files right (with its message at the PC).
    std::function<bool()> mayOverwrite;

    // The terminal window is minimized (the wait boxes show minimized too).
    void setMinimized(bool minimized) { m_minimized = minimized; }

    // Runs the menu until shut down; the session's menu settings are taken from the
    // terminal's own machine.
    void RunTerminalMenu();
    bool running() const { return m_running; }
    // "Start Shut Down": the loop ends after the current command.
    void requestShutdown() { m_shutdown = true; }
    // The window closes or the program quits: every wait ends now and the loop returns.
    void stop();

    // The pieces of the menu.
    void ClearTerminalScreen();
    void SendMenuLine(const std::string& text);
    bool PromptLine(const std::string& prompt, std::string& reply, std::size_t maxLength = 255);
    void LoadMachineList();
    bool MachineExists(const std::string& name) const;
    const std::vector<std::string>& machineList() const { return m_machines; }
    static std::string FormatDirectoryLine(const std::string& fileName, std::uintmax_t size);

    const std::string& selectedMachine() const { return m_machine; }

private:
    void ApdDataPacket1StringPacket(const std::string& data);
    void ApdDataPacket1Timeout();
    void onByte(char c) override;

    void command(char key);
    void download();
    void upload();
    void listFiles();
    void selectMachine();
    void postFromTerminal();
    void errorLine(const std::string& text, bool firstLine);
    void refused(const std::string& name, const ConfinedFile& file);
    bool switchTo(const std::string& machine);
    void backToTerminal();
    void sendText(const std::string& text);
    bool waitContinue();
    void armReply();

    DncSession& m_session;
    mrw::EditorHost& m_editor;
    SendChooser& m_sender;
    WaitBox& m_waitBox;
    DivertingPrompter& m_prompter;
    DataPacket m_packet; // the reply line from the terminal

    std::vector<std::string> m_machines;
    std::string m_machine = "NONE";
    bool m_running = false;
    bool m_stopped = false;
    bool m_shutdown = false;
    bool m_minimized = false;
    bool m_continueListing = true;
    bool m_replyReady = false;
    bool m_replyTimedOut = false;
    // The wait at "Continue ...": 0 none, 1 waiting, CR or ESC when answered.
    int m_continueAnswer = 0;
};

} // namespace dnc
