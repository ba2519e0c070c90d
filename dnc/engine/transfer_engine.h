#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "dnc/engine/protocol.h"

namespace dnc {

// The fields after the name in a YMODEM or ZMODEM file header: the length, and
// when known the modification time (seconds since 1970, in octal) and a file mode.
std::string announcedFileInfo(std::size_t size, std::int64_t modified);

// The length announced by such a header: the decimal number that `fields` (the text
// after the name's NUL) begins with; -1 when there is none or it is beyond any file.
std::int64_t announcedFileSize(std::string_view fields);

// Eight CAN bytes and as many backspaces: stops an XMODEM, YMODEM or ZMODEM peer
// and erases itself on a terminal that is not in a transfer.
std::string cancelBurst();

// Time limits of a transfer, in milliseconds, and what the line carries.  The
// defaults are the terminal's fixed protocol settings: 1092 ticks to wait for a
// handshake, 3640 ticks for the end of a session (a tick is 55 ms).
struct TransferOptions {
    int handshakeWaitMs = 1092 * 55;
    int finishWaitMs = 3640 * 55;
    int blockWaitMs = 10000;  // silence that counts as a lost block or answer
    int retries = 10;         // tries of one block or handshake before giving up
    int quietMs = 100;        // silence that ends the rest of a damaged block (longer than a character at 110 baud)
    bool sevenBitLine = false; // the line has fewer than 8 data bits: Kermit asks for 8th-bit prefixes
};

// What a status window shows of a running transfer.
struct TransferStatus : TransferCounts {
    std::string protocolName;
    bool sending = false;
    std::string fileName;          // as announced on the line
};

// A file transfer protocol as a state machine without I/O of its own: the
// driver feeds it the bytes read from the line, tells it when its timer ran out
// and when the line took all output, and writes what it asks to be sent.
// The received file's bytes are handed out in order through takeReceivedData().
class TransferEngine {
public:
    virtual ~TransferEngine() = default;

    virtual void start() = 0;
    virtual void receive(std::string_view bytes) = 0;
    virtual void timerExpired() = 0;
    // The line took all queued output; a streaming sender queues more.
    virtual void outputDrained() {}
    // Output is moving on the line.  A wait for an answer counts from the last byte
    // sent, not from when it was queued: at a low baud rate a block takes seconds.
    virtual void outputMoved() {}
    // The operator cancels: the engine tells the other side and finishes with -6005.
    void cancel();

    // Makes one call into the engine (start, receive, a timer, news of the output).
    // Whatever that call throws ends the transfer with an error, the other side told
    // as by a cancel: nothing thrown by an engine reaches the caller's event loop.
    void guarded(const std::function<void()>& step) noexcept;

    std::string takeOutput();
    bool hasOutput() const { return !output_.empty(); }
    std::string takeReceivedData();

    // Timer wanted by the engine: -1 for none.  Every new request increments
    // timerSerial(), so a driver re-arms only when the serial changed.
    int timerMs() const { return timerMs_; }
    unsigned timerSerial() const { return timerSerial_; }

    bool finished() const { return finished_; }
    int result() const { return result_; }
    const std::string& resultText() const { return resultText_; }
    const TransferStatus& status() const { return status_; }

protected:
    explicit TransferEngine(TransferOptions timings) : options_(timings) {}

    virtual std::string cancelSequence() const = 0;
    // Called once as the transfer ends, however it ends (success, error, cancel):
    // an engine hands over the received bytes it still holds back.
    virtual void ending() {}

    void send(std::string_view bytes) { output_.append(bytes); }
    void send(char byte) { output_.push_back(byte); }
    void setTimer(int ms);
    void stopTimer() { setTimer(-1); }
    void deliver(std::string_view bytes);
    void finish(int code, std::string text = {});
    // Counts one error; true when the retries of the current step are used up.
    bool countError();
    void blockDone() { status_.blockErrors = 0; ++status_.blocks; }

    TransferOptions options_;
    TransferStatus status_;

private:
    std::string output_;
    std::string received_;
    int timerMs_ = -1;
    unsigned timerSerial_ = 0;
    bool finished_ = false;
    int result_ = ProtocolOk;
    std::string resultText_;
};

}  // namespace dnc
