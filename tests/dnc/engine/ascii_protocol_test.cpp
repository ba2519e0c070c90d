// The ASCII protocol: translation, delays and time-outs on the fake line (virtual time),
// and whole transfers through a pty pair to the simulated control.
#include "dnc/engine/ascii_protocol.h"
#include "dnc/engine/comport.h"
#include "dnc/engine/fake_line.h"
#include "dnc/engine/posix_line.h"
#include "tests/dnc/engine/sim_control.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace dnc {
namespace {

using LE = LineEndTranslation;

TEST(AsciiTranslation, EachModeForCrAndLf)
{
    struct Case {
        LE cr, lf;
        const char* out;
    };
    const Case cases[] = {
        {LE::None, LE::None, "A\r\nB\rC\n"},
        {LE::AddCrBefore, LE::None, "A\r\r\nB\r\rC\n"},
        {LE::AddLfAfter, LE::None, "A\r\n\nB\r\nC\n"},
        {LE::Strip, LE::None, "A\nBC\n"},
        {LE::None, LE::AddCrBefore, "A\r\r\nB\rC\r\n"},
        {LE::None, LE::AddLfAfter, "A\r\n\nB\rC\n\n"},
        {LE::None, LE::Strip, "A\rB\rC"},
        {LE::Strip, LE::AddCrBefore, "A\r\nBC\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(translateLineEnds("A\r\nB\rC\n", c.cr, c.lf), c.out)
            << static_cast<int>(c.cr) << " " << static_cast<int>(c.lf);
}

// Records the events of one transfer.
struct Events {
    explicit Events(Protocol& protocol)
    {
        QObject::connect(&protocol, &Protocol::protocolStarted, [this] { log.push_back("start"); });
        QObject::connect(&protocol, &Protocol::protocolError,
                         [this](int code) { log.push_back("error " + std::to_string(code)); });
        QObject::connect(&protocol, &Protocol::protocolFinished, [this](int code) {
            log.push_back("finish " + std::to_string(code));
            finished = true;
        });
    }
    std::vector<std::string> log;
    bool finished = false;
};

struct FakeRig {
    FakeRig()
    {
        std::string error;
        PortSettings settings;
        settings.line.baud = 9600;
        settings.softwareFlow = SoftwareFlow::Receive;
        EXPECT_TRUE(port.open(std::make_unique<FakeLine>(device), settings, error));
    }
    bool run(int timeoutMs = 600000) { return device->clock.waitFor([this] { return events.finished; }, timeoutMs, true); }
    std::vector<const LineEvent*> sentEvents() const
    {
        std::vector<const LineEvent*> sent;
        for (const LineEvent& event : device->events) {
            if (event.kind == LineEvent::Sent)
                sent.push_back(&event);
        }
        return sent;
    }

    testsupport::TempFolder folder;
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    ComPort port;
    AsciiProtocol ascii{port};
    Events events{ascii};
};

TEST(AsciiProtocol, SendTranslatesAndFinishes)
{
    FakeRig rig;
    const std::string body(40, 'X'); // more than the first piece: still running after the start
    rig.folder.write("O1.TAP", "%\nN1G00\r\n" + body + "\n%\n");
    rig.ascii.setOptions({.cr = LE::Strip, .lf = LE::AddCrBefore});
    ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("O1.TAP")));
    EXPECT_FALSE(rig.ascii.startTransmit(rig.folder.file("O1.TAP"))); // one at a time
    ASSERT_TRUE(rig.run());
    const std::string expected = "%\r\nN1G00\r\n" + body + "\r\n%\r\n";
    EXPECT_EQ(rig.device->sent(), expected);
    EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "finish 0"}));
    const ProtocolStatus status = rig.ascii.status();
    EXPECT_EQ(status.bytesTransferred, static_cast<std::int64_t>(expected.size()));
    EXPECT_EQ(status.fileSize, static_cast<std::int64_t>(expected.size()));
    EXPECT_FALSE(status.inProgress);
}

TEST(AsciiProtocol, CharacterAndLineDelays)
{
    FakeRig rig;
    rig.folder.write("D.TAP", "AB\r\nC");
    rig.ascii.setOptions({.charDelayMs = 20, .lineDelayMs = 300});
    ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("D.TAP")));
    ASSERT_TRUE(rig.run());
    const auto sent = rig.sentEvents();
    ASSERT_EQ(sent.size(), 5u); // one character at a time
    EXPECT_EQ(rig.device->sent(), "AB\r\nC");
    for (std::size_t i = 1; i < sent.size(); ++i) {
        const std::int64_t gap = sent[i]->timeMs - sent[i - 1]->timeMs;
        EXPECT_GE(gap, i == 4 ? 320 : 20) << i; // the line ends at LF, not at the CR before it
        EXPECT_LT(gap, i == 4 ? 320 + 40 : 60) << i;
    }
}

TEST(AsciiProtocol, ReceiveTranslatesAndEndsAtTheEofTimeout)
{
    FakeRig rig;
    rig.ascii.setOptions({.cr = LE::AddLfAfter, .lf = LE::Strip, .eofTimeoutTicks = secsToTicks(2)});
    const std::string file = rig.folder.file("IN.TAP");
    rig.folder.write("IN.TAP", "an older program that is replaced");
    ASSERT_TRUE(rig.ascii.startReceive(file));
    rig.device->clock.advance(1000);
    rig.device->feed("%\r\nN1\r");
    rig.device->clock.advance(1500);
    rig.device->feed("N2\r\n%\r\n");
    const std::int64_t lastData = rig.device->clock.nowMs();
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.device->clock.nowMs() - lastData, ticksToMs(secsToTicks(2)));
    EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "finish 0"}));
    EXPECT_EQ(rig.folder.read("IN.TAP"), "%\r\nN1\r\nN2\r\n%\r\n");
    EXPECT_EQ(rig.ascii.status().bytesTransferred, 13); // as received, before translation
}

TEST(AsciiProtocol, CtrlZEndsTheReceiveUnlessSuppressed)
{
    for (const bool suppress : {false, true}) {
        FakeRig rig;
        rig.ascii.setOptions({.eofTimeoutTicks = 18, .suppressCtrlZ = suppress});
        ASSERT_TRUE(rig.ascii.startReceive(rig.folder.file("Z.TAP")));
        rig.device->feed(std::string("N1\x1aN2"));
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.folder.read("Z.TAP"), suppress ? std::string("N1\x1aN2") : std::string("N1")) << suppress;
    }
}

TEST(AsciiProtocol, RtsLowWhileWritingToDisk)
{
    FakeRig rig;
    rig.ascii.setOptions({.eofTimeoutTicks = 18, .rtsLowForWrite = true});
    ASSERT_TRUE(rig.ascii.startReceive(rig.folder.file("R.TAP")));
    rig.device->clearEvents();
    rig.device->feed("N1\r\n");
    std::vector<bool> rts;
    for (const LineEvent& event : rig.device->events) {
        if (event.kind == LineEvent::Rts)
            rts.push_back(event.on);
    }
    EXPECT_EQ(rts, (std::vector<bool>{false, true}));
    ASSERT_TRUE(rig.run());
    EXPECT_TRUE(rig.device->rts);
}

TEST(AsciiProtocol, FailuresAndCancel)
{
    {
        FakeRig rig; // held by XOFF longer than the transmit time-out
        rig.folder.write("H.TAP", std::string(100, 'X'));
        rig.device->feed("\x13");
        rig.ascii.setOptions({.transmitTimeoutTicks = 20});
        ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("H.TAP")));
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "error -6001", "finish -6001"}));
        EXPECT_EQ(rig.port.outCount(), 0); // nothing left to go out later
    }
    {
        FakeRig rig;
        ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("MISSING.TAP")));
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "error -6006", "finish -6006"}));
    }
    {
        FakeRig rig;
        ASSERT_TRUE(rig.ascii.startReceive(rig.folder.file("C.TAP")));
        rig.device->feed("N1\r\nN2");
        rig.ascii.cancel();
        ASSERT_TRUE(rig.run());
        EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "finish -6005"}));
        EXPECT_EQ(rig.folder.read("C.TAP"), "N1\r\nN2");
        EXPECT_EQ(protocolResultText(ProtocolCancelled), "Cancelled by the user");
    }
}

// Through a pty pair to the simulated control.
struct PtyRig {
    explicit PtyRig(simcontrol::ControlSettings control, int baud) : control(pty.machineEnd(), control)
    {
        PortSettings settings;
        settings.line.baud = baud;
        settings.softwareFlow = SoftwareFlow::Receive;
        std::string error;
        EXPECT_TRUE(port.open(std::make_unique<PosixLine>(pty.pcEnd()), settings, error)) << error;
    }
    bool run(int timeoutMs = 120000)
    {
        return port.clock().waitFor([this] { return events.finished; }, timeoutMs, true);
    }

    testsupport::TempFolder folder;
    simcontrol::PtyPair pty;
    simcontrol::SimControl control;
    ComPort port;
    AsciiProtocol ascii{port};
    Events events{ascii};
};

std::string makeProgram(std::size_t size)
{
    std::string program;
    for (int n = 1; program.size() < size; ++n)
        program += "N" + std::to_string(n) + "G01X" + std::to_string(n % 997) + ".5Y-2.25F300\r\n";
    program.resize(size);
    return program;
}

// The control drains at 200 000 characters a second here (a 9600-baud drain would take
// about 18 minutes for 1 MB; the benchmark runs that) and the line runs twice as fast,
// so the control holds us with XOFF all the way. Its room above the XOFF level is more
// than the ptys and socat can hold between us, so that a thread stalled on a busy
// machine cannot make an overrun that the port did not cause.
TEST(AsciiProtocolOverPty, MegabyteArrivesCompleteWithoutOverrun)
{
    PtyRig rig({.bufferSize = 163840, .xoffLevel = 65536, .xonLevel = 16384, .drainPerSecond = 200000}, 4000000);
    const std::string program = makeProgram(1 << 20);
    rig.folder.write("BIG.TAP", program);
    ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("BIG.TAP")));
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "finish 0"}));
    ASSERT_TRUE(rig.control.waitConsumed(program.size(), 30000));
    EXPECT_EQ(rig.control.overruns(), 0);
    EXPECT_GT(rig.control.xoffsSent(), 0);
    EXPECT_TRUE(rig.control.program() == program); // complete and in order
}

TEST(AsciiProtocolOverPty, CancelMidTransferKeepsWhatWentThrough)
{
    PtyRig rig({.bufferSize = 4096, .xoffLevel = 1024, .xonLevel = 256, .drainPerSecond = 9600}, 19200);
    const std::string program = makeProgram(64 * 1024);
    rig.folder.write("P.TAP", program);
    ASSERT_TRUE(rig.ascii.startTransmit(rig.folder.file("P.TAP")));
    ASSERT_TRUE(rig.port.clock().waitFor([&] { return rig.control.consumed() > 1000; }, 60000, true));
    rig.ascii.cancel();
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.events.log, (std::vector<std::string>{"start", "finish -6005"}));
    EXPECT_EQ(rig.port.outCount(), 0);
    rig.port.clock().wait(100, true);
    const std::string arrived = rig.control.program();
    EXPECT_LT(arrived.size(), program.size());
    EXPECT_EQ(arrived, program.substr(0, arrived.size()));
    EXPECT_EQ(rig.control.overruns(), 0);

    // A receive cancelled half way keeps what came.
    rig.ascii.setOptions({.cr = LE::Strip});
    ASSERT_TRUE(rig.ascii.startReceive(rig.folder.file("UP.TAP")));
    rig.events.finished = false;
    rig.control.send("%\r\nN1\r\n");
    ASSERT_TRUE(rig.port.clock().waitFor([&] { return rig.ascii.status().bytesTransferred == 7; }, 60000, true));
    rig.ascii.cancel();
    ASSERT_TRUE(rig.run());
    EXPECT_EQ(rig.events.log.back(), "finish -6005");
    EXPECT_EQ(rig.folder.read("UP.TAP"), "%\nN1\n");
}

} // namespace
} // namespace dnc
