// Data packets picking framed requests and replies out of the arriving bytes.
#include "dnc/engine/comport.h"
#include "dnc/engine/data_packet.h"
#include "dnc/engine/fake_line.h"

#include <gtest/gtest.h>

namespace dnc {
namespace {

struct PacketRig {
    PacketRig()
    {
        std::string error;
        EXPECT_TRUE(port.open(std::make_unique<FakeLine>(device), PortSettings{}, error));
    }
    DataPacket& add(const std::string& start, const std::string& end, int timeoutTicks = 0)
    {
        auto packet = std::make_unique<DataPacket>(port);
        packet->setStartString(start);
        packet->setEndString(end);
        packet->setTimeoutTicks(timeoutTicks);
        QObject::connect(packet.get(), &DataPacket::stringPacket,
                         [this, name = start](const std::string& data) { got.push_back(name + "|" + data); });
        QObject::connect(packet.get(), &DataPacket::timeout, [this, name = start] {
            got.push_back(name + "|timeout@" + std::to_string(device->clock.nowMs()));
        });
        packets.push_back(std::move(packet));
        return *packets.back();
    }

    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    ComPort port;
    std::vector<std::unique_ptr<DataPacket>> packets;
    std::vector<std::string> got;
};

TEST(DataPacket, StartAndEndStringsAcrossPieces)
{
    PacketRig rig;
    rig.add("SND", ")").setEnabled(true);
    rig.add("PTH", "\r").setEnabled(true);
    rig.device->feed("noise SN");
    rig.device->feed("D O1234)PT");
    rig.device->feed("HC:\\NC\\\rSSND(A)SND(B)");
    EXPECT_EQ(rig.got, (std::vector<std::string>{"SND| O1234", "PTH|C:\\NC\\", "SND|(A", "SND|(B"}));
    // The data stays in the port's buffer for whoever reads it.
    EXPECT_TRUE(rig.port.charReady());
}

TEST(DataPacket, AnyDataStartAndNoAutoEnable)
{
    PacketRig rig;
    DataPacket& reply = rig.add("", "\r");
    reply.setEnabled(true);
    rig.device->feed("O12\b3\rlater\r");
    EXPECT_EQ(rig.got, (std::vector<std::string>{"|O12\b3", "|later"}));

    DataPacket& once = rig.add("RCV", "\r");
    once.setAutoEnable(false);
    once.setEnabled(true);
    rig.got.clear();
    rig.device->feed("RCV A\rRCV B\r");
    EXPECT_EQ(rig.got, (std::vector<std::string>{"|RCV A", "RCV| A", "|RCV B"}));
    EXPECT_FALSE(once.isEnabled());
}

TEST(DataPacket, TimeOutCountsFromEnablingAndDisables)
{
    PacketRig rig;
    DataPacket& packet = rig.add("DIR", ")", 200);
    packet.setEnabled(true);
    rig.device->clock.advance(200 * 55 - 1);
    EXPECT_TRUE(rig.got.empty());
    rig.device->clock.advance(1);
    EXPECT_EQ(rig.got, (std::vector<std::string>{"DIR|timeout@11000"}));
    EXPECT_FALSE(packet.isEnabled());
    rig.device->feed("DIR*.TAP)");
    EXPECT_EQ(rig.got.size(), 1u); // disabled: nothing
    packet.setEnabled(true);
    rig.device->feed("DIR*.TAP)");
    EXPECT_EQ(rig.got.back(), "DIR|*.TAP");
    packet.setEnabled(false);
    rig.device->clock.advance(20000);
    EXPECT_EQ(rig.got.size(), 2u); // a disabled packet never times out
}

} // namespace
} // namespace dnc
