#pragma once
// The two clocks of the serial lines: the wall clock with Qt timers, and a virtual clock
// that moves only when a test or a wait moves it, firing its timers in order.
#include "dnc/engine/serial_line.h"

#include <QElapsedTimer>

#include <map>
#include <memory>

class QTimer;

namespace dnc {

class SystemClock : public LineClock {
public:
    SystemClock();
    ~SystemClock() override;

    std::int64_t nowMs() const override;
    int startTimer(int ms, std::function<void()> fire) override;
    void cancelTimer(int id) override;
    bool waitFor(const std::function<bool()>& done, int timeoutMs, bool pumpEvents) override;

    // The clock shared by everything that runs on wall time.
    static SystemClock& instance();

private:
    QElapsedTimer m_elapsed;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    int m_nextId = 1;
};

class VirtualClock : public LineClock {
public:
    std::int64_t nowMs() const override { return m_now; }
    int startTimer(int ms, std::function<void()> fire) override;
    void cancelTimer(int id) override;
    // Moves the time on in steps of a millisecond, letting queued events run between
    // the steps, until `done` or the time-out (a negative time-out stops after an hour).
    bool waitFor(const std::function<bool()>& done, int timeoutMs, bool pumpEvents) override;

    // Moves the time on by `ms`, firing every timer that falls due on the way.
    void advance(std::int64_t ms);

private:
    struct Pending {
        int id;
        std::function<void()> fire;
    };
    std::int64_t m_now = 0;
    std::multimap<std::int64_t, Pending> m_timers;
    int m_nextId = 1;
};

} // namespace dnc
