#include "analyzer/engine/run_control.h"

#include "analyzer/engine/run_loop.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

namespace {

// Each wait of the loop runs the next scripted press; with none left the pacing timer
// ticks and Single is pressed, so a run goes on block by block.
class ButtonPump : public platform::EventPump {
public:
    std::deque<std::function<void()>> presses;
    vork::TRunState* state = nullptr;
    int depth = 0;
    int deepest = 0;
    void processEvents() override {}
    void waitPumping(int) override
    {
        deepest = std::max(deepest, ++depth);
        if (presses.empty()) {
            state->PacingTick = true;
            state->StartPressed = true;
        } else {
            auto press = presses.front();
            presses.pop_front();
            press();
        }
        --depth;
    }
};

struct Window {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine = runtest::defaultMachine();
    testsupport::ScriptedPrompter prompter;
    ButtonPump pump;
    runtest::RecordingCodeList codeList;
    std::unique_ptr<vork::RunSession> session;
    std::unique_ptr<vork::RunControl> control;
    int freshRuns = 0;
    int closes = 0;

    Window()
    {
        vork::RunServices given;
        given.prompter = &prompter;
        given.pump = &pump;
        given.codeList = &codeList;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        session->prepareFreshRun = [this] {
            ++freshRuns;
            return true;
        };
        pump.state = &session->state;
        control = std::make_unique<vork::RunControl>(*session);
        control->closeNow = [this] { ++closes; };
        prompter.buttons = {platform::Button::No, platform::Button::No}; // no restart at the end
        folder.write("P.TAP", "G00 X1.\r\nG00 X2.\r\nG00 X3.\r\nG00 X4.\r\n");
        session->LoadFile(folder.file("P.TAP"));
    }
    vork::TRunState& state() { return session->state; }
    // Blocks the run has put into the code list.
    int blocksRun() const
    {
        return static_cast<int>(std::count_if(codeList.lines.begin(), codeList.lines.end(),
                                               [](const std::string& l) { return l.rfind("G00", 0) == 0; }));
    }
};

TEST(RunControl, StopPressedTwiceLeavesTheRunGoing)
{
    Window w;
    w.session->settings.speed = 5; // every block waits for the pacing tick
    w.pump.presses = {[&] {
        w.control->Stop();
        w.control->Stop();
        w.state().PacingTick = true;
    }};
    w.control->Start();
    EXPECT_EQ(w.blocksRun(), 4);
    EXPECT_TRUE(w.state().EndOfProgram);
}

TEST(RunControl, StopEndsTheSegmentAfterTheBlockUnderWay)
{
    Window w;
    w.session->settings.speed = 5;
    w.pump.presses = {[&] { w.state().PacingTick = true; },
                      [&] {
                          w.control->Stop();
                          w.state().PacingTick = true;
                      }};
    w.control->Start();
    EXPECT_EQ(w.blocksRun(), 2);
    EXPECT_FALSE(w.state().EndOfProgram);
    EXPECT_FALSE(w.control->Active());
}

TEST(RunControl, StopWhileWaitingForSingleIsUndoneByThatSingle)
{
    Window w;
    w.pump.presses = {[&] {
                          w.control->Stop();
                          w.control->Single(); // releases the first block and clears the Stop
                      },
                      [&] { w.control->Start(); }}; // from the second wait on: run through
    w.control->Single();
    EXPECT_EQ(w.blocksRun(), 4);
    EXPECT_TRUE(w.state().EndOfProgram);
    EXPECT_EQ(w.pump.deepest, 1); // no loop ever ran inside another
    EXPECT_EQ(w.freshRuns, 1);
}

TEST(RunControl, StopEndsAWaitForSingleBeforeTheNextBlock)
{
    Window w;
    w.pump.presses = {[&] { w.control->Single(); }, [&] { w.control->Stop(); }};
    w.control->Single();
    EXPECT_EQ(w.blocksRun(), 1);
    EXPECT_FALSE(w.control->Active()); // the window's commands are free again
    EXPECT_FALSE(w.state().EndOfProgram);
    EXPECT_EQ(w.state().ToolTimes.count, 1); // the stopped segment is booked
    EXPECT_EQ(w.codeList.lines.back(), "Stop, Press Start to Continue ...");

    // Stop twice before the loop looks leaves it waiting; Start then runs on from there.
    w.pump.presses = {[&] {
                          w.control->Stop();
                          w.control->Stop();
                      },
                      [&] { w.control->Start(); }};
    w.control->Single();
    EXPECT_EQ(w.blocksRun(), 4);
    EXPECT_TRUE(w.state().EndOfProgram);
    EXPECT_EQ(w.pump.deepest, 1);
}

TEST(RunControl, StartWhileTheLoopWaitsOnlyReleasesIt)
{
    Window w;
    w.pump.presses = {[&] { w.control->Start(); }, [&] { w.control->Start(); }};
    w.control->Single();
    EXPECT_EQ(w.pump.deepest, 1);
    EXPECT_EQ(w.freshRuns, 1);
    EXPECT_FALSE(w.state().SingleBlock);
    EXPECT_TRUE(w.state().EndOfProgram);
}

TEST(RunControl, CloseDuringASingleWaitEndsTheLoopThenCloses)
{
    Window w;
    bool queried = true;
    w.pump.presses = {[&] { queried = w.control->CloseQuery(); }};
    w.control->Single();
    EXPECT_FALSE(queried);       // not while the loop runs
    EXPECT_EQ(w.blocksRun(), 0); // the loop returned before its first block
    EXPECT_EQ(w.closes, 1);      // and then the window closes
    EXPECT_TRUE(w.control->CloseQuery());
    EXPECT_EQ(w.folder.read("P.TAP"), "G00 X1.\r\nG00 X2.\r\nG00 X3.\r\nG00 X4.\r\n");
}

TEST(RunControl, ARefusedCloseDoesNotCutLaterRunsShort)
{
    Window w;
    w.state().ProgramEdited = true; // an edited program, whose work copy cannot replace it
    w.state().WorkCopyFailed = true;
    EXPECT_FALSE(w.control->CloseQuery());
    EXPECT_EQ(w.closes, 0);
    w.session->LoadFile(w.folder.file("P.TAP"));
    w.control->Start();
    EXPECT_EQ(w.blocksRun(), 4);
}

TEST(RunControl, AFreshRunThatIsNotPreparedDoesNotStart)
{
    Window w;
    w.session->prepareFreshRun = [] { return false; }; // the user cancelled the open dialog
    w.control->Start();
    EXPECT_EQ(w.blocksRun(), 0);
    EXPECT_TRUE(w.state().RestartPending);
}

} // namespace
