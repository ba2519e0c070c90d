#include "analyzer/engine/nc_input.h"

#include "analyzer/engine/run_state.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using runtest::defaultMachine;

struct CountingErrors : vork::ErrorReporter {
    std::vector<int> errors;
    void ReportNCError(int n) override { errors.push_back(n); }
};

// One run's input side over a machine, with recording services.
struct Session {
    vork::TMachineSetup machine;
    vork::TRunState state;
    testsupport::ScriptedPrompter prompter;
    testsupport::NullPump pump;
    runtest::RecordingCodeList codeList;
    runtest::RecordingDrawing drawing;
    CountingErrors errors;
    vork::RunServices services;
    vork::NCInput input{state, machine, services};

    explicit Session(const std::vector<std::string>& changes = {}) : machine(defaultMachine(changes))
    {
        services.prompter = &prompter;
        services.pump = &pump;
        services.codeList = &codeList;
        services.drawing = &drawing;
        services.errors = &errors;
        state.DataFileOn = false;
    }

    // What the run loop does around each fetch: the raw block becomes the previous one;
    // a pause in typed entry ends the segment.
    std::vector<std::string> runAll()
    {
        std::vector<std::string> blocks;
        for (;;) {
            input.ReadNextBlock();
            if (state.EndOfProgram)
                return blocks;
            blocks.push_back(state.Block);
            state.PrevBlock = state.RawBlock;
            if (state.SegmentEnd)
                return blocks;
        }
    }

    double word(const std::string& block, const char* address, int format, int left, int right)
    {
        state.Block = block;
        input.ReadWordValue(address, format, left, right);
        return state.WordFound ? state.WordValue : -12345.0;
    }
};

TEST(ReadWordValue, NumberFormats)
{
    const struct {
        const char* block;
        const char* address;
        int format, left, right;
        double value;
    } cases[] = {
        {"X1.5", "X", 0, 3, 4, 1.5},
        {"X15", "X", 1, 3, 4, 150.0},
        {"X15", "X", 2, 3, 4, 0.0015},
        {"X-15", "X", 2, 3, 4, -0.0015},
        {"X15", "X", 3, 3, 4, 0.0015},
        {"X 1. 5 Y2", "X", 0, 3, 4, 1.5},
        {"X5", "X", 1, 2, 4, 50.0},
        {"X123456", "X", 1, 3, 4, 123.456},
        {"X+1.5", "X", 0, 3, 4, 1.5},
        {"X.5", "X", 0, 3, 4, 0.5},
        {"X5.", "X", 0, 3, 4, 5.0},
        {"X", "X", 0, 3, 4, 0.0},
        {"G01X", "X", 0, 3, 4, 0.0},
        {"X1.2.3", "X", 0, 3, 4, 1.2},
        {"Y1", "X", 0, 3, 4, -12345.0},
        {"L3", "L", 2, 2, 0, 3.0},
        {"X15", "X", 1, -9999, -9999, 0.15},
        {"G84.1", "G", 0, 2, 2, 84.1},
        {"X\t2.", "X", 0, 3, 4, 2.0},
        {"X -\t1 .\t5", "X", 0, 3, 4, -1.5},
        {"X1-2", "X", 0, 3, 4, -12.0},
        {"X1.5-", "X", 0, 3, 4, -1.5},
        {"X.-", "X", 0, 3, 4, 0.0},
        {"X--5", "X", 0, 3, 4, 5.0},
    };
    Session s;
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(s.word(c.block, c.address, c.format, c.left, c.right), c.value) << c.block;
    // Overlong numbers: digits that cannot change a double are passed over.
    EXPECT_DOUBLE_EQ(s.word("X" + std::string(1000, '0') + "1.5", "X", 0, 3, 4), 1.5);
    EXPECT_DOUBLE_EQ(s.word("X1." + std::string(1000, '0') + "1", "X", 0, 3, 4), 1.0);
    EXPECT_DOUBLE_EQ(s.word("X-" + std::string(1000, '9') + ".5", "X", 0, 3, 4), -1e308); // the longest start that reads
    EXPECT_TRUE(s.errors.errors.empty());
}

// Numbers of 17 to 20 digits with a point, where a double no longer holds the digits as
// an integer: the quick reading of a plainly written word gives the same double as the
// general reading (which a "+" before the number asks for), and both the correctly
// rounded value of the text.
TEST(ReadWordValue, LongNumbersReadTheSameEitherWay)
{
    std::mt19937_64 random(20261211);
    Session s;
    int beyondExact = 0;
    for (int row = 0; row < 5000; ++row) {
        const int digits = 17 + static_cast<int>(random() % 4);
        std::string text;
        for (int d = 0; d < digits; ++d)
            text += static_cast<char>('0' + random() % 10);
        text.insert(random() % (text.size() + 1), ".");
        if (random() % 2)
            text.insert(0, "-");
        double exact = 0;
        const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), exact);
        ASSERT_EQ(r.ec, std::errc()) << text;
        const double quick = s.word("X" + text + " Y1.", "X", 0, 3, 4);
        const double general = s.word("X+" + text + " Y1.", "X", 0, 3, 4);
        EXPECT_EQ(quick, general) << text;
        EXPECT_EQ(quick, exact) << text;
        std::string allDigits = text;
        std::erase(allDigits, '.');
        std::erase(allDigits, '-');
        beyondExact += std::stold(allDigits) > 9007199254740992.0L;
    }
    EXPECT_GT(beyondExact, 4000); // most rows hold more than a double's exact integers
    EXPECT_TRUE(s.errors.errors.empty());
}

TEST(ReadWordValue, MixedFormatAndBadFormat)
{
    Session mixed({"I  105 0"});
    EXPECT_DOUBLE_EQ(mixed.word("X15", "X", 0, 3, 4), 0.0015);
    EXPECT_DOUBLE_EQ(mixed.word("X1.5", "X", 0, 3, 4), 1.5);
    EXPECT_DOUBLE_EQ(mixed.word("S1500", "S", 0, 4, 4), 1500.0);
    EXPECT_DOUBLE_EQ(mixed.word("T12", "T", 0, 4, 4), 12.0);
    EXPECT_DOUBLE_EQ(mixed.word("G01", "G", 0, 2, 2), 1.0);

    Session s;
    EXPECT_DOUBLE_EQ(s.word("Z1.5", "Z", 2, 3, 4), 0.0015);
    EXPECT_EQ(s.errors.errors, std::vector<int>{8});
    EXPECT_EQ(s.state.BadFormatLetter, 'Z');
}

// Reads in turn on one input, as a run makes them: each row's block replaces the last
// (often by one of the same length that differs in one place), so a reader that kept
// anything of an earlier block shows it here.
TEST(ReadWordValue, WordsOfChangingBlocksReadInTurn)
{
    const struct {
        const char* block;
        const char* address;
        int format, left, right;
        double value;     // -12345 when the address does not occur
        int errors;       // format errors reported by this read
    } cases[] = {
        {"X1 X2", "X", 0, 3, 4, 1.0, 0},        // the first occurrence counts
        {"Y1 X2", "X", 0, 3, 4, 2.0, 0},
        {"X2 Y1", "X", 0, 3, 4, 2.0, 0},
        {"Y2 Y1", "X", 0, 3, 4, -12345.0, 0},
        {"x2 Y1", "X", 0, 3, 4, -12345.0, 0},   // letters are matched as written
        {"X2 Y1", "", 0, 3, 4, -12345.0, 0},    // an empty address never occurs
        {"A2 A13", "A1", 0, 3, 4, 13.0, 0},     // a longer address: its first whole match,
        {"A13 A2", "A1", 0, 3, 4, 13.0, 0},     // the number starting after its first character
        {"A2 A31", "A1", 0, 3, 4, -12345.0, 0},
        {"A1 AB2", "AB", 0, 3, 4, 0.0, 0},
        {"X 1 2. 5", "X", 0, 3, 4, 12.5, 0},    // blanks inside the number read as nothing
        {"X Y1", "X", 0, 3, 4, 0.0, 0},
        {"X1+2", "X", 0, 3, 4, 12.0, 0},        // the first "+" is dropped
        {"X++1", "X", 0, 3, 4, 1.0, 0},
        {"X-1+", "X", 0, 3, 4, -1.0, 0},
        {"X-.", "X", 0, 3, 4, -0.0, 0},
        {"X-", "X", 0, 3, 4, 0.0, 0},
        {"X15", "X", 1, 3, 4, 150.0, 0},        // leading zeros format
        {"X-1234", "X", 1, 2, 4, -12.34, 0},
        {"X0015", "X", 1, 2, 4, 0.15, 0},
        {"X15", "X", 1, 0, 4, 0.15, 0},
        {"X15", "X", 2, 3, 4, 0.0015, 0},       // trailing zeros format
        {"X123456", "X", 3, 3, 4, 12.3456, 0},
        {"F100", "F", 2, 2, 0, 100.0, 0},
        {"X15", "X", 7, 3, 4, 15.0, 0},         // an unknown format reads as written
        {"Z1.5", "Z", 2, 3, 4, 0.0015, 1},      // a point in a format without one
        {"Z1.5", "Z", 1, 3, 4, 150.0, 1},
        {"Z-1.5", "Z", 3, 3, 4, -0.0015, 1},
        {"Z1.5", "Z", 0, 3, 4, 1.5, 0},
        {"X12345678901234567890", "X", 2, 3, 4, 1234567890123456.7890, 0},
        {"X0.1234567890123456789", "X", 0, 3, 4, 0.1234567890123456789, 0},
        {"X9007199254740993", "X", 0, 3, 4, 9007199254740992.0, 0},
        {"X.00000000000000000000000001", "X", 0, 3, 4, 1e-26, 0},
        {"X1", "X", 1, 20, 4, 1e14, 0},         // at most 15 digits on either side
    };
    Session s;
    for (const auto& c : cases) {
        const std::size_t errorsBefore = s.errors.errors.size();
        const double value = s.word(c.block, c.address, c.format, c.left, c.right);
        EXPECT_EQ(value, c.value) << c.block << " " << c.address << " format " << c.format;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.block;
        EXPECT_EQ(s.errors.errors.size() - errorsBefore, static_cast<std::size_t>(c.errors)) << c.block;
    }
    EXPECT_EQ(s.state.BadFormatLetter, 'Z');
    EXPECT_EQ(s.state.NCErrorCount, 3);

    // The mixed format: a word without a point is read with trailing zeros, except for
    // the letters that never have a fraction.
    Session mixed({"I  105 0"});
    const struct {
        const char* block;
        const char* address;
        double value;
    } mixedCases[] = {
        {"X15", "X", 0.0015}, {"X1.5", "X", 1.5}, {"D15", "D", 15.0}, {"H15", "H", 15.0}, {"N15", "N", 15.0},
        {"T15", "T", 15.0},   {"S15", "S", 15.0}, {"M15", "M", 15.0},  {"G15", "G", 15.0}, {"G15", "G1", 15.0},
        {"X15", "X1", 0.0015}, {"F-15", "F", -0.0015},
    };
    for (const auto& c : mixedCases)
        EXPECT_EQ(mixed.word(c.block, c.address, 0, 3, 4), c.value) << c.block << " " << c.address;

    // A block changed in place between reads, its length kept.
    Session edited;
    edited.state.Block = "X1 Y2 X3";
    edited.input.ReadWordValue("X", 0, 3, 4);
    EXPECT_EQ(edited.state.WordValue, 1.0);
    edited.state.Block[0] = 'Q';
    edited.input.ReadWordValue("X", 0, 3, 4);
    EXPECT_EQ(edited.state.WordValue, 3.0);
    edited.state.Block[7] = '4';
    edited.input.ReadWordValue("X", 0, 3, 4);
    EXPECT_EQ(edited.state.WordValue, 4.0);
    edited.state.Block[6] = 'Y';
    edited.input.ReadWordValue("X", 0, 3, 4);
    EXPECT_FALSE(edited.state.WordFound);

    // A format error report that puts the raw block back (as the error dialog does): the
    // word is read as it was written, and the next word from the block put back.
    struct RawBlockBack : vork::ErrorReporter {
        vork::TRunState* state = nullptr;
        void ReportNCError(int) override { state->Block = state->RawBlock; }
    } putBack;
    Session reported;
    putBack.state = &reported.state;
    reported.services.errors = &putBack;
    reported.state.RawBlock = "N1 X7";
    reported.state.Block = "Z1.5 X2";
    reported.input.ReadWordValue("Z", 2, 3, 4);
    EXPECT_EQ(reported.state.WordValue, 0.0015);
    EXPECT_EQ(reported.state.Block, "N1 X7");
    reported.input.ReadWordValue("X", 0, 3, 4);
    EXPECT_EQ(reported.state.WordValue, 7.0);
}

TEST(BlockText, GWordsAreReadInTurnAndDeleted)
{
    const struct {
        const char* block;
        bool firstOnly;
        std::vector<double> codes;
        const char* left;
        double dwell; // the P word read while G04 is taken, or -1
    } cases[] = {
        {"G91 G01 X1.", false, {91, 1}, "  X1.", -1},
        {"G91 G01 X1.", true, {91}, " G01 X1.", -1},
        {"N5 G84.1 X1.5", false, {84.1}, "N5 .1 X1.5", -1},
        {"X1 G-01G+2", false, {-1, 2}, "X1 ", -1},
        {"P1.G01 5 G04", false, {15, 4}, "P1. 5 ", 1.5}, // words read as after the deletion
        {"G1 G99999999999 G2", false, {1}, " G99999999999 G2", -1},
        {"X1.", false, {}, "X1.", -1},
    };
    for (const auto& c : cases) {
        Session s;
        s.state.Block = c.block;
        std::vector<double> codes;
        double dwell = -1;
        EXPECT_TRUE(s.input.ReadGWords(
            [&](double value) {
                codes.push_back(value);
                if (value == 4)
                    dwell = s.word(s.state.Block, "P", 0, 3, 4);
                return true;
            },
            c.firstOnly))
            << c.block;
        EXPECT_EQ(codes, c.codes) << c.block;
        EXPECT_EQ(s.state.Block, c.left) << c.block;
        EXPECT_DOUBLE_EQ(dwell, c.dwell) << c.block;
    }

    // An error report that puts the raw block back (Ignore): the reading goes on from the
    // first G word of that block, as deleting the first G word would; the blanks where
    // words were stay, since they read as nothing.
    Session reported;
    reported.state.Block = "G01 G04 X1";
    std::vector<double> seen;
    EXPECT_TRUE(reported.input.ReadGWords(
        [&](double value) {
            seen.push_back(value);
            if (value == 4 && seen.size() == 2) {
                reported.state.Block = "G01 G04 X1";
                ++reported.state.NCErrorCount;
            }
            return true;
        },
        false));
    EXPECT_EQ(seen, (std::vector<double>{1, 4, 4}));
    EXPECT_EQ(reported.state.Block, "        X1");

    // A word read while a G word is taken sees the words before it blanked in place.
    Session blanked;
    blanked.state.Block = "G01 G04 X1";
    std::vector<double> firstG;
    EXPECT_TRUE(blanked.input.ReadGWords(
        [&](double) {
            firstG.push_back(blanked.word(blanked.state.Block, "G", 0, 2, 2));
            return true;
        },
        false));
    EXPECT_EQ(firstG, (std::vector<double>{1, 4}));
    EXPECT_EQ(blanked.state.Block, "  X1");

    // A code that asks for a retry stops the reading with the block as it was left.
    Session retry;
    retry.state.Block = "G04 G01";
    EXPECT_FALSE(retry.input.ReadGWords([](double) { return false; }, false));
    EXPECT_EQ(retry.state.Block, "G04 G01");
}

TEST(BlockText, StripGWordAndControlRewrites)
{
    Session s;
    s.state.Block = "G84.1 X1.5";
    s.input.StripGWord();
    EXPECT_EQ(s.state.Block, ".1 X1.5");
    s.state.Block = "N5 G-01X1";
    s.input.StripGWord();
    EXPECT_EQ(s.state.Block, "N5 X1");

    const struct {
        const char* in;
        const char* out;
    } slashes[] = {{"X1.0/", "U1.0"}, {"x1y2/z3/", "x1V2W3"}, {"N1/", "N1"}, {"X1/Y2", "U1Y2"}};
    for (const auto& c : slashes) {
        std::string b = c.in;
        vork::NCInput::SlashToIncremental(b);
        EXPECT_EQ(b, c.out) << c.in;
    }
    const struct {
        const char* in;
        const char* s41;
        const char* out;
    } delimited[] = {
        {"10,1.5,2,,,100", "C", "N10X1.5Y2F100"},
        {"10\t1.5\t2", "t", "N10X1.5Y2"},
        {"1,2,3,4,5,6,7,8", "C", "N1X2Y3Z4J5F6M7"},
        {"10,1.5", "NONE", "N10,1.5"},
    };
    for (const auto& c : delimited) {
        std::string b = c.in;
        vork::NCInput::ConvertDelimitedLine(b, c.s41);
        EXPECT_EQ(b, c.out) << c.in;
    }
    EXPECT_EQ(vork::NCInput::DifFileNameFor("/jobs/v1.2/PART.TAP"), "/jobs/v1.2/PART.DIF");
    EXPECT_EQ(vork::NCInput::DifFileNameFor("/jobs/v1.2/PART"), "/jobs/v1.2/PART.DIF");
}

TEST(ReadNextBlock, CleaningAndDirectives)
{
    testsupport::TempFolder folder;
    folder.write("P.TAP", "(ONLY A COMMENT)\r\n"
                          "G01 (A) Y2. (B)\r\n"
                          "X1 DRAW\r\n"
                          "X1 $ OPERATOR NOTE\r\n"
                          "<T1.5\r\n"
                          "<D2\r\n"
                          "<X1Y2S.2>HOLE A\r\n"
                          "<Q\r\n");
    Session s;
    s.state.Feed = 4.0;
    s.input.OpenNCFile(folder.file("P.TAP"));
    const auto blocks = s.runAll();
    EXPECT_EQ(blocks, (std::vector<std::string>{"", "G01  Y2. (B)", "", "X1 ", " ", " ", " ", " "}));
    EXPECT_DOUBLE_EQ(s.state.SegTime, 1.5 + 0.5);
    EXPECT_EQ(s.drawing.calls, (std::vector<std::string>{"label 1 2 0.2 HOLE A", "M 0 0 0"}));
    EXPECT_EQ(s.codeList.lines.size(), 8u);
    EXPECT_EQ(s.codeList.lines[1], "G01 (A) Y2. (B)");

    // The last line of the file is not run a second time at the end.
    Session once;
    folder.write("T.TAP", "<T1.5");
    once.input.OpenNCFile(folder.file("T.TAP"));
    once.runAll();
    EXPECT_DOUBLE_EQ(once.state.SegTime, 1.5);
    EXPECT_EQ(once.codeList.lines.size(), 1u);

    // With no feed a distance adds no time (and no infinity).
    Session noFeed;
    folder.write("D.TAP", "<D2\r\n");
    noFeed.input.OpenNCFile(folder.file("D.TAP"));
    noFeed.runAll();
    EXPECT_EQ(noFeed.state.SegTime, 0.0);
}

TEST(ReadNextBlock, CodeListKeeps25Lines)
{
    testsupport::TempFolder folder;
    std::string text;
    for (int i = 1; i <= 30; ++i)
        text += "N" + std::to_string(i) + "\r\n";
    folder.write("P.TAP", text);
    Session s;
    s.input.OpenNCFile(folder.file("P.TAP"));
    s.runAll();
    ASSERT_EQ(s.codeList.lines.size(), 25u);
    EXPECT_EQ(s.codeList.lines.front(), "N6");
    EXPECT_EQ(s.codeList.lines.back(), "N30");
}

// A name that is no file (a FIFO, a link to a device, a folder) is refused: never read,
// never taken as a new program to type in, and left where it is.
TEST(OpenNCFile, ANameThatIsNoFileIsRefusedAndLeftAlone)
{
    testsupport::TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("FIFO.TAP").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", folder.file("ZERO.TAP").c_str()), 0);
    ASSERT_EQ(::mkdir(folder.file("DIR.TAP").c_str(), 0700), 0);
    for (const char* name : {"FIFO.TAP", "ZERO.TAP", "DIR.TAP"}) {
        Session s;
        s.prompter.inputs = {{true, "Y"}};
        EXPECT_FALSE(s.input.OpenNCFile(folder.file(name))) << name;
        ASSERT_EQ(s.prompter.shown.size(), 1u) << name; // no question about typing it in
        EXPECT_EQ(s.prompter.shown[0].text, platform::notRegularFileText(folder.file(name)));
        EXPECT_FALSE(s.state.WorkCopyOpen);
        EXPECT_FALSE(s.state.ProgramLoaded);
        EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
    }
    struct stat st{};
    EXPECT_TRUE(::lstat(folder.file("FIFO.TAP").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat(folder.file("ZERO.TAP").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(platform::folderExists(folder.file("DIR.TAP")));
}

TEST(WorkCopy, AFullReadKeepsEveryLineAndEditsReachTheFile)
{
    testsupport::TempFolder folder;
    const std::string program = "%\r\nO1000\r\nN10 G00 X1. (RAPID)\r\nN20 G01 Y2. F10.\r\nN30 M30\r\n%\r\n";
    folder.write("P.TAP", program);
    Session s;
    s.input.OpenNCFile(folder.file("P.TAP"));
    EXPECT_TRUE(s.state.WorkCopyOpen);
    for (;;) {
        s.input.ReadNextBlock();
        if (s.state.EndOfProgram)
            break;
        if (s.state.RawBlock == "N20 G01 Y2. F10.") {
            s.state.RawBlock = "N20 G01 Y2.5 F10."; // edited in the error dialog
            s.state.ProgramEdited = true;
        }
        s.state.PrevBlock = s.state.RawBlock;
    }
    EXPECT_FALSE(s.state.WorkCopyOpen);
    EXPECT_EQ(folder.read("P.TAP"), "%\r\nO1000\r\nN10 G00 X1. (RAPID)\r\nN20 G01 Y2.5 F10.\r\nN30 M30\r\n%\r\n");
    EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
}

// Runs in another process, each with its work copy of P.TAP, until killed.
pid_t runElsewhere(const testsupport::TempFolder& folder)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        Session s;
        s.input.OpenNCFile(folder.file("P.TAP"));
        s.input.ReadNextBlock();
        const char mark = s.state.WorkCopyOpen ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(ready[1], &mark, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char mark = 'n';
    [[maybe_unused]] const auto read = ::read(ready[0], &mark, 1);
    ::close(ready[0]);
    return mark == 'y' ? pid : -1;
}

// A work copy is another run's while that run runs, and a left-over once it is gone
// (killed): the next run in the folder removes it, and only files of that exact shape.
TEST(WorkCopy, AWorkCopyIsLeftAloneWhileItsRunRunsAndRemovedOnceItIsKilled)
{
    testsupport::TempFolder folder;
    folder.write("P.TAP", "N10 X1.\r\nN20 X2.\r\n");
    const pid_t other = runElsewhere(folder);
    ASSERT_GT(other, 0);
    const std::vector<std::string> lookAlikes = {"DV.TMP.BAK", "XDV.TMP", "DV07.TMP", "dv.tmp", "DV100.TMP", "DVA.TMP"};
    for (const std::string& name : lookAlikes)
        folder.write(name, "a file of the user\r\n");
    testsupport::TempFolder elsewhere;
    elsewhere.write("notes", "notes\n");
    ASSERT_EQ(::symlink(elsewhere.file("notes").c_str(), folder.file("DV5.TMP").c_str()), 0);
    {
        Session s;
        ASSERT_TRUE(s.input.OpenNCFile(folder.file("P.TAP")));
        EXPECT_EQ(s.state.WorkCopyName, folder.file("DV1.TMP")); // DV.TMP is the other run's
        EXPECT_TRUE(s.input.CloseNCFile());
    }
    EXPECT_TRUE(platform::fileExists(folder.file("DV.TMP")));

    ::kill(other, SIGKILL);
    ::waitpid(other, nullptr, 0);
    folder.write("DV7.TMP", "a copy an earlier run left\r\n");
    Session s;
    ASSERT_TRUE(s.input.OpenNCFile(folder.file("P.TAP")));
    EXPECT_EQ(s.state.WorkCopyName, folder.file("DV.TMP"));
    s.runAll();
    EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
    EXPECT_FALSE(platform::fileExists(folder.file("DV7.TMP")));
    for (const std::string& name : lookAlikes)
        EXPECT_EQ(folder.read(name), "a file of the user\r\n") << name;
    EXPECT_EQ(elsewhere.read("notes"), "notes\n");
    struct stat st{};
    EXPECT_TRUE(::lstat(folder.file("DV5.TMP").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(folder.read("P.TAP"), "N10 X1.\r\nN20 X2.\r\n");
}

TEST(WorkCopy, CloseInMidRunCopiesTheRest)
{
    testsupport::TempFolder folder;
    const std::string program = "N10 X1.\r\nN20 X2.\r\nN30 X3.\r\nN40 X4.\r\n";
    folder.write("P.TAP", program);
    Session s;
    s.input.OpenNCFile(folder.file("P.TAP"));
    for (int i = 0; i < 2; ++i) {
        s.input.ReadNextBlock();
        if (i == 0) {
            s.state.RawBlock = "N10 X1.5"; // edited in the error dialog
            s.state.ProgramEdited = true;
        }
        s.state.PrevBlock = s.state.RawBlock;
    }
    EXPECT_TRUE(s.input.CloseNCFile());
    EXPECT_EQ(folder.read("P.TAP"), "N10 X1.5\r\n" + program.substr(9));
}

TEST(WorkCopy, AMissingWorkCopyLeavesTheProgramAlone)
{
    testsupport::TempFolder folder;
    const std::string program = "N10 X1.\nN20 X2.\n";
    folder.write("P.TAP", program);
    Session s;
    s.input.OpenNCFile(folder.file("P.TAP"));
    s.input.ReadNextBlock();
    s.state.ProgramEdited = true;
    std::remove(folder.file("DV.TMP").c_str());
    EXPECT_FALSE(s.input.CloseNCFile());
    EXPECT_EQ(folder.read("P.TAP"), program);
    ASSERT_FALSE(s.prompter.shown.empty());
    EXPECT_EQ(s.prompter.shown.back().text, "Error Writing Temp File [" + folder.file("DV.TMP") +
                                                "]: No such file or directory\nNC File Left Unchanged");
}

namespace {

struct stat statOf(const std::string& path)
{
    struct stat st{};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

} // namespace

// A run reads the program; only an edit made during it writes the program back.
TEST(WorkCopy, AProgramNobodyEditedIsLeftAsItIs)
{
    const std::string program = "N10 X1.\n\nN20 X2.\nN30 X3.\nN40 X4."; // LF, a blank line, no last end
    for (const bool wholeRun : {true, false}) {
        testsupport::TempFolder folder;
        folder.write("P.TAP", program);
        ::chmod(folder.file("P.TAP").c_str(), 0444);
        const ino_t inode = statOf(folder.file("P.TAP")).st_ino;
        Session s;
        ASSERT_TRUE(s.input.OpenNCFile(folder.file("P.TAP")));
        if (wholeRun) {
            s.runAll(); // the end of the program closes it
        } else {
            s.input.ReadNextBlock();
            EXPECT_TRUE(s.input.CloseNCFile());
        }
        EXPECT_FALSE(s.state.WorkCopyOpen);
        EXPECT_EQ(folder.read("P.TAP"), program);
        EXPECT_EQ(statOf(folder.file("P.TAP")).st_ino, inode);
        EXPECT_EQ(statOf(folder.file("P.TAP")).st_mode & 07777, 0444u);
        EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
        EXPECT_TRUE(s.prompter.shown.empty());
    }
}

TEST(WorkCopy, AnEditedProgramKeepsItsModeOrIsRefused)
{
    struct Case { mode_t mode; bool replaced; };
    for (const Case c : {Case{0640, true}, Case{0444, false}}) {
        testsupport::TempFolder folder;
        folder.write("P.TAP", "N10 X1.\r\nN20 X2.\r\n");
        ::chmod(folder.file("P.TAP").c_str(), c.mode);
        Session s;
        ASSERT_TRUE(s.input.OpenNCFile(folder.file("P.TAP")));
        s.input.ReadNextBlock();
        s.state.RawBlock = "N10 X1.5"; // edited in the error dialog
        s.state.ProgramEdited = true;
        s.state.PrevBlock = s.state.RawBlock;
        EXPECT_EQ(s.input.CloseNCFile(), c.replaced);
        EXPECT_EQ(statOf(folder.file("P.TAP")).st_mode & 07777, c.mode);
        const std::string edited = "N10 X1.5\r\nN20 X2.\r\n";
        if (c.replaced) {
            EXPECT_EQ(folder.read("P.TAP"), edited);
            EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
            continue;
        }
        EXPECT_EQ(folder.read("P.TAP"), "N10 X1.\r\nN20 X2.\r\n");
        EXPECT_EQ(folder.read("P.TAP.EDITED"), edited);
        EXPECT_FALSE(platform::fileExists(folder.file("DV.TMP")));
        ASSERT_EQ(s.prompter.shown.size(), 1u);
        EXPECT_EQ(s.prompter.shown[0].text, "File [" + folder.file("P.TAP") +
                                                "] Is Write-Protected and Was Not Replaced\n"
                                                "The Program Is Kept In [" + folder.file("P.TAP.EDITED") + "]");
        // The next run in the folder leaves the kept program alone.
        Session next;
        ASSERT_TRUE(next.input.OpenNCFile(folder.file("P.TAP")));
        EXPECT_TRUE(next.input.CloseNCFile());
        EXPECT_EQ(folder.read("P.TAP.EDITED"), edited);
    }
}

// A program in a folder the user may not write (a shop's released programs): the run's
// work copy is kept in the program's own work folder, and an edit made during the run goes
// back into the program, which the user may write, in place. With no folder to write, every
// message says which file and why.
TEST(WorkCopy, AFolderThatCannotBeWrittenKeepsTheEditInTheWorkFolder)
{
    enum class Case { ProgramWritable, ProgramProtected, NoFolderToWrite };
    for (const Case c : {Case::ProgramWritable, Case::ProgramProtected, Case::NoFolderToWrite}) {
        testsupport::TempFolder shop, work;
        ::chmod(shop.path().c_str(), 0755);
        ::chmod(work.path().c_str(), c == Case::NoFolderToWrite ? 0555 : 0777);
        ASSERT_EQ(::mkdir(shop.file("NC").c_str(), 0755), 0);
        const std::string program = shop.file("NC/P.TAP");
        shop.write("NC/P.TAP", "N10 X1.\r\nN20 X2.\r\n");
        ::chmod(program.c_str(), c == Case::ProgramProtected ? 0444 : 0666);
        ::chmod(shop.file("NC").c_str(), 0555);
        Session s;
        s.state.WorkCopyFolders = {work.path()};
        testsupport::asOrdinaryUser([&] {
            ASSERT_TRUE(s.input.OpenNCFile(program));
            s.input.ReadNextBlock();
            s.state.RawBlock = "N10 X1.5"; // corrected in the error dialog
            s.state.ProgramEdited = true;
            s.state.PrevBlock = s.state.RawBlock;
            EXPECT_EQ(s.input.CloseNCFile(), c == Case::ProgramWritable);
        });
        const std::string copyNearProgram = shop.file("NC/DV.TMP");
        switch (c) {
        case Case::ProgramWritable:
            EXPECT_EQ(shop.read("NC/P.TAP"), "N10 X1.5\r\nN20 X2.\r\n");
            EXPECT_FALSE(platform::fileExists(work.file("DV.TMP")));
            EXPECT_TRUE(s.prompter.shown.empty());
            break;
        case Case::ProgramProtected:
            EXPECT_EQ(shop.read("NC/P.TAP"), "N10 X1.\r\nN20 X2.\r\n");
            EXPECT_EQ(s.state.WorkCopyName, work.file("P.TAP.EDITED"));
            EXPECT_EQ(work.read("P.TAP.EDITED"), "N10 X1.5\r\nN20 X2.\r\n");
            ASSERT_EQ(s.prompter.shown.size(), 1u);
            EXPECT_EQ(s.prompter.shown[0].text, "File [" + program + "] Is Write-Protected and Was Not Replaced\n"
                                                "The Program Is Kept In [" + work.file("P.TAP.EDITED") + "]");
            break;
        case Case::NoFolderToWrite:
            EXPECT_EQ(shop.read("NC/P.TAP"), "N10 X1.\r\nN20 X2.\r\n");
            ASSERT_EQ(s.prompter.shown.size(), 2u);
            EXPECT_EQ(s.prompter.shown[0].text,
                      "Error Opening Temp File [" + copyNearProgram + "]: Permission denied");
            EXPECT_EQ(s.prompter.shown[1].text, "Error Writing Temp File [" + copyNearProgram +
                                                    "]: Permission denied\nNC File Left Unchanged");
            break;
        }
    }
}

// The data listing that cannot be made is named, with the reason; the run goes on.
TEST(OpenNCFile, ADataListingThatCannotBeMadeIsNamed)
{
    testsupport::TempFolder folder;
    folder.write("P.TAP", "N10 X1.\r\n");
    Session s;
    s.state.DataFileOn = true;
    s.state.DataFileName = folder.file("missing/NCCODE.DAT");
    ASSERT_TRUE(s.input.OpenNCFile(folder.file("P.TAP")));
    ASSERT_EQ(s.prompter.shown.size(), 1u);
    EXPECT_EQ(s.prompter.shown[0].text,
              "Error Opening Data File [" + folder.file("missing/NCCODE.DAT") + "]: No such file or directory");
    EXPECT_TRUE(s.state.WorkCopyOpen);
}

TEST(TypedEntry, NumbersTypedLinesAndEndsAtAnAt)
{
    testsupport::TempFolder folder;
    Session s;
    s.prompter.inputs = {{true, "Y"}, {true, "G01 X1."}, {true, "Y2."}, {true, " "}};
    s.input.OpenNCFile(folder.file("NEW.TAP"));
    EXPECT_TRUE(s.state.TypedEntry);
    EXPECT_EQ(s.state.SeqNumber, -10);
    s.runAll(); // stops at the blank line: a pause
    EXPECT_TRUE(s.state.SegmentEnd);
    EXPECT_FALSE(s.state.EndOfProgram);
    s.state.SegmentEnd = false;
    s.prompter.inputs = {{true, "M30"}, {true, "@"}};
    s.runAll();
    EXPECT_TRUE(s.state.EndOfProgram);
    EXPECT_FALSE(s.state.TypedEntry);
    EXPECT_EQ(folder.read("NEW.TAP"), "N10G01 X1.\r\nN20Y2.\r\nN40M30\r\n");
}

TEST(SubPrograms, ALevelIsReadThreeTimesThenTheCallerGoesOn)
{
    testsupport::TempFolder folder;
    folder.write("MAIN.TAP", "N10 M98 P12 L3\r\nN20 M30\r\n");
    folder.write("O0012.TAP", "G91 X1.\r\nM99\r\n");
    Session s;
    s.input.OpenNCFile(folder.file("MAIN.TAP"));
    s.input.ReadNextBlock();
    ASSERT_EQ(s.state.Block, "N10 M98 P12 L3");
    ASSERT_TRUE(s.input.EnterSubProgram(folder.file("O0012.TAP"), 3));
    EXPECT_EQ(s.state.SubLevel, 1);
    EXPECT_FALSE(s.input.EnterSubProgram(folder.file("O9999.TAP"), 1));
    EXPECT_EQ(s.state.SubLevel, 1);
    s.state.PrevBlock = s.state.RawBlock;
    const auto blocks = s.runAll();
    EXPECT_EQ(blocks, (std::vector<std::string>{"G91 X1.", "M99", "G91 X1.", "M99", "G91 X1.", "M99", "N20 M30"}));
    EXPECT_EQ(s.state.SubLevel, 0);
    // Sub-program lines never reach the main program.
    EXPECT_EQ(folder.read("MAIN.TAP"), "N10 M98 P12 L3\r\nN20 M30\r\n");
}

TEST(SubPrograms, SplitInMidRunKeepsTheProgramAsItWas)
{
    testsupport::TempFolder folder;
    const std::string before = platform::currentFolder();
    ASSERT_TRUE(platform::setCurrentFolder(folder.path()));
    const std::string program = "O1000\r\nG0 X1\r\nG0 X2\r\nM30\r\nO0012\r\nG1 X2\r\nM99\r\n";
    folder.write("MAIN.TAP", program);
    Session s;
    s.input.OpenNCFile(folder.file("MAIN.TAP"));
    for (int i = 0; i < 3; ++i) {
        s.input.ReadNextBlock();
        s.state.PrevBlock = s.state.RawBlock;
    }
    s.input.SplitSubPrograms();
    EXPECT_EQ(folder.read("MAIN.TAP"), program);
    s.runAll();
    EXPECT_EQ(folder.read("MAIN.TAP"), program);
    ASSERT_TRUE(platform::setCurrentFolder(before));
}

TEST(SubPrograms, SplitWritesEachSubProgramToItsOwnFile)
{
    testsupport::TempFolder folder;
    const std::string before = platform::currentFolder();
    ASSERT_TRUE(platform::setCurrentFolder(folder.path()));
    folder.write("MAIN.TAP", "O1000\r\nG0 X1\r\nM30\r\nO0012\r\nG1 X2\r\nM99\r\n(NOTE)\r\n:0013\r\nG1 X3\r\nM99\r\n");
    Session s;
    s.input.OpenNCFile(folder.file("MAIN.TAP"));
    s.input.SplitSubPrograms();
    EXPECT_TRUE(s.state.SubSplit);
    EXPECT_TRUE(s.state.WorkCopyOpen);
    EXPECT_EQ(folder.read("O0012.SUB"), "G1 X2\r\nM99\r\n");
    EXPECT_EQ(folder.read("O0013.SUB"), "G1 X3\r\nM99\r\n");
    EXPECT_EQ(s.runAll().size(), 10u); // the reopened program runs from its start
    ASSERT_TRUE(platform::setCurrentFolder(before));
}

} // namespace
