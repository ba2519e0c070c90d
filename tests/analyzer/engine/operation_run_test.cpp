#include "drawing_test_support.h"
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/run_drawing.h"
#include "analyzer/engine/run_loop.h"
#include "analyzer/engine/tool_image.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

std::vector<vork::TMotionRecord> motionRecords(const std::string& path)
{
    std::vector<vork::TMotionRecord> out;
    const auto bytes = platform::readFileBytes(path);
    for (std::size_t at = 0; bytes && at + vork::MotionRecordSize <= bytes->size(); at += vork::MotionRecordSize) {
        std::array<std::uint8_t, vork::MotionRecordSize> record{};
        std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(at), record.size(), record.begin());
        out.push_back(vork::DecodeMotionRecord(record));
    }
    return out;
}

// A job's program runs with its operations file: each tool draws in its operation's
// colour from its home, the tool image shows at the tool, and the motion records carry
// the operation numbers.
TEST(OperationRun, ExampleJobsDrawEachToolInItsOperationsColourWithItsImage)
{
    const struct {
        const char* program;
        const char* operations;
        const char* machine;
        std::map<int, int> colourOf; // operation number: palette colour
        double homeX, homeZ;
    } cases[] = {
        {"BRACKET.TAP", "BRACKET.OPF", "Mill 1.MCH", {{10, 1}, {20, 4}, {30, 2}}, 0, 5},
        {"SHAFT.TAP", "SHAFT.OPF", "Lathe 1.MCH", {{10, 1}, {20, 4}}, 2, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        testsupport::TempFolder folder;
        for (const char* file : {c.program, "O1001.TAP"})
            folder.write(file, *platform::readFileBytes(testsupport::examplePath(file)));
        vork::TMachineSetup machine;
        ASSERT_TRUE(vork::LoadMachineFile(machine, testsupport::examplePath(c.machine)));

        drawingtest::Window screen(-2, -2, 6, 6);
        vork::Trwindow& window = screen.win;
        vork::RecordingCanvas& canvas = screen.canvas;
        window.SetDfDir(folder.path());
        ASSERT_TRUE(window.OpenDisplayFile());
        vork::TrwindowRunDrawing drawing(window, canvas);

        vork::TToolImage picture;
        vork::CanvasToolImage toolImage(picture, &window, &canvas);
        vork::TOperationTable operations(&picture);
        testsupport::ScriptedPrompter prompter;
        prompter.buttons.assign(4, platform::Button::No); // "End of Program, Restart?"
        ASSERT_TRUE(operations.Loadfile(testsupport::examplePath(c.operations), &prompter));

        vork::RunServices services;
        services.prompter = &prompter;
        services.drawing = &drawing;
        services.toolImage = &toolImage;
        services.operations = &operations;
        vork::RunSession run(machine, services, folder.path());
        run.settings.skip = true;
        run.settings.sub = true;
        run.settings.tapeDir = folder.path();
        run.LoadFile(folder.file(c.program));
        for (int press = 0; press < 10 && !run.state.EndOfProgram; ++press)
            run.Start();
        ASSERT_TRUE(run.state.EndOfProgram);
        EXPECT_EQ(prompter.shown.size(), 1u);
        run.motion.close();

        // Motion records of every operation, each starting from its home.
        std::map<int, vork::TMotionRecord> firstOf;
        for (const auto& r : motionRecords(folder.file("VORK.MOT")))
            firstOf.emplace(r.opnum, r);
        ASSERT_EQ(firstOf.size(), c.colourOf.size());
        for (const auto& [opnum, record] : firstOf) {
            SCOPED_TRACE(opnum);
            ASSERT_TRUE(c.colourOf.count(opnum));
            const bool lathe = machine.isLathe();
            EXPECT_DOUBLE_EQ(lathe ? record.sy : record.sx, c.homeX);
            EXPECT_DOUBLE_EQ(lathe ? record.sx : record.sz, c.homeZ);
        }

        // The path in each operation's colour (copy mode), the picture in exclusive-or.
        std::set<int> pathColours;
        int pictureLines = 0;
        for (const auto& l : canvas.lines) {
            if (l.pen.mode != vork::PenMode::Copy) {
                ++pictureLines;
                continue;
            }
            for (int colour = 0; colour < 16; ++colour)
                if (l.pen.color == vork::PaletteColor(colour))
                    pathColours.insert(colour);
        }
        for (const auto& [opnum, colour] : c.colourOf)
            EXPECT_TRUE(pathColours.count(colour)) << "colour " << colour;
        EXPECT_GT(pictureLines, 0);
        EXPECT_FALSE(picture.elements().empty());
        EXPECT_TRUE(picture.HasLastPosition());
    }
}

} // namespace
