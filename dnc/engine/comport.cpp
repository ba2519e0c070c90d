#include "dnc/engine/comport.h"

#include "dnc/engine/line_clock.h"
#include "workspace/engine/activity_log.h"

#include "platform/numbers.h"

#include <algorithm>
#include <cmath>

namespace dnc {

namespace {

// Output goes to the device in pieces of about this many milliseconds of line time, so
// that an XOFF from the machine stops us within a piece or two.
constexpr double PieceMs = 10.0;
constexpr int MinPiece = 16;
constexpr int MaxPiece = 4096;
// While CTS holds the output, look at it again this often.
constexpr int CtsPollMs = 10;

} // namespace

ComPort::ComPort(QObject* parent) : QObject(parent) {}

ComPort::~ComPort()
{
    // Nothing may run while the objects around the port go.
    closeNow();
    // The line closed last may still wait for the event loop to delete it.
    delete m_closedLine.data();
}

void ComPort::setBufferSizes(int inSize, int outSize)
{
    m_inSize = std::max(inSize, 16);
    m_outSize = std::max(outSize, 16);
    m_bufferFull = static_cast<int>(platform::roundHalfEven(0.75 * m_inSize));
    m_bufferResume = static_cast<int>(platform::roundHalfEven(0.25 * m_inSize));
}

LineClock& ComPort::clock() const
{
    return m_line ? m_line->clock() : SystemClock::instance();
}

bool ComPort::isOpen() const { return m_line && m_line->isOpen(); }

bool ComPort::open(std::unique_ptr<SerialLine> line, const PortSettings& settings, std::string& error,
                   bool keepInput)
{
    close();
    if (!line->open(error))
        return false;
    if (!keepInput)
        line->discardInput();
    m_refused.clear();
    line->configure(settings.line, m_refused);
    m_line = std::move(line);
    m_settings = settings;
    m_in.clear();
    m_out.clear();
    m_control.clear();
    m_heldByXoff = m_holdingPeer = m_readPaused = false;
    m_credit = pieceSize();
    m_creditTime = clock().nowMs();
    connect(m_line.get(), &SerialLine::readyRead, this, &ComPort::readInput);
    connect(m_line.get(), &SerialLine::deviceError, this, &ComPort::portError);
    setDtr(true);
    setRts(true);
    emit portOpened();
    if (keepInput)
        readInput(); // what waited for the port is there now, not only at the next arrival
    return true;
}

void ComPort::close()
{
    sendQueued();
    closeNow();
}

void ComPort::closeNow()
{
    if (!m_line)
        return;
    stopTimers();
    m_line->disconnect(this);
    if (m_holdingPeer && sendsXonXoff()) {
        // The buffer goes with the port: a peer held by our XOFF is released, or it
        // would wait for good.
        const char xon = XonChar;
        if (m_line->write(&xon, 1) > 0)
            ++m_bytesSent;
    }
    m_holdingPeer = false;
    m_line->close();
    // The line may be the sender of the signal being handled right now.
    m_closedLine = m_line.release();
    m_closedLine->deleteLater();
    m_in.clear();
    m_out.clear();
    m_control.clear();
    m_dtr = m_rts = false;
    emit portClosed();
}

void ComPort::stopTimers()
{
    if (m_pumpTimer >= 0)
        clock().cancelTimer(m_pumpTimer);
    m_pumpTimer = -1;
    for (const auto& [handle, timerId] : m_triggers)
        clock().cancelTimer(timerId);
    m_triggers.clear();
}

bool ComPort::applySettings(const PortSettings& settings, std::string& error)
{
    if (!isOpen()) {
        error = "The port is not open";
        return false;
    }
    m_refused.clear();
    const bool ok = m_line->configure(settings.line, m_refused);
    error = m_refused;
    m_settings.line = settings.line;
    m_settings.device = settings.device;
    setSoftwareFlow(settings.softwareFlow);
    return ok;
}

bool ComPort::setDtr(bool on)
{
    if (!isOpen())
        return false;
    m_dtr = on;
    return m_line->setDtr(on);
}

bool ComPort::setRts(bool on)
{
    if (!isOpen())
        return false;
    m_rts = on;
    // While RTS holds the machine because our buffer is full, it stays low.
    const bool holding = m_holdingPeer && m_settings.line.rtsCts;
    return m_line->setRts(on && !holding);
}

ModemStatus ComPort::modemStatus() const
{
    return isOpen() ? m_line->modemStatus() : ModemStatus{};
}

bool ComPort::obeysXonXoff() const
{
    return m_settings.softwareFlow == SoftwareFlow::Both || m_settings.softwareFlow == SoftwareFlow::Receive;
}

bool ComPort::sendsXonXoff() const
{
    return m_settings.softwareFlow == SoftwareFlow::Both || m_settings.softwareFlow == SoftwareFlow::Send;
}

void ComPort::setSoftwareFlow(SoftwareFlow flow)
{
    const bool wasHoldingByXoff = m_holdingPeer && sendsXonXoff();
    m_settings.softwareFlow = flow;
    if (!obeysXonXoff())
        m_heldByXoff = false;
    if (wasHoldingByXoff && !sendsXonXoff()) {
        // Nobody would ever release the machine otherwise.
        sendControl(XonChar);
        m_holdingPeer = m_settings.line.rtsCts && !m_rts;
    }
    updateReceiveHold();
    pumpOutput();
}

bool ComPort::transmitHeld() const
{
    if (m_heldByXoff)
        return true;
    return m_settings.line.rtsCts && !m_line->modemStatus().cts;
}

FlowState ComPort::flowState() const
{
    if (!obeysXonXoff() && !sendsXonXoff() && !m_settings.line.rtsCts)
        return FlowState::Off;
    if (m_heldByXoff)
        return FlowState::TransmitHeldByXoff;
    if (isOpen() && m_settings.line.rtsCts && !m_line->modemStatus().cts)
        return FlowState::TransmitHeldByCts;
    if (m_holdingPeer)
        return FlowState::ReceiveHeld;
    return FlowState::On;
}

void ComPort::readInput()
{
    if (!isOpen())
        return;
    std::string arrived;
    bool released = false;
    char chunk[1024];
    for (;;) {
        // Listening only, nothing is kept and there is always room.
        const int space = m_inSize - (m_watchOnly ? 0 : static_cast<int>(m_in.size() + arrived.size()));
        if (space <= 0) {
            // Leave the rest with the device until the reader makes room.
            m_line->setReadNotification(false);
            m_readPaused = true;
            break;
        }
        const std::int64_t n = m_line->read(chunk, std::min<int>(space, sizeof chunk));
        if (n <= 0)
            break;
        m_bytesReceived += n;
        for (std::int64_t i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (obeysXonXoff() && (c == XonChar || c == XoffChar)) {
                m_heldByXoff = c == XoffChar;
                released = released || c == XonChar;
                continue;
            }
            arrived.push_back(c);
        }
    }
    if (!arrived.empty()) {
        if (!m_watchOnly) {
            m_in += arrived;
            updateReceiveHold();
        }
        for (std::size_t i = 0; i < arrived.size() && !m_watchers.empty(); ++i) {
            const char c = arrived[i];
            // A watcher may come or go while it handles a byte.
            const std::vector<ByteWatcher*> watchers = m_watchers;
            for (ByteWatcher* watcher : watchers) {
                if (std::find(m_watchers.begin(), m_watchers.end(), watcher) != m_watchers.end())
                    watcher->onByte(c);
            }
        }
        emit dataArrived(arrived);
    }
    if (released)
        pumpOutput();
}

void ComPort::updateReceiveHold()
{
    if (!isOpen())
        return;
    const int count = static_cast<int>(m_in.size());
    if (!m_holdingPeer && count >= m_bufferFull && (sendsXonXoff() || m_settings.line.rtsCts)) {
        m_holdingPeer = true;
        if (sendsXonXoff())
            sendControl(XoffChar);
        if (m_settings.line.rtsCts)
            m_line->setRts(false);
    } else if (m_holdingPeer && count <= m_bufferResume) {
        m_holdingPeer = false;
        if (sendsXonXoff())
            sendControl(XonChar);
        if (m_settings.line.rtsCts)
            m_line->setRts(m_rts);
    }
    if (m_readPaused && count < m_inSize) {
        m_readPaused = false;
        m_line->setReadNotification(true);
    }
}

void ComPort::sendControl(char c)
{
    m_control.push_back(c);
    pumpOutput();
}

int ComPort::pieceSize() const
{
    const double perPiece = m_settings.line.charactersPerSecond() * PieceMs / 1000.0;
    return std::clamp(static_cast<int>(perPiece), MinPiece, MaxPiece);
}

void ComPort::pumpOutput()
{
    if (!isOpen())
        return;
    // Flow-control characters go ahead of the data and are never held.
    while (!m_control.empty()) {
        const std::int64_t n = m_line->write(m_control.data(), static_cast<std::int64_t>(m_control.size()));
        if (n <= 0)
            break;
        m_control.erase(0, static_cast<std::size_t>(n));
        m_bytesSent += n;
    }
    if (m_out.empty() && m_control.empty())
        return;
    if (transmitHeld()) {
        // XON arrives through readInput; CTS has no event, so look again soon.
        if (!m_heldByXoff)
            scheduleOutput(CtsPollMs);
        return;
    }
    const int piece = pieceSize();
    const double cps = m_settings.line.charactersPerSecond();
    const std::int64_t now = clock().nowMs();
    m_credit = std::min(m_credit + (now - m_creditTime) * cps / 1000.0, 2.0 * piece);
    m_creditTime = now;
    const std::int64_t deviceRoom = piece - m_line->pendingOutput();
    const std::int64_t allowed =
        std::min({static_cast<std::int64_t>(m_credit), static_cast<std::int64_t>(m_out.size()), deviceRoom});
    if (allowed > 0) {
        const std::int64_t n = m_line->write(m_out.data(), allowed);
        if (n > 0) {
            m_out.erase(0, static_cast<std::size_t>(n));
            m_credit -= static_cast<double>(n);
            m_bytesSent += n;
        }
    }
    if (!m_out.empty() || !m_control.empty()) {
        const double missing = std::max(1.0, std::min<double>(piece, m_out.size()) - m_credit);
        scheduleOutput(std::max(1.0, missing * 1000.0 / cps));
    }
}

void ComPort::scheduleOutput(double waitMs)
{
    if (m_pumpTimer >= 0)
        return;
    m_pumpTimer = clock().startTimer(static_cast<int>(std::ceil(waitMs)), [this] {
        m_pumpTimer = -1;
        pumpOutput();
    });
}

char ComPort::getChar()
{
    if (m_in.empty())
        return 0;
    const char c = m_in.front();
    m_in.erase(0, 1);
    updateReceiveHold();
    return c;
}

std::string ComPort::getBlock(int maxSize)
{
    const std::size_t n = std::min<std::size_t>(std::max(maxSize, 0), m_in.size());
    std::string block = m_in.substr(0, n);
    m_in.erase(0, n);
    updateReceiveHold();
    return block;
}

char ComPort::peekChar(int index) const
{
    return index >= 0 && index < inCount() ? m_in[static_cast<std::size_t>(index)] : 0;
}

void ComPort::unreadInput(const std::string& bytes)
{
    if (!isOpen() || m_watchOnly)
        return;
    m_in.insert(0, bytes);
    updateReceiveHold();
}

bool ComPort::putChar(char c) { return putBlock(&c, 1); }

bool ComPort::putString(const std::string& text)
{
    return putBlock(text.data(), static_cast<int>(text.size()));
}

bool ComPort::putBlock(const char* data, int size)
{
    if (!isOpen() || size > outFree())
        return false;
    m_out.append(data, static_cast<std::size_t>(size));
    pumpOutput();
    return true;
}

int ComPort::outCount() const
{
    const std::int64_t pending = isOpen() ? m_line->pendingOutput() : 0;
    return static_cast<int>(m_out.size() + m_control.size() + pending);
}

void ComPort::flushInBuffer()
{
    if (isOpen())
        m_line->discardInput();
    m_in.clear();
    updateReceiveHold();
}

void ComPort::setWatchOnly(bool on)
{
    m_watchOnly = on;
    if (on) {
        m_in.clear();
        updateReceiveHold();
    }
}

void ComPort::flushOutBuffer()
{
    if (isOpen())
        m_line->discardOutput();
    m_out.clear();
}

void ComPort::processEvents()
{
    readInput();
    pumpOutput();
}

bool ComPort::drainOutput(int timeoutMs, bool pumpEvents)
{
    return clock().waitFor([this] { return !isOpen() || outCount() == 0; }, timeoutMs, pumpEvents) && isOpen();
}

bool ComPort::sendQueued()
{
    if (!isOpen())
        return false;
    const double cps = std::max(1.0, m_settings.line.charactersPerSecond());
    const std::int64_t stallMs = 2000 + static_cast<std::int64_t>(2.0 * pieceSize() * 1000.0 / cps);
    int left = outCount();
    std::int64_t lastMove = clock().nowMs();
    clock().waitFor(
        [&] {
            if (!isOpen() || outCount() == 0)
                return true;
            if (outCount() < left) {
                left = outCount();
                lastMove = clock().nowMs();
            }
            return clock().nowMs() - lastMove >= stallMs;
        },
        -1, false);
    if (!isOpen())
        return false;
    if (outCount() == 0)
        return true;
    // Nothing that was meant for the machine goes without a word.
    std::string held;
    if (flowState() == FlowState::TransmitHeldByXoff)
        held = ", Held by XOFF";
    else if (flowState() == FlowState::TransmitHeldByCts)
        held = ", Held by CTS";
    mrw::WriteActivityLog("Data [" + mrw::LogQuote(m_out) + "] Not Delivered (" + std::to_string(outCount()) +
                          " Bytes), Port [" + m_line->name() + "]" + held);
    flushOutBuffer();
    m_control.clear();
    return false;
}

void ComPort::addByteWatcher(ByteWatcher* watcher)
{
    if (std::find(m_watchers.begin(), m_watchers.end(), watcher) == m_watchers.end())
        m_watchers.push_back(watcher);
}

void ComPort::removeByteWatcher(ByteWatcher* watcher)
{
    std::erase(m_watchers, watcher);
}

int ComPort::addTimerTrigger(int ticks)
{
    const int handle = m_nextTrigger++;
    m_triggers[handle] = clock().startTimer(ticksToMs(ticks), [this, handle] {
        m_triggers.erase(handle);
        emit triggerTimer(handle);
    });
    return handle;
}

void ComPort::removeTimerTrigger(int handle)
{
    auto found = m_triggers.find(handle);
    if (found == m_triggers.end())
        return;
    clock().cancelTimer(found->second);
    m_triggers.erase(found);
}

int ComPort::waitForAnyString(const std::vector<std::string>& strings, int timeoutTicks)
{
    int matched = -1;
    auto findMatch = [&] {
        if (!isOpen())
            return true;
        std::size_t bestEnd = std::string::npos;
        for (std::size_t i = 0; i < strings.size(); ++i) {
            if (strings[i].empty())
                continue;
            const std::size_t at = m_in.find(strings[i]);
            if (at != std::string::npos && at + strings[i].size() < bestEnd) {
                bestEnd = at + strings[i].size();
                matched = static_cast<int>(i);
            }
        }
        if (bestEnd == std::string::npos)
            return false;
        m_in.erase(0, bestEnd);
        updateReceiveHold();
        return true;
    };
    const int timeoutMs = timeoutTicks < 0 ? -1 : ticksToMs(timeoutTicks);
    clock().waitFor(findMatch, timeoutMs, true);
    return matched;
}

} // namespace dnc
