#include "analyzer/engine/fixture_display.h"

#include "analyzer/engine/drawing_canvas.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_drawing.h"
#include "analyzer/engine/run_loop.h"
#include "drawing_test_support.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

std::string Drawing(const std::string& entities)
{
    return "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

void Import(vork::FixtureTable& table, const std::string& entities, bool lathe = false)
{
    std::istringstream in(Drawing(entities));
    vork::DxfImportOptions options;
    options.lathe = lathe;
    ASSERT_TRUE(vork::ImportDXF(in, "F.DXF", options, table).message.empty());
}

struct Extents {
    double x, y, xx, yy;
};

Extents Drawn(vork::Trwindow& win)
{
    Extents e{};
    win.Get_Extents_Drawn(e.x, e.y, e.xx, e.yy, 0);
    return e;
}

const std::string Arc350To10 = "  0\nARC\n 10\n0\n 20\n0\n 30\n0\n 40\n2\n 50\n350\n 51\n10\n";

TEST(FixtureDisplay, ArcFrom350To10IsTheShortArcThroughZeroInMillAndLatheViews)
{
    for (const bool lathe : {false, true}) {
        SCOPED_TRACE(lathe ? "lathe" : "mill");
        vork::FixtureTable table;
        Import(table, Arc350To10, lathe);
        drawingtest::Window w(-5, -5, 5, 5);
        w.win.SetLatheMode(lathe);
        vork::TFixtureDisplay display(table);
        display.setTarget(&w.win, &w.canvas, &lathe);
        w.win.Reset_Drawn_Extents();
        display.DrawFixture();
        ASSERT_FALSE(w.canvas.lines.empty());
        // The 20 degrees about 0: right of the centre, within +-2 sin 10 of its height.
        const Extents e = Drawn(w.win);
        const double h = 2 * std::sin(10 * vork::Pi / 180);
        EXPECT_NEAR(e.xx, 2.0, 1e-9);
        EXPECT_NEAR(e.x, 2 * std::cos(10 * vork::Pi / 180), 1e-3);
        EXPECT_NEAR(e.y, -h, 1e-3);
        EXPECT_NEAR(e.yy, h, 1e-3);
    }
}

TEST(FixtureDisplay, DrawsWhenShownInTheEntityColourAndNeverDrawsTexts)
{
    vork::FixtureTable table;
    Import(table, "  0\nLINE\n 62\n3\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n"
                  "  0\nLINE\n 62\n16\n 10\n0\n 20\n1\n 11\n1\n 21\n0\n"
                  "  0\nTEXT\n 10\n3\n 20\n3\n  1\nCLAMP\n"
                  "  0\nCIRCLE\n 10\n0\n 20\n0\n 40\n1\n");
    drawingtest::Window w(-2, -2, 4, 4);
    const bool lathe = false;
    vork::TFixtureDisplay display(table);

    display.DrawFixture(); // no target: nothing, and no crash
    display.setTarget(&w.win, &w.canvas, &lathe);
    table.shown = false;
    display.DrawFixture();
    EXPECT_TRUE(w.canvas.lines.empty());

    table.shown = true;
    display.DrawFixture();
    ASSERT_GE(w.canvas.lines.size(), 3u);
    EXPECT_EQ(w.canvas.lines[0].pen.color, vork::PaletteColor(3));
    EXPECT_EQ(w.canvas.lines[1].pen.color, (vork::Rgb{0, 0, 0})); // index 16 draws black
    EXPECT_TRUE(w.canvas.texts.empty());
    // The circle, in the colour carried from the line before, closes on itself: its
    // starting point ends two of its chords.
    const vork::PixelPoint start = w.canvas.lines[2].to;
    const long ends = std::count_if(w.canvas.lines.begin() + 2, w.canvas.lines.end(),
                                    [&](const auto& l) { return l.from == start || l.to == start; });
    EXPECT_EQ(ends, 2);
    const auto& last = w.canvas.lines.back();
    EXPECT_EQ(last.pen.color, (vork::Rgb{0, 0, 0}));
    EXPECT_EQ(last.pen.style, vork::PenStyle::Solid);
}

// The fixture counts toward the extents an automatic fit finds, and restarting a run does
// not restart the fixture's numbers: a later import adds to the table.
TEST(FixtureDisplay, CountsTowardTheFitAndSurvivesARunRestart)
{
    testsupport::TempFolder folder;
    folder.write("P.TAP", "G00 X1. Y1.\r\nM30\r\n");
    vork::TMachineSetup machine;
    ASSERT_TRUE(vork::LoadMachineFile(machine, testsupport::examplePath("Mill 1.MCH")));

    drawingtest::Window w(-1, -1, 3, 3);
    vork::TrwindowRunDrawing drawing(w.win, w.canvas);
    vork::FixtureTable table;
    vork::TFixtureDisplay display(table);
    testsupport::ScriptedPrompter prompter;
    vork::RunServices services;
    services.prompter = &prompter;
    services.drawing = &drawing;
    services.fixtures = &display;
    vork::RunSession run(machine, services, folder.path());
    display.setTarget(&w.win, &w.canvas, &run.state.LatheMachine);
    run.settings.tapeDir = folder.path();

    Import(table, "  0\nPOINT\n 10\n-8\n 20\n-6\n");
    run.LoadFile(folder.file("P.TAP"));
    run.interpreter.AutoFitExtents();
    double x = 0, y = 0, xx = 0, yy = 0;
    w.win.Get_Extents_Drawn(x, y, xx, yy, 0);
    EXPECT_LT(x, -7.9);
    EXPECT_LT(y, -5.9);

    run.interpreter.ResetMachineState();
    Import(table, "  0\nPOINT\n 10\n5\n 20\n5\n");
    EXPECT_EQ(table.Count(), 2u);
    ASSERT_NE(table.FindEntity(vork::EntityPoint, 1), nullptr);
    EXPECT_EQ(table.FindEntity(vork::EntityPoint, 1)->val1, -8.0);
}

} // namespace
