#include <gtest/gtest.h>

#include "dnc/ui/protocol_status.h"

using dnc::ProtocolStatus;
using dnc::ui::ProtocolStatusWindow;

TEST(ProtocolStatusWindow, ShowsTheTransferFigures)
{
    ProtocolStatusWindow window;
    EXPECT_EQ(window.windowTitle(), "Protocol Status");
    ProtocolStatus s;
    s.protocolName = "ZMODEM";
    s.fileName = "/tmp/jobs/PART1.TAP";
    s.fileSize = 10000;
    s.bytesTransferred = 4000;
    s.blocks = 4;
    s.blockSize = 1024;
    s.totalErrors = 2;
    s.elapsedMs = 65000;
    s.inProgress = true;
    window.showStatus(s);
    EXPECT_EQ(window.fieldText("Protocol:"), "ZMODEM");
    EXPECT_EQ(window.fieldText("File name:"), "PART1.TAP");
    EXPECT_EQ(window.fieldText("Bytes remaining:"), "6000");
    EXPECT_EQ(window.fieldText("Total errors:"), "2");
    EXPECT_EQ(window.fieldText("Elapsed time:"), "01:05");
    EXPECT_EQ(window.fieldText("Throughput:"), "61 cps");

    s.fileSize = -1;  // a receive before the size is announced
    window.showStatus(s);
    EXPECT_EQ(window.fieldText("File size:"), "");
    EXPECT_EQ(window.fieldText("Bytes remaining:"), "");
}
