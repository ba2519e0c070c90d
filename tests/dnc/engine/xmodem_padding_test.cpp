// What a receive keeps of the 1Ah padding of the last block, with the engines run
// against each other in memory.
#include <gtest/gtest.h>

#include "dnc/engine/transfer_protocols.h"

using namespace dnc;

namespace {

// Passes the output of each engine to the other until both have finished.
std::string transfer(ProtocolType type, const std::string& data, int* receiveResult = nullptr)
{
    auto sender = makeSendEngine(type, data, "PART.TAP");
    auto receiver = makeReceiveEngine(type);
    receiver->start();
    sender->start();
    std::string received;
    for (int round = 0; round < 100000 && !(sender->finished() && receiver->finished()); ++round) {
        std::string toReceiver = sender->takeOutput();
        if (toReceiver.empty())
            sender->outputDrained();
        toReceiver += sender->takeOutput();
        receiver->receive(toReceiver);
        sender->receive(receiver->takeOutput());
        received += receiver->takeReceivedData();
        if (toReceiver.empty() && !receiver->hasOutput() && !sender->hasOutput()) {
            // Nothing moves: let the waiting side's timer run out.
            if (!receiver->finished())
                receiver->timerExpired();
            else if (!sender->finished())
                sender->timerExpired();
        }
    }
    received += receiver->takeReceivedData();
    if (receiveResult)
        *receiveResult = receiver->result();
    return received;
}

TEST(XmodemPadding, ReceiveDropsOnlyThePaddingRunOfTheLastBlock)
{
    struct Case { std::string sent; std::string kept; };
    const std::string block(128, 'N');
    const Case cases[] = {
        {"G01X1\r\n", "G01X1\r\n"},
        {"(\x1A)\x1A\r\n", "(\x1A)\x1A\r\n"},                    // 1Ah inside the text stays
        {std::string("%\x1A\x1A", 3), "%"},                     // 1Ah at the very end is taken for padding
        {block, block},                                         // a full last block has no padding
        {std::string(127, 'N') + '\x1A', std::string(127, 'N')},
        {"\x1A" + block, "\x1A" + block},                       // earlier blocks are kept whole
        {"", ""},
    };
    for (const Case& c : cases) {
        int result = -1;
        EXPECT_EQ(transfer(ProtocolType::XmodemCrc, c.sent, &result), c.kept);
        EXPECT_EQ(result, ProtocolOk);
    }
}

TEST(XmodemPadding, AnnouncedSizesKeepEveryByte)
{
    // YMODEM, ZMODEM and Kermit know the length: a trailing 1Ah is data.
    const std::string tape = std::string("\x1A\x1A", 2) + std::string(2000, '\x1A');
    for (ProtocolType type : {ProtocolType::Ymodem, ProtocolType::Zmodem, ProtocolType::Kermit}) {
        int result = -1;
        EXPECT_TRUE(transfer(type, tape, &result) == tape) << static_cast<int>(type);
        EXPECT_EQ(result, ProtocolOk);
    }
}

}  // namespace
