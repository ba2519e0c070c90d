#include "analyzer/engine/run_drawing.h"

#include "analyzer/engine/drawing_display_file.h"
#include "analyzer/engine/drawing_recording_canvas.h"
#include "analyzer/engine/dxf_output.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/tool_image.h"
#include "example_run.h"
#include "run_fakes.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

// Answers "End of Program, Restart?" with No; every wait of the loop presses Start.
struct EndPrompter : testsupport::ScriptedPrompter {
    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons b) override
    {
        shown.push_back({caption, text, kind});
        return b == platform::Buttons::YesNo ? platform::Button::No : platform::Button::Ok;
    }
};

TEST(RunDrawing, ARunDrawsItsPathThroughTheDrawingWindowAndRecordsIt)
{
    testsupport::TempFolder folder;
    folder.write("FACE.TAP", *platform::readFileBytes(testsupport::examplePath("FACE.TAP")));

    vork::TMachineSetup machine;
    ASSERT_TRUE(vork::LoadMachineFile(machine, testsupport::examplePath("Mill 1.MCH")));

    vork::RecordingCanvas canvas({0, 0, 400, 300});
    vork::Trwindow window;
    window.SetDfDir(folder.path());
    window.Init(canvas);
    window.SetExt(-2, -1, 6, 2);
    window.SetupCanvas(canvas);
    ASSERT_TRUE(window.OpenDisplayFile());
    vork::TrwindowRunDrawing drawing(window, canvas);

    EndPrompter prompter;
    vork::RunServices services;
    services.prompter = &prompter;
    services.drawing = &drawing;
    vork::RunSession run(machine, services, folder.path());
    run.settings.skip = true;
    run.settings.tapeDir = folder.path();
    run.LoadFile(folder.file("FACE.TAP"));
    for (int press = 0; press < 10 && !run.state.EndOfProgram; ++press)
        run.Start();
    ASSERT_TRUE(run.state.EndOfProgram);

    // The cut along X at Z0 is a line on the canvas from left to right.
    EXPECT_FALSE(canvas.lines.empty());
    int leftmost = 400, rightmost = 0;
    for (const auto& l : canvas.lines) {
        leftmost = std::min({leftmost, l.from.x, l.to.x});
        rightmost = std::max({rightmost, l.from.x, l.to.x});
    }
    EXPECT_LT(leftmost, 100);
    EXPECT_GT(rightmost, 300);

    // What was drawn is in the display file, for repaints.
    vork::RecordingCanvas replay({0, 0, 400, 300});
    window.PlayDisplay(replay);
    EXPECT_EQ(replay.lines.size(), canvas.lines.size());
}

// An extent fit measures the path in a pass that draws, writes and asks nothing; the
// pass that draws it follows. The tool's picture is no part of what is fitted.
TEST(RunDrawing, AnExtentFitMeasuresThePathAloneAndUnseen)
{
    testsupport::TempFolder folder;
    // A line, an arc, and an arc whose ends lie at different radii (an NC error).
    folder.write("FIT.TAP", "G00 X0. Y0. Z0.\r\nG01 X1. F10.\r\nG02 X2. Y0. I0.5 J0.\r\n"
                            "G02 X3. Y0. I0.3 J0.\r\nM30\r\n");
    vork::TMachineSetup machine;
    ASSERT_TRUE(vork::LoadMachineFile(machine, testsupport::examplePath("Mill 1.MCH")));

    vork::RecordingCanvas canvas({0, 0, 400, 300});
    vork::Trwindow window;
    window.SetDfDir(folder.path());
    window.Init(canvas);
    window.SetAspect(400, 300);
    window.SetExt(-10, -7, 10, 7);
    window.SetupCanvas(canvas);
    ASSERT_TRUE(window.OpenDisplayFile());
    std::size_t linesBeforeClear = 0;
    vork::TrwindowRunDrawing drawing(window, canvas, [&] {
        linesBeforeClear = canvas.lines.size();
        window.Clearcanvas(canvas);
    });
    vork::TToolImage picture;
    picture.BuildMillToolImage(false, 10.0, 0.0, 1.0, 0.0); // far wider than the path
    vork::CanvasToolImage tool(picture, &window, &canvas);

    EndPrompter prompter;
    runtest::ScriptedErrorDialog errors;
    vork::RunServices services;
    services.prompter = &prompter;
    services.drawing = &drawing;
    services.toolImage = &tool;
    vork::RunSession run(machine, services, folder.path());
    run.errorReporter().setDialog(&errors);
    run.settings.tapeDir = folder.path();
    run.settings.edit = true;
    ASSERT_TRUE(run.dxfOutput().OpenOutputFile(folder.file("PATH.DXF")));
    run.LoadFile(folder.file("FIT.TAP"));
    run.interpreter.AutoFitExtents();
    run.dxfOutput().Finish();

    EXPECT_EQ(linesBeforeClear, 0u);   // the measuring pass drew nothing
    EXPECT_FALSE(canvas.lines.empty()); // the drawing pass did
    EXPECT_EQ(errors.messages.size(), 1u);
    const std::string dxf = folder.read("PATH.DXF");
    std::size_t arcs = 0;
    for (std::size_t at = dxf.find("\nARC\r"); at != std::string::npos; at = dxf.find("\nARC\r", at + 1))
        ++arcs;
    EXPECT_EQ(arcs, 2u); // each arc once

    // The path runs from x 0 to 3 (and about y 0): the fit frames that, not the tool.
    EXPECT_GT(window.extx, -1.0);
    EXPECT_LT(window.extxx, 4.0);
    EXPECT_GT(window.exty, -3.0);
    EXPECT_LT(window.extyy, 3.0);
}

// The entities of a DXF drawing: LINE, POINT, ARC and CIRCLE items.
int DxfEntities(const std::string& dxf)
{
    int entities = 0;
    for (const char* kind : {"LINE", "POINT", "ARC", "CIRCLE"}) {
        const std::string item = std::string("\r\n  0\r\n") + kind + "\r\n";
        for (std::size_t at = dxf.find(item); at != std::string::npos; at = dxf.find(item, at + 1))
            ++entities;
    }
    return entities;
}

// What a run leaves behind: the DXF drawing, the motion file and the data listing.
struct RunOutputs {
    int dxfEntities = 0;
    std::size_t motionBytes = 0;
    std::string listing;
};

// An extent fit runs the program twice, unseen and then drawn: the drawing, the motion
// file and the listing hold each move of the run once, whether the run had ended, had
// gone part of the way or had not begun, and a drawing begun after the run gets it whole.
TEST(RunDrawing, AnExtentFitWritesEachMoveOnce)
{
    enum class Before { Nothing, FirstTool, End, EndThenNewDrawing };
    struct Case {
        const char* name;
        Before before;
        int fits;
    };
    const auto outputs = [](Before before, int fits) {
        examplerun::ExampleRun run("Mill 1.MCH", "BRACKET.OPF");
        run.copy("BRACKET.TAP");
        vork::RunSession session(run.machine, run.services, run.folder.path());
        session.settings.sub = true;
        session.settings.tapeDir = run.folder.path();
        EXPECT_TRUE(session.OpenDxfOutput(run.folder.file("PATH.DXF")));
        session.LoadFile(run.folder.file("BRACKET.TAP"));
        session.settings.skip = before != Before::FirstTool;
        if (before != Before::Nothing)
            session.Start(); // runs to the end, or through the first tool's segment
        if (before == Before::FirstTool)
            session.Start();
        if (before == Before::EndThenNewDrawing) {
            EXPECT_TRUE(session.OpenDxfOutput(run.folder.file("NEW.DXF")));
        }
        for (int fit = 0; fit < fits; ++fit)
            session.AutoFit();
        EXPECT_TRUE(session.state.EndOfProgram);
        session.dxfOutput().Checkpoint();
        session.motion.flush();
        session.state.DataFile.flush();
        RunOutputs out;
        out.dxfEntities = DxfEntities(run.folder.read(before == Before::EndThenNewDrawing ? "NEW.DXF" : "PATH.DXF"));
        out.motionBytes = run.folder.read("VORK.MOT").size();
        out.listing = run.folder.read("NCCODE.DAT");
        return out;
    };

    const RunOutputs once = outputs(Before::End, 0);
    ASSERT_GT(once.dxfEntities, 30);
    ASSERT_GT(once.motionBytes, 0u);
    ASSERT_EQ(once.motionBytes % vork::MotionRecordSize, 0u);
    for (const Case c : {Case{"ended run, one fit", Before::End, 1}, Case{"ended run, two fits", Before::End, 2},
                         Case{"no run yet", Before::Nothing, 1}, Case{"the first tool's part", Before::FirstTool, 1},
                         Case{"a drawing begun after the run", Before::EndThenNewDrawing, 1}}) {
        SCOPED_TRACE(c.name);
        const RunOutputs fitted = outputs(c.before, c.fits);
        EXPECT_EQ(fitted.dxfEntities, once.dxfEntities);
        EXPECT_EQ(fitted.motionBytes, once.motionBytes);
        EXPECT_EQ(fitted.listing, once.listing);
    }
}

} // namespace
