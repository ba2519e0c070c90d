// The terminal's session over fake lines: opening the port, TRX-8 hub switching, the
// status texts, the keyboard and the end of a transfer.
#include "tests/dnc/engine/dnc_session_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dnc {
namespace {

using testrig::SessionRig;

const std::string MachineOnHub2 = "[M]\r\nHUB=2\r\nPORT=3\r\nBAUD=4800\r\nDATABITS=7\r\nPARITY=E\r\nSTOPBITS=2\r\nFLOW=0\r\n"
                                  "SINIT=G\r\nTCODE=0\r\n"
                                  "[HUB2]\r\nPORT=2\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=0\r\n";

std::vector<LineEvent> eventsOf(const FakeDevice& device, LineEvent::Kind kind)
{
    std::vector<LineEvent> found;
    std::copy_if(device.events.begin(), device.events.end(), std::back_inserter(found),
                 [kind](const LineEvent& e) { return e.kind == kind; });
    return found;
}

TEST(DncSession, HubPortSwitchTogglesDtrAroundThePortCharacter)
{
    SessionRig rig(MachineOnHub2);
    rig.session->begin();

    // The hub's PC port (COM2) is opened for the switch, then again for the machine.
    EXPECT_EQ(rig.openedPorts, (std::vector<int>{2, 2}));
    const auto opened = eventsOf(*rig.device, LineEvent::Opened);
    ASSERT_EQ(opened.size(), 2u);
    std::vector<LineEvent> dtr;
    for (const LineEvent& e : eventsOf(*rig.device, LineEvent::Dtr))
        if (e.timeMs >= opened[0].timeMs && e.timeMs < opened[1].timeMs)
            dtr.push_back(e);
    ASSERT_GE(dtr.size(), 3u); // raised on open, dropped, raised
    const LineEvent& low = dtr[dtr.size() - 2];
    const LineEvent& high = dtr.back();
    EXPECT_FALSE(low.on);
    EXPECT_TRUE(high.on);
    const int tick = ticksToMs(1);
    EXPECT_EQ(low.timeMs - opened[0].timeMs, 36 * tick);
    EXPECT_EQ(high.timeMs - low.timeMs, 36 * tick);
    EXPECT_GE(opened[1].timeMs - high.timeMs, 18 * tick);

    const auto sent = eventsOf(*rig.device, LineEvent::Sent);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().bytes, "2"); // port 3 of the hub
    EXPECT_GE(sent.front().timeMs, low.timeMs);
    EXPECT_LT(sent.front().timeMs, high.timeMs);

    // The machine's own settings on the hub's PC port.
    EXPECT_EQ(rig.view.portStatus, " COM2 7E2 4800");
    EXPECT_EQ(rig.view.status, ReadyText);
    EXPECT_TRUE(rig.view.lights);
    EXPECT_TRUE(rig.prompter.shown.empty());
}

TEST(DncSession, NoHubInitStringGoesOutUntranslatedWithoutDtrToggling)
{
    SessionRig rig("[M]\r\nHUB=1\r\nPORT=5\r\nTCODE=0\r\nSINIT=G/-50\r\nFLOW=0\r\n"
                   "[HUB1]\r\nPORT=4\r\nSINIT=NOHUB/027\r\nFLOW=0\r\n");
    rig.session->setVerbose(true);
    rig.session->begin();

    EXPECT_EQ(rig.device->sent(), "\x1bG"); // no EIA codes, the wait sends nothing
    for (const LineEvent& e : eventsOf(*rig.device, LineEvent::Dtr))
        EXPECT_TRUE(e.on);
    EXPECT_NE(std::find(rig.view.lines.begin(), rig.view.lines.end(), "NOHUB, sSendinit = [/027G/-50]"),
              rig.view.lines.end());
    EXPECT_EQ(rig.openedPorts, (std::vector<int>{4, 4}));
}

TEST(DncSession, UndefinedHubIsReportedAndNoPortOpens)
{
    SessionRig rig("[M]\r\nHUB=3\r\nPORT=1\r\n[HUB3]\r\nDESCRIPTION=not connected\r\n");
    rig.session->begin();
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_EQ(rig.prompter.shown[0].text, "HUB #3 Has not been Defined!");
    EXPECT_TRUE(rig.openedPorts.empty());
    EXPECT_FALSE(rig.session->portOpened());
    EXPECT_FALSE(rig.view.lights);
}

TEST(DncSession, HubChainIsFollowedOneLevelOnly)
{
    const std::string hubs = "[HUB1]\r\nPORT=2\r\nHUB=2\r\n[HUB2]\r\nPORT=6\r\nHUB=3\r\n[HUB3]\r\nPORT=7\r\n"
                             "[HUB4]\r\nPORT=8\r\nHUB=4\r\n";
    {
        SessionRig rig("[M]\r\nHUB=1\r\nPORT=1\r\n" + hubs);
        rig.session->begin(); // machine -> hub 1 -> hub 2, which names hub 3: refused
        ASSERT_EQ(rig.prompter.shown.size(), 1u);
        EXPECT_NE(rig.prompter.shown[0].text.find("HUB #3"), std::string::npos);
        EXPECT_FALSE(rig.session->portOpened());
    }
    {
        SessionRig rig("[M]\r\nHUB=4\r\nPORT=1\r\n" + hubs);
        rig.session->begin(); // a hub naming itself ends too
        EXPECT_EQ(rig.prompter.shown.size(), 1u);
        EXPECT_FALSE(rig.session->portOpened());
    }
    {
        SessionRig rig("[M]\r\nHUB=2\r\nPORT=1\r\n[HUB2]\r\nPORT=6\r\nHUB=3\r\n[HUB3]\r\nPORT=7\r\n");
        rig.session->begin(); // machine -> hub 2 -> hub 3 on COM7
        EXPECT_TRUE(rig.prompter.shown.empty());
        EXPECT_TRUE(rig.session->portOpened());
        EXPECT_EQ(rig.openedPorts.back(), 7);
    }
}

TEST(DncSession, DirectFileTransferOpensNoPort)
{
    SessionRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\n");
    rig.session->begin();
    EXPECT_EQ(rig.view.portStatus, "Direct File Transfer");
    EXPECT_TRUE(rig.openedPorts.empty());
    EXPECT_FALSE(rig.session->remoteDevice());
}

TEST(DncSession, PortThatCannotBeOpenedIsReported)
{
    SessionRig rig("[M]\r\nPORT=1\r\n");
    rig.device->openFails = true;
    rig.session->begin();
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_EQ(rig.prompter.shown[0].text,
              "The Selected Port Number Cannot Be Opened\nEither the Port Does Not Exist or it is Already in Use");
    EXPECT_FALSE(rig.view.lights);
    EXPECT_FALSE(rig.view.active);
}

TEST(DncSession, BufferSizesAndDeviceTypeAtShowing)
{
    SessionRig rig("[M]\r\nPORT=1\r\nDTYPE=2\r\n");
    rig.settings.ComInSize = 1024;
    rig.session->begin();
    EXPECT_EQ(rig.session->port().bufferFull(), 768);
    EXPECT_EQ(rig.session->port().bufferResume(), 256);
    EXPECT_TRUE(rig.session->remoteDevice());
    EXPECT_EQ(rig.session->terminalMachine(), "M");
    EXPECT_TRUE(rig.session->port().dtr());
}

TEST(DncSession, StatusTextShowsTheHoldOfAnXoff)
{
    SessionRig rig("[M]\r\nPORT=1\r\nFLOW=1\r\n");
    rig.session->begin();
    rig.device->feed("\x13");
    rig.device->clock.advance(ticksToMs(36));
    EXPECT_EQ(rig.view.status, "Held by XON");
}

TEST(DncSession, ClosingIsRefusedWhileTheMenuRunsExceptForARemoteStart)
{
    SessionRig rig("[M]\r\nPORT=1\r\n");
    EXPECT_TRUE(rig.session->closeAllowed());
    rig.session->setMenuRunning(true);
    EXPECT_FALSE(rig.session->closeAllowed());
    rig.globals.RemoteStartFlag = true;
    EXPECT_TRUE(rig.session->closeAllowed());
}

TEST(DncSession, TerminalKeysWithEchoAndAutomaticLineFeed)
{
    SessionRig rig("[M]\r\nPORT=1\r\nECHO=1\r\nAUTOLF=1\r\n");
    rig.session->begin();
    rig.device->clearEvents();
    rig.session->terminalKey('X');
    rig.session->terminalKey('\r');
    rig.device->clock.advance(100);
    EXPECT_EQ(rig.device->sent(), "X\r\n");
    EXPECT_EQ(rig.view.shown, "X\r\n") << "the next typed line starts at the left";

    SessionRig quiet("[M]\r\nPORT=1\r\nECHO=0\r\nAUTOLF=0\r\n");
    quiet.session->begin();
    quiet.device->clearEvents();
    quiet.session->terminalKey('\r');
    quiet.device->clock.advance(100);
    EXPECT_EQ(quiet.device->sent(), "\r");
    EXPECT_EQ(quiet.view.shown, "");
}

TEST(DncSession, PortStatusText)
{
    mrw::MachComRec record;
    record.Baud = 5;     // 4800
    record.DataBits = 3; // 7
    record.Parity = 2;   // even
    record.StopBits = 2; // 2
    EXPECT_EQ(portStatusText(record, 1), " COM1 7E2 4800");
    record.StopBits = 1;
    record.Parity = 3;
    record.DataBits = 4;
    record.Baud = 10;
    EXPECT_EQ(portStatusText(record, 12), " COM12 8M1.5 115200");
}

struct FinishCase {
    bool alert;
    std::vector<std::string> messages;
};

TEST(DncSession, EndOfATransferShowsItsMessageAndRunsTheRtsDelaysInOrder)
{
    for (const FinishCase& c : {FinishCase{false, {}}, FinishCase{true, {"Down/Up Load Successful"}}}) {
        SessionRig rig("[M]\r\nPORT=1\r\nKEEPRTSDELAY=2\r\nDROPRTSDELAY=1\r\n");
        rig.settings.DncAlert = c.alert;
        rig.session->begin();
        rig.folder.write("image", "G01X1.\r\n");
        ASSERT_NE(rig.session->SetupProtocol(ProtocolSide::Send), nullptr);
        rig.device->clearEvents();
        ASSERT_TRUE(rig.session->startTransmit(rig.folder.file("image"), "O1.TAP"));
        rig.session->waitForFinish();

        std::vector<std::string> messages;
        for (const auto& shown : rig.prompter.shown)
            messages.push_back(shown.text);
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(rig.view.lines,
                  (std::vector<std::string>{"Keeping RTS Up", "Done Keeping RTS Up", "Dropping RTS", "Enable RTS"}));
        const auto& history = rig.view.statusHistory;
        EXPECT_NE(std::find(history.begin(), history.end(), "Ready, On Line"), history.end());
        EXPECT_EQ(rig.device->sent(), "G01X1.\r\n");

        const auto rts = eventsOf(*rig.device, LineEvent::Rts);
        ASSERT_EQ(rts.size(), 3u);
        EXPECT_TRUE(rts[0].on);
        EXPECT_FALSE(rts[1].on);
        EXPECT_TRUE(rts[2].on);
        EXPECT_EQ(rts[1].timeMs - rts[0].timeMs, ticksToMs(secsToTicks(2)));
        EXPECT_EQ(rts[2].timeMs - rts[1].timeMs, ticksToMs(secsToTicks(1)));
    }
}

TEST(DncSession, FailedAndCancelledTransfersAreReported)
{
    SessionRig rig("[M]\r\nPORT=1\r\n");
    rig.session->begin();
    ASSERT_NE(rig.session->SetupProtocol(ProtocolSide::Send), nullptr);
    ASSERT_TRUE(rig.session->startTransmit(rig.folder.file("missing"), "O1.TAP"));
    rig.session->waitForFinish();
    ASSERT_EQ(rig.prompter.shown.size(), 2u);
    EXPECT_EQ(rig.prompter.shown[0].text, "Fatal protocol error: " + protocolResultText(ProtocolFileError));
    EXPECT_EQ(rig.prompter.shown[1].text, "Protocol Error:  " + protocolResultText(ProtocolFileError));

    rig.prompter.shown.clear();
    rig.folder.write("image", std::string(2000, 'X'));
    ASSERT_NE(rig.session->SetupProtocol(ProtocolSide::Send), nullptr);
    ASSERT_TRUE(rig.session->startTransmit(rig.folder.file("image"), "O1.TAP"));
    rig.session->protocol()->cancel();
    rig.session->waitForFinish();
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_EQ(rig.prompter.shown[0].text, "Cancel Pressed, Data May Have Been Lost !!");
}

TEST(DncSession, MissingBlockProtocolIsToldAndNothingStarts)
{
    SessionRig rig("[M]\r\nPORT=1\r\nPROTOCOL=1\r\n");
    rig.session->setProtocolFactory([](ProtocolType, ComPort&) { return std::unique_ptr<Protocol>(); });
    rig.session->begin();
    EXPECT_EQ(rig.session->SetupProtocol(ProtocolSide::Send), nullptr);
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_NE(rig.prompter.shown[0].text.find("XMODEM"), std::string::npos);
}

} // namespace
} // namespace dnc
