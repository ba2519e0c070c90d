// The port and ASCII settings taken from a machine record.
#include "dnc/engine/machine_port.h"

#include <gtest/gtest.h>

namespace dnc {
namespace {

TEST(MachinePort, RecordToPortSettings)
{
    mrw::MachComRec record; // 4800 7E2, XON/XOFF both ways
    PortSettings settings = portSettingsFor(record, "/dev/ttyS0");
    EXPECT_EQ(settings.device, "/dev/ttyS0");
    EXPECT_EQ(settings.line, (LineSettings{4800, 7, Parity::Even, 2, false}));
    EXPECT_EQ(settings.softwareFlow, SoftwareFlow::Both);

    record.Baud = 10;
    record.DataBits = 4;
    record.Parity = mrw::parity::Space;
    record.StopBits = 1;
    record.XonXoff = mrw::xonxoff::Receive;
    record.RtsCts = 1;
    settings = portSettingsFor(record, "");
    EXPECT_EQ(settings.line, (LineSettings{115200, 8, Parity::Space, 5, true}));
    EXPECT_EQ(settings.softwareFlow, SoftwareFlow::Receive);
}

TEST(MachinePort, RecordToAsciiOptions)
{
    mrw::MachComRec record;
    record.CrIn = mrw::lineend::Strip;
    record.LfOut = mrw::lineend::AddCrBefore;
    record.CharDelay = 5;
    record.LineDelay = 100;
    record.EofTimeout = 10;
    record.XoffTimeout = 1;
    const AsciiOptions send = asciiOptionsFor(record, true, false);
    EXPECT_EQ(send.cr, LineEndTranslation::None);
    EXPECT_EQ(send.lf, LineEndTranslation::AddCrBefore);
    EXPECT_EQ(send.charDelayMs, 5);
    EXPECT_EQ(send.lineDelayMs, 100);
    EXPECT_EQ(send.transmitTimeoutTicks, 1092);
    EXPECT_EQ(send.eofTimeoutTicks, 182);
    EXPECT_TRUE(send.suppressCtrlZ); // EIA: 1Ah is data
    const AsciiOptions receive = asciiOptionsFor(record, false, true);
    EXPECT_EQ(receive.cr, LineEndTranslation::Strip);
    EXPECT_EQ(receive.lf, LineEndTranslation::None);
    EXPECT_TRUE(receive.rtsLowForWrite);
    record.TapeCode = mrw::tapecode::Iso;
    EXPECT_FALSE(asciiOptionsFor(record, false, false).suppressCtrlZ);
}

} // namespace
} // namespace dnc
