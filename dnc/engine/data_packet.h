#pragma once
// A data packet watches the bytes arriving at the port and picks out one framed piece:
// it starts at a start string (or at any data), collects up to an end string (neither
// string is part of the packet) and reports the data. A packet that is not complete
// within its time-out, counted from the moment it was enabled, reports a time-out and
// stays disabled until enabled again.
#include "dnc/engine/comport.h"

#include <QObject>

#include <string>

namespace dnc {

class DataPacket : public QObject, private ByteWatcher {
    Q_OBJECT
public:
    explicit DataPacket(ComPort& port, QObject* parent = nullptr);
    ~DataPacket() override;

    // An empty start string starts the packet on any data.
    void setStartString(std::string start) { m_start = std::move(start); }
    void setEndString(std::string end) { m_end = std::move(end); }
    // Time-out in 55-ms ticks; 0 waits without limit.
    void setTimeoutTicks(int ticks) { m_timeoutTicks = ticks; }
    // Whether the packet enables itself again after reporting its data (on by default).
    void setAutoEnable(bool on) { m_autoEnable = on; }

    // Enabling (again) starts looking for a new packet and restarts the time-out.
    void setEnabled(bool on);
    bool isEnabled() const { return m_state != State::Disabled; }

signals:
    void stringPacket(const std::string& data);
    void timeout();

private:
    enum class State { Disabled, WaitStart, Collecting };

    void onByte(char c) override;
    void arm();
    void stopTimer();

    ComPort& m_port;
    std::string m_start;
    std::string m_end;
    int m_timeoutTicks = 0;
    bool m_autoEnable = true;
    State m_state = State::Disabled;
    std::string m_seen;  // the tail of the data while looking for the start string
    std::string m_data;  // collected since the start
    LineClock* m_timerClock = nullptr;
    int m_timer = -1;
};

} // namespace dnc
