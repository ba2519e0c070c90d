#include "dnc/engine/block_protocol.h"

#include "dnc/engine/comport.h"
#include "dnc/engine/transfer_protocols.h"

#include <exception>

#include <sys/stat.h>

namespace dnc {
namespace {

constexpr int PumpMs = 5;             // pace of feeding a full output buffer
constexpr int FlushAfterEndMs = 5000; // the last answer gets this long to leave

std::string nameOf(ProtocolType type)
{
    switch (type) {
    case ProtocolType::XmodemCrc: return "XMODEM-CRC";
    case ProtocolType::Ymodem: return "YMODEM";
    case ProtocolType::Zmodem: return "ZMODEM";
    case ProtocolType::Kermit: return "Kermit";
    default: return "ASCII";
    }
}

}  // namespace

BlockProtocol::BlockProtocol(ProtocolType type, ComPort& port, QObject* parent) : Protocol(port, parent), m_type(type) {}

BlockProtocol::~BlockProtocol()
{
    if (m_engineTimer >= 0)
        port().clock().cancelTimer(m_engineTimer);
    if (m_pumpTimer >= 0)
        port().clock().cancelTimer(m_pumpTimer);
    QObject::disconnect(m_input);
}

std::string BlockProtocol::name() const { return nameOf(m_type); }

void BlockProtocol::beginTransmit()
{
    m_options.sevenBitLine = port().settings().line.dataBits < 8;
    const std::string& path = mutableStatus().fileName;
    std::unique_ptr<TransferEngine> engine;
    try {
        std::string data;
        if (!readFileToSend(path, data)) {
            finish(ProtocolFileError);
            return;
        }
        struct stat info{};
        const std::int64_t modified = ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : 0;
        engine = makeSendEngine(m_type, std::move(data), announcedName(), m_options, modified);
    } catch (const std::exception&) {
        // Nothing of the library's words reaches the operator.
        finish(ProtocolFileError, "The file cannot be taken into memory to be sent");
        return;
    }
    run(std::move(engine));
}

void BlockProtocol::beginReceive()
{
    m_options.sevenBitLine = port().settings().line.dataBits < 8;
    m_file = std::make_unique<ReceivedFile>(mutableStatus().fileName);
    if (!m_file->open()) {
        m_file.reset();
        finish(ProtocolFileError);
        return;
    }
    run(makeReceiveEngine(m_type, m_options));
}

void BlockProtocol::run(std::unique_ptr<TransferEngine> engine)
{
    m_engine = std::move(engine);
    m_pending.clear();
    m_flushTries = 0;
    if (!m_engine) {
        finish(ProtocolFileError);
        return;
    }
    // XMODEM and YMODEM blocks carry XON and XOFF bytes as data; ZMODEM and Kermit
    // quote them, so the machine's flow control keeps working for those two.
    if ((m_type == ProtocolType::XmodemCrc || m_type == ProtocolType::Ymodem) &&
        port().softwareFlow() != SoftwareFlow::None) {
        m_savedFlow = static_cast<int>(port().softwareFlow());
        m_flowChanged = true;
        port().setSoftwareFlow(SoftwareFlow::None);
    }
    mutableStatus().stateText = mutableStatus().sending ? "Sending" : "Receiving";
    m_input = connect(&port(), &ComPort::dataArrived, this, [this] { onInput(); });
    m_timerSerial = m_engine->timerSerial();
    m_engine->guarded([this] { m_engine->start(); });
    afterStep();
    if (port().charReady())
        onInput();
}

void BlockProtocol::onInput()
{
    if (!m_engine || m_engine->finished() || !port().charReady())
        return;
    const std::string bytes = port().getBlock(port().inCount());
    m_engine->guarded([&] { m_engine->receive(bytes); });
    afterStep();
}

// After every call into the engine: hand its output to the port, keep its timer,
// write what it received, report progress and end the transfer when it ended.
void BlockProtocol::afterStep()
{
    if (!m_engine)
        return;
    m_pending += m_engine->takeOutput();
    if (m_file && !m_file->append(m_engine->takeReceivedData())) {
        m_engine->guarded([this] { m_engine->cancel(); });
        m_pending = m_engine->takeOutput();
        finish(ProtocolFileError);
        return;
    }
    pushOutput();
    armEngineTimer();

    const TransferStatus& s = m_engine->status();
    ProtocolStatus& status = mutableStatus();
    const std::int64_t knownSize = status.fileSize; // the size of the file being sent
    static_cast<TransferCounts&>(status) = s;
    if (s.fileSize < 0)
        status.fileSize = knownSize;
    if (m_engine->finished()) {
        if (m_file && !m_file->close() && m_engine->result() == ProtocolOk) {
            finish(ProtocolFileError);
            return;
        }
        finish(m_engine->result(), m_engine->resultText());
        return;
    }
    reportProgress();
}

void BlockProtocol::pushOutput()
{
    while (!m_pending.empty()) {
        const int room = port().outFree();
        if (room <= 0)
            break;
        const int piece = static_cast<int>(std::min<std::size_t>(m_pending.size(), static_cast<std::size_t>(room)));
        if (!port().putBlock(m_pending.data(), piece))
            break;
        m_pending.erase(0, static_cast<std::size_t>(piece));
        m_lastOutCount = port().outCount();
        if (m_pending.empty() && m_engine && !m_engine->finished()) {
            m_engine->guarded([this] { m_engine->outputDrained(); });  // a streaming sender queues its next part
            m_pending += m_engine->takeOutput();
            armEngineTimer();
        }
    }
    if (!m_pending.empty() || (m_engine && !m_engine->finished() && port().outCount() > 0))
        schedulePump();
}

// Feeds the port while the engine has more than the port holds, and tells the engine
// while its output leaves on the wire.
void BlockProtocol::schedulePump()
{
    if (m_pumpTimer >= 0)
        return;
    m_pumpTimer = port().clock().startTimer(PumpMs, [this] {
        m_pumpTimer = -1;
        if (m_engine && !m_engine->finished()) {
            if (port().outCount() < m_lastOutCount)
                m_engine->guarded([this] { m_engine->outputMoved(); });
            m_lastOutCount = port().outCount();
            pushOutput();
            afterStep();
        } else if (!m_pending.empty() && m_flushTries-- > 0 && port().isOpen()) {
            pushOutput();
        } else {
            m_pending.clear();
        }
    });
}

void BlockProtocol::armEngineTimer()
{
    if (!m_engine || m_engine->timerSerial() == m_timerSerial)
        return;
    m_timerSerial = m_engine->timerSerial();
    if (m_engineTimer >= 0)
        port().clock().cancelTimer(m_engineTimer);
    m_engineTimer = -1;
    if (m_engine->timerMs() < 0 || m_engine->finished())
        return;
    m_engineTimer = port().clock().startTimer(m_engine->timerMs(), [this] {
        m_engineTimer = -1;
        if (!m_engine || m_engine->finished())
            return;
        m_timerSerial = m_engine->timerSerial();  // the expired request is spent
        m_engine->guarded([this] { m_engine->timerExpired(); });
        afterStep();
    });
}

void BlockProtocol::stopTransfer()
{
    QObject::disconnect(m_input);
    if (m_engineTimer >= 0)
        port().clock().cancelTimer(m_engineTimer);
    m_engineTimer = -1;
    if (m_engine && !m_engine->finished()) {
        // Cancelled by the operator: what is queued goes, the other side is told.
        m_engine->guarded([this] { m_engine->cancel(); });
        if (port().isOpen())
            port().flushOutBuffer();
        m_pending = m_engine->takeOutput();
    }
    if (m_engine && m_file)
        m_file->append(m_engine->takeReceivedData());
    if (m_file)
        m_file->close();
    m_file.reset();
    m_flushTries = FlushAfterEndMs / PumpMs;
    if (port().isOpen())
        pushOutput();
    releaseSoftwareFlow();
}

void BlockProtocol::releaseSoftwareFlow()
{
    if (!m_flowChanged)
        return;
    m_flowChanged = false;
    if (port().isOpen())
        port().setSoftwareFlow(static_cast<SoftwareFlow>(m_savedFlow));
}

std::unique_ptr<Protocol> makeBlockProtocol(ProtocolType type, ComPort& port)
{
    if (type == ProtocolType::Ascii)
        return nullptr;
    return std::make_unique<BlockProtocol>(type, port);
}

}  // namespace dnc
