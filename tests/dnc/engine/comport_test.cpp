// The port over the fake line (virtual time, recorded line events) and over a pty pair.
#include "dnc/engine/comport.h"
#include "dnc/engine/fake_line.h"
#include "dnc/engine/posix_line.h"
#include "tests/dnc/engine/sim_control.h"
#include "workspace/engine/activity_log.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <termios.h>

namespace dnc {
namespace {

struct FakePort {
    explicit FakePort(PortSettings settings = {}, int inSize = 4096, int outSize = 4096)
    {
        port.setBufferSizes(inSize, outSize);
        std::string error;
        EXPECT_TRUE(port.open(std::make_unique<FakeLine>(device), settings, error)) << error;
    }
    void settle(int ms = 100) { device->clock.advance(ms); }

    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    ComPort port;
};

PortSettings withFlow(SoftwareFlow flow, bool rtsCts = false)
{
    PortSettings settings;
    settings.line.baud = 9600;
    settings.softwareFlow = flow;
    settings.line.rtsCts = rtsCts;
    return settings;
}

TEST(ComPort, BufferThresholdsRoundHalfEven)
{
    ComPort port;
    port.setBufferSizes(1024, 4096);
    EXPECT_EQ(port.bufferFull(), 768);
    EXPECT_EQ(port.bufferResume(), 256);
    port.setBufferSizes(1026, 1026); // 769.5 and 256.5
    EXPECT_EQ(port.bufferFull(), 770);
    EXPECT_EQ(port.bufferResume(), 256);
}

TEST(ComPort, SettingsAndModemLinesReachTheFakeDevice)
{
    PortSettings settings;
    settings.line = LineSettings{4800, 7, Parity::Even, 2, true};
    FakePort fake(settings);
    EXPECT_EQ(fake.device->settings, settings.line);
    EXPECT_TRUE(fake.port.refusedSettings().empty());
    EXPECT_TRUE(fake.device->dtr);
    EXPECT_TRUE(fake.device->rts);
    fake.port.clock().wait(ticksToMs(2), true);
    fake.port.setDtr(false);
    fake.port.putChar('1');
    fake.port.clock().wait(ticksToMs(2), true);
    fake.port.setDtr(true);
    // The line's timeline: opened, configured, DTR and RTS up at 0, then the toggle.
    std::vector<LineEvent> toggle(fake.device->events.end() - 3, fake.device->events.end());
    EXPECT_EQ(toggle, (std::vector<LineEvent>{{110, LineEvent::Dtr, "", false},
                                              {110, LineEvent::Sent, "1", false},
                                              {220, LineEvent::Dtr, "", true}}));

    settings.line = LineSettings{110, 5, Parity::Mark, 5, false};
    std::string error;
    EXPECT_TRUE(fake.port.applySettings(settings, error));
    EXPECT_EQ(fake.device->settings, settings.line);
    EXPECT_DOUBLE_EQ(settings.line.bitsPerCharacter(), 8.5);
}

TEST(ComPort, PutAndGetCharacters)
{
    FakePort fake(withFlow(SoftwareFlow::None), 4096, 16);
    EXPECT_TRUE(fake.port.putString("G01X1.\r\n"));
    EXPECT_FALSE(fake.port.putString("more than the rest")); // all or nothing
    fake.settle();
    EXPECT_EQ(fake.device->sent(), "G01X1.\r\n");
    EXPECT_EQ(fake.port.outCount(), 0);

    fake.device->feed("N1\x13\x11");
    EXPECT_EQ(fake.port.inCount(), 4); // no flow control: XON and XOFF are data
    EXPECT_EQ(fake.port.peekChar(1), '1');
    EXPECT_EQ(fake.port.getChar(), 'N');
    EXPECT_EQ(fake.port.getBlock(10), "1\x13\x11");
    EXPECT_FALSE(fake.port.charReady());
}

// Which modes obey the machine's XOFF and which send XOFF when our buffer fills.
TEST(ComPort, SoftwareFlowModes)
{
    struct Case {
        SoftwareFlow flow;
        bool obeys;
        bool sends;
    };
    for (const Case& c : {Case{SoftwareFlow::Both, true, true}, Case{SoftwareFlow::None, false, false},
                          Case{SoftwareFlow::Send, false, true}, Case{SoftwareFlow::Receive, true, false}}) {
        SCOPED_TRACE(static_cast<int>(c.flow));
        FakePort fake(withFlow(c.flow), 64, 4096);
        fake.device->feed("\x13");
        fake.port.putString("ABC");
        fake.settle();
        EXPECT_EQ(fake.device->sent(), c.obeys ? "" : "ABC");
        EXPECT_EQ(fake.port.flowState() == FlowState::TransmitHeldByXoff, c.obeys);
        fake.device->feed("\x11");
        fake.settle();
        EXPECT_EQ(fake.device->sent(), "ABC");

        fake.device->clearEvents();
        fake.port.flushInBuffer();
        fake.device->feed(std::string(48, 'x')); // full at 48 of 64
        EXPECT_EQ(fake.device->sent(), c.sends ? "\x13" : "");
        fake.port.getBlock(31); // 17 left: above the resume level of 16
        EXPECT_EQ(fake.device->sent(), c.sends ? "\x13" : "");
        fake.port.getChar();
        EXPECT_EQ(fake.device->sent(), c.sends ? "\x13\x11" : "");
    }
}

// A machine that answers XOFF as soon as 100 bytes have come and XON 50 ms later:
// nothing more goes out in between.
TEST(ComPort, NothingGoesOutBetweenTheMachinesXoffAndXon)
{
    FakePort fake(withFlow(SoftwareFlow::Receive));
    std::int64_t xoffAt = -1;
    std::size_t sentAtXoff = 0;
    fake.device->onSent = [&](const std::string&) {
        if (xoffAt >= 0 || fake.device->sent().size() < 100)
            return;
        xoffAt = fake.device->clock.nowMs();
        sentAtXoff = fake.device->sent().size();
        fake.device->feed("\x13");
        fake.device->clock.startTimer(50, [&] { fake.device->feed("\x11"); });
    };
    ASSERT_TRUE(fake.port.putString(std::string(400, 'A')));
    fake.settle(2000);
    EXPECT_EQ(fake.device->sent().size(), 400u);
    ASSERT_GE(xoffAt, 0);
    EXPECT_LT(sentAtXoff, 100u + 32u); // the piece that made the machine say XOFF
    for (const LineEvent& event : fake.device->events) {
        if (event.kind == LineEvent::Sent) {
            EXPECT_TRUE(event.timeMs <= xoffAt || event.timeMs >= xoffAt + 50) << event.timeMs;
        }
    }
}

// Closing sends what was put first: a second's worth of output at 9,600 baud all
// reaches the machine.
TEST(ComPort, CloseSendsWhatIsQueued)
{
    FakePort fake(withFlow(SoftwareFlow::None));
    std::string queued;
    for (int i = 0; i < 960; ++i)
        queued.push_back(static_cast<char>('A' + i % 26));
    ASSERT_TRUE(fake.port.putString(queued));
    fake.port.close();
    EXPECT_FALSE(fake.port.isOpen());
    EXPECT_EQ(fake.device->sent(), queued);
}

// A machine that holds the line with XOFF and never releases it: the close gives up in
// a few seconds and says in the activity log what the machine did not get.
TEST(ComPort, CloseOnAHeldLineGivesUpAndLogsWhatWasNotDelivered)
{
    testsupport::TempFolder folder;
    mrw::ActivityLog& log = mrw::activityLog();
    log.setPath(folder.file("MRWDNC.LOG"));
    log.setEnabled(true);
    log.setSeparators({'/', ':'});
    log.setClock([] { return mrw::LocalDateTime{2026, 3, 4, 5, 6, 7}; });

    FakePort fake(withFlow(SoftwareFlow::Receive));
    fake.device->feed("\x13");
    ASSERT_TRUE(fake.port.putString(std::string(84, 'x') + "*** SHUTDOWN ***"));
    const std::int64_t start = fake.device->clock.nowMs();
    fake.port.close();
    const std::int64_t took = fake.device->clock.nowMs() - start;
    log.setEnabled(false);

    EXPECT_FALSE(fake.port.isOpen());
    EXPECT_LE(took, 10000);
    EXPECT_EQ(fake.device->sent(), "");
    EXPECT_EQ(folder.read("MRWDNC.LOG"), "03/04/2026,05:06:07,Data [" + std::string(84, 'x') +
                                             "*** SHUTDOWN ***] Not Delivered (100 Bytes), Port [FAKE], "
                                             "Held by XOFF\r\n");
}

TEST(ComPort, FullInputBufferLeavesTheRestWithTheDevice)
{
    FakePort fake(withFlow(SoftwareFlow::None), 32, 4096);
    std::string data;
    for (int i = 0; i < 100; ++i)
        data.push_back(static_cast<char>('0' + i % 10));
    fake.device->feed(data);
    EXPECT_EQ(fake.port.inCount(), 32);
    std::string read;
    while (fake.port.charReady())
        read.push_back(fake.port.getChar());
    EXPECT_EQ(read, data); // nothing lost
}

// A listener that only watches the line: every byte reaches it, nothing piles up, and a
// peer held by our XOFF always gets its XON, also when the port closes.
TEST(ComPort, WatchingOnlyNeverFillsNorHoldsThePeer)
{
    struct Counter : ByteWatcher {
        std::size_t seen = 0;
        void onByte(char) override { ++seen; }
    } counter;
    FakePort fake(withFlow(SoftwareFlow::Both), 64, 4096);
    fake.port.addByteWatcher(&counter);
    fake.device->feed(std::string(48, 'x'));
    EXPECT_EQ(fake.device->sent(), "\x13");
    fake.port.setWatchOnly(true);
    EXPECT_EQ(fake.device->sent(), "\x13\x11");
    fake.device->feed(std::string(5000, 'y'));
    EXPECT_EQ(counter.seen, 5048u);
    EXPECT_EQ(fake.port.inCount(), 0);
    EXPECT_EQ(fake.device->sent(), "\x13\x11");

    fake.port.setWatchOnly(false);
    fake.device->feed(std::string(48, 'z'));
    EXPECT_EQ(fake.device->sent(), "\x13\x11\x13");
    fake.port.close();
    EXPECT_EQ(fake.device->sent(), "\x13\x11\x13\x11");
    fake.port.removeByteWatcher(&counter);
}

TEST(ComPort, RtsCtsHoldsBothWays)
{
    FakePort fake(withFlow(SoftwareFlow::None, true), 64, 4096);
    fake.device->status.cts = false;
    fake.port.putString("HELD");
    fake.settle();
    EXPECT_EQ(fake.device->sent(), "");
    EXPECT_EQ(fake.port.flowState(), FlowState::TransmitHeldByCts);
    fake.device->status.cts = true;
    fake.settle();
    EXPECT_EQ(fake.device->sent(), "HELD");

    fake.device->feed(std::string(48, 'x'));
    EXPECT_FALSE(fake.device->rts);
    EXPECT_EQ(fake.port.flowState(), FlowState::ReceiveHeld);
    fake.port.setRts(true); // raising RTS by hand does not release the machine early
    EXPECT_FALSE(fake.device->rts);
    fake.port.getBlock(40);
    EXPECT_TRUE(fake.device->rts);
}

TEST(ComPort, OutputIsPacedToTheLineRate)
{
    FakePort fake(withFlow(SoftwareFlow::None)); // 9600 8N1: 960 characters a second
    ASSERT_TRUE(fake.port.putString(std::string(960, 'A')));
    fake.settle(500);
    const std::size_t half = fake.device->sent().size();
    EXPECT_GT(half, 400u);
    EXPECT_LT(half, 560u);
    EXPECT_TRUE(fake.port.drainOutput(2000, false));
    EXPECT_EQ(fake.device->sent().size(), 960u);
}

TEST(ComPort, TimerTriggerFiresOnceAfterItsTicks)
{
    FakePort fake;
    std::vector<std::pair<int, std::int64_t>> fired;
    QObject::connect(&fake.port, &ComPort::triggerTimer,
                     [&](int handle) { fired.emplace_back(handle, fake.device->clock.nowMs()); });
    const int first = fake.port.addTimerTrigger(36);
    const int second = fake.port.addTimerTrigger(2);
    fake.port.removeTimerTrigger(second);
    fake.settle(5000);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, first);
    EXPECT_EQ(fired[0].second, 36 * 55);
    EXPECT_EQ(secsToTicks(1), 18);
    EXPECT_EQ(secsToTicks(10), 182);
}

TEST(ComPort, WaitForAnyString)
{
    FakePort fake;
    fake.device->clock.startTimer(200, [&] { fake.device->feed("xyz\x1b" "after"); });
    EXPECT_EQ(fake.port.waitForAnyString({"\r", "\x1b"}, 18), 1);
    EXPECT_EQ(fake.port.getBlock(100), "after");
    const std::int64_t before = fake.device->clock.nowMs();
    EXPECT_EQ(fake.port.waitForAnyString({"\r"}, 4), -1);
    EXPECT_EQ(fake.device->clock.nowMs() - before, 4 * 55);
}

TEST(PosixLine, SettingsReachThePty)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    ComPort port;
    PortSettings settings;
    settings.line = LineSettings{19200, 8, Parity::None, 2, true};
    std::string error;
    ASSERT_TRUE(port.open(std::make_unique<PosixLine>(pty.pcEnd()), settings, error)) << error;
    EXPECT_TRUE(port.refusedSettings().empty()) << port.refusedSettings();
    EXPECT_EQ(port.line()->deviceSettings(), settings.line);

    // A pty keeps neither 7-bit characters nor parity, and has no modem lines.
    settings.line = LineSettings{4800, 7, Parity::Even, 1, false};
    EXPECT_FALSE(port.applySettings(settings, error));
    EXPECT_NE(port.refusedSettings().find("7 data bits"), std::string::npos) << port.refusedSettings();
    settings.line.dataBits = 8;
    EXPECT_FALSE(port.applySettings(settings, error));
    EXPECT_NE(port.refusedSettings().find("even parity"), std::string::npos) << port.refusedSettings();
    EXPECT_FALSE(port.setDtr(false));
    const LineSettings held = port.line()->deviceSettings();
    EXPECT_EQ(held.baud, 4800);
    EXPECT_EQ(held.stopBits, 1);

    // A second program cannot have the port.
    PosixLine second(pty.pcEnd());
    EXPECT_FALSE(second.open(error));
    EXPECT_NE(error.find("in use"), std::string::npos);
}

TEST(PosixLine, BytesBothWaysThroughThePty)
{
    simcontrol::PtyPair pty;
    simcontrol::SimControl control(pty.machineEnd(), {});
    ComPort port;
    PortSettings settings;
    settings.line.baud = 115200;
    settings.softwareFlow = SoftwareFlow::Receive;
    std::string error;
    ASSERT_TRUE(port.open(std::make_unique<PosixLine>(pty.pcEnd()), settings, error)) << error;
    ASSERT_TRUE(port.putString("%\r\nO1234\r\n"));
    EXPECT_TRUE(port.drainOutput(5000, true));
    EXPECT_TRUE(control.waitConsumed(10, 5000));
    EXPECT_EQ(control.program(), "%\r\nO1234\r\n");

    control.send("N10G00\r");
    EXPECT_EQ(port.waitForAnyString({"\r"}, 90), 0);
    std::string missing;
    EXPECT_FALSE(PosixLine("/nonexistent/ttyS99").open(missing));
    EXPECT_FALSE(missing.empty());
}

} // namespace
} // namespace dnc
