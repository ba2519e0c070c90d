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

constexpr int PacketTimeoutTicks = 200;
// The most one listing line takes, with room to spare.
constexpr int ListingLineRoom = 81;

std::string withoutLeadingBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

} // namespace

RemoteRequests::RemoteRequests(DncSession& session, mrw::EditorHost& editor, SendChooser& sender, WaitBox& waitBox,
                               DivertingPrompter& prompter, QObject* parent)
    : QObject(parent), m_session(session), m_editor(editor), m_sender(sender), m_waitBox(waitBox),
      m_prompter(prompter)
{
    timeText = currentTimeText;
    struct Frame {
        const char* start;
        const char* end;
        void (RemoteRequests::*handler)(const std::string&);
        const char* keyword;
    };
    static const Frame frames[PacketCount] = {
        {"SND", ")", &RemoteRequests::DPSendStringPacket, "SND"},
        {"RCV", "\r", &RemoteRequests::DPReceiveStringPacket, "RCV"},
        {"DIR", ")", &RemoteRequests::DPDirStringPacket, "DIR"},
        {"PTH", "\r", &RemoteRequests::DPPathStringPacket, "PTH"},
        {"MSG", "\r", &RemoteRequests::DPmessageStringPacket, "MSG"},
    };
    for (int i = 0; i < PacketCount; ++i) {
        auto packet = std::make_unique<DataPacket>(session.port());
        packet->setStartString(frames[i].start);
        packet->setEndString(frames[i].end);
        packet->setTimeoutTicks(PacketTimeoutTicks);
        packet->setAutoEnable(i != Receive);
        const Frame frame = frames[i];
        // Answered from the event loop, not from inside the port's reading: the port
        // keeps reading while an answer waits, and a request arriving meanwhile is seen.
        connect(
            packet.get(), &DataPacket::stringPacket, this,
            [this, frame](const std::string& data) { answer(frame.keyword, data, frame.handler); },
            Qt::QueuedConnection);
        // A time-out only enables that packet again.
        DataPacket* raw = packet.get();
        connect(packet.get(), &DataPacket::timeout, this, [raw] { raw->setEnabled(true); });
        m_packets[i] = std::move(packet);
    }
    connect(&session.port(), &ComPort::dataArrived, this, [this] {
        if (m_quietTimer >= 0) {
            m_session.port().flushInBuffer();
            awaitQuietLine();
        }
    });
}

RemoteRequests::~RemoteRequests()
{
    leave();
}

void RemoteRequests::enter()
{
    if (m_active)
        return;
    m_active = true;
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
    m_diverted.reset();
    m_active = false;
}

bool RemoteRequests::busy() const
{
    return m_handling || m_sendRunning || m_session.transferActive();
}

void RemoteRequests::EnableRemotePackets(bool on)
{
    for (auto& packet : m_packets)
        packet->setEnabled(on);
}

void RemoteRequests::RearmRemotePackets()
{
    m_remotePath.clear();
    m_remoteFolder.clear();
    ComPort& port = m_session.port();
    port.flushInBuffer();
    m_session.view().writeTerminal("\r\nWaiting For Remote CNC Machine\r\n");
    if (port.flowState() != FlowState::On) {
        // What was answered goes out before the port is opened again.
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

void RemoteRequests::answer(const char* keyword, const std::string& data,
                            void (RemoteRequests::*handler)(const std::string&))
{
    if (!m_active)
        return;
    if (busy()) {
        const std::string line =
            std::string("Remote Request ") + keyword + " [" + withoutLeadingBlanks(data) + "] Ignored, Busy";
        m_session.view().writeTerminalLine(line);
        mrw::WriteActivityLog(line + ", Machine [" + m_session.currentMachine().Name + "]");
        return;
    }
    m_handling = true;
    (this->*handler)(data);
    m_handling = false;
}

void RemoteRequests::refused(const std::string& argument)
{
    m_session.view().writeTerminalLine("Remote Request for [" + argument + "] Refused");
    mrw::WriteActivityLog("Refused File Name [" + argument + "], Machine [" + m_session.currentMachine().Name + "]");
}

std::string RemoteRequests::folderText() const
{
    std::string text = m_remotePath;
    if (!text.empty() && (text.back() == '\\' || text.back() == '/'))
        text.pop_back();
    return text;
}

std::string RemoteRequests::folderFor(bool upload) const
{
    if (!m_remotePath.empty())
        return m_remoteFolder;
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    return platform::resolveStoredPath(upload ? settings.DirUPL : settings.DirDNL);
}

void RemoteRequests::DPSendStringPacket(const std::string& data)
{
    SessionView& view = m_session.view();
    ComPort& port = m_session.port();
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    const mrw::MachComRec& machine = m_session.currentMachine();
    view.setTerminalActive(false);
    port.flushInBuffer();
    const std::string argument = withoutLeadingBlanks(data);
    view.writeTerminal("\r\n");
    view.writeTerminalLine("Remote Requested Send of [" + argument + "]");

    const std::string text = m_remotePath.empty() ? settings.DirDNL : folderText();
    const ConfinedFile file = isPlainName(argument)
                                  ? confinedSource(folderFor(false), withDefaultExtension(text, argument, settings.Defext))
                                  : ConfinedFile{};
    if (file.status == ConfinedFile::Refused) {
        refused(argument);
    } else if (file.status == ConfinedFile::Missing) {
        view.writeTerminalLine("Remote Request for [" + file.path + "] Failed");
    } else {
        mrw::WriteActivityLog("Remote Command \"Send\", Machine [" + machine.Name + "],File [" + file.path + "]");
        view.writeTerminalLine("Waiting [" + std::to_string(machine.RemoteSendDelay) + "] Seconds");
        m_session.waitTicks(secsToTicks(machine.RemoteSendDelay));
        view.writeTerminalLine("Sending File ...");
        const bool ready = m_sender.prepareFile(file.path) && m_session.SetupProtocol(ProtocolSide::Send) &&
                           (!settings.xonwait || WaitForXon({port, m_waitBox, view, machine.Name, m_minimized,
                                                             m_session.verbose()}));
        if (ready) {
            m_session.setTransferActive(true);
            m_sendRunning = true;
            // The converted text goes, without start and end codes, leader or trailer.
            if (m_session.startTransmit(m_editor.sendSourceFile())) {
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
    if (!isPlainName(mask, true)) {
        refused(mask);
    } else {
        const std::string path = platform::joinPath(folder, mask);
        mrw::WriteActivityLog("Remote Command \"Directory\", Machine [" + machine.Name + "],File [" + path + "]");
        view.writeTerminalLine("Waiting [" + std::to_string(machine.RemoteDirDelay) + "] Seconds");
        m_session.waitTicks(secsToTicks(machine.RemoteDirDelay));
        view.writeTerminalLine("Sending Directory ...");
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
    const std::optional<std::string> folder = confinedFolder(
        argument, {platform::resolveStoredPath(settings.DirDNL), platform::resolveStoredPath(settings.DirUPL)});
    if (!folder) {
        refused(argument);
        return;
    }
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
    const mrw::MachineSettings& settings = m_session.globals().Machine.settings();
    view.setTerminalActive(false);
    EnableRemotePackets(false);
    port.flushInBuffer();
    port.flushOutBuffer();
    const std::string argument = withoutLeadingBlanks(data);
    view.writeTerminal("\r\n");
    view.writeTerminalLine("Remote Requested Receive of [" + argument + "]");

    const std::string text = m_remotePath.empty() ? settings.DirUPL : folderText();
    const ConfinedFile file = isPlainName(argument)
                                  ? confinedTarget(folderFor(true), withDefaultExtension(text, argument, settings.Defext))
                                  : ConfinedFile{};
    if (file.status == ConfinedFile::Refused)
        refused(argument);
    else if (file.status == ConfinedFile::Ok && m_session.currentMachine().RemoteOverwrite == 0)
        view.writeTerminalLine("File Exists, Ignoring Request ");
    RearmRemotePackets();
    // The file the control sends now goes by unread; requests are heard again once
    // the line has been quiet for a while.
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
        m_session.port().flushInBuffer();
        if (m_active)
            EnableRemotePackets(true);
    });
}

} // namespace dnc
