#include "analyzer/engine/tool_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using vork::EntityArc;
using vork::EntityLine;
using vork::TEntityRecord;
using vork::TToolImage;

namespace {

constexpr double Deg = vork::Pi / 180;

std::array<double, 2> arcPoint(const TEntityRecord& e, double angle)
{
    return {e.val1 + e.val6 * std::cos(angle), e.val2 + e.val6 * std::sin(angle)};
}

bool allFinite(const TToolImage& image)
{
    for (const auto& e : image.elements())
        for (double v : {e.val1, e.val2, e.val3, e.val4, e.val5, e.val6})
            if (!std::isfinite(v))
                return false;
    return true;
}

TEST(ToolImage, EndMillIsEightSideLinesAndTwoCirclesTurnedTenDegrees)
{
    TToolImage image;
    image.BuildMillToolImage(false, 1, 0, 2, 0);
    const auto& e = image.elements();
    ASSERT_EQ(e.size(), 10u);
    EXPECT_EQ(image.ElementCount(), 11);
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(e[n].kind, EntityLine);
        EXPECT_NEAR(e[n].val1, 0.5 * std::cos((45 * n + 10) * Deg), 1e-12);
        EXPECT_NEAR(e[n].val2, 0.5 * std::sin((45 * n + 10) * Deg), 1e-12);
        EXPECT_EQ(e[n].val3, 0);
        EXPECT_EQ(e[n].val6, 2);
    }
    for (int n : {8, 9}) {
        EXPECT_EQ(e[n].kind, EntityArc);
        EXPECT_TRUE(vork::IsFullCircle(e[n]));
        EXPECT_EQ(e[n].val6, 0.5);
    }
    EXPECT_EQ(e[8].val3, 2);
    EXPECT_EQ(e[9].val3, 0);
}

TEST(ToolImage, BullNoseHasATipCircleAndTenCornerChordsInFourPlanes)
{
    TToolImage image;
    image.BuildMillToolImage(false, 1, 0.25, 2, 0);
    const auto& e = image.elements();
    ASSERT_EQ(e.size(), 8u + 2 + 1 + 40);
    EXPECT_EQ(e[10].val6, 0.25); // the flat bottom inside the corners
    EXPECT_EQ(e[10].val3, 0);
    // The first chord of the +x plane runs from the side (0.5, 0.25) up 10 degrees.
    const TEntityRecord& chord = e[11];
    EXPECT_NEAR(std::hypot(chord.val1, chord.val2), 0.5, 1e-12);
    EXPECT_NEAR(chord.val3, 0.25, 1e-12);
    EXPECT_NEAR(chord.val6, 0.25 + 0.25 * std::sin(10 * Deg), 1e-12);
    // The last chord set starts at the bottom of the corner, where it meets the tip.
    EXPECT_NEAR(e.back().val3, 0, 1e-12);
    EXPECT_NEAR(std::hypot(e.back().val1, e.back().val2), 0.25, 1e-12);
}

TEST(ToolImage, DrillConeFollowsThePointAngle)
{
    const struct {
        double angle, length;
        double cone;
    } cases[] = {
        {0, 2, 0.5 / std::tan(59 * Deg)}, // 118 degrees when none is given: 0.3004
        {90, 2, 0.5},
        {90, 3, 0.5},  // the length moves the top, not the cone
        {180, 2, 0},   // flat
        {200, 2, 0},   // no negative cone
        {-30, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        TToolImage image;
        image.BuildMillToolImage(true, 1, 0, c.length, c.angle);
        ASSERT_EQ(image.elements().size(), 18u);
        EXPECT_NEAR(image.elements()[0].val3, c.cone, 1e-12); // the circle where the cone starts
        EXPECT_NEAR(image.elements()[1].val3, c.length, 1e-12); // the circle at the top
        const TEntityRecord& toTip = image.elements()[3];
        EXPECT_NEAR(toTip.val3, c.cone, 1e-12);
        EXPECT_EQ(toTip.val4, 0);
        EXPECT_EQ(toTip.val6, 0);
        EXPECT_TRUE(allFinite(image));
    }
    EXPECT_NEAR(0.5 / std::tan(59 * Deg), 0.3004, 5e-5);
}

TEST(ToolImage, HoldsAtMostTwoHundredElements)
{
    TToolImage image;
    for (int n = 0; n < 201; ++n)
        image.AddToolElement(EntityLine, n, 0, 0, 0, 0, 0);
    ASSERT_EQ(image.elements().size(), 200u);
    EXPECT_EQ(image.elements().back().val1, 199);
    image.ResetToolImage();
    EXPECT_EQ(image.ElementCount(), 1);
}

TEST(ToolImage, ExtentsArePaddedOutwardWhateverTheSign)
{
    TToolImage image;
    const vork::Extents empty = image.ToolImageExtents();
    EXPECT_EQ(empty.xmin, -1);
    EXPECT_EQ(empty.ymin, -1);
    EXPECT_EQ(empty.xmax, 5);
    EXPECT_EQ(empty.ymax, 5);

    image.AddToolElement(EntityLine, -2, -3, 0, -1, -0.5, 0);
    image.AddToolElement(vork::EntityPoint, 9, 9, 0, 0, 0, 0); // points do not count
    vork::Extents box = image.ToolImageExtents();
    EXPECT_NEAR(box.xmin, -2.2, 1e-12);
    EXPECT_NEAR(box.ymin, -3.3, 1e-12);
    EXPECT_NEAR(box.xmax, -0.9, 1e-12);
    EXPECT_NEAR(box.ymax, -0.45, 1e-12);

    image.ResetToolImage();
    image.AddToolElement(EntityLine, 0, 0, 0, 2, 1, 0);
    image.AddToolElement(EntityArc, 2, 1, 0, 1, 0, vork::HalfPi); // reaches (3, 2)
    box = image.ToolImageExtents();
    EXPECT_NEAR(box.xmin, -0.1, 1e-12);
    EXPECT_NEAR(box.ymin, -0.1, 1e-12);
    EXPECT_NEAR(box.xmax, 3.3, 1e-12);
    EXPECT_NEAR(box.ymax, 2.2, 1e-12);

    image.ResetToolImage();
    image.BuildMillToolImage(false, 1, 0, 2, 0); // full circles reach all round
    box = image.ToolImageExtents();
    EXPECT_NEAR(box.xmin, -0.55, 1e-12);
    EXPECT_NEAR(box.ymax, 0.55, 1e-12);
}

TEST(ToolImage, TypeNames)
{
    const std::pair<int, const char*> cases[] = {{0, "End Mill"}, {1, "Drill"},  {2, "Diamond"},
                                                 {7, "Groove"},   {8, "Lathe Drill"}, {9, ""}, {-1, ""}};
    for (const auto& [type, name] : cases)
        EXPECT_EQ(vork::ToolTypeName(type), name) << type;
}

// P1..P7: included angle, relief angle, insert extension, nose radius, holder length,
// holder width, inscribed circle.
const std::array<double, 7> SquareInsert{90, 0, 0.5, 0.1, 2, 0.75, 0.5};

TEST(ToolImage, SquareInsertOutline)
{
    TToolImage image;
    image.BuildLatheToolImage(vork::LatheSquare, vork::OdTurning, SquareInsert);
    const auto& e = image.elements();
    ASSERT_EQ(e.size(), 8u);
    EXPECT_EQ(e[0].kind, EntityArc);
    EXPECT_EQ(e[0].val1, 0.1);
    EXPECT_EQ(e[0].val2, 0.1);
    EXPECT_NEAR(e[0].val4, vork::Pi, 1e-12);
    EXPECT_NEAR(e[0].val5, 1.5 * vork::Pi, 1e-12);
    const std::array<std::array<double, 4>, 6> lines{{{0.1, 0, 0.75, 0},
                                                      {0.75, 0, 0.75, 2},
                                                      {0.75, 2, 0.5, 2},
                                                      {0, 0.1, 0, 0.75},
                                                      {0, 0.75, 0.5, 0.75},
                                                      {0.5, 0.75, 0.5, 2}}};
    for (std::size_t n = 0; n < lines.size(); ++n) {
        SCOPED_TRACE(n);
        const TEntityRecord& l = e[n + 1];
        EXPECT_EQ(l.kind, EntityLine);
        EXPECT_NEAR(l.val1, lines[n][0], 1e-12);
        EXPECT_NEAR(l.val2, lines[n][1], 1e-12);
        EXPECT_NEAR(l.val4, lines[n][2], 1e-12);
        EXPECT_NEAR(l.val5, lines[n][3], 1e-12);
    }
    // The inscribed circle touches both flanks.
    EXPECT_TRUE(vork::IsFullCircle(e[7]));
    EXPECT_NEAR(e[7].val1, 0.25, 1e-12);
    EXPECT_NEAR(e[7].val2, 0.25, 1e-12);
    EXPECT_NEAR(e[7].val6, 0.25, 1e-12);
}

// Every orientation of an insert is its OD turning picture turned and mirrored: arcs
// keep their end points (a mirrored arc runs the other way round).
TEST(ToolImage, InsertOrientationsTurnAndMirrorTheOdPicture)
{
    using Map = std::function<std::array<double, 2>(std::array<double, 2>)>;
    const Map turn = [](std::array<double, 2> p) { return std::array<double, 2>{p[1], -p[0]}; };
    const Map mirror = [](std::array<double, 2> p) { return std::array<double, 2>{-p[0], p[1]}; };
    const struct {
        int orientation;
        Map map;
        bool reversed;
    } orientations[] = {
        {vork::IdBoring, turn, false},
        {vork::OdBackTurn, mirror, true},
        {vork::IdBackTurn, [&](auto p) { return mirror(turn(p)); }, true},
        {vork::Facing, [&](auto p) { return turn(mirror(p)); }, true},
        {9, [](auto p) { return p; }, false}, // outside 0..5: drawn as OD turning
    };
    const std::array<double, 7> inserts[] = {{80, 5, 0.5, 0.03, 2, 0.75, 0.5},
                                             SquareInsert,
                                             {60, 3, 0.4, 0.015, 2, 0.75, 0.375},
                                             {0, 5, 0.3, 0.125, 2, 0.75, 0.25}};
    for (int shape = 0; shape < 4; ++shape) {
        TToolImage od;
        od.BuildLatheToolImage(shape, vork::OdTurning, inserts[shape]);
        for (const auto& o : orientations) {
            SCOPED_TRACE(::testing::Message() << "shape " << shape << " orientation " << o.orientation);
            TToolImage image;
            image.BuildLatheToolImage(shape, o.orientation, inserts[shape]);
            ASSERT_EQ(image.elements().size(), od.elements().size());
            for (std::size_t n = 0; n < od.elements().size(); ++n) {
                const TEntityRecord& was = od.elements()[n];
                const TEntityRecord& is = image.elements()[n];
                ASSERT_EQ(is.kind, was.kind);
                const auto centre = o.map({was.val1, was.val2});
                EXPECT_NEAR(is.val1, centre[0], 1e-9);
                EXPECT_NEAR(is.val2, centre[1], 1e-9);
                if (was.kind == EntityLine) {
                    const auto end = o.map({was.val4, was.val5});
                    EXPECT_NEAR(is.val4, end[0], 1e-9);
                    EXPECT_NEAR(is.val5, end[1], 1e-9);
                } else if (!vork::IsFullCircle(was)) {
                    auto start = o.map(arcPoint(was, was.val4)), end = o.map(arcPoint(was, was.val5));
                    if (o.reversed)
                        std::swap(start, end);
                    EXPECT_NEAR(arcPoint(is, is.val4)[0], start[0], 1e-9);
                    EXPECT_NEAR(arcPoint(is, is.val4)[1], start[1], 1e-9);
                    EXPECT_NEAR(arcPoint(is, is.val5)[0], end[0], 1e-9);
                    EXPECT_NEAR(arcPoint(is, is.val5)[1], end[1], 1e-9);
                    EXPECT_GE(is.val4, 0);
                    EXPECT_GE(is.val5, 0);
                }
            }
        }
    }
}

// Threading and grooving inserts are drawn upright for OD work and hanging below the
// reference point for ID work.
TEST(ToolImage, ThreadingAndGroovingInsertsPerOrientation)
{
    // P1 width, P2 tip angle, P3 extension, P4 inset or corner radius, P5 holder length,
    // P6 holder width.
    const std::array<double, 7> thread{0.25, 60, 0.4, 0.125, 2, 0.75, 0};
    const std::array<double, 7> groove{0.25, 0, 0.4, 0.05, 2, 0.75, 0};
    const double h = 0.125 / std::tan(30 * Deg);
    const struct {
        int shape, orientation;
        std::size_t count;
        std::array<double, 4> firstLine;
    } cases[] = {
        {vork::LatheThreading, vork::OdTurning, 7, {0, h, 0, 2}},
        {vork::LatheThreading, vork::OdBackTurn, 7, {0, h, 0, 2}},
        {vork::LatheThreading, vork::Facing, 7, {h, 0, 2, 0}},
        {vork::LatheThreading, vork::IdBoring, 7, {0, -0.75, 0, -h}},
        {vork::LatheThreading, vork::IdBackTurn, 7, {0, -0.75, 0, -h}},
        {vork::LatheGrooving, vork::OdTurning, 8, {0, 0.05, 0, 2}},
        {vork::LatheGrooving, vork::IdBoring, 8, {0, -0.75, 0, -0.05}},
        {vork::LatheGrooving, vork::IdBackTurn, 8, {0, -0.75, 0, -0.05}},
        {vork::LatheGrooving, vork::Facing, 8, {0.05, 0, 2, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " orientation " << c.orientation);
        TToolImage image;
        image.BuildLatheToolImage(c.shape, c.orientation, c.shape == vork::LatheThreading ? thread : groove);
        ASSERT_EQ(image.elements().size(), c.count);
        const TEntityRecord& l = image.elements()[0];
        EXPECT_NEAR(std::abs(l.val1), c.firstLine[0], 1e-9);
        EXPECT_NEAR(l.val2, c.firstLine[1], 1e-9);
        EXPECT_NEAR(std::abs(l.val4), c.firstLine[2], 1e-9);
        EXPECT_NEAR(l.val5, c.firstLine[3], 1e-9);
    }
    // Back turning draws the tool on the other side of the reference point.
    TToolImage od, back;
    od.BuildLatheToolImage(vork::LatheThreading, vork::OdTurning, thread);
    back.BuildLatheToolImage(vork::LatheThreading, vork::OdBackTurn, thread);
    EXPECT_NEAR(back.elements()[1].val4, -od.elements()[1].val4, 1e-12);
    EXPECT_LT(back.elements()[1].val4, 0);
}

TEST(ToolImage, GroovingInsertAsWideAsBothCornersHasNoBottomLine)
{
    const auto lines = [](double width) {
        TToolImage image;
        image.BuildLatheToolImage(vork::LatheGrooving, vork::OdTurning, {width, 0, 0.4, 0.125, 2, 0.75, 0});
        int n = 0;
        for (const auto& e : image.elements())
            n += e.kind == EntityLine && e.val2 == 0 && e.val5 == 0;
        return n;
    };
    EXPECT_EQ(lines(0.25), 0);
    EXPECT_EQ(lines(0.3), 1);
}

TEST(ToolImage, LatheDrillKeepsItsOrientationAndBreakSymbol)
{
    TToolImage a, b;
    a.BuildLatheToolImage(vork::LatheDrill, vork::OdTurning, {0, 0, 0, 0.5, 3, 0, 0});
    b.BuildLatheToolImage(vork::LatheDrill, vork::Facing, {0, 0, 0, 0.5, 3, 0, 0});
    ASSERT_EQ(a.elements().size(), 8u);
    EXPECT_NEAR(a.elements()[0].val4, 0.25 / std::tan(59 * Deg), 1e-12);
    EXPECT_EQ(a.elements()[7].val1, 3);
    EXPECT_EQ(a.elements()[7].val2, -0.125);
    for (std::size_t n = 0; n < 8; ++n)
        EXPECT_EQ(a.elements()[n].val1, b.elements()[n].val1);
    TToolImage none;
    none.BuildLatheToolImage(7, vork::OdTurning, SquareInsert);
    EXPECT_TRUE(none.elements().empty());
}

// Flanks that cannot meet their holder lines leave those lines out rather than using a
// point that was never found.
TEST(ToolImage, InsertWhoseFlankRunsParallelToTheHolderDrawsNoStrayPoint)
{
    TToolImage image;
    image.BuildLatheToolImage(vork::LatheDiamond, vork::OdTurning, {30, 30, 0.5, 0.03, 2, 0.75, 0.5});
    EXPECT_TRUE(allFinite(image));
    // The nose arc and the second flank; the first flank and the circle are left out.
    EXPECT_EQ(image.elements().size(), 1u + 3);
}

} // namespace
