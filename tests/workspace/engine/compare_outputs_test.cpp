#include "workspace/engine/compare_outputs.h"

#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utime.h>

using namespace mrw;

namespace {

const std::string Fixtures = std::string(MRW_TEST_FIXTURES) + "/compare/";

// 14-Nov-2023 22:13:20 UTC, and the older file a day and a half before.
constexpr std::time_t NewerDate = 1700000000;
constexpr std::time_t OlderDate = NewerDate - 129600;
constexpr std::time_t Now = 1700100000;

void useUtc()
{
    setenv("TZ", "UTC", 1);
    tzset();
}

void setDate(const std::string& path, std::time_t when)
{
    const utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

// The fixture pair in a fresh folder with its dates, compared with the given options.
struct FixturePair : ::testing::Test {
    testsupport::TempFolder folder;
    FileCompare compare;
    std::string newer, older;

    void SetUp() override
    {
        useUtc();
        folder.write("NEWER.TAP", testsupport::readFixture(MRW_TEST_FIXTURES, "compare/NEWER.TAP"));
        folder.write("OLDER.TAP", testsupport::readFixture(MRW_TEST_FIXTURES, "compare/OLDER.TAP"));
        newer = folder.file("NEWER.TAP");
        older = folder.file("OLDER.TAP");
        setDate(newer, NewerDate);
        setDate(older, OlderDate);
    }

    void run(const CompareRunOptions& options)
    {
        std::string one = older, two = newer; // chosen older first
        compare.PrepareFiles(one, two);
        ASSERT_EQ(compare.CompareFiles(options), FileCompare::Outcome::Compared);
    }

    std::string golden(const std::vector<std::string>& lines) const
    {
        std::string text = platform::joinLinesCrLf(lines);
        for (std::size_t at; (at = text.find(folder.path())) != std::string::npos;)
            text.replace(at, folder.path().size(), "<DIR>/");
        return text;
    }

    DifferenceListSource source() const
    {
        return {Now, newer, older, {"File 1, " + newer + " compared to...", "File 2, " + older}, true};
    }
};

} // namespace

TEST_F(FixturePair, DifferenceListMatchesTheGoldenText)
{
    run({true, false, MatchDisplay::None, DiffDisplay::Both});
    EXPECT_EQ(golden(WriteDifferenceList(compare, source())),
              testsupport::readFixture(MRW_TEST_FIXTURES, "compare/NEWER.dif"));
}

TEST_F(FixturePair, AdjacentMatchesLeaveOutTheSeparators)
{
    run({true, false, MatchDisplay::Adjacent, DiffDisplay::Both});
    const auto lines = WriteDifferenceList(compare, source());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "---"), 0);
    EXPECT_EQ(lines.size(), 9 + compare.Rows().size());
}

TEST_F(FixturePair, SummaryMatchesTheGoldenTextWithTwoStatisticsBlocks)
{
    SummaryText summary;
    summary.WriteHeader(TFileInfo(older), TFileInfo(newer)); // the order in which they were chosen
    run({true, false, MatchDisplay::None, DiffDisplay::Both});
    summary.AddLine(compare.ResultText());
    summary.AddStatistics(compare);
    summary.AddStatistics(compare);
    EXPECT_EQ(golden(SummaryOutput(Now, summary.Lines())),
              testsupport::readFixture(MRW_TEST_FIXTURES, "compare/Summary.lst"));
}

TEST(CompareSummary, HeaderWordsTheNamesAndTheFolders)
{
    useUtc();
    testsupport::TempFolder a, b;
    a.write("P.TAP", "X\r\n");
    b.write("P.TAP", "X\r\n");
    setDate(a.file("P.TAP"), NewerDate);
    setDate(b.file("P.TAP"), NewerDate);
    SummaryText summary;
    summary.WriteHeader(TFileInfo(a.file("P.TAP")), TFileInfo(b.file("P.TAP")));
    EXPECT_EQ(summary.Lines()[1], "P.TAP Files are in different directories.");
    EXPECT_EQ(summary.Lines()[2], "Files have same date and time.");
    EXPECT_EQ(summary.Lines()[6], "Previous File Path: " + b.path());
    summary.WriteHeader(TFileInfo(a.file("P.TAP")), TFileInfo(a.file("P.TAP")));
    EXPECT_EQ(summary.Lines()[1], "P.TAP File is compared to itself?");
    EXPECT_EQ(summary.Lines()[6], "Previous File Path is same");
}

TEST(CompareSummary, MatchThresholds)
{
    struct Row {
        int matching;
        bool unrelated, close;
    };
    for (const Row r : {Row{19, true, false}, Row{20, false, false}, Row{95, false, false}, Row{96, false, true}}) {
        SCOPED_TRACE(r.matching);
        testsupport::TempFolder folder;
        std::string newer, older;
        for (int i = 1; i <= 100; ++i) {
            newer += "N" + std::to_string(i) + "\r\n";
            if (i <= r.matching)
                older += "N" + std::to_string(i) + "\r\n";
        }
        folder.write("a.tap", newer);
        folder.write("b.tap", older);
        FileCompare compare;
        compare.List1().SetFileName(folder.file("a.tap"));
        compare.List2().SetFileName(folder.file("b.tap"));
        compare.CompareFiles({});
        SummaryText summary;
        summary.AddStatistics(compare);
        const auto& lines = summary.Lines();
        auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
        EXPECT_EQ(has("THESE TWO FILES SEEM TO BE UNRELATED!"), r.unrelated);
        EXPECT_EQ(has("Files are closely matched."), r.close);
        const int change = 100 - r.matching; // "%2d"
        EXPECT_TRUE(has("Lines total change (+/-): " + std::string(change < 10 ? " " : "") + std::to_string(change)));
    }
}

TEST(CompareSummary, AgeTexts)
{
    const std::pair<double, const char*> cases[] = {
        {129600, "1.5 days"}, {86400, "1.0 days"}, {86399, "24.0 hours"}, {5400, "1.5 hours"},
        {3600, "1.0 hours"},  {90, "1.5 minutes"}, {0, "0.0 minutes"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(AgeText(seconds), text) << seconds;
}

TEST(CompareListing, NumberedLinesAfterAFourLineHeader)
{
    useUtc();
    testsupport::TempFolder folder;
    folder.write("P.TAP", "%\r\nG00 X1.\r\nM30\r\n");
    setDate(folder.file("P.TAP"), NewerDate);
    TSourceList list(1);
    list.SetFileName(folder.file("P.TAP"));
    list.Load();
    const auto lines = ListingLines(list, folder.file("P.TAP"));
    const std::vector<std::string> expected{
        "       P.TAP  Size:     17  Date: 14-Nov-2023 22:13:20  ----",
        "Path: " + folder.path(),
        "Lines in " + folder.file("P.TAP") + ": 3",
        "-----------------------------------",
        "  1: %",
        "  2: G00 X1.",
        "  3: M30",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(lines[static_cast<std::size_t>(ListingLineIndex(2))], "  2: G00 X1.");
}

TEST(CompareOptionsFile, WrittenKeyByKeyAndReadBack)
{
    testsupport::TempFolder folder;
    folder.write("MRW2013.INI", "[GENERAL]\r\nEDITFONT=Mono\r\n");
    platform::IniFile ini(folder.file("MRW2013.INI"));
    EXPECT_EQ(LoadCompareOptions(ini).DisplayMatches, 0); // defaults when absent

    CompareOptions options;
    options.Source1Path = "/srv/nc/new/";
    options.Source2Path = "C:\\OLD\\";
    options.CaseSensitive = true;
    options.DisplayMatches = 2;
    options.DisplayDifferences = 1;
    options.LabelBlankLines = true;
    options.DeleteFiles = true;
    SaveCompareOptions(ini, options);

    const CompareOptions back = LoadCompareOptions(ini);
    EXPECT_EQ(back.Source1Path, "/srv/nc/new/");
    EXPECT_EQ(back.Source2Path, "C:\\OLD\\");
    EXPECT_TRUE(back.CaseSensitive);
    EXPECT_FALSE(back.ExcludeLeadingWhitespace);
    EXPECT_EQ(back.DisplayMatches, 2);
    EXPECT_EQ(back.DisplayDifferences, 1);
    EXPECT_TRUE(back.LabelBlankLines);
    EXPECT_TRUE(back.DeleteFiles);
    EXPECT_EQ(ini.readString("GENERAL", "EDITFONT"), "Mono");
    EXPECT_NE(folder.read("MRW2013.INI").find("[Match Options]\r\nCase Sensitive=1\r\n"), std::string::npos);
}

TEST(CompareCells, BlankLinesAreLabelledWhenAsked)
{
    testsupport::TempFolder folder;
    folder.write("a.tap", "A\r\n \t \r\nB\r\n");
    folder.write("b.tap", "A\r\nB\r\n");
    FileCompare compare;
    compare.List1().SetFileName(folder.file("a.tap"));
    compare.List2().SetFileName(folder.file("b.tap"));
    compare.CompareFiles({});
    ASSERT_EQ(compare.Rows().size(), 1u);
    const CompareRow& row = compare.Rows()[0];
    EXPECT_EQ(RowCell(compare, row, TextColumn, true), "{BLANK LINE}");
    EXPECT_EQ(RowCell(compare, row, TextColumn, false), " \t ");
    EXPECT_EQ(RowCell(compare, row, BlockColumn, false), " 1");
    EXPECT_EQ(RowCell(compare, row, ChangeColumn, false), "Add");
    EXPECT_EQ(RowCell(compare, row, Line1Column, false), "002");
    EXPECT_EQ(RowCell(compare, row, Line2Column, false), "");
}
