#include "analyzer/engine/machine_setup.h"

#include "platform/textfile.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using vork::TMachineSetup;

struct ViewRecorder : vork::MachineTypeListener {
    std::vector<bool> calls;
    void machineLoaded(bool lathe) override { calls.push_back(lathe); }
};

TMachineSetup loaded(const std::vector<std::string>& lines)
{
    TMachineSetup m;
    vork::LoadMachineLines(m, "T.MCH", lines);
    return m;
}

TEST(MachineSetupRead, LineRules)
{
    EXPECT_EQ(loaded({"I    1 2.7"}).I(1), 2);
    EXPECT_EQ(loaded({"I   86 -3.9"}).I(86), -3);
    EXPECT_EQ(loaded({"I12    7"}).I(12), 7);                        // index anywhere in columns 2..6
    EXPECT_EQ(loaded({"I\t   4x9"}).I(4), 9);                        // column 7 is not looked at
    EXPECT_EQ(loaded({"i    1 2", "", ";I    1 2"}).I(1), 0);
    EXPECT_EQ(loaded({"I    2 1" + std::string(72, ' ') + "5"}).I(2), 1); // only 80 characters count
    EXPECT_DOUBLE_EQ(loaded({"R   37 0.00100"}).R(37), 0.001);
    EXPECT_EQ(loaded({"S    1 ABCDEFGHIJK"}).S(1), "ABCDEFGH");
    EXPECT_EQ(loaded({"S   17 XNONE"}).S(17), "NONE");
    EXPECT_EQ(loaded({"S   17 none"}).S(17), "none");
    EXPECT_EQ(loaded({"S    3 Z", "S    3"}).S(3), "");
    EXPECT_EQ(loaded({"S   24  ( "}).S(24), " ( ");
    EXPECT_EQ(loaded({"I    7 1", "I    7 5"}).I(7), 5);           // a later line wins
}

TEST(MachineSetupRead, IndexesOutsideTheTablesAreSkipped)
{
    const TMachineSetup m = loaded({"I  151 5", "I    0 5", "R   76 5", "S   -1 X", "S  1x1 X", "I 99999999999 1"});
    for (int v : m.Ints)
        EXPECT_EQ(v, 0);
    for (double v : m.Reals)
        EXPECT_EQ(v, 0.0);
    for (const auto& s : m.Strs)
        EXPECT_EQ(s, "");
}

TEST(MachineSetupRead, PostOptionRules)
{
    for (const char* line : {"I  126 10", "I  126 -9999", "I  126 -1"}) {
        const TMachineSetup m = loaded({line});
        EXPECT_EQ(m.I(126), 0) << line;
        EXPECT_EQ(m.PostOption, 0) << line;
    }
    const TMachineSetup bendix = loaded({"I  126 1", "S   10 Q", "S   24 (", "S   25 )"});
    EXPECT_EQ(bendix.PostOption, 1);
    EXPECT_EQ(bendix.S(10), "R");
    EXPECT_EQ(bendix.S(24), "");
    EXPECT_EQ(bendix.S(25), "");
    EXPECT_EQ(loaded({"I  126 7"}).PostOption, 7);
}

TEST(MachineSetupRead, PartialFileOverlaysTheLoadedMachineAndSwitchesTheView)
{
    testsupport::TempFolder folder;
    vork::MachineSetupWorkingCopy mill;
    mill.SetDefaults();
    ASSERT_TRUE(vork::WriteMachineFile(mill, folder.file("MILL.MCH")));
    folder.write("LATHE.MCH", "I    1 2\n");

    TMachineSetup m;
    ViewRecorder view;
    ASSERT_TRUE(vork::LoadMachineFile(m, folder.file("MILL.MCH"), &view));
    ASSERT_TRUE(vork::LoadMachineFile(m, folder.file("LATHE.MCH"), &view));
    EXPECT_EQ(view.calls, (std::vector<bool>{false, true}));
    EXPECT_EQ(m.FileName, folder.file("LATHE.MCH"));
    EXPECT_EQ(m.I(1), 2);
    EXPECT_EQ(m.I(15), 90);
    EXPECT_EQ(m.S(1), "X");
    EXPECT_DOUBLE_EQ(m.R(10), 999.99988);

    // A missing file is reported and changes nothing, not even the file name.
    EXPECT_FALSE(vork::LoadMachineFile(m, folder.file("NOPE.MCH"), &view));
    EXPECT_EQ(m.FileName, folder.file("LATHE.MCH"));
    EXPECT_EQ(view.calls.size(), 2u);
}

TEST(MachineSetupWrite, DefaultsLayoutAndRoundTrip)
{
    vork::MachineSetupWorkingCopy copy;
    copy.SetDefaults();
    const auto lines = vork::FormatMachineFile(copy);
    ASSERT_EQ(lines.size(), 300u);
    EXPECT_EQ(lines[0], "I    1 1");
    EXPECT_EQ(lines[2], "I    3 -9999");
    EXPECT_EQ(lines[150], "R    1 1.00000");
    EXPECT_EQ(lines[159], "R   10 999.99988");
    EXPECT_EQ(lines[186], "R   37 0.00100");
    EXPECT_EQ(lines[208], "R   59 -9999.00000");
    EXPECT_EQ(lines[225], "S    1 X");
    EXPECT_EQ(lines[241], "S   17 NONE");
    EXPECT_EQ(lines[266], "S   42 NONE");

    testsupport::TempFolder folder;
    ASSERT_TRUE(vork::WriteMachineFile(copy, folder.file("D.MCH")));
    const std::string bytes = folder.read("D.MCH");
    EXPECT_EQ(bytes.substr(0, 10), "I    1 1\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    vork::MachineSetupWorkingCopy back; // read over a copy of other values
    back.mach_int.fill(7);
    back.mach_int[0] = 0;
    ASSERT_TRUE(vork::ReadMachineFile(back, folder.file("D.MCH")));
    EXPECT_EQ(back.mach_int, copy.mach_int);
    EXPECT_EQ(back.Mach_real, copy.Mach_real);
    EXPECT_EQ(back.Mach_Str, copy.Mach_Str);

    // The same file with LF line ends reads the same.
    std::string lf;
    for (const auto& l : lines)
        lf += l + "\n";
    folder.write("LF.MCH", lf);
    vork::MachineSetupWorkingCopy fromLf;
    ASSERT_TRUE(vork::ReadMachineFile(fromLf, folder.file("LF.MCH")));
    EXPECT_EQ(fromLf.Mach_real, copy.Mach_real);
}

TEST(MachineSetupWrite, TheEditorHoldsRealsInSinglePrecisionAndKeepsItsPostOption)
{
    const std::vector<std::string> lines = {"I  126 10", "R    7 0.1"};
    vork::MachineSetupWorkingCopy copy;
    vork::ReadMachineLines(copy, lines);
    EXPECT_EQ(copy.mach_int[126], 10);
    EXPECT_EQ(copy.Mach_real[7], 0.1f);
    const TMachineSetup m = loaded(lines);
    EXPECT_EQ(m.I(126), 0);
    EXPECT_DOUBLE_EQ(m.R(7), 0.1);
}

TEST(MachineSetupDictionary, EveryParameterOnceWithItsDefault)
{
    const auto& all = vork::SetupParameters();
    ASSERT_EQ(all.size(), 300u);
    // I1..I150, R1..R75, S1..S75, each once and in this order.
    for (std::size_t k = 0; k < all.size(); ++k) {
        const char table = k < 150 ? 'I' : k < 225 ? 'R' : 'S';
        const int index = static_cast<int>(k < 150 ? k + 1 : k < 225 ? k - 149 : k - 224);
        EXPECT_EQ(all[k].table, table) << k;
        EXPECT_EQ(all[k].index, index) << k;
    }
    const struct {
        char table;
        int index;
        double number;
        const char* text;
    } defaults[] = {
        {'I', 1, 1, nullptr},    {'I', 2, 0, nullptr},    {'I', 4, 1, nullptr},     {'I', 6, 2, nullptr},
        {'I', 8, 3, nullptr},    {'I', 13, 4, nullptr},   {'I', 14, 5, nullptr},    {'I', 15, 90, nullptr},
        {'I', 16, 91, nullptr},  {'I', 17, 1, nullptr},   {'I', 18, 20, nullptr},   {'I', 19, 21, nullptr},
        {'I', 21, 17, nullptr},  {'I', 22, 18, nullptr},  {'I', 23, 19, nullptr},   {'I', 25, 28, nullptr},
        {'I', 26, 97, nullptr},  {'I', 27, 96, nullptr},  {'I', 28, 33, nullptr},   {'I', 29, 76, nullptr},
        {'I', 30, 73, nullptr},  {'I', 31, 74, nullptr},  {'I', 32, 80, nullptr},   {'I', 33, 81, nullptr},
        {'I', 39, 87, nullptr},  {'I', 40, 99, nullptr},  {'I', 41, 98, nullptr},   {'I', 42, 92, nullptr},
        {'I', 58, 94, nullptr},  {'I', 59, 95, nullptr},  {'I', 61, 0, nullptr},    {'I', 62, 3, nullptr},
        {'I', 63, 4, nullptr},   {'I', 86, 10, nullptr},  {'I', 87, 10, nullptr},   {'I', 92, 43, nullptr},
        {'I', 95, 92, nullptr},  {'I', 111, 9999, nullptr}, {'I', 117, 27, nullptr}, {'I', 126, 0, nullptr},
        {'R', 1, 1, nullptr},    {'R', 10, 999.9999, nullptr}, {'R', 16, 200, nullptr}, {'R', 19, 0, nullptr},
        {'S', 1, 0, "X"},        {'S', 7, 0, "U"},        {'S', 13, 0, "F"},        {'S', 14, 0, "T"},
        {'S', 17, 0, "NONE"},    {'S', 24, 0, "("},       {'S', 25, 0, ")"},        {'S', 26, 0, "$"},
        {'S', 30, 0, "Z"},
    };
    for (const auto& d : defaults) {
        const auto& p = vork::SetupParameter(d.table, d.index);
        if (d.text)
            EXPECT_STREQ(p.defaultString, d.text) << d.table << d.index;
        else
            EXPECT_DOUBLE_EQ(p.defaultNumber, d.number) << d.table << d.index;
    }
    EXPECT_EQ(vork::SetupParameter('I', 150).index, 150);
    EXPECT_EQ(vork::SetupParameter('R', 1).table, 'R');
    EXPECT_EQ(vork::SetupParameter('S', 75).index, 75);
    EXPECT_STREQ(vork::SetupParameter('I', 25).question, "-G- Code for GOHOME");
    EXPECT_STREQ(vork::SetupParameter('S', 31).punchQuestion, " Alpha character for rotating tool Axis");
    EXPECT_EQ(vork::SetupParameter('I', 131).punchGroup, vork::SetupGroup::MachineType);
    EXPECT_EQ(vork::SetupParameter('R', 22).machineTypes, vork::MillBit | vork::LatheBit);
    EXPECT_STREQ(vork::SetupParameter('R', 22).condition, "I79 >= 1");
    EXPECT_EQ(vork::SetupParameter('I', 140).group, vork::SetupGroup::NotAsked);
    EXPECT_EQ(vork::ThreadLeadRegisterWords("K"), "for the Thread lead register");
    EXPECT_EQ(vork::ThreadLeadRegisterWords("I"), "for the -I- & -K- registers");
    EXPECT_EQ(vork::RotaryIndexQuestion("B"), "Time to Index -B- Axis 360 Degrees");
}

// The analyzer and the editor read a file one way: a line that names a parameter but
// does not read, or whose number lies outside the limits of the editor's tables, is
// named, and the parameter takes its default in both, whatever either held before.
TEST(MachineSetupRead, BothReadersTakeALineAlikeAndNameWhatDoesNotRead)
{
    struct Case { std::string line; std::string note; char table; int index; double value; };
    const std::string notANumber = "not a number, ";
    const std::string notAReal = "not a number from -3.4E+38 to 3.4E+38, ";
    const std::string notAWhole = "not a whole number from -32768 to 32767, ";
    const Case cases[] = {
        {"R    1 -1e308", notAReal + "R1 is set to its default 1.00000", 'R', 1, 1.0},
        {"R    1 -1e99", notAReal + "R1 is set to its default 1.00000", 'R', 1, 1.0},
        {"R    2 1e39", notAReal + "R2 is set to its default 1.00000", 'R', 2, 1.0},
        {"R   11 -4O.", notANumber + "R11 is set to its default -999.99988", 'R', 11, -999.9998779296875},
        {"R    1 abc", notANumber + "R1 is set to its default 1.00000", 'R', 1, 1.0},
        {"R    1", notANumber + "R1 is set to its default 1.00000", 'R', 1, 1.0},
        {"I   12 1.2.3", notANumber + "I12 is set to its default 1", 'I', 12, 1},
        {"I    5 1e12", notAWhole + "I5 is set to its default -9999", 'I', 5, -9999},
        {"I   86 32768", notAWhole + "I86 is set to its default 10", 'I', 86, 10},
        {"I   86 -32768.9", "", 'I', 86, -32768},
        {"R    1 2.5", "", 'R', 1, 2.5},
        {"Ix  12 7", "names no parameter", 'I', 12, -1},
        {"S  999 X", "names no parameter", 'I', 12, -1},
        {"S    3", "", 'I', 12, -1},
        {"; I    1 x", "", 'I', 12, -1},
    };
    const auto mill = platform::readTextLines(testsupport::examplePath("Mill 1.MCH")).value();
    for (const Case& c : cases) {
        const std::string note = c.note.empty() ? "" : "Line 1 \"" + c.line + "\": " + c.note;
        vork::MachineSetupWorkingCopy copy;
        copy.SetDefaults();
        std::vector<std::string> notes;
        vork::ReadMachineLines(copy, {c.line}, &notes);
        EXPECT_EQ(notes.size() > 1 ? notes[0] : "", note) << c.line;

        TMachineSetup m;
        vork::LoadMachineLines(m, "Mill 1.MCH", mill); // another machine was loaded before
        notes.clear();
        vork::LoadMachineLines(m, "T.MCH", {c.line}, nullptr, &notes);
        EXPECT_EQ(notes.empty() ? "" : notes[0], note) << c.line;

        if (c.value == -1)
            continue;
        const auto i = static_cast<std::size_t>(c.index);
        if (c.table == 'I') {
            EXPECT_EQ(copy.mach_int[i], c.value) << c.line;
            EXPECT_EQ(m.Ints[i], c.value) << c.line;
        } else {
            EXPECT_EQ(static_cast<double>(copy.Mach_real[i]), c.value) << c.line;
            EXPECT_EQ(m.Reals[i], c.value) << c.line;
        }
    }
}

// A garbage file opened in the editor and saved gives a file every line of which reads.
TEST(MachineSetupWrite, NoValueWrittenFailsToReadBack)
{
    vork::MachineSetupWorkingCopy copy;
    copy.SetDefaults();
    vork::ReadMachineLines(copy, {"R    1 -1e99", "R    2 1e39", "I    3 99999999"});
    copy.Mach_real[4] = std::numeric_limits<float>::infinity();
    for (const std::string& line : vork::FormatMachineFile(copy)) {
        std::vector<std::string> notes;
        vork::MachineSetupWorkingCopy back;
        vork::ReadMachineLines(back, {line}, &notes);
        EXPECT_EQ(notes.size(), 1u) << line << ": " << notes.front(); // only the other 299 are missing
    }
}

// A file cut off at a line end leaves parameters no file has given: the load says which.
// Over a machine already loaded, a partial file changes some parameters, as it may.
TEST(MachineSetupRead, ACutOffFileNamesWhatItLacks)
{
    const auto whole = platform::readTextLines(testsupport::examplePath("Mill 1.MCH")).value();
    const std::vector<std::string> cut(whole.begin(), whole.begin() + 225);
    TMachineSetup m;
    std::vector<std::string> notes;
    vork::LoadMachineLines(m, "CUT.MCH", cut, nullptr, &notes);
    EXPECT_EQ(notes, std::vector<std::string>{"Not in the file and never set: S1..S75"});
    EXPECT_EQ(vork::MachineFileNotesText("CUT.MCH", notes),
              "Machine File [CUT.MCH] Does Not Read in Full:\nNot in the file and never set: S1..S75");

    notes.clear();
    vork::LoadMachineLines(m, "WHOLE.MCH", whole, nullptr, &notes);
    vork::LoadMachineLines(m, "PART.MCH", {"I    1 2", "R   16 50."}, nullptr, &notes);
    EXPECT_TRUE(notes.empty()) << notes.front();

    vork::MachineSetupWorkingCopy copy;
    copy.SetDefaults();
    vork::ReadMachineLines(copy, {"I    1 2", "R   16 50.", "S    1 X"}, &notes);
    EXPECT_EQ(notes, std::vector<std::string>{"Not in the file, kept as they were: I2..I150, R1..R15, R17..R75, S2..S75"});
}

TEST(MachineSetupExamples, LoadAndWriteBackIdentically)
{
    for (const char* name : {"Mill 1.MCH", "Lathe 1.MCH"}) {
        const std::string path = testsupport::examplePath(name);
        const auto original = platform::readFileBytes(path);
        ASSERT_TRUE(original) << name;
        vork::MachineSetupWorkingCopy copy;
        std::vector<std::string> notes;
        ASSERT_TRUE(vork::ReadMachineFile(copy, path, &notes));
        EXPECT_TRUE(notes.empty()) << notes.front();
        testsupport::TempFolder folder;
        ASSERT_TRUE(vork::WriteMachineFile(copy, folder.file(name)));
        EXPECT_EQ(folder.read(name), *original) << name;

        TMachineSetup m;
        ViewRecorder view;
        ASSERT_TRUE(vork::LoadMachineFile(m, path, &view, &notes));
        EXPECT_TRUE(notes.empty()) << notes.front();
        EXPECT_EQ(view.calls, std::vector<bool>{std::string(name) == "Lathe 1.MCH"});
    }
}

} // namespace
