#include "dnc/engine/dnc_session.h"

#include "dnc/engine/block_protocol.h"
#include "dnc/engine/code_string.h"
#include "dnc/engine/line_clock.h"
#include "dnc/engine/posix_line.h"
#include "dnc/engine/received_file.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/port_devices.h"

#include "platform/file_replace.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace dnc {

namespace {

constexpr int StatusTriggerTicks = 36;

ProtocolType protocolTypeOf(int index)
{
    return index >= mrw::protocol::Ascii && index <= mrw::protocol::Kermit ? static_cast<ProtocolType>(index)
                                                                           : ProtocolType::Ascii;
}

std::string parityLetter(Parity parity)
{
    static const char letters[] = {'N', 'O', 'E', 'M', 'S'};
    return std::string(1, letters[static_cast<int>(parity)]);
}

std::string stopBitsText(int stopBits)
{
    return stopBits == 5 ? "1.5" : std::to_string(stopBits);
}

// Long enough for a full output buffer to leave at the line's rate, and never forever.
int drainBoundMs(const ComPort& port)
{
    const double perSecond = std::max(1.0, port.settings().line.charactersPerSecond());
    return std::max(2000, static_cast<int>(port.outCount() * 2000.0 / perSecond) + 1000);
}

void removeFile(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

} // namespace

LineFactory deviceLines(std::string programIniPath)
{
    return [programIniPath = std::move(programIniPath)](int portNumber) -> std::unique_ptr<SerialLine> {
        return std::make_unique<PosixLine>(mrw::portDevicePath(programIniPath, portNumber));
    };
}

std::unique_ptr<Protocol> makePortProtocol(ProtocolType type, ComPort& port)
{
    if (type == ProtocolType::Ascii)
        return std::make_unique<AsciiProtocol>(port);
    return makeBlockProtocol(type, port);
}

std::string portStatusText(const PortSettings& settings, int portNumber)
{
    return " COM" + std::to_string(portNumber) + " " + std::to_string(settings.line.dataBits) +
           parityLetter(settings.line.parity) + stopBitsText(settings.line.stopBits) + " " +
           std::to_string(settings.line.baud);
}

std::string portStatusText(const mrw::MachComRec& record, int portNumber)
{
    return portStatusText(portSettingsFor(record, {}), portNumber);
}

DncSession::DncSession(mrw::WorkspaceGlobals& globals, const mrw::ProgramSettings& settings, SessionView& view,
                       platform::Prompter& prompter, LineFactory lines, QObject* parent)
    : QObject(parent), m_globals(globals), m_settings(settings), m_gate(view), m_prompter(prompter),
      m_lines(std::move(lines)), m_port(this)
{
    connect(&m_port, &ComPort::triggerTimer, this, &DncSession::onTrigger);
}

DncSession::~DncSession()
{
    // A receive still on the line when the program ends leaves no temporary file.
    if (!m_receiveTarget.empty())
        removeFile(partialReceiveName(m_receiveTarget));
}

void DncSession::InputGate::setTerminalActive(bool active)
{
    m_wanted = active;
    update();
}

void DncSession::InputGate::setTransferHoldsInput(bool held)
{
    m_held = held;
    update();
}

void DncSession::InputGate::setTransferAsked(bool asked)
{
    m_asked = asked;
    update();
}

void DncSession::holdInputForTransfer()
{
    m_port.flushInBuffer();
    m_gate.setTransferAsked(true);
}

void DncSession::releaseInput()
{
    m_gate.setTransferAsked(false);
}

LineClock& DncSession::clock() const
{
    if (m_port.isOpen() || !m_idleClock)
        return m_port.clock();
    return *m_idleClock;
}

void DncSession::verboseLine(const std::string& text)
{
    if (m_verbose)
        m_gate.writeTerminalLine(text);
}

void DncSession::message(const std::string& text, platform::MessageKind kind)
{
    m_prompter.message(DncCaption, text, kind);
}

void DncSession::begin()
{
    SetBufferSizes(m_settings.ComInSize, m_settings.ComOutSize);
    menuPageLength = 4;
    menuTimeoutSeconds = 15;
    menuLineCount = 0;
    menuReply.clear();
    m_menuRunning = false;
    m_ending = false;
    m_terminalMachine = m_globals.CurrentMachineName;

    m_gate.setStatusText("Loading HUB Info ...");
    QCoreApplication::processEvents();
    loadHubs();
    rebuildCurrentMachine(m_globals.CurrentMachineName);
    const mrw::MachComRec& machine = m_globals.CurrentMachine;
    m_remoteDevice = machine.DeviceType >= mrw::devicetype::HubTerminal &&
                     machine.DeviceType <= mrw::devicetype::RemoteCnc;

    verboseLine("Remote terminal parameter set name [" + m_terminalMachine + "]");
    verboseLine("Opening port#" + std::to_string(machine.Port + 1) + " HUB#" + std::to_string(machine.Hub));
    if (machine.DeviceType == mrw::devicetype::DirectFileTransfer) {
        m_port.close();
        m_gate.setPortStatusText("Direct File Transfer");
    } else if (OpenMachinePort(machine)) {
        ShowPortStatus();
        verboseLine("Remote port was opened");
    } else {
        verboseLine("Remote port was NOT opened");
        // Nothing of an earlier machine's port may stay on show.
        m_gate.setPortStatusText(PortNotOpenText);
        m_gate.setStatusText(OffLineText);
        return;
    }
    m_gate.setStatusText(ReadyText);
    m_port.setDtr(true);
}

void DncSession::end()
{
    m_ending = true;
    if (m_protocol && m_protocol->inProgress()) {
        // Ended as its Cancel ends it; what a receive had written goes with it.
        mrw::WriteActivityLog("DNC Transfer Cancelled, Terminal Closed, Machine [" + m_globals.CurrentMachine.Name +
                              "]");
        m_protocol->cancel();
    }
    // The machine hears the last of what it was told while DTR still says we listen.
    m_port.sendQueued();
    m_port.setDtr(false);
    m_port.close();
    m_gate.setStatusLights(false);
}

void DncSession::SetBufferSizes(int inSize, int outSize)
{
    m_port.setBufferSizes(inSize, outSize);
}

void DncSession::loadHubs()
{
    m_hubs = loadHubTable(mrw::machineDatabase(m_globals), m_globals.DefaultMachine);
}

void DncSession::rebuildCurrentMachine(const std::string& name)
{
    mrw::LoadMachine(m_globals, name);
    mrw::MachineRecordExchange(m_globals.Machine.settings(), m_globals.CurrentMachine);
    m_globals.CurrentMachine.Name = name;
}

bool DncSession::LoadMachineRecord(const std::string& name)
{
    if (m_ending)
        return false; // the terminal closed: no port opens again behind it
    rebuildCurrentMachine(name);
    if (!OpenMachinePort(m_globals.CurrentMachine))
        return false;
    ShowPortStatus();
    return true;
}

bool DncSession::OpenMachinePort(const mrw::MachComRec& record)
{
    return openRecordPort(record, 0);
}

bool DncSession::SelectHubPort(int hub, int hubPort)
{
    return selectHubPort(hub, hubPort, 0);
}

bool DncSession::openRecordPort(const mrw::MachComRec& record, int depth)
{
    m_gate.setStatusLights(false);
    m_gate.setTerminalActive(false);
    // What a transfer asked for waits in stays when the port opens again on the same line.
    std::string kept;
    std::string keptFrom;
    if (m_port.isOpen() && m_gate.transferAsked() && record.Hub <= 0) {
        m_port.processEvents();
        kept = m_port.getBlock(m_port.inCount());
        keptFrom = m_port.line()->name();
    }
    if (m_port.isOpen()) {
        m_port.close();
        if (m_port.isOpen())
            verboseLine("Port refused to close");
    }

    int portNumber = record.Port + 1;
    if (record.Hub > 0) {
        if (depth >= 2) {
            message("HUB #" + std::to_string(record.Hub) +
                        " Cannot Be Used Here: a Hub Is Reached Through at Most One Other Hub",
                    platform::MessageKind::Error);
            return false;
        }
        if (!selectHubPort(record.Hub, record.Port + 1, depth)) {
            verboseLine("SelectHub in Comportset Failed");
            return false;
        }
        portNumber = pcPortNumber(m_hubs[record.Hub], m_hubs).value_or(0);
        // What the hub was told must be on the wire before the port is set up anew.
        m_port.drainOutput(drainBoundMs(m_port), false);
        m_port.close();
        verboseLine("SelectHub in Comportset Successful");
    }

    mrw::MachComRec reached = record;
    reached.Port = portNumber - 1;
    const std::string problem = mrw::lineSettingsProblem(reached);
    if (!problem.empty()) {
        message(problem, platform::MessageKind::Error);
        return false;
    }

    const std::string number = std::to_string(portNumber);
    verboseLine("About to open the comport#" + number);
    if (m_settings.ComOpenDelayTicks > 0)
        waitTicks(m_settings.ComOpenDelayTicks);
    std::unique_ptr<SerialLine> line = m_lines ? m_lines(portNumber) : nullptr;
    std::string error;
    const std::string device = line ? line->name() : std::string();
    // Reopened on the same line for a transfer, the port keeps what the peer sent meanwhile.
    const bool sameLine = !keptFrom.empty() && device == keptFrom;
    if (!line || !m_port.open(std::move(line), portSettingsFor(record, device), error, sameLine)) {
        verboseLine("Failed to open the comport#" + number);
        message("The Selected Port Number Cannot Be Opened\nEither the Port Does Not Exist or it is Already in Use",
                platform::MessageKind::Error);
        return false;
    }
    m_portNumber = portNumber;
    if (!kept.empty() && device == keptFrom)
        m_port.unreadInput(kept);
    verboseLine("The comport was opened");
    ShowPortStatus();
    m_gate.setTerminalActive(true);
    m_gate.setStatusLights(true);
    m_statusTrigger = m_port.addTimerTrigger(StatusTriggerTicks);
    return true;
}

bool DncSession::selectHubPort(int hub, int hubPort, int depth)
{
    verboseLine("Selecting HUB#" + std::to_string(hub) + " Port#" + std::to_string(hubPort));
    if (m_port.isOpen())
        m_port.drainOutput(drainBoundMs(m_port), false);
    if (!m_hubs.defined(hub)) {
        verboseLine("Error, HUB#" + std::to_string(hub) + " has not been defined");
        message("HUB #" + std::to_string(hub) + " Has not been Defined!", platform::MessageKind::Error);
        return false;
    }
    const mrw::MachComRec& hubRecord = m_hubs[hub];
    if (!openRecordPort(hubRecord, depth + 1)) {
        verboseLine("Select hub, comportset failed");
        return false;
    }

    const int dtrDelay = m_settings.DtrDelayTicks;
    if (hubRecord.SendInit.rfind("NOHUB", 0) == 0) {
        const std::string init = hubRecord.SendInit.substr(5) + m_globals.CurrentMachine.SendInit;
        verboseLine("NOHUB, sSendinit = [" + init + "]");
        playCodeString(
            readCodeString(init, false), [this](std::string_view bytes) { putBytes(bytes); },
            [this](int ms) { clock().wait(ms, false); });
        waitTicks(dtrDelay / 2);
    } else {
        verboseLine("Select hub, comportset successful");
        waitTicks(dtrDelay);
        m_port.setDtr(false);
        putBytes(std::string(1, static_cast<char>(hubPort + 47)));
        waitTicks(dtrDelay);
        m_port.setDtr(true);
        waitTicks(dtrDelay / 2);
    }
    m_gate.focusTerminal();
    return true;
}

void DncSession::ShowPortStatus()
{
    if (m_port.isOpen())
        m_gate.setPortStatusText(portStatusText(m_port.settings(), m_portNumber));
}

void DncSession::onTrigger(int handle)
{
    if (handle != m_statusTrigger)
        return;
    m_gate.setStatusText(m_port.flowState() == FlowState::TransmitHeldByXoff ? "Held by XON" : ReadyText);
}

Protocol* DncSession::SetupProtocol(ProtocolSide side)
{
    const mrw::MachComRec& machine = m_globals.CurrentMachine;
    const ProtocolType type = protocolTypeOf(machine.Protocol);
    std::unique_ptr<Protocol> made = m_protocols ? m_protocols(type, m_port) : nullptr;
    if (!made) {
        message("The " + mrw::itemText(mrw::ProtocolTexts, static_cast<int>(type)) +
                    " protocol is not available; nothing is transferred",
                platform::MessageKind::Error);
        return nullptr;
    }
    made->setStatusIntervalTicks(10);
    if (auto* ascii = dynamic_cast<AsciiProtocol*>(made.get()))
        ascii->setOptions(asciiOptionsFor(machine, side == ProtocolSide::Send, m_settings.RtsLowForWrite));
    connect(made.get(), &Protocol::protocolFinished, this, &DncSession::onProtocolFinished);
    connect(made.get(), &Protocol::protocolError, this, &DncSession::onProtocolError);
    if (m_protocol) {
        m_protocol->disconnect(this);
        m_protocol.release()->deleteLater();
    }
    m_protocol = std::move(made);
    emit protocolMade(m_protocol.get());
    return m_protocol.get();
}

bool DncSession::startTransmit(const std::string& fileName, const std::string& programName)
{
    return startProtocol(fileName, true, programName);
}

bool DncSession::startReceive(const std::string& fileName)
{
    const std::string partial = partialReceiveName(fileName);
    removeFile(partial); // left by a receive of this name that the program did not see end
    m_receiveTarget = fileName;
    m_receiveStored = false;
    if (startProtocol(partial, false))
        return true;
    m_receiveTarget.clear();
    return false;
}

std::string DncSession::settleReceivedFile(int code)
{
    const std::string target = std::exchange(m_receiveTarget, {});
    const std::string partial = partialReceiveName(target);
    std::error_code error;
    const bool arrived = std::filesystem::is_regular_file(partial, error) && std::filesystem::file_size(partial, error) > 0;
    if (!arrived || (code != ProtocolOk && m_ending)) {
        removeFile(partial);
        return {};
    }
    if (code != ProtocolOk)
        return "\nWhat arrived is kept in " + partial;
    if (platform::fileKind(target) == platform::FileKind::NotRegular)
        return "\n" + platform::notRegularFileText(target) + "; what arrived is kept in " + partial;
    // Through the one replacement: a program replaced keeps its mode, group and links.
    const std::optional<std::string> bytes = platform::readFileBytes(partial);
    if (!bytes)
        return "\nFile [" + partial + "] Could not be read";
    const platform::ReplaceResult stored = platform::replaceFile(target, *bytes);
    if (!stored)
        return "\n" + stored.error + "; what arrived is kept in " + partial;
    removeFile(partial);
    m_receiveStored = true;
    return {};
}

bool DncSession::startProtocol(const std::string& fileName, bool sending, const std::string& announcedName)
{
    if (!m_protocol)
        return false;
    m_finishPending = true;
    m_gate.setTransferHoldsInput(true);
    const bool started = sending ? m_protocol->startTransmit(fileName, announcedName) : m_protocol->startReceive(fileName);
    if (!started) {
        m_finishPending = false;
        m_gate.setTransferHoldsInput(false);
    }
    return started;
}

void DncSession::waitForFinish()
{
    while (m_finishPending)
        clock().waitFor([this] { return !m_finishPending; }, -1, true);
}

void DncSession::onProtocolError(int code)
{
    message("Fatal protocol error: " + protocolResultText(code), platform::MessageKind::Error);
}

void DncSession::onProtocolFinished(int code)
{
    m_gate.setTransferHoldsInput(false);
    const std::string stored = m_receiveTarget.empty() ? std::string() : settleReceivedFile(code);
    if (code == ProtocolCancelled)
        message("Cancel Pressed, Data May Have Been Lost !!" + stored, platform::MessageKind::Warning);
    else if (code != ProtocolOk)
        message("Protocol Error:  " + protocolResultText(code) + stored, platform::MessageKind::Error);
    else if (!stored.empty())
        message("The File Was Received, but Not Stored:" + stored, platform::MessageKind::Error);
    else if (m_settings.DncAlert)
        message("Down/Up Load Successful", platform::MessageKind::Information);

    if (m_ending) {
        // The terminal closed during the transfer: nothing is re-armed and nobody waits.
        m_transferActive = false;
        m_finishPending = false;
        return;
    }
    m_gate.setStatusText("Ready, On Line");
    switch (m_globals.CurrentMachine.DeviceType) {
    case mrw::devicetype::MachineControl:
        m_gate.setTerminalActive(true);
        break;
    case mrw::devicetype::HubTerminal:
    case mrw::devicetype::ShopTerminal:
        m_gate.setTerminalActive(true);
        LoadMachineRecord(m_terminalMachine);
        if (menuTransferEnded)
            menuTransferEnded();
        break;
    case mrw::devicetype::RemoteCnc:
        m_gate.setTerminalActive(false);
        if (remoteTransferEnded)
            remoteTransferEnded();
        break;
    default:
        break;
    }
    m_transferActive = false;
    QCoreApplication::processEvents();

    const mrw::MachComRec& machine = m_globals.CurrentMachine;
    if (machine.KeepRtsDelay > 0)
        rtsDelay(machine.KeepRtsDelay, true);
    if (machine.DropRtsDelay > 0)
        rtsDelay(machine.DropRtsDelay, false);
    m_finishPending = false;
}

void DncSession::rtsDelay(int seconds, bool keepUp)
{
    m_gate.writeTerminalLine(keepUp ? "Keeping RTS Up" : "Dropping RTS");
    m_port.setRts(keepUp);
    m_port.processEvents();
    waitTicks(secsToTicks(seconds));
    if (!keepUp)
        m_port.setRts(true);
    m_gate.writeTerminalLine(keepUp ? "Done Keeping RTS Up" : "Enable RTS");
}

void DncSession::waitTicks(int ticks)
{
    if (ticks > 0)
        clock().wait(ticksToMs(ticks), true);
}

bool DncSession::putBytes(std::string_view bytes)
{
    constexpr std::size_t Piece = 256;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (!m_port.isOpen())
            return false;
        const int size = static_cast<int>(std::min(Piece, bytes.size() - done));
        if (m_port.putBlock(bytes.data() + done, size)) {
            done += static_cast<std::size_t>(size);
            continue;
        }
        const bool room = clock().waitFor([this, size] { return !m_port.isOpen() || m_port.outFree() >= size; },
                                          60000, false);
        if (!room)
            return false;
    }
    return true;
}

bool DncSession::sendCodeString(std::string_view text, const std::string& what)
{
    try {
        SendCodeString(
            text, tapeCode(), what, [this](std::string_view bytes) { putBytes(bytes); },
            [this](int ms) { clock().wait(ms, false); });
        return true;
    } catch (const NoEiaCode& e) {
        message(e.what(), platform::MessageKind::Error);
        return false;
    }
}

bool DncSession::transfersPossible() const
{
    return m_port.isOpen() || m_globals.CurrentMachine.DeviceType == mrw::devicetype::DirectFileTransfer;
}

void DncSession::terminalKey(char key)
{
    const mrw::MachComRec& machine = m_globals.CurrentMachine;
    if (key == '\r' && machine.AutoLf == 1) {
        putBytes("\r\n");
        // The echo of a typed line ends as the line sent does, so the next one starts
        // at the left.
        m_gate.writeTerminal(machine.LocalEcho == 1 ? "\r\n" : "\n");
        return;
    }
    putBytes(std::string_view(&key, 1));
    if (machine.LocalEcho == 1)
        m_gate.writeTerminal(std::string(1, key));
}

} // namespace dnc
