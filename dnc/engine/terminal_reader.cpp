#include "dnc/engine/terminal_reader.h"

#include "dnc/engine/comport.h"

namespace dnc {

TerminalReader::TerminalReader(Show show, QObject* parent) : QObject(parent), m_show(std::move(show)) {}

void TerminalReader::setPort(ComPort* port)
{
    disconnect(m_connection);
    m_port = port;
    if (m_port)
        m_connection = connect(m_port, &ComPort::dataArrived, this, &TerminalReader::read);
}

void TerminalReader::setActive(bool active)
{
    m_active = active;
    if (active)
        QMetaObject::invokeMethod(this, &TerminalReader::read, Qt::QueuedConnection);
}

void TerminalReader::read()
{
    if (!m_active || !m_port || !m_port->charReady())
        return;
    m_show(m_port->getBlock(m_port->inCount()));
}

} // namespace dnc
