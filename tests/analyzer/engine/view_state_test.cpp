#include "analyzer/engine/view_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using vork::EyePoint;
using vork::ViewState;

double distance(const EyePoint& e) { return std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z); }

void expectEye(const EyePoint& e, double x, double y, double z)
{
    EXPECT_NEAR(e.x, x, 1e-9);
    EXPECT_NEAR(e.y, y, 1e-9);
    EXPECT_NEAR(e.z, z, 1e-9);
}

TEST(ViewState, StartsAsTheXYViewOfTheDefaultWindow)
{
    const ViewState v;
    EXPECT_EQ(v.current, (vork::ViewExtents{-10, -7, 10, 7}));
    EXPECT_EQ(v.previous, (vork::ViewExtents{0, 0, 0, 0}));
    EXPECT_EQ(v.eye, (EyePoint{-50, -50, 50}));
    EXPECT_FALSE(v.threeD);
    EXPECT_FALSE(v.latheView);
}

TEST(ViewState, PanMovesByTheBarsMovementSinceTheLastPan)
{
    ViewState v;
    v.pan(20, 0, v.current); // 20 percent of the width of 20
    EXPECT_DOUBLE_EQ(v.current.xmin, -6);
    EXPECT_DOUBLE_EQ(v.current.xmax, 14);
    v.pan(25, 0, v.current); // then 5 percent more
    EXPECT_DOUBLE_EQ(v.current.xmin, -5);
    v.pan(25, 10, v.current); // the bar down moves the window down
    EXPECT_DOUBLE_EQ(v.current.ymin, -7 - 1.4);
    EXPECT_DOUBLE_EQ(v.current.ymax, 7 - 1.4);

    v.zoomTo(0, 0, 10, 10); // a zoom puts the bars back: the next pan counts from 0
    v.pan(10, 0, v.current);
    EXPECT_DOUBLE_EQ(v.current.xmin, 1);
    v.swapPrevious();
    v.pan(10, 0, v.current);
    EXPECT_EQ(v.scrollOffX, 10);

    // A tall zoom window shown in a wide area: the steps are those of the width shown.
    v.zoomTo(0, 0, 2, 10);
    v.pan(5, 5, {-4, 0, 6, 10});
    EXPECT_DOUBLE_EQ(v.current.xmin, 0.5);
    EXPECT_DOUBLE_EQ(v.current.xmax, 2.5);
    EXPECT_DOUBLE_EQ(v.current.ymin, -0.5);
}

TEST(ViewState, ZoomWindowInAnyCornerOrderAndPreviousSwaps)
{
    ViewState v;
    v.armZoom();
    EXPECT_TRUE(v.zoomArmed);
    v.zoomTo(5, -1, 1, -4); // dragged up and to the left
    EXPECT_EQ(v.current, (vork::ViewExtents{1, -4, 5, -1}));
    EXPECT_EQ(v.previous, (vork::ViewExtents{-10, -7, 10, 7}));
    v.swapPrevious();
    EXPECT_EQ(v.current, (vork::ViewExtents{-10, -7, 10, 7}));
    v.swapPrevious(); // twice returns to the zoomed window
    EXPECT_EQ(v.current, (vork::ViewExtents{1, -4, 5, -1}));

    ViewState first;
    first.swapPrevious(); // Previous before any zoom: the all-zero window
    EXPECT_EQ(first.current, (vork::ViewExtents{0, 0, 0, 0}));
}

TEST(ViewState, ViewComboChangesOnlyTheProjection)
{
    ViewState v;
    v.zoomTo(1, 2, 3, 4);
    const struct {
        int index;
        bool threeD, lathe;
        EyePoint eye;
    } cases[] = {{vork::ViewXZ, true, false, {50, 0, 0}},
                 {vork::ViewYZ, true, false, {0, -50, 0}},
                 {vork::View3D, true, false, {-50, -50, 50}},
                 {vork::ViewLathe, false, true, {-50, -50, 50}},
                 {vork::ViewXY, false, false, {-50, -50, 50}}};
    for (const auto& c : cases) {
        v.selectView(c.index);
        EXPECT_EQ(v.threeD, c.threeD) << c.index;
        EXPECT_EQ(v.latheView, c.lathe) << c.index;
        EXPECT_EQ(v.eye, c.eye) << c.index;
        EXPECT_EQ(v.current, (vork::ViewExtents{1, 2, 3, 4})) << c.index;
    }
}

TEST(CursorReadout, LatheViewShowsMachineAxes)
{
    const auto mill = vork::CursorReadoutFor(1.5, -2.25, false);
    EXPECT_EQ(mill.upper, "X1.5000");
    EXPECT_EQ(mill.lower, "Y-2.2500");
    const auto lathe = vork::CursorReadoutFor(1.5, -2.25, true);
    EXPECT_EQ(lathe.upper, "X-2.2500");
    EXPECT_EQ(lathe.lower, "Z1.5000");
}

TEST(EyeDrag, OnlyADiagonalMoveTurnsOneStepEachWay)
{
    EyePoint eye;
    int lastX = 100, lastY = 100;
    EXPECT_FALSE(vork::TurnEyeByDrag(eye, 140, 100, lastX, lastY)); // across only
    EXPECT_EQ(eye, EyePoint{});
    EXPECT_EQ(lastX, 100);

    EyePoint far = eye;
    int farX = 100, farY = 100;
    ASSERT_TRUE(vork::TurnEyeByDrag(eye, 101, 99, lastX, lastY));
    ASSERT_TRUE(vork::TurnEyeByDrag(far, 180, 20, farX, farY)); // any length: the same single step
    EXPECT_EQ(eye, far);
    EXPECT_NE(eye, EyePoint{});
    EXPECT_NEAR(distance(eye), distance(EyePoint{}), 1e-9);
    EXPECT_EQ(lastX, 101);
    EXPECT_EQ(lastY, 99);
}

TEST(EyeSetup, PresetsAndMirrorImages)
{
    EyePoint right, left, front, back, top;
    ASSERT_TRUE(vork::PresetEye("Right Side", right));
    ASSERT_TRUE(vork::PresetEye("Left Side", left));
    ASSERT_TRUE(vork::PresetEye("Front", front));
    ASSERT_TRUE(vork::PresetEye("Back", back));
    ASSERT_TRUE(vork::PresetEye("Top", top));
    expectEye(right, -50, 0, 0);
    expectEye(left, 50, 0, 0);
    expectEye(front, 0, 50, 0);
    expectEye(back, 0, -50, 0);
    expectEye(top, 0, 0, 50); // straight down the Z axis
    EyePoint iso;
    ASSERT_TRUE(vork::PresetEye("Isometric", iso));
    expectEye(iso, -50, -50, 50);
    EXPECT_FALSE(vork::PresetEye("Sideways", iso));
}

TEST(EyeSetup, DistanceArrowsAndSpinner)
{
    EyePoint eye;
    ASSERT_TRUE(vork::ScaleEyeDistance(eye, 1.1));
    ASSERT_TRUE(vork::ScaleEyeDistance(eye, 1.1));
    EXPECT_NEAR(distance(eye), 104.79, 0.005);
    ASSERT_TRUE(vork::ScaleEyeDistance(eye, 0.9));
    EXPECT_NEAR(distance(eye), 94.31, 0.005);
    EXPECT_NEAR(eye.x, eye.y, 1e-9); // the direction stays

    EyePoint spun;
    ASSERT_TRUE(vork::SpinEye(spun, vork::SpinDirection::Right));
    vork::PolarEye before, after;
    vork::PolarFromEye(EyePoint{}, before);
    vork::PolarFromEye(spun, after);
    EXPECT_NEAR(after.azimuth - before.azimuth, 5 * M_PI / 180, 1e-9);
    EXPECT_NEAR(after.elevation, before.elevation, 1e-9);
    ASSERT_TRUE(vork::SpinEye(spun, vork::SpinDirection::Up));
    vork::PolarFromEye(spun, after);
    EXPECT_NEAR(after.elevation - before.elevation, 5 * M_PI / 180, 1e-9);
    ASSERT_TRUE(vork::SpinEye(spun, vork::SpinDirection::Centre));
    EXPECT_NEAR(spun.x, -50, 0.05);
    EXPECT_NEAR(spun.y, -50, 0.05);
    EXPECT_NEAR(spun.z, 50, 0.05);
}

TEST(EyeSetup, AnEyeAtTheOriginIsRefused)
{
    EyePoint origin{0, 0, 0};
    vork::PolarEye polar;
    EXPECT_FALSE(vork::PolarFromEye(origin, polar));
    EXPECT_FALSE(vork::SpinEye(origin, vork::SpinDirection::Up));
    EXPECT_FALSE(vork::ScaleEyeDistance(origin, 1.1));
    EXPECT_EQ(origin, (EyePoint{0, 0, 0}));
    int lastX = 0, lastY = 0;
    EXPECT_FALSE(vork::TurnEyeByDrag(origin, 5, 5, lastX, lastY));
}

TEST(EyeSetup, DistanceLabel)
{
    EXPECT_EQ(vork::EyeDistanceText(EyePoint{0, 0, 50}), "d: 50.");
    EXPECT_EQ(vork::EyeDistanceText(EyePoint{}), "d: 86.60254");
}

} // namespace
