#include "analyzer/engine/analyzer_settings.h"

#include "platform/ini.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vork;

TEST(AnalyzerSettingsTest, FirstStartWithoutAFile)
{
    testsupport::TempFolder folder;
    platform::IniFile ini(folder.file("ZV.INI"));
    AnalyzerSettings settings;
    settings.speed = 5; // whatever start-up set: the file's defaults win
    Get_INI_Stuff(settings, ini);
    EXPECT_EQ(settings.speed, 0);
    EXPECT_TRUE(settings.dash);
    EXPECT_EQ(settings.rapidColor, 12);
    EXPECT_EQ(settings.defaultMachine, "REVIZ.MCH");
    EXPECT_EQ(settings.solidPath, "C:\\HALVEN\\");
    EXPECT_EQ(folder.read("ZV.INI"), "[SYSTEM]\r\nDVVER=11.08\r\n");

    Set_INI_Stuff(settings, ini);
    EXPECT_EQ(folder.read("ZV.INI"),
              "[SYSTEM]\r\nDVVER=11.08\r\n"
              "[DV]\r\nARROWS=0\r\nDEBUG=0\r\nDASH=1\r\nEDIT=1\r\nLIMITS=1\r\nRULER=0\r\nSKIP=0\r\n"
              "STOOL=1\r\nSUB=0\r\nUSEROTARY=0\r\nPOSUP=1\r\nAXIS=0\r\nSPEED=0\r\nRAPCOLOR=12\r\n"
              "DEFEDIT=NOTEPAD.EXE\r\nDEFMCH=REVIZ.MCH\r\nBLACKBACK=0\r\nATOOL=1\r\nCVIEW=0\r\n"
              "[DIRECTORIES]\r\nTAPEDIR=c:\\HALVEN\r\n"
              "[ZVDESK]\r\nDEFEXT=TAP\r\n");
}

TEST(AnalyzerSettingsTest, RoundTripKeepsOtherSectionsAndBackslashes)
{
    testsupport::TempFolder folder;
    folder.write("ZV.INI",
                 "[mdvform.OvcMenuMRU1.Items]\r\nCount=1\r\n0=C:\\JOBS\\PART.TAP\r\n"
                 "[DV]\r\nARROWS=2\r\nSPEED=-4\r\nCVIEW=3\r\nDEFMCH=\"MILL.MCH\"\r\n"
                 "[DIRECTORIES]\r\nTAPEDIR=d:\\nc\\progs\r\nDRAWDIR=d:\\ops\r\n"
                 "[ZELMOVANTRIX]\r\nSOLIDPATH=E:\\VERIFY\\\r\n");
    platform::IniFile ini(folder.file("ZV.INI"));
    AnalyzerSettings settings;
    Get_INI_Stuff(settings, ini);
    EXPECT_TRUE(settings.arrows);
    EXPECT_EQ(settings.speed, 0); // clamped
    EXPECT_EQ(settings.view, 3);
    EXPECT_EQ(settings.defaultMachine, "MILL.MCH");
    EXPECT_EQ(settings.tapeDir, "d:\\nc\\progs");
    EXPECT_EQ(settings.drawDir, "d:\\ops");
    EXPECT_EQ(settings.solidPath, "E:\\VERIFY\\");

    settings.view = 1;
    settings.speed = 123456;
    Set_INI_Stuff(settings, ini);
    EXPECT_EQ(ini.readString("mdvform.OvcMenuMRU1.Items", "0"), "C:\\JOBS\\PART.TAP");
    EXPECT_EQ(ini.readString("DV", "ARROWS"), "1");
    EXPECT_EQ(ini.readString("DV", "CVIEW"), "1");
    EXPECT_EQ(ini.readString("DV", "SPEED"), "9999");
    EXPECT_EQ(ini.readString("DIRECTORIES", "TAPEDIR"), "d:\\nc\\progs");
    EXPECT_EQ(ini.readString("DIRECTORIES", "DRAWDIR"), "d:\\ops");
    EXPECT_EQ(ini.readString("ZELMOVANTRIX", "SOLIDPATH"), "E:\\VERIFY\\");

    AnalyzerSettings again;
    Get_INI_Stuff(again, ini);
    EXPECT_EQ(again.speed, 9999);
    EXPECT_EQ(again.tapeDir, settings.tapeDir);
}

TEST(AnalyzerSettingsTest, SolidPathGetsItsBackslashButEmptyStaysEmpty)
{
    testsupport::TempFolder folder;
    platform::IniFile ini(folder.file("ZV.INI"));
    AnalyzerSettings settings;
    ini.writeString("ZELMOVANTRIX", "SOLIDPATH", "C:\\HALVEN");
    Get_INI_Stuff(settings, ini);
    EXPECT_EQ(settings.solidPath, "C:\\HALVEN\\");
    ini.writeString("ZELMOVANTRIX", "SOLIDPATH", "");
    Get_INI_Stuff(settings, ini);
    EXPECT_EQ(settings.solidPath, "");
    EXPECT_EQ(AnalyzerVersionText(), "11.08");
}

TEST(AnalyzerSettingsTest, StoredFoldersResolveBelowTheProgramFolder)
{
    testsupport::TempFolder program;
    ::setenv("MRW_PROGRAM_DIR", program.path().c_str(), 1);
    program.write("MRW2013.INI", "[DRIVES]\r\nE=/srv/verify\r\n");
    AnalyzerSettings settings; // the defaults: c:\HALVEN for all three
    EXPECT_EQ(settings.TapeFolder(), program.file("HALVEN/"));
    EXPECT_EQ(settings.DrawFolder(), program.file("HALVEN/"));
    EXPECT_EQ(settings.SolidFolder(), program.file("HALVEN/"));
    settings.tapeDir = ".";
    settings.drawDir = "\\OPS";
    settings.solidPath = "E:\\CL\\";
    EXPECT_EQ(settings.TapeFolder(), program.path());
    EXPECT_EQ(settings.DrawFolder(), program.file("OPS/"));
    EXPECT_EQ(settings.SolidFolder(), "/srv/verify/CL/");
    ::unsetenv("MRW_PROGRAM_DIR");
}

TEST(AnalyzerSettingsTest, AFileThatCannotBeReadGivesTheDefaultsAndIsKept)
{
    testsupport::TempFolder folder;
    const std::string stored = "[DV]\r\nSPEED=7\r\nRAPCOLOR=3\r\nDEFMCH=LATHE.MCH\r\n[DIRECTORIES]\r\nTAPEDIR=/jobs\r\n";
    testsupport::writeUnreadable(folder, "ZV.INI", stored);
    testsupport::asOrdinaryUser([&] {
        platform::IniFile ini(folder.file("ZV.INI"));
        AnalyzerSettings settings;
        settings.speed = 5;
        try {
            Get_INI_Stuff(settings, ini);
            ADD_FAILURE() << "the unreadable file was written";
        } catch (const platform::IniUnreadableError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot read " + folder.file("ZV.INI") + ": settings kept in memory only");
        }
        EXPECT_EQ(settings.speed, 0);
        EXPECT_EQ(settings.defaultMachine, "REVIZ.MCH");
        EXPECT_THROW(Set_INI_Stuff(settings, ini), platform::IniUnreadableError);
    });
    EXPECT_EQ(testsupport::readRestored(folder, "ZV.INI"), stored);
}
