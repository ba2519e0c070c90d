#include "dnc/engine/send_settings.h"

#include <gtest/gtest.h>

using namespace dnc;

TEST(SendImageSettingsTest, TakenFromTheMachine)
{
    mrw::MachineSettings settings;
    settings.Tapecode = mrw::tapecode::Ascii;
    settings.llen = "2";
    settings.Startsend = "%";
    settings.Endsend = "/013";
    settings.CBStripLfs = true;
    settings.CBRunFclean = true;
    settings.DirDNL = "D:\\NC";
    settings.CBforceDownload = false;
    settings.Defext = "NC";
    mrw::MachComRec machine;
    mrw::MachineRecordExchange(settings, machine);

    const SendSettings s = sendSettingsFrom(machine, settings, "<");
    EXPECT_EQ(s.send.tapeCode, TapeCode::Ascii);
    EXPECT_EQ(s.send.leaderLength, 2);
    EXPECT_EQ(s.send.startSendCodes, "%");
    EXPECT_EQ(s.send.endSendCodes, "/013");
    EXPECT_TRUE(s.send.stripLineFeeds);
    EXPECT_FALSE(s.send.stripBlankLines);
    EXPECT_EQ(s.send.skipMarker, "<");
    EXPECT_TRUE(s.runFileCleanup);
    EXPECT_EQ(s.downloadFolder, "D:\\NC");
    EXPECT_FALSE(s.forceDownloadFolder);
    EXPECT_EQ(s.defaultExtension, "NC");
}

TEST(SendImageSettingsTest, LeaderReadFromTheDatabaseIsHeldToTheLongest)
{
    struct Case { const char* llen; int leader; };
    const Case cases[] = {{"1000", 1000}, {"1001", 1000}, {"2147483647", 1000}, {"99999999999999", 1000},
                          {"-2147483648", 0}, {"abc", 0}};
    for (const Case& c : cases) {
        mrw::MachineSettings settings;
        settings.llen = c.llen;
        mrw::MachComRec machine;
        mrw::MachineRecordExchange(settings, machine);
        EXPECT_EQ(machine.LeaderLength, c.leader) << c.llen;
    }
}
