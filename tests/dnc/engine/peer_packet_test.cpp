// The engines driven with packets built by hand, as a faulty or hostile peer might
// send them: every field is range-checked, a surplus answer is not taken for the
// next block's, and a short file is never reported as received.
#include <gtest/gtest.h>

#include "dnc/engine/kermit.h"
#include "dnc/engine/xmodem.h"

#include "dnc/engine/crc.h"

using namespace dnc;

namespace {

constexpr char ACK = 0x06;
constexpr char EOT = 0x04;

std::string kermitPacket(char type, std::string_view data, int seq = 0)
{
    return KermitFramer().frame(seq, type, data, KermitLink{});
}

// Send-Init fields a receiver cannot use: each takes its default instead.
const std::string unusableInitFields[] = {
    "~*\x1F",                           // pad count below 20h: a negative count
    "~*~",                              // pad count 94 is the most there is
    "\x1F\x1F\x1F\x1F\x1F\x1F",         // length, time-out, padding, end of line below 20h
    "~* @-#Y1~\"\x1F\x1F\x1F",          // long packets of a negative length
    "~* @\x7F#Y1~",                     // an end of line that is no control character
};

TEST(KermitPeerFields, UnusableSendInitFieldsAreAnsweredWithDefaults)
{
    // The exact line bytes of a valid Send-Init whose pad count is 1Fh.
    EXPECT_EQ(kermitPacket('S', "~*\x1F"), std::string("\x01\x26\x20\x53\x7E\x2A\x1F\x41\x0D"));
    for (const std::string& fields : unusableInitFields) {
        SCOPED_TRACE(testing::PrintToString(fields));
        KermitReceiver receiver;
        receiver.start();
        receiver.receive(kermitPacket('S', fields));
        const std::string answer = receiver.takeOutput();
        ASSERT_GE(answer.size(), 4u);
        EXPECT_LE(answer.find('\x01'), 94u);  // at most 94 pad characters before the packet
        EXPECT_EQ(answer[answer.find('\x01') + 3], 'Y');
        EXPECT_FALSE(receiver.finished());
    }
}

TEST(KermitPeerFields, UnusableFieldsInTheAnswerToOurSendInitAreReadAsDefaults)
{
    for (const std::string& fields : unusableInitFields) {
        SCOPED_TRACE(testing::PrintToString(fields));
        KermitSender sender("G01 X1\r\n", "PART.TAP");
        sender.start();
        sender.takeOutput();
        sender.receive(kermitPacket('Y', fields));
        const std::string next = sender.takeOutput();
        ASSERT_NE(next.find('\x01'), std::string::npos);
        EXPECT_LE(next.find('\x01'), 94u);
        EXPECT_EQ(next[next.find('\x01') + 3], 'F');  // the file header follows
        EXPECT_FALSE(sender.finished());
    }
}

// An engine whose step throws, as a fault deep inside one would.
class ThrowingEngine : public TransferEngine {
public:
    ThrowingEngine() : TransferEngine({}) {}
    void start() override {}
    void receive(std::string_view) override { throw std::length_error("basic_string::_M_create"); }
    void timerExpired() override { throw std::bad_alloc(); }

protected:
    std::string cancelSequence() const override { return "CANCEL"; }
};

TEST(EngineGuard, WhatAStepThrowsEndsTheTransferWithAnErrorAndACancel)
{
    ThrowingEngine engine;
    engine.guarded([&] { engine.receive("x"); });
    EXPECT_TRUE(engine.finished());
    EXPECT_EQ(engine.result(), ProtocolRemoteError);
    EXPECT_EQ(engine.takeOutput(), "CANCEL");
    EXPECT_EQ(engine.timerMs(), -1);

    ThrowingEngine other;
    other.guarded([&] { other.timerExpired(); });
    EXPECT_EQ(other.result(), ProtocolRemoteError);
}

std::string xmodemBlock(unsigned char number, std::string payload, std::size_t size = 128)
{
    payload.resize(size, '\0');
    std::string block{size == 1024 ? '\x02' : '\x01', static_cast<char>(number), static_cast<char>(255 - number)};
    block += payload;
    const std::uint16_t crc = crc16Xmodem(payload);
    block.push_back(static_cast<char>(crc >> 8));
    block.push_back(static_cast<char>(crc & 0xFF));
    return block;
}

TEST(XmodemPeer, StartRequestAfterTheFirstBlockIsNotTakenForANak)
{
    // The receiver repeats "C" while block 1 (or the header) is on its way; the sender
    // must not send it twice, or the second ACK would be taken for the next block's.
    for (XmodemVariant variant : {XmodemVariant::XmodemCrc, XmodemVariant::Ymodem}) {
        XmodemSender sender(variant, std::string(300, 'N'), "PART.TAP");
        sender.start();
        sender.receive("C");
        const std::string first = sender.takeOutput();
        ASSERT_FALSE(first.empty());
        sender.receive("C");
        EXPECT_EQ(sender.takeOutput(), "") << "the block went out twice";
        sender.receive(std::string(1, ACK));
        const std::string second = sender.takeOutput();
        if (variant == XmodemVariant::Ymodem) {
            EXPECT_EQ(second, "");  // after the header the receiver asks again
            sender.receive("C");
            EXPECT_EQ(static_cast<unsigned char>(sender.takeOutput()[1]), 1u);
        } else {
            EXPECT_EQ(static_cast<unsigned char>(second[1]), 2u);
        }
    }
}

TEST(XmodemPeer, FirstBlockLostIsSentAgainWhenTheReceiverKeepsAsking)
{
    XmodemSender sender(XmodemVariant::XmodemCrc, std::string(300, 'N'), "PART.TAP");
    sender.start();
    sender.receive("C");
    const std::string first = sender.takeOutput();
    sender.receive("C");
    sender.timerExpired();  // no answer came to it
    EXPECT_EQ(sender.takeOutput(), first);
}

TEST(XmodemPeer, SurplusAnswerInOneReadIsNotTakenForTheNextBlock)
{
    XmodemSender sender(XmodemVariant::XmodemCrc, std::string(300, 'N'), "PART.TAP");
    sender.start();
    sender.receive("C");
    sender.takeOutput();
    sender.receive(std::string(2, ACK));  // a line that repeated the answer
    const std::string out = sender.takeOutput();
    ASSERT_EQ(out.size(), 133u);
    EXPECT_EQ(static_cast<unsigned char>(out[1]), 2u);
}

TEST(XmodemPeer, EndOfFileWhileADamagedBlockIsDueIsAFailedReceive)
{
    // A sender that ran one block ahead answers our NAK of a damaged block with EOT:
    // taking it would drop that block from the file.
    XmodemReceiver receiver(XmodemVariant::XmodemCrc);
    receiver.start();
    receiver.receive(xmodemBlock(1, std::string(128, 'N')));
    std::string damaged = xmodemBlock(2, std::string(128, 'N'));
    damaged[40] ^= 0x10;
    receiver.receive(damaged);
    for (int i = 0; i < 2; ++i) {
        receiver.timerExpired();  // the quiet after the damage, then after a lone EOT
        receiver.receive(std::string(1, EOT));
    }
    EXPECT_TRUE(receiver.finished());
    EXPECT_EQ(receiver.result(), ProtocolSequenceError);
}

TEST(YmodemPeer, EndOfFileBeforeTheAnnouncedLengthIsAFailedReceive)
{
    XmodemReceiver receiver(XmodemVariant::Ymodem);
    receiver.start();
    receiver.receive(xmodemBlock(0, std::string("PART.TAP\0" "1024", 13)));
    receiver.receive(xmodemBlock(1, std::string(128, 'N')));
    receiver.receive(std::string(1, EOT));
    receiver.timerExpired();  // the quiet after a lone EOT
    receiver.receive(std::string(1, EOT));
    EXPECT_TRUE(receiver.finished());
    EXPECT_NE(receiver.result(), ProtocolOk);
    EXPECT_LT(receiver.takeReceivedData().size(), 1024u);
}

TEST(YmodemPeer, WholeAnnouncedLengthEndsWell)
{
    XmodemReceiver receiver(XmodemVariant::Ymodem);
    receiver.start();
    receiver.receive(xmodemBlock(0, std::string("PART.TAP\0" "130", 12)));
    receiver.receive(xmodemBlock(1, std::string(128, 'N')));
    receiver.receive(xmodemBlock(2, "NN"));
    receiver.receive(std::string(1, EOT));
    receiver.timerExpired();
    receiver.receive(std::string(1, EOT));
    receiver.receive(xmodemBlock(0, ""));
    EXPECT_EQ(receiver.result(), ProtocolOk);
    EXPECT_EQ(receiver.takeReceivedData(), std::string(130, 'N'));
}

}  // namespace

TEST(AnnouncedSize, NumbersBeyondAnyFileAreUnknown)
{
    struct Case { std::string_view fields; std::int64_t size; };
    const Case cases[] = {{"1024 14371573321 100644", 1024}, {"0", 0}, {"", -1}, {" 12", -1},
                          {"99999999999999999999999999", -1}, {"281474976710656", 281474976710656}};
    for (const Case& c : cases)
        EXPECT_EQ(announcedFileSize(c.fields), c.size) << c.fields;
}
