#pragma once
// The DNC terminal's session with the current machine: the hub records, the port opened
// directly or through a TRX-8 hub, the protocol of a transfer and the end of a transfer
// with its messages and RTS delays. The terminal window shows what the session reports
// through SessionView; everything runs on the GUI thread.
#include "dnc/engine/ascii_protocol.h"
#include "dnc/engine/comport.h"
#include "dnc/engine/hub_table.h"
#include "dnc/engine/machine_port.h"
#include "dnc/engine/protocol.h"
#include "dnc/engine/tape_code.h"
#include "workspace/engine/program_settings.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace dnc {

// What the session shows in the terminal window.
class SessionView {
public:
    virtual ~SessionView() = default;
    // A line into the terminal (not to the port), ended by CR LF.
    virtual void writeTerminalLine(const std::string& text) = 0;
    // Characters into the terminal as they are (the echo of typed keys).
    virtual void writeTerminal(const std::string& text) = 0;
    // An inactive terminal neither shows what arrives nor sends what is typed.
    virtual void setTerminalActive(bool active) = 0;
    virtual void setStatusLights(bool on) = 0;
    virtual void setStatusText(const std::string& text) = 0;     // the status edit
    virtual void setPortStatusText(const std::string& text) = 0; // the port-status label
    virtual void focusTerminal() {}
};

// Makes the line of a PC port (1-based) when the port is opened.
using LineFactory = std::function<std::unique_ptr<SerialLine>(int portNumber)>;
// POSIX lines on the devices that [PORTS] of the program settings file names.
LineFactory deviceLines(std::string programIniPath);

// Makes the protocol of a transfer on the port; null when the protocol is not at hand.
using ProtocolFactory = std::function<std::unique_ptr<Protocol>(ProtocolType, ComPort&)>;
// The protocols built into the port layer.
std::unique_ptr<Protocol> makePortProtocol(ProtocolType type, ComPort& port);

enum class ProtocolSide { Send, Receive };

// Holds the port's input for a transfer asked for, while in scope.
class TransferInputHold;

// " COM1 7E2 4800": port, data bits, parity letter, stop bits and baud rate.
std::string portStatusText(const PortSettings& settings, int portNumber);
std::string portStatusText(const mrw::MachComRec& record, int portNumber);

inline constexpr const char* ReadyText = "Ready, On Line ...";
inline constexpr const char* OffLineText = "Off Line: the port is not open";
inline constexpr const char* PortNotOpenText = " Port Not Open";
inline constexpr const char* DncCaption = "Marrowin";

class DncSession : public QObject {
    Q_OBJECT
public:
    DncSession(mrw::WorkspaceGlobals& globals, const mrw::ProgramSettings& settings, SessionView& view,
               platform::Prompter& prompter, LineFactory lines, QObject* parent = nullptr);
    ~DncSession() override;

    ComPort& port() { return m_port; }
    const HubTable& hubs() const { return m_hubs; }
    mrw::WorkspaceGlobals& globals() { return m_globals; }
    const mrw::ProgramSettings& settings() const { return m_settings; }
    // The terminal window as everyone but the window itself sees it: the session owns the
    // port's input, so the terminal is active only when asked to be and no transfer is on
    // the line; a transfer takes the input from the terminal when it starts and gives it
    // back when its finish is handled.
    SessionView& view() { return m_gate; }
    platform::Prompter& prompter() { return m_prompter; }
    mrw::MachComRec& currentMachine() { return m_globals.CurrentMachine; }
    TapeCode tapeCode() const { return tapeCodeFromIndex(m_globals.CurrentMachine.TapeCode); }

    void setProtocolFactory(ProtocolFactory factory) { m_protocols = std::move(factory); }
    // Where the lines of the ports come from (the devices of [PORTS] in the terminal).
    void setLineFactory(LineFactory lines) { m_lines = std::move(lines); }
    // The clock of the waits while no port is open (the wall clock unless a test sets one).
    void setIdleClock(LineClock* clock) { m_idleClock = clock; }
    LineClock& clock() const;

    // Debugging output: the verbose lines in the terminal.
    void setVerbose(bool on) { m_verbose = on; }
    bool verbose() const { return m_verbose; }
    void verboseLine(const std::string& text);

    // Showing the terminal: buffer sizes, the menu's reset values, the hub records, the
    // current machine reloaded and its port opened (none for direct file transfer).
    void begin();
    // Closing the terminal: DTR off and the port closed.
    void end();
    // Closing is refused while the menu loop runs, unless started for a remote control.
    bool closeAllowed() const { return !m_menuRunning || m_globals.RemoteStartFlag; }

    void SetBufferSizes(int inSize, int outSize);
    void loadHubs();
    bool OpenMachinePort(const mrw::MachComRec& record);
    bool SelectHubPort(int hub, int hubPort);
    void ShowPortStatus();
    // Loads a machine section as the current machine and opens its port.
    bool LoadMachineRecord(const std::string& name);
    // The protocol for the next transfer, set up from the current machine; null (after
    // telling the operator) when the machine's protocol is not at hand.
    Protocol* SetupProtocol(ProtocolSide side);
    Protocol* protocol() const { return m_protocol.get(); }

    // A key typed into the terminal.
    void terminalKey(char key);

    // Sends a code string of the current machine to the port; false (after telling the
    // operator) when it cannot be sent in the machine's tape code.
    bool sendCodeString(std::string_view text, const std::string& what);
    // Puts bytes to the port, waiting for room in the output buffer.
    bool putBytes(std::string_view bytes);
    // Waits, letting the windows work, for that many 55-ms ticks.
    void waitTicks(int ticks);

    // A transfer was asked for: what arrived before goes, and from then on the input waits
    // for the transfer (the terminal leaves it), also across a switch to a machine on the
    // same port, so that a receiver's first start request is there when the transfer
    // starts. Ends with releaseInput (the transfer holds the input itself once started).
    void holdInputForTransfer();
    void releaseInput();

    // A transfer started from the terminal is on the line until its finish is handled.
    bool transferActive() const { return m_transferActive; }
    void setTransferActive(bool on) { m_transferActive = on; }
    bool finishPending() const { return m_finishPending; }
    // Starts the protocol set up last, sending `fileName` (a scratch file) under the name
    // of the program it holds; the finish is handled when it comes.
    bool startTransmit(const std::string& fileName, const std::string& programName);
    // A receive goes into a temporary file beside `fileName` (partialReceiveName) that
    // takes the name when the transfer went through and something arrived. A failed
    // receive leaves the chosen name as it was; what arrived stays under the temporary
    // name, which the failure message names, unless the terminal was closed meanwhile.
    bool startReceive(const std::string& fileName);
    // The last receive went through and its file now has the chosen name.
    bool receiveStored() const { return m_receiveStored; }
    // Waits, letting the windows work, until the finish of the transfer was handled.
    void waitForFinish();

    bool remoteDevice() const { return m_remoteDevice; }
    void setRemoteDevice(bool on) { m_remoteDevice = on; }
    bool menuRunning() const { return m_menuRunning; }
    void setMenuRunning(bool on) { m_menuRunning = on; }
    const std::string& terminalMachine() const { return m_terminalMachine; }
    bool portOpened() const { return m_port.isOpen(); }
    // Send and Receive can work: the port is open, or the machine is reached by direct
    // file transfer and needs none.
    bool transfersPossible() const;

    // What the shop-terminal menu and the remote mode re-arm after a transfer.
    std::function<void()> menuTransferEnded;
    std::function<void()> remoteTransferEnded;

    // The menu loop's settings, reset at every showing.
    int menuPageLength = 4;
    int menuTimeoutSeconds = 15;
    int menuLineCount = 0;
    std::string menuReply;

signals:
    // A protocol was set up for the next transfer (the status window follows it).
    void protocolMade(dnc::Protocol* protocol);

private:
    // Passes everything to the window; the terminal's activity as described at view().
    class InputGate : public SessionView {
    public:
        explicit InputGate(SessionView& view) : m_view(view) {}
        void writeTerminalLine(const std::string& text) override { m_view.writeTerminalLine(text); }
        void writeTerminal(const std::string& text) override { m_view.writeTerminal(text); }
        void setTerminalActive(bool active) override;
        void setStatusLights(bool on) override { m_view.setStatusLights(on); }
        void setStatusText(const std::string& text) override { m_view.setStatusText(text); }
        void setPortStatusText(const std::string& text) override { m_view.setPortStatusText(text); }
        void focusTerminal() override { m_view.focusTerminal(); }
        // A transfer holds the input from its start until its finish is handled.
        void setTransferHoldsInput(bool held);
        // A transfer was asked for and holds the input until released.
        void setTransferAsked(bool asked);
        bool transferAsked() const { return m_asked; }

    private:
        void update() { m_view.setTerminalActive(m_wanted && !m_held && !m_asked); }

        SessionView& m_view;
        bool m_wanted = false;
        bool m_held = false;
        bool m_asked = false;
    };

    bool openRecordPort(const mrw::MachComRec& record, int depth);
    bool selectHubPort(int hub, int hubPort, int depth);
    void rebuildCurrentMachine(const std::string& name);
    void onTrigger(int handle);
    void onProtocolFinished(int code);
    void onProtocolError(int code);
    bool startProtocol(const std::string& fileName, bool sending, const std::string& announcedName = {});
    // Puts a finished receive's file in place; gives what the finish message adds.
    std::string settleReceivedFile(int code);
    void message(const std::string& text, platform::MessageKind kind);
    void rtsDelay(int seconds, bool keepUp);

    mrw::WorkspaceGlobals& m_globals;
    const mrw::ProgramSettings& m_settings;
    InputGate m_gate;
    platform::Prompter& m_prompter;
    LineFactory m_lines;
    ProtocolFactory m_protocols = makePortProtocol;
    LineClock* m_idleClock = nullptr;

    ComPort m_port;
    HubTable m_hubs;
    int m_portNumber = 0; // the PC port of the open port
    int m_statusTrigger = 0;
    std::unique_ptr<Protocol> m_protocol;

    bool m_verbose = false;
    bool m_remoteDevice = false;
    bool m_transferActive = false;
    bool m_finishPending = false;
    bool m_menuRunning = false;
    bool m_ending = false; // the terminal is closing
    std::string m_terminalMachine;
    std::string m_receiveTarget; // the chosen name of the receive on the line
    bool m_receiveStored = false;
};

class TransferInputHold {
public:
    explicit TransferInputHold(DncSession& session) : m_session(session) { m_session.holdInputForTransfer(); }
    ~TransferInputHold() { m_session.releaseInput(); }
    TransferInputHold(const TransferInputHold&) = delete;
    TransferInputHold& operator=(const TransferInputHold&) = delete;

private:
    DncSession& m_session;
};

} // namespace dnc
