#pragma once
// A serial line as the port sees it: a device that takes and gives bytes, carries the
// framing settings and the modem lines, and tells the time. Two kinds exist: a POSIX
// line on a tty (real ports and ptys) and a fake line with a virtual clock for tests.
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

namespace dnc {

enum class Parity { None, Odd, Even, Mark, Space };

// Framing and hardware handshake of a line.
struct LineSettings {
    int baud = 9600;
    int dataBits = 8;             // 4 to 8
    Parity parity = Parity::None;
    int stopBits = 1;             // 1, 2, or 5 meaning one and a half
    bool rtsCts = false;          // RTS/CTS hardware handshake

    // Bits on the wire for one character: start, data, parity and stop bits.
    double bitsPerCharacter() const;
    // Characters a second at the line's baud rate.
    double charactersPerSecond() const { return baud / bitsPerCharacter(); }

    bool operator==(const LineSettings&) const = default;
};

// The modem status inputs.
struct ModemStatus {
    bool cts = false;
    bool dsr = false;
    bool dcd = false;
    bool ring = false;
    bool operator==(const ModemStatus&) const = default;
};

// Time as the line sees it: the wall clock for a real device, a virtual clock that moves
// only when told to for the fake line. Timers fire from the event loop of the thread that
// started them (the GUI thread).
class LineClock {
public:
    virtual ~LineClock() = default;

    virtual std::int64_t nowMs() const = 0;

    // Calls `fire` once, `ms` milliseconds from now. The id serves cancelTimer.
    virtual int startTimer(int ms, std::function<void()> fire) = 0;
    virtual void cancelTimer(int id) = 0;

    // Waits until `done` gives true or `timeoutMs` has passed (a negative time-out waits
    // without limit); true when `done` was met. With `pumpEvents` the window events run
    // meanwhile; without it only the line's own events are looked at.
    virtual bool waitFor(const std::function<bool()>& done, int timeoutMs, bool pumpEvents) = 0;

    // Waits `ms` milliseconds.
    void wait(int ms, bool pumpEvents)
    {
        waitFor([] { return false; }, ms, pumpEvents);
    }
};

// One serial device. Reads and writes never block: write takes what the device can hold
// now, read gives what has arrived. readyRead is emitted from the event loop when bytes
// are waiting.
class SerialLine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLine() override = default;

    // The device's name for messages (a path for a POSIX line).
    virtual std::string name() const = 0;

    virtual bool open(std::string& error) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Applies framing and handshake. False with a reason when the device refuses a
    // setting; the settings it accepted stay in force.
    virtual bool configure(const LineSettings& settings, std::string& error) = 0;
    // The settings as the device holds them now (read back from the device).
    virtual LineSettings deviceSettings() const = 0;

    // Bytes taken for sending, which may be fewer than offered (or -1 on a device error).
    virtual std::int64_t write(const char* data, std::int64_t size) = 0;
    // Bytes read into `data`, at most `maxSize` (0 when none wait; -1 on a device error).
    virtual std::int64_t read(char* data, std::int64_t maxSize) = 0;
    // Bytes written but not yet sent on the wire.
    virtual std::int64_t pendingOutput() const = 0;
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;

    // While off, readyRead is not emitted (the port's input buffer is full).
    virtual void setReadNotification(bool on) = 0;

    // The modem control outputs. False when the device has no such line (a pty).
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    virtual ModemStatus modemStatus() const = 0;

    virtual LineClock& clock() = 0;

signals:
    void readyRead();
    // The device went away or failed; the text says why.
    void deviceError(const QString& reason);
};

} // namespace dnc
