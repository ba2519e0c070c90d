#pragma once
// The terminal's side of the port's input. While the terminal is active it takes every
// byte that arrives and hands it on to be shown; inactive, it leaves the input to others.
// What already waits when it becomes active is read from the event loop, not at once: a
// transfer that takes the input right after (a send that waited for XON, say) still
// finds its first bytes, and the reader, inactive again by then, leaves them alone.
#include <QObject>

#include <functional>
#include <string>

namespace dnc {

class ComPort;

class TerminalReader : public QObject {
    Q_OBJECT
public:
    using Show = std::function<void(const std::string&)>;
    explicit TerminalReader(Show show, QObject* parent = nullptr);

    void setPort(ComPort* port);
    void setActive(bool active);
    bool isActive() const { return m_active; }

private:
    void read();

    Show m_show;
    ComPort* m_port = nullptr;
    QMetaObject::Connection m_connection;
    bool m_active = false;
};

} // namespace dnc
