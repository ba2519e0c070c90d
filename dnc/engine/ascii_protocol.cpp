#include "dnc/engine/ascii_protocol.h"

#include "dnc/engine/comport.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <algorithm>

#include <unistd.h>

namespace dnc {

namespace {

// How often a send looks at the output buffer.
constexpr int StepMs = 5;

void appendTranslated(std::string& out, char c, LineEndTranslation mode)
{
    switch (mode) {
    case LineEndTranslation::AddCrBefore: out.push_back('\r'); out.push_back(c); break;
    case LineEndTranslation::AddLfAfter: out.push_back(c); out.push_back('\n'); break;
    case LineEndTranslation::None: out.push_back(c); break;
    case LineEndTranslation::Strip: break;
    }
}

} // namespace

std::string translateLineEnds(std::string_view data, LineEndTranslation cr, LineEndTranslation lf)
{
    if (cr == LineEndTranslation::None && lf == LineEndTranslation::None)
        return std::string(data);
    std::string out;
    out.reserve(data.size() + data.size() / 16);
    for (const char c : data) {
        if (c == '\r')
            appendTranslated(out, c, cr);
        else if (c == '\n')
            appendTranslated(out, c, lf);
        else
            out.push_back(c);
    }
    return out;
}

AsciiProtocol::AsciiProtocol(ComPort& port, QObject* parent) : Protocol(port, parent) {}

AsciiProtocol::~AsciiProtocol() { cancelTimers(); if (m_file) std::fclose(m_file); }

void AsciiProtocol::beginTransmit()
{
    ProtocolStatus& status = mutableStatus();
    std::optional<std::string> bytes = platform::readFileBytes(status.fileName);
    if (!bytes) {
        finish(ProtocolFileError);
        return;
    }
    m_data = translateLineEnds(*bytes, m_options.cr, m_options.lf);
    m_next = 0;
    m_lastPut = 0;
    m_awaitingDrain = false;
    m_clock = &port().clock();
    m_readyAt = m_lastProgressMs = m_clock->nowMs();
    m_markOutCount = 0;
    m_markNext = 0;
    status.fileSize = static_cast<std::int64_t>(m_data.size());
    status.stateText = "Sending";
    transmitStep();
}

bool AsciiProtocol::isLineEnd(std::size_t index) const
{
    const char c = m_data[index];
    return c == '\n' || (c == '\r' && (index + 1 >= m_data.size() || m_data[index + 1] != '\n'));
}

void AsciiProtocol::transmitStep()
{
    if (!inProgress())
        return;
    ComPort& com = port();
    if (!com.isOpen()) {
        finish(ProtocolPortClosed);
        return;
    }
    const std::int64_t now = m_clock->nowMs();
    if (m_options.charDelayMs > 0 || m_options.lineDelayMs > 0) {
        putWithDelays(now);
    } else if (m_next < m_data.size()) {
        const std::size_t n = std::min<std::size_t>(com.outFree(), m_data.size() - m_next);
        if (n > 0 && com.putBlock(m_data.data() + m_next, static_cast<int>(n)))
            m_next += n;
    }
    ProtocolStatus& status = mutableStatus();
    const int outCount = com.outCount();
    status.bytesTransferred = static_cast<std::int64_t>(m_next) - std::min<std::int64_t>(outCount, m_next);
    status.stateText = com.flowState() == FlowState::TransmitHeldByXoff ? "Held by XOFF" : "Sending";
    if (m_next >= m_data.size() && outCount == 0 && !m_awaitingDrain) {
        finish(ProtocolOk);
        return;
    }
    checkTransmitTimeout(now);
    if (!inProgress())
        return;
    reportProgress();
    if (m_awaitingDrain || m_next >= m_data.size() || m_readyAt <= now)
        scheduleStep(StepMs);
    else
        scheduleStep(static_cast<int>(m_readyAt - now));
}

void AsciiProtocol::putWithDelays(std::int64_t now)
{
    ComPort& com = port();
    if (m_awaitingDrain) {
        if (com.outCount() > 0)
            return;
        // The byte is on the wire: its delay starts now.
        m_awaitingDrain = false;
        m_readyAt = now + m_options.charDelayMs + (isLineEnd(m_lastPut) ? m_options.lineDelayMs : 0);
    }
    if (m_next < m_data.size() && now >= m_readyAt && com.putChar(m_data[m_next])) {
        m_lastPut = m_next++;
        m_awaitingDrain = true;
    }
}

void AsciiProtocol::checkTransmitTimeout(std::int64_t now)
{
    // Progress is a byte put or a byte leaving the buffer; a held line makes none.
    const int outCount = port().outCount();
    if (outCount == 0 || outCount < m_markOutCount || m_next > m_markNext)
        m_lastProgressMs = now;
    m_markOutCount = outCount;
    m_markNext = m_next;
    if (m_options.transmitTimeoutTicks > 0 && now - m_lastProgressMs >= ticksToMs(m_options.transmitTimeoutTicks))
        finish(ProtocolTimeout);
}

void AsciiProtocol::scheduleStep(int ms)
{
    if (m_stepTimer >= 0)
        return;
    m_stepTimer = m_clock->startTimer(std::max(ms, 1), [this] {
        m_stepTimer = -1;
        transmitStep();
    });
}

void AsciiProtocol::beginReceive()
{
    ProtocolStatus& status = mutableStatus();
    // The file is made when the first bytes arrive: a receive in which nothing comes
    // leaves no empty file and keeps an existing one. From then on what arrives is
    // written at once, so a cancelled or failed receive keeps everything that came.
    const std::string folder = platform::folderPart(status.fileName);
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0) {
        finish(ProtocolFileError);
        return;
    }
    m_clock = &port().clock();
    status.stateText = "Receiving";
    m_dataConnection = connect(&port(), &ComPort::dataArrived, this, [this] { receiveData(); });
    restartEofTimer();
    receiveData();
}

void AsciiProtocol::receiveData()
{
    if (!inProgress())
        return;
    ComPort& com = port();
    if (!com.charReady())
        return;
    std::string data = com.getBlock(com.inCount());
    bool endOfFile = false;
    if (!m_options.suppressCtrlZ) {
        const std::size_t ctrlZ = data.find(CtrlZ);
        if (ctrlZ != std::string::npos) {
            data.resize(ctrlZ);
            endOfFile = true;
        }
    }
    if (!writeReceived(translateLineEnds(data, m_options.cr, m_options.lf))) {
        finish(ProtocolFileError);
        return;
    }
    mutableStatus().bytesTransferred += static_cast<std::int64_t>(data.size());
    if (endOfFile) {
        finish(ProtocolOk);
        return;
    }
    restartEofTimer();
    reportProgress();
}

bool AsciiProtocol::writeReceived(const std::string& data)
{
    if (data.empty())
        return true;
    if (!m_file)
        m_file = platform::createScratchStream(status().fileName); // never through a planted link
    if (!m_file)
        return false;
    ComPort& com = port();
    const bool rts = com.rts();
    if (m_options.rtsLowForWrite)
        com.setRts(false);
    const bool ok = std::fwrite(data.data(), 1, data.size(), m_file) == data.size() && std::fflush(m_file) == 0;
    if (m_options.rtsLowForWrite)
        com.setRts(rts);
    return ok;
}

void AsciiProtocol::restartEofTimer()
{
    if (m_eofTimer >= 0)
        m_clock->cancelTimer(m_eofTimer);
    m_eofTimer = m_clock->startTimer(ticksToMs(m_options.eofTimeoutTicks), [this] {
        m_eofTimer = -1;
        receiveData();
        if (inProgress()) // nothing at all before the time-out is a failed receive
            finish(status().bytesTransferred > 0 ? ProtocolOk : ProtocolTimeout);
    });
}

void AsciiProtocol::cancelTimers()
{
    if (!m_clock)
        return;
    if (m_stepTimer >= 0)
        m_clock->cancelTimer(m_stepTimer);
    if (m_eofTimer >= 0)
        m_clock->cancelTimer(m_eofTimer);
    m_stepTimer = m_eofTimer = -1;
}

void AsciiProtocol::stopTransfer()
{
    cancelTimers();
    disconnect(m_dataConnection);
    // A receive keeps what is still waiting in the port's buffer as well.
    if (!status().sending && port().charReady() && status().result != ProtocolFileError) {
        std::string rest = port().getBlock(port().inCount());
        if (!m_options.suppressCtrlZ)
            rest.resize(std::min(rest.size(), rest.find(CtrlZ)));
        writeReceived(translateLineEnds(rest, m_options.cr, m_options.lf));
    }
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (status().sending && status().result != ProtocolOk)
        port().flushOutBuffer();
    m_data.clear();
}

} // namespace dnc
