#include "workspace/engine/bmacro_interpreter.h"

#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

using mrw::BMacroEnd;
using testsupport::ScriptedPrompter;
using testsupport::TempFolder;

namespace {

class ScriptedConsole : public mrw::BMacroConsole {
public:
    // Answers of the value prompt; an empty optional is Cancel.
    std::deque<std::optional<double>> answers;
    std::vector<std::pair<std::string, double>> asked; // prompt and default
    int stopAfter = -1;                                 // lines before Cancel, -1 never
    int lines = 0;
    int lastPercent = -1;

    bool askValue(const std::string& prompt, double& value) override
    {
        asked.emplace_back(prompt, value);
        const auto answer = answers.empty() ? std::optional<double>(value) : answers.front();
        if (!answers.empty())
            answers.pop_front();
        if (answer)
            value = *answer;
        return answer.has_value();
    }
    void showLine(int, const std::string&, int percent) override
    {
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
        lastPercent = percent;
    }
    bool stopRequested() override { return ++lines == stopAfter; }
};

class MemorySink : public mrw::BMacroSink {
public:
    std::string text; // lines joined with "\n" after each
    bool writeLine(std::string_view line) override
    {
        text += line;
        text += '\n';
        return true;
    }
};

struct Outcome {
    std::string written;
    std::vector<std::string> boxes;
    mrw::BMacroResult result;
};

Outcome runMacro(const std::string& program, const std::string& memo = "",
                 const mrw::BMacroOptions& options = {}, ScriptedConsole* console = nullptr)
{
    MemorySink sink;
    ScriptedPrompter prompter;
    ScriptedConsole ownConsole;
    mrw::BMacroInterpreter interpreter(options, sink, console ? *console : ownConsole, prompter);
    Outcome outcome;
    outcome.result = interpreter.run(platform::splitLines(memo), platform::splitLines(program));
    outcome.written = sink.text;
    for (const auto& box : prompter.shown)
        outcome.boxes.push_back(box.text);
    return outcome;
}

mrw::BMacroOptions withDigits(int digits)
{
    mrw::BMacroOptions options;
    options.Digr = digits;
    return options;
}

mrw::BMacroOptions withoutComments()
{
    mrw::BMacroOptions options;
    options.KeepComments = false;
    return options;
}

mrw::BMacroOptions twoCharacterComments()
{
    mrw::BMacroOptions options;
    options.CmtStart = "(*";
    options.CmtEnd = "*)";
    return options;
}

mrw::BMacroOptions withoutStopCode()
{
    mrw::BMacroOptions options;
    options.StopCode.clear();
    return options;
}

} // namespace

TEST(BMacroInterpreterTest, ProgramsExpandAsWritten)
{
    struct Case {
        const char* name;
        const char* memo;
        const char* program;
        mrw::BMacroOptions options;
        const char* written;
        std::vector<std::string> boxes;
        BMacroEnd end;
    };
    const Case cases[] = {
        {"values travel at four decimals", "", "#1=1/3\nX#1\n#2=#1*3\nY#2\n", {}, "X0.3333\nY0.9999\n", {},
         BMacroEnd::EndOfProgram},
        {"six decimals", "", "#1=1/3\nX#1\n", withDigits(6), "X0.333333\n", {}, BMacroEnd::EndOfProgram},
        {"last comment kept", "", "#1=0.3333\n#2=2\nN5 G01 X[#1+1] Y#2 (A) (FEED)\n(ALONE)\n", {},
         "G01X1.3333Y2.0000(FEED)\n(ALONE)\n", {}, BMacroEnd::EndOfProgram},
        {"comments dropped", "", "#1=0.3333\n#2=2\nG01 X[#1+1] Y#2 (FEED)\n(ALONE)\n", withoutComments(),
         "G01X1.3333Y2.0000\n", {}, BMacroEnd::EndOfProgram},
        {"comment open to the line end", "", "G00 X1. (NO END\n", {}, "G00X1.(NO END\n", {},
         BMacroEnd::EndOfProgram},
        {"sequence numbers removed", "", "N100 G00 X1.\nN100\nN110M05\n", {}, "G00X1.\nM05\n", {},
         BMacroEnd::EndOfProgram},
        {"stop code ends the run", "", "G00X1.\nM30\nG00X2.\n", {}, "G00X1.\nM30\n", {}, BMacroEnd::StopCode},
        {"empty stop code", "", "G00X1.\nM30\nG00X2.\n", withoutStopCode(), "G00X1.\nM30\nG00X2.\n", {},
         BMacroEnd::EndOfProgram},
        {"macro alarm", "", "X1.\n#3000=2 (TOOL BROKEN)\nX2.\n", {}, "X1.\n",
         {"Macro Alarm #3000\nMSG= (TOOL BROKEN)\nNUM= 2.0000"}, BMacroEnd::Error},
        {"EQ within the tolerance", "", "#1=1\nIF [#1 EQ 1.00004] THEN #2=1\nIF [#1 EQ 1.00006] THEN #2=2\nX#2\n",
         withDigits(6), "X1.000000\n", {}, BMacroEnd::EndOfProgram},
        {"NE GT LT GE LE", "",
         "#1=2\nIF[#1NE3]THEN A1\nIF[#1GT3]THEN A2\nIF[#1LT3]THEN A3\nIF[#1GE2]THEN A4\nIF[#1LE1]THEN A5\n", {},
         "A1\nA3\nA4\n", {}, BMacroEnd::EndOfProgram},
        {"WHILE runs three times", "", "#1=0\nWHILE [#1 LT 3] DO 1\nX#1\n#1=#1+1\nEND 1\nM30\n", {},
         "X0.0000\nX1.0000\nX2.0000\nM30\n", {}, BMacroEnd::StopCode},
        {"WHILE false skips past its END", "", "#1=5\nWHILE [#1 LT 3] DO 2\nX1.\nEND 2\nX2.\n", {}, "X2.\n", {},
         BMacroEnd::EndOfProgram},
        {"nested loops", "",
         "#1=0\nWHILE[#1LT2]DO1\n#2=0\nWHILE[#2LT2]DO2\nX#1Y#2\n#2=#2+1\nEND2\n#1=#1+1\nEND1\n", {},
         "X0.0000Y0.0000\nX0.0000Y1.0000\nX1.0000Y0.0000\nX1.0000Y1.0000\n", {}, BMacroEnd::EndOfProgram},
        {"END out of range", "", "X1.\nEND 4\nX2.\n", {}, "X1.\n", {"\"DO/END\" Number out or Range [4]"},
         BMacroEnd::Error},
        {"END without DO", "", "X1.\nEND 1\nX2.\n", {}, "X1.\n", {"Target DO/END number [1] Not Found"},
         BMacroEnd::Error},
        {"WHILE without DO number", "", "WHILE [1 GT 2]\n", {}, "", {"Invalid \"DO/END\" Statement\nWHILE[1GT2]"},
         BMacroEnd::Error},
        {"WHILE without its END", "", "WHILE [1 GT 2] DO 1\nX1.\n", {}, "",
         {"Target DO/END number [1] Not Found"}, BMacroEnd::Error},
        {"GOTO finds N10", "", "GOTO 10\nX1.\nN10 X2.\n", {}, "X2.\n", {}, BMacroEnd::EndOfProgram},
        {"GOTO finds N010", "", "GOTO 10\nX1.\nN010 X2.\n", {}, "X2.\n", {}, BMacroEnd::EndOfProgram},
        {"GOTO finds N0010 backwards", "", "#1=0\nN0010 #1=#1+1\nX#1\nIF [#1 LT 2] GOTO 10\n", {},
         "X1.0000\nX2.0000\n", {}, BMacroEnd::EndOfProgram},
        {"GOTO without its line", "", "GOTO 10\nN100 X1.\n", {}, "", {"GOTO: Target Line \"N10\" Not Found"},
         BMacroEnd::Error},
        {"GOTO does not substitute", "", "#1=10\nGOTO #1\nN10 X1.\n", {}, "",
         {"Integer/Real String Conversion Error\nS = [#1]\nEr = 1", "GOTO: Target Line \"N0\" Not Found"},
         BMacroEnd::Error},
        {"small letters pass as written", "", "g01 x1.\n", {}, "g01x1.\n", {}, BMacroEnd::EndOfProgram},
        {"small letters in brackets", "", "X[sqrt4]\nX1.\n", {}, "X1.\n",
         {"Cannot Evaluate Expression\nIllegal or missing parenthese\n[>>sqrt4]"}, BMacroEnd::EndOfProgram},
        {"memo runs first, its comment line is written", "(Define Variables Here)\n#100=25.4\n", "X#100\n", {},
         "(Define Variables Here)\nX25.4000\n", {}, BMacroEnd::EndOfProgram},
        {"empty program ends after the memo", "(VARS)\n", "", {}, "(VARS)\n", {}, BMacroEnd::EndOfProgram},
        {"statements that are dropped", "", "DEBUG1\nPOPEN\nDPRNT[X]\nPCLOS\nX1.\n", {}, "X1.\n", {},
         BMacroEnd::EndOfProgram},
        {"undefined variable skips the line", "", "X#5\nX1.\n", {}, "X1.\n", {"Variable [5] Not Defined"},
         BMacroEnd::EndOfProgram},
        {"undefined variable in an assignment", "", "#1=#2+1\nX1.\n", {}, "",
         {"Variable [2] Not Defined", "Cannot Evaluate Right Side of Assignment\nIllegal character\n>>#2+1"},
         BMacroEnd::Error},
        {"left side that does not evaluate", "", "#[1+]=1\n", {}, "",
         {"Cannot Evaluate Left Side of Assignment\nIllegal or missing parenthese\n[1+>>]"}, BMacroEnd::Error},
        {"indirect assignment", "", "#1=5\n##1=7\n#[#1+1]=8\nX#5Y#6\n", {}, "X7.0000Y8.0000\n", {},
         BMacroEnd::EndOfProgram},
        {"assignment without #", "", "X=1\nX2.\n", {},
         "", {"First Character of a Variable Assignment Must be \"#\"\nX=1"}, BMacroEnd::Error},
        {"unbalanced brackets", "", "X[1+2\nX1.\n", {}, "X1.\n", {"Unbalanced Brackets [] in Expression\nX[1+2"},
         BMacroEnd::EndOfProgram},
        {"condition without operator", "", "IF [1 XX 2] THEN X1.\nX2.\n", {}, "X2.\n",
         {"Invalid Logical Operator\nIF[1XX2]THENX1."}, BMacroEnd::EndOfProgram},
        {"position kept by modal moves", "", "X5.\nY#5001\nG00 X1.\nU1.5\nG04 X9.\nX#5001\n", {},
         "X5.\nY0.0000\nG00X1.\nU1.5\nG04X9.\nX9.0000\n", {}, BMacroEnd::EndOfProgram},
        {"feed per revolution keeps the position", "", "G95 X2. Y3. Z4.\nW1.\nX#5001Y#5002Z#5003\n", {},
         "G95X2.Y3.Z4.\nW1.\nX2.0000Y3.0000Z5.0000\n", {}, BMacroEnd::EndOfProgram},
        {"two-character comment marks", "", "G01 X1 (* NOTE *) Y2\nG00 (* A*B *)\n", twoCharacterComments(),
         "G01X1Y2(* NOTE *)\nG00(* A*B *)\n", {}, BMacroEnd::EndOfProgram},
        {"chained IFs", "", "#1=1\nIF[#1EQ1]THEN IF[#1GT0]THEN IF[#1LT2]THEN X1.\nIF[#1EQ1]THEN IF[#1GT1]THEN X2.\n", {},
         "X1.\n", {}, BMacroEnd::EndOfProgram},
        {"M99 in the main program ends the run", "", "X1.\nM99\nX2.\n", {}, "X1.\n", {}, BMacroEnd::MainReturn},
        // The IF is decided first: a false condition does not return.
        {"IF with a false M99", "", "#1=0\nIF [#1 GT 0] THEN M99\nX1.\n", {}, "X1.\n", {},
         BMacroEnd::EndOfProgram},
        {"IF with a true M99", "", "#1=1\nIF [#1 GT 0] THEN M99\nX1.\n", {}, "", {}, BMacroEnd::MainReturn},
        // A sign in front of a negative value combines with it.
        {"signs before negative values", "", "#1=-0.5\nX-#1\nX+#1\nY[2*-#1]\nZ[1-#1]\nW[1+#1]\nX#1\n", {},
         "X0.5000\nX-0.5000\nY1.0000\nZ1.5000\nW0.5000\nX-0.5000\n", {}, BMacroEnd::EndOfProgram},
        {"signs before positive values", "", "#1=0.5\nX-#1\nY[2*-#1]\n#2=-#1\nZ#2\n", {},
         "X-0.5000\nY-1.0000\nZ-0.5000\n", {}, BMacroEnd::EndOfProgram},
        {"variable number beyond the range", "", "X#70000\nX1.\n", {}, "X1.\n", {"Bad variable Reference\nX#70000"},
         BMacroEnd::EndOfProgram},
        {"negative variable number assigned", "", "#[-1]=5\nX1.\n", {}, "", {"Bad variable Reference\n#[-1]=5"},
         BMacroEnd::Error},
        {"# without a number", "", "X#A\nX1.\n", {}, "X1.\n", {"Bad variable Reference\nX#A"},
         BMacroEnd::EndOfProgram},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = runMacro(c.program, c.memo, c.options);
        EXPECT_EQ(outcome.written, c.written);
        EXPECT_EQ(outcome.boxes, c.boxes);
        EXPECT_EQ(outcome.result.end, c.end);
        EXPECT_EQ(outcome.result.normal(), c.boxes.empty() && c.end != BMacroEnd::Error);
    }
}

TEST(BMacroInterpreterTest, ALineOfManyThousandIfsRunsWithoutExhaustingTheStack)
{
    std::string line;
    for (int i = 0; i < 50'000; ++i)
        line += "IF[1EQ1]THEN";
    const Outcome outcome = runMacro(line + "X1.\n");
    EXPECT_EQ(outcome.written, "X1.\n");
    EXPECT_TRUE(outcome.result.normal());
}

TEST(BMacroInterpreterTest, ValuePromptAsksWithTheCommentAndItsValue)
{
    ScriptedConsole console;
    console.answers = {7.0};
    Outcome outcome = runMacro("#1=5 (DEPTH ?\?)\nX#1\n", "", {}, &console);
    EXPECT_EQ(outcome.written, "X7.0000\n");
    ASSERT_EQ(console.asked.size(), 1u);
    EXPECT_EQ(console.asked[0].first, "(DEPTH ?\?)");
    EXPECT_EQ(console.asked[0].second, 5.0);

    console.answers = {std::nullopt};
    outcome = runMacro("#1=5 (DEPTH ?\?)\nX#1\n", "", {}, &console);
    EXPECT_EQ(outcome.written, "");
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{"Macro Alarm #3000\nMSG= \nNUM= 0.0000"});
    EXPECT_EQ(outcome.result.end, BMacroEnd::Error);
}

TEST(BMacroInterpreterTest, ThousandVariablesFillTheTable)
{
    // #5001..#5003 and #1 take four slots; the loop stores 996 more before the table is full.
    const Outcome outcome = runMacro("#1=10\nWHILE [#1 LT 2000] DO 1\n#[#1]=1\n#1=#1+1\nEND 1\nX#1\n");
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{"More than 1000] Variables Defined"});
    EXPECT_EQ(outcome.result.end, BMacroEnd::Error);
    EXPECT_EQ(outcome.written, "");
}

TEST(BMacroInterpreterTest, CancelStopsAnEndlessLoop)
{
    ScriptedConsole console;
    console.stopAfter = 500;
    const Outcome outcome = runMacro("WHILE [1 EQ 1] DO 1\nX1.\nEND 1\n", "", {}, &console);
    EXPECT_EQ(outcome.result.end, BMacroEnd::Cancelled);
    EXPECT_FALSE(outcome.result.normal());
    EXPECT_EQ(console.lines, 500);
}

TEST(BMacroInterpreterTest, DigitsRightMustBeAWholeNumberUpToFifteen)
{
    EXPECT_EQ(mrw::DigitsRightFromText("4"), 4);
    EXPECT_EQ(mrw::DigitsRightFromText(" 2.4 "), 2);
    EXPECT_EQ(mrw::DigitsRightFromText("15"), 15);
    EXPECT_EQ(mrw::DigitsRightFromText("0"), 0);
    EXPECT_EQ(mrw::DigitsRightFromText("16"), std::nullopt);
    EXPECT_EQ(mrw::DigitsRightFromText("-1"), std::nullopt);
    EXPECT_EQ(mrw::DigitsRightFromText("four"), std::nullopt);
    EXPECT_EQ(mrw::DigitsRightFromText(""), std::nullopt);
}

// ---- A run into a file -----------------------------------------------------------

namespace {

struct JobRun {
    mrw::BMacroResult result;
    std::vector<std::string> boxes;
};

JobRun runJob(mrw::BMacroJob job, const std::string& program, std::deque<platform::Button> answers = {})
{
    ScriptedPrompter prompter;
    prompter.buttons = std::move(answers);
    ScriptedConsole console;
    JobRun run;
    run.result = mrw::RunBMacroJob(std::move(job), platform::splitLines(program), console, prompter);
    for (const auto& box : prompter.shown)
        run.boxes.push_back(box.text);
    return run;
}

mrw::BMacroJob jobIn(const TempFolder& folder)
{
    mrw::BMacroJob job;
    job.OutputFile = folder.file("PART.OUT");
    job.VariablesFile = folder.file("BMACROVARS.TXT");
    job.Memo = {"(Define Variables Here)", "#100=2"};
    return job;
}

} // namespace

TEST(BMacroJobTest, WritesTheOutputWithCrLfAndKeepsTheMemo)
{
    TempFolder folder;
    const JobRun run = runJob(jobIn(folder), "G00 X#100\nM30\n");
    EXPECT_TRUE(run.result.normal());
    EXPECT_EQ(folder.read("PART.OUT"), "(Define Variables Here)\r\nG00X2.0000\r\nM30\r\n");
    EXPECT_EQ(folder.read("BMACROVARS.TXT"), "(Define Variables Here)\r\n#100=2\r\n");
}

TEST(BMacroJobTest, AnExistingOutputIsOverwrittenOnlyOnYes)
{
    TempFolder folder;
    folder.write("PART.OUT", "OLD\r\n");
    JobRun run = runJob(jobIn(folder), "X1.\n", {platform::Button::No});
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Output File Already Exists, Overwrite"});
    EXPECT_EQ(run.result.end, BMacroEnd::NotRun);
    EXPECT_FALSE(run.result.normal());
    EXPECT_EQ(folder.read("PART.OUT"), "OLD\r\n");

    run = runJob(jobIn(folder), "X1.\n", {platform::Button::Yes});
    EXPECT_TRUE(run.result.normal());
    EXPECT_EQ(folder.read("PART.OUT"), "(Define Variables Here)\r\nX1.\r\n");
}

// A run that does not finish leaves no program under the output's name: an earlier
// output stays as it was, and the message says what became of it.
TEST(BMacroJobTest, ARunThatDoesNotFinishLeavesTheOutputAsItWas)
{
    struct Case {
        const char* name;
        const char* program;
        int stopAfter;
        const char* earlier; // an earlier output, overwritten on Yes; nullptr for none
        const char* why;
    };
    const Case cases[] = {
        {"cancelled", "WHILE [1 EQ 1] DO 1\nX1.\nEND 1\n", 300, nullptr, "The run was cancelled."},
        {"cancelled over an earlier output", "WHILE [1 EQ 1] DO 1\nX1.\nEND 1\n", 300, "OLD\r\n",
         "The run was cancelled."},
        {"an error", "X1.\n#3000=1 (STOP)\nM30\n", -1, "OLD\r\n", "The run ended on an error."},
        {"a called program without M99", "X1.\nM98 P5\nM30\n", -1, nullptr,
         "A called program ran past its last line without M99."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write("O5.TAP", "O5\nX2.\n");
        if (c.earlier)
            folder.write("PART.OUT", c.earlier);
        ScriptedPrompter prompter;
        prompter.buttons = {platform::Button::Yes};
        ScriptedConsole console;
        console.stopAfter = c.stopAfter;
        const mrw::BMacroResult result =
            mrw::RunBMacroJob(jobIn(folder), platform::splitLines(c.program), console, prompter);
        EXPECT_FALSE(result.normal());
        const std::string path = folder.file("PART.OUT");
        ASSERT_FALSE(prompter.shown.empty());
        EXPECT_EQ(prompter.shown.back().text,
                  std::string(c.why) + "\n" +
                      (c.earlier ? "The earlier output " + path + " was kept as it was."
                                 : "Nothing was written to " + path + "."));
        if (c.earlier)
            EXPECT_EQ(folder.read("PART.OUT"), c.earlier);
        else
            EXPECT_FALSE(platform::fileExists(path));
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (c.earlier ? std::vector<std::string>{"BMACROVARS.TXT", "O5.TAP", "PART.OUT"}
                                   : std::vector<std::string>{"BMACROVARS.TXT", "O5.TAP"}));
    }
}

// A finished run replaces the output whole: its permissions stay, and a symbolic link
// stays a link to the file it names.
TEST(BMacroJobTest, AFinishedRunReplacesTheOutputThroughItsLink)
{
    TempFolder folder;
    folder.write("REAL.OUT", "OLD\r\n");
    ::chmod(folder.file("REAL.OUT").c_str(), 0640);
    std::filesystem::create_symlink(folder.file("REAL.OUT"), folder.file("PART.OUT"));
    const JobRun run = runJob(jobIn(folder), "X1.\nM30\n", {platform::Button::Yes});
    EXPECT_TRUE(run.result.normal());
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("PART.OUT")));
    EXPECT_EQ(folder.read("REAL.OUT"), "(Define Variables Here)\r\nX1.\r\nM30\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(folder.file("REAL.OUT").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(BMacroJobTest, BadDigitsRightStopsBeforeAnythingIsWritten)
{
    TempFolder folder;
    mrw::BMacroJob job = jobIn(folder);
    job.Digr = "X";
    const JobRun run = runJob(job, "X1.\n");
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].find("Digits Right \"X\""), std::string::npos);
    EXPECT_FALSE(run.result.normal());
    EXPECT_FALSE(platform::fileExists(folder.file("PART.OUT")));
    EXPECT_FALSE(platform::fileExists(folder.file("BMACROVARS.TXT")));
}

TEST(BMacroJobTest, AnOutputThatCannotBeCreatedIsNamed)
{
    TempFolder folder;
    mrw::BMacroJob job = jobIn(folder);
    job.OutputFile = folder.file("NO/SUCH/PART.OUT");
    const JobRun run = runJob(job, "X1.\n");
    EXPECT_EQ(run.boxes, std::vector<std::string>{"Cannot Create Output File " + job.OutputFile});
    EXPECT_FALSE(run.result.normal());
}

TEST(BMacroJobTest, AVariablesFileThatCannotBeWrittenIsReportedAndTheRunGoesOn)
{
    TempFolder folder;
    mrw::BMacroJob job = jobIn(folder);
    job.VariablesFile = folder.file("NO/BMACROVARS.TXT");
    const JobRun run = runJob(job, "X1.\n");
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].find("Cannot Save the Pre-Defined Variables"), std::string::npos);
    EXPECT_TRUE(run.result.normal());
    EXPECT_EQ(folder.read("PART.OUT"), "(Define Variables Here)\r\nX1.\r\n");
}

// ---- Sub-program calls -----------------------------------------------------------

namespace {

Outcome runIn(const TempFolder& folder, const std::string& program, int format = 0)
{
    mrw::BMacroOptions options;
    options.SubFolder = folder.path();
    options.SubFormat = format;
    return runMacro(program, "", options);
}

} // namespace

TEST(BMacroCallTest, CallsRunTheirProgramsFromTheSecondLine)
{
    TempFolder folder;
    folder.write("o1000.tap", "O1000\r\nX#1 Y#2\r\nM99\r\n");
    folder.write("O1001.TAP", "O1001\r#1=7\rM99\r");
    folder.write("O1002.TAP", "O1002\nX1.\nM99\n");
    struct Case {
        const char* name;
        const char* program;
        const char* written;
    };
    const Case cases[] = {
        {"G65 passes and restores its arguments", "#1=5\nG65 P1000 A1. B2.\nX#1\nY#2\n",
         "X1.0000Y2.0000\nX5.0000\nY0.0000\n"},
        {"L repeats the program", "G65 P1000 L3 A1. B2.\n", "X1.0000Y2.0000\nX1.0000Y2.0000\nX1.0000Y2.0000\n"},
        {"M98 passes nothing and restores nothing", "#1=5\nM98 P1001\nX#1\n", "X7.0000\n"},
        {"G65 restores what the program changed", "#1=5\nG65 P1001\nX#1\n", "X5.0000\n"},
        {"P from a variable", "#9=1002\nM98 P#9\nX2.\n", "X1.\nX2.\n"},
        {"IF decides a call", "#1=1\nIF [#1 GT 0] THEN M98 P1001\nIF [#1 GT 10] THEN M98 P1002\nX#1\n",
         "X7.0000\n"},
        {"X Y Z arguments move the position", "G65 P1001 X3. Z-1.\nX#5001Z#5003\n", "X3.0000Z-1.0000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = runIn(folder, c.program);
        EXPECT_EQ(outcome.written, c.written);
        EXPECT_EQ(outcome.boxes, std::vector<std::string>{});
        EXPECT_TRUE(outcome.result.normal());
    }
}

// A called file as it comes from a tape: its "%" lines and its program number are not
// written, however often the program runs.
TEST(BMacroCallTest, ATapeFilesPercentAndProgramNumberAreNotWritten)
{
    TempFolder folder;
    folder.write("O1001.TAP",
                 platform::readFileBytes(testsupport::examplePath("O1001.TAP")).value());
    folder.write("O7.TAP", "%\r\n %\r\nO7 (TWO TAPE MARKS)\r\nX#1\r\nM99\r\n%\r\n");
    const std::string pocket = "G91G01Z-0.2F5.\nX0.25F15.\nG03X0.Y0.I-0.25J0.\nG01X-0.25\nG00Z0.2\nG90\n";
    struct Case {
        const char* name;
        const char* program;
        std::string written;
    };
    const Case cases[] = {
        {"called twice", "M98 P1001\nG00X3.Y1.\nM98 P1001\nM30\n", pocket + "G00X3.Y1.\n" + pocket + "M30\n"},
        {"run again by L", "M98 P1001 L2\n", pocket + pocket},
        {"G65 with arguments", "G65 P7 A1. L2\n", "X1.0000\nX1.0000\n"},
        {"G66 modal", "G66 P7 A2.\nA3.\nG67\n", "X2.0000\nX3.0000\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = runIn(folder, c.program);
        EXPECT_EQ(outcome.written, c.written);
        EXPECT_TRUE(outcome.result.normal());
    }
}

// Only a program-number line is passed over after the "%" and blank lines in front of it:
// a called file without one starts with a block that must be written.
TEST(BMacroCallTest, OnlyAProgramNumberLineIsPassedOver)
{
    struct Case {
        const char* name;
        const char* called;
        const char* written;
    };
    const Case cases[] = {
        {"percent, no program number", "%\nG01 X1.\nG01 X2.\nM99\n", "G01X1.\nG01X2.\n"},
        {"percent and program number", "%\nO1002\nG01 X1.\nM99\n", "G01X1.\n"},
        {"blank line between percent and program number", "%\n\nO1002\nG01 X1.\nM99\n", "G01X1.\n"},
        {"blank lines, no program number", "\r\n%\r\n  \r\nG01 X1.\r\nM99\r\n", "G01X1.\n"},
        {"program number with a comment", "o1002 (BORE)\nG01 X1.\nM99\n", "G01X1.\n"},
        {"no percent, no program number", "G01 X1.\nM99\n", "G01X1.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        folder.write("O1002.TAP", c.called);
        const Outcome outcome = runIn(folder, "M98 P1002 L2\n");
        EXPECT_EQ(outcome.written, std::string(c.written) + c.written);
        EXPECT_TRUE(outcome.result.normal());
    }
}

TEST(BMacroCallTest, TheSixFileNameFormats)
{
    const char* names[] = {"O1234.TAP", "O1234", "1234.TAP", "1234", "1234.SUB", "O1234.SUB"};
    for (int format = 0; format < mrw::SubProgramFormatCount; ++format) {
        SCOPED_TRACE(names[format]);
        EXPECT_EQ(mrw::SubProgramFileName(format, 1234), names[format]);
        TempFolder folder;
        folder.write(names[format], "O1234\nX1.\nM99\n");
        const Outcome outcome = runIn(folder, "M98 P1234\n", format);
        EXPECT_EQ(outcome.written, "X1.\n");
        EXPECT_TRUE(outcome.result.normal());
    }
}

TEST(BMacroCallTest, AMissingFileEndsTheRun)
{
    TempFolder folder;
    const Outcome outcome = runIn(folder, "X1.\nG65 P77 A1.\nX2.\n");
    const std::string path = folder.file("O77.TAP");
    EXPECT_EQ(outcome.boxes,
              (std::vector<std::string>{"Sub File Not Found: " + path, "Sub Program File Not Found " + path}));
    EXPECT_EQ(outcome.written, "X1.\n");
    EXPECT_EQ(outcome.result.end, BMacroEnd::Error);
}

TEST(BMacroCallTest, FifteenLevelsNestButNotSixteen)
{
    TempFolder folder;
    // O3000 calls itself while #100 counts the levels down.
    folder.write("O3000.TAP", "O3000\n#100=#100-1\nIF [#100 GT 0] THEN M98 P3000\nX#100\nM99\n");
    mrw::BMacroOptions options;
    options.SubFolder = folder.path();
    Outcome outcome = runMacro("M98 P3000\nM30\n", "#100=15\n", options);
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{});
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "X0.0000\n";
    EXPECT_EQ(outcome.written, fifteen + "M30\n");

    outcome = runMacro("M98 P3000\nM30\n", "#100=16\n", options);
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{"Sub Program Nested Greater Than 15 Levels"});
    EXPECT_EQ(outcome.written, "");
    EXPECT_EQ(outcome.result.end, BMacroEnd::Error);
}

TEST(BMacroCallTest, ACalledProgramWithoutReturnEndsTheRun)
{
    TempFolder folder;
    folder.write("O5.TAP", "O5\nX1.\n");
    const Outcome outcome = runIn(folder, "M98 P5\nX2.\n");
    EXPECT_EQ(outcome.written, "X1.\n");
    EXPECT_EQ(outcome.result.end, BMacroEnd::OutOfLines);
    EXPECT_FALSE(outcome.result.normal());
}

TEST(BMacroCallTest, ModalCallRunsOncePerArgumentLine)
{
    TempFolder folder;
    folder.write("O2000.TAP", "O2000\nG01 X#5001 Y#5002 Z#26\nM99\n");
    Outcome outcome = runIn(folder, "G66 P2000 Z-1.\nX1.Y1.\nX2.Y2.\nG67\nX#26\nM30\n");
    // Three runs, the program number and the argument lines not written; #26 was
    // undefined before the call and holds 0 after it.
    EXPECT_EQ(outcome.boxes, std::vector<std::string>{});
    EXPECT_EQ(outcome.written, "G01X0.0000Y0.0000Z-1.0000\n"
                               "G01X1.0000Y1.0000Z-1.0000\n"
                               "G01X2.0000Y2.0000Z-1.0000\n"
                               "X0.0000\n"
                               "M30\n");
    EXPECT_EQ(outcome.result.end, BMacroEnd::StopCode);

    // Without its G67 the modal call ends with the main program.
    outcome = runIn(folder, "G66 P2000 Z-1.\nX1.Y1.\n");
    EXPECT_EQ(outcome.written, "G01X0.0000Y0.0000Z-1.0000\nG01X1.0000Y1.0000Z-1.0000\n");
    EXPECT_TRUE(outcome.result.normal());
}

TEST(BMacroJobTest, AnOutputThatCannotBeWrittenIsNamedAndTheRunFails)
{
    TempFolder folder;
    mrw::BMacroJob job = jobIn(folder);
    folder.write("PART.OUT", "EARLIER\r\n");
    // A disk that fills up during the run: writes past 64 bytes fail.
    const JobRun run = [&] {
        testsupport::FileSizeLimit full(64);
        return runJob(job, "X1.\nX2.\nX3.\nX4.\nX5.\nX6.\nX7.\nX8.\nM30\n", {platform::Button::Yes});
    }();
    ASSERT_EQ(run.boxes.size(), 3u);
    EXPECT_EQ(run.boxes[1], "Cannot Write Output File " + job.OutputFile);
    EXPECT_EQ(run.result.end, BMacroEnd::Error);
    EXPECT_FALSE(run.result.normal());
    EXPECT_EQ(folder.read("PART.OUT"), "EARLIER\r\n");

    // A FIFO or device is no output file: refused by name before anything runs.
    ASSERT_EQ(::mkfifo(folder.file("PIPE.OUT").c_str(), 0644), 0);
    for (const std::string& name : {folder.file("PIPE.OUT"), std::string("/dev/null")}) {
        job.OutputFile = name;
        const JobRun refused = runJob(job, "X1.\nM30\n");
        EXPECT_EQ(refused.boxes, std::vector<std::string>{platform::notRegularFileText(name)});
        EXPECT_FALSE(refused.result.normal());
    }
}
