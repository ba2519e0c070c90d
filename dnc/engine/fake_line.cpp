#include "dnc/engine/fake_line.h"

#include <algorithm>

namespace dnc {

void FakeDevice::feed(const std::string& bytes)
{
    m_incoming += bytes;
    if (m_line)
        m_line->notifyIncoming();
}

std::string FakeDevice::sent() const
{
    std::string all;
    for (const LineEvent& event : events) {
        if (event.kind == LineEvent::Sent)
            all += event.bytes;
    }
    return all;
}

FakeLine::FakeLine(std::shared_ptr<FakeDevice> device, std::string name, QObject* parent)
    : SerialLine(parent), m_device(std::move(device)), m_name(std::move(name))
{
}

FakeLine::~FakeLine() { close(); }

void FakeLine::record(LineEvent::Kind kind, std::string bytes, bool on)
{
    m_device->events.push_back(LineEvent{m_device->clock.nowMs(), kind, std::move(bytes), on});
}

bool FakeLine::open(std::string& error)
{
    if (m_device->openFails) {
        error = m_name + ": cannot be opened";
        return false;
    }
    m_open = true;
    m_notify = true;
    m_device->m_line = this;
    record(LineEvent::Opened);
    return true;
}

void FakeLine::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_device->m_line == this)
        m_device->m_line = nullptr;
    record(LineEvent::Closed);
}

bool FakeLine::configure(const LineSettings& settings, std::string&)
{
    m_device->settings = settings;
    record(LineEvent::Configured);
    return true;
}

std::int64_t FakeLine::write(const char* data, std::int64_t size)
{
    if (!m_open)
        return -1;
    std::string piece(data, static_cast<std::size_t>(size));
    record(LineEvent::Sent, piece);
    if (m_device->onSent)
        m_device->onSent(piece);
    return size;
}

std::int64_t FakeLine::read(char* data, std::int64_t maxSize)
{
    if (!m_open)
        return -1;
    std::string& incoming = m_device->m_incoming;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(maxSize), incoming.size());
    std::copy_n(incoming.begin(), n, data);
    incoming.erase(0, n);
    return static_cast<std::int64_t>(n);
}

void FakeLine::setReadNotification(bool on)
{
    m_notify = on;
    if (on)
        notifyIncoming();
}

void FakeLine::notifyIncoming()
{
    if (m_open && m_notify && !m_device->m_incoming.empty())
        emit readyRead();
}

bool FakeLine::setDtr(bool on)
{
    m_device->dtr = on;
    record(LineEvent::Dtr, {}, on);
    return true;
}

bool FakeLine::setRts(bool on)
{
    m_device->rts = on;
    record(LineEvent::Rts, {}, on);
    return true;
}

} // namespace dnc
