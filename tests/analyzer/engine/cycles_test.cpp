#include "analyzer/engine/cycles.h"
#include "analyzer/engine/nc_errors.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/nc_input.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/run_state.h"
#include "platform/textfile.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <set>
#include <string>
#include <vector>

namespace {

using vork::TRunState;
using Calls = std::vector<std::string>;

constexpr double Degree = vork::Pi / 180.0;

// The point of a recorded call such as "L x y z" or "cross x y z".
std::array<double, 3> pointOf(const std::string& call)
{
    std::istringstream in(call.substr(call.find(' ') + 1));
    std::array<double, 3> p{};
    in >> p[0] >> p[1] >> p[2];
    return p;
}

// Moves ("M x y z", "L x y z") alike in kind and, within rounding, in their points.
testing::AssertionResult SameMoves(const Calls& actual, const Calls& expected)
{
    bool same = actual.size() == expected.size();
    for (std::size_t k = 0; same && k < actual.size(); ++k) {
        const auto a = pointOf(actual[k]), e = pointOf(expected[k]);
        same = actual[k][0] == expected[k][0] && std::fabs(a[0] - e[0]) < 1e-9 && std::fabs(a[1] - e[1]) < 1e-9 &&
               std::fabs(a[2] - e[2]) < 1e-9;
    }
    if (same)
        return testing::AssertionSuccess();
    std::string text;
    for (const std::string& call : actual)
        text += "\"" + call + "\" ";
    return testing::AssertionFailure() << "moves were " << text;
}

// Tool-image calls go into the drawing's log, so that their order shows.
class LoggingToolImage : public vork::ToolImage {
public:
    explicit LoggingToolImage(Calls& log) : m_log(log) {}
    void ResetToolImage() override {}
    void ForgetLastPosition() override { m_log.push_back("forget"); }
    void EraseToolImage() override { m_log.push_back("erase"); }
    void ShowToolImage(bool, double x, double y, double z, bool) override
    {
        m_log.push_back("tool " + runtest::RecordingDrawing::num(x) + " " + runtest::RecordingDrawing::num(y) + " " +
                        runtest::RecordingDrawing::num(z));
    }

private:
    Calls& m_log;
};

// Logs each BlockTime with the move it times ("time 1 2": from X 1 to X 2); `atCall`
// runs at the n-th call.
class LoggingTimes : public vork::TimeModel {
public:
    LoggingTimes(Calls& log, const TRunState& state) : m_log(log), m_state(state) {}
    std::function<void(int)> atCall;
    void ResetTimes() override {}
    void BlockTime() override
    {
        m_log.push_back("time " + runtest::RecordingDrawing::num(m_state.PrevX) + " " +
                        runtest::RecordingDrawing::num(m_state.CurX));
        if (atCall)
            atCall(++m_calls);
    }
    void BookSegment(bool) override {}

private:
    Calls& m_log;
    const TRunState& m_state;
    int m_calls = 0;
};

struct BlockEnd {
    std::string block;
    double curX, curZ, rPlane, cycleDepth, cycleBottom, blockTime;
};

// Marks each block's end in the drawing's log and keeps the state the block left.
class MarkingListing : public vork::DataListing {
public:
    MarkingListing(Calls& log, const TRunState& state) : m_log(log), m_state(state) {}
    std::vector<BlockEnd> blocks;
    void WriteDataLine() override
    {
        const TRunState& s = m_state;
        if (s.RawBlock.empty())
            return;
        m_log.push_back("end " + s.RawBlock);
        blocks.push_back({s.RawBlock, s.CurX, s.CurZ, s.RPlane, s.CycleDepth, s.CycleBottom, s.SegTime - s.LastSegTime});
    }
    void WriteTapeSummary() override {}

private:
    Calls& m_log;
    const TRunState& m_state;
};

class RecordingDxf : public vork::DxfOutput {
public:
    std::vector<std::array<double, 4>> points; // mode 4 elements: x, y, z, R plane
    bool DxfOutputOn() const override { return true; }
    void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double, double) override
    {
        if (mode == vork::ModeCycle)
            points.push_back({p1, p2, p3, p4});
    }
    void WriteOutputArc(int, const vork::DxfArc&) override {}
};

class OperationForEveryTool : public vork::OperationTable {
public:
    int Tooltoopnum(double tool, bool) const override { return static_cast<int>(tool); }
    int CurrentOpcolor(int) const override { return 5; }
    void SetCurrentTIM(int) override {}
    int OperationNumber(int slot) const override { return slot; }
    vork::OperationHome Home(int) const override { return {}; }
};

class NoRestartPrompter : public testsupport::ScriptedPrompter {
public:
    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons b) override
    {
        if (text == "End of Program, Restart?")
            return platform::Button::No;
        return ScriptedPrompter::message(caption, text, kind, b);
    }
};

// A whole run on a machine setup: every drawing call, tool image, block time and block
// end lands in one log.
struct SimulatedRun {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine;
    NoRestartPrompter prompter;
    runtest::RecordingDrawing drawing;
    LoggingToolImage toolImage{drawing.calls};
    std::unique_ptr<LoggingTimes> times;
    std::unique_ptr<MarkingListing> listing;
    RecordingDxf dxf;
    runtest::RecordingCodeList codeList;
    std::vector<int> errors;
    struct : vork::ErrorReporter {
        std::vector<int>* errors = nullptr;
        void ReportNCError(int n) override { errors->push_back(n); }
    } countingErrors;
    runtest::ScriptedErrorDialog errorDialog;
    std::unique_ptr<vork::RunSession> session;

    explicit SimulatedRun(const std::vector<std::string>& changes = {}, bool showErrors = false,
                 vork::OperationTable* operations = nullptr)
        : machine(runtest::defaultMachine(changes))
    {
        countingErrors.errors = &errors;
        vork::RunServices given;
        given.prompter = &prompter;
        given.drawing = &drawing;
        given.toolImage = &toolImage;
        given.codeList = &codeList;
        given.dxf = &dxf;
        given.operations = operations;
        if (!showErrors)
            given.errors = &countingErrors;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        session->errorReporter().setDialog(&errorDialog);
        times = std::make_unique<LoggingTimes>(drawing.calls, session->state);
        listing = std::make_unique<MarkingListing>(drawing.calls, session->state);
        session->services.times = times.get();
        session->services.listing = listing.get();
        session->settings.skip = true;
        session->settings.tapeDir = folder.path();
    }

    TRunState& state() { return session->state; }
    vork::AnalyzerSettings& settings() { return session->settings; }

    void run(const std::string& program)
    {
        folder.write("P.TAP", program);
        session->LoadFile(folder.file("P.TAP"));
        for (int presses = 0; !state().EndOfProgram && presses < 20; ++presses)
            session->Start();
    }

    // The calls made between the end of block `from` and the end of the next one.
    Calls callsOf(const std::string& block) const
    {
        const auto& c = drawing.calls;
        auto end = std::find(c.begin(), c.end(), "end " + block);
        auto begin = std::find_if(std::make_reverse_iterator(end), c.rend(),
                                  [](const std::string& s) { return s.rfind("end ", 0) == 0; })
                         .base();
        return Calls(begin, end);
    }

    Calls only(const Calls& calls, const std::string& kind) const
    {
        Calls out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                     [&](const std::string& s) { return s.rfind(kind + " ", 0) == 0; });
        return out;
    }
};

// ---- Drilling cycles --------------------------------------------------------------

TEST(DrillCycle, DrawsRapidsCrossAndFeedStrokeWithToolImages)
{
    const std::string start = "G00 X1. Y1. Z1.\r\n";
    SimulatedRun dashed;
    dashed.run(start + "G81 X2. Y1. Z-.5 R.1 F5.\r\n");
    EXPECT_EQ(dashed.callsOf("G81 X2. Y1. Z-.5 R.1 F5."),
              (Calls{"C 12", "S 3", "L 2 1 0.1", "C 1", "tool 2 1 0.1", "S 0", "cross 2 1 0.1", "L 2 1 -0.5",
                     "tool 2 1 -0.5", "C 12", "S 3", "L 2 1 0.1", "C 1", "tool 2 1 0.1", "time 1 2"}));

    SimulatedRun plain;
    plain.settings().dash = false;
    plain.settings().showTool = false;
    plain.run(start + "G81 X2. Y1. Z-.5 R.1 F5.\r\n");
    EXPECT_EQ(plain.callsOf("G81 X2. Y1. Z-.5 R.1 F5."),
              (Calls{"M 2 1 0.1", "S 0", "cross 2 1 0.1", "L 2 1 -0.5", "M 2 1 0.1", "time 1 2"}));

    // G98: to the initial plane (the Z where G98 was read) before and after the hole.
    SimulatedRun initial;
    initial.settings().dash = false;
    initial.settings().showTool = false;
    initial.run(start + "G98 G81 X2. Y1. Z-.5 R.1 F5.\r\n");
    EXPECT_EQ(initial.callsOf("G98 G81 X2. Y1. Z-.5 R.1 F5."),
              (Calls{"M 2 1 1", "M 2 1 0.1", "S 0", "cross 2 1 0.1", "L 2 1 -0.5", "M 2 1 0.1", "M 2 1 1",
                     "time 1 2"}));
}

TEST(DrillCycle, RepeatsOnlyInIncrementalModeWithARepeatWord)
{
    const struct {
        std::vector<std::string> machine;
        std::string block;
        Calls crossesAndTimes;
        double curX, curZ;
    } cases[] = {
        // From (0, 0, 1): each repeat is timed from the hole before it; the tool ends at
        // the R plane, 0.75 below the start.
        {{}, "G91 G81 X1. Z-.5 R-.75 L3 F5.",
         {"cross 1 0 0.25", "time 0 1", "cross 2 0 0.25", "time 1 2", "cross 3 0 0.25", "time 2 3"}, 3, 0.25},
        {{}, "G90 G81 X1. Z-.5 R.25 L3 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{"S   46 NONE"}, "G91 G81 X1. Z-.5 R-.75 L3 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{}, "G91 G81 X1. Z-.5 R-.75 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{}, "G91 G81 X1. Z-.5 R-.75 L0 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{}, "G91 G81 X1. Z-.5 R-.75 L-2 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{}, "G91 G81 X1. Z-.5 R-.75 L-99999999999999999999 F5.", {"cross 1 0 0.25", "time 0 1"}, 1, 0.25},
        {{}, "G91 G81 X1. Z-.5 R-.75 L2.5 F5.", {"cross 1 0 0.25", "time 0 1", "cross 2 0 0.25", "time 1 2"}, 2, 0.25},
        // A count is a whole number also where coordinates have implied decimals.
        {{"I  105 0"}, "G91 G81 X1. Z-.5 R-.75 L2 F5.", {"cross 1 0 0.25", "time 0 1", "cross 2 0 0.25", "time 1 2"}, 2, 0.25},
        {{"I   61 1"}, "G91 G81 X001 Z-0005 R-0975 L2 F5.", {"cross 1 0 2.5", "time 0 1", "cross 2 0 2.5", "time 1 2"}, 2,
         2.5}, // leading digits: the start's "Z1." is Z100, R-0975 is 97.5 below it
    };
    for (const auto& c : cases) {
        SimulatedRun run(c.machine);
        run.settings().showTool = false;
        run.run("G00 Z1.\r\n" + c.block + "\r\n");
        const Calls calls = run.callsOf(c.block);
        Calls crossesAndTimes;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(crossesAndTimes), [](const std::string& s) {
            return s.rfind("cross", 0) == 0 || s.rfind("time", 0) == 0;
        });
        EXPECT_EQ(crossesAndTimes, c.crossesAndTimes) << c.block;
        ASSERT_EQ(run.listing->blocks.size(), 2u) << c.block;
        EXPECT_DOUBLE_EQ(run.listing->blocks[1].curX, c.curX) << c.block;
        EXPECT_NEAR(run.listing->blocks[1].curZ, c.curZ, 1e-12) << c.block;
    }

    // Holes in X and Y as another interpreter drills them from (1, 1).
    SimulatedRun both;
    both.run("G00 X1. Y1. Z1.\r\nG91 G99 G81 X1. Y.5 Z-.5 R-.9 L3 F8.\r\n");
    Calls holes;
    for (const std::string& cross : both.only(both.drawing.calls, "cross")) {
        const auto p = pointOf(cross);
        holes.push_back(runtest::RecordingDrawing::num(p[0]) + " " + runtest::RecordingDrawing::num(p[1]));
    }
    EXPECT_EQ(holes, (Calls{"2 1.5", "3 2", "4 2.5"}));
}

TEST(DrillCycle, RPlaneOfFirstAndLaterCycleBlocks)
{
    const char* program = "G00 Z1.\r\nG81 X0. Z-.5 R.2 F5.\r\nX1.\r\nG81 X2. Z-.3 R.2\r\n";
    const struct {
        const char* i98;
        const char* i99;
        // R plane and hole bottom of each of the three cycle blocks
        std::array<double, 3> rPlane, bottom;
    } cases[] = {
        {"1", "1", {0.2, 0.2, 0.2}, {-0.5, -0.5, -0.3}},
        {"0", "1", {1.0, 1.0, 1.0}, {-0.5, -0.5, -0.3}},  // the Z before the cycle
        {"1", "0", {0.3, 0.3, 0.3}, {-0.3, -0.3, -0.1}},  // the depth counts from the R plane
        {"0", "0", {1.0, 1.0, 1.0}, {-0.5, -0.5, -0.3}},  // the first rule alone
    };
    for (const auto& c : cases) {
        SimulatedRun run({std::string("I   98 ") + c.i98, std::string("I   99 ") + c.i99});
        run.run(program);
        ASSERT_EQ(run.listing->blocks.size(), 4u);
        for (std::size_t k = 0; k < 3; ++k) {
            const BlockEnd& b = run.listing->blocks[k + 1];
            EXPECT_NEAR(b.rPlane, c.rPlane[k], 1e-12) << c.i98 << c.i99 << " " << b.block;
            EXPECT_NEAR(b.cycleBottom, c.bottom[k], 1e-12) << c.i98 << c.i99 << " " << b.block;
            EXPECT_NEAR(b.curZ, c.rPlane[k], 1e-12) << b.block; // back at the R plane
            EXPECT_NEAR(b.cycleDepth, std::fabs(c.bottom[k] - c.rPlane[k]), 1e-12) << b.block;
        }
    }
}

// Every move of a cycle, rapids (M) and feeds (L) with DASH off, and where the tool
// stands after each block: G98 returns to the Z where the cycle started, G99 to the R
// plane; incremental R counts from that Z and incremental Z from the R plane.
TEST(DrillCycle, MoveListsForAbsoluteIncrementalAndBothReturns)
{
    struct Block {
        std::string text;
        Calls moves;
        double zAfter;
    };
    const struct {
        const char* name;
        std::vector<Block> blocks;
        std::vector<std::string> machine = {};
    } cases[] = {
        {"G90 G98",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G98 G81 X1. Y1. Z-.5 R.1 F5.", {"M 1 1 1", "M 1 1 0.1", "L 1 1 -0.5", "M 1 1 0.1", "M 1 1 1"}, 1},
          {"X2.", {"M 2 1 1", "M 2 1 0.1", "L 2 1 -0.5", "M 2 1 0.1", "M 2 1 1"}, 1},
          {"G80", {}, 1},
          {"G00 X3. Y3.", {"M 3 3 1"}, 1}}},
        {"G90 G99",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G99 G81 X1. Y1. Z-.5 R.1 F5.", {"M 1 1 0.1", "L 1 1 -0.5", "M 1 1 0.1"}, 0.1},
          {"X2.", {"M 2 1 0.1", "L 2 1 -0.5", "M 2 1 0.1"}, 0.1},
          {"G80", {}, 0.1},
          {"G00 X3. Y3.", {"M 3 3 0.1"}, 0.1}}},
        {"G98 and G99 switched in the cycle",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G99 G81 X1. Y1. Z-1. R.1 F5.", {"M 1 1 0.1", "L 1 1 -1", "M 1 1 0.1"}, 0.1},
          {"G98 X2. Z-.2", {"M 2 1 1", "M 2 1 0.1", "L 2 1 -0.2", "M 2 1 0.1", "M 2 1 1"}, 1},
          {"G99 X3.", {"M 3 1 0.1", "L 3 1 -0.2", "M 3 1 0.1"}, 0.1},
          {"G80 G00 Z2.", {"M 3 1 2"}, 2}}},
        {"G91 with repeats, G98 and a new R",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G91 G99 G81 X1. Y1. Z-.6 R-.9 L3 F5.",
           {"M 1 1 0.1", "L 1 1 -0.5", "M 1 1 0.1", "M 2 2 0.1", "L 2 2 -0.5", "M 2 2 0.1", "M 3 3 0.1", "L 3 3 -0.5",
            "M 3 3 0.1"},
           0.1},
          {"G98 X1.", {"M 4 3 1", "M 4 3 0.1", "L 4 3 -0.5", "M 4 3 0.1", "M 4 3 1"}, 1},
          {"G99 X1. R-.5", {"M 5 3 0.5", "L 5 3 -0.1", "M 5 3 0.5"}, 0.5},
          {"G80 G90", {}, 0.5}}},
        // A new incremental R counts from the cycle's initial Z, not from the R plane where
        // the block before left the tool; the depth below R stays.
        {"G91 new R after a return to R",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G91 G99 G81 X1. Z-.6 R-.9 F5.", {"M 1 0 0.1", "L 1 0 -0.5", "M 1 0 0.1"}, 0.1},
          {"X1. R-.5", {"M 2 0 0.5", "L 2 0 -0.1", "M 2 0 0.5"}, 0.5},
          {"G80 G90", {}, 0.5}}},
        // Absolute R and Z are work coordinates: a preset moves them with the axes.
        {"G90 after a preset",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G92 Z2.", {}, 1},
          {"G99 G81 X1. Z-.5 R.1 F5.", {"M 1 0 -0.9", "L 1 0 -1.5", "M 1 0 -0.9"}, -0.9}},
         {"I   97 0"}},
        // A new cycle without Z drills to where the tool stands, not to the last bottom.
        {"a new cycle without depth",
         {{"G00 X0. Y0. Z1.", {"M 0 0 0", "M 0 0 1"}, 1},
          {"G99 G81 X1. Z-.5 R.1 F5.", {"M 1 0 0.1", "L 1 0 -0.5", "M 1 0 0.1"}, 0.1},
          {"G80", {}, 0.1},
          {"G00 Z.8", {"M 1 0 0.8"}, 0.8},
          {"G81 X2. R.1", {"M 2 0 0.1", "L 2 0 0.8", "M 2 0 0.1"}, 0.1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedRun run(c.machine);
        run.settings().dash = false;
        run.settings().showTool = false;
        std::string program;
        for (const Block& b : c.blocks)
            program += b.text + "\r\n";
        run.run(program);
        ASSERT_EQ(run.listing->blocks.size(), c.blocks.size());
        for (std::size_t k = 0; k < c.blocks.size(); ++k) {
            const Block& b = c.blocks[k];
            const Calls calls = run.callsOf(b.text);
            Calls moves;
            std::copy_if(calls.begin(), calls.end(), std::back_inserter(moves),
                         [](const std::string& call) { return call.rfind("M ", 0) == 0 || call.rfind("L ", 0) == 0; });
            EXPECT_TRUE(SameMoves(moves, b.moves)) << b.text;
            EXPECT_NEAR(run.listing->blocks[k].curZ, b.zAfter, 1e-12) << b.text;
        }
        EXPECT_TRUE(run.errors.empty());
    }
}

TEST(DrillCycle, ARetryInARepeatLeavesTheLoopAndStartsTheBlockAgain)
{
    SimulatedRun run({}, true);
    run.errorDialog.answers = {{vork::ErrorAnswer::Retry, ""}};
    run.times->atCall = [&](int call) {
        if (call == 2)
            run.session->services.errors->ReportNCError(12);
    };
    run.run("G91 G81 X1. Z-.5 R.1 L3 F5.\r\n");
    EXPECT_EQ(run.errorDialog.messages.size(), 1u);
    // The second repeat's time failed: the run left the loop and drilled the block anew.
    EXPECT_EQ(run.only(run.drawing.calls, "cross"),
              (Calls{"cross 1 0 0.1", "cross 2 0 0.1", "cross 1 0 0.1", "cross 2 0 0.1", "cross 3 0 0.1"}));
    EXPECT_DOUBLE_EQ(run.state().CurX, 3.0);
}

TEST(DrillCycle, EveryHoleReachesTheMotionFileAndTheDxfOutput)
{
    OperationForEveryTool operations;
    SimulatedRun run({}, false, &operations);
    run.run("T1\r\nG91 G81 X1. Z-.5 R.1 L3 F5.\r\n");
    run.session->motion.close();
    const auto bytes = platform::readFileBytes(run.folder.file("VORK.MOT"));
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 3 * vork::MotionRecordSize);
    for (std::size_t k = 0; k < 3; ++k) {
        std::array<std::uint8_t, vork::MotionRecordSize> record{};
        std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(k * vork::MotionRecordSize), vork::MotionRecordSize,
                    record.begin());
        const auto r = vork::DecodeMotionRecord(record);
        EXPECT_EQ(r.mode, vork::ModeCycle);
        EXPECT_DOUBLE_EQ(r.ex, static_cast<double>(k + 1));
        EXPECT_DOUBLE_EQ(r.sx, static_cast<double>(k)); // from the hole before, at its R plane
        EXPECT_NEAR(r.sz, k == 0 ? 0.0 : 0.1, 1e-12);
        EXPECT_NEAR(r.ez, -0.4, 1e-12); // 0.5 below the R plane, 0.1 above the start
        EXPECT_DOUBLE_EQ(r.rplane, 0.1);
        EXPECT_DOUBLE_EQ(run.dxf.points.at(k)[0], static_cast<double>(k + 1));
    }
    EXPECT_EQ(run.dxf.points.size(), 3u);
}

TEST(DrillCycle, LongRepeatsAreBoundedAndStopEndsThem)
{
    // More repeats than a control makes: as many as it makes, and an NC error says so.
    SimulatedRun capped;
    capped.settings().dash = false;
    capped.settings().showTool = false;
    capped.run("G91 G81 X.001 Z-.5 R-.9 L1000000000 F5.\r\n");
    EXPECT_EQ(capped.only(capped.drawing.calls, "cross").size(), 9999u);
    EXPECT_EQ(capped.errors, std::vector<int>{vork::NCErrorRepeatsCapped});
    EXPECT_EQ(vork::NCErrorMessage(vork::NCErrorRepeatsCapped, capped.state()),
              "Repeat count over 9999, taken as 9999");
    SimulatedRun most;
    most.settings().showTool = false;
    most.run("G91 G81 X.001 Z-.5 R-.9 L9999 F5.\r\n");
    EXPECT_TRUE(most.errors.empty());

    // Stop pressed while the 100th hole is drilled: the repeat ends when the run next
    // looks at the window, and the segment with the block; Start drills the rest of the
    // count from the next hole on, each hole once, and then the next block.
    struct StopPump : platform::EventPump {
        SimulatedRun* run = nullptr;
        bool pressed = false;
        void processEvents() override
        {
            if (!pressed && run->only(run->drawing.calls, "cross").size() >= 100)
                run->state().StopRequest = pressed = true;
        }
        void waitPumping(int) override { processEvents(); }
    } pump;
    SimulatedRun stopped;
    pump.run = &stopped;
    stopped.settings().dash = false;
    stopped.settings().showTool = false;
    stopped.session->services.pump = &pump;
    stopped.folder.write("P.TAP", "G91 G81 X.001 Z-.5 R-.9 L9999 F5.\r\nG80 G00 X1.\r\n");
    stopped.session->LoadFile(stopped.folder.file("P.TAP"));
    stopped.session->Start();
    EXPECT_FALSE(stopped.state().EndOfProgram);
    EXPECT_EQ(stopped.only(stopped.drawing.calls, "cross").size(), 128u);
    ASSERT_EQ(stopped.listing->blocks.size(), 1u);
    stopped.state().StopRequest = false;
    stopped.session->Start();
    EXPECT_TRUE(stopped.state().EndOfProgram);
    const Calls crosses = stopped.only(stopped.drawing.calls, "cross");
    ASSERT_EQ(crosses.size(), 9999u);
    const auto crossX = [&](std::size_t k) { return std::stod(crosses[k].substr(6)); };
    EXPECT_NEAR(crossX(127), 0.128, 1e-9); // the last hole before the Stop
    EXPECT_NEAR(crossX(128), 0.129, 1e-9); // the next one after Start
    EXPECT_EQ(std::set<std::string>(crosses.begin(), crosses.end()).size(), 9999u);
    EXPECT_EQ(stopped.only(stopped.drawing.calls, "time").size(), 9999u + 1u);
    EXPECT_EQ(stopped.dxf.points.size(), 9999u);
    EXPECT_NEAR(stopped.state().CurX, 9.999 + 1.0, 1e-9);
    ASSERT_EQ(stopped.listing->blocks.size(), 3u); // the block is listed where it stopped and where it ended
    EXPECT_NEAR(stopped.listing->blocks[1].curX, 9.999, 1e-9);
}

TEST(PeckTime, PecksUntilTheDepthIsReached)
{
    // R53 = 0.1 above the depth reached; R52 = 50 by default.
    const struct {
        double increment, depth, feed, r52, minutes;
    } cases[] = {
        {0.6, 0.5, 10, 50, 0.7 / 10 + 0.7 / 50},        // one peck deeper than the hole
        {0.1, 0.3, 10, 50, 0.6 / 10 + (0.9 + 0.1) / 50}, // three pecks, two returns
        {-0.1, 0.3, 10, 50, 0.6 / 10 + (0.9 + 0.1) / 50}, // the size of a negative increment
        {0.1, 0.3, 0, 50, (0.9 + 0.1) / 50},             // no feed: no feed time
        {0.1, 0.3, 10, 0, 0.6 / 10},                     // no drilling rapid: no retract time
        {0.0, 0.3, 10, 50, 0.1 / 10},                    // no increment: one peck of nothing
    };
    for (const auto& c : cases) {
        vork::TMachineSetup m = runtest::defaultMachine({"R   52 " + platform::formatShortest(c.r52)});
        TRunState s;
        s.PeckIncrement = c.increment;
        s.CycleDepth = c.depth;
        s.Feed = c.feed;
        s.SegTime = 1.0;
        vork::PeckTime(s, m);
        EXPECT_NEAR(s.SegTime - 1.0, c.minutes, 1e-12) << c.increment << " " << c.depth;
    }
    vork::TMachineSetup m = runtest::defaultMachine();
    TRunState huge;
    huge.PeckIncrement = 1e-4;
    huge.CycleDepth = 1e300;
    huge.Feed = 10;
    vork::PeckTime(huge, m);
    EXPECT_TRUE(std::isfinite(huge.SegTime));
}

// ---- One routine at a time ----------------------------------------------------------

struct Rig {
    TRunState state;
    vork::TMachineSetup machine;
    vork::AnalyzerSettings settings;
    runtest::RecordingDrawing drawing;
    LoggingToolImage toolImage{drawing.calls};
    vork::RunServices services;
    std::unique_ptr<vork::NCInput> input;
    std::unique_ptr<vork::Cycles> cycles;

    explicit Rig(const std::vector<std::string>& changes = {}) : machine(runtest::defaultMachine(changes))
    {
        services.drawing = &drawing;
        services.toolImage = &toolImage;
        input = std::make_unique<vork::NCInput>(state, machine, services);
        cycles = std::make_unique<vork::Cycles>(state, machine, settings, services, *input);
        state.LatheMachine = machine.isLathe();
    }
};

TEST(RotaryAxes, PointsTurnByAThenBThenC)
{
    const struct {
        double a, b, c;
        std::array<double, 3> from, to;
    } cases[] = {
        {90, 0, 0, {0, 1, 0}, {0, 0, 1}},    // A turns Y toward Z
        {0, 90, 0, {1, 0, 0}, {0, 0, 1}},    // B turns X toward Z
        {0, 0, 90, {1, 0, 0}, {0, 1, 0}},    // C turns X toward Y
        {90, 90, 0, {0, 1, 0}, {-1, 0, 0}},  // A first, then B
        {90, 90, 90, {0, 1, 0}, {0, -1, 0}}, // then C
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.settings.useRotary = true;
        rig.state.RotA = c.a * Degree;
        rig.state.RotB = c.b * Degree;
        rig.state.RotC = c.c * Degree;
        std::array<double, 3> p{};
        rig.cycles->RotatePointForRotaryAxes(p[0], p[1], p[2], c.from[0], c.from[1], c.from[2]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(p[static_cast<std::size_t>(k)], c.to[static_cast<std::size_t>(k)], 1e-12)
                << c.a << " " << c.b << " " << c.c << " axis " << k;

        rig.settings.useRotary = false;
        rig.cycles->RotatePointForRotaryAxes(p[0], p[1], p[2], 1, 2, 3);
        EXPECT_EQ(p, (std::array<double, 3>{1, 2, 3}));
    }

    // A lathe turns its X and Y by C before drawing: the point is turned once, not twice.
    SimulatedRun lathe({"I    1 2"});
    lathe.settings().useRotary = true;
    lathe.settings().dash = true;
    lathe.run("G00 C90.\r\nG00 X1.\r\n");
    const auto p = pointOf(lathe.only(lathe.callsOf("G00 X1."), "L").back());
    EXPECT_NEAR(p[0], 0.0, 1e-12);
    EXPECT_NEAR(p[1], 1.0, 1e-12);
}

TEST(RotaryAxes, AnIndexTakesItsShareOfAFullTurn)
{
    const struct {
        std::string change, block;
        double minutes;
    } cases[] = {
        {"R   54 5", "A90.", 1.25},
        {"R   55 2", "B-180.", 1.0},
        {"R   56 8", "C45.", 1.0},
    };
    for (const auto& c : cases) {
        SimulatedRun run({c.change});
        run.settings().useRotary = true;
        run.run("G00 X1. Y1. Z1.\r\n" + c.block + "\r\n");
        EXPECT_NEAR(run.listing->blocks.back().blockTime, c.minutes, 1e-12) << c.block;
        const Calls calls = run.callsOf(c.block);
        ASSERT_EQ(calls.size(), 3u) << c.block; // the pen moves, the tool image is erased, the time
        EXPECT_EQ(calls[1], "erase");
    }
    SimulatedRun a;
    a.settings().useRotary = true;
    a.run("G00 X1. Y1. Z1.\r\nA90.\r\n");
    const std::string move = a.callsOf("A90.").front(); // the pen moves to the point turned by A
    ASSERT_EQ(move[0], 'M');
    const auto p = pointOf(move);
    EXPECT_NEAR(p[0], 1.0, 1e-12);
    EXPECT_NEAR(p[1], -1.0, 1e-12);
    EXPECT_NEAR(p[2], 1.0, 1e-12);

    SimulatedRun off;
    off.run("G00 X1. Y1. Z1.\r\nA90.\r\n");
    EXPECT_DOUBLE_EQ(off.listing->blocks.back().blockTime, 0.0);
    EXPECT_EQ(off.callsOf("A90."), (Calls{"time 1 1"}));
}

TEST(RotaryAxes, LatheCTurnIsDrawnADegreeAtATime)
{
    const struct {
        double from, to;
        int mode;
        bool dash;
        std::size_t lines;
        double secondLineAt, endAngle;
        const char* style;
    } cases[] = {
        {350, 10, vork::ModeLinear, true, 341 + 1, 349, 10, "S 0"}, // down through 340 degrees
        {10, 350, vork::ModeLinear, true, 21 + 1, 9, -10, "S 0"},   // the short way, down
        {350, 370, vork::ModeRapid, true, 21 + 1, 351, 10, "S 1"},  // up; back below a turn
    };
    for (const auto& c : cases) {
        Rig rig({"I    1 2"});
        TRunState& s = rig.state;
        s.Mode = c.mode;
        rig.settings.dash = c.dash;
        s.PrevX = s.CurX = 1;
        s.PrevZ = 0;
        s.CurZ = 3.4;
        s.PrevRotC = c.from * Degree;
        s.RotC = c.to * Degree;
        rig.cycles->DrawCAxisWrap();
        const Calls lines = rig.drawing.only('L');
        ASSERT_EQ(lines.size(), c.lines) << c.from << " " << c.to;
        EXPECT_EQ(rig.drawing.calls.front(), c.style);
        const auto second = pointOf(lines[1]);
        EXPECT_NEAR(std::atan2(second[1], second[0]), std::remainder(c.secondLineAt * Degree, vork::TwoPi), 1e-9);
        EXPECT_NEAR(second[2], 3.4 / static_cast<double>(c.lines - 2), 1e-12); // one step along
        const auto last = pointOf(lines.back());
        EXPECT_NEAR(last[2], 3.4, 1e-12);
        EXPECT_NEAR(s.RotC, c.endAngle * Degree, 1e-12) << c.from << " " << c.to;
    }

    // A rapid with DASH off only moves the pen to the turned point.
    Rig rapid({"I    1 2"});
    rapid.settings.dash = false;
    rapid.state.Mode = vork::ModeRapid;
    rapid.state.CurX = 1;
    rapid.state.RotC = 90 * Degree;
    rapid.cycles->DrawCAxisWrap();
    ASSERT_EQ(rapid.drawing.calls.size(), 1u);
    const auto p = pointOf(rapid.drawing.calls[0]);
    EXPECT_EQ(rapid.drawing.calls[0][0], 'M');
    EXPECT_NEAR(p[0], 0.0, 1e-12);
    EXPECT_NEAR(p[1], 1.0, 1e-12);
}

// ---- Threading cycle --------------------------------------------------------------

TEST(ThreadCycle, PassesFromDepthOverFirstPassSquared)
{
    // Z from 0 to -1 at feed 10 and the default Z rapid of 200: 0.105 minutes a pass.
    const struct {
        std::string words;
        double passes;
    } cases[] = {
        {"", 1},                 // no depth words: D = Q = 1
        {"P.0613 Q.015", 17},    // (4.087)^2 = 16.7
        {"P.05 Q.1", 1},         // a first pass deeper than the thread: still one
        {"P.05 Q0.", 1},         // a first pass of nothing counts once
        {"P9999. Q.0001", 9.9980001e15},
    };
    for (const auto& c : cases) {
        Rig rig({"I    1 2"});
        TRunState& s = rig.state;
        s.Block = "G76 X.6 Z-1. " + c.words + " K.1";
        s.CurZ = -1;
        s.Feed = 10;
        rig.cycles->ThreadCycle();
        EXPECT_NEAR(s.SegTime / 0.105, c.passes, c.passes * 1e-9) << c.words;
    }

    Rig rig({"I    1 2", "R   18 0"});
    TRunState& s = rig.state;
    s.PrevX = 0.75;
    s.PrevZ = 0.3;
    s.CurX = 0.6;
    s.CurZ = -1.2;
    s.Lead = 0.1;
    rig.cycles->ThreadCycle();
    EXPECT_DOUBLE_EQ(s.SegTime, 0.0); // neither a Z rapid nor a feed: no time, no infinity
    EXPECT_EQ(rig.drawing.calls, (Calls{"S 3", "L 0.6 0 0.3", "S 0", "thread 0.3 0.6 -1.2 0.6 0.1", "S 3",
                                        "L 0.75 0 -1.2", "L 0.75 0 0.3", "S 0"}));
}

// ---- The example programs ---------------------------------------------------------

TEST(ExamplePrograms, DrawTheirHolesAndThread)
{
    SimulatedRun mill;
    ASSERT_TRUE(vork::LoadMachineFile(mill.machine, testsupport::examplePath("Mill 1.MCH")));
    mill.settings().sub = true;
    mill.folder.write("O1001.TAP", *platform::readFileBytes(testsupport::examplePath("O1001.TAP")));
    mill.run(*platform::readFileBytes(testsupport::examplePath("BRACKET.TAP")));
    EXPECT_TRUE(mill.errors.empty());
    EXPECT_EQ(mill.only(mill.drawing.calls, "cross"), (Calls{"cross 1 1 0.1", "cross 3 1 0.1", "cross 3 2 0.1"}));

    SimulatedRun lathe;
    ASSERT_TRUE(vork::LoadMachineFile(lathe.machine, testsupport::examplePath("Lathe 1.MCH")));
    lathe.run(*platform::readFileBytes(testsupport::examplePath("SHAFT.TAP")));
    EXPECT_TRUE(lathe.errors.empty());
    const std::string g76 = "N180 G76 X1.2773 Z-1.2 K0.0613 D0.015 F0.1";
    const Calls threads = lathe.only(lathe.callsOf(g76), "thread");
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads[0], "thread 0.3 0.63865 -1.2 0.63865 0.1");
    // 17 passes over 1.5 inches at 800 x 0.1 and at the Z rapid of 400.
    const auto it = std::find_if(lathe.listing->blocks.begin(), lathe.listing->blocks.end(),
                                 [&](const BlockEnd& b) { return b.block == g76; });
    ASSERT_NE(it, lathe.listing->blocks.end());
    EXPECT_NEAR(it->blockTime, 17 * (1.5 / 80 + 1.5 / 400), 1e-12);
}

} // namespace
