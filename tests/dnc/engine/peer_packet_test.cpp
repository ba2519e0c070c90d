// The engines driven with packets built by hand, as a faulty or hostile peer might
// send them: every field is range-checked, a surplus answer is not taken for the
// next block's, and a short file is never reported as received.
#include <gtest/gtest.h>

#include <functional>

#include "dnc/engine/kermit.h"
#include "dnc/engine/xmodem.h"

#include "dnc/engine/crc.h"
#include "proto_standard_sender.h"

using namespace dnc;

namespace {

constexpr char ACK = 0x06;
constexpr char EOT = 0x04;
constexpr char NAK = 0x15;

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

// The sender's last words after the break (a line end, the break again when our answer
// was lost) are taken by the receive: they never head what the line carries next.
TEST(KermitPeerFields, WhatFollowsTheBreakIsTakenBeforeTheReceiveEnds)
{
    KermitParameters theirs;
    theirs.checkType = '1';
    KermitReceiver receiver;
    receiver.start();
    receiver.receive(kermitPacket('S', theirs.encode(), 0) + kermitPacket('F', "PART.TAP", 1) +
                     kermitPacket('D', "N1", 2) + kermitPacket('Z', "", 3) + kermitPacket('B', "", 4));
    const std::string breakAnswer = kermitPacket('Y', "", 4);
    EXPECT_NE(receiver.takeOutput().find(breakAnswer), std::string::npos);
    EXPECT_FALSE(receiver.finished());
    receiver.receive("\r\n");
    receiver.receive(kermitPacket('B', "", 4));
    EXPECT_EQ(receiver.takeOutput(), breakAnswer);
    EXPECT_FALSE(receiver.finished());
    receiver.timerExpired(); // the line has been quiet
    EXPECT_TRUE(receiver.finished());
    EXPECT_EQ(receiver.result(), ProtocolOk);
    EXPECT_EQ(receiver.takeReceivedData(), "N1");
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
    // The operator reads what failed in the program's words, never the library's.
    for (const ThrowingEngine* e : {&engine, &other}) {
        EXPECT_EQ(e->resultText().find("basic_string"), std::string::npos) << e->resultText();
        EXPECT_EQ(e->resultText().find("std::"), std::string::npos) << e->resultText();
        EXPECT_NE(e->resultText().find("The transfer cannot go on: "), std::string::npos) << e->resultText();
    }
    EXPECT_NE(other.resultText().find("memory"), std::string::npos) << other.resultText();
}

std::string xmodemBlock(unsigned char number, std::string payload, std::size_t size = 128)
{
    return prototest::xmodemFrame(number, std::move(payload), size);
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
    receiver.timerExpired();  // the quiet after the repeated EOT
    EXPECT_TRUE(receiver.finished());
    EXPECT_EQ(receiver.result(), ProtocolSequenceError);
}

TEST(XmodemPeer, EotWithMoreBytesInTheSameReadIsADamagedBlock)
{
    // A block whose first byte the line turned into EOT comes in one read, as a pty
    // delivers it: the bytes after the EOT say it was no end, even when the repeat of
    // the block is damaged the same way.
    const std::string two = xmodemBlock(2, std::string(128, 'M'));
    const std::string damaged = std::string(1, EOT) + two.substr(1);
    XmodemReceiver receiver(XmodemVariant::XmodemCrc);
    receiver.start();
    receiver.receive(xmodemBlock(1, std::string(128, 'N')));
    for (int i = 0; i < 2; ++i) {
        receiver.receive(damaged);
        receiver.timerExpired();  // the quiet after it
        ASSERT_FALSE(receiver.finished()) << "a damaged block taken for the end, " << i + 1;
    }
    receiver.receive(two);
    receiver.receive(std::string(1, EOT));
    receiver.timerExpired();  // the quiet after a lone EOT
    receiver.receive(std::string(1, EOT));
    receiver.timerExpired();
    EXPECT_EQ(receiver.result(), ProtocolOk);
    EXPECT_EQ(receiver.takeReceivedData(), std::string(128, 'N') + std::string(128, 'M'));
}

TEST(XmodemPeer, BlockInsideADamagedFrameIsStillDue)
{
    // Noise that looks like the start of a long block takes block 1 in with it; a
    // forged answer may have sent the sender on to its end of file meanwhile.
    const std::string one = xmodemBlock(1, "N1");
    const std::string paths[] = {std::string("\x02\xc4\x18", 3) + one, std::string("\x01\xc4", 2) + one};
    for (const std::string& noise : paths) {
        XmodemReceiver receiver(XmodemVariant::XmodemCrc);
        receiver.start();
        receiver.receive(noise);
        receiver.timerExpired();  // the long block never completes, or the damaged one goes quiet
        for (int i = 0; i < 2; ++i) {
            receiver.receive(std::string(1, EOT));
            receiver.timerExpired();
        }
        EXPECT_TRUE(receiver.finished());
        EXPECT_EQ(receiver.result(), ProtocolSequenceError);
    }
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
    receiver.timerExpired();
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

// What the receiver answers to each step of a peer that repeats blocks; `timer`
// lets the receiver's timer run out before the step.
struct Step {
    bool timer;
    std::string bytes;
    std::string answer;
};

void runSteps(XmodemReceiver& receiver, const std::vector<Step>& steps)
{
    receiver.start();
    EXPECT_EQ(receiver.takeOutput(), "C");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].timer)
            receiver.timerExpired();
        receiver.receive(steps[i].bytes);
        EXPECT_EQ(receiver.takeOutput(), steps[i].answer) << "step " << i;
    }
}

TEST(XmodemPeer, RepeatsAnsweredAlreadyAreNotAnsweredAgain)
{
    const std::string one = xmodemBlock(1, "N1");
    const std::string two = xmodemBlock(2, "N2");
    const std::string ack(1, ACK), nak(1, NAK);
    struct Case {
        const char* what;
        XmodemVariant variant;
        std::vector<Step> steps;
    };
    const std::string header = xmodemBlock(0, std::string("PART.TAP\0" "300", 12));
    const Case cases[] = {
        // A sender that found two start requests waiting repeats block 1 at once: the
        // second request answered that repeat.  A later repeat means our ACK was lost.
        {"two start requests", XmodemVariant::XmodemCrc,
         {{true, "", "C"}, {false, one, ack}, {false, one, ""}, {false, one, ack}, {false, two, ack}}},
        {"one start request", XmodemVariant::XmodemCrc, {{false, one, ack}, {false, one, ack}}},
        {"two start requests", XmodemVariant::Ymodem,
         {{true, "", "C"}, {false, header, ack + "C"}, {false, header, ""}, {false, header, ack}}},
        // A repeated header is answered with ACK only: a further "C" would bring block 1 twice.
        {"repeated header", XmodemVariant::Ymodem, {{false, header, ack + "C"}, {false, header, ack}}},
        // Our NAK after a silence crossed the sender's own repeat: of the two copies that
        // come, one is answered by the NAK already.
        {"time-outs crossed, repeat", XmodemVariant::XmodemCrc,
         {{false, one, ack}, {true, "", nak}, {false, one, ack}, {false, one, ""}, {false, two, ack}}},
        {"time-outs crossed, new block", XmodemVariant::XmodemCrc,
         {{false, one, ack}, {true, "", nak}, {false, two, ack}, {false, two, ""}, {false, two, ack}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmodemReceiver receiver(c.variant);
        runSteps(receiver, c.steps);
        EXPECT_FALSE(receiver.finished());
    }
}

TEST(YmodemPeer, EndOfFileIsTakenAtOnceWhenTheAnnouncedLengthIsHere)
{
    XmodemReceiver receiver(XmodemVariant::Ymodem);
    runSteps(receiver, {{false, xmodemBlock(0, std::string("PART.TAP\0" "130", 12)), "\x06" "C"},
                        {false, xmodemBlock(1, std::string(128, 'N')), "\x06"},
                        {false, xmodemBlock(2, "NN"), "\x06"},
                        {false, std::string(1, EOT), ""},
                        {true, "", "\x06" "C"},  // the line stayed quiet after it
                        {false, xmodemBlock(0, ""), "\x06"}});
    EXPECT_EQ(receiver.result(), ProtocolOk);
    EXPECT_EQ(receiver.takeReceivedData(), std::string(130, 'N'));
}

// The sender took an earlier answer for the ACK of its EOT and sends the block 0
// that ends the batch where we wait for the EOT again.
TEST(YmodemPeer, BatchEndInPlaceOfTheRepeatedEotEndsTheFile)
{
    struct Case {
        const char* what;
        bool eotFirst;
        const char* length;  // announced, "" for none
        int result;
    };
    const Case cases[] = {
        {"after our NAK of an EOT, no length", true, "", ProtocolOk},
        {"after our NAK of an EOT, length here", true, "200", ProtocolOk},
        {"after our NAK of an EOT, length short", true, "1300", ProtocolSequenceError},
        {"without an EOT, length here", false, "200", ProtocolOk},
        {"without an EOT or a length", false, "", ProtocolSequenceError},
        {"without an EOT, length short", false, "1300", ProtocolSequenceError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        XmodemReceiver receiver(XmodemVariant::Ymodem);
        receiver.start();
        receiver.receive(xmodemBlock(0, std::string("PART.TAP\0", 9) + c.length));
        receiver.receive(xmodemBlock(1, std::string(200, 'N'), 1024));
        receiver.takeOutput();
        if (c.eotFirst) {
            receiver.receive(std::string(1, EOT));
            receiver.timerExpired();
            if (std::string(c.length) != "200") {
                EXPECT_EQ(receiver.takeOutput(), std::string(1, NAK));
            }
        }
        receiver.receive(xmodemBlock(0, ""));
        EXPECT_TRUE(receiver.finished());
        EXPECT_EQ(receiver.result(), c.result);
        if (c.result == ProtocolOk) {
            EXPECT_EQ(receiver.takeReceivedData().substr(0, 200), std::string(200, 'N'));
        }
    }
}

// An EOT followed at once by more bytes is the number of block 4 whose SOH was lost.
TEST(XmodemPeer, EotFollowedByMoreBytesIsNoEnd)
{
    const std::string four = xmodemBlock(4, "N4");
    const std::string nak(1, NAK);
    for (const bool confirming : {false, true}) {
        SCOPED_TRACE(confirming ? "after our NAK of an EOT" : "first EOT");
        XmodemReceiver receiver(XmodemVariant::XmodemCrc);
        runSteps(receiver, {{false, xmodemBlock(1, "N1"), "\x06"}, {false, xmodemBlock(2, "N2"), "\x06"},
                            {false, xmodemBlock(3, "N3"), "\x06"}});
        if (confirming) {
            receiver.receive(std::string(1, EOT));
            receiver.timerExpired();
            ASSERT_EQ(receiver.takeOutput(), nak);
        }
        receiver.receive(four.substr(1, 1));
        receiver.receive(four.substr(2));
        receiver.timerExpired();
        EXPECT_FALSE(receiver.finished());
        EXPECT_EQ(receiver.takeOutput(), nak);
        receiver.receive(four);
        EXPECT_EQ(receiver.takeOutput(), "\x06");
    }
}

// Whatever ends a receive, the last good block reaches the file.
TEST(XmodemPeer, EveryEndKeepsTheLastGoodBlock)
{
    const std::function<void(XmodemReceiver&)> ends[] = {
        [](XmodemReceiver& r) { r.cancel(); },
        [](XmodemReceiver& r) { r.receive(std::string(2, '\x18')); },
        [](XmodemReceiver& r) { r.receive(xmodemBlock(9, "N9")); },
    };
    for (const auto& end : ends) {
        for (XmodemVariant variant : {XmodemVariant::XmodemCrc, XmodemVariant::Ymodem}) {
            XmodemReceiver receiver(variant);
            receiver.start();
            if (variant == XmodemVariant::Ymodem)
                receiver.receive(xmodemBlock(0, std::string("PART.TAP\0" "256", 12)));
            receiver.receive(xmodemBlock(1, std::string(128, 'A')));
            receiver.receive(xmodemBlock(2, std::string(128, 'B')));
            end(receiver);
            EXPECT_TRUE(receiver.finished());
            EXPECT_EQ(receiver.takeReceivedData(), std::string(128, 'A') + std::string(128, 'B'));
        }
    }
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
