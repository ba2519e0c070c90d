// The terminal widget and the status lights over a port on the fake line.
#include "dnc/engine/comport.h"
#include "dnc/engine/fake_line.h"
#include "dnc/ui/status_lights.h"
#include "dnc/ui/terminal_widget.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QTest>

#include <cstdio>

namespace dnc::ui {
namespace {

struct TerminalRig {
    TerminalRig()
    {
        std::string error;
        EXPECT_TRUE(port.open(std::make_unique<FakeLine>(device), PortSettings{}, error));
        terminal.setPort(&port);
    }
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    ComPort port;
    TerminalWidget terminal;
};

TEST(TerminalWidget, PlainEmulationShowsWhatArrivesWhileActive)
{
    TerminalRig rig;
    rig.terminal.setEmulation(TerminalWidget::Emulation::None);
    rig.device->feed("held back");
    EXPECT_TRUE(rig.port.charReady()); // inactive: left in the port's buffer
    rig.terminal.setActive(true);
    rig.device->feed("\r\nN10G01\x1b[2J\tX\bY\r\n");
    EXPECT_FALSE(rig.port.charReady());
    EXPECT_EQ(rig.terminal.rowText(0), "held back");
    EXPECT_EQ(rig.terminal.rowText(1), "N10G01[2J       Y");
    EXPECT_EQ(rig.terminal.cursorPosition(), QPoint(0, 2));

    // Long lines wrap at 67 columns, and the screen scrolls after 12 rows.
    rig.terminal.clearScreen();
    rig.terminal.writeText(std::string(70, 'A'));
    EXPECT_EQ(rig.terminal.rowText(0), std::string(67, 'A'));
    EXPECT_EQ(rig.terminal.rowText(1), "AAA");
    for (int i = 0; i < 12; ++i)
        rig.terminal.writeText("\r\nline " + std::to_string(i));
    EXPECT_EQ(rig.terminal.rowText(0), "line 0");
    EXPECT_EQ(rig.terminal.rowText(11), "line 11");
}

TEST(TerminalWidget, AnsiEmulationAndItsReplies)
{
    TerminalRig rig;
    rig.terminal.setActive(true);
    rig.device->feed("junk\x1b[2J\x1b[3;5HX\x1b[1mB\x1b[0m");
    EXPECT_EQ(rig.terminal.rowText(0), "");
    EXPECT_EQ(rig.terminal.rowText(2), "    XB");
    rig.device->feed("\x1b[6n"); // where is the cursor?
    rig.device->clock.advance(100);
    EXPECT_EQ(rig.device->sent(), "\x1b[3;7R");
}

TEST(TerminalWidget, CharHookShowsHexAndCaptureAppends)
{
    testsupport::TempFolder folder;
    folder.write("MRW2013.LOG", "before\r\n");
    TerminalRig rig;
    rig.terminal.setEmulation(TerminalWidget::Emulation::None);
    rig.terminal.setCharHook([](char c) -> std::string {
        if (c == '\n')
            return "<lf>";
        if (c == '\r')
            return "<cr>";
        char hex[8];
        std::snprintf(hex, sizeof hex, "[%02X],", static_cast<unsigned char>(c));
        return std::string(1, c) + hex;
    });
    ASSERT_TRUE(rig.terminal.setCapture(folder.file("MRW2013.LOG")));
    rig.terminal.setActive(true);
    rig.device->feed("N1\r\n");
    rig.terminal.writeText("\r\nDone\r\n");
    ASSERT_TRUE(rig.terminal.setCapture({}));
    rig.device->feed("not captured");
    EXPECT_EQ(rig.terminal.rowText(0), "N[4E],1[31],<cr><lf>");
    EXPECT_EQ(folder.read("MRW2013.LOG"), "before\r\nN[4E],1[31],<cr><lf>\r\nDone\r\n");
}

// The capture file grows only as our own regular file: a link planted under its name is
// replaced, never followed.
TEST(TerminalWidget, CaptureNeverFollowsALink)
{
    testsupport::TempFolder folder;
    folder.write("notes", "secret");
    std::filesystem::create_symlink(folder.file("notes"), folder.file("MRW2013.LOG"));
    TerminalRig rig;
    ASSERT_TRUE(rig.terminal.setCapture(folder.file("MRW2013.LOG")));
    rig.terminal.writeText("abc");
    ASSERT_TRUE(rig.terminal.setCapture({}));
    EXPECT_EQ(folder.read("notes"), "secret");
    EXPECT_FALSE(std::filesystem::is_symlink(folder.file("MRW2013.LOG")));
    EXPECT_EQ(folder.read("MRW2013.LOG"), "abc");
}

TEST(TerminalWidget, TypedKeysGoToThePortUnlessFiltered)
{
    TerminalRig rig;
    rig.terminal.setActive(true);
    std::string filtered;
    rig.terminal.setKeyFilter([&](char c) {
        if (c != '\r')
            return false;
        filtered.push_back(c);
        return true;
    });
    QTest::keyClicks(&rig.terminal, "g1");
    QTest::keyClick(&rig.terminal, Qt::Key_Return);
    QTest::keyClick(&rig.terminal, Qt::Key_Q, Qt::ControlModifier);
    rig.device->clock.advance(100);
    EXPECT_EQ(rig.device->sent(), "g1\x11");
    EXPECT_EQ(filtered, "\r");
    const QSize size = rig.terminal.sizeHint();
    EXPECT_GT(size.width(), size.height());
}

TEST(StatusLights, FollowThePort)
{
    TerminalRig rig;
    StatusLights lights;
    lights.setPort(&rig.port);
    lights.refresh();
    EXPECT_FALSE(lights.isLit(StatusLights::Cts)); // off until monitoring
    lights.setMonitoring(true);
    EXPECT_TRUE(lights.isLit(StatusLights::Cts));
    EXPECT_FALSE(lights.isLit(StatusLights::Rxd));
    rig.device->status.dsr = false;
    rig.device->feed("x");
    lights.refresh();
    EXPECT_FALSE(lights.isLit(StatusLights::Dsr));
    EXPECT_TRUE(lights.isLit(StatusLights::Rxd));
    EXPECT_FALSE(lights.isLit(StatusLights::Txd));
    lights.refresh();
    EXPECT_FALSE(lights.isLit(StatusLights::Rxd)); // only while data moves
    emit rig.port.portError("unplugged");
    lights.refresh();
    EXPECT_TRUE(lights.isLit(StatusLights::Err));
    lights.setMonitoring(false);
    EXPECT_FALSE(lights.isLit(StatusLights::Cts));
    EXPECT_EQ(std::string(StatusLights::caption(StatusLights::Brk)), "BRK");
}

} // namespace
} // namespace dnc::ui
