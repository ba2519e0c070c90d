#include "workspace/engine/nc_word_utilities.h"

#include "workspace/engine/machine_database.h"

#include "memory_editor.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace mrw;
using testsupport::MemoryEditor;
using testsupport::RecordingProgress;
using Lines = std::vector<std::string>;

namespace {

struct Words : ::testing::Test {
    MemoryEditor editor;
    RecordingProgress progress;
    testsupport::ScriptedPrompter prompter;
    BatchContext context{editor, progress, prompter};
    MachineSettings machine;
};

NcConventions conventions(int mode, int L, int R, int feedDigits = 2)
{
    NcConventions c;
    c.rapid = "G00";
    c.linear = "G01";
    c.clockwise = "G02";
    c.counterClockwise = "G03";
    c.mode = mode;
    c.digitsLeft = L;
    c.digitsRight = R;
    c.feedDigits = feedDigits;
    return c;
}

std::string reformatLine(const ReformatStep& step, std::string line)
{
    step(line);
    return line;
}

} // namespace

TEST_F(Words, FeedAndSpeedOverrideEveryWordOutsideComments)
{
    editor.lines = {"G01 X1. F20.0 S1200", "F20.(FEED F40.) S100", "IF[#1GT0] F#2", "G00 X1"};
    DoFeedSpeedOverride(context, machine, 50, 95);
    EXPECT_EQ(editor.lines, (Lines{"G01 X1. F10. S1140", "F10.(FEED F40.) S95", "IF[#1GT0] F#2", "G00 X1"}));
    EXPECT_EQ(progress.captions, (Lines{"Overriding Feeds/Speeds ..."}));
    EXPECT_EQ(editor.linesReplaced, 2);
}

TEST_F(Words, ArithmeticRewritesRegisterWordsAndLeavesWordsWithoutANumber)
{
    struct Case {
        int format;
        const char* amount;
        int operation;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {1, "1.0", 1, "G01 X1.5 Y-2. F10.", "G01 X2.5 Y-1. F10."},
        {3, "2", 3, "X15000 (X1)", "X30000 (X1)"},
        {1, "1", 2, "IF[#1GT0] X#1 Z", "IF[#1GT0] X#1 Z"},
        {1, "4", 4, "X1. x1.", "X.25 x1."},
        {1, "0", 4, "X1.", "X1."},
    };
    for (const Case& c : cases) {
        machine.Format = c.format;
        machine.Arith.Amount = c.amount;
        machine.Arith.Operation = c.operation;
        editor.lines = {c.before};
        DoArithmetic(context, machine);
        EXPECT_EQ(editor.lines.front(), c.after) << c.before;
    }
    EXPECT_EQ(progress.captions.back(), "Arithmetic ...");
}

TEST_F(Words, DigitCountsThatAreNotWholeNumbersEndTheCommandFirst)
{
    editor.lines = {"X1."};
    machine.Digr = "4.5";
    DoArithmetic(context, machine);
    DoFeedSpeedOverride(context, machine, 50, 100);
    EXPECT_EQ(editor.lines, (Lines{"X1."}));
    EXPECT_TRUE(progress.captions.empty());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, "'4.5' is not a valid integer value (\"Digits Right\")");
}

TEST(Reformat, ConvertsWordsCodesAndCommentsLineByLine)
{
    ReformatStep step{ReformatOptions{}, true, conventions(1, 3, 4), conventions(3, 2, 3)};
    step.options.Regs = "XYZF";
    struct Case {
        const char* before;
        const char* after;
    };
    const Case toTrailing[] = {
        {"X1.5", "X1500"},
        {"X15000 Y1.", "X1500 Y1000"},          // a decimal word without "." has trailing-zero digits
        {"N10 (TOOL) G01", "N10  G01(TOOL)"},  // the comment goes to the end, the blanks stay
        {"(ONLY)", "(ONLY)"},
        {"G01 X#1 Z F", "G01 X#1 Z F"},
    };
    for (const Case& c : toTrailing)
        EXPECT_EQ(reformatLine(step, c.before), c.after) << c.before;

    step.mixedOk = false;
    EXPECT_EQ(reformatLine(step, "X15000"), "X15000000");
    step.to = conventions(4, 2, 3);
    EXPECT_EQ(reformatLine(step, "X1.5"), "X01500");
}

TEST(Reformat, MotionCodesMatchWholeAndAnArcSwapIsNotUndone)
{
    ReformatStep step{ReformatOptions{}, true, conventions(1, 3, 4), conventions(1, 3, 4)};
    step.options.Cbrefreg = false;
    step.to.clockwise = "G03";
    step.to.counterClockwise = "G02";
    EXPECT_EQ(reformatLine(step, "G02 X1. I1."), "G03 X1. I1.");
    EXPECT_EQ(reformatLine(step, "G03 X1. I1."), "G02 X1. I1.");

    step.from.rapid = "G0";
    step.to.rapid = "G00";
    EXPECT_EQ(reformatLine(step, "G02 X1. G0"), "G03 X1. G00");
    EXPECT_EQ(reformatLine(step, "G0.5 G0"), "G0.5 G00");
}

TEST(Reformat, SubstitutionsAndNewCommentDelimiters)
{
    ReformatStep step{ReformatOptions{}, true, conventions(1, 3, 4), conventions(1, 3, 4)};
    step.options.Cbrefreg = step.options.Cbgcode = false;
    step.options.Rows[0] = {"M06", "M6"};
    step.options.Rows[1] = {"", "NEVER"};
    step.options.Rows[2] = {"T1", "T01"};
    step.to.comments = CommentMarks{";", ""};
    EXPECT_EQ(reformatLine(step, "T1 M06 (TOOL 1) M06"), "T01 M6  M06;TOOL 1");
    EXPECT_EQ(reformatLine(step, "G01 ()"), "G01 ");
    step.options.Cbusesub = false;
    EXPECT_EQ(reformatLine(step, "M06"), "M06");
}

namespace {

struct ReformatMachines : Words {
    testsupport::TempFolder folder;
    WorkspaceGlobals g;
    std::vector<std::string> selected;

    void SetUp() override
    {
        initializeWorkspaceGlobals(g, folder.path());
        g.MachineDatabasePath = folder.file("WPOSTS.INI");
        folder.write("WPOSTS.INI", "[MACHINE NAMES]\r\nMACHINE1=OLD\r\nMACHINE2=NEW\r\nMACHINE3=BAD\r\n"
                                   "[OLD]\r\nFORMAT=1\r\nDIGL=3\r\nDIGR=4\r\n"
                                   "[NEW]\r\nFORMAT=3\r\nDIGL=2\r\nDIGR=3\r\nCMTSTART=[\r\nCMTEND=]\r\n"
                                   "[BAD]\r\nFORMAT=3\r\nDIGR=three\r\n");
        LoadMachine(g, "OLD");
        g.CurrentMachineName = "OLD";
    }
    void reformatTo(const std::string& name)
    {
        DoReformat(context, g, g.Machine.settings().Reformat, true, name, [this](const std::string& n) {
            selected.push_back(n);
            return n;
        });
    }
};

} // namespace

TEST_F(ReformatMachines, TheTextAndEveryWindowMoveToTheNewMachine)
{
    editor.lines = {"G01 X1.5 (A)"};
    reformatTo("NEW");
    EXPECT_EQ(editor.lines, (Lines{"G01 X1500 [A]"}));
    EXPECT_EQ(selected, (Lines{"NEW"}));
    EXPECT_EQ(g.CurrentMachineName, "NEW");
    EXPECT_EQ(g.Machine.settings().Digr, "3");
    EXPECT_EQ(progress.captions, (Lines{"Reformatting ..."}));
}

TEST_F(ReformatMachines, ABadDigitCountOfTheNewMachineLeavesEverythingOnTheOldOne)
{
    g.Machine.settings().Eddesc = "typed, not saved";
    editor.lines = {"G01 X1.5"};
    reformatTo("BAD");
    EXPECT_EQ(editor.lines, (Lines{"G01 X1.5"}));
    EXPECT_TRUE(selected.empty());
    EXPECT_EQ(g.CurrentMachineName, "OLD");
    EXPECT_EQ(g.Machine.settings().Digr, "4");
    EXPECT_EQ(g.Machine.settings().Eddesc, "typed, not saved");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "'three' is not a valid integer value (\"Digits Right\")");
}
