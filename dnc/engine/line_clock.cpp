#include "dnc/engine/line_clock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace dnc {

SystemClock::SystemClock() { m_elapsed.start(); }
SystemClock::~SystemClock() = default;

SystemClock& SystemClock::instance()
{
    static SystemClock clock;
    return clock;
}

std::int64_t SystemClock::nowMs() const { return m_elapsed.elapsed(); }

int SystemClock::startTimer(int ms, std::function<void()> fire)
{
    const int id = m_nextId++;
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id, fire = std::move(fire)] {
        // Take the timer out first: the call may start or cancel timers.
        auto found = m_timers.find(id);
        if (found == m_timers.end())
            return;
        std::unique_ptr<QTimer> done = std::move(found->second);
        m_timers.erase(found);
        done.release()->deleteLater();
        fire();
    });
    timer->start(std::max(0, ms));
    m_timers.emplace(id, std::move(timer));
    return id;
}

void SystemClock::cancelTimer(int id)
{
    auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    found->second->stop();
    found->second.release()->deleteLater();
    m_timers.erase(found);
}

bool SystemClock::waitFor(const std::function<bool()>& done, int timeoutMs, bool pumpEvents)
{
    // Without pumping, the operator's input waits; the line's own notifiers and timers
    // still run, or output could never drain.
    const auto flags = QEventLoop::WaitForMoreEvents
                       | (pumpEvents ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    const std::int64_t deadline = timeoutMs < 0 ? -1 : nowMs() + timeoutMs;
    QTimer wake; // wakes the wait for the time-out and for conditions that no event signals
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(timeoutMs >= 0 && timeoutMs < 5 ? std::max(timeoutMs, 1) : 5);
    for (;;) {
        if (done())
            return true;
        if (deadline >= 0 && nowMs() >= deadline)
            return false;
        QCoreApplication::processEvents(flags);
    }
}

int VirtualClock::startTimer(int ms, std::function<void()> fire)
{
    const int id = m_nextId++;
    m_timers.emplace(m_now + std::max(0, ms), Pending{id, std::move(fire)});
    return id;
}

void VirtualClock::cancelTimer(int id)
{
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.id == id) {
            m_timers.erase(it);
            return;
        }
    }
}

void VirtualClock::advance(std::int64_t ms)
{
    const std::int64_t target = m_now + ms;
    while (!m_timers.empty() && m_timers.begin()->first <= target) {
        auto first = m_timers.begin();
        m_now = std::max(m_now, first->first);
        std::function<void()> fire = std::move(first->second.fire);
        m_timers.erase(first);
        fire();
    }
    // A timer's call may have waited and moved the time on further itself.
    m_now = std::max(m_now, target);
}

bool VirtualClock::waitFor(const std::function<bool()>& done, int timeoutMs, bool /*pumpEvents*/)
{
    const std::int64_t limit = timeoutMs < 0 ? 3600 * 1000 : timeoutMs;
    const std::int64_t deadline = m_now + limit;
    for (;;) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        if (m_now >= deadline)
            return false;
        advance(1);
    }
}

} // namespace dnc
