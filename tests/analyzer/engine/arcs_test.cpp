#include "analyzer/engine/arcs.h"

#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/run_loop.h"
#include "platform/textfile.h"
#include "run_fakes.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using vork::TRunState;

// An element as WriteOutputElement takes it; an arc keeps the plane it lies in.
struct DxfElement {
    int mode;
    std::array<double, 6> p;
    vork::DxfArc arc;
};

class RecordingDxf : public vork::DxfOutput {
public:
    std::vector<DxfElement> elements;
    bool DxfOutputOn() const override { return true; }
    void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6) override
    {
        elements.push_back({mode, {p1, p2, p3, p4, p5, p6}, {}});
    }
    void WriteOutputArc(int mode, const vork::DxfArc& a) override
    {
        elements.push_back({mode, {a.centre[0], a.centre[1], a.centre[2], a.radius, a.start, a.end}, a});
    }
};

// Records each NC error with the value it shows. With retryWith set, the next error is
// answered with Retry and that block, as the error dialog does; else with Ignore.
class ScriptedErrors : public vork::ErrorReporter {
public:
    TRunState* state = nullptr;
    std::vector<std::pair<int, double>> seen;
    std::string retryWith;
    void ReportNCError(int n) override
    {
        TRunState& s = *state;
        seen.push_back({n, s.ArcError});
        s.Retry = !retryWith.empty();
        if (!s.Retry)
            return;
        s.Block = s.RawBlock = std::exchange(retryWith, {});
        s.Mode = s.LastMode;
        s.CurX = s.PrevX;
        s.CurY = s.PrevY;
        s.CurZ = s.PrevZ;
    }
    std::vector<int> numbers() const
    {
        std::vector<int> out;
        for (const auto& e : seen)
            out.push_back(e.first);
        return out;
    }
};

// Tool n > 0 has the operation of slot n, numbered 100 + n; tool 0 has none.
class ToolsWithOperations : public vork::OperationTable {
public:
    int Tooltoopnum(double tool, bool) const override { return tool > 0 ? static_cast<int>(tool) : -1; }
    int CurrentOpcolor(int) const override { return 5; }
    void SetCurrentTIM(int) override {}
    int OperationNumber(int slot) const override { return 100 + slot; }
    vork::OperationHome Home(int) const override { return {}; }
};

using Point = std::array<double, 3>;

struct ArcRun {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine;
    runtest::RecordingDrawing drawing;
    RecordingDxf dxf;
    ScriptedErrors errors;
    ToolsWithOperations operations;
    runtest::NoTimes times;
    std::unique_ptr<vork::RunSession> session;

    explicit ArcRun(const std::vector<std::string>& changes = {}) : machine(runtest::defaultMachine(changes))
    {
        vork::RunServices given;
        given.drawing = &drawing;
        given.dxf = &dxf;
        given.errors = &errors;
        given.operations = &operations;
        given.times = &times;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        errors.state = &session->state;
        session->settings.skip = true;
        session->settings.limits = false;
        session->settings.dash = false;
        session->settings.showTool = false;
    }

    TRunState& state() { return session->state; }
    const Point& centre() const { return session->arcs.LastCentre(); }

    // Runs the blocks to the end of the program in one Start.
    void run(const std::vector<std::string>& blocks)
    {
        std::string text;
        for (const auto& b : blocks)
            text += b + "\r\n";
        folder.write("P.TAP", text);
        session->LoadFile(folder.file("P.TAP"));
        session->Start();
        ASSERT_TRUE(state().EndOfProgram);
    }

    // The points of the lines drawn.
    std::vector<Point> lines() const
    {
        std::vector<Point> out;
        for (const auto& call : drawing.only('L')) {
            std::istringstream in(call.substr(2));
            Point p{};
            in >> p[0] >> p[1] >> p[2];
            out.push_back(p);
        }
        return out;
    }

    std::vector<vork::TMotionRecord> records()
    {
        session->motion.close();
        std::vector<vork::TMotionRecord> out;
        const auto bytes = platform::readFileBytes(folder.file("VORK.MOT"));
        for (std::size_t at = 0; bytes && at + vork::MotionRecordSize <= bytes->size(); at += vork::MotionRecordSize) {
            std::array<std::uint8_t, vork::MotionRecordSize> r{};
            std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(at), vork::MotionRecordSize, r.begin());
            out.push_back(vork::DecodeMotionRecord(r));
        }
        return out;
    }
};

// The letters of a plane: the axes of its first and second coordinate and their
// centre words, and the G code that selects it.
struct PlaneLetters {
    const char* code;
    char first, second, firstCentre, secondCentre;
    int firstIndex, secondIndex;
};
constexpr PlaneLetters XY{"G17", 'X', 'Y', 'I', 'J', 0, 1};
constexpr PlaneLetters ZX{"G18", 'Z', 'X', 'K', 'I', 2, 0};
constexpr PlaneLetters YZ{"G19", 'Y', 'Z', 'J', 'K', 1, 2};

std::string num(double v)
{
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(4);
    out << v;
    return out.str();
}

// An arc block in a plane: "G02"/"G03", the end in plane coordinates, centre words
// (i, j) of the plane's axes, and whatever follows.
std::string arcBlock(const PlaneLetters& p, const char* g, double a, double b, const std::string& rest)
{
    return std::string(g) + " " + p.first + num(a) + " " + p.second + num(b) + " " + rest;
}
std::string centreWords(const PlaneLetters& p, double i, double j)
{
    return std::string(1, p.firstCentre) + num(i) + " " + p.secondCentre + num(j);
}
std::string rapidTo(const PlaneLetters& p, double a, double b)
{
    return std::string(p.code) + " G00 " + p.first + num(a) + " " + p.second + num(b);
}

TEST(ArcAngles, OrderSweepAndStep)
{
    const double quarter = vork::HalfPi;
    const struct {
        double start, end;
        bool cw;
        double orderedStart, orderedEnd;
    } cases[] = {
        {0, quarter, false, 0, quarter},
        {0, quarter, true, vork::TwoPi, quarter},           // the start climbs a turn
        {quarter, 0, false, quarter, vork::TwoPi},          // the end climbs a turn
        {1, 1, true, 1, 1 - vork::TwoPi},                   // a full turn clockwise
        {1, 1.00001, false, 1, 1 + vork::TwoPi},            // equal within the tolerance
        {vork::TwoPi - 1e-6, 1e-6, false, vork::TwoPi - 1e-6, 2 * vork::TwoPi - 1e-6}, // across 0
    };
    for (const auto& c : cases) {
        const vork::ArcAngles a = vork::OrderArcAngles(c.start, c.end, c.cw);
        EXPECT_NEAR(a.start, c.orderedStart, 1e-12) << c.start << " " << c.end;
        EXPECT_NEAR(a.end, c.orderedEnd, 1e-12) << c.start << " " << c.end;
        EXPECT_NEAR(a.sweep, std::fabs(c.orderedEnd - c.orderedStart), 1e-12);
    }
    EXPECT_NEAR(vork::ArcStepAngle(1.0, 2.0), 5 * vork::Pi / 180, 1e-15); // 2 inches on paper: not over
    EXPECT_NEAR(vork::ArcStepAngle(2.0, 1.01), 2.5 * vork::Pi / 180, 1e-15);
}

TEST(ArcCentre, MethodsInEveryPlane)
{
    // Start (2, 1), end (1, 2) about (1, 1) counter-clockwise, in plane coordinates.
    const struct {
        int method;
        std::string words; // as centre words "i j", or the radius
        double ci, cj;
    } quarter[] = {
        {1, "-1 0", 1, 1},
        {2, "1 0", 1, 1},
        {4, "1 1", 1, 1},
        {7, "1 1", 1, 1},
        {5, "R", 1, 1},
        {5, "-1 0", 1, 1}, // no radius word: as method 1
        {3, "1 0", 1, 1},  // (+, +) misses the end, (-, -) fits
    };
    for (const PlaneLetters& p : {XY, ZX, YZ}) {
        for (const auto& c : quarter) {
            ArcRun run({"I   10 " + std::to_string(c.method), "I   78 2"});
            std::string rest = "R1.";
            if (c.words != "R") {
                std::istringstream in(c.words);
                double i = 0, j = 0;
                in >> i >> j;
                rest = centreWords(p, i, j);
            }
            run.run({rapidTo(p, 2, 1), arcBlock(p, "G03", 1, 2, rest)});
            EXPECT_TRUE(run.errors.seen.empty()) << p.code << " method " << c.method;
            EXPECT_NEAR(run.centre()[p.firstIndex], c.ci, 1e-9) << p.code << " method " << c.method;
            EXPECT_NEAR(run.centre()[p.secondIndex], c.cj, 1e-9) << p.code << " method " << c.method;
        }
        // Unsigned words: (+, +) fits both ends but sweeps 270 degrees; (+, -) is taken.
        ArcRun order({"I   10 3", "I   78 2"});
        order.run({rapidTo(p, 0, 0), arcBlock(p, "G02", 2, 0, centreWords(p, 1, 1))});
        EXPECT_TRUE(order.errors.seen.empty()) << p.code;
        EXPECT_NEAR(order.centre()[p.firstIndex], 1, 1e-9) << p.code;
        EXPECT_NEAR(order.centre()[p.secondIndex], -1, 1e-9) << p.code;
        // The only fitting centre sweeps 100 degrees: error 1 showing 0.
        ArcRun wide({"I   10 3", "I   78 2"});
        wide.run({rapidTo(p, -0.766, 0.6428), arcBlock(p, "G02", 0.766, 0.6428, centreWords(p, 0.766, 0.6428))});
        EXPECT_EQ(wide.errors.seen, (std::vector<std::pair<int, double>>{{1, 0.0}})) << p.code;
    }
    // Absolute centres lie in the work coordinates: the preset's offset is added.
    ArcRun offset({"I   10 4", "I   97 0"});
    offset.run({"G00 X0. Y0.", "G92 X-1. Y0.", "G00 X0. Y0.", "G03 X-1. Y1. I-1. J0."});
    EXPECT_TRUE(offset.errors.seen.empty());
    EXPECT_NEAR(offset.centre()[0], 0, 1e-9);
    EXPECT_NEAR(offset.state().CurX, 0, 1e-9);
}

TEST(ArcCentre, RadiusWords)
{
    const struct {
        std::string block;
        double cx, cy, length;
    } cases[] = {
        {"G02 X2. Y2. R2.", 2, 0, vork::Pi},      // 90 degrees
        {"G02 X2. Y2. R-2.", 0, 2, 3 * vork::Pi}, // 270 degrees
    };
    for (const auto& c : cases) {
        ArcRun run({"I   10 5", "I   78 2"});
        run.run({"G00 X0. Y0.", c.block});
        EXPECT_TRUE(run.errors.seen.empty()) << c.block;
        EXPECT_NEAR(run.centre()[0], c.cx, 1e-9) << c.block;
        EXPECT_NEAR(run.centre()[1], c.cy, 1e-9) << c.block;
        EXPECT_NEAR(run.state().MoveLength, c.length, 1e-9) << c.block;
    }
    // A chord as long as the radius takes the radius 0.001 shorter.
    ArcRun equal({"I   10 5"});
    equal.run({"G00 X0. Y0.", "G02 X1. Y0. R1."});
    EXPECT_TRUE(equal.errors.seen.empty());
    EXPECT_NEAR(std::hypot(equal.centre()[0], equal.centre()[1]), 0.999, 1e-9);
    EXPECT_NEAR(equal.centre()[0], 0.5, 1e-9);
    // Ends that coincide give a radius no centre: error 1 showing 0, once.
    ArcRun same({"I   10 5"});
    same.run({"G00 X1. Y1.", "G02 X1. Y1. R1."});
    EXPECT_EQ(same.errors.seen, (std::vector<std::pair<int, double>>{{1, 0.0}}));
}

TEST(ArcLimits, DegreesAllowedInOneBlock)
{
    const struct {
        int limit;
        PlaneLetters plane;
        double degrees;
        bool error;
    } cases[] = {
        {0, XY, 90.4, false}, {0, XY, 91, true},   {1, XY, 180.4, false}, {1, XY, 181, true},
        {2, XY, 359, false},  {0, ZX, 181, false}, {0, YZ, 181, false},
    };
    for (const auto& c : cases) {
        ArcRun run({"I   78 " + std::to_string(c.limit)});
        const double a = c.degrees * vork::Pi / 180;
        run.run({rapidTo(c.plane, 1, 0), arcBlock(c.plane, "G03", std::cos(a), std::sin(a), centreWords(c.plane, -1, 0))});
        const auto expected = c.error ? std::vector<int>{15} : std::vector<int>{};
        EXPECT_EQ(run.errors.numbers(), expected) << c.plane.code << " " << c.degrees;
        if (c.error && run.errors.seen.size() == 1) {
            EXPECT_NEAR(run.errors.seen[0].second, c.degrees, 0.01);
        }
    }
}

TEST(ArcErrors, RadiusMismatchIgnoredDrawsRetriedAbandons)
{
    const std::vector<std::string> program = {"T1", "G00 X1. Y0.", "G03 X0. Y1.1 I-1. J0.", "G01 X2. F10."};
    ArcRun ignored;
    ignored.run(program);
    ASSERT_EQ(ignored.errors.seen.size(), 1u);
    EXPECT_EQ(ignored.errors.seen[0].first, 1);
    EXPECT_NEAR(ignored.errors.seen[0].second, 0.1, 1e-9);
    EXPECT_EQ(ignored.lines().size(), 18u + 1u); // 17 chords and the end, then the line
    EXPECT_EQ(ignored.dxf.elements.size(), 3u);
    EXPECT_EQ(ignored.records().size(), 3u);

    // Retry: the edited block runs in place of the arc; nothing of the arc remains and
    // the centre words are those from before the block.
    ArcRun retried({"I   94 0"});
    retried.errors.retryWith = "G01 X2. F10.";
    retried.run({"T1", "G00 X1. Y0.", "G03 X0. Y1. I-1. J0.", "G00 X1. Y0.", "G03 X0. Y1.1 I-7. J0.",
                 "G00 X1. Y0.", "G03 X0. Y1."});
    EXPECT_EQ(retried.errors.numbers(), std::vector<int>{1});
    const auto records = retried.records();
    std::vector<int> modes;
    for (const auto& r : records)
        modes.push_back(r.mode);
    EXPECT_EQ(modes, (std::vector<int>{0, 3, 0, 1, 0, 3}));
    EXPECT_EQ(retried.dxf.elements.size(), 6u);
    EXPECT_DOUBLE_EQ(retried.state().CentreWordX, -1.0);
    EXPECT_EQ(retried.state().Plane, vork::PlaneXY);
}

TEST(ArcErrors, RadiusToleranceR37AtItsBoundary)
{
    // From (1, 0) about (0, 0): the end's radius differs from the start's by the tolerance
    // (no error) or by a little more (error 1 showing the difference).
    const struct {
        const char* end;
        std::vector<std::pair<int, double>> errors;
    } cases[] = {
        {"X0. Y1.125", {}},
        {"X0. Y1.126", {{1, 0.126}}},
        {"X0. Y.875", {}},
        {"X0. Y.874", {{1, 0.126}}},
    };
    for (const auto& c : cases) {
        ArcRun run({"R   37 0.125"});
        run.run({"G00 X1. Y0.", std::string("G03 ") + c.end + " I-1. J0."});
        ASSERT_EQ(run.errors.seen.size(), c.errors.size()) << c.end;
        for (std::size_t k = 0; k < c.errors.size(); ++k) {
            EXPECT_EQ(run.errors.seen[k].first, c.errors[k].first) << c.end;
            EXPECT_NEAR(run.errors.seen[k].second, c.errors[k].second, 1e-12) << c.end;
        }
    }
}

TEST(ArcErrors, EndOnTheCentreIsAnErrorInEveryPlane)
{
    for (const PlaneLetters& p : {XY, ZX, YZ}) {
        ArcRun run;
        run.run({rapidTo(p, 1, 0), arcBlock(p, "G02", 2, 0, centreWords(p, 1, 0))});
        EXPECT_EQ(run.errors.numbers(), std::vector<int>{1}) << p.code;
        EXPECT_EQ(run.lines().size(), 1u) << p.code; // a line to the end, no turns around it
    }
    // A block that does not move while an arc mode stands is no arc at all.
    ArcRun still;
    still.run({"T1", "G00 X1. Y0.", "G03 X0. Y1. I-1. J0.", "M09", "G02 Z0."});
    EXPECT_TRUE(still.errors.seen.empty());
    EXPECT_EQ(still.lines().size(), 18u);
    EXPECT_EQ(still.records().size(), 2u);
}

TEST(ArcDrawing, ChordsHelixAndFullCircle)
{
    // 180 degrees from Z0 to Z-1 in 2.5-degree steps: Z falls 1/72 a chord.
    ArcRun helix;
    helix.drawing.scale = 3;
    helix.run({"G00 X1. Y0. Z0.", "G03 X-1. Y0. Z-1. I-1. J0."});
    const auto points = helix.lines();
    ASSERT_EQ(points.size(), 72u);
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_NEAR(points[k][2], -static_cast<double>(k + 1) / 72, 1e-9) << k;
        EXPECT_NEAR(std::hypot(points[k][0], points[k][1]), 1, 1e-9) << k;
        EXPECT_NEAR(std::atan2(points[k][1], points[k][0]), (k + 1) * 2.5 * vork::Pi / 180, 1e-9) << k;
    }
    // Shorter than one step: one line, straight to the end.
    ArcRun short_;
    short_.run({"G00 X1. Y0. Z0.", "G03 X0.9994 Y0.0349 Z-0.1 I-1. J0."});
    ASSERT_EQ(short_.lines().size(), 1u);
    EXPECT_NEAR(short_.lines()[0][2], -0.1, 1e-12);

    // Coinciding ends with I, J: a full turn clockwise, in 5-degree steps at scale 1.
    ArcRun full;
    full.session->settings.arrows = true;
    full.run({"G00 X1. Y0.", "G02 X1. Y0. I-1. J0."});
    ASSERT_EQ(full.lines().size(), 72u);
    EXPECT_NEAR(full.lines()[0][1], -std::sin(5 * vork::Pi / 180), 1e-9); // clockwise first
    EXPECT_NEAR(full.state().MoveLength, vork::TwoPi, 1e-9);
    EXPECT_EQ(full.drawing.calls.back().rfind("arrow 1 0 ", 0), 0u);
}

TEST(ArcDrawing, ArrowAtTheEndLeansIntoTheArc)
{
    // The arrow's angle is the end point's angle about the centre turned by 5 pi / 11
    // in the arc's direction: nearly along the way the arc runs on.
    const double lean = 5 * vork::Pi / 11;
    const struct {
        std::vector<std::string> blocks;
        double angle;
    } cases[] = {
        {{"G00 X1. Y0.", "G03 X0. Y1. I-1. J0."}, vork::HalfPi + lean},
        {{"G00 X0. Y1.", "G02 X1. Y0. I0. J-1."}, -lean},
        {{"G00 X1. Y0.", "G02 X1. Y0. I-1. J0."}, -lean}, // a full turn ends where it began
        {{"G18 G00 Z1. X0.", "G03 Z0. X1. I0. K-1."}, vork::HalfPi + lean}, // in the plane's own angles
    };
    for (const auto& c : cases) {
        ArcRun run;
        run.session->settings.arrows = true;
        run.run(c.blocks);
        const std::string arrow = run.drawing.calls.back();
        ASSERT_EQ(arrow.rfind("arrow ", 0), 0u) << c.blocks[1];
        std::istringstream in(arrow.substr(6));
        double x = 0, y = 0, angle = 0;
        in >> x >> y >> angle;
        EXPECT_NEAR(std::remainder(angle - c.angle, vork::TwoPi), 0, 1e-9) << c.blocks[1];
    }
}

TEST(ArcWords, ModalCentreWordsAndPlaneByWords)
{
    const std::vector<std::string> twice = {"G00 X1. Y0.", "G03 X0. Y1. I-1. J0.", "G00 X1. Y0.", "G03 X0. Y1."};
    ArcRun modal({"I   94 0"});
    modal.run(twice);
    EXPECT_TRUE(modal.errors.seen.empty());
    ArcRun notModal({"I   94 1"});
    notModal.run(twice);
    EXPECT_EQ(notModal.errors.numbers(), std::vector<int>{1}); // the words count as 0

    // Without plane codes, K with I draws in ZX and K with J in YZ; XY again afterwards.
    const struct {
        std::vector<std::string> blocks;
        int flat; // the coordinate that stays 0 on the arc
    } byWords[] = {
        {{"G00 X0. Y0. Z1.", "G03 X1. Z0. I0. K-1."}, 1},
        {{"G00 X0. Y0. Z1.", "G02 Y1. Z0. J0. K-1."}, 0},
    };
    for (const auto& c : byWords) {
        ArcRun run({"I  131 1"});
        run.run(c.blocks);
        EXPECT_TRUE(run.errors.seen.empty()) << c.blocks[1];
        for (const Point& q : run.lines())
            EXPECT_NEAR(q[static_cast<std::size_t>(c.flat)], 0, 1e-12) << c.blocks[1];
        EXPECT_EQ(run.lines().size(), 18u) << c.blocks[1];
        EXPECT_EQ(run.state().Plane, vork::PlaneXY) << c.blocks[1];
    }
}

TEST(ArcWords, ABlockWithoutArcWordsIsNoArc)
{
    // After a quarter arc, blocks of M codes alone move nothing: also where the centre
    // words stay (modal I, J, K), are absolute (methods 4 and 7) or unsigned (method 3),
    // and where a full turn would break the degree limit.
    const struct {
        std::vector<std::string> machine;
        const char* centre;
    } cases[] = {
        {{"I   94 0", "I   10 1"}, "I-1. J0."},
        {{"I   94 1", "I   10 4"}, "I0. J0."},
        {{"I   94 1", "I   10 7"}, "I0. J0."},
        {{"I   94 0", "I   10 3"}, "I1. J0."},
        {{"I   94 1", "I   10 3"}, "I1. J0."},
        {{"I   94 0", "I   10 1", "I   78 0"}, "I-1. J0."},
        {{"I   94 0", "I   10 1", "I   78 1"}, "I-1. J0."},
    };
    for (const auto& c : cases) {
        const std::string name = c.machine[1] + " " + c.machine[0] + (c.machine.size() > 2 ? " " + c.machine[2] : "");
        ArcRun run(c.machine);
        run.run({"T1", "G00 X1. Y0.", std::string("G03 X0. Y1. ") + c.centre + " F10.", "M09", "M30"});
        EXPECT_TRUE(run.errors.seen.empty()) << name;
        EXPECT_EQ(run.lines().size(), 18u) << name; // the quarter arc's chords and end
        EXPECT_EQ(run.records().size(), 2u) << name;
        EXPECT_EQ(run.dxf.elements.size(), 2u) << name;
    }
    // A centre word alone is an arc: from where the tool stands round to it again.
    ArcRun full({"I   94 1", "I   10 1", "I   78 2"});
    full.run({"G00 X1. Y0.", "G02 I-1."});
    EXPECT_TRUE(full.errors.seen.empty());
    EXPECT_EQ(full.lines().size(), 72u);
    EXPECT_NEAR(full.state().MoveLength, vork::TwoPi, 1e-9);
}

TEST(ArcPostOptions, AnglesWithRadiusAndDirectionByTurn)
{
    const std::vector<std::string> angles = {"I  126 1", "I   78 2", "S   24 NONE", "S   27 NONE", "S   28 NONE"};
    const struct {
        std::string block;
        std::vector<int> errors;
        double endX, endY, cx, cy, length;
    } cases[] = {
        {"(2) A0. B90. R1.", {}, 0, 1, 0, 0, vork::HalfPi},
        {"(2) A90. B90. R1.", {}, 1, 0, 1, -1, vork::TwoPi}, // a full circle
        {"(2) A0. B90.", {1}, 1, 0, 0, 0, 0},                // no radius
    };
    for (const auto& c : cases) {
        ArcRun run(angles);
        run.run({"(0) X1. Y0.", c.block});
        EXPECT_EQ(run.errors.numbers(), c.errors) << c.block;
        EXPECT_NEAR(run.state().CurX, c.endX, 1e-9) << c.block;
        EXPECT_NEAR(run.state().CurY, c.endY, 1e-9) << c.block;
        if (!c.errors.empty())
            continue;
        EXPECT_NEAR(run.centre()[0], c.cx, 1e-9) << c.block;
        EXPECT_NEAR(run.centre()[1], c.cy, 1e-9) << c.block;
        EXPECT_NEAR(run.state().MoveLength, c.length, 1e-9) << c.block;
    }
    // Post option 5: "I" makes a clockwise arc; a left turn start-end-centre makes it
    // counter-clockwise.
    const struct {
        std::string from, to;
        int mode;
        double length;
    } turns[] = {
        {"/X1. Y0.", "X0. Y1. I-1. J0.", 3, vork::HalfPi},
        {"/X0. Y1.", "X1. Y0. I0. J-1.", 2, vork::HalfPi},
    };
    for (const auto& c : turns) {
        ArcRun run({"I  126 5", "I   78 2"});
        run.run({c.from, c.to});
        EXPECT_TRUE(run.errors.seen.empty()) << c.to;
        ASSERT_EQ(run.dxf.elements.size(), 2u) << c.to;
        EXPECT_EQ(run.dxf.elements[1].mode, c.mode) << c.to;
        EXPECT_NEAR(run.state().MoveLength, c.length, 1e-9) << c.to;
    }
}

TEST(ArcRecords, MotionRecordsAndDxfElements)
{
    // A mill's XY arc: centre X, Y and the start radius; points (X, Y, Z); feed per minute.
    ArcRun mill;
    mill.run({"T1", "G00 X0. Y1. Z-0.5", "G02 X1. Y0. I0. J-1. F12."});
    auto records = mill.records();
    ASSERT_EQ(records.size(), 2u);
    const auto bytes = vork::EncodeMotionRecord(records[1]);
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 34); // kind .. radius
    const std::vector<std::uint8_t> expected = {1,    0, 0, 101, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, //
                                                0,    0, 0, 0,   0, 0,    0,    0,          // cx 0
                                                0,    0, 0, 0,   0, 0,    0,    0,          // cy 0
                                                0,    0, 0, 0,   0, 0,    0xF0, 0x3F};      // radius 1
    EXPECT_EQ(head, expected);
    const auto& r = records[1];
    EXPECT_EQ(std::vector<double>({r.ex, r.ey, r.ez, r.sx, r.sy, r.sz, r.feed}),
              std::vector<double>({1, 0, -0.5, 0, 1, -0.5, 12}));
    ASSERT_EQ(mill.dxf.elements.size(), 2u);
    EXPECT_EQ(mill.dxf.elements[1].mode, 2);
    EXPECT_EQ(mill.dxf.elements[1].p, (std::array<double, 6>{0, 0, -0.5, 1, vork::HalfPi, 0}));

    // A lathe's ZX arc: centre Z, X; points (Z, X, Y); feed per revolution.
    ArcRun lathe({"I    1 2"});
    lathe.run({"T1", "G95 G00 X1. Z0.", "G02 X2. Z-1. I1. K0. F.01"});
    records = lathe.records();
    ASSERT_EQ(records.size(), 2u);
    const auto& l = records[1];
    EXPECT_EQ(std::vector<double>({l.cx, l.cy, l.radius, l.ex, l.ey, l.ez, l.sx, l.sy, l.feed}),
              std::vector<double>({0, 2, 1, -1, 2, 0, 0, 1, 0.01}));
    EXPECT_EQ(l.arcPlane, 0); // about the record's third coordinate, Y
    ASSERT_EQ(lathe.dxf.elements.size(), 2u);
    EXPECT_EQ(lathe.dxf.elements[1].p, (std::array<double, 6>{0, 2, 0, 1, vork::ThreeHalfPi, vork::Pi}));

    // A mill's ZX arc: its centre lies in the arc's plane, at the arc's own Y; the
    // record holds centre X and Y. The second row is a block of the bracket example.
    const struct {
        std::vector<std::string> blocks;
        double cx, cy, radius;
    } zx[] = {
        {{"T1", "G00 X0. Y1. Z0.", "G18 G02 X1. Z1. R1."}, 0, 1, 1},
        {{"T1", "G00 X-0.6 Y-0.6 Z0.1", "G18 G02 X-0.2 Z0.5 R0.4"}, -0.6, -0.6, 0.4},
        {{"T1", "G00 X0. Y2. Z1.", "G18 G03 X1. Z0. I0. K-1."}, 0, 2, 1},
    };
    for (const auto& c : zx) {
        ArcRun run({"I   10 5"});
        run.run(c.blocks);
        EXPECT_TRUE(run.errors.seen.empty()) << c.blocks[2];
        records = run.records();
        ASSERT_EQ(records.size(), 2u) << c.blocks[2];
        EXPECT_NEAR(records[1].cx, c.cx, 1e-9) << c.blocks[2];
        EXPECT_NEAR(records[1].cy, c.cy, 1e-9) << c.blocks[2];
        EXPECT_NEAR(records[1].radius, c.radius, 1e-9) << c.blocks[2];
    }

    // A tool without an operation writes no record.
    ArcRun noOperation;
    noOperation.run({"G00 X0. Y1.", "G02 X1. Y0. I0. J-1. F12."});
    EXPECT_TRUE(noOperation.records().empty());
}

// Full circles and helices of every plane: the record names the arc's plane and holds
// its centre level with the start, the DXF arc lies in the plane, and a helix climbs
// along the axis across its plane as it is drawn.
TEST(ArcRecords, EveryPlaneRecordsItsPlaneCentreAndHelix)
{
    const struct {
        const char* from;
        const char* arc;
        int plane;
        Point centre;   // in the record: level with the start
        Point dxfCentre; // in the drawing: level with the end
        double length;
    } cases[] = {
        {"G17 G00 X2. Y1. Z0.", "G03 X1. Y2. Z-1. I-1. J0. F10.", 0, {1, 1, 0}, {1, 1, -1},
         std::hypot(vork::HalfPi, 1)},
        {"G18 G00 X2. Y1. Z0.", "G03 X2. Z0. I-1. K0. F10.", 1, {1, 1, 0}, {1, 1, 0}, vork::TwoPi},
        {"G18 G00 X2. Y1. Z0.", "G02 X1. Y3. Z1. I-1. K0. F10.", 1, {1, 1, 0}, {1, 3, 0}, std::hypot(vork::HalfPi, 2)},
        {"G19 G00 X1. Y2. Z0.", "G03 Y2. Z0. J-1. K0. F10.", 2, {1, 1, 0}, {1, 1, 0}, vork::TwoPi},
        {"G19 G00 X1. Y2. Z0.", "G02 X3. Y1. Z-1. J-1. K0. F10.", 2, {1, 1, 0}, {3, 1, 0}, std::hypot(vork::HalfPi, 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arc);
        ArcRun run;
        run.run({"T1", c.from, c.arc});
        EXPECT_TRUE(run.errors.seen.empty());
        const auto records = run.records();
        ASSERT_EQ(records.size(), 2u);
        const vork::TMotionRecord& r = records[1];
        EXPECT_EQ(r.arcPlane, c.plane);
        EXPECT_NEAR(r.cx, c.centre[0], 1e-9);
        EXPECT_NEAR(r.cy, c.centre[1], 1e-9);
        EXPECT_NEAR(r.cz, c.centre[2], 1e-9);
        EXPECT_NEAR(r.radius, 1, 1e-9);
        EXPECT_NEAR(run.state().MoveLength, c.length, 1e-9);

        ASSERT_EQ(run.dxf.elements.size(), 2u);
        const vork::DxfArc& arc = run.dxf.elements[1].arc;
        const vork::PlaneAxes axes = vork::PlaneAxesOf(c.plane);
        Point first{}, second{};
        first[static_cast<std::size_t>(axes.first)] = 1;
        second[static_cast<std::size_t>(axes.second)] = 1;
        EXPECT_EQ(arc.first, first);
        EXPECT_EQ(arc.second, second);
        for (std::size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(arc.centre[k], c.dxfCentre[k], 1e-9) << k;

        // Across the plane the chords run evenly from the start to the end.
        const auto points = run.lines();
        const auto third = static_cast<std::size_t>(axes.third);
        const Point start{r.sx, r.sy, r.sz}, end{r.ex, r.ey, r.ez};
        const double sign = end[third] < start[third] ? -1 : 1;
        for (std::size_t k = 1; k < points.size(); ++k)
            EXPECT_GE(sign * points[k][third], sign * points[k - 1][third] - 1e-12) << k;
        EXPECT_NEAR(points.back()[third], end[third], 1e-12);
        EXPECT_NEAR(points[points.size() / 2 - 1][third], (start[third] + end[third]) / 2, 0.1);
    }
}

TEST(ArcRecords, LatheArcsUnderTheCAxis)
{
    // The C axis turns during the arc: it is cut across the face as an XY arc of the
    // turned points, recorded without centre; the lathe and its plane stay as they were.
    ArcRun run({"I    1 2"});
    TRunState& s = run.state();
    run.run({"T1", "G00 X1. Z0."});
    s.OpSlot = 1;
    s.Mode = vork::ModeCCW;
    s.PrevX = 1, s.PrevY = 0, s.PrevZ = 0;
    s.CurX = 1, s.CurY = 0, s.CurZ = 0;
    s.PrevRotC = 0;
    s.RotC = vork::HalfPi;
    s.Block = "I-1. J0.";
    run.drawing.calls.clear();
    run.session->arcs.CircularInterpolation();
    EXPECT_TRUE(run.errors.seen.empty());
    EXPECT_EQ(run.machine.I(1), 2);
    EXPECT_EQ(s.Plane, vork::PlaneZX);
    EXPECT_EQ(std::vector<double>({s.CurX, s.CurY, s.PrevX}), std::vector<double>({1, 0, 1}));
    const auto points = run.lines();
    ASSERT_EQ(points.size(), 18u);
    EXPECT_NEAR(points.back()[0], 0, 1e-12);
    EXPECT_NEAR(points.back()[1], 1, 1e-12);
    auto records = run.records();
    ASSERT_EQ(records.size(), 2u);
    const auto& r = records[1];
    EXPECT_EQ(std::vector<double>({r.cx, r.cy, r.radius}), std::vector<double>({0, 0, 0}));
    EXPECT_NEAR(r.ey, 0, 1e-12); // (Z, X, Y) of the turned end (0, 1, 0)
    EXPECT_NEAR(r.ez, 1, 1e-12);

    // Under a standing C angle the block loop hands over the end turned by C: the arc
    // is found from the unturned points and drawn turned.
    ArcRun standing({"I    1 2"});
    standing.run({"C90.", "G00 X1. Z0.", "G02 X2. Z-1. I1. K0."});
    EXPECT_TRUE(standing.errors.seen.empty());
    for (const Point& q : standing.lines())
        EXPECT_NEAR(q[0], 0, 1e-9); // X turned onto Y
}

TEST(ArcTimes, ConstantSurfaceSpeedOnTheLathe)
{
    const double k = vork::Pi / 30; // pi r / (6 x 500 x 0.01) with r = 1
    const struct {
        std::string feedMode, arc;
        double time;
    } cases[] = {
        {"G95", "G02 X2. Z-1. I1. K0. F.01", (vork::Pi - 1) * k},
        {"G95", "G02 X3.0005 Z0. I1. K0. F.01", (2 * vork::Pi - 1) * k}, // the end beyond r: sine 1
        {"G94", "G02 X2. Z-1. I1. K0. F10.", std::sqrt(2.0) / 10},         // no feed per revolution
        {"G95", "G02 X2. Z-1. I1. K0.", 0.0},                              // and no feed at all
    };
    for (const auto& c : cases) {
        ArcRun run({"I    1 2", "R   22 9999."});
        run.run({c.feedMode + " G96 S500", "G00 X1. Z0.", c.arc});
        EXPECT_TRUE(run.errors.seen.empty()) << c.arc;
        EXPECT_NEAR(run.state().ArcTime, c.time, 1e-9) << c.arc;
    }
}

} // namespace
