#include "workspace/engine/nc_text_utilities.h"
#include "workspace/engine/nc_word_utilities.h"

#include "memory_editor.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

using namespace mrw;
using testsupport::MemoryEditor;
using testsupport::RecordingProgress;
using Lines = std::vector<std::string>;

namespace {

struct Utility : ::testing::Test {
    MemoryEditor editor;
    RecordingProgress progress;
    testsupport::ScriptedPrompter prompter;
    BatchContext context{editor, progress, prompter};
    CommentMarks marks;

    // After every command: box hidden, painting on, caret home, normal cursor.
    void expectBatchEnded() const
    {
        EXPECT_FALSE(progress.visible);
        EXPECT_TRUE(editor.repaintOn);
        EXPECT_EQ(editor.caret, std::make_pair(1, 1));
        EXPECT_FALSE(progress.waitCursor);
    }
};

} // namespace

// ---- The batch frame -----------------------------------------------------------------

TEST_F(Utility, SelectionModeWalksOnlyTheSelectedLinesWithoutMeterOrCancel)
{
    editor.lines = {"A", "B", "C", "D"};
    editor.selection = {{2, 3}};
    progress.cancelAtCheck = 1;
    runLineBatch(context, "Work", [](std::string& line) { line += "!"; });
    EXPECT_EQ(editor.lines, (Lines{"A", "B!", "C!", "D"}));
    EXPECT_EQ(progress.percents, (std::vector<int>{0}));
    EXPECT_EQ(progress.checks, 0);
    expectBatchEnded();
}

TEST_F(Utility, CancelStopsAfterTheLineInHandAndTheMeterCountsLines)
{
    editor.lines = {"A", "B", "C", "D", "E"};
    progress.cancelAtCheck = 3;
    runLineBatch(context, "Work", [](std::string& line) { line += "!"; });
    EXPECT_EQ(editor.lines, (Lines{"A!", "B!", "C!", "D", "E"}));
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 20, 40, 60}));
    expectBatchEnded();
}

TEST_F(Utility, AnErrorInAStepIsShownAndTheBatchStillEnds)
{
    editor.lines = {"A", "B", "C"};
    runLineBatch(context, "Work", [](std::string& line) {
        if (line == "B")
            throw std::runtime_error("disk gone");
        line += "!";
    });
    EXPECT_EQ(editor.lines, (Lines{"A!", "B", "C"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "disk gone");
    expectBatchEnded();
}

TEST(ReplaceInLine, ReplacesInItsOwnLineOnlyFromTheColumnWithoutRegardToCase)
{
    std::string line = "N10 G01 n10";
    EXPECT_TRUE(ReplaceInLine(line, "N10", "N20", 4));
    EXPECT_EQ(line, "N10 G01 N20");
    EXPECT_FALSE(ReplaceInLine(line, "X", "Y", 0));
    EXPECT_EQ(line, "N10 G01 N20");
    EXPECT_TRUE(ReplaceInLine(line, "", "/", 99));
    EXPECT_EQ(line, "N10 G01 N20/");
}

TEST(CommentMarks, RunsEndAtTheFullEndTextOrTheLineEnd)
{
    struct Case {
        const char* start;
        const char* end;
        const char* line;
        const char* code;
        const char* comments;
    };
    const Case cases[] = {
        {"(", ")", "N10 (A B) G01 (C", "N10  G01 ", "(A B)(C"},
        {"(*", "*)", "G01 (* X) *) X1", "G01  X1", "(* X) *)"},
        {";", "", "G01 ;REST (X)", "G01 ", ";REST (X)"},
        {"", ")", "G01 (A) X1", "G01 (A) X1", ""},
    };
    for (const Case& c : cases) {
        const auto [code, comments] = CommentMarks{c.start, c.end}.splitCodeAndComments(c.line);
        EXPECT_EQ(code, c.code) << c.line;
        EXPECT_EQ(comments, c.comments) << c.line;
    }
}

// ---- Resequence ----------------------------------------------------------------------

TEST_F(Utility, ResequenceNumbersSkipsAndSlashesAsTheOperatorExpects)
{
    editor.lines = {"N10 G01 X1.", "G00 X0", "(TOOL 1", "%", "", "/N20 X1", "/X1", "n10 X2"};
    ResequenceOptions o;
    o.snum = "100";
    o.nincr = "5";
    DoResequence(context, o, false);
    EXPECT_EQ(editor.lines,
              (Lines{"N100 G01 X1.", "N105G00 X0", "(TOOL 1", "%", "", "/N110 X1", "/N115X1", "N120n10 X2"}));
    EXPECT_EQ(progress.captions, (Lines{"Resequencing..."}));
    expectBatchEnded();
}

TEST_F(Utility, ResequenceWrapsPastMaximumDigitsAndPadsWithLeadingZeros)
{
    editor.lines = {"X1", "X2", "X3", "X4"};
    ResequenceOptions o;
    o.snum = "9980";
    DoResequence(context, o, false);
    EXPECT_EQ(editor.lines, (Lines{"N9980X1", "N9990X2", "N10X3", "N20X4"}));

    editor.lines = {"X1"};
    o.snum = "10";
    o.lzeros = true;
    DoResequence(context, o, false);
    EXPECT_EQ(editor.lines, (Lines{"N0010X1"}));
}

TEST_F(Utility, UnsequenceRemovesTheNumberAndBlanksButKeepsTheBlockDeleteMark)
{
    editor.lines = {"N10 G01", "/N10 G01", "/X2.", "N 20X1", "G02 X1"};
    DoResequence(context, ResequenceOptions{}, true);
    EXPECT_EQ(editor.lines, (Lines{"G01", "/G01", "/X2.", "X1", "G02 X1"}));
    EXPECT_EQ(progress.captions, (Lines{"UN-Sequencing..."}));
}

TEST_F(Utility, ASlashStaysTheBlockDeleteMarkWhateverTheSequenceCharacters)
{
    struct Case {
        const char* seqchrs;
        bool remove;
        Lines out;
    };
    const Lines in = {"/N20 X1.", "/X2.", "/H3 X3.", "G00"};
    const Case cases[] = {
        {"N", false, {"/N10 X1.", "/N20X2.", "/N30H3 X3.", "N40G00"}},
        {"/N", false, {"/N10 X1.", "/N20X2.", "/N30H3 X3.", "N40G00"}},
        {"HN/", false, {"/N10 X1.", "/H20X2.", "/H30 X3.", "H40G00"}},
        {"N", true, {"/X1.", "/X2.", "/H3 X3.", "G00"}},
    };
    for (const Case& c : cases) {
        editor.lines = in;
        ResequenceOptions o;
        o.Seqchrs = c.seqchrs;
        DoResequence(context, o, c.remove);
        EXPECT_EQ(editor.lines, c.out) << c.seqchrs << " remove " << c.remove;
    }
}

TEST_F(Utility, BadResequenceFieldsEndTheCommandBeforeAnyChange)
{
    struct Case {
        const char* snum;
        const char* nincr;
        const char* maxdig;
        const char* message;
    };
    const Case cases[] = {
        {"1O", "10", "4", "'1O' is not a valid integer value (\"Start Number\")"},
        {"-1", "10", "4", "\"Start Number\" must be from 0 to 1000000000"},
        {"10", "0", "4", "\"Number Increment\" must be from 1 to 1000000000"},
        {"10", "10", "0", "\"Max number of Digits\" must be from 1 to 18"},
    };
    for (const Case& c : cases) {
        editor.lines = {"G01 X1"};
        prompter.shown.clear();
        DoResequence(context, ResequenceOptions{c.snum, c.nincr, c.maxdig}, false);
        EXPECT_EQ(editor.lines, (Lines{"G01 X1"}));
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, c.message);
        EXPECT_TRUE(progress.captions.empty());
        EXPECT_FALSE(progress.waitCursor);
    }
}

// ---- Spaces, line begin and end, columns ---------------------------------------------

TEST_F(Utility, SpacesGoOutsideCommentsAndTabLinesChangeOnlyThemselves)
{
    editor.lines = {"N10 (A B) G01 X1", "G01\tX1", "", "N2\tX1(A\tB)"};
    editor.selection = {{1, 1}};
    DoAddRemoveSpaces(context, marks, false);
    EXPECT_EQ(editor.lines, (Lines{"N10(A B)G01X1", "G01\tX1", "", "N2\tX1(A\tB)"}));

    editor.selection.reset();
    DoAddRemoveSpaces(context, marks, false);
    EXPECT_EQ(editor.lines, (Lines{"N10(A B)G01X1", "G01X1", "", "N2X1(A    B)"}));

    editor.lines = {"N10G01X1.0", "N10 G01", "N1(AB)X1"};
    DoAddRemoveSpaces(context, marks, true);
    EXPECT_EQ(editor.lines, (Lines{"N10 G01 X1.0", "N10  G01", "N1(AB) X1"}));
    EXPECT_EQ(progress.captions, (Lines{"Removing Spaces ...", "Removing Spaces ...", "Adding Spaces ..."}));
}

TEST_F(Utility, LongLinesAreHandledWhole)
{
    const std::string tail(3000, '1');
    editor.lines = {"X " + tail + " Y2"};
    DoAddRemoveSpaces(context, marks, false);
    EXPECT_EQ(editor.lines, (Lines{"X" + tail + "Y2"}));
}

TEST_F(Utility, LineBeginAndEndGetTheToTextEvenWithoutTheFromText)
{
    struct Case {
        LineBeginEndOptions options;
        Lines before, after;
    };
    const Case cases[] = {
        {{"N", "/N", "", ""}, {"N10 X1", "G01", ""}, {"/N10 X1", "/NG01", ""}},
        {{"", "", "", ";"}, {"X1", "", "Y1"}, {"X1;", "", "Y1;"}},
        {{"", "", "*", "#"}, {"X1*", "X1"}, {"X1#", "X1#"}},
        {{"%", "", "", ""}, {"%", "%X"}, {"", "X"}},
    };
    for (const Case& c : cases) {
        editor.lines = c.before;
        DoChangeLineBeginEnd(context, c.options);
        EXPECT_EQ(editor.lines, c.after) << c.before.front();
    }
    EXPECT_EQ(progress.captions.back(), "Chainging Line Begin/End ...");
}

TEST_F(Utility, MakeColumnsLinesLettersUpAndMovesCommentsToTheEnd)
{
    editor.lines = {"N10G01X1(C)", "N1(A)G1(B)", "N10 G01  X123456789Y1", "N1\tG1", "N1G1X1G2"};
    DoMakeColumns(context, MakeColumnsOptions{"NGX", "5"}, marks);
    EXPECT_EQ(editor.lines, (Lines{"N10  G01  X1(C)", "N1   G1(A)(B)", "N10  G01  X123456789Y1", "N1   G1",
                                   "N1   G1   X1G2"}));
    EXPECT_EQ(progress.captions, (Lines{"Columizing ..."}));

    editor.lines = {"N1G1"};
    DoMakeColumns(context, MakeColumnsOptions{"NG", "five"}, marks);
    EXPECT_EQ(editor.lines, (Lines{"N1G1"}));
    EXPECT_EQ(prompter.shown.size(), 1u);
}

// ---- File cleanup --------------------------------------------------------------------

TEST_F(Utility, CleanupStepsRunInTheirOrder)
{
    editor.lines = {"JUNK", "X%", "N1 (CUT)\x01\x80 G01\xFF", "", "M30", "", "M2", "TRAILER", "", ""};
    FileCleanupOptions o;
    o.DeleteBeforeFirstPercent = o.RemoveControlCharacters = o.RemoveComments = o.RemoveBlankLines = true;
    o.StripAfterProgramEnd = o.AddStopCode = true;
    DoFileCleanup(context, o, false, marks);
    EXPECT_EQ(editor.lines, (Lines{"%", "N1  G01", "M30", "%"}));
    EXPECT_EQ(progress.captions,
              (Lines{"Delete All Before First \"%\" ...", "Removing Control Characters ...", "Removing Comments ...",
                     "Removing Blank Lines ...", "Delete All After End ..."}));
    expectBatchEnded();
    EXPECT_EQ(editor.undoSteps, 1); // one Undo takes the whole cleanup back
}

TEST_F(Utility, DeleteBeforePercentKeepsATextWithoutAStartMark)
{
    const std::pair<Lines, Lines> cases[] = {
        {{"G01 X1", "M30"}, {"G01 X1", "M30"}},
        {{"O1000", "G01 X1", "M30", "%"}, {"O1000", "G01 X1", "M30", "%"}},
        {{"O1000", "M30", "%", "", " "}, {"O1000", "M30", "%", "", " "}},
        {{"JUNK", "X%", "O1000", "M30", "%"}, {"", "%", "O1000", "M30", "%"}},
        {{"JUNK", "%", ""}, {"JUNK", "%", ""}},
        {{"JUNK %", "O1000", "%"}, {"%", "O1000", "%"}},
    };
    FileCleanupOptions o;
    o.DeleteBeforeFirstPercent = true;
    for (const auto& [in, out] : cases) {
        editor.lines = in;
        DoFileCleanup(context, o, false, marks);
        EXPECT_EQ(editor.lines, out) << in.front();
    }
}

TEST_F(Utility, CleanupAddsPercentOnlyOnce)
{
    editor.lines = {"G01 X1", "M30"};
    FileCleanupOptions o;
    o.AddStopCode = true;
    DoFileCleanup(context, o, false, marks);
    DoFileCleanup(context, o, false, marks);
    EXPECT_EQ(editor.lines, (Lines{"G01 X1", "M30", "%"}));

    editor.lines = {"M30", "% ", "", " "};
    DoAddPercentAtEnd(context);
    EXPECT_EQ(editor.lines, (Lines{"M30", "% ", "", " "}));
}

TEST_F(Utility, CommentsWithALongEndStopThereAndTheCodeAfterStays)
{
    editor.lines = {"G01 (* CUT *) X1", "G02\tX2"};
    DoRemoveComments(context, CommentMarks{"(*", "*)"});
    EXPECT_EQ(editor.lines, (Lines{"G01  X1", "G02\tX2"}));
}

TEST_F(Utility, BlankLinesGoButNeverTheLastOne)
{
    editor.lines = {"", "A", "", "", "B", "", ""};
    editor.selection = {{1, 4}};
    DoRemoveBlankLines(context);
    EXPECT_EQ(editor.lines, (Lines{"A", "", "B", "", ""}));
    editor.selection.reset();
    DoRemoveBlankLines(context);
    EXPECT_EQ(editor.lines, (Lines{"A", "B", ""}));
}

TEST_F(Utility, StripAfterEndKeepsAllWithoutAnEndAndCountsEndsInComments)
{
    editor.lines = {"G01", "M05", "X1"};
    DoStripAfterProgramEnd(context);
    EXPECT_EQ(editor.lines, (Lines{"G01", "M05", "X1"}));
    editor.lines = {"M30", "(M30 LATER)", "X1", "Y1"};
    DoStripAfterProgramEnd(context);
    EXPECT_EQ(editor.lines, (Lines{"M30", "(M30 LATER)"}));
    for (const char* end : {"M99", "G00 M02"}) {
        editor.lines = {"G01", end, "X1", "Y1"};
        DoStripAfterProgramEnd(context);
        EXPECT_EQ(editor.lines, (Lines{"G01", end}));
    }
    editor.lines = {"M30", "X1", "Y1"};
    progress.cancelAtCheck = 1;
    DoStripAfterProgramEnd(context);
    EXPECT_EQ(editor.lines, (Lines{"M30", "X1", "Y1"}));
}

TEST_F(Utility, FixLineEndsSplitsLinesAgainThroughTheClipboard)
{
    editor.lines = {"A\rB", "C"};
    DoFileCleanup(context, FileCleanupOptions{}, true, marks);
    EXPECT_EQ(editor.lines, (Lines{"A", "B", "C"}));
    EXPECT_EQ(editor.clipboard, "A\rB\r\nC");
}

// ---- File splitter -------------------------------------------------------------------

namespace {

struct Splitter : Utility {
    testsupport::TempFolder folder;
    FileSplitOptions options;
    std::vector<std::string> asked;
    std::optional<std::string> answer;

    void SetUp() override
    {
        options.folder = folder.path();
        options.extension = "TAP";
    }
    void split()
    {
        DoFileSplit(context, options,
                    [this](const std::string& title, const std::string&, const std::string&, const std::string&) {
                        asked.push_back(title);
                        return answer;
                    });
    }
};

} // namespace

TEST_F(Splitter, WritesOneFilePerProgramWithPrefixAndSuffix)
{
    editor.lines = {"%", "O1000", "G01 X1", "%", "O2000", "M30", "%"};
    split();
    EXPECT_EQ(folder.read("O1000.TAP"), "%\r\nO1000\r\nG01 X1\r\n%\r\n");
    EXPECT_EQ(folder.read("O2000.TAP"), "%\r\nO2000\r\nM30\r\n%\r\n");
    EXPECT_EQ(progress.captions, (Lines{"Splitting File ..."}));
    EXPECT_TRUE(prompter.shown.empty());
    expectBatchEnded();
}

TEST_F(Splitter, AColonProgramLetterNamesAndWritesTheProgramWithO)
{
    editor.lines = {"HEADER", ":1234 (PART)", "X1"};
    options.programLetter = ":";
    options.prefix = options.suffix = "";
    split();
    EXPECT_EQ(folder.read("O1234.TAP"), "O1234 (PART)\r\nX1\r\n");
}

TEST_F(Splitter, AskBeforeOverwriteCancelStopsTheSplitAndKeepsWhatWasWritten)
{
    folder.write("O2000.TAP", "OLD");
    editor.lines = {"O1000", "X1", "O2000", "X2"};
    options.prefix = options.suffix = "";
    split();
    EXPECT_EQ(asked, (Lines{"Save " + folder.file("O2000.TAP") + " As"}));
    EXPECT_EQ(folder.read("O1000.TAP"), "O1000\r\nX1\r\n");
    EXPECT_EQ(folder.read("O2000.TAP"), "OLD");

    std::filesystem::remove(folder.file("O1000.TAP"));
    answer = folder.file("OTHER.TAP");
    split();
    EXPECT_EQ(folder.read("OTHER.TAP"), "O2000\r\nX2\r\n");
    EXPECT_EQ(folder.read("O2000.TAP"), "OLD");
    options.askBeforeOverwrite = false;
    split();
    EXPECT_EQ(folder.read("O2000.TAP"), "O2000\r\nX2\r\n");
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Splitter, AFileThatCannotBeWrittenIsNamedAndEarlierFilesStay)
{
    editor.lines = {"O1000", "X1", "O2000", "X2"};
    options.prefix = options.suffix = "";
    std::filesystem::create_directory(folder.file("O2000.TAP")); // a folder where the file should go
    options.askBeforeOverwrite = false;
    split();
    EXPECT_EQ(folder.read("O1000.TAP"), "O1000\r\nX1\r\n");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find(folder.file("O2000.TAP")), std::string::npos);
    expectBatchEnded();
}

TEST_F(Utility, EveryUtilityKeepsTheBlockDeleteMarks)
{
    const Lines program = {"%", "O1000", "/N20 G01 X1. F20.", "/X2. (OPTIONAL)", "/ M01", "N30 M30", "%"};
    FileCleanupOptions cleanup;
    cleanup.DeleteBeforeFirstPercent = cleanup.RemoveControlCharacters = cleanup.RemoveComments = true;
    cleanup.RemoveBlankLines = cleanup.StripAfterProgramEnd = cleanup.AddStopCode = true;
    const std::pair<const char*, std::function<void()>> utilities[] = {
        {"resequence", [&] { DoResequence(context, ResequenceOptions{}, false); }},
        {"unsequence", [&] { DoResequence(context, ResequenceOptions{}, true); }},
        {"remove spaces", [&] { DoAddRemoveSpaces(context, marks, false); }},
        {"add spaces", [&] { DoAddRemoveSpaces(context, marks, true); }},
        {"line end", [&] { DoChangeLineBeginEnd(context, LineBeginEndOptions{"", "", "", ";"}); }},
        {"columns", [&] { DoMakeColumns(context, MakeColumnsOptions{"NGXF", "6"}, marks); }},
        {"cleanup", [&] { DoFileCleanup(context, cleanup, false, marks); }},
        {"arithmetic", [&] { DoArithmetic(context, MachineSettings{}); }},
        {"override", [&] { DoFeedSpeedOverride(context, MachineSettings{}, 50, 95); }},
    };
    for (const auto& [name, run] : utilities) {
        editor.lines = program;
        run();
        const auto marked = std::count_if(editor.lines.begin(), editor.lines.end(),
                                          [](const std::string& line) { return !line.empty() && line[0] == '/'; });
        EXPECT_EQ(marked, 3) << name;
    }
}
