// The block protocols on the port at a real line speed (virtual time): waits for an
// answer count from the last byte on the wire, so a slow line is not taken for a
// silent one.
#include <gtest/gtest.h>

#include <functional>

#include "dnc/engine/block_protocol.h"
#include "dnc/engine/comport.h"
#include "dnc/engine/fake_line.h"
#include "dnc/engine/transfer_protocols.h"
#include "proto_peer.h"
#include "support/temp_folder.h"

using namespace dnc;

namespace {

// One of our receive engines playing the machine at the far end of the fake line.
class EnginePeer {
public:
    EnginePeer(std::shared_ptr<FakeDevice> device, std::unique_ptr<TransferEngine> engine)
        : m_device(std::move(device)), m_engine(std::move(engine))
    {
        m_device->onSent = [this](const std::string& bytes) {
            // Answer from the event loop, not from inside the port's write.
            m_device->clock.startTimer(1, [this, bytes] { step([&] { m_engine->receive(bytes); }); });
        };
        step([this] { m_engine->start(); });
    }
    const std::string& received() const { return m_received; }
    const TransferEngine& engine() const { return *m_engine; }

private:
    void step(const std::function<void()>& call)
    {
        if (m_engine->finished())
            return;
        call();
        m_received += m_engine->takeReceivedData();
        if (std::string out = m_engine->takeOutput(); !out.empty())
            m_device->feed(out);
        if (m_engine->timerSerial() != m_serial) {
            m_serial = m_engine->timerSerial();
            if (m_timer >= 0)
                m_device->clock.cancelTimer(m_timer);
            m_timer = m_engine->timerMs() < 0 ? -1 : m_device->clock.startTimer(m_engine->timerMs(), [this] {
                m_timer = -1;
                m_serial = m_engine->timerSerial();
                step([this] { m_engine->timerExpired(); });
            });
        }
    }

    std::shared_ptr<FakeDevice> m_device;
    std::unique_ptr<TransferEngine> m_engine;
    std::string m_received;
    unsigned m_serial = 0;
    int m_timer = -1;
};

TEST(BlockProtocolSlowLine, SendsAtNineThousandSixHundredBaud)
{
    for (ProtocolType type : {ProtocolType::Zmodem, ProtocolType::Ymodem, ProtocolType::Kermit}) {
        SCOPED_TRACE(static_cast<int>(type));
        testsupport::TempFolder folder;
        const std::string data = prototest::allByteValues(60000);
        folder.write("PART.TAP", data);
        auto device = std::make_shared<FakeDevice>();
        ComPort port;
        PortSettings settings;
        settings.line.baud = 9600;
        std::string error;
        ASSERT_TRUE(port.open(std::make_unique<FakeLine>(device), settings, error)) << error;
        EnginePeer peer(device, makeReceiveEngine(type));
        BlockProtocol protocol(type, port);
        int result = 1;
        bool finished = false;
        QObject::connect(&protocol, &Protocol::protocolFinished, [&](int code) {
            result = code;
            finished = true;
        });
        ASSERT_TRUE(protocol.startTransmit(folder.file("PART.TAP")));
        ASSERT_TRUE(device->clock.waitFor([&] { return finished; }, 600000, true));
        EXPECT_EQ(result, ProtocolOk);
        EXPECT_EQ(peer.engine().result(), ProtocolOk);
        EXPECT_TRUE(peer.received() == data);
        EXPECT_EQ(protocol.status().totalErrors, 0);
        EXPECT_GT(device->clock.nowMs(), 60000);  // about a second per thousand bytes: the line set the pace
    }
}

}  // namespace
