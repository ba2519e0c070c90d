#include "workspace/engine/port_devices.h"
#include "workspace/engine/setup_report.h"
#include "workspace/engine/setup_rules.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>

using namespace mrw;

namespace {

const std::string Fixtures = std::string(MRW_TEST_FIXTURES) + "/machines";
const std::string ExampleDatabase = std::string(MRW_SOURCE_DIR) + "/examples/WPOSTS.INI";

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l + "\r\n";
    return out;
}

// Keeps and restores the current directory, which the folder checks move.
struct KeepCurrentFolder {
    std::string saved = platform::currentFolder();
    ~KeepCurrentFolder() { platform::setCurrentFolder(saved); }
};

// Stored folders are read against this program folder while the object lives.
struct ProgramFolderIs {
    explicit ProgramFolderIs(const std::string& folder) { ::setenv("MRW_PROGRAM_DIR", folder.c_str(), 1); }
    ~ProgramFolderIs() { ::unsetenv("MRW_PROGRAM_DIR"); }
};

} // namespace

TEST(SetupReport, GoldenReportsOfTheExampleMachines)
{
    const MachineDatabase db(ExampleDatabase);
    const std::pair<const char*, const char*> machines[] = {
        {"Mill 1", "setup_mill.txt"}, {"Lathe 1", "setup_lathe.txt"}, {"Cell DFT", "setup_dft.txt"}};
    for (const auto& [name, golden] : machines) {
        SCOPED_TRACE(name);
        MachineSettings s;
        db.loadMachine(name, s);
        EXPECT_EQ(joined(setupReportLines(s, name, db)), testsupport::readFixture(Fixtures, golden));
    }
}

TEST(SetupReport, FormatSectionByMachineType)
{
    testsupport::TempFolder folder;
    const MachineDatabase db(folder.file("WPOSTS.INI"));
    MachineSettings s;
    auto formatLines = [&] {
        const auto lines = setupReportLines(s, "M", db);
        const auto from = std::find(lines.begin(), lines.end(), "Machine Type                   : " +
                                                                     itemText(MachineTypeTexts, s.MachType));
        const auto to = std::find(from, lines.end(), std::string(10, ' ') + "[Defaults]" + std::string(6, ' '));
        return std::vector<std::string>(from + 1, to - 1);
    };
    s.MachType = machinetype::DxfFile;
    s.Babs = false;
    s.Bred = true;
    EXPECT_EQ(formatLines(), (std::vector<std::string>{"DXF File Orientation           : Lathe",
                                                       "DXF File Coordinates           : 3D"}));
    s.MachType = machinetype::PrintFile;
    EXPECT_EQ(formatLines(), (std::vector<std::string>{"  -- No Additional Settings --"}));

    s.MachType = machinetype::BendixMill;
    s.Format = 4;
    s.Bseq = false;
    s.ArcType = 6;
    const auto bendix = formatLines();
    EXPECT_EQ(bendix[1], "Number Format                  : Leading/Trailing Zeros");
    EXPECT_EQ(std::count_if(bendix.begin(), bendix.end(),
                            [](const std::string& l) { return l.rfind("Starting Sequence", 0) == 0; }),
              0);
    EXPECT_NE(std::find(bendix.begin(), bendix.end(), "Arc Center Type                : Use Linear Moves for Arcs "),
              bendix.end());
}

TEST(SetupReport, SummaryOfADatabaseWithoutMachineList)
{
    testsupport::TempFolder folder;
    folder.write("WPOSTS.INI", "[M]\r\nDTYPE=9\r\n");
    std::vector<std::string> lines;
    WriteSetupReport(MachineDatabase(folder.file("WPOSTS.INI")), lines);
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], std::string(26, ' ') + "DNC Summary");

    folder.write("WPOSTS.INI", "[MACHINE NAMES]\r\nNUMBER=1\r\nMACHINE1=M\r\n[M]\r\nDTYPE=9\r\n");
    lines.clear();
    WriteSetupReport(MachineDatabase(folder.file("WPOSTS.INI")), lines);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[8], "Settings: com: N/A baud: 0 bits: 8 stop: 1 parity: N");
    EXPECT_EQ(lines[9], "Device Type: ");
}

TEST(SetupRules, GroupsEnabledByMachineType)
{
    struct Row {
        int type;
        std::vector<bool> groups; // coordinate, format, left, right, lathe, arc, rapid, linear, cw, ccw, seq, feed
        const char* caption;
    };
    const std::vector<bool> all(12, true);
    std::vector<bool> mill = all;
    mill[4] = false;
    std::vector<bool> dxf(12, false);
    dxf[0] = true;
    const std::vector<bool> none(12, false);
    const Row rows[] = {
        {machinetype::Mill, mill, "Coordinate Mode"},   {machinetype::BendixMill, mill, "Coordinate Mode"},
        {machinetype::Lathe, all, "Coordinate Mode"},   {machinetype::DxfFile, dxf, "DXF File Mode"},
        {machinetype::PrintFile, none, "Coordinate Mode"}, {-1, none, "Coordinate Mode"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        const MachineTypeView v = machineTypeView(row.type);
        const std::vector<bool> got{v.coordinateMode, v.format,     v.digitsLeft, v.digitsRight,
                                    v.latheFormat,    v.arcCenter,  v.rapidCode,  v.linearCode,
                                    v.clockwise,      v.counterClockwise, v.sequenceNumbers, v.feedDigits};
        EXPECT_EQ(got, row.groups);
        EXPECT_EQ(v.coordinateGroupCaption, row.caption);
    }
    EXPECT_EQ(machineTypeView(machinetype::DxfFile).absCaption, "Mill");
    EXPECT_EQ(machineTypeView(machinetype::DxfFile).incCaption, "Lathe");
    EXPECT_EQ(machineTypeView(machinetype::Lathe).absCaption, "Abs");
    EXPECT_EQ(machineTypeView(machinetype::Lathe).incCaption, "Incr");
}

TEST(SetupRules, DeviceTypeTable)
{
    const DeviceTypeView machine{false, false, "Char Delay", "Line Delay"};
    const DeviceTypeView terminal{false, false, "Time Out  ", "Term Lines"};
    EXPECT_EQ(deviceTypeView(devicetype::MachineControl), machine);
    EXPECT_EQ(deviceTypeView(devicetype::HubTerminal), terminal);
    EXPECT_EQ(deviceTypeView(devicetype::ShopTerminal), terminal);
    EXPECT_EQ(deviceTypeView(devicetype::RemoteCnc), (DeviceTypeView{true, false, "Char Delay", "Line Delay"}));
    EXPECT_EQ(deviceTypeView(devicetype::DirectFileTransfer),
              (DeviceTypeView{false, true, "Char Delay", "Line Delay"}));
    EXPECT_EQ(deviceTypeView(-1), machine);
}

TEST(SetupRules, LeaderSpinnerNeverGoesBelowZero)
{
    std::string error;
    EXPECT_EQ(stepLeaderLength("4", 1, error), "5");
    EXPECT_EQ(stepLeaderLength(" 4 ", -1, error), "3");
    EXPECT_EQ(stepLeaderLength("0", -1, error), "0");
    EXPECT_EQ(stepLeaderLength("-3", 1, error), "0");
    EXPECT_FALSE(stepLeaderLength("abc", 1, error));
    EXPECT_EQ(error, "'abc' is not a valid integer value");
    EXPECT_EQ(stepLeaderLength("1000", 1, error), "1000");
    EXPECT_EQ(stepLeaderLength("5000", -1, error), "1000");
}

TEST(SetupRules, LeaderBeyondTheLongestIsRefused)
{
    struct Case { const char* text; bool accepted; };
    const Case cases[] = {{"1000", true}, {"0", true}, {"abc", true}, {"-5", true}, {"1001", false},
                          {"2147483647", false}};
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(leaderLengthAcceptable(c.text, error), c.accepted) << c.text;
        EXPECT_EQ(error, c.accepted ? "" : "The leader length must be from 0 to 1000 inches") << c.text;
    }
}

TEST(SetupRules, FolderChecksInATemporaryFolder)
{
    KeepCurrentFolder keep;
    testsupport::TempFolder folder;
    ProgramFolderIs program(folder.path());
    testsupport::ScriptedPrompter prompter;
    MachineSettings s;
    s.DirUPL = "up";
    s.DirDNL = "down\\";
    s.DirLS = "missing\\deeper";

    // No to the first question stops the checks.
    prompter.buttons = {platform::Button::No};
    EXPECT_FALSE(CheckDefaultFolders(s, prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Folder for \"Default Upload\" Does Not Exist, Create ?");
    EXPECT_FALSE(platform::folderExists(folder.file("up")));

    // Yes creates one level; a folder whose parent is missing cannot be made.
    prompter.shown.clear();
    prompter.buttons = {platform::Button::Yes, platform::Button::Yes, platform::Button::Yes};
    EXPECT_FALSE(CheckDefaultFolders(s, prompter));
    EXPECT_TRUE(platform::folderExists(folder.file("up")));
    EXPECT_TRUE(platform::folderExists(folder.file("down")));
    ASSERT_EQ(prompter.shown.size(), 4u);
    EXPECT_EQ(prompter.shown[3].text, "Error Creating Folder \"missing\\deeper\"");

    // Existing folders are entered: the last one becomes the current directory.
    s.DirLS = "down";
    prompter.shown.clear();
    EXPECT_TRUE(CheckDefaultFolders(s, prompter));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(platform::currentFolder(), folder.file("down/"));
}

// Windows-rooted folders lie under the program folder (or the drive [DRIVES] maps), and a
// relative one is taken from the program folder, not from the folder the last check entered.
TEST(SetupRules, FolderChecksFollowTheStoredPathRule)
{
    KeepCurrentFolder keep;
    testsupport::TempFolder folder;
    ProgramFolderIs program(folder.path());
    folder.write("MRW2013.INI", "[DRIVES]\r\nD=drive-d\r\n");
    for (const char* made : {"HALVEN", "up", "drive-d/NC"})
        ASSERT_TRUE(platform::makeFolders(folder.file(made)));
    testsupport::ScriptedPrompter prompter;
    MachineSettings s;
    s.DirUPL = "up";
    s.DirDNL = "C:\\HALVEN";
    s.DirLS = "up";
    EXPECT_TRUE(CheckDefaultFolders(s, prompter));
    s.DirUPL = "\\HALVEN";
    s.DirDNL = "D:\\NC";
    s.DirLS = "up";
    EXPECT_TRUE(CheckDefaultFolders(s, prompter));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(platform::currentFolder(), folder.file("up/"));
}

TEST(SetupRules, ConfirmSaveMachineAsksOnlyAfterChanges)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    WorkspaceGlobals g;
    initializeWorkspaceGlobals(g, folder.path());
    g.MachineDatabasePath = folder.file("WPOSTS.INI");
    g.CurrentMachineName = "Mill";
    EXPECT_TRUE(ConfirmSaveMachine(g, prompter));
    EXPECT_TRUE(prompter.shown.empty());

    g.Machine.setModified(true);
    g.Machine.settings().Digl = "5";
    prompter.buttons = {platform::Button::No};
    EXPECT_FALSE(ConfirmSaveMachine(g, prompter));
    EXPECT_EQ(prompter.shown.back().text, "Save Current Machine Settings?");
    EXPECT_FALSE(platform::fileExists(g.MachineDatabasePath));

    EXPECT_TRUE(ConfirmSaveMachine(g, prompter)); // Yes
    EXPECT_FALSE(g.Machine.modified());
    EXPECT_EQ(platform::IniFile(g.MachineDatabasePath).readString("Mill", "DIGL"), "5");

    g.MachineDatabasePath = folder.file("no/folder/WPOSTS.INI");
    g.Machine.setModified(true);
    EXPECT_FALSE(ConfirmSaveMachine(g, prompter));
    EXPECT_TRUE(g.Machine.modified());
    EXPECT_EQ(prompter.shown.back().text, "Unable to write to " + g.MachineDatabasePath);
}

TEST(SetupRules, BackupAndRestoreUseTheDatabaseInUse)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("WPOSTS.INI", "[MACHINE NAMES]\r\nNUMBER=0\r\n");
    platform::makeFolders(folder.file("backup"));
    const std::string database = folder.file("WPOSTS.INI");

    ASSERT_TRUE(backupMachineDatabase(database, folder.file("backup"), prompter));
    EXPECT_EQ(folder.read("backup/WPOSTS.INI"), folder.read("WPOSTS.INI"));

    folder.write("WPOSTS.INI", "changed");
    prompter.buttons = {platform::Button::No};
    EXPECT_FALSE(backupMachineDatabase(database, folder.file("backup"), prompter)); // not replaced
    EXPECT_EQ(folder.read("backup/WPOSTS.INI"), "[MACHINE NAMES]\r\nNUMBER=0\r\n");

    ASSERT_TRUE(restoreMachineDatabase(database, folder.file("backup"), prompter)); // Yes to replacing
    EXPECT_EQ(folder.read("WPOSTS.INI"), "[MACHINE NAMES]\r\nNUMBER=0\r\n");

    prompter.shown.clear();
    EXPECT_FALSE(restoreMachineDatabase(database, folder.file("nothing"), prompter));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(folder.read("WPOSTS.INI"), "[MACHINE NAMES]\r\nNUMBER=0\r\n");
}

TEST(PortDevices, MappedPortsAndTheLinuxConvention)
{
    testsupport::TempFolder folder;
    folder.write("MRW2013.INI", "[PORTS]\r\nCOM3=/dev/ttyUSB0\r\n");
    EXPECT_EQ(portDevicePath(folder.file("MRW2013.INI"), 3), "/dev/ttyUSB0");
    EXPECT_EQ(portDevicePath(folder.file("MRW2013.INI"), 1), "/dev/ttyS0");
    EXPECT_EQ(portDevicePath(folder.file("MRW2013.INI"), 256), "/dev/ttyS255");
}
