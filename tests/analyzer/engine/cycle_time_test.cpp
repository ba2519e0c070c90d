#include "analyzer/engine/cycle_time.h"

#include "analyzer/engine/cycles.h"
#include "analyzer/engine/data_listing.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/run_state.h"
#include "platform/textfile.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using vork::TRunState;

TEST(MoveTime, AccelerationAndNoRate)
{
    const struct {
        double distance, rate, g, minutes;
    } cases[] = {
        {10, 100, 0, 0.1},
        {10, 100, 0.2, 0.111574}, // accelerate, cruise, brake
        {1, 100, 0.2, 0.02},      // never at full rate: 2D/F
        {10, 1e-5, 0, 0},
        {10, 0, 0.2, 0},
        {10, -100, 0, 0}, // a broken rate takes no time, not a negative one
    };
    for (const auto& c : cases)
        EXPECT_NEAR(vork::MoveTime(c.distance, c.rate, c.g), c.minutes, 1e-6)
            << c.distance << " at " << c.rate << " g " << c.g;
}

struct Errors : vork::ErrorReporter {
    TRunState* state = nullptr;
    std::vector<int> seen;
    bool retry = false;
    void ReportNCError(int n) override
    {
        seen.push_back(n);
        state->Retry = retry;
    }
};

// One block timed by the model on a machine with X, Y and Z rapids of 100, 200 and 50.
struct Timed {
    vork::TMachineSetup machine;
    TRunState s;
    Errors errors;
    vork::ErrorReporter* errorSlot = &errors;
    vork::CycleTimeModel model{s, machine, errorSlot};

    explicit Timed(std::vector<std::string> changes = {})
    {
        changes.insert(changes.begin(), {"R   16 100.", "R   17 200.", "R   18 50.", "R   57 0."});
        machine = runtest::defaultMachine(changes);
        s.LatheMachine = machine.isLathe();
        errors.state = &s;
        model.ResetTimes();
    }
    Timed& from(double x, double y, double z)
    {
        s.PrevX = x, s.PrevY = y, s.PrevZ = z;
        return *this;
    }
    Timed& to(double x, double y, double z)
    {
        s.CurX = x, s.CurY = y, s.CurZ = z;
        return *this;
    }
    double time()
    {
        model.BlockTime();
        return s.SegTime;
    }
};

TEST(BlockTime, MillRapidsFeedsAndMissingFeeds)
{
    const double avgRapid = (100.0 + 200.0 + 50.0) / 3;
    const struct {
        const char* what;
        int mode;
        double feed;
        bool home;
        double x, y, z;
        double minutes;
        std::vector<int> errors;
    } cases[] = {
        {"rapid X", 0, 0, false, 10, 0, 0, 0.1, {}},
        {"rapid Y", 0, 0, false, 0, 10, 0, 0.05, {}},
        {"rapid X and Y", 0, 0, false, 6, 8, 0, 10 / 150.0, {}},
        {"rapid in 3D", 0, 0, false, 3, 0, 4, 5 / avgRapid, {}},
        {"return home in a feed mode", 1, 10, true, 10, 0, 0, 0.1, {}},
        {"linear", 1, 10, false, 6, 8, 0, 1.0, {}},
        {"linear in 3D", 1, 10, false, 3, 0, 4, 0.5, {}},
        {"linear without feed", 1, 0, false, 10, 0, 0, 0, {12}},
        {"rotary index without feed", 15, 0, false, 10, 0, 0, 0, {}},
        {"no move", 1, 0, false, 0, 0, 0, 0, {}},
    };
    for (const auto& c : cases) {
        Timed t;
        t.s.Mode = c.mode;
        t.s.Feed = c.feed;
        t.s.HomeReturn = c.home;
        EXPECT_NEAR(t.from(0, 0, 0).to(c.x, c.y, c.z).time(), c.minutes, 1e-12) << c.what;
        EXPECT_EQ(t.errors.seen, c.errors) << c.what;
    }
}

TEST(BlockTime, ArcsKeepTheirLength)
{
    // A ZX half circle of radius 1 and a full XY circle: the arc's own length, not the
    // distance between its ends.
    Timed zx;
    zx.s.Mode = vork::ModeCW;
    zx.s.Feed = 10;
    zx.s.MoveLength = vork::Pi;
    EXPECT_NEAR(zx.from(0, 0, 0).to(0, 0, 2).time(), vork::Pi / 10, 1e-12);
    Timed full;
    full.s.Mode = vork::ModeCCW;
    full.s.Feed = 10;
    full.s.MoveLength = vork::TwoPi;
    EXPECT_NEAR(full.from(1, 0, 0).to(1, 0, 0).time(), vork::TwoPi / 10, 1e-12);
}

TEST(BlockTime, DrillingCycles)
{
    // Positioning 10 at the X rapid (0.1), retract over the depth 0.6 at the Z rapid
    // (0.012) or fed (0.06), the cut fed (0.06).
    const struct {
        const char* what;
        double feed;
        bool feedOut, peck, toInitial, retry;
        double minutes;
        std::vector<int> errors;
    } cases[] = {
        {"plain", 10, false, false, false, false, 0.1 + 0.012 + 0.06, {}},
        {"back to the initial plane", 10, false, false, true, false, 0.1 + 1.8 / 50 + 0.012 + 0.06, {}},
        {"fed out", 10, true, false, false, false, 0.1 + 0.06 + 0.06, {}},
        {"no feed", 0, false, false, false, false, 0.1 + 0.012, {12}},
        {"fed out without feed", 0, true, false, false, false, 0.1, {12, 12}},
        {"fed out without feed, retried", 0, true, false, false, true, 0.1, {12}},
    };
    for (const auto& c : cases) {
        Timed t;
        t.s.Mode = vork::ModeCycle;
        t.s.Feed = c.feed;
        t.s.FeedOut = c.feedOut;
        t.s.Peck = c.peck;
        t.s.RetractToInitial = c.toInitial;
        t.s.InitialPlane = 1.0;
        t.s.RPlane = 0.1;
        t.s.CycleDepth = 0.6;
        t.errors.retry = c.retry;
        EXPECT_NEAR(t.from(0, 0, 1).to(10, 0, -0.5).time(), c.minutes, 1e-12) << c.what;
        EXPECT_EQ(t.errors.seen, c.errors) << c.what;
    }
    // Pecking takes the pecking time in place of the cut; a hole without travel still
    // takes its retract.
    Timed peck({"R   52 40.", "R   53 .05"});
    peck.s.Mode = vork::ModeCycle;
    peck.s.Feed = 10;
    peck.s.Peck = true;
    peck.s.PeckIncrement = 0.2;
    peck.s.CycleDepth = 0.6;
    TRunState alone;
    alone.Feed = 10;
    alone.PeckIncrement = 0.2;
    alone.CycleDepth = 0.6;
    vork::PeckTime(alone, peck.machine);
    EXPECT_NEAR(peck.from(1, 1, 0).to(1, 1, -0.5).time(), 0.012 + alone.SegTime, 1e-12);
}

TEST(BlockTime, PunchAndLathe)
{
    Timed hit({"I    1 3", "R   36 75.", "R   57 .2"});
    hit.s.Mode = vork::ModeCycle;
    EXPECT_NEAR(hit.from(0, 0, 0).to(1, 0, 0).time(), 1 / 75.0, 1e-12);
    EXPECT_NEAR(hit.from(1, 0, 0).time(), 1 / 75.0, 1e-12); // a second hit in place adds nothing
    Timed nibble({"I    1 3", "R   57 .2"});
    nibble.s.Mode = vork::ModeLinear;
    nibble.s.Feed = 100;
    EXPECT_DOUBLE_EQ(nibble.from(0, 0, 0).to(10, 0, 0).time(), 0.1); // no acceleration
    nibble.s.Feed = 0;
    nibble.time();
    EXPECT_EQ(nibble.errors.seen, std::vector<int>{12});

    const struct {
        const char* what;
        int mode, spindleMode;
        double feed, arcTime, moveLength;
        double minutes;
        std::vector<int> errors;
    } lathe[] = {
        {"rapid at the mean of X and Z", 0, 0, 0, 0, 0, 10 / 75.0, {}},
        {"linear", 1, 0, 10, 0, 0, 1.0, {}},
        {"arc in RPM", 2, 0, 10, 0, vork::Pi, vork::Pi / 10, {}},
        {"arc at constant surface speed", 3, 1, 10, -0.5, vork::Pi, 0.5, {}},
        {"linear without feed", 1, 0, 0, 0, 0, 0, {12}},
        {"threading cycle times itself", vork::ModeThreadCycle, 0, 10, 0, 0, 0, {}},
    };
    for (const auto& c : lathe) {
        Timed t({"I    1 2"});
        t.s.Mode = c.mode;
        t.s.SpindleMode = c.spindleMode;
        t.s.Feed = c.feed;
        t.s.ArcTime = c.arcTime;
        t.s.MoveLength = c.moveLength;
        // X 0 to 0, Z 0 to 10: the lathe measures in Z and X.
        EXPECT_NEAR(t.from(0, 5, 0).to(0, 7, 10).time(), c.minutes, 1e-12) << c.what;
        EXPECT_EQ(t.errors.seen, c.errors) << c.what;
    }
}

TEST(TimeConstants, FallBackWhenTheSetupHasNone)
{
    Timed set({"R   36 75."});
    EXPECT_NEAR(set.s.AvgRapid, 350.0 / 3, 1e-12);
    EXPECT_NEAR(set.s.PunchTime, 1 / 75.0, 1e-12);
    Timed none({"R   16 0.", "R   17 0.", "R   18 0.", "R   36 0."});
    EXPECT_EQ(none.s.PunchTime, 1.0);
}

TEST(BlockTime, RapidsWithoutRatesTakeNoTime)
{
    // Unset rapid rates: no rapid takes time, whichever axes move (not 1 inch a minute).
    for (const char* unset : {"0.", "-9999."}) {
        const std::string rate = unset;
        const struct {
            const char* what;
            double x, y, z;
        } moves[] = {{"X", 10, 0, 0}, {"Y", 0, 10, 0}, {"X and Y", 6, 8, 0}, {"Z", 0, 0, 4.9}, {"X and Z", 3, 0, 4}};
        for (const auto& m : moves) {
            Timed t({"R   16 " + rate, "R   17 " + rate, "R   18 " + rate});
            t.s.Mode = vork::ModeRapid;
            EXPECT_EQ(t.from(0, 0, 0).to(m.x, m.y, m.z).time(), 0.0) << m.what << " with rates " << unset;
        }
    }
}

// Only Z without a rapid rate: every rapid along Z takes no time for its Z share, plain
// rapids and a drilling cycle's moves alike; X and Y keep theirs (100 and 200).
TEST(BlockTime, AnAxisWithoutARapidRateTakesNoTimeOnAnyRapidAlongIt)
{
    for (const char* unset : {"0.", "-9999."}) {
        const std::string none = std::string("R   18 ") + unset;
        const struct {
            const char* what;
            int mode;
            double x, y, z;
            double minutes;
        } moves[] = {
            {"rapid Z", vork::ModeRapid, 0, 0, 4.9, 0.0},
            {"rapid X and Z: X at the mean of X and Y", vork::ModeRapid, 3, 0, 4, 3 / 150.0},
            {"rapid X, Y and Z", vork::ModeRapid, 6, 8, 4, 10 / 150.0},
            {"rapid X alone", vork::ModeRapid, 10, 0, 0, 0.1},
        };
        for (const auto& m : moves) {
            Timed t({none});
            t.s.Mode = m.mode;
            EXPECT_NEAR(t.from(0, 0, 0).to(m.x, m.y, m.z).time(), m.minutes, 1e-12) << m.what << " " << unset;
        }
        // A cycle back to its initial plane: the positioning in X, the cut fed; neither
        // Z rapid takes time.
        Timed cycle({none});
        cycle.s.Mode = vork::ModeCycle;
        cycle.s.Feed = 10;
        cycle.s.RetractToInitial = true;
        cycle.s.InitialPlane = 1.0;
        cycle.s.RPlane = 0.1;
        cycle.s.CycleDepth = 0.6;
        EXPECT_NEAR(cycle.from(0, 0, 1).to(10, 0, -0.5).time(), 0.1 + 0.06, 1e-12) << unset;
        // A lathe rapid in X and Z: X alone at its rate.
        Timed lathe({"I    1 2", none});
        lathe.s.Mode = vork::ModeRapid;
        EXPECT_NEAR(lathe.from(0, 0, 0).to(3, 0, 4).time(), 3 / 100.0, 1e-12) << unset;
    }
}

TEST(Booking, ToolChangeDeviationCostAndTheTable)
{
    Timed t({"R    9 1.1", "R    5 30.", "R    7 60."});
    t.s.SegTime = 3;
    t.s.SegmentTool = 4;
    t.s.Rpm = 1200;
    t.s.Feed = 12.5;
    t.model.BookSegment(true);
    EXPECT_NEAR(t.s.SegTime, 3.8, 1e-12);
    EXPECT_NEAR(t.s.TotalTime, 3.8, 1e-12);
    EXPECT_NEAR(t.s.TotalCost, 3.8, 1e-12);
    ASSERT_EQ(t.s.ToolTimes.count, 1);
    const auto& row = t.s.ToolTimes.rows[1];
    EXPECT_EQ(row.tool, 4);
    EXPECT_FLOAT_EQ(row.rpm, 1200);
    EXPECT_FLOAT_EQ(row.time, 3.8f);
    EXPECT_FLOAT_EQ(row.total, 3.8f);
    EXPECT_FLOAT_EQ(row.ipm, 12.5f);

    // Nothing ran yet without a tool: nothing is booked, not even the change time.
    Timed empty({"R    5 30.", "R    9 1."});
    empty.s.SegmentTool = 0;
    empty.model.BookSegment(true);
    EXPECT_EQ(empty.s.ToolTimes.count, 0);
    EXPECT_EQ(empty.s.TotalTime, 0.0);
    // Moves before the first tool change are a segment of their own.
    empty.s.SegTime = 0.5;
    empty.model.BookSegment(true);
    EXPECT_EQ(empty.s.ToolTimes.count, 1);
    EXPECT_NEAR(empty.s.TotalTime, 1.0, 1e-12);

    // A segment the user paused gets no tool-change time.
    t.s.SegTime = 3;
    t.model.BookSegment(false);
    EXPECT_NEAR(t.s.SegTime, 3.3, 1e-12);
    EXPECT_NEAR(t.s.TotalTime, 7.1, 1e-12);
    EXPECT_EQ(t.s.ToolTimes.count, 2);

    // From the 101st segment on, the totals only.
    Timed many({"R    5 0.", "R    9 1."});
    for (int i = 0; i < 101; ++i) {
        many.s.SegTime = 1;
        many.s.SegmentTool = i;
        many.model.BookSegment(true);
    }
    EXPECT_EQ(many.s.ToolTimes.count, 100);
    EXPECT_EQ(many.s.ToolTimes.rows[100].tool, 99);
    EXPECT_DOUBLE_EQ(many.s.TotalTime, 101.0);
}

TEST(ToolTimeChart, BarsMergeRowsOfOneToolAndAlternateColours)
{
    vork::TToolTimeTable table;
    EXPECT_TRUE(vork::ToolTimeBars(table).empty()); // nothing booked: no bars
    const int tools[] = {1, 1, 2, 3, 3, 4, 5};
    for (int tool : tools) {
        auto& row = table.rows[static_cast<std::size_t>(++table.count)];
        row.tool = tool;
        row.time = static_cast<float>(table.count);
    }
    const auto bars = vork::ToolTimeBars(table);
    ASSERT_EQ(bars.size(), 5u);
    const struct {
        const char* label;
        double minutes;
        bool lime;
    } expected[] = {{"T1", 3, false}, {"T2", 3, false}, {"T3", 9, true}, {"T4", 6, false}, {"T5", 7, true}};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        EXPECT_EQ(bars[i].label, expected[i].label) << i;
        EXPECT_DOUBLE_EQ(bars[i].minutes, expected[i].minutes) << i;
        EXPECT_EQ(bars[i].lime, expected[i].lime) << i;
    }
    EXPECT_EQ(vork::ToolTimeTitles("/work/tapes/BRACKET.TAP", 125.5),
              (std::vector<std::string>{"File : BRACKET.TAP", "Cycle Time By Tool", "Total Time: 02:05:30"}));
}

// ---- Timed runs -------------------------------------------------------------------

// Answers "End of Program, Restart?" as told, after atEnd has looked at the run.
class RestartPrompter : public testsupport::ScriptedPrompter {
public:
    bool restart = false;
    std::function<void()> atEnd;
    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons b) override
    {
        if (text == "End of Program, Restart?") {
            if (atEnd)
                atEnd();
            return restart ? platform::Button::Yes : platform::Button::No;
        }
        return ScriptedPrompter::message(caption, text, kind, b);
    }
};

// Runs `afterBlock` after each block, as the data listing is written.
struct BlockHook : vork::DataListing {
    std::function<void()> afterBlock;
    void WriteDataLine() override
    {
        if (afterBlock)
            afterBlock();
    }
    void WriteTapeSummary() override {}
};

struct TimedRun {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine;
    RestartPrompter prompter;
    runtest::ScriptedErrorDialog dialog;
    BlockHook hook;
    std::unique_ptr<vork::RunSession> session;

    explicit TimedRun(const std::vector<std::string>& changes) : machine(runtest::defaultMachine(changes)) { make(); }
    explicit TimedRun(const vork::TMachineSetup& m) : machine(m) { make(); }
    void make()
    {
        vork::RunServices given;
        given.prompter = &prompter;
        given.listing = &hook;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        session->errorReporter().setDialog(&dialog);
        session->settings.showTool = false;
        session->settings.limits = false;
        session->settings.tapeDir = folder.path();
    }
    TRunState& state() { return session->state; }
    void load(const std::string& program)
    {
        folder.write("P.TAP", program);
        ASSERT_TRUE(session->LoadFile(folder.file("P.TAP")));
    }
};

TEST(TimedRun, AnotherProgramOrMachineStartsWithoutTheLastRunsTimes)
{
    const std::vector<std::pair<const char*, std::function<void(TimedRun&)>>> loads = {
        {"another program",
         [](TimedRun& run) {
             run.folder.write("FACE.TAP", "G01 X1. F10.\r\nM30\r\n");
             ASSERT_TRUE(run.session->LoadFile(run.folder.file("FACE.TAP")));
         }},
        {"another machine", [](TimedRun& run) { run.session->MachineLoaded(); }},
    };
    for (const auto& [what, load] : loads) {
        TimedRun run({"R   57 0.", "R    5 60.", "R    9 1.", "R    7 60."});
        run.load("G01 X10. F100.\r\nT2\r\nG01 X20.\r\nM30\r\n");
        while (!run.state().EndOfProgram)
            run.session->Start();
        ASSERT_EQ(run.state().ToolTimes.count, 2) << what;
        ASSERT_GT(run.state().TotalTime, 0) << what;
        load(run);
        const TRunState& s = run.state();
        EXPECT_EQ(s.ToolTimes.count, 0) << what;
        EXPECT_EQ(s.TotalTime, 0) << what;
        EXPECT_EQ(s.TotalCost, 0) << what;
        EXPECT_EQ(s.ToolTimes.rows[1].tool, -1) << what;
        EXPECT_TRUE(vork::ToolTimeBars(s.ToolTimes).empty()) << what;
        EXPECT_EQ(vork::DifLines(s.ToolTimes), vork::DifLines(vork::TToolTimeTable{})) << what;
    }
}

TEST(TimedRun, ParameterNotSetCountsAsNone)
{
    // A program that meets every time, rate and cost of the machine: rapids in X and Y,
    // in Z, a feed, a speed change, a drilling cycle, a rotary index, a tool change.
    const std::string program = "S1000 M03\r\nG00 X5. Y5.\r\nG00 X6.\r\nG00 Y6.\r\nG00 Z-1.\r\n"
                                "G01 X7. F10.\r\nG81 X8. Y8. Z-1.5 R.1\r\nG80\r\nA90.\r\nT2 M06\r\n"
                                "G01 X1.\r\nM30\r\n";
    const auto param = [](int n, const std::string& value) {
        std::string number = std::to_string(n);
        return "R " + std::string(4 - number.size(), ' ') + number + " " + value;
    };
    const struct {
        int parameter;
        const char* countsAs;
        std::vector<std::string> machine;
    } cases[] = {
        {5, "0.", {}},  {6, "0.", {}},  {7, "0.", {}},  {8, "1.", {}},  {9, "1.", {}},
        {16, "0.", {}}, {17, "0.", {}}, {18, "0.", {}}, {54, "0.", {}}, {57, "0.", {}},
        {36, "0.", {"I    1 3"}},
    };
    struct Outcome {
        double total = 0, cost = 0;
        std::string costLine;
    };
    const auto runWith = [&](const std::vector<std::string>& machine, const std::string& change) {
        std::vector<std::string> changes = {param(5, "30."), param(6, "6."),   param(7, "60."), param(8, "1.5"),
                                            param(9, "1.1"), param(54, "5."),  param(36, "75.")};
        changes.insert(changes.end(), machine.begin(), machine.end());
        changes.push_back(change);
        TimedRun run(changes);
        run.session->settings.useRotary = true;
        run.load(program);
        while (!run.state().EndOfProgram)
            run.session->Start();
        TRunState& s = run.state();
        s.DataFileName = run.folder.file("SUMMARY.DAT");
        vork::BeginDataListing(s);
        vork::TDataListing(s, run.machine).WriteTapeSummary();
        Outcome out{s.TotalTime, s.TotalCost, ""};
        for (const std::string& line : platform::splitLines(run.folder.read("SUMMARY.DAT")))
            if (line.find("Machining Cost") != std::string::npos)
                out.costLine = line;
        return out;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("R" + std::to_string(c.parameter));
        const Outcome notSet = runWith(c.machine, param(c.parameter, "-9999."));
        const Outcome none = runWith(c.machine, param(c.parameter, c.countsAs));
        EXPECT_GE(notSet.total, 0);
        EXPECT_NEAR(notSet.total, none.total, 1e-9);
        EXPECT_NEAR(notSet.cost, none.cost, 1e-9);
        EXPECT_EQ(notSet.costLine, none.costLine);
        EXPECT_FALSE(none.costLine.empty());
    }
}

TEST(TimedRun, UserPausesBookNoToolChangeTime)
{
    const std::vector<std::string> machine = {"R   16 100.", "R   57 0.", "R    5 60.", "R    9 1.", "I   20 0"};
    const std::string program = "G01 X10. F100.\r\nG01 X20.\r\nG01 X30.\r\nM30\r\n";
    // Stop pressed during the first block ends the segment after the second; on to the
    // end: the pause adds nothing, the end of the program its change time.
    TimedRun stopped(machine);
    stopped.load(program);
    stopped.hook.afterBlock = [&] { stopped.state().StopRequest = true; };
    stopped.session->Start();
    ASSERT_FALSE(stopped.state().EndOfProgram);
    EXPECT_NEAR(stopped.state().TotalTime, 0.2, 1e-12);
    stopped.hook.afterBlock = nullptr;
    stopped.session->Start();
    ASSERT_TRUE(stopped.state().EndOfProgram);
    EXPECT_NEAR(stopped.state().TotalTime, 0.2 + 0.1 + 1.0, 1e-12);
    EXPECT_EQ(stopped.state().ToolTimes.count, 2);

    // Abort in the error dialog ends the segment without the tool-change time (here a
    // segment in which nothing ran: nothing at all).
    TimedRun aborted(machine);
    aborted.dialog.answers = {{vork::ErrorAnswer::Abort, ""}};
    aborted.load("G01 X10.\r\nG01 X20. F100.\r\nT2\r\nM30\r\n");
    aborted.session->Start();
    EXPECT_EQ(aborted.dialog.messages, std::vector<std::string>{"No feedrate specified S=0.,IPM=0."});
    EXPECT_EQ(aborted.state().ToolTimes.count, 0);
    EXPECT_DOUBLE_EQ(aborted.state().TotalTime, 0.0);
    aborted.session->Start(); // to the tool change: one block and the change
    EXPECT_NEAR(aborted.state().TotalTime, 0.1 + 1.0, 1e-12);
    EXPECT_EQ(aborted.state().ToolTimes.count, 1);
}

TEST(TimedRun, RetryRunsTheEditedBlockWithItsTime)
{
    TimedRun run({"R   57 0.", "R    5 0.", "R    9 1."});
    run.dialog.answers = {{vork::ErrorAnswer::Retry, "G01 X10. F100."}};
    run.load("G01 X10.\r\nM30\r\n");
    run.session->Start();
    ASSERT_TRUE(run.state().EndOfProgram);
    EXPECT_EQ(run.dialog.blocks, std::vector<std::string>{"G01 X10."});
    EXPECT_NEAR(run.state().TotalTime, 0.1, 1e-12);
    EXPECT_EQ(run.folder.read("P.TAP"), "G01 X10. F100.\r\nM30\r\n");
}

TEST(TimedRun, HelixTakesItsLengthAlongTheThread)
{
    TimedRun run({"R   57 0.", "R    5 0.", "R    9 1."});
    run.session->settings.limits = false;
    run.load("G17 G01 X1. Y0. Z0. F10.\r\nG03 X0. Y1. Z-1. I-1. J0.\r\nM30\r\n");
    run.session->Start();
    ASSERT_EQ(run.dialog.messages, std::vector<std::string>{});
    EXPECT_NEAR(run.state().TotalTime, 0.1 + std::hypot(vork::HalfPi, 1.0) / 10, 1e-9);
}

TEST(TimedRun, ExampleProgramBooksOneRowPerSegmentAndTheSameAfterRestart)
{
    vork::TMachineSetup mill;
    ASSERT_TRUE(vork::LoadMachineFile(mill, testsupport::examplePath("Mill 1.MCH")));
    TimedRun run(mill);
    run.session->settings.skip = true;
    run.session->settings.sub = true;
    run.folder.write("O1001.TAP", *platform::readFileBytes(testsupport::examplePath("O1001.TAP")));
    run.load(*platform::readFileBytes(testsupport::examplePath("BRACKET.TAP")));
    run.prompter.restart = true;
    vork::TToolTimeTable first;
    run.prompter.atEnd = [&] { first = run.state().ToolTimes; };
    run.session->Start();
    EXPECT_TRUE(run.dialog.messages.empty());
    ASSERT_FALSE(run.state().EndOfProgram); // restarted
    // T1, T2 and T3: the blocks before T1 run no tool and take no time, so they book
    // nothing (no "T0" bar, no tool-change time that no tool row shows).
    ASSERT_EQ(first.count, 3);
    const int tools[] = {1, 2, 3};
    double sum = 0;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(first.rows[static_cast<std::size_t>(i)].tool, tools[i - 1]) << i;
        sum += first.rows[static_cast<std::size_t>(i)].time;
        EXPECT_NEAR(first.rows[static_cast<std::size_t>(i)].total, sum, 1e-4) << i;
    }
    // The chart and the DIF show the same rows, and they add up to the total.
    std::vector<std::string> labels;
    for (const vork::ToolTimeBar& bar : vork::ToolTimeBars(first))
        labels.push_back(bar.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"T1", "T2", "T3"}));
    const auto dif = vork::DifLines(first);
    EXPECT_EQ(std::count(dif.begin(), dif.end(), "BOT"), 4); // the labels and three rows
    run.prompter.restart = false;
    run.session->Start();
    ASSERT_TRUE(run.state().EndOfProgram);
    const vork::TToolTimeTable& second = run.state().ToolTimes;
    ASSERT_EQ(second.count, 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(second.rows[static_cast<std::size_t>(i)].tool, first.rows[static_cast<std::size_t>(i)].tool);
        EXPECT_FLOAT_EQ(second.rows[static_cast<std::size_t>(i)].time, first.rows[static_cast<std::size_t>(i)].time);
    }
    EXPECT_NEAR(run.state().TotalTime, first.rows[3].total, 1e-4);
    EXPECT_NEAR(run.state().TotalTime, sum, 1e-4);
}

TEST(TimedRun, OnlyTheDeepCyclePecks)
{
    // A cycle after a deep cycle, without G80 between them, is timed as itself: the same
    // as where no deep cycle ran before.
    const auto lastBlockTime = [](const std::string& program) {
        TimedRun run({"R   16 100.", "R   17 100.", "R   18 50.", "R   52 100.", "R   57 0.", "R    5 0."});
        double time = 0;
        run.hook.afterBlock = [&] {
            if (!run.state().Block.empty())
                time = run.state().SegTime - run.state().LastSegTime;
        };
        run.load(program);
        run.session->Start();
        EXPECT_TRUE(run.dialog.messages.empty()) << program;
        return time;
    };
    const std::string deepFirst = "G00 X0. Y0. Z1.\r\nG83 X0. Y0. Z-1. R.1 Q.2 F10.\r\nG00 Z1.\r\n";
    const std::string plainFirst = "G00 X0. Y0. Z1. F10.\r\n";
    for (const char* cycle : {"G81", "G84", "G85"}) {
        const std::string block = std::string(cycle) + " X1. Z-1. R.1\r\n";
        const double alone = lastBlockTime(plainFirst + block);
        EXPECT_GT(alone, 0) << cycle;
        EXPECT_NEAR(lastBlockTime(deepFirst + block), alone, 1e-12) << cycle;
    }
    // The deep cycle itself still pecks: five pecks of 0.2 take longer than one stroke.
    EXPECT_GT(lastBlockTime(plainFirst + "G83 X1. Z-1. R.1 Q.2\r\n"),
              lastBlockTime(plainFirst + "G81 X1. Z-1. R.1\r\n"));
}

} // namespace
