// The terminal's share of the port's input.
#include "dnc/engine/terminal_reader.h"

#include "dnc/engine/comport.h"
#include "dnc/engine/fake_line.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace dnc {
namespace {

TEST(TerminalReader, ShowsWhatWaitsWhenMadeActiveAndLeavesTheInputToOthersMeanwhile)
{
    auto device = std::make_shared<FakeDevice>();
    ComPort port;
    std::string error;
    ASSERT_TRUE(port.open(std::make_unique<FakeLine>(device), PortSettings{}, error)) << error;
    std::string shown;
    TerminalReader reader([&shown](const std::string& text) { shown += text; });
    reader.setPort(&port);

    device->feed("N1G01\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, "");
    EXPECT_EQ(port.inCount(), 7);

    // Made active and inactive again before the event loop ran: a transfer that took
    // the input at once still finds every byte.
    reader.setActive(true);
    reader.setActive(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, "");
    EXPECT_EQ(port.inCount(), 7);

    reader.setActive(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, "N1G01\r\n");
    EXPECT_FALSE(port.charReady());
    device->feed("N2");
    EXPECT_EQ(shown, "N1G01\r\nN2");
    reader.setPort(nullptr);
}

} // namespace
} // namespace dnc
