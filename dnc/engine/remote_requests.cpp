#include "dnc/engine/remote_requests.h"

#include "dnc/engine/confined_path.h"
#include "dnc/engine/dnc_session.h"
#include "dnc/engine/transfer_runner.h"
#include "dnc/engine/wait_ready.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"
#include "platform/stored_path.h"


namespace dnc {

namespace {

// A request's argument must be complete this long after its keyword.
constexpr int PacketTimeoutTicks = 200;
// A line that is no request ends when the line has been quiet this long.
constexpr int QuietGapTicks = 36;
// The most one listing line takes, with room to spare.
constexpr int ListingLineRoom = 81;

std::string withoutLeadingBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// Blanks, line ends and other control bytes (a control's punch-on code), and what a punch
// or tape reader puts ahead of a request (the "%" of a tape, blank tape as NUL, DEL) may
// come before a keyword; none of them can start one, and they keep the reading at the
// start of a line.
bool beforeKeyword(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 127 || c == '%';
}

std::string withoutTrailingSeparator(std::string text)
{
    if (!text.empty() && (text.back() == '\\' || text.back() == '/'))
        text.pop_back();
    return text;
}

bool lineEnd(char c) { return c == '\r' || c == '\n'; }

} // namespace

struct RemoteRequests::Frame {
    const char* keyword;
    char end;
    bool autoEnable; // listens again after its request
    void (RemoteRequests::*handler)(const std::string&);
};

const RemoteRequests::Frame& RemoteRequests::frame(int packet)
{
    static const Frame frames[PacketCount] = {
        {"SND", ')', true, &RemoteRequests::DPSendStringPacket},
        {"RCV", '\r', false, &RemoteRequests::DPReceiveStringPacket},
        {"DIR", ')', true, &RemoteRequests::DPDirStringPacket},
        {"PTH", '\r', true, &RemoteRequests::DPPathStringPacket},
        {"MSG", '\r', true, &RemoteRequests::DPmessageStringPacket},
    };
    return frames[packet];
}

RemoteRequests::RemoteRequests(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, WaitBox& waitBox,
                               DivertingPrompter& prompter, QObject* parent)
    : QObject(parent), m_session(session), m_editor(editor), m_sender(sender), m_waitBox(waitBox),
      m_prompter(prompter)
{
    timeText = currentTimeText;
    session.port().addByteWatcher(this);
    connect(&session.port(), &ComPort::dataArrived, this, [this] {
        if (m_quietTimer >= 0)
            awaitQuietLine();
    });
}

RemoteRequests::~RemoteRequests()
{
    leave();
    stopArgumentTimer();
    stopGapTimer();
    m_session.port().removeByteWatcher(this);
}

void RemoteRequests::stopArgumentTimer()
{
    if (m_argumentTimer >= 0 && m_argumentClock)
        m_argumentClock->cancelTimer(m_argumentTimer);
    m_argumentTimer = -1;
}

void RemoteRequests::enter()
{
    if (m_active)
        return;
    m_active = true;
    m_pathRefused = false;
    m_refusedPath.clear();
    m_diverted = std::make_unique<DivertedMessages>(m_prompter, [this](const std::string& text) {
        if (postMessage)
            postMessage(timeText() + ": " + text);
    });
    m_session.remoteTransferEnded = [this] { onTransferEnded(); };
    EnableRemotePackets(true);
    RearmRemotePackets();
}

void RemoteRequests::leave()
{
    if (!m_active)
        return;
    EnableRemotePackets(false);
    if (m_quietTimer >= 0 && m_quietClock)
        m_quietClock->cancelTimer(m_quietTimer);
    m_quietTimer = -1;
    m_session.remoteTransferEnded = nullptr;
    m_session.port().setWatchOnly(false);
    m_diverted.reset();
    m_active = false;
}

bool RemoteRequests::busy() const
{
    return m_handling || m_sendRunning || m_session.transferActive();
}

bool RemoteRequests::anyEnabled() const
{
    return std::any_of(std::begin(m_enabled), std::end(m_enabled), [](bool on) { return on; });
}

void RemoteRequests::EnableRemotePackets(bool on)
{
    // Enabling again what listens already leaves a request that is coming in whole.
    if (on && !anyEnabled())
        m_reading = Reading::LineStart;
    std::fill(std::begin(m_enabled), std::end(m_enabled), on);
    if (!on) {
        stopArgumentTimer();
        stopGapTimer();
        m_packet = -1;
        m_reading = Reading::LineStart;
    }
}

void RemoteRequests::stopGapTimer()
{
    if (m_gapTimer >= 0 && m_gapClock)
        m_gapClock->cancelTimer(m_gapTimer);
    m_gapTimer = -1;
}

void RemoteRequests::awaitGap()
{
    stopGapTimer();
    m_gapClock = &m_session.port().clock();
    m_gapTimer = m_gapClock->startTimer(ticksToMs(QuietGapTicks), [this] {
        m_gapTimer = -1;
        gapEnded();
    });
}

void RemoteRequests::gapEnded()
{
    if (m_reading != Reading::Keyword && m_reading != Reading::RestOfLine)
        return;
    const std::string dropped = m_reading == Reading::Keyword ? m_word : m_dropped;
    m_reading = Reading::LineStart;
    m_dropped.clear();
    if (!m_active || dropped.empty())
        return;
    const std::string line = "Remote Data [" + mrw::LogQuote(dropped) + "] Dropped, No Request";
    m_session.view().writeTerminalLine(line);
    mrw::WriteActivityLog(line + ", Machine [" + m_session.currentMachine().Name + "]");
}

void RemoteRequests::onByte(char c)
{
    if (!anyEnabled() && !awaitingQuietLine())
        return; // nothing listens: the bytes go by unread
    read(c);
    if (m_reading == Reading::Keyword || m_reading == Reading::RestOfLine)
        awaitGap();
    else
        stopGapTimer();
}

void RemoteRequests::read(char c)
{
    switch (m_reading) {
    case Reading::LineStart:
        if (beforeKeyword(c))
            return;
        m_word.clear();
        [[fallthrough]];
    case Reading::Keyword: {
        if (lineEnd(c)) {
            m_reading = Reading::LineStart;
            return;
        }
        m_word.push_back(c);
        bool prefix = false;
        for (int i = 0; i < PacketCount; ++i) {
            const std::string_view keyword = frame(i).keyword;
            if ((!m_enabled[i] && !awaitingQuietLine()) || !keyword.starts_with(m_word))
                continue;
            if (keyword.size() == m_word.size()) {
                startArgument(i);
                return;
            }
            prefix = true;
        }
        m_reading = prefix ? Reading::Keyword : Reading::RestOfLine;
        if (!prefix)
            m_dropped = m_word;
        return;
    }
    case Reading::Argument:
        if (c == frame(m_packet).end) {
            endArgument();
        } else if (m_data.empty() && c == ' ') {
            // The blanks before the argument are not part of it.
        } else if (m_data.size() < MaxRequestData) {
            m_data.push_back(c);
        } else {
            m_overlong = true;
        }
        return;
    case Reading::RestOfLine:
        if (lineEnd(c)) {
            // A line of text, not a request: nothing to tell.
            m_reading = Reading::LineStart;
            m_dropped.clear();
        } else if (m_dropped.size() < MaxRequestData) {
            m_dropped.push_back(c);
        }
        return;
    }
}

void RemoteRequests::startArgument(int packet)
{
    m_reading = Reading::Argument;
    m_packet = packet;
    m_data.clear();
    m_overlong = false;
    m_argumentClock = &m_session.port().clock();
    m_argumentTimer = m_argumentClock->startTimer(ticksToMs(PacketTimeoutTicks), [this] {
        m_argumentTimer = -1;
        argumentTimedOut();
    });
}

void RemoteRequests::endArgument()
{
    stopArgumentTimer();
    const int packet = m_packet;
    m_reading = Reading::LineStart; // the next request may follow at once
    m_packet = -1;
    if (!frame(packet).autoEnable)
        m_enabled[packet] = false;
    // Answered from the event loop, not from inside the port's reading: the port keeps
    // reading while an answer waits, and a request arriving meanwhile is seen.
    QMetaObject::invokeMethod(
        this, [this, packet, data = m_data, overlong = m_overlong] { answer(packet, data, overlong); },
        Qt::QueuedConnection);
}

void RemoteRequests::argumentTimedOut()
{
    if (m_reading != Reading::Argument)
        return;
    // What still comes of it is the rest of its argument, up to a line end or a gap.
    m_reading = Reading::RestOfLine;
    m_dropped.clear();
    awaitGap();
    const int packet = m_packet;
    m_packet = -1;
    if (m_active)
        unanswered(frame(packet).keyword, m_data, "Dropped, Incomplete");
}

void RemoteRequests::listen()
{
    // What has come was seen by the reading; nothing else needs it.
    m_session.port().setWatchOnly(true);
}

void RemoteRequests::RearmRemotePackets()
{
    m_remotePath.clear();
    m_remoteFolder.clear();
    ComPort& port = m_session.port();
    port.processEvents(); // what has come is read, and seen, before anything is dropped
    listen();
    m_session.view().writeTerminal("\r\nWaiting For Remote CNC Machine\r\n");
    const FlowState flow = port.flowState();
    if (flow != FlowState::On && flow != FlowState::Off) {
        // A port that flow control holds starts afresh; what was answered goes out
        // before it is opened again.
        port.drainOutput(60000, true);
        m_session.OpenMachinePort(m_session.currentMachine());
        m_session.view().setTerminalActive(false);
    }
}

std::string RemoteRequests::FormatRemoteDirectoryLine(const std::string& cmtStart, const std::string& fileName,
                                                      std::uintmax_t size, const std::string& cmtEnd)
{
    return cmtStart + fileName + "   " + std::to_string(size) + " Chrs" + cmtEnd;
}

void RemoteRequests::answer(int packet, const std::string& data, bool overlong)
{
    if (!m_active)
        return;
    if (awaitingQuietLine()) {
        // What the control sends after a RCV goes by, but no request goes unseen.
        unanswered(frame(packet).keyword, data, "Dropped, Line Not Quiet");
        return;
    }
    if (busy()) {
        unanswered(frame(packet).keyword, data, "Ignored, Busy");
        return;
    }
    m_handling = true;
    m_argumentOverlong = overlong;
    (this->*frame(packet).handler)(data);
    m_argumentOverlong = false;
    m_handling = false;
}

void RemoteRequests::unanswered(const char* keyword, const std::string& data, const char* why)
{
    const std::string line =
        std::string("Remote Request ") + keyword + " [" + mrw::LogQuote(withoutLeadingBlanks(data)) + "] " + why;
    m_session.view().writeTerminalLine(line);
    mrw::WriteActivityLog(line + ", Machine [" + m_session.currentMachine().Name + "]");
}

void RemoteRequests::refused(const std::string& argument, const ConfinedFile& file)
{
    const Refusal said = refusal(argument, file, m_session.currentMachine().Name);
    m_session.view().writeTerminalLine(said.terminalLine);
    mrw::WriteActivityLog(said.logLine);
}

std::string RemoteRequests::folderText() const
{
    return withoutTrailingSeparator(m_remotePath);
}

std::string RemoteRequests::folderFor(bool upload) const
{
    if (!m_remotePath.empty())
        return m_remoteFolder;
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    return platform::resolveStoredPath(upload ? settings.DirUPL : settings.DirDNL);
}

ConfinedFile RemoteRequests::requestedFile(const std::string& argument, bool upload) const
{
    if (m_argumentOverlong || !isPlainName(argument))
        return ConfinedFile{};
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    if (m_pathRefused) {
        // Where the control asked to look, which holds nothing for it.
        const std::string text = withoutTrailingSeparator(m_refusedPath);
        return ConfinedFile{ConfinedFile::Missing, text + "\\" + withDefaultExtension(text, argument, settings.Defext)};
    }
    const std::string text = m_remotePath.empty() ? (upload ? settings.DirUPL : settings.DirDNL) : folderText();
    const std::string name = withDefaultExtension(text, argument, settings.Defext);
    return upload ? confinedTarget(folderFor(true), name) : confinedSource(folderFor(false), name);
}

void RemoteRequests::DPSendStringPacket(const std::string& data)
{
    SessionView& view = m_session.view();
    ComPort& port = m_session.port();
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    const mrw::MachComRec& machine = m_session.currentMachine();
    view.setTerminalActive(false);
    const std::string argument = withoutLeadingBlanks(data);
    view.writeTerminal("\r\n");
    view.writeTerminalLine("Remote Requested Send of [" + argument + "]");

    const ConfinedFile file = requestedFile(argument, false);
    if (file.status == ConfinedFile::Refused) {
        refused(argument, file);
    } else if (file.status == ConfinedFile::Missing) {
        view.writeTerminalLine("Remote Request for [" + file.path + "] Failed");
    } else {
        mrw::WriteActivityLog("Remote Command \"Send\", Machine [" + machine.Name + "],File [" + file.path + "]");
        view.writeTerminalLine("Waiting [" + std::to_string(machine.RemoteSendDelay) + "] Seconds");
        m_session.waitTicks(secsToTicks(machine.RemoteSendDelay));
        view.writeTerminalLine("Sending File ...");
        // The transfer reads the line from here on.
        port.setWatchOnly(false);
        const bool ready = m_sender.prepareFile(file.path) && m_session.SetupProtocol(ProtocolSide::Send) &&
                           (!settings.xonwait || WaitForXon({port, m_waitBox, view, machine.Name, m_minimized,
                                                             m_session.verbose()}));
        if (ready) {
            m_session.setTransferActive(true);
            m_sendRunning = true;
            // The converted text goes, without start and end codes, leader or trailer.
            if (m_session.startTransmit(m_editor.sendSourceFile(), file.path)) {
                view.setTerminalActive(false);
                return; // re-armed when the transfer ends
            }
            m_sendRunning = false;
            m_session.setTransferActive(false);
        }
    }
    RearmRemotePackets();
    view.setTerminalActive(false);
}

void RemoteRequests::onTransferEnded()
{
    m_sendRunning = false;
    EnableRemotePackets(true);
    RearmRemotePackets();
}

void RemoteRequests::DPDirStringPacket(const std::string& data)
{
    SessionView& view = m_session.view();
    ComPort& port = m_session.port();
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    const mrw::MachComRec& machine = m_session.currentMachine();
    view.setTerminalActive(false);
    const std::string mask = withoutLeadingBlanks(data);
    view.writeTerminalLine("Remote Requested Directory of [" + mask + "]");

    std::vector<FolderEntry> files;
    const std::string folder = folderFor(false);
    if (m_argumentOverlong || !isPlainName(mask, true)) {
        refused(mask);
    } else {
        // Under a refused folder nothing is found.
        const std::string path = m_pathRefused ? m_refusedPath + "\\" + mask : platform::joinPath(folder, mask);
        mrw::WriteActivityLog("Remote Command \"Directory\", Machine [" + machine.Name + "],File [" +
                              mrw::LogQuote(path) + "]");
        view.writeTerminalLine("Waiting [" + std::to_string(machine.RemoteDirDelay) + "] Seconds");
        m_session.waitTicks(secsToTicks(machine.RemoteDirDelay));
        view.writeTerminalLine("Sending Directory ...");
        if (!m_pathRefused)
            files = confinedListing(folder, mask);
    }

    m_session.putBytes("\r\n%\r\nO7000\r\n");
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0)
            m_session.clock().waitFor([&port] { return !port.isOpen() || port.outFree() >= ListingLineRoom; }, 60000,
                                      true);
        m_session.putBytes(FormatRemoteDirectoryLine(settings.CmtStart, files[i].name, files[i].size, settings.CmtEnd) +
                           "\r\n");
    }
    if (files.empty())
        m_session.putBytes(settings.CmtStart + "No Files Found?" + settings.CmtEnd + "\r\n");
    m_session.putBytes("M30\r\n%\r\n");
    RearmRemotePackets();
}

void RemoteRequests::DPPathStringPacket(const std::string& data)
{
    m_session.view().setTerminalActive(false);
    const std::string argument = withoutLeadingBlanks(data);
    m_session.view().writeTerminalLine("Remote Set Path To [" + argument + "]");
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    const std::optional<std::string> folder =
        m_argumentOverlong ? std::nullopt
                           : confinedFolder(argument, {platform::resolveStoredPath(settings.DirDNL),
                                                       platform::resolveStoredPath(settings.DirUPL)});
    if (!folder) {
        refused(argument);
        // No fall-back to the machine's folders: a file of the same name there is
        // another program.
        m_pathRefused = true;
        m_refusedPath = argument;
        m_remotePath.clear();
        m_remoteFolder.clear();
        return;
    }
    m_pathRefused = false;
    m_refusedPath.clear();
    m_remotePath = argument;
    m_remoteFolder = *folder;
}

void RemoteRequests::DPmessageStringPacket(const std::string& data)
{
    m_session.view().setTerminalActive(false);
    const std::string text = timeText() + ": " + withoutLeadingBlanks(data);
    m_prompter.beep();
    if (postMessage)
        postMessage(text);
}

void RemoteRequests::DPReceiveStringPacket(const std::string& data)
{
    SessionView& view = m_session.view();
    ComPort& port = m_session.port();
    view.setTerminalActive(false);
    EnableRemotePackets(false);
    listen();
    port.flushOutBuffer();
    const std::string argument = withoutLeadingBlanks(data);
    view.writeTerminal("\r\n");
    view.writeTerminalLine("Remote Requested Receive of [" + argument + "]");

    const ConfinedFile file = requestedFile(argument, true);
    if (file.status == ConfinedFile::Refused)
        refused(argument, file);
    else if (file.status == ConfinedFile::Ok && m_session.currentMachine().RemoteOverwrite == 0)
        view.writeTerminalLine("File Exists, Ignoring Request ");
    RearmRemotePackets();
    // The file the control sends now goes by unanswered; requests are answered again
    // once the line has been quiet for a while.
    awaitQuietLine();
}

void RemoteRequests::awaitQuietLine()
{
    if (m_quietTimer >= 0 && m_quietClock)
        m_quietClock->cancelTimer(m_quietTimer);
    m_quietClock = &m_session.port().clock();
    const int seconds = std::max(1, m_session.currentMachine().RemoteReceiveDelay);
    m_quietTimer = m_quietClock->startTimer(ticksToMs(secsToTicks(seconds)), [this] {
        m_quietTimer = -1;
        if (m_active)
            EnableRemotePackets(true);
    });
}

} // namespace dnc
