#pragma once
// A line without a device, for tests: time is a virtual clock, everything the port does
// to the line (bytes sent, DTR and RTS changes, settings) is recorded with its time, and
// the test plays the other end by feeding bytes and setting the status inputs. The
// device outlives the line objects that the port opens and deletes, so one timeline
// covers a whole hub switch.
#include "dnc/engine/line_clock.h"
#include "dnc/engine/serial_line.h"

#include <functional>
#include <memory>
#include <vector>

namespace dnc {

class FakeLine;

struct LineEvent {
    enum Kind { Opened, Closed, Sent, Dtr, Rts, Configured };
    std::int64_t timeMs = 0;
    Kind kind = Sent;
    std::string bytes; // Sent
    bool on = false;   // Dtr, Rts
    bool operator==(const LineEvent&) const = default;
};

class FakeDevice {
public:
    VirtualClock clock;
    std::vector<LineEvent> events;
    LineSettings settings;
    ModemStatus status{true, true, true, false};
    bool dtr = false;
    bool rts = false;
    bool openFails = false;
    // Called with each piece the line sends, to play a peer that answers.
    std::function<void(const std::string&)> onSent;

    // Bytes from the other end; the open line reports them at once.
    void feed(const std::string& bytes);
    // Everything sent so far, in order.
    std::string sent() const;
    void clearEvents() { events.clear(); }

private:
    friend class FakeLine;
    std::string m_incoming;
    FakeLine* m_line = nullptr;
};

class FakeLine : public SerialLine {
    Q_OBJECT
public:
    explicit FakeLine(std::shared_ptr<FakeDevice> device, std::string name = "FAKE", QObject* parent = nullptr);
    ~FakeLine() override;

    std::string name() const override { return m_name; }
    bool open(std::string& error) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool configure(const LineSettings& settings, std::string& error) override;
    LineSettings deviceSettings() const override { return m_device->settings; }
    std::int64_t write(const char* data, std::int64_t size) override;
    std::int64_t read(char* data, std::int64_t maxSize) override;
    std::int64_t pendingOutput() const override { return 0; }
    void discardInput() override { m_device->m_incoming.clear(); }
    void discardOutput() override {}
    void setReadNotification(bool on) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    ModemStatus modemStatus() const override { return m_device->status; }
    LineClock& clock() override { return m_device->clock; }

    // The device has new bytes for the port.
    void notifyIncoming();

private:
    void record(LineEvent::Kind kind, std::string bytes = {}, bool on = false);

    std::shared_ptr<FakeDevice> m_device;
    std::string m_name;
    bool m_open = false;
    bool m_notify = true;
};

} // namespace dnc
