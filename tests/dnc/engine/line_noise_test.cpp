// A damaged line never yields a damaged file reported as good: each transfer
// either delivers the file intact or ends with an error.
#include <gtest/gtest.h>


#include "dnc/engine/protocol_driver.h"
#include "dnc/engine/transfer_protocols.h"
#include "proto_noise_relay.h"
#include "proto_peer.h"
#include "proto_simulated_line.h"
#include "support/temp_folder.h"

using namespace dnc;

namespace {

struct NoiseCase {
    double dropRate;
    double changeRate;
    std::uint32_t seed;
};

const NoiseCase noiseCases[] = {
    {0, 0, 1},           // a clean line must work, or the other cases prove nothing
    {0.0002, 0.0002, 2}, // occasional damage: retries recover
    {0.001, 0.001, 3},
    {0, 0.003, 4},       // changed bytes only
    {0.003, 0, 5},       // dropped bytes only
    {0.02, 0.02, 6},     // a line this bad mostly ends in an error
};

TransferOptions shortTimings()
{
    TransferOptions t;
    t.handshakeWaitMs = 3000;
    t.finishWaitMs = 3000;
    t.blockWaitMs = 300;
    t.quietMs = 20;
    t.retries = 10;
    return t;
}

class LineNoiseTest : public ::testing::TestWithParam<ProtocolType> {};

// Our sender and receiver over the simulated line, at 9,600 baud on its own clock: the
// engines' real time-outs run out without being waited for.
TEST_P(LineNoiseTest, DeliversIntactOrFails)
{
    const std::string data = prototest::allByteValues(12000);
    for (const NoiseCase& noise : noiseCases) {
        SCOPED_TRACE("drop " + std::to_string(noise.dropRate) + " change " + std::to_string(noise.changeRate));
        prototest::Damage damage;
        damage.drop = noise.dropRate;
        damage.change = noise.changeRate;
        prototest::SimulatedLine line(noise.seed, damage, 1000, 0);
        auto sender = makeSendEngine(GetParam(), data, "PART.TAP", TransferOptions{});
        auto receiver = makeReceiveEngine(GetParam(), TransferOptions{});
        std::string received;
        ASSERT_TRUE(line.run(*sender, *receiver, received)) << "still running after hours of line time";
        if (receiver->result() == ProtocolOk) {
            EXPECT_TRUE(received == data) << "reported good with " << received.size() << " bytes";
        }
        if (noise.dropRate == 0 && noise.changeRate == 0) {
            EXPECT_EQ(receiver->result(), ProtocolOk) << receiver->resultText();
            EXPECT_EQ(sender->result(), ProtocolOk) << sender->resultText();
        }
    }
}

// Our receivers against the standard senders, across the damaging relay.
TEST_P(LineNoiseTest, StandardSenderDeliversIntactOrFails)
{
    const char* senders[] = {"", "sx -b in.bin", "sb -b in.bin", "sz -b in.bin", "gkermit -q -i -P -s in.bin"};
    const std::string data = prototest::allByteValues(12000);
    for (const NoiseCase& noise : {noiseCases[0], noiseCases[1], noiseCases[2]}) {
        SCOPED_TRACE("drop " + std::to_string(noise.dropRate) + " change " + std::to_string(noise.changeRate));
        testsupport::TempFolder dir;
        dir.write("in.bin", data);
        prototest::PeerLink peer(dir.path(), dir.path(), senders[static_cast<int>(GetParam())]);
        ASSERT_TRUE(peer.ok());
        prototest::NoisyLink link(peer.fd(), noise.dropRate, noise.changeRate, noise.seed);
        ASSERT_TRUE(link.ok());
        auto receiver = makeReceiveEngine(GetParam(), shortTimings());
        ReceivedFile file(dir.file("got.tap"));
        ASSERT_TRUE(file.open());
        int result = FdTransferDriver(link.slaveB(), link.slaveB()).run(*receiver, &file);
        if (result == ProtocolOk) {
            EXPECT_TRUE(dir.read("got.tap") == data) << "reported good, " << link.damaged() << " bytes damaged";
        }
        if (noise.dropRate == 0 && noise.changeRate == 0) {
            EXPECT_EQ(result, ProtocolOk) << receiver->resultText();
        }
    }
}

std::string protocolLabel(const ::testing::TestParamInfo<ProtocolType>& info)
{
    static const char* const names[] = {"Ascii", "Xmodem", "Ymodem", "Zmodem", "Kermit"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Protocols, LineNoiseTest,
                         ::testing::Values(ProtocolType::XmodemCrc, ProtocolType::Ymodem, ProtocolType::Zmodem,
                                           ProtocolType::Kermit),
                         protocolLabel);

}  // namespace
