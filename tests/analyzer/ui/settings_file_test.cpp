// The analyzer's window on a ZV.INI that exists but cannot be read.
#include "analyzer/ui/main_window.h"

#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <QApplication>

using namespace vork;

TEST(AnalyzerSettingsFile, AWindowOnAFileItCannotReadSaysSoWorksOnDefaultsAndKeepsTheFile)
{
    testsupport::TempFolder folder;
    std::string stored = "[DV]\r\nSPEED=7\r\nRAPCOLOR=3\r\nDEFMCH=LATHE.MCH\r\nBLACKBACK=1\r\n"
                         "[DIRECTORIES]\r\nTAPEDIR=/jobs\r\nDRAWDIR=/jobs/ops\r\n[ZVDESK]\r\nDEFEXT=NC\r\n";
    for (int i = 0; i < 4; ++i)
        stored += "[mdvform.OvcMenuMRU" + std::to_string(i) + ".Items]\r\nCount=1\r\n0=/jobs/P" + std::to_string(i) + ".NC\r\n";
    testsupport::writeUnreadable(folder, "ZV.INI", stored);
    testsupport::ScriptedPrompter prompter;
    testsupport::asOrdinaryUser([&] {
        auto window = std::make_unique<Tmdvform>(folder.path(), &prompter);
        window->show();
        QApplication::processEvents();
        EXPECT_EQ(window->settings().speed, 0);
        EXPECT_EQ(window->settings().defaultExtension, "TAP");
        window->close();
        window.reset();
    });
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.front().text, "Cannot read " + folder.file("ZV.INI") + ": settings kept in memory only");
    EXPECT_EQ(testsupport::readRestored(folder, "ZV.INI"), stored);
}

// Values that do not read are said at start in one message, each with the value used,
// and the window works with those values.
TEST(AnalyzerSettingsFile, ValuesThatDoNotReadAreNamedOnceAtStart)
{
    testsupport::TempFolder folder;
    folder.write("ZV.INI", std::string("[DV]\r\nARROWS=\0 1\r\nSPEED=fast\r\nDASH=1\r\nRAPCOLOR=3x\r\n", 51) +
                               "[mdvform.OvcMenuMRU1.Items]\r\nCount=two\r\n");
    testsupport::ScriptedPrompter prompter;
    Tmdvform window(folder.path(), &prompter);
    EXPECT_FALSE(window.settings().arrows);
    EXPECT_TRUE(window.settings().dash);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Settings in " + folder.file("ZV.INI") + " that could not be read:\n"
                                      "[DV] ARROWS=\"<00> 1\": 0 used\n"
                                      "[DV] SPEED=\"fast\": 0 used\n"
                                      "[DV] RAPCOLOR=\"3x\": 12 used\n"
                                      "[mdvform.OvcMenuMRU1.Items] Count=\"two\": 0 used");
    EXPECT_EQ(prompter.shown[0].kind, platform::MessageKind::Warning);
}
