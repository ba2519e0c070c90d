#include "workspace/engine/file_compare.h"
#include "workspace/engine/compare_outputs.h"

#include "platform/textfile.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <utime.h>

using namespace mrw;

namespace {

std::string lines(std::initializer_list<const char*> texts)
{
    std::string out;
    for (const char* t : texts)
        out += std::string(t) + "\r\n";
    return out;
}

// Rows as "<block><code><line 1>/<line 2>" separated by blanks.
std::string describe(const std::vector<CompareRow>& rows)
{
    std::string out;
    for (const CompareRow& r : rows) {
        if (!out.empty())
            out += ' ';
        out += std::to_string(r.block) + r.code + std::to_string(r.line1) + "/" + std::to_string(r.line2);
    }
    return out;
}

struct Pair {
    testsupport::TempFolder folder;
    FileCompare compare;

    FileCompare::Outcome run(const std::string& newer, const std::string& older, CompareRunOptions options = {},
                             const CompareHooks& hooks = {})
    {
        folder.write("new.tap", newer);
        folder.write("old.tap", older);
        compare.List1().SetFileName(folder.file("new.tap"));
        compare.List2().SetFileName(folder.file("old.tap"));
        return compare.CompareFiles(options, hooks);
    }
};

struct Case {
    const char* name;
    std::string newer, older;
    CompareRunOptions options;
    const char* rows;
    const char* result;
};

// The line numbers of the newer (file 1) and the older file (file 2) that GNU diff
// reports added, deleted or changed.
std::pair<std::set<long>, std::set<long>> linesGnuDiffMarks(Pair& pair)
{
    const std::string command = "diff " + pair.folder.file("old.tap") + " " + pair.folder.file("new.tap");
    std::set<long> diff1, diff2;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    const std::regex header(R"((\d+)(?:,(\d+))?([acd])(\d+)(?:,(\d+))?)");
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::cmatch m;
        if (!std::regex_search(buffer, m, header) || buffer[0] == '<' || buffer[0] == '>' || buffer[0] == '-')
            continue;
        const long from2 = std::stol(m[1]), to2 = m[2].matched ? std::stol(m[2]) : from2;
        const long from1 = std::stol(m[4]), to1 = m[5].matched ? std::stol(m[5]) : from1;
        const char op = m[3].str()[0];
        if (op != 'a')
            for (long l = from2; l <= to2; ++l)
                diff2.insert(l);
        if (op != 'd')
            for (long l = from1; l <= to1; ++l)
                diff1.insert(l);
    }
    pclose(pipe);
    return {diff1, diff2};
}

// How many lines GNU diff reports added or deleted ("<" and ">" lines).
long gnuDiffChangedLines(Pair& pair)
{
    const std::string command = "diff " + pair.folder.file("old.tap") + " " + pair.folder.file("new.tap");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    long changed = 0;
    char buffer[512];
    bool lineStart = true;
    while (fgets(buffer, sizeof buffer, pipe)) {
        if (lineStart && (buffer[0] == '<' || buffer[0] == '>'))
            ++changed;
        lineStart = std::strchr(buffer, '\n') != nullptr;
    }
    pclose(pipe);
    return changed;
}

std::pair<std::set<long>, std::set<long>> linesOurRowsMark(const FileCompare& compare)
{
    std::set<long> ours1, ours2;
    for (const CompareRow& r : compare.Rows()) {
        if (r.line1)
            ours1.insert(r.line1);
        if (r.line2)
            ours2.insert(r.line2);
    }
    return {ours1, ours2};
}

// The lines the compare marks in each file are exactly the lines GNU diff marks there;
// GNU diff's marks of the first file are returned.
std::set<long> ExpectMarkedAsGnuDiffMarks(Pair& pair)
{
    const auto [ours1, ours2] = linesOurRowsMark(pair.compare);
    const auto [diff1, diff2] = linesGnuDiffMarks(pair);
    EXPECT_EQ(ours1, diff1);
    EXPECT_EQ(ours2, diff2);
    return diff1;
}

std::string joinLf(const std::vector<std::string>& v)
{
    std::string out;
    for (const auto& s : v)
        out += s + "\n";
    return out;
}

CompareRunOptions opts(bool caseSensitive, bool excludeLeading, MatchDisplay m = MatchDisplay::None,
                       DiffDisplay d = DiffDisplay::Both)
{
    return {caseSensitive, excludeLeading, m, d};
}

} // namespace

TEST(FileCompare, ClassifiesDifferencesAsTheTableSays)
{
    const CompareRunOptions plain = opts(true, false);
    const Case cases[] = {
        {"identical, default options", lines({"A", "B"}), lines({"A", "B"}), {}, "",
         "  *** Files are Identical. ***  --- (for options set)"},
        {"identical, strict options", lines({"A", "B"}), lines({"A", "B"}), plain, "", "  *** Files are Identical. ***"},
        {"case ignored", lines({"G01 x1"}), lines({"G01 X1"}), {}, "", "  *** Files are Identical. ***  --- (for options set)"},
        {"case counted", lines({"G01 x1"}), lines({"G01 X1"}), plain, "1E0/1 1e1/0", "  There is 1 difference."},
        {"trailing blanks", lines({"X1   ", "Y2\t"}), lines({"X1", "Y2"}), plain, "", "  *** Files are Identical. ***"},
        {"leading blanks shift", lines({"  X1"}), lines({"X1"}), plain, "1S0/1 1+1/0", "  There is 1 difference."},
        {"leading blanks shift left", lines({"X1"}), lines({"  X1"}), plain, "1S0/1 1-1/0", "  There is 1 difference."},
        {"leading blanks excluded", lines({"  X1"}), lines({"X1"}), opts(true, true), "",
         "  *** Files are Identical. ***  --- (for options set)"},
        {"two added lines", lines({"A", "B", "C", "N1", "N2", "D", "E"}), lines({"A", "B", "C", "D", "E"}), plain,
         "1I4/0 1I5/0", "  There is 1 difference."},
        {"two deleted lines", lines({"A", "B", "C", "D", "E"}), lines({"A", "B", "C", "N1", "N2", "D", "E"}), plain,
         "1D0/4 1D0/5", "  There is 1 difference."},
        {"similar pair is an edit", lines({"N1", "G01 X1.0 Y2.0", "N3"}), lines({"N1", "G01 X1.5 Y2.0", "N3"}), plain,
         "1E0/2 1e2/0", "  There is 1 difference."},
        {"dissimilar pair is a replacement", lines({"N1", "G00 Z5.", "N3"}), lines({"N1", "M30", "N3"}), plain,
         "1R0/2 1r2/0", "  There is 1 difference."},
        {"file 2 ends first", lines({"A", "B", "C", "D"}), lines({"A", "B"}), plain, "1A3/0 1A4/0",
         "  There is 1 difference."},
        {"file 1 ends first", lines({"A", "B"}), lines({"A", "B", "C", "D"}), plain, "1D0/3 1D0/4",
         "  There is 1 difference."},
        {"insertion before a changed line", lines({"A", "NEW", "B2", "C", "D"}), lines({"A", "B", "C", "D"}), plain,
         "1R0/2 1r2/0 2I3/0", "  There are 2 differences."},
        {"adjacent matches frame each block once", lines({"A", "X", "B", "Y", "C"}), lines({"A", "P", "B", "Q", "C"}),
         opts(true, false, MatchDisplay::Adjacent), "0=1/1 1R0/2 1r2/0 0=3/3 2R0/4 2r4/0 0=5/5",
         "  There are 2 differences."},
        {"all matches shown", lines({"A", "X", "B"}), lines({"A", "B"}), opts(true, false, MatchDisplay::All),
         "0=1/1 1I2/0 0=3/2", "  There is 1 difference."},
        {"first file only", lines({"N1", "G01 X1.0 Y2.0", "N3"}), lines({"N1", "G01 X1.5 Y2.0", "N3"}),
         opts(true, false, MatchDisplay::None, DiffDisplay::FirstFile), "1e2/0", "  There is 1 difference."},
        {"second file only, all filtered", lines({"A", "N1", "N2", "B", "C"}), lines({"A", "B", "C"}),
         opts(true, false, MatchDisplay::None, DiffDisplay::SecondFile), "",
         "  There is 1 difference.  Lines were added to current file."},
        {"first file only, all filtered", lines({"A", "C"}), lines({"A", "B", "C"}),
         opts(true, false, MatchDisplay::None, DiffDisplay::FirstFile), "",
         "  There is 1 difference.  Lines were deleted from previous file."},
        {"one-line files", lines({"X"}), lines({"Y"}), plain, "1R0/1 1r1/0", "  There is 1 difference."},
        {"lines ended by LF and lone CR", "A\nB\rC", lines({"A", "B", "C"}), plain, "", "  *** Files are Identical. ***"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair pair;
        ASSERT_EQ(pair.run(c.newer, c.older, c.options), FileCompare::Outcome::Compared);
        EXPECT_EQ(describe(pair.compare.Rows()), c.rows);
        EXPECT_EQ(pair.compare.ResultText(), c.result);
    }
}

TEST(FileCompare, LabelsAndRowTexts)
{
    Pair pair;
    pair.run(lines({"  X1", "G00 Z5."}), lines({"X1", "M30"}), opts(true, false));
    const auto& rows = pair.compare.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(ChangeLabel(rows[0].code, false), "Shift");
    EXPECT_EQ(ChangeLabel(rows[1].code, false), " right");
    EXPECT_EQ(ChangeLabel(rows[1].code, true), "Shift");
    EXPECT_EQ(ChangeLabel(rows[3].code, false), "with..");
    EXPECT_EQ(pair.compare.RowText(rows[0]), "X1");
    EXPECT_EQ(pair.compare.RowText(rows[1]), "  X1");
    EXPECT_EQ(pair.compare.RowText(rows[2]), "M30");
    EXPECT_EQ(pair.compare.RowText(rows[3]), "G00 Z5.");
    EXPECT_EQ(pair.compare.List1().FirstDifference(), 1);
    EXPECT_EQ(pair.compare.List1().LastDifference(), 2);
}

TEST(FileCompare, EmptyFileIsReportedNotCompared)
{
    Pair pair;
    EXPECT_EQ(pair.run("", lines({"A"})), FileCompare::Outcome::EmptyFiles);
    EXPECT_TRUE(pair.compare.Rows().empty());
}

TEST(FileCompare, UnreadableFileRaisesTheLoadMessage)
{
    FileCompare compare;
    compare.List1().SetFileName("/nonexistent/a.tap");
    compare.List2().SetFileName("/nonexistent/b.tap");
    try {
        compare.CompareFiles({});
        FAIL() << "no error";
    } catch (const SourceLoadError& e) {
        EXPECT_STREQ(e.what(), "Cannot load file: /nonexistent/a.tap\r to source list for processing.");
    }
}

// Past index 32,717, where a 16-bit line index would wrap, an insertion is still an add block.
TEST(FileCompare, InsertionFarIntoALargeProgramIsAnAddBlock)
{
    std::string older, newer;
    for (int i = 1; i <= 45000; ++i) {
        const std::string line = "N" + std::to_string(i) + " G01 X" + std::to_string(i % 97) + "\r\n";
        older += line;
        newer += line;
        if (i == 40000)
            newer += "M00\r\nM01\r\n";
    }
    Pair pair;
    pair.run(newer, older, opts(true, false));
    ASSERT_EQ(pair.compare.Rows().size(), 2u);
    EXPECT_EQ(describe(pair.compare.Rows()), "1I40001/0 1I40002/0");
    EXPECT_EQ(pair.compare.Matches(), 45000);
}

TEST(FileCompare, ProgressReportsEvery250msAndCancelEndsTheRunAtTheNextStep)
{
    std::string older, newer;
    for (int i = 0; i < 100; ++i) {
        older += "N" + std::to_string(i) + "\r\n";
        newer += "N" + std::to_string(i) + "\r\n";
    }
    Pair pair;
    std::int64_t now = 0;
    std::vector<bool> offered;
    CompareHooks hooks;
    hooks.clock = [&] { return now += 100; }; // every step 100 ms later
    hooks.progress = [&](int pass, double, bool cancelOffered) {
        EXPECT_EQ(pass, 1);
        offered.push_back(cancelOffered);
        if (offered.size() == 12)
            pair.compare.RequestCancel();
    };
    try {
        pair.run(newer, older, {}, hooks);
        FAIL() << "not cancelled";
    } catch (const EOpAction& e) {
        EXPECT_STREQ(e.what(), "Process Canceled.");
    }
    ASSERT_EQ(offered.size(), 12u); // one report every third step, none after the cancel
    EXPECT_FALSE(offered[8]);       // 2,700 ms after the start
    EXPECT_TRUE(offered[9]);        // 3,000 ms after it
    EXPECT_TRUE(pair.compare.Rows().empty());

    // A fresh run is not cancelled by the request that ended the last one.
    hooks.progress = {};
    EXPECT_NO_THROW(pair.run(newer, older, {}, hooks));
}

TEST(FileCompare, OneLineFilesReportNoProgressOnARealClock)
{
    Pair pair;
    int reports = 0;
    CompareHooks hooks;
    hooks.progress = [&](int, double, bool) { ++reports; };
    pair.run(lines({"X"}), lines({"X"}), {}, hooks);
    EXPECT_EQ(reports, 0);
}

TEST(FileCompare, RefusedExtensions)
{
    const std::pair<const char*, bool> cases[] = {
        {"/a/picture.bmp", true}, {"/a/PICTURE.BMP", true}, {"/a/x.d", true},     {"/a/form.dfm", true},
        {"/a/form.~df", true},    {"/a/prog.tap", false},   {"/a/O1234", false}, {"/a/dir.exe/O1234", false},
        {"/a/O1234.", false},
        {"/a/p.nc", false},
    };
    for (const auto& [name, refused] : cases)
        EXPECT_EQ(IsRefusedExtension(name), refused) << name;

    FileCompare compare;
    std::string one = "/a/x.bmp", two = "/a/y.tap";
    try {
        compare.PrepareFiles(one, two);
        FAIL() << "accepted";
    } catch (const EOpAction& e) {
        EXPECT_STREQ(e.what(), "Non-ASCII Files can't be analyzed.\r(in this version)");
    }
}

TEST(FileCompare, PrepareMakesTheNewerFileFirst)
{
    testsupport::TempFolder folder;
    folder.write("old.tap", "A\r\n");
    folder.write("new.tap", "B\r\n");
    const utimbuf oldTime{1000000, 1000000}, newTime{2000000, 2000000};
    utime(folder.file("old.tap").c_str(), &oldTime);
    utime(folder.file("new.tap").c_str(), &newTime);
    FileCompare compare;
    std::string one = folder.file("old.tap"), two = folder.file("new.tap");
    EXPECT_TRUE(compare.PrepareFiles(one, two));
    EXPECT_EQ(one, folder.file("new.tap"));
    EXPECT_EQ(compare.List1().FileName(), folder.file("new.tap"));
    EXPECT_EQ(compare.List2().FileName(), folder.file("old.tap"));
    EXPECT_FALSE(compare.PrepareFiles(one, two)); // equal order stays
}

TEST(FileInfo, InfoLineAndDates)
{
    setenv("TZ", "UTC", 1);
    tzset();
    testsupport::TempFolder folder;
    folder.write("prog.tap", std::string(1234, 'x'));
    folder.write(".hidden", "x");
    const utimbuf when{1700000000, 1700000000}; // 14-Nov-2023 22:13:20 UTC
    utime(folder.file("prog.tap").c_str(), &when);
    utime(folder.file(".hidden").c_str(), &when);
    chmod(folder.file(".hidden").c_str(), 0444);

    const TFileInfo prog(folder.file("prog.tap"));
    EXPECT_TRUE(prog.FindFile());
    EXPECT_EQ(prog.Name(), "prog.tap");
    EXPECT_EQ(prog.Folder(), folder.path());
    EXPECT_EQ(prog.DateText(), "14-Nov-2023 22:13:20");
    EXPECT_EQ(prog.InfoLine(), "    prog.tap  Size:  1,234  Date: 14-Nov-2023 22:13:20  ----");
    EXPECT_EQ(TFileInfo(folder.file(".hidden")).InfoLine(),
              "     .hidden  Size:      1  Date: 14-Nov-2023 22:13:20  R--H");

    const TFileInfo missing(folder.file("none.tap"));
    EXPECT_FALSE(missing.FindFile());
    EXPECT_EQ(missing.DateText(), "DATE UNKNOWN");
    EXPECT_EQ(missing.InfoLine(), "");
}

TEST(SourceList, LinesBeyondTheFileAreEmptyAndErrorsName)
{
    TSourceList list(1);
    list.SetText("A\r\nB\r\nC\r\n");
    list.Next();
    list.MarkDifference();
    EXPECT_EQ(list.GetLine(list.Index(), 2), ""); // beyond the last line: empty
    EXPECT_EQ(list.LineAtCursor(-1), "A");
    list.Next();
    list.Next();
    EXPECT_TRUE(list.AtEnd());
    try {
        list.Next();
        FAIL();
    } catch (const SourceListError& e) {
        EXPECT_STREQ(e.what(), "Out-of-range SourceList index: 3.");
    }
    EXPECT_EQ(list.FirstDiffText(), "2");
}

TEST(CompareTextLines, Similarity)
{
    struct Row {
        const char *a, *b;
        bool similar, all;
    };
    const Row rows[] = {
        {"G01 X1.0 Y2.0", "G01 X1.5 Y2.0", true, false}, // 6 of 7 pieces
        {"G00 Z5.", "M30", false, false},                 // 1 of 7
        {"  X1", "X1", true, true},
        {"", "", false, false},
        {"ABCDEFGHIJ", "ABCDEF", true, false}, // 3 of 5 pieces: exactly 60 %
        {"ABCDEFGHIJ", "ABCD", false, false},  // 2 of 5
        // From 25 characters on the pieces stay five long: 7 pieces, where 6-character
        // pieces would give other counts.
        {"G01 X12.3456 Y2.3456 Z-0.5 F20.", "G9Z X12.3456 Y2.3456 0-625 F20.", true, false},
        {"G01 X12.3456 Y2.3456 Z-0.5 F20.", "G01 X12.3456 82.0456 3-0.5 F20.", false, false},
    };
    for (const Row& r : rows) {
        TCompareTextLines test(false, true);
        test.SetLines(r.a, r.b);
        EXPECT_EQ(test.LinesSimilar(), r.similar) << r.a << " / " << r.b;
        EXPECT_EQ(test.AllPiecesFound(), r.all) << r.a << " / " << r.b;
    }
}

// GNU diff as an oracle: with edits at least three equal lines apart, the lines our rows
// mark are exactly those diff reports added, deleted or changed.
TEST(FileCompare, MarksTheLinesThatGnuDiffReports)
{
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> older, newer;
        int serial = 0;
        auto fresh = [&] { return "N" + std::to_string(++serial) + " X" + std::to_string(random() % 1000) + " Y" + std::to_string(random() % 1000); };
        for (int i = 0; i < 400; ++i) {
            if (i % 6 != 5) { // an edit at most every sixth line, after at least four equal ones
                const std::string line = fresh();
                older.push_back(line);
                newer.push_back(line);
                continue;
            }
            const int count = 1 + static_cast<int>(random() % 3);
            switch (random() % 4) {
            case 0: // added in the newer file
                for (int k = 0; k < count; ++k)
                    newer.push_back(fresh());
                break;
            case 1: // deleted from it
                for (int k = 0; k < count; ++k)
                    older.push_back(fresh());
                break;
            case 2: // one line changed
                older.push_back(fresh());
                newer.push_back(fresh());
                break;
            default: // a short block changed
                for (int k = 0; k < count; ++k) {
                    older.push_back(fresh());
                    newer.push_back(fresh());
                }
            }
        }
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        EXPECT_FALSE(ExpectMarkedAsGnuDiffMarks(pair).empty());
    }
}

// Blocks of more than 50 lines: the compare comes back in step where the
// files agree again, so each added or deleted block is one block of rows, as diff finds it.
TEST(FileCompare, LongBlocksAreOneBlockAsGnuDiffFindsThem)
{
    struct Edit {
        const char* name;
        int at;      // line of the older file where the block goes
        int added;   // lines added to the newer file there
        int deleted; // lines of the older file left out there
        int blocks;
    };
    const Edit edits[] = {
        {"49 added", 300, 49, 0, 1},     {"50 added", 300, 50, 0, 1},      {"51 added", 300, 51, 0, 1},
        {"60 deleted", 300, 0, 60, 1},   {"2,000 added", 100, 2000, 0, 1}, {"700 deleted", 50, 0, 700, 1},
        {"at the start", 0, 80, 0, 1},   {"at the end", 990, 0, 10, 1},
        // Replaced lines pair up, each pair a block of its own, as within the window.
        {"replaced", 200, 75, 75, 75},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        std::vector<std::string> older, newer;
        for (int i = 0; i < 1000; ++i) {
            if (i == e.at)
                for (int k = 0; k < e.added; ++k)
                    newer.push_back("G01 X" + std::to_string(k) + ".5 (NEW)");
            older.push_back("N" + std::to_string(i * 10) + " G01 X" + std::to_string(i % 37));
            if (i < e.at || i >= e.at + e.deleted)
                newer.push_back(older.back());
        }
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        ExpectMarkedAsGnuDiffMarks(pair);
        EXPECT_EQ(pair.compare.Blocks(), e.blocks);
    }
}

TEST(FileCompare, AMovedLongBlockIsOneDeleteAndOneAddBlock)
{
    std::vector<std::string> older, newer;
    for (int i = 0; i < 600; ++i)
        older.push_back("N" + std::to_string(i * 10) + " X" + std::to_string(i % 41));
    newer = older;
    // Lines 200 to 259 moved behind line 459.
    std::vector<std::string> moved(newer.begin() + 200, newer.begin() + 260);
    newer.erase(newer.begin() + 200, newer.begin() + 260);
    newer.insert(newer.begin() + 400, moved.begin(), moved.end());
    Pair pair;
    pair.run(joinLf(newer), joinLf(older), opts(true, false));
    EXPECT_EQ(pair.compare.Blocks(), 2);
    EXPECT_EQ(pair.compare.Rows().size(), 120u);
    EXPECT_EQ(pair.compare.ResultText(), "  There are 2 differences.");
}

// An edited line of a program that repeats itself: the older line stands again further on
// with the lines after it, but the lines after the edit agree at once, so it stays an edit.
TEST(FileCompare, AnEditedLineIsNotTakenForABlockFurtherOn)
{
    std::vector<std::string> older;
    for (int i = 0; i < 400; ++i)
        older.push_back("G01 X" + std::to_string(i % 60) + ".5 Y1.");
    std::vector<std::string> newer = older;
    newer[100] = "G01 X40.7 Y1.";
    Pair pair;
    pair.run(joinLf(newer), joinLf(older), opts(true, false));
    EXPECT_EQ(describe(pair.compare.Rows()), "1E0/101 1e101/0");
}

// Lines of a block that the program repeats further on: the files come back in step a few
// lines after the edit, so the edited lines are pairs (and an added or lost line), never a
// block reaching to the place where the older lines stand again.
TEST(FileCompare, EditsInsideARepeatedBlockAreMarkedAsGnuDiffMarksThem)
{
    const std::vector<std::string> toolChange = {
        "T2 M06 (#7 DRILL)", "G00 G54 X1. Y1. S1800 M03", "G43 Z0.1 H02 M08", "G81 G99 X1. Y1. Z-0.5 R0.1 F8.",
        "X3.", "Y2.", "G80 G00 Z1. M09", "G91 G28 Z0. M05"};
    std::vector<std::string> older;
    for (int line = 1; line <= 120; ++line) {
        if (line >= 11 && line < 19)
            older.push_back(toolChange[static_cast<std::size_t>(line - 11)]);
        else if (line >= 81 && line < 89)
            older.push_back(toolChange[static_cast<std::size_t>(line - 81)]);
        else
            older.push_back("G01 X" + std::to_string(line) + ". Y0.");
    }
    struct Edit {
        const char* name;
        std::vector<std::string> lines13and14; // what stands for lines 13 and 14 in the newer file
        const char* rows;
    };
    const Edit edits[] = {
        {"two lines edited", {"G43 Z0.2 H02 M08", "G81 G99 X1. Y1. Z-0.6 R0.1 F8."}, "1E0/13 1e13/0 2E0/14 2e14/0"},
        {"two lines become three", {"G43 Z0.2 H02 M08", "G81 G99 X1. Y1. Z-0.6 R0.1 F8.", "G04 P500"},
         "1E0/13 1e13/0 2E0/14 2e14/0 3I15/0"},
        {"two lines become one", {"G43 Z0.2 H02 M08"}, "1E0/13 1e13/0 2D0/14"},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        std::vector<std::string> newer(older.begin(), older.begin() + 12);
        newer.insert(newer.end(), e.lines13and14.begin(), e.lines13and14.end());
        newer.insert(newer.end(), older.begin() + 14, older.end());
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        EXPECT_EQ(describe(pair.compare.Rows()), e.rows);
        ExpectMarkedAsGnuDiffMarks(pair);
    }
}

// On lines of only a few kinds, where equal lines stand everywhere, the compare keeps as
// many lines as the two files have in common in order (counted here the slow, sure way),
// so it marks the fewest lines any compare could.
TEST(FileCompare, MarksTheFewestLinesOnFilesOfFewKindsOfLines)
{
    std::mt19937 random(77);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        const std::size_t kinds = 2 + random() % 3;
        std::vector<std::string> newer(1 + random() % 40), older(1 + random() % 40);
        for (auto* file : {&newer, &older})
            for (std::string& line : *file)
                line = "G0" + std::to_string(random() % kinds);
        std::vector<std::vector<long>> common(newer.size() + 1, std::vector<long>(older.size() + 1, 0));
        for (std::size_t i = 1; i <= newer.size(); ++i)
            for (std::size_t j = 1; j <= older.size(); ++j)
                common[i][j] = newer[i - 1] == older[j - 1] ? common[i - 1][j - 1] + 1
                                                            : std::max(common[i - 1][j], common[i][j - 1]);
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        const long fewest = static_cast<long>(newer.size() + older.size()) - 2 * common[newer.size()][older.size()];
        EXPECT_EQ(static_cast<long>(pair.compare.Rows().size()), fewest) << describe(pair.compare.Rows());
        EXPECT_EQ(pair.compare.Matches(), common[newer.size()][older.size()]);
    }
}

// Programs that repeat themselves, edited as a shop edits them: the compare marks the lines
// GNU diff marks, no more (the figures are diff's counts of its "<" and ">" lines).
TEST(FileCompare, RepeatedProgramsAreMarkedAsGnuDiffMarksThem)
{
    struct Fixture {
        const char* name;
        long changed;
        const char* result;
    };
    const Fixture fixtures[] = {
        {"POCKETS", 3, "  There is 1 difference."},    // three lines of the pocket body inserted at the top
        {"FACING", 2, "  There is 1 difference."},     // one step-over pass of a zig-zag taken out
        {"SPOTDRILL", 7, "  There is 1 difference."},  // seven holes taken out of the spot drill
        {"TWICE", 10, "  There are 5 differences."},   // every other line of a stretch of the first copy changed
        {"REPLACED", 10, "  There are 5 differences."}, // four lines of the middle pocket replaced by six
    };
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        const std::string name = std::string("compare/") + f.name;
        Pair pair;
        pair.run(testsupport::readFixture(MRW_TEST_FIXTURES, name + "_NEW.TAP"),
                 testsupport::readFixture(MRW_TEST_FIXTURES, name + "_OLD.TAP"), opts(true, false));
        ASSERT_EQ(gnuDiffChangedLines(pair), f.changed);
        EXPECT_EQ(static_cast<long>(pair.compare.Rows().size()), f.changed) << describe(pair.compare.Rows());
        ExpectMarkedAsGnuDiffMarks(pair);
        EXPECT_EQ(pair.compare.ResultText(), f.result);
    }
}

// The same at the sizes shops run: programs of thousands of lines that repeat a short
// stretch over and over, with lines inserted, deleted or changed.
TEST(FileCompare, LargeRepeatedProgramsAreMarkedAsGnuDiffMarksThem)
{
    const std::vector<std::string> pocket = {"G91 G01 Z-0.35 F10.", "X0.5 F20.", "Y0.5", "X-0.5", "Y-0.5",
                                             "G00 Z0.35", "X1.25", "G90"};
    const auto repeated = [](const std::vector<std::string>& body, std::size_t lines) {
        std::vector<std::string> out;
        while (out.size() < lines)
            out.push_back(body[out.size() % body.size()]);
        return out;
    };
    struct Shape {
        const char* name;
        std::vector<std::string> older, newer;
        long changed;
    };
    std::vector<Shape> shapes;
    {
        // Every two lines the same: one line inserted, one deleted further on.
        std::vector<std::string> older = repeated({"G01 X1.", "G01 X2."}, 20000);
        std::vector<std::string> newer = older;
        newer.insert(newer.begin() + 5000, "G01 X1.5");
        newer.erase(newer.begin() + 15001);
        shapes.push_back({"every two lines", older, newer, 2});
    }
    {
        // 50 lines inserted into a program of pockets.
        std::vector<std::string> older = repeated(pocket, 20000);
        std::vector<std::string> newer = older;
        for (int k = 0; k < 5; ++k)
            newer.insert(newer.begin() + 3000 + 3000 * k, pocket.begin() + k % 3, pocket.begin() + k % 3 + 5);
        for (int k = 0; k < 25; ++k)
            newer.insert(newer.begin() + 100 + 700 * k, "M01");
        shapes.push_back({"50 lines inserted", older, newer, 50});
    }
    {
        // 50 lines changed in a program of pockets, five at a time.
        std::vector<std::string> older = repeated(pocket, 10000);
        std::vector<std::string> newer = older;
        for (std::size_t k = 0; k < 50; ++k)
            newer[37 + 997 * (k / 5) + k % 5] += " M08";
        shapes.push_back({"50 lines changed", older, newer, 100});
    }
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        Pair pair;
        pair.run(joinLf(shape.newer), joinLf(shape.older), opts(true, false));
        ASSERT_EQ(gnuDiffChangedLines(pair), shape.changed);
        EXPECT_EQ(static_cast<long>(pair.compare.Rows().size()), shape.changed);
    }
}

// The peck drill repeats the spot drill's holes: with seven holes taken out of the spot
// drill, those holes are the deleted block, and the summary frames them, not the peck-drill
// cycle further on.
TEST(FileCompare, HolesTakenOutOfASpotDrillAreTheDeletedBlock)
{
    Pair pair;
    pair.run(testsupport::readFixture(MRW_TEST_FIXTURES, "compare/SPOTDRILL_NEW.TAP"),
             testsupport::readFixture(MRW_TEST_FIXTURES, "compare/SPOTDRILL_OLD.TAP"), opts(true, false));
    EXPECT_EQ(describe(pair.compare.Rows()), "1D0/9 1D0/10 1D0/11 1D0/12 1D0/13 1D0/14 1D0/15");
    SummaryText summary;
    summary.AddStatistics(pair.compare);
    const std::vector<std::string>& text = summary.Lines();
    const auto previous = std::find(text.begin(), text.end(), "Previous Text File: old.tap");
    ASSERT_NE(previous, text.end());
    EXPECT_EQ(std::vector<std::string>(previous + 2, previous + 4),
              (std::vector<std::string>{"First Line not matching: 9", " Last Line not matching: 15"}));
}

namespace {

// Programs as a shop writes them, from the example programs' lines: operations that start
// with one of a few tool changes and often run the same pocket body or drill the same hole
// pattern, so whole runs of lines recur further on.
class ProgramMaker {
public:
    explicit ProgramMaker(std::mt19937& random) : m_random(random)
    {
        const std::regex sequenceNumber(R"(^N\d+ ?)");
        for (const char* name : {"BRACKET.TAP", "SHAFT.TAP", "FACE.TAP", "BOLTHOLE.TAP"})
            for (const std::string& line : platform::splitLines(
                     platform::readFileBytes(testsupport::examplePath(name)).value()))
                if (line != "%" && !line.starts_with("O"))
                    m_pool.push_back(std::regex_replace(line, sequenceNumber, ""));
        for (const std::string& line :
             platform::splitLines(platform::readFileBytes(testsupport::examplePath("O1001.TAP")).value()))
            if (line != "%" && !line.starts_with("O"))
                m_pocket.push_back(std::regex_replace(line, sequenceNumber, ""));
        for (int k = 0; k < 8; ++k)
            m_holes.push_back("X" + std::to_string(1 + k % 4) + ".5 Y" + std::to_string(1 + k / 4) + ".25");
    }

    // The program; `operations` gets where each operation starts and ends.
    std::vector<std::string> program(std::vector<std::pair<std::size_t, std::size_t>>& operations)
    {
        std::vector<std::string> out = {"%", "O5003 (REPEATED OPERATIONS)", "G20 G17 G40 G80 G90"};
        operations.clear();
        const int count = 12 + static_cast<int>(m_random() % 12);
        for (int op = 0; op < count; ++op) {
            const std::size_t start = out.size();
            const std::string tool = std::to_string(1 + m_random() % 3);
            for (const std::string& line : std::vector<std::string>{"G91 G28 Z0. M05", "G90", "T" + tool + " M06",
                                                                    "G00 G54 X0. Y0. S2500 M03",
                                                                    "G43 Z0.1 H0" + tool + " M08"})
                out.push_back(line);
            switch (m_random() % 3) {
            case 0:
                for (int k = 0, n = 1 + static_cast<int>(m_random() % 3); k < n; ++k) {
                    out.push_back("G00 X" + std::to_string(m_random() % 4) + ". Y1.");
                    out.insert(out.end(), m_pocket.begin(), m_pocket.end() - 1);
                }
                break;
            case 1: // spot drill, drill or tap over the one hole pattern
                out.push_back(std::string(m_random() % 2 ? "G81" : "G83 Q0.1") + " G99 " + m_holes[0] + " Z-0.5 R0.1 F8.");
                out.insert(out.end(), m_holes.begin() + 1, m_holes.end());
                out.push_back("G80 G00 Z1. M09");
                break;
            default: {
                const std::size_t length = 4 + m_random() % 9;
                const std::size_t from = m_random() % (m_pool.size() - length);
                out.insert(out.end(), m_pool.begin() + static_cast<long>(from),
                           m_pool.begin() + static_cast<long>(from + length));
            }
            }
            operations.emplace_back(start, out.size());
        }
        out.push_back("M30");
        return out;
    }

    // A line as an operator edits one: a number changed, or a line of another program.
    std::string edited(const std::string& line)
    {
        if (m_random() % 3 == 0)
            return m_pool[m_random() % m_pool.size()];
        const std::size_t digit = line.find_last_of("0123456789");
        if (digit == std::string::npos)
            return line + " M01";
        std::string out = line;
        out[digit] = static_cast<char>('0' + (out[digit] - '0' + 1 + m_random() % 8) % 10);
        return out;
    }

private:
    std::mt19937& m_random;
    std::vector<std::string> m_pool;
    std::vector<std::string> m_pocket;
    std::vector<std::string> m_holes;
};

} // namespace

// Against GNU diff on programs with repeated pockets, tool changes and hole patterns and
// the edits a shop makes: lines changed, inserted and deleted, short and long, and blocks
// of the program itself copied elsewhere. The compare marks no more lines than diff does,
// an edited pair counting its two lines as diff's change does, nor more than the edits
// touched.
TEST(FileCompare, RepeatedProgramsCostNoMoreLinesThanGnuDiff)
{
    std::mt19937 random(20261211);
    ProgramMaker maker(random);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::pair<std::size_t, std::size_t>> operations;
        const std::vector<std::string> older = maker.program(operations);
        std::vector<std::string> newer = older;
        // Edits from the end backwards, so the places chosen stay where they were, and
        // copies taken from the older program.
        std::vector<std::size_t> places;
        for (int k = 0, n = 1 + static_cast<int>(random() % 3); k < n; ++k)
            places.push_back(4 + random() % (older.size() - 8));
        std::sort(places.rbegin(), places.rend());
        long touched = 0; // lines the edits add or take away, two for a changed line
        for (const std::size_t at : places) {
            const std::size_t count = random() % 4 == 0 ? 30 + random() % 25 : 1 + random() % 4;
            const auto begin = newer.begin() + static_cast<long>(at);
            const std::size_t available = std::min(count, newer.size() - at);
            switch (random() % 5) {
            case 0: // lines changed
                for (std::size_t k = 0; k < available; ++k)
                    newer[at + k] = maker.edited(newer[at + k]);
                touched += 2 * static_cast<long>(available);
                break;
            case 1: { // lines inserted, as edited copies of the lines that follow
                std::vector<std::string> by;
                for (std::size_t k = 0; k < count; ++k)
                    by.push_back(maker.edited(older[std::min(at + k, older.size() - 1)]));
                newer.insert(begin, by.begin(), by.end());
                touched += static_cast<long>(count);
                break;
            }
            case 2: // lines deleted
                newer.erase(begin, begin + static_cast<long>(available));
                touched += static_cast<long>(available);
                break;
            case 3: { // a whole operation copied: a tool change with its pocket or hole pattern
                const auto& [from, to] = operations[random() % operations.size()];
                newer.insert(begin, older.begin() + static_cast<long>(from), older.begin() + static_cast<long>(to));
                touched += static_cast<long>(to - from);
                break;
            }
            default: { // a run of the program's own lines copied
                const std::size_t from = random() % (older.size() - count);
                newer.insert(begin, older.begin() + static_cast<long>(from),
                             older.begin() + static_cast<long>(from + count));
                touched += static_cast<long>(count);
            }
            }
        }
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        const long ours = static_cast<long>(pair.compare.Rows().size());
        const long diff = gnuDiffChangedLines(pair);
        ASSERT_GE(diff, 0);
        EXPECT_LE(ours, diff) << "rows " << describe(pair.compare.Rows());
        EXPECT_LE(ours, touched);
    }
}

// The summary's first and last line not matching frame an added or deleted block, short or
// long.
TEST(FileCompare, DifferenceLinesFrameTheBlock)
{
    struct Edit {
        const char* name;
        int added, deleted;
        long first1, last1, first2, last2;
    };
    const Edit edits[] = {
        {"20 added", 20, 0, 101, 120, 101, 101},
        {"60 added", 60, 0, 101, 160, 101, 101},
        {"60 deleted", 0, 60, 101, 101, 101, 160},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        std::vector<std::string> older, newer;
        for (int i = 0; i < 300; ++i) {
            if (i == 100)
                for (int k = 0; k < e.added; ++k)
                    newer.push_back("G01 X" + std::to_string(k) + ".5 (NEW)");
            older.push_back("N" + std::to_string(i * 10) + " G01 X" + std::to_string(i % 37));
            if (i < 100 || i >= 100 + e.deleted)
                newer.push_back(older.back());
        }
        Pair pair;
        pair.run(joinLf(newer), joinLf(older), opts(true, false));
        EXPECT_EQ(pair.compare.List1().FirstDifference(), e.first1);
        EXPECT_EQ(pair.compare.List1().LastDifference(), e.last1);
        EXPECT_EQ(pair.compare.List2().FirstDifference(), e.first2);
        EXPECT_EQ(pair.compare.List2().LastDifference(), e.last2);
    }
}

// The plain search and the index give the same count, also where taking a piece out joins
// its neighbours into a new occurrence.
TEST(CompareTextLines, IndexedPieceCountAgreesWithThePlainSearch)
{
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::string longer, other;
        const std::size_t alphabet = 2 + random() % 3;
        const std::size_t n = 1 + random() % 40, m = random() % 40;
        for (std::size_t i = 0; i < n; ++i)
            longer += static_cast<char>('A' + random() % alphabet);
        for (std::size_t i = 0; i < m; ++i)
            other += static_cast<char>('A' + random() % alphabet);
        const std::size_t piece = 1 + random() % 5;
        // The plain search as the compare defines it.
        std::string left = other;
        std::size_t expected = 0;
        for (std::size_t at = 0; at < longer.size(); at += piece) {
            const std::size_t where = left.find(longer.substr(at, piece));
            if (where != std::string::npos) {
                ++expected;
                left.erase(where, std::min(piece, longer.size() - at));
            }
        }
        ASSERT_EQ(CountFoundPiecesIndexed(longer, other, piece), expected)
            << longer << " / " << other << " piece " << piece;
        ASSERT_EQ(CountFoundPieces(longer, other, piece), expected);
    }
}

// Tapes without line ends make lines of hundreds of kilobytes: the similarity test of
// such a pair reports progress and can be cancelled inside the line.
TEST(FileCompare, ALongLinePairIsComparedWithProgressAndCanBeCancelled)
{
    std::string a, b;
    std::mt19937 random(9);
    for (int i = 0; i < 20000; ++i) {
        const std::string word = "X" + std::to_string(random() % 1000) + "Y" + std::to_string(random() % 1000);
        a += word;
        b += (i % 3 == 0) ? "Z" + std::to_string(random() % 1000) : word;
    }
    Pair pair;
    std::int64_t now = 0;
    int reports = 0;
    CompareHooks hooks;
    hooks.clock = [&] { return now += 1000; };
    hooks.progress = [&](int, double, bool) { ++reports; };
    pair.run(a + "\r\n", b + "\r\n", opts(true, false), hooks);
    EXPECT_EQ(pair.compare.Rows().size(), 2u);
    EXPECT_GT(reports, 3);

    hooks.progress = [&](int, double, bool) { pair.compare.RequestCancel(); };
    EXPECT_THROW(pair.run(a + "\r\n", b + "\r\n", opts(true, false), hooks), EOpAction);
}

TEST(FileCompare, ProgressComesOnlyAfterMoreThan250ms)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "N" + std::to_string(i) + "\r\n";
    for (const auto& [step, expected] : {std::pair{250, 10}, std::pair{251, 20}}) {
        Pair pair;
        std::int64_t now = 0;
        int reports = 0;
        CompareHooks hooks;
        hooks.clock = [&, step = step] { return now += step; };
        hooks.progress = [&](int, double, bool) { ++reports; };
        pair.run(text, text, {}, hooks);
        EXPECT_EQ(reports, expected) << step;
    }
}

// Two large programs made of the same kinds of lines but otherwise unrelated take the
// alignment long before the first row: it reports progress too, and a cancel ends it there.
TEST(FileCompare, AligningUnrelatedProgramsReportsProgressAndCanBeCancelled)
{
    std::mt19937 random(3);
    const auto program = [&random] {
        std::vector<std::string> out;
        for (int i = 0; i < 20000; ++i)
            out.push_back("G01 X" + std::to_string(random() % 12) + ". Y" + std::to_string(random() % 3) + ".");
        return joinLf(out);
    };
    const std::string newer = program(), older = program();
    Pair pair;
    std::int64_t now = 0;
    int reports = 0;
    CompareHooks hooks;
    hooks.clock = [&] { return now += 1000; };
    hooks.progress = [&](int pass, double, bool) {
        EXPECT_EQ(pass, 1);
        ++reports;
        pair.compare.RequestCancel();
    };
    EXPECT_THROW(pair.run(newer, older, opts(true, false), hooks), EOpAction);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(pair.compare.List1().Index(), 0); // not one line had been walked
    EXPECT_TRUE(pair.compare.Rows().empty());
}
