#include "dnc/ui/status_lights.h"

#include "dnc/engine/comport.h"

#include <QPainter>

namespace dnc::ui {

namespace {

constexpr int RefreshMs = 100;
constexpr int ErrorRefreshes = 10;
constexpr int LightWidth = 40;

} // namespace

StatusLights::StatusLights(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(RefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusLights::refresh);
}

const char* StatusLights::caption(Light light)
{
    static const char* const captions[LightCount] = {"CTS", "DSR", "DCD", "TXD", "RXD", "ERR", "BRK"};
    return captions[light];
}

void StatusLights::setPort(ComPort* port)
{
    if (m_port)
        disconnect(m_port, nullptr, this, nullptr);
    m_port = port;
    if (m_port) {
        connect(m_port, &ComPort::portError, this, [this] { m_errorTicks = ErrorRefreshes; });
        connect(m_port, &QObject::destroyed, this, [this] { m_port = nullptr; });
    }
    refresh();
}

void StatusLights::setMonitoring(bool on)
{
    m_monitoring = on;
    if (on) {
        m_lastSent = m_port ? m_port->bytesSent() : 0;
        m_lastReceived = m_port ? m_port->bytesReceived() : 0;
        m_timer.start();
    } else {
        m_timer.stop();
    }
    refresh();
}

void StatusLights::setLit(Light light, bool on)
{
    if (m_lit[light] == on)
        return;
    m_lit[light] = on;
    update();
}

void StatusLights::refresh()
{
    const bool live = m_monitoring && m_port && m_port->isOpen();
    const ModemStatus status = live ? m_port->modemStatus() : ModemStatus{};
    setLit(Cts, status.cts);
    setLit(Dsr, status.dsr);
    setLit(Dcd, status.dcd);
    setLit(Txd, live && m_port->bytesSent() != m_lastSent);
    setLit(Rxd, live && m_port->bytesReceived() != m_lastReceived);
    setLit(Err, live && m_errorTicks > 0);
    // Neither kind of line reports a received break.
    setLit(Brk, false);
    if (live) {
        m_lastSent = m_port->bytesSent();
        m_lastReceived = m_port->bytesReceived();
    }
    if (m_errorTicks > 0)
        --m_errorTicks;
}

QSize StatusLights::sizeHint() const
{
    return QSize(LightWidth * LightCount, fontMetrics().height() + 16);
}

void StatusLights::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int diameter = 10;
    for (int i = 0; i < LightCount; ++i) {
        const auto light = static_cast<Light>(i);
        const int x = i * LightWidth;
        const QColor on = light == Err || light == Brk ? QColor(220, 30, 30) : QColor(30, 200, 30);
        painter.setPen(Qt::black);
        painter.setBrush(m_lit[i] ? on : QColor(70, 70, 70));
        painter.drawEllipse(QRect(x + (LightWidth - diameter) / 2, 2, diameter, diameter));
        painter.drawText(QRect(x, diameter + 4, LightWidth, fontMetrics().height()), Qt::AlignHCenter,
                         QString::fromLatin1(caption(light)));
    }
}

} // namespace dnc::ui
