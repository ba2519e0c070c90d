#include "analyzer/engine/drawing.h"

#include "math/engine/mathlib.h"
#include "drawing_test_support.h"
#include "support/scripted_prompter.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace vork;
using drawingtest::Window;

TEST(DrawingTest, SetExtKeepsThePixelAspect)
{
    Trwindow win;
    win.SetAspect(400, 300);
    win.SetExt(0, 0, 10, 1);
    EXPECT_DOUBLE_EQ(win.extx, 0);
    EXPECT_DOUBLE_EQ(win.extxx, 10);
    EXPECT_DOUBLE_EQ(win.exty, -3.25);
    EXPECT_DOUBLE_EQ(win.extyy, 4.25);
    EXPECT_DOUBLE_EQ(win.ctb, 4.25);

    win.SetExt(0, 0, 1, 3); // taller than wide: x is widened
    EXPECT_DOUBLE_EQ(win.exty, 0);
    EXPECT_DOUBLE_EQ(win.extyy, 3);
    EXPECT_DOUBLE_EQ(win.extx, -1.5);
    EXPECT_DOUBLE_EQ(win.extxx, 2.5);

    win.SetAspect(5, 0);
    EXPECT_EQ(win.aspectratio, 1.0);
}

TEST(DrawingTest, MappingAndRounding)
{
    RecordingCanvas canvas;
    Trwindow win;
    EXPECT_TRUE(win.BlackScreen);
    win.Init(canvas);
    int x = 0, y = 0;
    win.WorldtoPC(2.5, 3.5, x, y); // identity, halves to even
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 4);

    Window w(0, 0, 4, 3);
    EXPECT_DOUBLE_EQ(w.win.a, 100);
    EXPECT_DOUBLE_EQ(w.win.c, -100);
    EXPECT_DOUBLE_EQ(w.win.Getscale(), 1.0);
    w.win.WorldtoPC(0, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 300);
    w.win.WorldtoPC(1.005, 3, x, y);
    EXPECT_EQ(x, 100); // 100.5 rounds to even
    EXPECT_EQ(y, 0);
    double xw = 0, yw = 0;
    w.win.pctoworld(200, 150, xw, yw);
    EXPECT_DOUBLE_EQ(xw, 2);
    EXPECT_DOUBLE_EQ(yw, 1.5);
    w.view(0, 0, 2, 1.5);
    EXPECT_DOUBLE_EQ(w.win.Getscale(), 2.0);
}

TEST(DrawingTest, ClippingKeepsExtentsAndPosition)
{
    Window w(0, 0, 10, 7.5);
    w.win.Reset_Drawn_Extents();
    w.win.Moveto(w.canvas, 0, 0, 0);
    w.win.Lineto(w.canvas, 20, 0, 0);
    ASSERT_EQ(w.canvas.lines.size(), 1u);
    // Drawn from the new point toward the old one, cut at the window's right edge.
    EXPECT_EQ(w.canvas.lines[0].from, (PixelPoint{400, 300}));
    EXPECT_EQ(w.canvas.lines[0].to, (PixelPoint{0, 300}));
    EXPECT_DOUBLE_EQ(w.win.dextxx, 20);
    EXPECT_DOUBLE_EQ(w.win.xpos, 20);

    struct Case {
        double x1, y1, x2, y2;
        bool drawn;
    };
    for (const Case& c : {Case{-5, -5, -1, 20, false}, Case{-5, 5, 15, 5, true}, Case{-1, 9, 1, 11, false},
                          Case{-1, 3, 3, -1, true}, Case{11, 0, 12, 5, false}}) {
        w.canvas.clear();
        w.win.Moveto(w.canvas, c.x1, c.y1, 0);
        w.win.Lineto(w.canvas, c.x2, c.y2, 0);
        EXPECT_EQ(w.canvas.lines.size(), c.drawn ? 1u : 0u) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        for (const auto& line : w.canvas.lines) {
            for (const PixelPoint p : {line.from, line.to}) {
                EXPECT_GE(p.x, 0);
                EXPECT_LE(p.x, 400);
                EXPECT_GE(p.y, 0);
                EXPECT_LE(p.y, 300);
            }
        }
    }

    // A move outside the window leaves the canvas pen where it was.
    w.win.Moveto(w.canvas, 1, 1, 0);
    const PixelPoint inside = w.canvas.penPos();
    w.win.Moveto(w.canvas, 50, 1, 0);
    EXPECT_EQ(w.canvas.penPos(), inside);
    EXPECT_DOUBLE_EQ(w.win.xpos, 50);

    double x = 0, y = 0, xx = 0, yy = 0;
    w.win.Get_Extents_Drawn(x, y, xx, yy, 0.1);
    EXPECT_DOUBLE_EQ(x, -5 - 2.5);
    EXPECT_DOUBLE_EQ(xx, 20 + 2.5);
}

TEST(DrawingTest, FitToDrawnKeepsTheWindowWhenNothingCanBeFitted)
{
    struct Case {
        const char* what;
        double x1, y1, x2, y2; // one line drawn, or none when x1 is NAN
        bool fits;
    };
    for (const Case& c : {Case{"moves only", NAN, 0, 0, 0, false}, Case{"one point", 1, 1, 1, 1, false},
                          Case{"a line", 1, 1, 3, 2, true}}) {
        Window w(0, 0, 4, 3);
        w.win.Reset_Drawn_Extents();
        w.win.Moveto(w.canvas, 5, 5, 0);
        if (!std::isnan(c.x1)) {
            w.win.Moveto(w.canvas, c.x1, c.y1, 0);
            w.win.Lineto(w.canvas, c.x2, c.y2, 0);
        }
        w.win.Set_Extents_To_Drawn(0.1);
        if (c.fits) {
            EXPECT_DOUBLE_EQ(w.win.extx, 0.8) << c.what;
            EXPECT_DOUBLE_EQ(w.win.extxx, 3.2) << c.what;
        } else {
            EXPECT_DOUBLE_EQ(w.win.extx, 0) << c.what;
            EXPECT_DOUBLE_EQ(w.win.extxx, 4) << c.what;
            EXPECT_DOUBLE_EQ(w.win.exty, 0) << c.what;
            EXPECT_DOUBLE_EQ(w.win.extyy, 3) << c.what;
        }
        EXPECT_LT(w.win.extx, w.win.extxx) << c.what;
    }
}

TEST(DrawingTest, LatheExchange)
{
    RecordingCanvas canvas;
    Trwindow win;
    win.Init(canvas);
    win.SetExt(0, 0, 100, 100);
    win.SetThreeD(true, 50, 0, 0);
    win.SetLatheMode(true);
    EXPECT_FALSE(win.ThreeDMode);
    win.Moveto(canvas, 1, 2, 3);
    EXPECT_DOUBLE_EQ(win.xpos, 3);
    EXPECT_DOUBLE_EQ(win.ypos, 1);
    EXPECT_DOUBLE_EQ(win.zpos, 2);
    EXPECT_EQ(canvas.penPos(), (PixelPoint{3, 1}));
}

TEST(DrawingTest, ThreeDPresetsAndEye)
{
    Trwindow win;
    win.SetThreeD(true, 0, 0, 0);
    EXPECT_DOUBLE_EQ(win.xeye, -50);
    EXPECT_DOUBLE_EQ(win.yeye, -50);
    EXPECT_DOUBLE_EQ(win.zeye, 50);
    EXPECT_DOUBLE_EQ(win.RHO, std::sqrt(7500.0));

    struct Case {
        double ex, ey, ez;
        double x, y, z;
        double u, v;
    };
    for (const Case& c : {Case{50, 0, 0, 1, 0, 2, -1, 2},    // XZ plane, x mirrored
                          Case{0, -50, 0, 0, 1, 2, -1, 2},   // YZ plane, y mirrored
                          Case{0, 0, 50, 1, 2, 0, 2, -1}}) { // from above: XY turned a quarter
        win.SetThreeD(true, c.ex, c.ey, c.ez);
        double x = c.x, y = c.y;
        ASSERT_TRUE(win.ThreeD(x, y, c.z));
        EXPECT_NEAR(x, c.u, 1e-12) << c.ex << c.ey << c.ez;
        EXPECT_NEAR(y, c.v, 1e-12) << c.ex << c.ey << c.ez;
    }
    win.SetThreeD(false, 1, 2, 3);
    EXPECT_FALSE(win.ThreeDMode);
    EXPECT_DOUBLE_EQ(win.zeye, 0 + 50); // the eye is kept

    double ex = 0, ey = 0, ez = 0;
    EXPECT_FALSE(Trwindow::Move3dEye(10, 10, ex, ey, ez));
    EXPECT_EQ(ex, 0);
    ex = 50;
    ASSERT_TRUE(Trwindow::Move3dEye(90, 0, ex, ey, ez));
    EXPECT_NEAR(ex, 0, 1e-9);
    EXPECT_NEAR(ey, 50, 1e-9);
    ex = 0, ey = 0, ez = 50; // straight above
    ASSERT_TRUE(Trwindow::Move3dEye(0, 90, ex, ey, ez));
    EXPECT_NEAR(ex, 50, 1e-9);
    EXPECT_NEAR(ez, 0, 1e-9);
}

TEST(DrawingTest, PointsBehindTheEyeAreCutNotDivided)
{
    Window w(-100, -100, 100, 100);
    w.win.SetThreeD(true, 50, 0, 0);
    // Behind the eye: no move of the canvas pen.
    w.win.Moveto(w.canvas, 0, 0, 0);
    const PixelPoint before = w.canvas.penPos();
    w.win.Moveto(w.canvas, 0, 80, 0);
    EXPECT_EQ(w.canvas.penPos(), before);
    // A line through the eye's plane draws only its front part, with finite pixels.
    w.win.Lineto(w.canvas, 0, -20, 0);
    ASSERT_EQ(w.canvas.lines.size(), 1u);
    // Through the eye itself, and wholly behind it.
    w.win.Moveto(w.canvas, 0, 50, 0);
    w.win.Lineto(w.canvas, 0, 50, 0);
    w.win.Moveto(w.canvas, 0, 60, 0);
    w.win.Lineto(w.canvas, 0, 90, 0);
    EXPECT_EQ(w.canvas.lines.size(), 1u);
    EXPECT_DOUBLE_EQ(w.win.ypos, 90);
}

TEST(DrawingTest, DashedWidePenIsDrawnAsSolidPieces)
{
    Window w(0, 0, 4, 3); // one world unit is one inch: Getscale = 1
    w.win.Setlinestyle(w.canvas, 3);
    w.canvas.setPenWidth(3);
    w.win.Moveto(w.canvas, 0, 1, 0);
    w.win.Lineto(w.canvas, 1.5, 1, 0);
    // Drawn from (1.5, 1) back to (0, 1): pieces of 0.15 (15 pixels), gaps of the same.
    ASSERT_EQ(w.canvas.lines.size(), 5u);
    for (std::size_t i = 0; i < w.canvas.lines.size(); ++i) {
        const auto& line = w.canvas.lines[i];
        EXPECT_EQ(line.pen.style, PenStyle::Solid);
        EXPECT_EQ(line.pen.width, 3);
        EXPECT_EQ(line.from.x, 150 - static_cast<int>(i) * 30);
        EXPECT_EQ(line.to.x, 150 - static_cast<int>(i) * 30 - 15);
    }
    EXPECT_EQ(w.canvas.pen().style, PenStyle::Dash); // the pen comes back

    // A one-pixel dashed pen is left to the device.
    w.canvas.clear();
    w.canvas.setPenWidth(1);
    w.win.Lineto(w.canvas, 0, 1, 0);
    ASSERT_EQ(w.canvas.lines.size(), 1u);
    EXPECT_EQ(w.canvas.lines[0].pen.style, PenStyle::Dash);
}

TEST(DrawingTest, DashStepsNeverGoBelowOnePixel)
{
    Window w(0, 0, 4000, 3000); // Getscale = 0.001: a dash of 0.00015 world units
    w.win.Setlinestyle(w.canvas, 1);
    w.canvas.setPenWidth(2);
    w.win.Moveto(w.canvas, 0, 1, 0);
    w.win.Lineto(w.canvas, 4000, 1, 0);
    EXPECT_LE(w.canvas.lines.size(), 400u);
    EXPECT_GT(w.canvas.lines.size(), 50u);
}

TEST(DrawingTest, PenCommandsAndPalette)
{
    Window w;
    w.win.SetColor(w.canvas, 12);
    EXPECT_EQ(w.win.GetColor(), 12);
    EXPECT_EQ(w.canvas.pen().color, (Rgb{255, 0, 0}));
    w.win.SetColor(w.canvas, 16);
    EXPECT_EQ(w.canvas.pen().color, (Rgb{0, 0, 0}));
    EXPECT_EQ(PaletteColor(7), (Rgb{192, 192, 192}));
    EXPECT_EQ(PaletteColor(8), (Rgb{128, 128, 128}));
    EXPECT_EQ(PaletteColor(-1), (Rgb{0, 0, 0}));
    EXPECT_EQ(PenStyleOf(2), PenStyle::DashDotDot);
    EXPECT_EQ(PenStyleOf(7), PenStyle::Solid);

    w.win.SetPenWidth(w.canvas, 0.03); // 3 pixels at 100 pixels per unit
    EXPECT_EQ(w.canvas.pen().width, 3);
    w.win.SetPenWidth(w.canvas, -1);
    EXPECT_EQ(w.canvas.pen().width, 1);
    w.win.SetPenWidth(w.canvas, 0.0001);
    EXPECT_EQ(w.canvas.pen().width, 1);

    w.win.SetBlackScreen(false);
    w.win.Clearcanvas(w.canvas);
    ASSERT_EQ(w.canvas.fills.size(), 1u);
    EXPECT_EQ(w.canvas.fills[0].color, (Rgb{255, 255, 255}));
    EXPECT_EQ(w.canvas.fills[0].rect, (PixelRect{0, 0, 400, 300}));
}

TEST(DrawingTest, DisplayFileRecordsAreLittleEndianFieldByField)
{
    const TDisplayRecord record{DisplayMove, 1.5F, -2.0F, 0.25F, 0.0F};
    const auto bytes = EncodeDisplayRecord(record);
    const std::array<unsigned char, 20> expected{0, 0, 0, 0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0xC0,
                                                 0, 0, 0x80, 0x3E, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(DecodeDisplayRecord(bytes.data()), record);
    const TDisplayRecord negative{-7, 0, 0, 0, 0};
    EXPECT_EQ(EncodeDisplayRecord(negative)[3], 0xFF);
    EXPECT_EQ(DecodeDisplayRecord(EncodeDisplayRecord(negative).data()).code, -7);
}

TEST(DrawingTest, RecordingWritesEveryPenCommand)
{
    testsupport::TempFolder folder;
    Window w;
    w.win.SetDfDir(folder.path());
    ASSERT_TRUE(w.win.OpenDisplayFile());
    w.win.SetColor(w.canvas, 12);
    w.win.Setlinestyle(w.canvas, 3);
    w.win.SetPenWidth(w.canvas, 0.5);
    w.win.Moveto(w.canvas, 1, 2, 3);
    w.win.Lineto(w.canvas, 4, 5, 6);
    w.win.DisplayFileON(false);
    w.win.Lineto(w.canvas, 7, 8, 9); // not recorded
    w.win.PlayDisplay(w.canvas);     // flushes
    EXPECT_FALSE(w.win.dfopen);

    const std::string bytes = folder.read("DVW.DI~");
    ASSERT_EQ(bytes.size(), 5u * 20u);
    const auto at = [&](std::size_t i) {
        return DecodeDisplayRecord(reinterpret_cast<const unsigned char*>(bytes.data()) + 20 * i);
    };
    EXPECT_EQ(at(0), (TDisplayRecord{10, 12, 0, 0, 0}));
    EXPECT_EQ(at(1), (TDisplayRecord{11, 3, 0, 0, 0}));
    EXPECT_EQ(at(2), (TDisplayRecord{12, 0.5F, 0, 0, 0}));
    EXPECT_EQ(at(3), (TDisplayRecord{0, 1, 2, 3, 0}));
    EXPECT_EQ(at(4), (TDisplayRecord{1, 4, 5, 6, 0}));
}

TEST(DrawingTest, ReplayRedrawsInTheCurrentView)
{
    testsupport::TempFolder folder;
    Window w(0, 0, 4, 3);
    w.win.SetDfDir(folder.path());
    ASSERT_TRUE(w.win.OpenDisplayFile());
    w.win.SetColor(w.canvas, 10);
    w.win.Moveto(w.canvas, 0, 0, 0);
    w.win.Lineto(w.canvas, 1, 1, 1);
    w.win.Lineto(w.canvas, 2, 0, 0);
    const auto firstPicture = w.canvas.lines;

    // Zoomed in twice: the same path at twice the scale.
    w.view(0, 0, 2, 1.5);
    w.canvas.clear();
    w.win.PlayDisplay(w.canvas);
    EXPECT_TRUE(w.win.dfopen); // recording as before
    ASSERT_EQ(w.canvas.lines.size(), 2u);
    EXPECT_EQ(w.canvas.lines[0].from, (PixelPoint{200, 100}));
    EXPECT_EQ(w.canvas.lines[0].pen.color, PaletteColor(10));

    // A print window replays the file without writing into it.
    RecordingCanvas printer({0, 0, 800, 600}, 200);
    Trwindow print;
    print.SetDfDir(folder.path());
    print.Init(printer);
    ASSERT_TRUE(print.ReOpenDisplayFile());
    print.DisplayFileON(false);
    print.SetAspect(800, 600);
    print.SetExt(0, 0, 4, 3);
    print.SetupCanvas(printer);
    print.PlayDisplay(printer);
    ASSERT_EQ(printer.lines.size(), 2u);
    EXPECT_EQ(printer.lines[1].from, (PixelPoint{400, 600}));
    print.Lineto(printer, 3, 3, 3);
    EXPECT_EQ(folder.read("DVW.DI~").size(), 4u * 20u);

    // In perspective the same file draws another picture.
    w.view(-5, -5, 5, 5);
    w.win.SetThreeD(true, -50, -50, 50);
    w.canvas.clear();
    w.win.PlayDisplay(w.canvas);
    ASSERT_EQ(w.canvas.lines.size(), 2u);
    EXPECT_NE(w.canvas.lines[0].from, firstPicture[0].from);

    // Clearing without recording keeps the file for the next replay.
    w.win.DisplayFileON(false);
    w.win.Clearcanvas(w.canvas);
    w.canvas.clear();
    w.win.PlayDisplay(w.canvas);
    EXPECT_EQ(w.canvas.lines.size(), 2u);
    // Clearing while recording empties it.
    w.win.DisplayFileON(true);
    w.win.Clearcanvas(w.canvas);
    EXPECT_EQ(folder.read("DVW.DI~").size(), 0u);
}

// An arc of the path is kept as two records however many chords it has; a replay at the
// run's scale draws the very chords of the run, and a zoomed one draws it finer.
TEST(DrawingTest, PathArcsAreKeptWholeAndRedrawnAtTheReplayScale)
{
    testsupport::TempFolder folder;
    Window w(-2, -2, 2, 1);
    w.win.SetDfDir(folder.path());
    ASSERT_TRUE(w.win.OpenDisplayFile());
    struct Case {
        const char* name;
        PathArc arc;
    };
    const Case cases[] = {
        {"XY quarter, counter-clockwise", {0, 0.5, -0.25, 1.0, 0.0, Pi / 2, 0.0, 0.0}},
        {"XY helix, clockwise full turn", {0, 0.0, 0.0, 0.75, Pi, -TwoPi, 0.5, -0.25}},
        {"ZX half", {1, 0.0, 0.0, 0.5, 0.0, Pi, 0.3, 0.0}},
        {"YZ three quarters", {2, 0.0, 0.0, 0.5, 0.0, 1.5 * Pi, -0.2, 0.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = folder.read("DVW.DI~");
        w.win.Moveto(w.canvas, 0, 0, 0);
        w.canvas.clear();
        w.win.DrawPathArc(w.canvas, c.arc);
        const auto run = w.canvas.lines;
        EXPECT_GE(run.size(), 17u); // 5-degree chords
        w.win.PlayDisplay(w.canvas); // hands the records to the file
        EXPECT_EQ(folder.read("DVW.DI~").size(), before.size() + 3 * 20);

        int chords = 0;
        ForEachArcChord(c.arc, w.win.Getscale(), [&](double, double, double) { ++chords; });
        EXPECT_EQ(run.size(), static_cast<std::size_t>(chords));
    }
    const auto runPicture = [&] {
        w.canvas.clear();
        w.win.PlayDisplay(w.canvas);
        return w.canvas.lines;
    };
    // What the run drew, replayed at the run's scale: line for line the same.
    Window again(-2, -2, 2, 1);
    for (const Case& c : cases) {
        again.win.Moveto(again.canvas, 0, 0, 0);
        again.win.DrawPathArc(again.canvas, c.arc);
    }
    const auto replayed = runPicture();
    ASSERT_EQ(replayed.size(), again.canvas.lines.size());
    for (std::size_t i = 0; i < replayed.size(); ++i) {
        EXPECT_EQ(replayed[i].from, again.canvas.lines[i].from) << i;
        EXPECT_EQ(replayed[i].to, again.canvas.lines[i].to) << i;
    }
    // A replay where the radii exceed 2 inches on paper (a large printer page): the same
    // arcs in 2.5-degree chords.
    RecordingCanvas page({0, 0, 400, 300}, 20);
    Trwindow print;
    print.SetDfDir(folder.path());
    print.Init(page);
    ASSERT_TRUE(print.ReOpenDisplayFile());
    print.DisplayFileON(false);
    print.SetAspect(400, 300);
    print.SetExt(-2, -2, 2, 1);
    print.SetupCanvas(page);
    print.PlayDisplay(page);
    EXPECT_GT(page.lines.size(), replayed.size() * 19 / 10);
}

TEST(DrawingTest, DisplayFileFailuresAreReported)
{
    testsupport::ScriptedPrompter prompter;
    Trwindow win;
    win.setPrompter(&prompter);
    win.SetDfDir("/nonexistent-folder/deeper/");
    EXPECT_FALSE(win.OpenDisplayFile());
    EXPECT_FALSE(win.dfopen);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Unable to write to /nonexistent-folder/deeper/DVW.DI~");
    EXPECT_EQ(win.lastFileError(), prompter.shown[0].text);
}

TEST(DrawingTest, WritesOntoAFullDiskAreReportedOnce)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    Window w;
    w.win.setPrompter(&prompter);
    w.win.SetDfDir(folder.path());
    ASSERT_TRUE(w.win.OpenDisplayFile());
    {
        // A file-size limit makes the writes fail as a full disk would, even for root.
        testsupport::FileSizeLimit full(4096);
        for (int i = 0; i < 10000 && w.win.dfopen; ++i)
            w.win.Lineto(w.canvas, i % 4, 1, 0);
    }
    EXPECT_FALSE(w.win.dfopen);
    w.win.Lineto(w.canvas, 0, 0, 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Unable to write to " + folder.file("DVW.DI~"));
}
