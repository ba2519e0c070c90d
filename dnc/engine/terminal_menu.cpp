#include "dnc/engine/terminal_menu.h"

#include "dnc/engine/confined_path.h"
#include "dnc/engine/dnc_session.h"
#include "dnc/engine/received_file.h"
#include "dnc/engine/transfer_runner.h"
#include "dnc/engine/wait_ready.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"
#include "workspace/engine/machine_database.h"
#include "workspace/engine/users.h"

#include "platform/paths.h"
#include "platform/stored_path.h"

#include <QCoreApplication>

#include <algorithm>

namespace dnc {

namespace {

constexpr char Cr = '\r';
constexpr char Lf = '\n';
constexpr char Esc = 0x1b;
constexpr char Bs = 0x08;
const std::string CrLf = "\r\n";

std::string padRight(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

std::string padLeft(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.insert(0, width - text.size(), ' ');
    return text;
}

void eraseFirst(std::string& text, char c)
{
    const std::size_t at = text.find(c);
    if (at != std::string::npos)
        text.erase(at, 1);
}

// Each BS takes the character before it with it; one at the start goes alone.
std::string applyBackspaces(std::string text)
{
    for (std::size_t at = text.find(Bs); at != std::string::npos; at = text.find(Bs)) {
        if (at == 0)
            text.erase(0, 1);
        else
            text.erase(at - 1, 2);
    }
    return text;
}

mrw::MachineSettings machineSettingsOf(mrw::WorkspaceGlobals& globals, const std::string& name)
{
    mrw::MachineSettings settings;
    mrw::machineDatabase(globals).loadMachine(name, settings);
    return settings;
}

} // namespace

TerminalMenu::TerminalMenu(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, WaitBox& waitBox,
                           DivertingPrompter& prompter, QObject* parent)
    : QObject(parent), m_session(session), m_editor(editor), m_sender(sender), m_waitBox(waitBox), m_prompter(prompter),
      m_packet(session.port())
{
    m_packet.setStartString({});
    m_packet.setEndString(std::string(1, Cr));
    connect(&m_packet, &DataPacket::stringPacket, this, &TerminalMenu::ApdDataPacket1StringPacket);
    connect(&m_packet, &DataPacket::timeout, this, &TerminalMenu::ApdDataPacket1Timeout);
    m_session.port().addByteWatcher(this);
    mayOverwrite = [] { return mrw::userSession().CheckPrivilege(mrw::rights::OverwriteFiles); };
}

TerminalMenu::~TerminalMenu()
{
    m_session.port().removeByteWatcher(this);
}

void TerminalMenu::stop()
{
    m_stopped = true;
    m_shutdown = true;
}

void TerminalMenu::ApdDataPacket1StringPacket(const std::string& data)
{
    m_session.menuReply = data.substr(0, 255);
    m_replyReady = true;
}

void TerminalMenu::ApdDataPacket1Timeout()
{
    m_replyTimedOut = true;
    m_packet.setEnabled(true);
}

void TerminalMenu::onByte(char c)
{
    if (m_continueAnswer == 1 && (c == Cr || c == Esc))
        m_continueAnswer = c;
}

void TerminalMenu::armReply()
{
    m_packet.setTimeoutTicks(secsToTicks(m_session.menuTimeoutSeconds));
    m_packet.setEnabled(true);
}

void TerminalMenu::sendText(const std::string& text)
{
    m_session.putBytes(text);
}

void TerminalMenu::ClearTerminalScreen()
{
    for (int line = 0; line < m_session.menuPageLength; ++line)
        sendText(" " + CrLf);
    m_session.menuLineCount = 0;
}

bool TerminalMenu::waitContinue()
{
    m_continueAnswer = 1;
    const int timeoutMs = ticksToMs(secsToTicks(m_session.menuTimeoutSeconds));
    m_session.clock().waitFor([this] { return m_stopped || m_continueAnswer != 1; }, timeoutMs, true);
    const bool stopListing = m_continueAnswer == Esc;
    m_continueAnswer = 0;
    return !stopListing;
}

void TerminalMenu::SendMenuLine(const std::string& text)
{
    ++m_session.menuLineCount;
    if (m_session.menuLineCount >= m_session.menuPageLength) {
        sendText(CrLf + "Continue ...");
        m_continueListing = waitContinue();
        // Whatever else was typed at the pause is dropped, a half line too.
        m_session.port().flushInBuffer();
        if (m_running)
            armReply();
        m_session.menuLineCount = 1;
    }
    sendText(CrLf + text);
    m_session.view().writeTerminal(CrLf + text);
}

bool TerminalMenu::PromptLine(const std::string& prompt, std::string& reply, std::size_t maxLength)
{
    m_session.menuReply.clear();
    SendMenuLine(prompt);
    m_replyReady = false;
    m_replyTimedOut = false;
    // The time-out counts from the prompt. Listening starts before anything that was
    // typed is read, so that a control that answers the moment the prompt arrives is heard.
    armReply();
    QCoreApplication::processEvents();
    while (!m_stopped && !m_replyReady && !m_replyTimedOut)
        m_session.clock().waitFor([this] { return m_stopped || m_replyReady || m_replyTimedOut; }, -1, true);
    if (m_stopped)
        return false;
    if (!m_replyReady) {
        m_session.menuLineCount = 0;
        SendMenuLine("**Timeout**");
        return false;
    }
    std::string text = m_session.menuReply;
    eraseFirst(text, Cr);
    eraseFirst(text, Lf);
    // A line typed and then backspaced away is no reply either.
    text = applyBackspaces(text);
    if (text.empty()) {
        reply.clear();
        return false;
    }
    reply = text.substr(0, maxLength);
    return true;
}

void TerminalMenu::LoadMachineList()
{
    m_machines = mrw::machineDatabase(m_session.globals()).machineNames();
    std::stable_sort(m_machines.begin(), m_machines.end(), [](const std::string& a, const std::string& b) {
        return platform::upperAscii(a) < platform::upperAscii(b);
    });
    m_machines.erase(std::unique(m_machines.begin(), m_machines.end(),
                                 [](const std::string& a, const std::string& b) { return platform::equalsNoCase(a, b); }),
                     m_machines.end());
}

bool TerminalMenu::MachineExists(const std::string& name) const
{
    return std::any_of(m_machines.begin(), m_machines.end(),
                       [&name](const std::string& listed) { return platform::equalsNoCase(listed, name); });
}

std::string TerminalMenu::FormatDirectoryLine(const std::string& fileName, std::uintmax_t size)
{
    const std::string name = padRight(fileName.substr(0, fileName.find('.')), 9);
    const bool large = size > 9216;
    const std::string number = padLeft(std::to_string(large ? size / 1024 : size), 4);
    return name + number + (large ? "k Chrs" : "  Chrs");
}

void TerminalMenu::errorLine(const std::string& text, bool firstLine)
{
    if (firstLine)
        m_session.menuLineCount = 1;
    SendMenuLine(text);
    m_session.menuLineCount = m_session.menuPageLength;
    SendMenuLine(" ");
}

void TerminalMenu::refused(const std::string& name, const ConfinedFile& file)
{
    const Refusal said = refusal(name, file, m_machine);
    m_session.view().writeTerminalLine(said.terminalLine);
    mrw::WriteActivityLog(said.logLine);
}

bool TerminalMenu::switchTo(const std::string& machine)
{
    // What the shop terminal was told leaves before the port is set up for another.
    ComPort& port = m_session.port();
    if (port.isOpen())
        port.drainOutput(60000, true);
    return m_session.LoadMachineRecord(machine);
}

void TerminalMenu::backToTerminal()
{
    switchTo(m_session.terminalMachine());
    armReply();
}

void TerminalMenu::RunTerminalMenu()
{
    if (m_running)
        return;
    const mrw::MachComRec& terminal = m_session.currentMachine();
    LoadMachineList();
    m_session.menuPageLength = terminal.LineDelay;
    m_session.menuTimeoutSeconds = terminal.CharDelay;
    m_session.menuLineCount = 0;
    m_running = true;
    m_stopped = false;
    m_shutdown = false;
    armReply();
    m_session.setMenuRunning(true);
    m_machine = "NONE";
    if (m_session.settings().AutoRemote && minimizeWindow)
        minimizeWindow();
    DivertedMessages unattended(m_prompter, [this](const std::string& text) {
        if (postMessage)
            postMessage(currentTimeText() + ": " + text);
    });

    while (m_session.menuRunning() && !m_stopped) {
        // What was typed meanwhile goes; what the menu said last still leaves.
        m_session.port().flushInBuffer();
        m_session.menuReply.clear();
        ClearTerminalScreen();
        QCoreApplication::processEvents();
        SendMenuLine("*** TKZ DNC ***");
        SendMenuLine("U)pload  D)ownload");
        m_session.menuLineCount = 0;
        SendMenuLine("M)achine L)ist Files");
        std::string reply;
        if (PromptLine("Mch:" + m_machine + " - Cmd ?", reply) && !m_stopped)
            command(static_cast<char>(std::toupper(static_cast<unsigned char>(reply.front()))));
        m_session.setMenuRunning(!m_shutdown);
    }

    if (!m_stopped) {
        m_session.menuLineCount = 0;
        SendMenuLine("*** SHUTDOWN ***");
    }
    m_session.setMenuRunning(false);
    m_session.setRemoteDevice(false);
    m_machines.clear();
    m_packet.setEnabled(false);
    m_running = false;
}

void TerminalMenu::command(char key)
{
    if (m_machine == "NONE" && key != 'M' && key != 'P' && key != 'Q') {
        errorLine("Select Machine 1st?", true);
        key = 0;
    }
    switch (key) {
    case 'D':
        download();
        break;
    case 'L':
        listFiles();
        break;
    case 'M':
        selectMachine();
        break;
    case 'P':
        postFromTerminal();
        break;
    case 'Q':
        m_shutdown = true;
        if (shutdownChecked)
            shutdownChecked();
        break;
    case 'U':
        upload();
        break;
    default:
        backToTerminal();
        break;
    }
}

void TerminalMenu::download()
{
    m_session.menuLineCount = 0;
    std::string name;
    if (!PromptLine("File?", name))
        return;
    // The machine's receiver may ask for the start from now on.
    const TransferInputHold hold(m_session);
    const mrw::MachineSettings settings = machineSettingsOf(m_session.globals(), m_machine);
    const std::string file = withDefaultExtension(settings.DirDNL, name, settings.Defext);
    const ConfinedFile source =
        isPlainName(name) ? confinedSource(platform::resolveStoredPath(settings.DirDNL), file) : ConfinedFile{};
    if (source.status == ConfinedFile::Refused) {
        refused(name, source);
        errorLine("No Such File ?", true);
        return;
    }
    SendMenuLine("Downloading " + name);
    SendMenuLine("To " + m_machine + " ...");
    m_session.waitTicks(secsToTicks(1));
    if (!switchTo(m_machine)) {
        backToTerminal();
        return;
    }
    if (source.status == ConfinedFile::Missing || !platform::fileExists(source.path)) {
        backToTerminal();
        errorLine("No Such File ?", true);
        return;
    }
    const bool ready = m_sender.prepareFile(source.path) && m_session.SetupProtocol(ProtocolSide::Send) &&
                       (!m_session.globals().Machine.settings().xonwait ||
                        WaitForXon({m_session.port(), m_waitBox, m_session.view(), m_machine, m_minimized,
                                    m_session.verbose()}));
    if (ready) {
        m_session.setTransferActive(true);
        if (m_session.startTransmit(m_editor.sendBufferFile(), source.path))
            m_session.waitForFinish();
        m_session.setTransferActive(false);
    }
    backToTerminal();
}

void TerminalMenu::upload()
{
    m_session.menuLineCount = 0;
    std::string name;
    if (!PromptLine("File?", name))
        return;
    const mrw::MachineSettings settings = machineSettingsOf(m_session.globals(), m_machine);
    const std::string file = withDefaultExtension(settings.DirUPL, name, settings.Defext);
    const ConfinedFile target =
        isPlainName(name) ? confinedTarget(platform::resolveStoredPath(settings.DirUPL), file) : ConfinedFile{};
    if (target.status == ConfinedFile::Refused) {
        refused(name, target);
        errorLine("No Such File ?", true);
        return;
    }
    const bool exists = target.status == ConfinedFile::Ok;
    if (exists) {
        m_session.menuLineCount = 0;
        SendMenuLine("File Exists !");
        if (!mayOverwrite()) {
            mrw::WriteActivityLog("Failed Attempt to Overwrite Via Remote");
            return;
        }
        std::string answer;
        if (!PromptLine("Overwrite?", answer) || (answer.front() != 'Y' && answer.front() != 'y'))
            return;
        if (writeProtected(target.path)) {
            m_prompter.message(DncCaption, writeProtectedText(target.path), platform::MessageKind::Error,
                               platform::Buttons::Ok);
            return;
        }
    }
    // The machine's sender may start from now on.
    const TransferInputHold hold(m_session);
    m_session.menuLineCount = 0;
    SendMenuLine("Uploading " + platform::fileNamePart(target.path));
    SendMenuLine("From " + m_machine + " ...");
    if (!switchTo(m_machine) || !m_session.SetupProtocol(ProtocolSide::Receive) ||
        (m_session.globals().Machine.settings().xonwait1 &&
         !WaitForChar({m_session.port(), m_waitBox, m_session.view(), m_machine, m_minimized, m_session.verbose()}))) {
        backToTerminal();
        return;
    }
    m_session.setTransferActive(true);
    if (m_session.startReceive(target.path))
        m_session.waitForFinish();
    m_session.setTransferActive(false);
    if (m_session.receiveStored() && m_session.tapeCode() == TapeCode::Eia) {
        try {
            ConvertReceivedFile(target.path, TapeCode::Eia);
        } catch (const ReceivedFileError& e) {
            m_prompter.message(DncCaption, e.what(), platform::MessageKind::Error, platform::Buttons::Ok);
        }
    }
    backToTerminal();
}

void TerminalMenu::listFiles()
{
    m_continueListing = true;
    const mrw::MachineSettings settings = machineSettingsOf(m_session.globals(), m_machine);
    const std::string mask = "*." + settings.Defext;
    ClearTerminalScreen();
    SendMenuLine("[" + settings.DirDNL + "\\" + mask + "]");
    const std::vector<FolderEntry> files = confinedListing(platform::resolveStoredPath(settings.DirDNL), mask);
    if (files.empty()) {
        errorLine("No Files Found?", false);
        return;
    }
    for (const FolderEntry& entry : files) {
        if (!m_continueListing || m_stopped)
            break;
        SendMenuLine(FormatDirectoryLine(entry.name, entry.size));
        QCoreApplication::processEvents();
    }
    m_session.menuLineCount = m_session.menuPageLength;
    SendMenuLine(" ");
}

void TerminalMenu::selectMachine()
{
    m_session.menuLineCount = 0;
    std::string machine = m_machine;
    PromptLine("Machine?", machine);
    if (m_replyTimedOut || m_stopped)
        return;
    if (!machine.empty()) {
        const auto listed = std::find_if(m_machines.begin(), m_machines.end(),
                                         [&machine](const std::string& name) { return platform::equalsNoCase(name, machine); });
        if (listed != m_machines.end()) {
            m_machine = *listed;
        } else {
            m_machine = "NONE";
            errorLine("No Such Machine ?", true);
        }
        return;
    }
    m_machine = "NONE";
    m_continueListing = true;
    for (const std::string& name : m_machines) {
        if (!m_continueListing || m_stopped)
            break;
        SendMenuLine(name);
        QCoreApplication::processEvents();
    }
}

void TerminalMenu::postFromTerminal()
{
    std::string text;
    if (!PromptLine("Msg?", text))
        return;
    m_prompter.beep();
    if (postMessage)
        postMessage(text);
}

} // namespace dnc
