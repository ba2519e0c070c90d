// Kermit over a line of seven data bits: bytes above 7Fh go with the 8th-bit prefix.
#include <gtest/gtest.h>

#include "proto_memory_link.h"
#include "proto_peer.h"

using namespace dnc;

TEST(KermitSevenBitLine, AllByteValuesArriveWithEighthBitPrefixes)
{
    const std::string data = prototest::allByteValues(3000);
    auto sevenBits = [](std::string bytes) {
        for (char& c : bytes)
            c = static_cast<char>(c & 0x7F);
        return bytes;
    };
    TransferOptions options;
    options.sevenBitLine = true;
    int result = -1;
    EXPECT_TRUE(prototest::transferInMemory(ProtocolType::Kermit, data, &result, options, sevenBits) == data);
    EXPECT_EQ(result, ProtocolOk);

    // Without the prefixes the eighth bit is lost, and the checks say so.
    result = -1;
    EXPECT_FALSE(prototest::transferInMemory(ProtocolType::Kermit, data, &result, {}, sevenBits) == data);
    EXPECT_NE(result, ProtocolOk);
}
