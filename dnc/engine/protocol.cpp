#include "dnc/engine/protocol.h"

#include "dnc/engine/comport.h"
#include "platform/paths.h"

#include <QMetaObject>

namespace dnc {

std::string protocolResultText(int code)
{
    switch (code) {
    case ProtocolOk: return "Transfer complete";
    case ProtocolTimeout: return "Timed out waiting for the other side";
    case ProtocolTooManyErrors: return "Too many errors";
    case ProtocolCancelledByRemote: return "Cancelled by the other side";
    case ProtocolSequenceError: return "Block sequence error";
    case ProtocolCancelled: return "Cancelled by the user";
    case ProtocolFileError: return "File cannot be read or written";
    case ProtocolRemoteError: return "The other side reported an error";
    case ProtocolOneFileOnly: return "Only one file can be received";
    case ProtocolPortClosed: return "The port is not open";
    case ProtocolEndNotConfirmed: return "The data was acknowledged, but the end of the transfer was not confirmed";
    default: return "Unknown error " + std::to_string(code);
    }
}

Protocol::Protocol(ComPort& port, QObject* parent) : QObject(parent), m_port(port) {}

Protocol::~Protocol() = default;

bool Protocol::startTransmit(const std::string& fileName, const std::string& announcedName)
{
    if (inProgress())
        return false;
    m_announcedName = announcedName;
    return start(fileName, true);
}

std::string Protocol::announcedName() const
{
    return platform::fileNamePart(m_announcedName.empty() ? m_status.fileName : m_announcedName);
}

bool Protocol::startReceive(const std::string& fileName) { return start(fileName, false); }

bool Protocol::start(const std::string& fileName, bool sending)
{
    if (m_status.inProgress)
        return false;
    m_status = ProtocolStatus{};
    m_status.protocolName = name();
    m_status.sending = sending;
    m_status.inProgress = true;
    m_status.fileName = fileName;
    m_startMs = m_lastReportMs = m_port.clock().nowMs();
    QMetaObject::invokeMethod(this, &Protocol::protocolStarted, Qt::QueuedConnection);
    if (!m_port.isOpen()) {
        finish(ProtocolPortClosed);
        return true;
    }
    if (sending)
        beginTransmit();
    else
        beginReceive();
    return true;
}

void Protocol::cancel()
{
    finish(ProtocolCancelled);
}

ProtocolStatus Protocol::status() const
{
    ProtocolStatus snapshot = m_status;
    if (snapshot.inProgress)
        snapshot.elapsedMs = m_port.clock().nowMs() - m_startMs;
    return snapshot;
}

void Protocol::finish(int code, const std::string& text)
{
    if (!m_status.inProgress)
        return;
    m_status.result = code;
    stopTransfer();
    m_status.elapsedMs = m_port.clock().nowMs() - m_startMs;
    m_status.inProgress = false;
    m_status.stateText = text.empty() ? protocolResultText(code) : text;
    const ProtocolStatus last = m_status;
    QMetaObject::invokeMethod(this, [this, last] {
        emit protocolProgress(last);
        // The other side holds the whole file when only its last answer was lost: no fatal error.
        if (last.result != ProtocolOk && last.result != ProtocolCancelled && last.result != ProtocolEndNotConfirmed)
            emit protocolError(last.result);
        emit protocolFinished(last.result);
    }, Qt::QueuedConnection);
}

void Protocol::reportProgress()
{
    const std::int64_t now = m_port.clock().nowMs();
    if (now - m_lastReportMs < ticksToMs(m_statusIntervalTicks))
        return;
    m_lastReportMs = now;
    emit protocolProgress(status());
}

} // namespace dnc
