#include "analyzer/engine/readouts.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vork::TRunState;

TEST(Readouts, StatusTexts)
{
    TRunState s;
    s.CurX = 1, s.CurY = -0.5, s.CurZ = 0.25;
    s.RotA = vork::Pi / 2;
    s.Feed = 10;
    s.SegTime = 1.5;
    s.TotalTime = 125.5;
    s.Tool = 3;
    s.Mode = vork::ModeCW;
    auto t = vork::MakeStatusTexts(vork::TakeReadoutValues(s, false, 0));
    EXPECT_EQ(t.mode, "CW    ");
    EXPECT_EQ(t.x, "X1.0000");
    EXPECT_EQ(t.y, "Y-0.5000");
    EXPECT_EQ(t.z, "Z0.2500");
    EXPECT_EQ(t.a + t.b + t.c, "A --B --C --");
    EXPECT_EQ(t.feed, "IPM10.00");
    EXPECT_EQ(t.segmentTime, "00:01:30");
    EXPECT_EQ(t.totalTime, "02:05:30");
    EXPECT_EQ(t.tool, "T3");
    EXPECT_EQ(t.toolShape, "End Mill");

    t = vork::MakeStatusTexts(vork::TakeReadoutValues(s, true));
    EXPECT_EQ(t.a + " " + t.b + " " + t.c, "A90.00 B0.00 C0.00");

    s.Metric = true;
    t = vork::MakeStatusTexts(vork::TakeReadoutValues(s, false));
    EXPECT_EQ(t.x, "X25.400");
    EXPECT_EQ(t.feed, "MPM254.00");

    s.Metric = false;
    s.LatheMachine = true;
    EXPECT_EQ(vork::MakeStatusTexts(vork::TakeReadoutValues(s, false)).y, "D2.0000");

    const auto coordinates = vork::MakeCoordinateTexts(vork::TakeReadoutValues(s, false));
    EXPECT_EQ(coordinates.x + "|" + coordinates.y + "|" + coordinates.z, "X  1.0000|Y -0.5000|Z  0.2500");
    s.Metric = true;
    EXPECT_EQ(vork::MakeCoordinateTexts(vork::TakeReadoutValues(s, false)).x, "X  25.400");
}

TEST(Readouts, ModeNamesAreSixCharacters)
{
    const struct {
        int mode;
        const char* name;
    } cases[] = {{0, "Rapid "}, {1, "Linear"}, {2, "CW    "}, {3, "CCW   "}, {4, "Cycle "}, {5, "Thread"},
                 {6, "      "}, {8, "LCycle"}, {9, "Dwell "}, {10, "RDwell"}, {11, "Preset"}, {12, "Maxrpm"},
                 {13, "      "}, {15, "      "}};
    for (const auto& c : cases)
        EXPECT_EQ(vork::ModeName(c.mode), c.name) << c.mode;
}

struct RecordingView : vork::ReadoutView {
    bool visible = false;
    std::vector<std::string> coordinates, status;
    bool CoordinateReadoutVisible() const override { return visible; }
    void ShowCoordinates(const vork::ReadoutValues& v) override
    {
        coordinates.push_back(vork::MakeCoordinateTexts(v).x);
    }
    void ShowStatus(const vork::ReadoutValues& v) override { status.push_back(vork::MakeStatusTexts(v).x); }
};

TEST(Readouts, WhenTheyFollowTheRun)
{
    const struct {
        bool positionUpdate, visible, segmentEnd;
        std::size_t coordinates, status;
    } cases[] = {
        {true, false, false, 0, 1},  {false, false, false, 0, 0}, {false, false, true, 0, 1},
        {false, true, false, 1, 0},  {true, true, false, 1, 1},   {false, true, true, 1, 1},
    };
    for (const auto& c : cases) {
        TRunState s;
        vork::AnalyzerSettings settings;
        settings.positionUpdate = c.positionUpdate;
        RecordingView view;
        view.visible = c.visible;
        vork::RunReadouts readouts(s, settings);
        readouts.UpdateReadouts(c.segmentEnd); // no view: nothing
        readouts.setView(&view);
        readouts.UpdateReadouts(c.segmentEnd);
        EXPECT_EQ(view.coordinates.size(), c.coordinates) << c.positionUpdate << c.visible << c.segmentEnd;
        EXPECT_EQ(view.status.size(), c.status) << c.positionUpdate << c.visible << c.segmentEnd;
    }
}

} // namespace
