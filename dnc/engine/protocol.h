#pragma once
// A file-transfer protocol running over the port: ASCII, XMODEM-CRC, YMODEM, ZMODEM and
// Kermit share this face. A transfer is started, runs on from the event loop while the
// caller goes on, reports its progress, and ends with one finish event carrying a result
// code (0 when the file went through). Fatal errors are also reported by an error event
// just before the finish event. Events are always delivered from the event loop, never
// from inside the call that caused them.
#include <QObject>

#include <cstdint>
#include <string>

namespace dnc {

class ComPort;

// Result codes of a transfer.
enum ProtocolResult : int {
    ProtocolOk = 0,
    ProtocolTimeout = -6001,           // no answer, or output held longer than allowed
    ProtocolTooManyErrors = -6002,
    ProtocolCancelledByRemote = -6003,
    ProtocolSequenceError = -6004,
    ProtocolCancelled = -6005,         // cancelled by the user
    ProtocolFileError = -6006,         // the file cannot be read or written
    ProtocolRemoteError = -6007,
    ProtocolOneFileOnly = -6008,
    ProtocolPortClosed = -6009,        // the port is closed or the device failed
    ProtocolEndNotConfirmed = -6010,   // every data packet was acknowledged, the end was not
};

// The text shown for a result code ("Protocol Error:  " + this text).
std::string protocolResultText(int code);

// The protocol numbers of the machine record.
enum class ProtocolType { Ascii = 0, XmodemCrc = 1, Ymodem = 2, Zmodem = 3, Kermit = 4 };

// How far a transfer has come, as the protocol counts it.
struct TransferCounts {
    std::int64_t fileSize = -1;     // -1 while unknown
    std::int64_t bytesTransferred = 0;
    std::int64_t blocks = 0;
    int blockSize = 0;
    int blockErrors = 0;            // errors since the last good block
    int totalErrors = 0;
};

// What a status window shows of a running or finished transfer.
struct ProtocolStatus : TransferCounts {
    std::string protocolName;
    bool sending = false;
    bool inProgress = false;
    std::string fileName;           // the file on disk
    std::int64_t elapsedMs = 0;
    std::string stateText;          // what the protocol is doing, for the status window
    int result = ProtocolOk;        // the result once finished
};

class Protocol : public QObject {
    Q_OBJECT
public:
    explicit Protocol(ComPort& port, QObject* parent = nullptr);
    ~Protocol() override;

    virtual std::string name() const = 0;

    // Starts sending `fileName` or receiving into it. False when a transfer is already
    // running; any other failure (a file that cannot be opened, a closed port) is
    // reported by the events like every other end of a transfer. A sent file is announced
    // to the receiver (where the protocol carries a name) as `announcedName`, by default
    // as the file's own name: a scratch file goes under the program's name.
    bool startTransmit(const std::string& fileName, const std::string& announcedName = {});
    bool startReceive(const std::string& fileName);

    // The operator cancels: the transfer stops and finishes with ProtocolCancelled; a
    // received file keeps what arrived.
    void cancel();

    bool inProgress() const { return m_status.inProgress; }
    ProtocolStatus status() const;

    // How often progress is reported, in 55-ms ticks (10 by default).
    void setStatusIntervalTicks(int ticks) { m_statusIntervalTicks = ticks; }

signals:
    void protocolStarted();
    void protocolProgress(const dnc::ProtocolStatus& status);
    void protocolError(int code);
    void protocolFinished(int code);

protected:
    ComPort& port() const { return m_port; }
    ProtocolStatus& mutableStatus() { return m_status; }
    // The name the receiver is told, without its folder.
    std::string announcedName() const;

    // Begin the transfer of m_status.fileName; call finish() when done or failed.
    virtual void beginTransmit() = 0;
    virtual void beginReceive() = 0;
    // Stop all work at once (cancel or finish; status().result already holds the
    // result); the base reports it.
    virtual void stopTransfer() = 0;

    // Ends the transfer with `code` and queues the events. Only the first call counts.
    // `text` says what ended it, for the status window (by default the code's text).
    void finish(int code, const std::string& text = {});
    // Reports progress when the status interval has passed since the last report.
    void reportProgress();

private:
    bool start(const std::string& fileName, bool sending);

    ComPort& m_port;
    ProtocolStatus m_status;
    std::string m_announcedName;
    std::int64_t m_startMs = 0;
    std::int64_t m_lastReportMs = 0;
    int m_statusIntervalTicks = 10;
};

} // namespace dnc
