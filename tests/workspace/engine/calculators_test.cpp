#include "workspace/engine/desk_calculator.h"
#include "workspace/engine/speed_feed.h"
#include "workspace/engine/triangle_solver.h"

#include "math/engine/mathlib.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <vector>

using mrw::SolveTriangle;
using mrw::TriangleInput;

// ---- Triangle solver -----------------------------------------------------------------

TEST(TriangleSolver, ThreeFourFiveReport)
{
    const auto t = SolveTriangle({3, 4, 5, 0, 0, 0});
    ASSERT_TRUE(t.solved());
    EXPECT_EQ(mrw::triangleReport(t), testsupport::readFixture(MRW_TEST_FIXTURES, "triangle_3_4_5.txt"));
}

TEST(TriangleSolver, Cases)
{
    struct Case {
        const char* what;
        TriangleInput in;
        double a, b, c, A, B, C;
    };
    const Case cases[] = {
        {"negative values by magnitude", {-3, -4, -5, 0, 0, 0}, 3, 4, 5, 36.869898, 53.130102, 90},
        {"typed angles ignored with three sides", {3, 4, 5, 10, 10, 10}, 3, 4, 5, 36.869898, 53.130102, 90},
        {"included angle", {3, 4, 0, 0, 0, 90}, 3, 4, 5, 36.869898, 53.130102, 90},
        {"far side longer: obtuse", {5, 3, 0, 0, 30, 0}, 5, 3, 2.671815, 123.557310, 30, 26.442690},
        {"sine of 1 snaps to 90", {5, 2.5, 0, 0, 30, 0}, 5, 2.5, 4.330127, 90, 30, 60},
        {"only the first angle counts with two sides", {3, 4, 0, 30, 60, 0}, 3, 4, 1.228034, 30, 138.189685, 11.810315},
        {"one side, two angles", {0, 0, 5, 30, 60, 0}, 2.5, 4.330127, 5, 30, 60, 90},
        {"one side, third angle typed too", {0, 4.330127, 0, 0, 60, 90}, 2.5, 4.330127, 5, 30, 60, 90},
        {"isosceles: equal sides are not the longer one", {5, 5, 0, 60, 0, 0}, 5, 5, 5, 60, 60, 60},
        {"included angle with an obtuse far angle", {5, 1, 0, 0, 0, 30}, 5, 1, 4.164102, 143.103632, 6.896368, 30},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const auto t = SolveTriangle(k.in);
        ASSERT_TRUE(t.solved()) << t.error;
        EXPECT_NEAR(t.a, k.a, 2e-6);
        EXPECT_NEAR(t.b, k.b, 2e-6);
        EXPECT_NEAR(t.c, k.c, 2e-6);
        EXPECT_NEAR(t.A, k.A, 2e-6);
        EXPECT_NEAR(t.B, k.B, 2e-6);
        EXPECT_NEAR(t.C, k.C, 2e-6);
    }
}

TEST(TriangleSolver, Errors)
{
    struct Case {
        TriangleInput in;
        int error;
        const char* text;
    };
    const Case cases[] = {
        {{0, 0, 0, 30, 60, 90}, mrw::TriangleNoSide, "Error, At least one side must be given"},
        {{3, 4, 0, 0, 0, 0}, mrw::TriangleTooFewValues, "Error, Less than 3 numbers entered"},
        {{3, 0, 0, 0, 0, 40}, mrw::TriangleTooFewValues, "Error, Less than 3 numbers entered"},
        {{1, 1, 3, 0, 0, 0}, mrw::TriangleBadSides, "Error, Bad Sides"},
        {{1, 1, 2, 0, 0, 0}, mrw::TriangleBadSides, "Error, Bad Sides"},
        {{5, 2, 0, 0, 30, 0}, mrw::TriangleBadSides, "Error, Bad Sides"}, // sine 1.25
        {{1, 0, 0, 100, 90, 0}, mrw::TriangleBadAngles, "Error, Bad Angles"},
        {{1, 0, 0, 100, 80, 0}, mrw::TriangleBadAngles, "Error, Bad Angles"}, // exactly 180
        {{3, 4, 0, 0, 0, 200}, mrw::TriangleBadAngles, "Error, Bad Angles"},
    };
    for (const Case& k : cases) {
        const auto t = SolveTriangle(k.in);
        EXPECT_EQ(t.error, k.error) << k.text;
        EXPECT_EQ(mrw::triangleErrorText(t.error), k.text);
    }
}

TEST(TriangleSolver, DegreesMinutesSecondsRoundAtTheEdges)
{
    const auto dms = mrw::toDegreesMinutesSeconds(89.99999);
    EXPECT_EQ(dms.degrees, 90);
    EXPECT_EQ(dms.minutes, 0);
    EXPECT_EQ(dms.seconds, 0);
    for (double angle : {30.5, 30.49999}) {
        const auto half = mrw::toDegreesMinutesSeconds(angle);
        EXPECT_EQ(half.degrees, 30) << angle;
        EXPECT_EQ(half.minutes, 30) << angle; // never 29 min 60 s
        EXPECT_EQ(half.seconds, 0) << angle;
    }
}

// ---- Speed and feed ------------------------------------------------------------------

namespace {
std::string five(double x) { return vork::RealToShortStr(false, x); }
}

TEST(SpeedFeed, Recalculations)
{
    struct Case {
        const char* what;
        void (*setUp)(mrw::SpeedFeed&);
        int recalc;
        const char *N, *V, *F, *fr, *f, *time;
    };
    const Case cases[] = {
        {"defaults", [](mrw::SpeedFeed&) {}, mrw::FromSurfaceSpeed, "763.94373", "100.00000", "122.23100", "0.16000",
         "0.04000", "Cut Time = 0 Minutes, 0.98 Seconds"},
        {"metric", [](mrw::SpeedFeed& s) { s.metric = true; s.D = 10; }, mrw::FromSurfaceSpeed, "3183.09886",
         "100.00000", "509.29582", "0.16000", "0.04000", "Cut Time = 0 Minutes, 0.24 Seconds"},
        {"no acceleration: L / F", [](mrw::SpeedFeed& s) { s.acc = 0; }, mrw::FromSurfaceSpeed, "763.94373",
         "100.00000", "122.23100", "0.16000", "0.04000", "Cut Time = 0 Minutes, 0.49 Seconds"},
        {"long move reaches the feed", [](mrw::SpeedFeed& s) { s.L = 200; }, mrw::FromSurfaceSpeed, "763.94373",
         "100.00000", "122.23100", "0.16000", "0.04000", "Cut Time = 1 Minutes, 39.02 Seconds"},
        {"rpm edited", [](mrw::SpeedFeed& s) { s.N = 1000; }, mrw::FromRpm, "1000.00000", "130.89969", "160.00000",
         "0.16000", "0.04000", "Cut Time = 0 Minutes, 0.75 Seconds"},
        {"feed per minute edited", [](mrw::SpeedFeed& s) { s.F = 200; }, mrw::FromFeedPerMinute, "763.94373",
         "100.00000", "200.00000", "0.26180", "0.06545", "Cut Time = 0 Minutes, 0.60 Seconds"},
        {"feed per revolution 0", [](mrw::SpeedFeed& s) { s.fr = 0; }, mrw::FromFeedPerRevolution, "763.94373",
         "100.00000", "0.00000", "0.00000", "0.00000", "Cut Time = 0 Minutes, 0.00 Seconds"},
        {"turning", [](mrw::SpeedFeed& s) { s.z = 1; s.f = 0.16; }, mrw::FromSurfaceSpeed, "763.94373", "100.00000",
         "122.23100", "0.16000", "0.16000", "Cut Time = 0 Minutes, 0.98 Seconds"},
        {"diameter 0", [](mrw::SpeedFeed& s) { s.D = 0; }, mrw::FromSurfaceSpeed, "0.00000", "100.00000", "0.00000",
         "0.16000", "0.04000", "Cut Time = 0 Minutes, 0.00 Seconds"},
        {"rpm 0", [](mrw::SpeedFeed& s) { s.N = 0; }, mrw::FromFeedPerMinute, "0.00000", "100.00000", "122.23100",
         "0.00000", "0.00000", "Cut Time = 0 Minutes, 0.98 Seconds"},
        {"no teeth", [](mrw::SpeedFeed& s) { s.z = 0; }, mrw::FromFeedPerRevolution, "763.94373", "100.00000",
         "122.23100", "0.16000", "0.00000", "Cut Time = 0 Minutes, 0.98 Seconds"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        mrw::SpeedFeed s;
        k.setUp(s);
        mrw::RecalcSpeedFeed(s, k.recalc);
        EXPECT_EQ(five(s.N), k.N);
        EXPECT_EQ(five(s.V), k.V);
        EXPECT_EQ(five(s.F), k.F);
        EXPECT_EQ(five(s.fr), k.fr);
        EXPECT_EQ(five(s.f), k.f);
        EXPECT_EQ(mrw::cutTimeText(s.cutTime), k.time);
    }
}

TEST(SpeedFeed, ChipThinningOnlyBelowHalfTheDiameter)
{
    const std::vector<std::pair<double, std::pair<const char*, const char*>>> cases{
        {0.09, {"0.05206", "159.07729"}}, {0.25, {"0.00000", "0.00000"}}, {0.3, {"0.00000", "0.00000"}},
        {0, {"0.00000", "0.00000"}}};
    for (const auto& [depth, expected] : cases) {
        mrw::SpeedFeed s;
        s.e = depth;
        mrw::RecalcSpeedFeed(s, mrw::FromSurfaceSpeed);
        EXPECT_EQ(five(s.adjustedChipLoad), expected.first) << depth;
        EXPECT_EQ(five(s.adjustedFeed), expected.second) << depth;
    }
}

TEST(SpeedFeed, Reports)
{
    mrw::SpeedFeedTexts t{"0.50000",  "4.00000", "0.04000", "763.94373", "100.00000", "122.23100", "0.16000",
                          "0.20000",  "1.00000", "0.09000", "0.05206",   "159.07729",
                          "Cut Time = 0 Minutes, 0.98 Seconds"};
    EXPECT_EQ(mrw::speedFeedReport(t, false), "Speed & Feed Calculation\r\n"
                                              "Tool Diameter       : 0.50000\r\n"
                                              "Number of Teeth     : 4.00000\r\n"
                                              "Chip Load Per Tooth : 0.04000\r\n"
                                              "RPM                 : 763.94373\r\n"
                                              "FPM                 : 100.00000\r\n"
                                              "IPM                 : 122.23100\r\n"
                                              "IPR                 : 0.16000\r\n"
                                              "Acceleration (g)    : 0.20000\r\n"
                                              "Cut Length          : 1.00000\r\n"
                                              "Radial Depth of Cut : 0.09000\r\n"
                                              "Adjusted Chip Load  : 0.05206\r\n"
                                              "Adjusted IPM        : 159.07729\r\n"
                                              "Cut Time = 0 Minutes, 0.98 Seconds\r\n");
    const std::string metric = mrw::speedFeedReport(t, true);
    EXPECT_NE(metric.find("RPM                 : 763.94373\r\n"
                          "M/min               : 100.00000\r\n"
                          "MM/min              : 122.23100\r\n"
                          "MM/rev              : 0.16000\r\n"
                          "Acceleration (g)    : "),
              std::string::npos)
        << metric;
}

// ---- Desk calculator -----------------------------------------------------------------

namespace {

// Keys as characters: the keyboard's own, and C clear, E clear entry, ~ change sign,
// < backspace, S memory store, R recall, P memory add, Z memory clear.
void type(mrw::DeskCalculator& calc, const std::string& keys)
{
    using Key = mrw::DeskCalculator::Key;
    for (char c : keys) {
        switch (c) {
        case 'C': calc.press(Key::Clear); break;
        case 'E': calc.press(Key::ClearEntry); break;
        case '~': calc.press(Key::ChangeSign); break;
        case '<': calc.press(Key::Backspace); break;
        case 'S': calc.press(Key::MemoryStore); break;
        case 'R': calc.press(Key::MemoryRecall); break;
        case 'P': calc.press(Key::MemoryAdd); break;
        case 'Z': calc.press(Key::MemoryClear); break;
        default: ASSERT_TRUE(calc.pressChar(c)) << c;
        }
    }
}

} // namespace

TEST(DeskCalculator, KeySequences)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "0.0000"},          {"007", "7"},           {".5", "0.5"},          {"123<", "12"},
        {"12.5+7.5=", "20.0000"}, {"1+2*3=", "9.0000"},  {"5+=", "10.0000"},     {"3*+4=", "7.0000"},
        {"2+3~=", "-1.0000"},    {"2+~3=", "-1.0000"},   {"2+3=~", "-5.0000"},   {"12+5E7=", "19.0000"},
        {"2+3=*4=", "20.0000"},  {"7=", "7.0000"},       {"8/0=", "Error"},      {"8/0=5+", "Error"},
        {"8/0=C", "0.0000"},     {"8/0E", "0.0000"},     {"10/4=", "2.5000"},    {"1/3=", "0.3333"},
        {"5SC R+1=", "6.0000"},  {"5S2P CR", "7.0000"},  {"5SZCR", "0.0000"},    {"9~", "-9"},
    };
    for (const auto& [keys, display] : cases) {
        mrw::DeskCalculator calc;
        std::string typed = keys;
        std::erase(typed, ' ');
        type(calc, typed);
        EXPECT_EQ(calc.display(), display) << keys;
    }
}

TEST(DeskCalculator, TapeShowsOperandsTotalsAndCount)
{
    mrw::DeskCalculator calc;
    type(calc, "12.5+7.5=*2=");
    const std::deque<std::string> expected{
        "         12.5000 +", "          7.5000 =", "__________________", "         20.0000  ",
        "         20.0000 *", "          2.0000 =", "__________________", "         40.0000  ",
    };
    EXPECT_EQ(calc.tape(), expected);
    EXPECT_EQ(calc.itemCount(), 4);

    calc.clearTape();
    EXPECT_TRUE(calc.tape().empty());
    EXPECT_EQ(calc.itemCount(), 0);
    EXPECT_EQ(calc.display(), "40.0000");

    // A replaced operator shows on its operand's line.
    type(calc, "C3*+");
    EXPECT_EQ(calc.tape().back(), "          3.0000 +");
}

TEST(DeskCalculator, TapeKeepsTheNewest9999Entries)
{
    mrw::DeskCalculator calc;
    for (int i = 0; i < 10005; ++i)
        type(calc, "1+");
    EXPECT_EQ(calc.tape().size(), mrw::DeskCalculator::TapeLimit);
    EXPECT_EQ(calc.itemCount(), 9999);
    EXPECT_EQ(calc.display(), "10005.0000");
}
