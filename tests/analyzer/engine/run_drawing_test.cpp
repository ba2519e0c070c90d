#include "analyzer/engine/run_drawing.h"

#include "analyzer/engine/drawing_display_file.h"
#include "analyzer/engine/drawing_recording_canvas.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/run_loop.h"
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
    const std::string examples = std::string(MRW_SOURCE_DIR) + "/examples/";
    folder.write("FACE.TAP", *platform::readFileBytes(examples + "FACE.TAP"));

    vork::TMachineSetup machine;
    ASSERT_TRUE(vork::LoadMachineFile(machine, examples + "Mill 1.MCH"));

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

} // namespace
