#include "math/engine/mathlib.h"

#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vork;

namespace {
double degrees(double d) { return d * Pi / 180.0; }
} // namespace

TEST(MathlibTest, StrToRealReportsTheRefusedCharacter)
{
    testsupport::ScriptedPrompter prompter;
    EXPECT_DOUBLE_EQ(StrToReal("  -12.5E1", &prompter), -125.0);
    EXPECT_DOUBLE_EQ(StrToReal("+.5", &prompter), 0.5);
    EXPECT_TRUE(prompter.shown.empty());

    EXPECT_EQ(StrToReal("12,5", &prompter), 0.0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Integer/Real String Conversion Error\nS = [12,5]\nEr = 3");
    EXPECT_EQ(prompter.shown[0].kind, platform::MessageKind::Warning);

    EXPECT_EQ(ConvertReal("1E+").errorIndex, 4);
    EXPECT_EQ(ConvertReal("").errorIndex, 1);
    EXPECT_EQ(ConvertReal("5 ").errorIndex, 2);
    EXPECT_TRUE(ConvertReal("1E999").overflow);
    EXPECT_EQ(StrToReal("abc"), 0.0); // no prompter: quiet
}

TEST(MathlibTest, ShortTexts)
{
    EXPECT_EQ(RealToShortStr(false, 12.5), "12.50000");
    EXPECT_EQ(RealToShortStr(true, 12.5), "12.5");
    EXPECT_EQ(RealToShortStr(true, 3.0), "3.");
    EXPECT_EQ(RealToShortStr(false, -0.000001), "0.00000");
    EXPECT_EQ(IntToShortStr(-42), "-42");

    std::string text = "g01 x1.5\ty-2 ä";
    UpperCaseInPlace(text);
    EXPECT_EQ(text, "G01 X1.5\tY-2 ä");
    StripBlanks(text);
    EXPECT_EQ(text, "G01X1.5Y-2ä");

    std::tm moment{};
    moment.tm_year = 2013 - 1900;
    moment.tm_mon = 2;
    moment.tm_mday = 4;
    moment.tm_hour = 7;
    moment.tm_min = 5;
    moment.tm_sec = 9;
    moment.tm_isdst = -1;
    EXPECT_EQ(DateTimeStamp(std::chrono::system_clock::from_time_t(std::mktime(&moment))),
              "07:05:09  03/04/13");
}

TEST(MathlibTest, FlaggedRoutinesRaiseTheirFlags)
{
    EvalFlags flags;
    EXPECT_EQ(ArcSine(1.5, flags), 0.0);
    EXPECT_TRUE(flags.complex);
    flags.clear();
    EXPECT_DOUBLE_EQ(ArcSine(-1.0, flags), -HalfPi);
    EXPECT_DOUBLE_EQ(ArcCosine(-0.5, flags), 2 * Pi / 3);
    EXPECT_DOUBLE_EQ(ArcCosine(1.0 + 1e-15, flags), 0.0); // rounding noise
    EXPECT_DOUBLE_EQ(ArcCosine(-1.0 - 1e-15, flags), Pi);
    EXPECT_FALSE(flags.failed());
    ArcCosine(1.001, flags);
    EXPECT_TRUE(flags.complex);

    flags.clear();
    EXPECT_EQ(HypSine(86, flags), 0.0);
    EXPECT_TRUE(flags.tooLarge);
    flags.clear();
    EXPECT_EQ(HypCosecant(0, flags), 0.0);
    EXPECT_TRUE(flags.divZero);
    flags.clear();
    EXPECT_DOUBLE_EQ(HypTangent(1, flags), std::tanh(1.0));
    EXPECT_DOUBLE_EQ(Cotangent(1, flags), 1 / std::tan(1.0));
    EXPECT_FALSE(flags.failed());

    EXPECT_EQ(Factorial(0), 1.0);
    EXPECT_EQ(Factorial(32), 263130836933693530167218012160000000.0);
    for (const double bad : {-1.0, 2.5, 32768.0}) {
        flags.clear();
        Factorial(bad, flags);
        EXPECT_FALSE(flags.defined) << bad;
    }
    flags.clear();
    Factorial(33, flags);
    EXPECT_TRUE(flags.tooLarge);

    // Two evaluations' flags never meet.
    EvalFlags first;
    EvalFlags second;
    Tangent(0, first);
    Cosecant(0, second);
    EXPECT_FALSE(first.failed());
    EXPECT_TRUE(second.divZero);
}

TEST(MathlibTest, OverflowChecks)
{
    EXPECT_TRUE(OverflowsOperation('+', 9e36, 2e36));
    EXPECT_FALSE(OverflowsOperation('+', 9e36, -2e36));
    EXPECT_TRUE(OverflowsOperation('-', -9e36, 2e36));
    EXPECT_TRUE(OverflowsOperation('*', 1e20, 1e20));
    EXPECT_FALSE(OverflowsOperation('*', 0.5, 1e38));
    EXPECT_TRUE(OverflowsOperation('/', 1e20, 1e-20));
    EXPECT_TRUE(OverflowsOperation('/', 1, 0));
    EXPECT_TRUE(OverflowsOperation('%', 1, 1));
}

TEST(MathlibTest, AnglesDistancesAndRotation)
{
    EXPECT_EQ(VectorAngle(0, 0), NoAngle);
    EXPECT_DOUBLE_EQ(VectorAngle(-1, -1), 5 * Pi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle(1, -1), 7 * Pi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle(0, 2), HalfPi);
    EXPECT_DOUBLE_EQ(VectorAngle(0, -2), ThreeHalfPi);
    EXPECT_DOUBLE_EQ(VectorAngle(-3, 0), Pi);
    EXPECT_DOUBLE_EQ(VectorAngle(3, 0.00001), 0.0);

    EXPECT_DOUBLE_EQ(Distance2D(0, 0, 3, 4), 5.0);
    EXPECT_EQ(Distance2D(0, 0, 0.0009, 0), 0.0);

    double x = 2, y = 1;
    RotatePoint(x, y, 1, 1, HalfPi);
    EXPECT_NEAR(x, 1, 1e-15);
    EXPECT_NEAR(y, 2, 1e-15);

    EXPECT_DOUBLE_EQ(PointLineDistance(0, -1, 0, 0, 1, 0), 1.0); // right of A->B
    EXPECT_DOUBLE_EQ(PointLineDistance(0, 1, 0, 0, 1, 0), -1.0);
    EXPECT_DOUBLE_EQ(PointLineDistance(3, 4, 0, 0, 0.00001, 0), 5.0);

    const TurnAngle ccw = ThreePointAngle(1, 0, 0, 0, 0, 1);
    EXPECT_EQ(ccw.turn, -1);
    EXPECT_DOUBLE_EQ(ccw.angle, HalfPi);
    EXPECT_EQ(ThreePointAngle(0, 0, 1, 0, 1, 1).turn, 1);
    const TurnAngle line = ThreePointAngle(0, 0, 1, 0, 2, 0);
    EXPECT_EQ(line.turn, 0);
    EXPECT_EQ(line.angle, 0.0);
    // Nearly straight: the cosine rounds past -1 and is held there.
    const TurnAngle straight = ThreePointAngle(0, 0, 1e6, 1e-4, 2e6, 0);
    EXPECT_NEAR(straight.angle, Pi, 1e-9);
    EXPECT_FALSE(std::isnan(straight.angle));

    EXPECT_EQ(AngleQuadrant(0), 1);
    EXPECT_EQ(AngleQuadrant(HalfPi), 2);
    EXPECT_EQ(AngleQuadrant(Pi), 3);
    EXPECT_EQ(AngleQuadrant(ThreeHalfPi), 4);
    EXPECT_EQ(AngleQuadrant(TwoPi), 1);
    EXPECT_EQ(AngleQuadrant(-0.1), 0);
    EXPECT_EQ(AngleQuadrant(3 * Pi), 3);
}

TEST(MathlibTest, Intersections)
{
    struct CircleCase {
        double y;
        int status;
        bool tangent;
        double x1, y1, x2, y2;
    };
    for (const CircleCase& c : {CircleCase{0, 0, false, 1, 0, -1, 0}, CircleCase{1, 0, true, 0, 1, 0, 1},
                                CircleCase{2, 3, false, 0, 0, 0, 0}}) {
        const Intersection i = LineCircleIntersect(-5, c.y, 5, c.y, 0, 0, 1);
        EXPECT_EQ(i.status, c.status) << c.y;
        EXPECT_EQ(i.tangent, c.tangent) << c.y;
        EXPECT_NEAR(i.x1, c.x1, 1e-12);
        EXPECT_NEAR(i.y1, c.y1, 1e-12);
        EXPECT_NEAR(i.x2, c.x2, 1e-12);
        EXPECT_NEAR(i.y2, c.y2, 1e-12);
    }
    const Intersection vertical = LineCircleIntersect(0.5, -3, 0.5, 3, 0, 0, 1);
    EXPECT_EQ(vertical.status, 0);
    EXPECT_NEAR(vertical.y1, std::sqrt(0.75), 1e-12);
    EXPECT_NEAR(vertical.y2, -std::sqrt(0.75), 1e-12);
    const Intersection diagonal = LineCircleIntersect(0, 0, 1, 1, 0, 0, std::sqrt(2.0));
    EXPECT_NEAR(diagonal.x1, 1, 1e-12);
    EXPECT_NEAR(diagonal.y1, 1, 1e-12);
    EXPECT_NEAR(diagonal.x2, -1, 1e-12);
    EXPECT_EQ(LineCircleIntersect(0, 0, 1, 1, 0, 0, 0).status, 1);
    EXPECT_EQ(LineCircleIntersect(1, 1, 1, 1, 0, 0, 1).status, 2);

    const Intersection cross = LineLineIntersect(0, 0, 1, 1, 0, 2, 1, 1);
    EXPECT_EQ(cross.status, 0);
    EXPECT_DOUBLE_EQ(cross.x1, 1.0);
    EXPECT_DOUBLE_EQ(cross.y1, 1.0);
    const Intersection beyond = LineLineIntersect(0, 0, 1, 0, 5, -1, 5, 1);
    EXPECT_DOUBLE_EQ(beyond.x1, 5.0);
    EXPECT_EQ(LineLineIntersect(0, 0, 1, 0, 0, 1, 1, 1).status, 4);
    EXPECT_EQ(LineLineIntersect(0, 0, 0, 0, 0, 1, 1, 1).status, 1);
    EXPECT_EQ(LineLineIntersect(0, 0, 0, 0, 0, 1, 1, 1).x1, 0.0);
}

TEST(MathlibTest, ArcExtents)
{
    struct Case {
        double start, end;
        double xmin, ymin, xmax, ymax;
    };
    const double s300 = std::sin(degrees(300));
    const double s200 = std::sin(degrees(200));
    const Case cases[] = {
        {degrees(300), degrees(200), -1, std::min(s300, s200), 1, 1},
        {degrees(10), degrees(80), std::cos(degrees(80)), std::sin(degrees(10)), std::cos(degrees(10)),
         std::sin(degrees(80))},
        {degrees(80), degrees(10), -1, -1, 1, 1},                            // the long way round
        {degrees(45), degrees(135), std::cos(degrees(135)), std::sin(degrees(45)), std::cos(degrees(45)), 1},
        {0, TwoPi, -1, -1, 1, 1},                                            // full circle
        {degrees(-90), degrees(90), 0, -1, 1, 1},                            // negative start
        {degrees(350) + TwoPi, degrees(10), std::cos(degrees(10)), std::sin(degrees(-10)), 1,
         std::sin(degrees(10))},
    };
    for (const Case& c : cases) {
        const Extents e = ArcExtents(0, 0, 1, c.start, c.end);
        EXPECT_NEAR(e.xmin, c.xmin, 1e-12) << c.start << " " << c.end;
        EXPECT_NEAR(e.ymin, c.ymin, 1e-12) << c.start << " " << c.end;
        EXPECT_NEAR(e.xmax, c.xmax, 1e-12) << c.start << " " << c.end;
        EXPECT_NEAR(e.ymax, c.ymax, 1e-12) << c.start << " " << c.end;
    }
    const Extents moved = ArcExtents(10, 20, 2, 0, Pi);
    EXPECT_NEAR(moved.xmin, 8, 1e-12);
    EXPECT_NEAR(moved.xmax, 12, 1e-12);
    EXPECT_NEAR(moved.ymin, 20, 1e-12);
    EXPECT_NEAR(moved.ymax, 22, 1e-12);
}
