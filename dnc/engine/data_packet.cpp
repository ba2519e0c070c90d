#include "dnc/engine/data_packet.h"

#include "dnc/engine/comport.h"

namespace dnc {

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return !tail.empty() && text.size() >= tail.size()
           && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

DataPacket::DataPacket(ComPort& port, QObject* parent) : QObject(parent), m_port(port)
{
    m_port.addByteWatcher(this);
}

DataPacket::~DataPacket()
{
    m_port.removeByteWatcher(this);
    stopTimer();
}

void DataPacket::setEnabled(bool on)
{
    stopTimer();
    if (on) {
        arm();
        if (m_timeoutTicks > 0) {
            m_timerClock = &m_port.clock();
            m_timer = m_timerClock->startTimer(ticksToMs(m_timeoutTicks), [this] {
                m_timer = -1;
                m_state = State::Disabled;
                emit timeout();
            });
        }
    } else {
        m_state = State::Disabled;
    }
}

void DataPacket::arm()
{
    m_state = m_start.empty() ? State::Collecting : State::WaitStart;
    m_seen.clear();
    m_data.clear();
}

void DataPacket::stopTimer()
{
    if (m_timer >= 0 && m_timerClock)
        m_timerClock->cancelTimer(m_timer);
    m_timer = -1;
}

void DataPacket::onByte(char c)
{
    switch (m_state) {
    case State::Disabled:
        return;
    case State::WaitStart:
        m_seen.push_back(c);
        if (endsWith(m_seen, m_start)) {
            m_state = State::Collecting;
            m_data.clear();
        } else if (m_seen.size() >= m_start.size()) {
            m_seen.erase(0, m_seen.size() - m_start.size() + 1);
        }
        return;
    case State::Collecting:
        m_data.push_back(c);
        if (endsWith(m_data, m_end)) {
            const std::string packet = m_data.substr(0, m_data.size() - m_end.size());
            // Re-arm first, so that the handler may disable the packet again.
            setEnabled(m_autoEnable);
            emit stringPacket(packet);
        }
        return;
    }
}

} // namespace dnc
