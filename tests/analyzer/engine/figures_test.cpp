#include "analyzer/engine/figures.h"

#include "math/engine/mathlib.h"
#include "drawing_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace vork;
using drawingtest::Window;

namespace {

double pixelLength(const RecordingCanvas::Line& line)
{
    return std::hypot(line.to.x - line.from.x, line.to.y - line.from.y);
}

} // namespace

TEST(FiguresTest, FullCircleIsThirtyTwoChords)
{
    EXPECT_NEAR(ArcChordStep(1, 1) * 180 / Pi, 11.46, 0.01);
    Window w(-2, -1.5, 2, 1.5); // Getscale 1: 100 pixels a unit
    ASSERT_DOUBLE_EQ(w.win.Getscale(), 1.0);
    w.win.DrawArc(w.canvas, 0, 0, 1, 0, 0, 0, 0, true);
    ASSERT_EQ(w.canvas.lines.size(), 32u);
    // Every chord is 11.25 degrees: 2 sin(5.625 deg) * 75 pixels per unit.
    for (const auto& line : w.canvas.lines)
        EXPECT_NEAR(pixelLength(line), 2 * std::sin(5.625 * Pi / 180) * 100, 1.5);
    EXPECT_NEAR(w.win.xpos, 1, 1e-12);
    EXPECT_NEAR(w.win.ypos, 0, 1e-12);
}

TEST(FiguresTest, AnAbsurdSweepIsDrawnInBoundedSteps)
{
    // An angle far past any turn (from a damaged tool size): the count of chords stays
    // within its bound instead of running past the range of its type.
    Window w(-2, -1.5, 2, 1.5);
    w.win.DrawArc(w.canvas, 0, 0, 1, 0, 1e25, 0, 0, true);
    EXPECT_GT(w.canvas.lines.size(), 32u);
    EXPECT_LE(w.canvas.lines.size(), 3601u);
}

TEST(FiguresTest, ArcsQuarterHelixAndTinyArcs)
{
    Window w(-2, -1.5, 2, 1.5);
    w.win.DrawArc(w.canvas, 0, 0, 1, 0, HalfPi, 0, 0.4, true);
    ASSERT_FALSE(w.canvas.lines.empty());
    EXPECT_NEAR(w.win.xpos, 0, 1e-12);
    EXPECT_NEAR(w.win.ypos, 1, 1e-12);
    EXPECT_NEAR(w.win.zpos, 0.4, 1e-12);

    // Clockwise from 90 to 0 degrees stays in the first quadrant.
    w.canvas.clear();
    w.win.DrawArc(w.canvas, 0, 0, 1, HalfPi, 0, 0, 0, false);
    for (const auto& line : w.canvas.lines) {
        EXPECT_GE(line.to.x, 200 - 1);
        EXPECT_LE(line.to.y, 150 + 1);
    }

    // Below 0.005 paper inch the pen only moves to the start.
    w.canvas.clear();
    w.win.DrawArc(w.canvas, 0, 0, 0.004, 0, Pi, 0, 0, true);
    EXPECT_TRUE(w.canvas.lines.empty());
    EXPECT_NEAR(w.win.xpos, 0.004, 1e-12);

    // A huge sweep ends promptly.
    w.canvas.clear();
    w.win.DrawArc(w.canvas, 0, 0, 1, 0, 1e7, 0, 1, true);
    EXPECT_LE(w.canvas.lines.size(), 3601u);
}

TEST(FiguresTest, DashedArcAlternatesMovesAndDashes)
{
    Window w(-2, -1.5, 2, 1.5); // 100 pixels a unit
    w.win.Setlinestyle(w.canvas, 3);
    w.win.DrawArc(w.canvas, 0, 0, 1, 0, Pi, 0, 0, true);
    // Pieces that touch make one dash; a pen move between dashes leaves a gap.
    std::vector<std::vector<RecordingCanvas::Line>> dashes;
    for (const auto& line : w.canvas.lines) {
        EXPECT_EQ(line.pen.style, PenStyle::Solid);
        const auto touches = [&](const RecordingCanvas::Line& last) {
            return line.from == last.to || line.to == last.from || line.from == last.from || line.to == last.to;
        };
        if (!dashes.empty() && touches(dashes.back().back()))
            dashes.back().push_back(line);
        else
            dashes.push_back({line});
    }
    // Steps of 0.15 rad, moved and drawn in turn from the start: ten dashes on a half circle.
    ASSERT_EQ(dashes.size(), 10u);
    const auto gap = [](const auto& a, const auto& b) {
        double nearest = 1e9;
        for (const auto& p : a)
            for (const auto& q : b)
                for (const PixelPoint u : {p.from, p.to})
                    for (const PixelPoint v : {q.from, q.to})
                        nearest = std::min(nearest, std::hypot(u.x - v.x, u.y - v.y));
        return nearest;
    };
    for (std::size_t i = 0; i < dashes.size(); ++i) {
        double length = 0;
        for (const auto& piece : dashes[i])
            length += pixelLength(piece);
        EXPECT_NEAR(length, 15, 2) << i;
        if (i > 0) {
            EXPECT_NEAR(gap(dashes[i - 1], dashes[i]), 15, 2) << i;
        }
    }
    EXPECT_EQ(w.canvas.pen().style, PenStyle::Dash);
}

TEST(FiguresTest, ArrowHeads)
{
    Window w(-2, -1.5, 2, 1.5);
    w.win.DrawArrow(w.canvas, 1, 1, 0, NoAngle);
    EXPECT_TRUE(w.canvas.lines.empty());

    w.win.Moveto(w.canvas, 0, 0, 0);
    w.win.DrawArrow(w.canvas, 0, 0, 0, 0);
    ASSERT_EQ(w.canvas.lines.size(), 3u);
    // Barbs 0.125 inch behind the tip, closing back onto it.
    EXPECT_DOUBLE_EQ(w.win.xpos, 0);
    const auto& back = w.canvas.lines[2];
    EXPECT_EQ(back.from, (PixelPoint{200, 150})); // drawn from the tip
}

TEST(FiguresTest, AxisSymbolKeepsItsPaperSize)
{
    for (const double scale : {1.0, 2.0}) {
        Window w(-2 / scale, -1.5 / scale, 2 / scale, 1.5 / scale);
        ASSERT_DOUBLE_EQ(w.win.Getscale(), scale);
        w.win.Draw_Axis(w.canvas, false);
        // The X shaft: from (1/scale, 0) back to the origin, one paper inch = 100 pixels.
        const auto& shaft = w.canvas.lines.front();
        EXPECT_EQ(shaft.pen.color, PaletteColor(12));
        EXPECT_EQ(shaft.pen.width, 3);
        EXPECT_NEAR(pixelLength(shaft), 100, 1);
        EXPECT_EQ(w.canvas.pen().width, 1);
    }
    Window erase;
    erase.win.Draw_Axis(erase.canvas, true);
    for (const auto& line : erase.canvas.lines)
        EXPECT_EQ(line.pen.color, PaletteColor(0)); // black screen background
}

TEST(FiguresTest, RulerTableBounds)
{
    struct Case {
        double scale;
        double tick;
        int every;
    };
    for (const Case& c : {Case{1000, 0.002, 5}, Case{100, 0.01, 5}, Case{50, 0.2, 8}, Case{10, 0.25, 4},
                          Case{0.75, 1, 2}, Case{0.25, 5, 3}, Case{0.125, 10, 6}, Case{0.0625, 50, 2},
                          Case{0.03125, 50, 1}, Case{0.015625, 100, 1}, Case{1e-9, 100, 1}}) {
        const RulerSpacing r = RulerTicks(c.scale);
        EXPECT_DOUBLE_EQ(r.tick, c.tick) << c.scale;
        EXPECT_EQ(r.labelEvery, c.every) << c.scale;
    }
}

TEST(FiguresTest, RulerLabelsEveryFourthQuarterInch)
{
    Window w(-1, -1, 3, 2); // Getscale 1
    w.win.SetColor(w.canvas, 9);
    w.win.DrawRuler(w.canvas, 0.5, 0.5, 0, false);
    ASSERT_FALSE(w.canvas.texts.empty());
    // Horizontal labels first: 1 tick past Round(-1) = -1 gives -0.750, then every 4 ticks.
    EXPECT_EQ(w.canvas.texts[0].text, "-0.750");
    EXPECT_EQ(w.canvas.texts[1].text, "0.250");
    EXPECT_EQ(w.canvas.texts[2].text, "1.250");
    EXPECT_EQ(w.canvas.texts[0].font.color, PaletteColor(15));
    EXPECT_EQ(w.win.GetColor(), 9);
    EXPECT_DOUBLE_EQ(w.win.xpos, 0.5);

    // A window of astronomical size ends with a bounded number of ticks.
    Window huge(-1e20, -1e20, 1e20, 1e20);
    huge.win.DrawRuler(huge.canvas, 0, 0, 0, false);
    EXPECT_LT(huge.canvas.lines.size(), 300000u);
}

TEST(FiguresTest, LabelsAndCrosses)
{
    Window w(0, 0, 4, 3);
    w.win.Moveto(w.canvas, 1, 1, 0);
    w.win.Drawlabel(w.canvas, 5, 1, 0, 0.1, "OUT");
    EXPECT_TRUE(w.canvas.texts.empty());
    EXPECT_DOUBLE_EQ(w.win.xpos, 1);
    EXPECT_EQ(w.canvas.penPos(), (PixelPoint{100, 200}));

    w.win.Drawlabel(w.canvas, 2, 1, 0, 0.1, "T1");
    ASSERT_EQ(w.canvas.texts.size(), 1u);
    EXPECT_EQ(w.canvas.texts[0].at, (PixelPoint{200, 200}));
    EXPECT_EQ(w.canvas.texts[0].font.pixelSize, 10);
    w.win.Drawlabel(w.canvas, 2, 1, 0, 0.0001, "tiny");
    EXPECT_EQ(w.canvas.texts.back().font.pixelSize, 1);
    EXPECT_NEAR(w.win.TextWidthWorld(w.canvas, "12345", 0.1), 0.3, 1e-12);

    w.canvas.clear();
    w.win.DrawCross(w.canvas, 2, 1, 0);
    ASSERT_EQ(w.canvas.lines.size(), 2u);
    EXPECT_EQ(w.canvas.penPos(), (PixelPoint{200, 200}));
}

TEST(FiguresTest, ThreadZigZag)
{
    Window w(-1, -1, 3, 2);
    w.win.SetLatheMode(true);
    // External thread from Z 1 to Z 0 at X 0.5, lead 0.25: eight half pitches.
    w.win.Moveto(w.canvas, 0.5, 0, 1);
    w.win.DrawThread(w.canvas, 1, 0.5, 0, 0.5, 0.25, true);
    EXPECT_EQ(w.canvas.lines.size(), 9u);
    EXPECT_DOUBLE_EQ(w.win.xpos, 0); // lathe view: across = Z
    EXPECT_DOUBLE_EQ(w.win.ypos, 0.5);
    const double h = 0.125 / std::tan(Pi / 6);
    int y = 0, x = 0;
    w.win.WorldtoPC(0.875, 0.5 + h, x, y);
    EXPECT_EQ(w.canvas.lines[0].from, (PixelPoint{x, y}));

    struct Case {
        double sx, fx, lead;
    };
    for (const Case& c : {Case{0, 1, 0.25}, Case{1, 0, 0}, Case{1, 0, 1e-12}}) {
        w.canvas.clear();
        w.win.DrawThread(w.canvas, c.sx, 0.5, c.fx, 0.5, c.lead, true);
        EXPECT_EQ(w.canvas.lines.size(), 1u) << c.sx << " " << c.lead;
    }
}
