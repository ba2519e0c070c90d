#pragma once
// The serial port of the DNC terminal: a line with our own input and output buffers,
// XON/XOFF and RTS/CTS flow control, the modem lines, timer triggers counted in 55-ms
// ticks and waits for strings. Everything runs on the GUI thread; the port's events come
// from the Qt event loop.
//
// XON/XOFF from the machine is handled here, byte by byte, and output goes to the line
// in small pieces paced to the line's character rate: the kernel's software flow control
// is late or missing on many USB adapters, and a control whose buffer overflows ruins
// the part program.
#include "dnc/engine/serial_line.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dnc {

// Who speaks XON/XOFF, numbered as the machine record stores it.
enum class SoftwareFlow {
    Both = 0,    // the PC holds the machine and obeys the machine
    None = 1,
    Send = 2,    // the PC sends XON/XOFF to hold incoming data
    Receive = 3, // the PC obeys XON/XOFF from the machine
};

struct PortSettings {
    std::string device;   // path of the device, e.g. /dev/ttyS0
    LineSettings line;
    SoftwareFlow softwareFlow = SoftwareFlow::None;
};

// The flow state: whether flow control is on and who is holding whom.
enum class FlowState {
    Off,                // no flow control
    On,                 // flow control on, nobody held
    TransmitHeldByXoff, // the machine sent XOFF; our output waits for XON
    TransmitHeldByCts,  // CTS is low; our output waits
    ReceiveHeld,        // our input buffer is full; we sent XOFF or dropped RTS
};

inline constexpr char XonChar = 0x11;
inline constexpr char XoffChar = 0x13;
inline constexpr int TickMs = 55;

// 18.2 ticks a second, truncated.
constexpr int secsToTicks(int seconds) { return seconds * 91 / 5; }
constexpr int ticksToMs(int ticks) { return ticks * TickMs; }

// Sees every received byte in order, before anyone reads it from the buffer. With several
// watchers, each byte goes to all of them before the next byte, so that requests framed
// one after another are answered in the order they came.
class ByteWatcher {
public:
    virtual void onByte(char c) = 0;

protected:
    ~ByteWatcher() = default;
};

class ComPort : public QObject {
    Q_OBJECT
public:
    explicit ComPort(QObject* parent = nullptr);
    ~ComPort() override;

    // Input buffer of `inSize` bytes, holding the sender at Round (0.75 x inSize) bytes and
    // releasing it at Round (0.25 x inSize); output buffer of `outSize` bytes. Takes effect
    // at once; bytes already in the buffers stay.
    void setBufferSizes(int inSize, int outSize);
    int inSize() const { return m_inSize; }
    int outSize() const { return m_outSize; }
    int bufferFull() const { return m_bufferFull; }
    int bufferResume() const { return m_bufferResume; }

    // Opens the port on `line` with `settings`. On failure `error` says why and the
    // port stays closed. DTR and RTS are raised on open. A device that refuses part of
    // the framing (a pty keeps neither parity nor 7-bit characters) is still opened;
    // refusedSettings() then says what it refused. What waits in the line from before is
    // dropped, unless `keepInput` (the same line opened again while a transfer's peer may
    // already be talking).
    bool open(std::unique_ptr<SerialLine> line, const PortSettings& settings, std::string& error,
              bool keepInput = false);
    const std::string& refusedSettings() const { return m_refused; }
    // Closing sends what was put first (see sendQueued); flushOutBuffer before it throws
    // that away instead.
    void close();
    bool isOpen() const;
    // Changes framing or flow control of the open port; false when the device refused
    // part of the framing (see refusedSettings).
    bool applySettings(const PortSettings& settings, std::string& error);
    const PortSettings& settings() const { return m_settings; }
    SerialLine* line() const { return m_line.get(); }
    // The line's clock (a wall clock while no line is open).
    LineClock& clock() const;

    // Modem lines. The setters give false when the device has no such line.
    bool setDtr(bool on);
    bool setRts(bool on);
    bool dtr() const { return m_dtr; }
    bool rts() const { return m_rts; }
    ModemStatus modemStatus() const;

    void setSoftwareFlow(SoftwareFlow flow);
    SoftwareFlow softwareFlow() const { return m_settings.softwareFlow; }
    FlowState flowState() const;

    // Input.
    bool charReady() const { return !m_in.empty(); }
    int inCount() const { return static_cast<int>(m_in.size()); }
    // The next character (check charReady first; gives 0 when none waits).
    char getChar();
    // Takes up to `maxSize` characters.
    std::string getBlock(int maxSize);
    char peekChar(int index = 0) const;
    // Puts bytes taken from the input back in front of it (the watchers saw them already).
    void unreadInput(const std::string& bytes);

    // Output. Each call puts all of its bytes or, when the buffer lacks room, none and
    // gives false.
    bool putChar(char c);
    bool putString(const std::string& text);
    bool putBlock(const char* data, int size);
    int outFree() const { return m_outSize - outCount(); }
    // Bytes not yet on the wire: our buffer and what the device still holds.
    int outCount() const;

    void flushInBuffer();
    void flushOutBuffer();

    // Listening only: arriving bytes go to the byte watchers and dataArrived and are then
    // dropped, for a listener that watches the line and never reads it. The buffer never
    // fills, so the line is never paused and the peer never held; turning it on drops
    // what waits and releases a held peer. Stays set across close and open.
    void setWatchOnly(bool on);
    bool watchOnly() const { return m_watchOnly; }

    // Reads what has arrived and moves output on ("the port processes pending events").
    void processEvents();
    // Waits until all output is on the wire or `timeoutMs` passed; true when drained.
    bool drainOutput(int timeoutMs, bool pumpEvents);
    // Waits, without the operator's input, while what was put keeps leaving: a transfer's
    // last answer and the menu's last words reach the machine before the port goes. Gives
    // up once nothing has left for a while (the machine holds us, or takes nothing), so a
    // close never hangs; what did not go is then written to the activity log and dropped.
    // True when all went.
    bool sendQueued();

    // One-shot timer trigger: triggerTimer(handle) fires `ticks` ticks from now.
    int addTimerTrigger(int ticks);
    void removeTimerTrigger(int handle);

    // Waits, pumping window events, until the input holds one of `strings`; the input up
    // to and including the match is consumed. Gives the index of the string found, or
    // -1 at the time-out (in ticks; a negative time-out waits without limit) or when the
    // port closes.
    int waitForAnyString(const std::vector<std::string>& strings, int timeoutTicks);

    void addByteWatcher(ByteWatcher* watcher);
    void removeByteWatcher(ByteWatcher* watcher);

    // Counters for the status lights.
    std::int64_t bytesSent() const { return m_bytesSent; }
    std::int64_t bytesReceived() const { return m_bytesReceived; }

signals:
    // New bytes arrived in the input buffer (after the byte watchers saw them).
    void dataArrived(const std::string& data);
    void triggerTimer(int handle);
    void portOpened();
    void portClosed();
    // The device failed while open (unplugged adapter).
    void portError(const QString& reason);

private:
    // Closes with whatever is still queued.
    void closeNow();
    void readInput();
    void pumpOutput();
    void scheduleOutput(double waitMs);
    void stopTimers();
    void updateReceiveHold();
    bool obeysXonXoff() const;
    bool sendsXonXoff() const;
    bool transmitHeld() const;
    int pieceSize() const;
    void sendControl(char c);

    std::unique_ptr<SerialLine> m_line;
    QPointer<SerialLine> m_closedLine;
    PortSettings m_settings;
    std::string m_refused;
    int m_inSize = 4096;
    int m_outSize = 4096;
    int m_bufferFull = 3072;
    int m_bufferResume = 1024;

    std::string m_in;       // received, not yet read
    std::string m_out;      // put, not yet given to the line
    std::string m_control;  // XON/XOFF to send ahead of the data
    bool m_dtr = false;
    bool m_rts = false;
    bool m_heldByXoff = false;  // the machine sent XOFF
    bool m_holdingPeer = false; // we sent XOFF or dropped RTS
    bool m_readPaused = false;
    bool m_watchOnly = false;

    double m_credit = 0;        // characters the pacing allows now
    std::int64_t m_creditTime = 0;
    int m_pumpTimer = -1;

    std::vector<ByteWatcher*> m_watchers;
    std::map<int, int> m_triggers; // handle -> clock timer id
    int m_nextTrigger = 1;

    std::int64_t m_bytesSent = 0;
    std::int64_t m_bytesReceived = 0;
};

} // namespace dnc
