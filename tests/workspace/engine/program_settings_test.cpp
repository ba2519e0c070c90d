#include "workspace/engine/program_settings.h"

#include "platform/numbers.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

using mrw::ProgramSettings;
using testsupport::TempFolder;

namespace {
double plainReal(std::string_view text)
{
    return platform::parseReal(text).value_or(0.0);
}

ProgramSettings loadFrom(const TempFolder& dir, const std::string& general)
{
    dir.write("MRW2013.INI", "[GENERAL]\r\n" + general);
    platform::IniFile ini(dir.file("MRW2013.INI"));
    ProgramSettings s;
    mrw::loadProgramSettings(ini, s, dir.path(), plainReal);
    return s;
}
}

TEST(ProgramSettings, MissingFileGivesTheDefaults)
{
    TempFolder dir;
    platform::IniFile ini(dir.file("MRW2013.INI"));
    ProgramSettings s;
    mrw::loadProgramSettings(ini, s, dir.path(), plainReal);
    EXPECT_TRUE(s.Backup);
    EXPECT_TRUE(s.ForceCaps);
    EXPECT_TRUE(s.NcWarn);
    EXPECT_TRUE(s.ShowSyntax);
    EXPECT_EQ(s.TabType, 1);
    EXPECT_EQ(s.TabSize, 8);
    EXPECT_EQ(s.WrapColumn, 80);
    EXPECT_EQ(s.DtrDelayTicks, 36);
    EXPECT_EQ(s.TempDir, dir.path());
    EXPECT_EQ(s.LineSkipMarker, "<");
    EXPECT_EQ(s.NumberColor, 16711680u);
    EXPECT_EQ(s.CommentColor, 255u);
    EXPECT_EQ(s.EditorColor, 16777215u);
    EXPECT_DOUBLE_EQ(s.PrintMarginLeft, 1.0);
    EXPECT_FALSE(s.HasEditorFont);
    EXPECT_EQ(s.PrintFont.name, "Courier New");
    EXPECT_EQ(s.PrintFont.size, 11);
}

TEST(ProgramSettings, DelaysAreHeldInTicks)
{
    struct Case { int file; int ticks; int writtenBack; };
    for (const Case c : {Case{2, 36, 2}, Case{-5, 5, 0}, Case{0, 0, 0}, Case{10, 182, 10}, Case{-36, 36, 2}}) {
        EXPECT_EQ(mrw::delaySecondsToTicks(c.file), c.ticks) << c.file;
        EXPECT_EQ(mrw::delayTicksToSeconds(c.ticks), c.writtenBack) << c.file;
    }
    TempFolder dir;
    const ProgramSettings s = loadFrom(dir, "DTRDELAY=-5\r\nCOMOPENDELAY=2\r\n");
    EXPECT_EQ(s.DtrDelayTicks, 5);
    EXPECT_EQ(s.ComOpenDelayTicks, 36);
    platform::IniFile ini(dir.file("MRW2013.INI"));
    mrw::saveProgramSettings(ini, s);
    EXPECT_EQ(ini.readString("GENERAL", "DTRDELAY"), "0");
    EXPECT_EQ(ini.readString("GENERAL", "COMOPENDELAY"), "2");
}

TEST(ProgramSettings, EditorFontOnlyWithAName)
{
    TempFolder dir;
    ProgramSettings s = loadFrom(dir, "FONTSIZE=14\r\nFONTBOLD=1\r\n");
    EXPECT_FALSE(s.HasEditorFont);
    EXPECT_EQ(s.EditorFont.size, 9);
    EXPECT_FALSE(s.EditorFont.bold);

    s = loadFrom(dir, "FONTNAME=Liberation Mono\r\nFONTSIZE=14\r\nFONTCOLOR=255\r\nFONTITALIC=1\r\n");
    EXPECT_TRUE(s.HasEditorFont);
    EXPECT_EQ(s.EditorFont.name, "Liberation Mono");
    EXPECT_EQ(s.EditorFont.size, 14);
    EXPECT_EQ(s.EditorFont.color, 255u);
    EXPECT_FALSE(s.EditorFont.bold);
    EXPECT_TRUE(s.EditorFont.italic);
}

TEST(ProgramSettings, RoundTripKeepsEveryValue)
{
    TempFolder dir;
    ProgramSettings s;
    s.UseSecure = s.DncAlert = s.AutoIndent = s.WordWrap = s.WrapToWindow = s.WordStar = true;
    s.Backup = s.ForceCaps = s.PrettyPrint = s.NcWarn = s.ShowSyntax = false;
    s.ColourPrint = s.AutoRemote = s.RtsLowForWrite = true;
    s.WrapColumn = 72;
    s.TabType = 2;
    s.TabSize = 4;
    s.PrintMarginLeft = 0.75;
    s.PrintMarginTop = 0.25;
    s.PrintMarginBottom = 1.5;
    s.CurrentMachine = "HAAS VF2";
    s.TempDir = dir.path();
    s.DtrDelayTicks = 54;
    s.ComOpenDelayTicks = 18;
    s.LineSkipMarker = "#";
    s.ComInSize = 8192;
    s.ComOutSize = 1024;
    s.AddressColor = 0x123456;
    s.NumberColor = 0x00FF00;
    s.CommentColor = 0x808080;
    s.EditorColor = 0xF0F0F0;
    s.HighlightColor = 0xFF000005; // a system colour keeps its high byte
    s.HasEditorFont = true;
    s.EditorFont = {"DejaVu Sans Mono", 11, 0x0000FF, true, true};
    s.PrintFont = {"Liberation Mono", 10, 0, true, false};

    platform::IniFile ini(dir.file("MRW2013.INI"));
    mrw::saveProgramSettings(ini, s);
    EXPECT_EQ(ini.readString("GENERAL", "PMARGINL"), "0.75000");
    EXPECT_EQ(ini.readString("GENERAL", "USESECURE"), "1");
    EXPECT_EQ(ini.readString("GENERAL", "ACOLOR"), "1193046");
    EXPECT_FALSE(ini.hasKey("GENERAL", "TEMPDIR"));
    EXPECT_FALSE(ini.hasKey("GENERAL", "LOGGING"));

    ProgramSettings back;
    mrw::loadProgramSettings(ini, back, dir.path(), plainReal);
    EXPECT_EQ(back, s);
}

TEST(ProgramSettings, MarginTextGoesThroughTheConverter)
{
    TempFolder dir;
    dir.write("MRW2013.INI", "[GENERAL]\r\nPMARGINL=abc\r\nPMARGINT=.25\r\n");
    platform::IniFile ini(dir.file("MRW2013.INI"));
    ProgramSettings s;
    std::vector<std::string> seen;
    mrw::loadProgramSettings(ini, s, dir.path(), [&](std::string_view t) {
        seen.emplace_back(t);
        return platform::parseReal(t).value_or(0.0);
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"abc", ".25", "0.5"}));
    EXPECT_DOUBLE_EQ(s.PrintMarginLeft, 0.0);
    EXPECT_DOUBLE_EQ(s.PrintMarginTop, 0.25);
}

TEST(ProgramSettings, AFileThatCannotBeReadIsReportedAndKept)
{
    TempFolder dir;
    const std::string stored = "[GENERAL]\r\nUSESECURE=1\r\nTABSIZE=3\r\n[DRIVES]\r\nC=/srv/nc\r\n[PORTS]\r\nCOM1=/dev/ttyUSB0\r\n";
    testsupport::writeUnreadable(dir, "MRW2013.INI", stored);
    dir.write("WPOSTS.INI", "[MACHINE NAMES]\r\n");
    testsupport::asOrdinaryUser([&] {
        platform::IniFile ini(dir.file("MRW2013.INI"));
        ProgramSettings s;
        mrw::loadProgramSettings(ini, s, dir.path(), plainReal);
        ProgramSettings defaults;
        mrw::loadProgramSettings(platform::IniFile(dir.file("MISSING.INI")), defaults, dir.path(), plainReal);
        EXPECT_EQ(s, defaults);
        EXPECT_THROW(mrw::saveProgramSettings(ini, s), platform::IniUnreadableError);
        EXPECT_EQ(mrw::unreadableSettingsMessages(
                      {dir.file("MRW2013.INI"), dir.file("WPOSTS.INI"), dir.file("MISSING.INI")}),
                  (std::vector<std::string>{"Cannot read " + dir.file("MRW2013.INI") + ": settings kept in memory only"}));
    });
    EXPECT_EQ(testsupport::readRestored(dir, "MRW2013.INI"), stored);
}
