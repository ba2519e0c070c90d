#pragma once
// XMODEM-CRC, YMODEM, ZMODEM and Kermit on the port: runs one of the protocol
// engines from the event loop, feeding it what arrives and giving the port what it
// sends, with the engine's timers on the line's clock.
#include "dnc/engine/protocol.h"
#include "dnc/engine/protocol_driver.h"
#include "dnc/engine/transfer_engine.h"

#include <memory>
#include <string>

namespace dnc {

class BlockProtocol : public Protocol {
    Q_OBJECT
public:
    BlockProtocol(ProtocolType type, ComPort& port, QObject* parent = nullptr);
    ~BlockProtocol() override;

    std::string name() const override;
    ProtocolType type() const { return m_type; }

    // Takes effect at the next start; the defaults are the terminal's fixed settings.
    // Whether the line has 8 data bits is taken from the port at each start.
    void setOptions(const TransferOptions& options) { m_options = options; }

protected:
    void beginTransmit() override;
    void beginReceive() override;
    void stopTransfer() override;

private:
    void run(std::unique_ptr<TransferEngine> engine);
    void onInput();
    void afterStep();
    void pushOutput();
    void armEngineTimer();
    void schedulePump();
    void releaseSoftwareFlow();

    ProtocolType m_type;
    TransferOptions m_options;
    std::unique_ptr<TransferEngine> m_engine;
    std::unique_ptr<ReceivedFile> m_file;
    std::string m_pending;        // engine output the port had no room for yet
    unsigned m_timerSerial = 0;
    int m_engineTimer = -1;
    int m_pumpTimer = -1;
    int m_flushTries = 0;         // after the end: pump attempts left for the last answer
    int m_lastOutCount = 0;       // the port's untransmitted bytes at the last look
    bool m_flowChanged = false;
    int m_savedFlow = 0;
    QMetaObject::Connection m_input;
};

// The block protocol of a transfer on the port; null for ASCII, which the port layer has.
std::unique_ptr<Protocol> makeBlockProtocol(ProtocolType type, ComPort& port);

}  // namespace dnc
