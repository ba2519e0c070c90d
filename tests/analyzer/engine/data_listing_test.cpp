#include "analyzer/engine/data_listing.h"

#include "analyzer/engine/listing_print.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/run_state.h"
#include "platform/numbers.h"
#include "platform/textfile.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

using vork::TRunState;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Fixture(const std::string& name) { return testsupport::readFixture(MRW_TEST_FIXTURES, name); }

std::string Line(const TRunState& s, int machineType)
{
    std::string out;
    vork::AppendDataLine(out, s, machineType);
    return out;
}

struct DataLineCase {
    const char* name;
    std::string block;
    int mode;
    int machineType;
    bool metric;
    std::string expected;
};

TEST(DataListing, BlockLines)
{
    // Position 1, 2, -0.25; 1200 rpm; feed 10; block time 0.125; running time 3.5.
    const std::string numbersMill = "    1.00000    2.00000   -0.25000     1200    10.00   0.125     3.50";
    const DataLineCase cases[] = {
        {"rapid", "N10  G00\tX1.", 0, 1, false,
         "N10 G00 X1." + Blanks(52 - 6) + "Rapid " + "    1.00000    2.00000   -0.25000     1200    Rapid   0.125     3.50"},
        {"linear", "G01 X1. Y2. Z-.25 F10.", 1, 1, false, "G01 X1. Y2. Z-.25 F10." + Blanks(41 - 6) + "Linear" + numbersMill},
        {"lathe leaves Y blank", "G01", 1, 2, false,
         "G01" + Blanks(54) + "Linear    1.00000" + Blanks(11) + "   -0.25000     1200    10.00   0.125     3.50"},
        {"punch leaves Z blank", "G01", 1, 3, false,
         "G01" + Blanks(54) + "Linear    1.00000    2.00000" + Blanks(11) + "     1200    10.00   0.125     3.50"},
        {"metric", "G01", 1, 1, true,
         "G01" + Blanks(54) + "Linear     25.400     50.800     -6.350     1200   254.00   0.125     3.50"},
        {"60 characters wrap", std::string(60, 'X'), 1, 1, false,
         std::string(60, 'X') + " \r\n" + Blanks(57) + "Linear" + numbersMill},
        {"55 characters wrap", std::string(55, 'X'), 3, 1, false,
         std::string(55, 'X') + " \r\n" + Blanks(57) + "  CCW   " + numbersMill},
        {"54 characters stay", std::string(54, 'X'), 2, 1, false,
         std::string(54, 'X') + "   CW    " + numbersMill},
    };
    for (const DataLineCase& c : cases) {
        TRunState s;
        s.Block = c.block;
        s.Mode = c.mode;
        s.Metric = c.metric;
        s.CurX = 1;
        s.CurY = 2;
        s.CurZ = -0.25;
        s.Rpm = 1200;
        s.Feed = 10;
        s.LastSegTime = 0.5;
        s.SegTime = 0.625;
        s.TotalTime = 2.875;
        EXPECT_EQ(Line(s, c.machineType), c.expected) << c.name;
    }
}

TEST(DataListing, ModeNames)
{
    const std::pair<int, const char*> names[] = {{0, "Rapid "}, {1, "Linear"}, {2, "CW    "}, {3, "CCW   "},
                                                 {4, "Cycle "}, {5, "Thread"}, {8, "LCycle"}, {9, "Dwell "},
                                                 {10, "RDwell"}, {11, "Preset"}, {12, "Maxrpm"}, {6, "      "},
                                                 {13, "      "}};
    for (const auto& [mode, name] : names)
        EXPECT_STREQ(vork::ListingModeName(mode), name) << mode;
}

void FillSummary(TRunState& s, int rows)
{
    s.ToolTimes.count = rows;
    for (int i = 1; i <= rows; ++i)
        s.ToolTimes.rows[static_cast<std::size_t>(i)] = {i * 3, 1000.0f * static_cast<float>(i), 1.25f * static_cast<float>(i),
                                                         2.5f * static_cast<float>(i), 12.75f};
    s.TotalTime = 125.5;
    s.TotalCost = 10;
}

TEST(DataListing, ValuesThatAreNotNumbersAreWrittenAsZero)
{
    const double inf = std::numeric_limits<double>::infinity();
    const auto written = [](double x, double feed, float rpm) {
        TRunState s;
        FillSummary(s, 3);
        s.Block = "G01";
        s.Mode = 1;
        s.CurX = x;
        s.Feed = feed;
        s.ToolTimes.rows[2].rpm = rpm;
        std::string all = Line(s, 1);
        for (const auto& lines : {vork::TapeSummaryLines(s, 1.0), vork::DifLines(s.ToolTimes)})
            all += "\n" + platform::joinLinesCrLf(lines);
        return all;
    };
    EXPECT_EQ(written(std::nan(""), inf, -std::numeric_limits<float>::infinity()), written(0, 0, 0));
}

// Absurd values keep the listing's columns where they are, with a blank between them:
// a real too wide for its column in the exponent form that fits, a tool number in stars.
TEST(DataListing, ValuesTooWideForTheirColumnsKeepTheColumnsApart)
{
    TRunState s;
    s.Block = "G01";
    s.Mode = 1;
    s.CurX = 1e300;
    s.CurY = -123456.78;   // fills its column exactly: no blank left
    s.CurZ = -1234.56789;  // also exactly: with the mode glued to it
    s.Rpm = 1e12;
    s.Feed = 123456789;
    s.SegTime = 1e9;
    s.TotalTime = -1e20;
    EXPECT_EQ(Line(s, 1), "G01" + Blanks(54) + "Linear" + " 1.000E+300" + " -1.235E+05" + " -1.235E+03" +
                              " 1.00E+12" + " 1.23E+08" + " 1.0E+09" + " -1.0E+20");
    s.CurX = 9999.99999; // fits with its blank: as before
    EXPECT_EQ(Line(s, 2).substr(63, 11), " 9999.99999");

    TRunState summary;
    FillSummary(summary, 1);
    vork::TToolTimeTable::Row& row = summary.ToolTimes.rows[1];
    row.tool = 123456;
    row.rpm = 1e15f;
    row.ipm = 1e30f;
    row.time = 2e9f;
    row.total = 3.5f;
    summary.TotalCost = 1e12;
    const auto lines = vork::TapeSummaryLines(summary, 1.0);
    EXPECT_EQ(lines[7], Blanks(43) + "*****" + " 1.0E+15" + " 1.0E+30" + " 2.00000E+09" + Blanks(10) + "3.50");
    const auto cost = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.find("Machining Cost") != std::string::npos; });
    ASSERT_NE(cost, lines.end());
    EXPECT_EQ(*cost, Blanks(53) + "Machining Cost =" + " 1.00E+12" + " Dollars");
}

struct Summary {
    explicit Summary(int rows) { FillSummary(state, rows); }
    TRunState state;
};

TEST(DataListing, TapeSummaryGolden)
{
    EXPECT_EQ(platform::joinLinesCrLf(vork::TapeSummaryLines(Summary(1).state, 1.5)), Fixture("summary1.txt"));
    EXPECT_EQ(platform::joinLinesCrLf(vork::TapeSummaryLines(Summary(3).state, 1.5)), Fixture("summary3.txt"));
}

TEST(DataListing, DifGolden)
{
    EXPECT_EQ(platform::joinLinesCrLf(vork::DifLines(Summary(0).state.ToolTimes)), Fixture("tools0.dif"));
    EXPECT_EQ(platform::joinLinesCrLf(vork::DifLines(Summary(1).state.ToolTimes)), Fixture("tools1.dif"));
    EXPECT_EQ(platform::joinLinesCrLf(vork::DifLines(Summary(3).state.ToolTimes)), Fixture("tools3.dif"));
}

TEST(DataListing, ListingFileLifecycleAndLocale)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    testsupport::TempFolder folder;
    vork::TMachineSetup setup;
    setup.Ints[1] = 1;
    setup.Reals[8] = 1.5;
    TRunState s;
    FillSummary(s, 3);
    vork::TDataListing listing(s, setup);
    s.Block = "G01 X1.5";
    s.Mode = 1;
    s.CurX = 1.5;
    listing.WriteDataLine(); // not open: nothing, no error
    s.DataFileName = folder.file("NCCODE.DAT");
    ASSERT_TRUE(s.DataFile.create(s.DataFileName));
    s.DataFileOpen = true;
    listing.WriteDataLine();
    listing.WriteTapeSummary();
    EXPECT_FALSE(s.DataFileOpen);
    listing.WriteDataLine();     // closed by the summary: nothing more
    listing.WriteTapeSummary();  // nor a second summary
    std::setlocale(LC_NUMERIC, saved.c_str());

    std::string expected = "G01 X1.5" + Blanks(55 - 6) + "Linear    1.50000    0.00000    0.00000        0     0.00   0.000   125.50\r\n";
    expected += Fixture("summary3.txt");
    EXPECT_EQ(folder.read("NCCODE.DAT"), expected) << (german ? "de_DE" : "C");
}

TEST(DataListing, DifExportReplacesWholeOrKeepsTheOldFile)
{
    testsupport::TempFolder folder;
    TRunState s;
    FillSummary(s, 3);
    ASSERT_TRUE(vork::ExportDIFFile(s, folder.file("TOOLS.DIF")));
    EXPECT_EQ(s.DifFileName, folder.file("TOOLS.DIF"));
    EXPECT_EQ(folder.read("TOOLS.DIF"), Fixture("tools3.dif"));
    std::string error;
    EXPECT_FALSE(vork::ExportDIFFile(s, folder.file("missing/TOOLS.DIF"), &error));
    EXPECT_FALSE(error.empty());
}

// ---- The listing of a run, as it stands on the disk -----------------------------------

// A run that lists into NCCODE.DAT in a scratch folder; the prompter answers
// "End of Program, Restart?".
// With a run speed set, the pacing wait before each block is where the operator presses
// Stop: `stopBeforeBlock` counts the blocks from 1.
class PacedPump : public platform::EventPump {
public:
    TRunState* state = nullptr;
    int stopBeforeBlock = 0;
    int waits = 0;
    void processEvents() override {}
    void waitPumping(int) override
    {
        state->PacingTick = true;
        if (++waits == stopBeforeBlock)
            state->StopRequest = true;
    }
};

struct ListedRun {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine = runtest::defaultMachine({"R   57 0."});
    testsupport::ScriptedPrompter prompter;
    runtest::RecordingCodeList codeList;
    PacedPump pump;
    std::unique_ptr<vork::RunSession> session;

    explicit ListedRun(const std::string& program)
    {
        vork::RunServices given;
        given.prompter = &prompter;
        given.codeList = &codeList;
        given.pump = &pump;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        session->settings.showTool = false;
        session->settings.limits = false;
        pump.state = &session->state;
        folder.write("P.TAP", program);
        EXPECT_TRUE(session->LoadFile(folder.file("P.TAP")));
    }
    // Read while the run holds the file open, as another program would.
    std::vector<std::string> onDisk() const { return platform::splitLines(folder.read("NCCODE.DAT")); }
};

bool startsWith(const std::string& line, const std::string& text) { return line.rfind(text, 0) == 0; }

TEST(DataListing, OnTheDiskAtEveryPauseAndAtTheEndWithoutALineForTheEndOfTheFile)
{
    ListedRun run("G01 X1. F10.\r\nT2\r\nG01 X2.\r\nM30\r\n");
    run.session->Start(); // to the tool change
    auto lines = run.onDisk();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(startsWith(lines[1], "T2 "));
    EXPECT_EQ(lines[2], ">>>>>>>>>>>>>>>>>>>>>>>>> Tool Change, Tool =      2 <<<<<<<<<<<<<<<<<<<<<<<<<");

    run.prompter.buttons = {platform::Button::No}; // End of Program, Restart?
    run.session->Start();
    ASSERT_TRUE(run.session->state.EndOfProgram);
    lines = run.onDisk();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(startsWith(lines.back(), "M30 ")) << lines.back();
}

TEST(DataListing, AStopIsListedAsAStopAndTheToolStays)
{
    ListedRun run("N10 T1 M06\r\nN20 G01 X1. F10.\r\nN30 G01 X2.\r\nN40 G01 X3.\r\nM30\r\n");
    run.session->Start(); // to the tool change
    run.session->settings.speed = 1;
    run.pump.waits = 0;
    run.pump.stopBeforeBlock = 2; // Stop pressed while N30 runs
    run.session->Start();
    ASSERT_FALSE(run.session->state.EndOfProgram);
    const auto lines = run.onDisk();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(startsWith(lines[3], "N30 "));
    EXPECT_EQ(lines[4], ">>>>>>>>>>>>>>>>>>>>>>>>> Stop <<<<<<<<<<<<<<<<<<<<<<<<<");
    const std::vector<std::string>& list = run.codeList.lines;
    EXPECT_EQ(std::count(list.begin(), list.end(), "Tool Change, Press Start to Continue ..."), 1);
    EXPECT_EQ(list.back(), "Stop, Press Start to Continue ...");
    EXPECT_EQ(run.session->state.Tool, 1);
}

TEST(DataListing, AnEmptyProgramLeavesAnEmptyListing)
{
    ListedRun run("G01 X1. F10.\r\nM30\r\n");
    run.prompter.buttons = {platform::Button::No};
    run.session->Start();
    ASSERT_TRUE(run.session->state.EndOfProgram);
    ASSERT_EQ(run.onDisk().size(), 2u);
    // Empty, or only a block without words: the listing holds what this program listed.
    for (const char* empty : {"", "%"}) {
        run.folder.write("EMPTY.TAP", empty);
        ASSERT_TRUE(run.session->LoadFile(run.folder.file("EMPTY.TAP")));
        run.prompter.buttons = {platform::Button::No};
        run.session->Start();
        ASSERT_TRUE(run.session->state.EndOfProgram);
        const std::string listing = run.folder.read("NCCODE.DAT");
        EXPECT_EQ(listing.find("G01"), std::string::npos) << empty;
        EXPECT_EQ(listing.find("LAST RUN"), std::string::npos) << empty;
        if (std::strlen(empty) == 0) {
            EXPECT_EQ(listing, "");
        }
        run.folder.write("NCCODE.DAT", "LAST RUN");
    }
}

TEST(DataListing, ARestartKeepsTheLastListingUntilTheNewRunWrites)
{
    ListedRun run("G01 X1. F10.\r\nM30\r\n");
    run.prompter.buttons = {platform::Button::Yes}; // restart: the summary, the program again
    run.session->Start();
    ASSERT_FALSE(run.session->state.EndOfProgram);
    auto lines = run.onDisk();
    ASSERT_GT(lines.size(), 4u);
    EXPECT_TRUE(startsWith(lines[0], "G01 X1. F10."));
    EXPECT_TRUE(startsWith(lines[1], "M30 "));
    EXPECT_EQ(lines.back(), std::string(132, '*')); // the Tape Summary closes it

    run.prompter.buttons = {platform::Button::No};
    run.session->Start();
    lines = run.onDisk();
    ASSERT_EQ(lines.size(), 2u); // the new run's listing in its place
    EXPECT_TRUE(startsWith(lines[1], "M30 "));
}

// ---- Printing ----------------------------------------------------------------------

class RecordingSurface : public vork::PrintSurface {
public:
    std::vector<std::string> calls;
    void newPage() override { calls.push_back("page"); }
    void drawLine(double y, const std::string& text) override { calls.push_back(platform::formatShortest(y) + ":" + text); }
};

TEST(ListingPrint, PageHeaderAtAFixedTime)
{
    const auto lines = vork::PageHeaderLines("C:\\NC\\BRACKET.TAP", "13:05:09  12/10/26", 2, "MILL.MCH", false);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], std::string(132, '*'));
    EXPECT_EQ(lines[1], "File    : C:\\NC\\BRACKET.TAP" + Blanks(36) + "13:05:09  12/10/26" + Blanks(34) + "Page  2");
    EXPECT_EQ(lines[2], "Machine : " + Blanks(7) + "MILL.MCH");
    EXPECT_EQ(lines[3], Blanks(98) + "Current  Current   Block    Total");
    EXPECT_EQ(lines[4], "      Machine Control Data" + Blanks(29) +
                            "  Mode        -X-        -Y-        -Z-      RPM      IPM     Time     Time");
    EXPECT_EQ(vork::PageHeaderLines("A", "", 1, "", true)[4].substr(109, 3), "MPM");
    EXPECT_EQ(lines[6], " ");
    EXPECT_EQ(vork::PadLeft("LONGER", 3), "LONGER");
}

TEST(ListingPrint, FontSizeSearch)
{
    // Width grows by 10 a point: 27 points is 270 wide.
    const auto width = [](int points) { return 10.0 * points; };
    EXPECT_EQ(vork::FitFontSize(width, 1000), 27);
    EXPECT_EQ(vork::FitFontSize(width, 95), 9);
    EXPECT_EQ(vork::FitFontSize(width, 90), 8); // must be narrower, not equal
    EXPECT_EQ(vork::FitFontSize(width, 5), 1);  // never 0 points
}

TEST(ListingPrint, PagesBreakBeforeTheLineThatPassesTheBottom)
{
    // Ten lines a page: the header takes seven, three listing lines follow.
    RecordingSurface surface;
    vork::ListingPager pager(surface, {1, 10}, [](int page) {
        return std::vector<std::string>(7, "H" + std::to_string(page));
    });
    pager.start();
    for (int i = 1; i <= 4; ++i)
        pager.line("L" + std::to_string(i));
    EXPECT_EQ(pager.pages(), 2);
    ASSERT_EQ(surface.calls.size(), 7u + 3u + 1u + 7u + 1u);
    EXPECT_EQ(surface.calls[9], "9:L3");
    EXPECT_EQ(surface.calls[10], "page");
    EXPECT_EQ(surface.calls[11], "0:H2");
    EXPECT_EQ(surface.calls[18], "7:L4");
    const std::pair<int, int> predicted[] = {{0, 1}, {3, 1}, {4, 2}, {6, 2}, {7, 3}};
    for (const auto& [lines, pages] : predicted)
        EXPECT_EQ(vork::PredictPageCount(lines, {1, 10}), pages) << lines;
}

TEST(ListingPrint, PrintAddsASummaryAndReopensForAppending)
{
    testsupport::TempFolder folder;
    vork::TMachineSetup setup;
    setup.Ints[1] = 1;
    TRunState s;
    FillSummary(s, 1);
    vork::TDataListing listing(s, setup);
    RecordingSurface surface;
    EXPECT_FALSE(vork::PrintDataFile(s, listing, {}, surface, {1, 100}));
    EXPECT_TRUE(surface.calls.empty());

    s.DataFileName = folder.file("NCCODE.DAT");
    s.NCFileName = "P.TAP";
    ASSERT_TRUE(s.DataFile.create(s.DataFileName));
    s.DataFileOpen = true;
    s.Block = "G00";
    listing.WriteDataLine();
    int pages = 0;
    ASSERT_TRUE(vork::PrintDataFile(s, listing, {"MILL.MCH", "stamp"}, surface, {1, 100}, &pages));
    EXPECT_EQ(pages, 1);
    const std::size_t listed = platform::splitLines(Fixture("summary1.txt")).size() + 1;
    EXPECT_EQ(surface.calls.size(), 7 + listed);
    EXPECT_TRUE(s.DataFileOpen);
    listing.WriteDataLine();
    listing.WriteTapeSummary();
    const auto lines = platform::splitLines(folder.read("NCCODE.DAT"));
    EXPECT_EQ(lines.size(), 2 * listed);
    EXPECT_EQ(lines[listed].substr(0, 3), "G00");
}

} // namespace
