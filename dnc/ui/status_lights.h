#pragma once
// The seven status lights of the DNC terminal: the modem inputs CTS, DSR and DCD, data
// going out (TXD) and coming in (RXD), a device error (ERR) and a break (BRK). While on,
// the lights follow the port, looked at ten times a second; off, they are all dark.
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

namespace dnc {
class ComPort;
}

namespace dnc::ui {

class StatusLights : public QWidget {
    Q_OBJECT
public:
    enum Light { Cts, Dsr, Dcd, Txd, Rxd, Err, Brk, LightCount };

    explicit StatusLights(QWidget* parent = nullptr);

    void setPort(ComPort* port);
    void setMonitoring(bool on);
    bool isMonitoring() const { return m_monitoring; }

    bool isLit(Light light) const { return m_lit[light]; }
    static const char* caption(Light light);

    // Looks at the port now (the timer does this on its own).
    void refresh();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setLit(Light light, bool on);

    ComPort* m_port = nullptr;
    bool m_monitoring = false;
    std::array<bool, LightCount> m_lit{};
    std::int64_t m_lastSent = 0;
    std::int64_t m_lastReceived = 0;
    int m_errorTicks = 0; // refreshes the ERR light stays lit
    QTimer m_timer;
};

} // namespace dnc::ui
