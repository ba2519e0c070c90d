// What a receive keeps of the 1Ah padding of the last block, with the engines run
// against each other in memory.
#include <gtest/gtest.h>

#include "proto_memory_link.h"

using namespace dnc;

namespace {

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
        EXPECT_EQ(prototest::transferInMemory(ProtocolType::XmodemCrc, c.sent, &result), c.kept);
        EXPECT_EQ(result, ProtocolOk);
    }
}

TEST(XmodemPadding, AnnouncedSizesKeepEveryByte)
{
    // YMODEM, ZMODEM and Kermit know the length: a trailing 1Ah is data.
    const std::string tape = std::string("\x1A\x1A", 2) + std::string(2000, '\x1A');
    for (ProtocolType type : {ProtocolType::Ymodem, ProtocolType::Zmodem, ProtocolType::Kermit}) {
        int result = -1;
        EXPECT_TRUE(prototest::transferInMemory(type, tape, &result) == tape) << static_cast<int>(type);
        EXPECT_EQ(result, ProtocolOk);
    }
}

}  // namespace
