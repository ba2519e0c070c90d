#include "workspace/engine/machine_database.h"

#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/processes_at_once.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace mrw;

namespace {

const std::string Fixtures = std::string(MRW_TEST_FIXTURES) + "/machines";

std::string fixture(const std::string& name)
{
    return testsupport::readFixture(Fixtures, name);
}

// Globals of one test run on a database in a temporary folder.
struct MachineTest : ::testing::Test {
    testsupport::TempFolder folder;
    WorkspaceGlobals g;
    testsupport::ScriptedPrompter prompter;

    void SetUp() override
    {
        initializeWorkspaceGlobals(g, folder.path());
        g.MachineDatabasePath = folder.file("WPOSTS.INI");
    }
    void writeDatabase(const std::string& bytes) { folder.write("WPOSTS.INI", bytes); }
    std::string database() const { return folder.read("WPOSTS.INI"); }
    MachineDatabase db() const { return machineDatabase(g); }
    void answer(const std::string& text) { prompter.inputs.emplace_back(true, text); }
};

} // namespace

TEST_F(MachineTest, EveryKeyLoadsAndSavesBackInTheSameOrderAndCoding)
{
    writeDatabase(fixture("every_key.ini"));
    LoadMachine(g, "lathe 2"); // section names compare without case
    const MachineSettings& s = g.Machine.settings();

    EXPECT_EQ(s.MachType, machinetype::Lathe);
    EXPECT_FALSE(s.Babs);
    EXPECT_EQ(s.Format, 3);
    EXPECT_EQ(s.Lformat, 1);
    EXPECT_EQ(s.ArcType, 4);
    EXPECT_EQ(s.Eddesc, "Two-axis lathe, chuck 8\"");
    EXPECT_FALSE(s.Bseq);
    EXPECT_TRUE(s.Bred);
    EXPECT_EQ(s.DirLS, "\\\\server\\nc");
    EXPECT_EQ(s.Reseq.skpchrs, "<(%");
    EXPECT_TRUE(s.Reseq.lzeros);
    EXPECT_EQ(s.Arith.Operation, 3);
    EXPECT_EQ(s.Reformat.ReformatTargetMachine, "Mill 1");
    EXPECT_EQ(s.Reformat.Rows[0].Old, "M06");
    EXPECT_EQ(s.Reformat.Rows[20].New, "T1");
    EXPECT_TRUE(s.Fclean.DeleteBeforeFirstPercent);
    EXPECT_TRUE(s.Fclean.StripAfterProgramEnd);
    EXPECT_FALSE(s.Fclean.AddStopCode);
    EXPECT_EQ(s.Hubnum, 2);
    EXPECT_EQ(s.Portnum, 2);
    EXPECT_EQ(s.Baudnum, 6);
    EXPECT_EQ(s.Bitsnum, 4);
    EXPECT_EQ(s.Paritynum, parity::None);
    EXPECT_EQ(s.Sbitsnum, 0);
    EXPECT_EQ(s.Xonxoff, xonxoff::SendRecv);
    EXPECT_TRUE(s.Hdwhand);
    EXPECT_EQ(s.Tapecode, tapecode::Eia);
    EXPECT_EQ(s.Endsend, "/020%");
    EXPECT_EQ(s.crin, lineend::Strip);
    EXPECT_EQ(s.Mproto, protocol::Ymodem);
    EXPECT_EQ(s.Edtype, devicetype::RemoteCnc);
    EXPECT_EQ(s.EOFTime, 45);
    EXPECT_EQ(s.KeepRTSDelay, 6);
    EXPECT_EQ(s.EStartMSG, "NOTE(");
    EXPECT_EQ(s.Eendmsg, "#5");
    EXPECT_EQ(s.Ddelay, 25);
    EXPECT_TRUE(s.CBOverwrite);

    // Saved into a new database, the section comes out byte for byte as stored.
    g.MachineDatabasePath = folder.file("COPY.INI");
    SaveMachine(g, "Lathe 2");
    EXPECT_EQ(folder.read("COPY.INI"), fixture("every_key.ini"));
}

TEST_F(MachineTest, LoadingClearsTheModifiedMarkSetsFolderFlagsAndTellsTheWindows)
{
    int reloads = 0;
    const int id = g.Machine.addObserver([&] { ++reloads; });
    g.Machine.setModified(true);
    g.UploadFolderFirstTime = g.DownloadFolderFirstTime = g.LoadSaveFolderFirstTime = false;
    LoadMachine(g, "Nothing");
    EXPECT_FALSE(g.Machine.modified());
    EXPECT_TRUE(g.UploadFolderFirstTime && g.DownloadFolderFirstTime && g.LoadSaveFolderFirstTime);
    EXPECT_EQ(reloads, 1);
    g.Machine.removeObserver(id);
    LoadMachine(g, "Nothing");
    EXPECT_EQ(reloads, 1);
}

TEST_F(MachineTest, MissingKeysGiveTheDatabaseDefaults)
{
    LoadMachine(g, "Absent"); // no file at all
    const MachineSettings& s = g.Machine.settings();
    EXPECT_EQ(s.MachType, machinetype::Mill);
    EXPECT_EQ(s.Lformat, 3);
    EXPECT_EQ(s.DirUPL, "\\HALVEN");
    EXPECT_EQ(s.Portnum, -1);
    EXPECT_EQ(s.Baudnum, 5);   // "4800"
    EXPECT_EQ(s.Bitsnum, 3);   // "7"
    EXPECT_EQ(s.Paritynum, parity::Even);
    EXPECT_EQ(s.Sbitsnum, 2);  // "2"
    EXPECT_EQ(s.Xonxoff, xonxoff::None);
    EXPECT_FALSE(s.Hdwhand);
    EXPECT_EQ(s.Tapecode, tapecode::Iso);
    EXPECT_EQ(s.EOFTime, 10);
    EXPECT_EQ(s.XoffTime, 1);
    EXPECT_EQ(s.MfileDelay, 1);
    EXPECT_TRUE(s.duplex && s.autolf && s.Ansiemu);

    MachComRec rec;
    MachineRecordExchange(s, rec);
    EXPECT_EQ(rec.Port, -1);
    EXPECT_EQ(rec.Name, "Default Machine"); // left as it was
    EXPECT_FALSE(portNumberOf(rec));
    EXPECT_NE(lineSettingsProblem(rec), "");
}

TEST_F(MachineTest, BadValuesSelectNothingAreHeldInRangeOrLeaveTheBoxAsItWas)
{
    writeDatabase("[M]\r\nMTYPE=9\r\nFORMAT=7\r\nARCTYPE=0\r\nLXFORMAT=-2\r\nPORT=257\r\nBAUD=12345\r\n"
                  "DATABITS=7.0\r\nSTOPBITS=1.50\r\nPARITY=e\r\nFLOW=9\r\nTCODE=abc\r\nDTYPE=5\r\n"
                  "EOFTIME=99999\r\nXOFFTIME=0\r\nCDELAY=-4\r\nRMTSDELAY=10000\r\nLLEN=abc\r\nHUB=7\r\n");
    MachineSettings& s = g.Machine.settings();
    s.Paritynum = parity::Mark;
    s.Xonxoff = xonxoff::Receive;
    LoadMachine(g, "M");
    EXPECT_EQ(s.MachType, -1);
    EXPECT_EQ(s.Format, 1);
    EXPECT_EQ(s.ArcType, 6);
    EXPECT_EQ(s.Lformat, -1);
    EXPECT_EQ(s.Portnum, -1);
    EXPECT_EQ(s.Baudnum, -1);
    EXPECT_EQ(s.Bitsnum, -1);
    EXPECT_EQ(s.Sbitsnum, -1);
    EXPECT_EQ(s.Paritynum, parity::Mark); // lower case letters are not known
    EXPECT_EQ(s.Xonxoff, xonxoff::Receive);
    EXPECT_EQ(s.Tapecode, tapecode::Iso);   // not a number: the default
    EXPECT_EQ(s.Edtype, -1);
    EXPECT_EQ(s.Hubnum, -1);
    EXPECT_EQ(s.EOFTime, 9999);
    EXPECT_EQ(s.XoffTime, 1);
    EXPECT_EQ(s.Cdelay, 0);
    EXPECT_EQ(s.Sdelay, 9999);

    MachComRec rec;
    MachineRecordExchange(s, rec);
    EXPECT_EQ(rec.Baud, -1);
    EXPECT_FALSE(baudRateOf(rec));
    EXPECT_EQ(rec.LeaderLength, 0);
    s.llen = "-3"; // a send image never gets a negative leader
    MachineRecordExchange(s, rec);
    EXPECT_EQ(rec.LeaderLength, 0);
    EXPECT_EQ(lineSettingsProblem(rec), "No port is set for this machine");
    rec.Port = 0;
    EXPECT_EQ(lineSettingsProblem(rec), "No valid baud rate is set for this machine");

    // A box without selection is stored empty, never as an item of another index.
    g.MachineDatabasePath = folder.file("OUT.INI");
    SaveMachine(g, "M");
    const platform::IniFile out(folder.file("OUT.INI"));
    EXPECT_EQ(out.readString("M", "BAUD", "?"), "");
    EXPECT_EQ(out.readString("M", "PORT", "?"), "0");
    EXPECT_EQ(out.readString("M", "MTYPE", "?"), "0");
}

TEST_F(MachineTest, FlowAndHardwareHandshakeTable)
{
    struct Case {
        const char* keys;     // FLOW and HDWHAND lines, or none
        int xonxoff;          // after loading, the box starting at Send
        bool rtsCts;
        const char* savedFlow;
        const char* savedHdw;
    };
    const Case cases[] = {
        {"", xonxoff::None, false, "0", "0"},
        {"FLOW=0\r\n", xonxoff::None, false, "0", "0"},
        {"FLOW=1\r\n", xonxoff::SendRecv, false, "1", "0"},
        {"FLOW=2\r\n", xonxoff::None, true, "2", "1"},
        {"FLOW=3\r\n", xonxoff::SendRecv, true, "3", "1"},
        {"FLOW=3\r\nHDWHAND=0\r\n", xonxoff::SendRecv, false, "1", "0"},
        {"FLOW=4\r\n", xonxoff::Send, false, "4", "0"},
        {"FLOW=4\r\nHDWHAND=1\r\n", xonxoff::Send, true, "4", "1"},
        {"FLOW=5\r\nHDWHAND=1\r\n", xonxoff::Receive, true, "5", "1"},
        {"FLOW=258\r\n", xonxoff::None, true, "2", "1"}, // taken modulo 256
        {"FLOW=6\r\n", xonxoff::Send, false, "4", "0"},  // unknown: the box stays
        {"FLOW=0\r\nHDWHAND=1\r\n", xonxoff::None, true, "2", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        writeDatabase(std::string("[M]\r\n") + c.keys);
        g.Machine.settings().Xonxoff = xonxoff::Send;
        g.Machine.settings().Hdwhand = true;
        LoadMachine(g, "M");
        EXPECT_EQ(g.Machine.settings().Xonxoff, c.xonxoff);
        EXPECT_EQ(g.Machine.settings().Hdwhand, c.rtsCts);
        SaveMachine(g, "M");
        const platform::IniFile ini(g.MachineDatabasePath);
        EXPECT_EQ(ini.readString("M", "FLOW"), c.savedFlow);
        EXPECT_EQ(ini.readString("M", "HDWHAND"), c.savedHdw);
    }
}

TEST_F(MachineTest, RecordExchangeCopiesTheCommunicationSettings)
{
    writeDatabase(fixture("every_key.ini"));
    LoadMachine(g, "Lathe 2");
    MachComRec rec;
    rec.Folder1 = "keep";
    MachineRecordExchange(g.Machine.settings(), rec);
    EXPECT_EQ(rec.Hub, 2);
    EXPECT_EQ(rec.Port, 2);
    EXPECT_EQ(portNumberOf(rec), 3);
    EXPECT_EQ(baudRateOf(rec), 9600);
    EXPECT_EQ(dataBitsOf(rec), 8);
    EXPECT_EQ(rec.RtsCts, 1);
    EXPECT_EQ(rec.LeaderLength, 12);
    EXPECT_EQ(rec.TapeCode, tapecode::Eia);
    EXPECT_EQ(rec.LocalEcho, 0);
    EXPECT_EQ(rec.DeviceType, devicetype::RemoteCnc);
    EXPECT_EQ(rec.UploadDirFirst, 0);
    EXPECT_EQ(rec.DownloadDirFirst, 1);
    EXPECT_EQ(rec.RemoteStartDir, "LIST(");
    EXPECT_EQ(rec.SendInit, "/017");
    EXPECT_EQ(rec.EndRecvCodes, "/020");
    EXPECT_EQ(rec.Folder1, "keep");
    EXPECT_EQ(lineSettingsProblem(rec), "");
}

TEST(MachineDatabasePath, ProgramFolderCopyWinsWhenPresentAtStart)
{
    testsupport::TempFolder folder;
    EXPECT_EQ(machineDatabasePathFor(folder.path()), "WPOSTS.INI");
    folder.write("wposts.ini", "");
    EXPECT_EQ(machineDatabasePathFor(folder.path()), folder.file("wposts.ini"));

    WorkspaceGlobals g;
    initializeWorkspaceGlobals(g, folder.path());
    EXPECT_EQ(g.ProgramIniPath, folder.file("MRW2013.INI"));
    EXPECT_EQ(g.MachineDatabasePath, folder.file("wposts.ini"));
    EXPECT_EQ(g.CurrentMachine, g.DefaultMachine);
    EXPECT_EQ(g.DefaultMachine.Baud, 5);
    EXPECT_EQ(g.DefaultMachine.EofTimeout, 20);
    EXPECT_EQ(g.CurrentMachineName, "");
}

// ----- the list of machine names -----

TEST_F(MachineTest, WithoutANamesSectionTheListIsEmptyAndTheFirstAddTakesSlotOne)
{
    EXPECT_TRUE(db().machineNames().empty());
    answer("Mill 1");
    ASSERT_TRUE(AddMachine(g, prompter));
    EXPECT_EQ(g.CurrentMachineName, "Mill 1");
    EXPECT_TRUE(g.Machine.modified());
    EXPECT_EQ(database(), "[MACHINE NAMES]\r\nNUMBER=1\r\nMACHINE1=Mill 1\r\n");
}

TEST_F(MachineTest, ListReadingRules)
{
    // No NUMBER: up to 25 slots are listed; "not used" in another case is a machine.
    writeDatabase("[MACHINE NAMES]\r\nMACHINE1=Mill\r\nMACHINE2=Not Used\r\nMACHINE3=not used\r\n"
                  "MACHINE25=Lathe\r\nMACHINE26=Hidden\r\n");
    EXPECT_EQ(db().machineNames(), (std::vector<std::string>{"Mill", "not used", "Lathe"}));
    EXPECT_EQ(db().sortedMachineNames(), (std::vector<std::string>{"Lathe", "Mill", "not used"}));

    writeDatabase("[Machine Names]\r\nNumber=2\r\nMachine2=B\r\nMachine1=A\r\nMachine3=C\r\n");
    EXPECT_EQ(db().machineNames(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(MachineTest, AddWithoutNumberKeyNeverOverwritesAListedMachine)
{
    writeDatabase("[MACHINE NAMES]\r\nMACHINE1=Mill\r\nMACHINE2=Not Used\r\nMACHINE3=Lathe\r\n");
    answer("Router");
    ASSERT_TRUE(AddMachine(g, prompter));
    EXPECT_EQ(db().machineNames(), (std::vector<std::string>{"Mill", "Router", "Lathe"}));

    answer("Grinder");
    ASSERT_TRUE(AddMachine(g, prompter));
    const platform::IniFile ini(g.MachineDatabasePath);
    EXPECT_EQ(ini.readString(MachineNamesSection, "MACHINE4"), "Grinder");
    EXPECT_EQ(ini.readInt(MachineNamesSection, "NUMBER", 0), 4);
}

TEST_F(MachineTest, AddRefusesEmptyAndDuplicateNamesAndCancelAddsNothing)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=1\r\nMACHINE1=Mill\r\n");
    const std::string before = database();

    prompter.inputs.emplace_back(false, "");
    EXPECT_FALSE(AddMachine(g, prompter));
    answer("   ");
    EXPECT_FALSE(AddMachine(g, prompter));
    answer("MILL");
    EXPECT_FALSE(AddMachine(g, prompter));
    answer("Machine Names");
    EXPECT_FALSE(AddMachine(g, prompter));
    EXPECT_EQ(database(), before);
    EXPECT_EQ(g.CurrentMachineName, "");

    ASSERT_EQ(prompter.shown.size(), 7u); // four input boxes and three refusals
    EXPECT_EQ(prompter.shown[0].caption, "Machine Setup");
    EXPECT_EQ(prompter.shown[0].text, "Enter a New Machine Name");
    EXPECT_EQ(prompter.shown[2].text, "Enter a machine name");
    EXPECT_EQ(prompter.shown[4].text, "A machine named \"Mill\" already exists");
}

TEST_F(MachineTest, AddStopsWhenTheCurrentMachineIsNotToBeLeft)
{
    MachineCommandHooks hooks;
    hooks.confirmSave = [] { return false; };
    answer("Other");
    EXPECT_FALSE(AddMachine(g, prompter, hooks));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MachineTest, DeleteErasesTheSectionWithItsMacrosAndFreesTheFirstSlot)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=3\r\nMACHINE1=Mill\r\nMACHINE2=Lathe\r\nMACHINE3=Mill\r\n"
                  "[Mill]\r\nDIGL=2\r\nM1N=TOOL CHANGE\r\nM1L1=M06\r\n[Lathe]\r\nMTYPE=2\r\n");
    g.CurrentMachineName = "Mill";

    prompter.buttons.push_back(platform::Button::No);
    EXPECT_FALSE(DeleteCurrentMachine(g, prompter));
    EXPECT_TRUE(platform::IniFile(g.MachineDatabasePath).hasSection("Mill"));
    EXPECT_EQ(prompter.shown.back().text, "Delete Current Machine ?");
    EXPECT_EQ(prompter.shown.back().caption, "MARROWIN");

    g.Machine.setModified(true);
    ASSERT_TRUE(DeleteCurrentMachine(g, prompter));
    const platform::IniFile ini(g.MachineDatabasePath);
    EXPECT_FALSE(ini.hasSection("Mill"));
    EXPECT_EQ(ini.readString(MachineNamesSection, "MACHINE1"), "Not Used");
    EXPECT_EQ(ini.readString(MachineNamesSection, "MACHINE3"), "Mill");
    EXPECT_FALSE(g.Machine.modified());
    // The first machine of the sorted list is loaded.
    EXPECT_EQ(g.CurrentMachineName, "Lathe");
    EXPECT_EQ(g.Machine.settings().MachType, machinetype::Lathe);
}

TEST_F(MachineTest, RenameKeepsTheWholeSectionMacrosIncluded)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=2\r\nMACHINE1=Mill\r\nMACHINE2=Lathe\r\n"
                  "[Mill]\r\nDIGL=2\r\nM1N=TOOL CHANGE\r\nM1L1=M06 T01\r\n[Lathe]\r\nMTYPE=2\r\n");
    g.CurrentMachineName = "Mill";
    LoadMachine(g, "Mill");
    g.Machine.settings().Digr = "5"; // typed before the rename and saved by it

    int folderChecks = 0;
    MachineCommandHooks hooks;
    hooks.checkDefaultFolders = [&] { ++folderChecks; return true; };
    answer("VMC 500");
    ASSERT_TRUE(RenameMachine(g, prompter, hooks));
    EXPECT_EQ(prompter.shown.front().text, "Enter New Machine Name");
    EXPECT_EQ(g.CurrentMachineName, "VMC 500");
    EXPECT_EQ(folderChecks, 1);

    const platform::IniFile ini(g.MachineDatabasePath);
    EXPECT_FALSE(ini.hasSection("Mill"));
    EXPECT_EQ(ini.readString("VMC 500", "M1N"), "TOOL CHANGE");
    EXPECT_EQ(ini.readString("VMC 500", "M1L1"), "M06 T01");
    EXPECT_EQ(ini.readString("VMC 500", "DIGL"), "2");
    EXPECT_EQ(ini.readString("VMC 500", "DIGR"), "5");
    EXPECT_EQ(db().machineNames(), (std::vector<std::string>{"VMC 500", "Lathe"}));
}

TEST_F(MachineTest, RenameRefusalsLeaveEverythingAsItWas)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=2\r\nMACHINE1=Mill\r\nMACHINE2=Lathe\r\n[Mill]\r\nDIGL=2\r\n");
    g.CurrentMachineName = "Mill";
    const std::string before = database();
    for (const char* name : {"New Machine", "lathe", "", "Mill"}) {
        answer(name);
        EXPECT_FALSE(RenameMachine(g, prompter)) << name;
    }
    prompter.inputs.emplace_back(false, "");
    EXPECT_FALSE(RenameMachine(g, prompter));
    EXPECT_EQ(database(), before);
    EXPECT_EQ(g.CurrentMachineName, "Mill");
}

TEST_F(MachineTest, RenameInLetterCaseOnlyKeepsTheSection)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=1\r\nMACHINE1=mill\r\n[mill]\r\nM1N=X\r\n");
    g.CurrentMachineName = "mill";
    LoadMachine(g, "mill");
    answer("MILL");
    ASSERT_TRUE(RenameMachine(g, prompter));
    EXPECT_EQ(db().machineNames(), (std::vector<std::string>{"MILL"}));
    EXPECT_EQ(platform::IniFile(g.MachineDatabasePath).readString("MILL", "M1N"), "X");
}

TEST_F(MachineTest, SaveIntoAFileThatCannotBeWrittenThrowsTheWriteError)
{
    g.MachineDatabasePath = folder.file("missing/folder/WPOSTS.INI");
    EXPECT_THROW(SaveMachine(g, "M"), platform::IniWriteError);
}

TEST(ExampleDatabase, ThreeMachinesAndFourHubsOfWhichOneIsDefined)
{
    const MachineDatabase db(std::string(MRW_SOURCE_DIR) + "/examples/WPOSTS.INI");
    EXPECT_EQ(db.machineNames(), (std::vector<std::string>{"Mill 1", "Lathe 1", "Cell DFT", "HUB1"}));
    const platform::IniFile ini(db.path());
    for (const char* hub : {"HUB1", "HUB2", "HUB3", "HUB4"})
        EXPECT_TRUE(ini.hasSection(hub)) << hub;
    EXPECT_TRUE(ini.hasKey("HUB1", "PORT"));
    EXPECT_FALSE(ini.hasKey("HUB2", "PORT") || ini.hasKey("HUB3", "PORT") || ini.hasKey("HUB4", "PORT"));

    MachineSettings mill, lathe, dft;
    db.loadMachine("Mill 1", mill);
    db.loadMachine("Lathe 1", lathe);
    db.loadMachine("Cell DFT", dft);
    EXPECT_EQ(mill.MachType, machinetype::Mill);
    EXPECT_EQ(mill.Edtype, devicetype::MachineControl);
    EXPECT_EQ(mill.Portnum, 0);
    EXPECT_EQ(lathe.MachType, machinetype::Lathe);
    EXPECT_EQ(lathe.Portnum, 1);
    EXPECT_EQ(dft.Edtype, devicetype::DirectFileTransfer);
    EXPECT_EQ(dft.Portnum, -1);
}

TEST_F(MachineTest, AbsurdNumberIsHeldToTheSlotsAndNeverWalked)
{
    // Deleting or renaming a machine that is not listed must not walk NUMBER slots, and
    // no slot outside 1 .. MaxMachineSlots is ever written.
    struct Case {
        const char* number;
        const char* freedOrAddedKey; // where "Router" lands after "Ghost" is renamed
        int numberAfter;             // NUMBER after the add; 0 when left as it was
    };
    const Case cases[] = {
        {"2147483647", "MACHINE2", 0}, // the first free slot below the bound
        {"-5", "MACHINE3", 3},         // no slots at all: the next one after the used ones
        {"0", "MACHINE3", 3},
        {"99999999", "MACHINE2", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        writeDatabase(std::string("[MACHINE NAMES]\r\nNUMBER=") + c.number +
                      "\r\nMACHINE1=Mill\r\nMACHINE2=Mill 2\r\n");
        db().freeSlot("Mill 2");
        db().eraseMachine("Ghost");
        db().renameSlot("Ghost", "Router");
        const platform::IniFile ini(g.MachineDatabasePath);
        EXPECT_EQ(ini.readString(MachineNamesSection, c.freedOrAddedKey), "Router");
        if (c.numberAfter) {
            EXPECT_EQ(ini.readInt(MachineNamesSection, "NUMBER", 0), c.numberAfter);
        }
        EXPECT_EQ(database().find("MACHINE-"), std::string::npos);
    }
}

TEST(MachineSettingsCompare, EveryDialogsOptionsTakePart)
{
    // The modified mark compares whole settings: a change in any utility dialog counts.
    const MachineSettings base;
    const std::vector<std::function<void(MachineSettings&)>> changes = {
        [](MachineSettings& s) { s.Reseq.lzeros = true; },
        [](MachineSettings& s) { s.ChgBeginEnd.Bto = "N"; },
        [](MachineSettings& s) { s.Arith.Operation = 3; },
        [](MachineSettings& s) { s.MakeCols.tabw = "8"; },
        [](MachineSettings& s) { s.Reformat.Rows[3].New = "G1"; },
        [](MachineSettings& s) { s.Fclean.AddStopCode = true; },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        MachineSettings changed = base;
        changes[i](changed);
        EXPECT_FALSE(changed == base) << i;
        EXPECT_TRUE(MachineSettings(changed) == changed) << i;
    }
}

TEST_F(MachineTest, ARecordIsWholeWhateverMomentItsSaveIsKilledAt)
{
    writeDatabase(fixture("every_key.ini"));
    const std::string original = database();
    MachineSettings before;
    db().loadMachine("Lathe 2", before);
    MachineSettings changed = before;
    changed.Digl = "5";
    changed.Eddesc = "Rebuilt";
    changed.Reformat.Rows[20].New = "T2";
    changed.Baudnum = 3;
    changed.CBOverwrite = false;

    // The record as it reads back once saved whole.
    MachineDatabase copy(folder.file("COPY.INI"));
    copy.saveMachine("Lathe 2", changed);
    MachineSettings after;
    copy.loadMachine("Lathe 2", after);
    ASSERT_NE(after, before);

    const pid_t saver = ::fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
        db().saveMachine("Lathe 2", changed);
        ::_exit(0);
    }
    // The save is killed the moment the file is seen to change.
    std::string seen = original;
    int status = 0;
    while (seen == original && ::waitpid(saver, &status, WNOHANG) == 0)
        seen = database();
    ::kill(saver, SIGKILL);
    ::waitpid(saver, &status, 0);

    const auto readsAs = [&](const std::string& bytes) {
        folder.write("SEEN.INI", bytes);
        MachineSettings s;
        MachineDatabase(folder.file("SEEN.INI")).loadMachine("Lathe 2", s);
        return s;
    };
    for (const std::string& bytes : {seen, database()}) {
        const MachineSettings s = readsAs(bytes);
        EXPECT_TRUE(s == before || s == after) << "a torn record: DIGL " << s.Digl << ", DESCRIPTION " << s.Eddesc;
    }
}

TEST_F(MachineTest, ProgramsAddingMachinesAtOnceKeepEveryMachine)
{
    writeDatabase("[MACHINE NAMES]\r\nNUMBER=1\r\nMACHINE1=Mill\r\n");
    constexpr int Writers = 3, Machines = 15;
    testsupport::runTogether(Writers, [&](int writer) {
        for (int m = 0; m < Machines; ++m) {
            const std::string name = "W" + std::to_string(writer) + "-" + std::to_string(m);
            MachineSettings s;
            s.Eddesc = name;
            db().addMachineName(name);
            db().saveMachine(name, s);
        }
    });
    const auto names = db().machineNames();
    EXPECT_EQ(names.size(), 1u + Writers * Machines);
    for (const auto& name : names) {
        if (name == "Mill")
            continue;
        MachineSettings s;
        db().loadMachine(name, s);
        EXPECT_EQ(s.Eddesc, name);
    }
}

TEST_F(MachineTest, ADatabaseThatCannotBeReadIsNeitherListedNorWrittenOver)
{
    const std::string five = "[MACHINE NAMES]\r\nNUMBER=5\r\nMACHINE1=A\r\nMACHINE2=B\r\nMACHINE3=C\r\n"
                             "MACHINE4=D\r\nMACHINE5=E\r\n[A]\r\nPORT=1\r\n";
    testsupport::writeUnreadable(folder, "WPOSTS.INI", five);
    g.CurrentMachineName = "A";
    testsupport::asOrdinaryUser([&] {
        answer("New Machine");
        EXPECT_FALSE(AddMachine(g, prompter));
        EXPECT_FALSE(RenameMachine(g, prompter));
        EXPECT_FALSE(DeleteMachine(g, "A", false, prompter));
        EXPECT_THROW(SaveMachine(g, "A"), platform::IniUnreadableError);
    });
    ASSERT_EQ(prompter.shown.size(), 3u);
    for (const auto& shown : prompter.shown)
        EXPECT_EQ(shown.text, "Cannot read " + g.MachineDatabasePath + ": settings kept in memory only");
    EXPECT_EQ(prompter.inputs.size(), 1u); // no name was asked for
    EXPECT_EQ(testsupport::readRestored(folder, "WPOSTS.INI"), five);
}
