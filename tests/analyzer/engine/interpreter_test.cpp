#include "analyzer/engine/interpreter.h"

#include "analyzer/engine/analyzer_settings.h"

#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/run_loop.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"
#include "run_fakes.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using vork::TRunState;

// The state after each block, as the data listing sees it.
struct Snapshot {
    std::string block;
    int mode, modeSave;
    bool metric, absolute;
    int plane, feedMode;
    double x, y, z, feed, rpm, segTime, rotA;
    int tool;
    bool segmentEnd, retractToInitial, feedOut, peck;
};

class SnapshotListing : public vork::DataListing {
public:
    const TRunState* state = nullptr;
    std::vector<Snapshot> blocks;
    void WriteDataLine() override
    {
        const TRunState& s = *state;
        if (s.RawBlock.empty())
            return;
        blocks.push_back({s.RawBlock, s.Mode, s.ModeSave, s.Metric, s.Absolute, s.Plane, s.FeedMode, s.CurX, s.CurY,
                          s.CurZ, s.Feed, s.Rpm, s.SegTime, s.RotA, s.Tool, s.SegmentEnd, s.RetractToInitial,
                          s.FeedOut, s.Peck});
    }
    void WriteTapeSummary() override {}
};

struct CountingErrors : vork::ErrorReporter {
    std::vector<int> errors;
    void ReportNCError(int n) override { errors.push_back(n); }
};

// Answers "End of Program, Restart?" with restart; everything else as scripted.
class TestPrompter : public testsupport::ScriptedPrompter {
public:
    bool restart = false;
    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons b) override
    {
        if (text == "End of Program, Restart?") {
            shown.push_back({caption, text, kind});
            return restart ? platform::Button::Yes : platform::Button::No;
        }
        return ScriptedPrompter::message(caption, text, kind, b);
    }
};

// Each wait of the loop runs the next scripted action; with none left the window closes.
class ScriptedPump : public platform::EventPump {
public:
    std::deque<std::function<void()>> actions;
    std::function<void()> onEvents; // what the window does when the run lets events through
    TRunState* state = nullptr;
    int waits = 0;
    void processEvents() override
    {
        if (onEvents)
            onEvents();
    }
    void waitPumping(int) override
    {
        ++waits;
        if (actions.empty()) {
            state->CloseRequest = true;
            return;
        }
        auto action = actions.front();
        actions.pop_front();
        action();
    }
};

// Operations for every tool: slot = tool, operation number = 100 + tool, home (0, 0, 1).
class EveryToolHasAnOperation : public vork::OperationTable {
public:
    int Tooltoopnum(double tool, bool) const override { return static_cast<int>(tool); }
    int CurrentOpcolor(int) const override { return 5; }
    void SetCurrentTIM(int) override {}
    int OperationNumber(int slot) const override { return 100 + slot; }
    vork::OperationHome Home(int) const override { return {0, 0, 1}; }
};

struct Analyzer {
    testsupport::TempFolder folder;
    vork::TMachineSetup machine;
    TestPrompter prompter;
    ScriptedPump pump;
    runtest::RecordingCodeList codeList;
    runtest::RecordingDrawing drawing;
    SnapshotListing listing;
    CountingErrors errors;
    runtest::NoTimes times;
    runtest::ScriptedErrorDialog errorDialog;
    std::unique_ptr<vork::RunSession> session;

    explicit Analyzer(const std::vector<std::string>& changes = {}, bool countErrors = true,
                 vork::OperationTable* operations = nullptr)
        : machine(runtest::defaultMachine(changes))
    {
        vork::RunServices given;
        given.prompter = &prompter;
        given.pump = &pump;
        given.codeList = &codeList;
        given.drawing = &drawing;
        given.listing = &listing;
        given.operations = operations;
        given.times = &times;
        if (countErrors)
            given.errors = &errors;
        session = std::make_unique<vork::RunSession>(machine, given, folder.path());
        session->errorReporter().setDialog(&errorDialog);
        listing.state = &session->state;
        pump.state = &session->state;
        session->settings.tapeDir = folder.path();
    }

    TRunState& state() { return session->state; }

    void load(const std::string& program, const std::string& name = "P.TAP")
    {
        folder.write(name, program);
        session->LoadFile(folder.file(name));
    }

    // Presses Start until the program has ended; returns the number of presses.
    int startToEnd()
    {
        int presses = 0;
        while (!state().EndOfProgram && presses < 50) {
            session->Start();
            ++presses;
        }
        return presses;
    }

    const Snapshot& last() const { return listing.blocks.back(); }
};

// The program folder is `folder` while this lives.
class ProgramFolderIs {
public:
    explicit ProgramFolderIs(const std::string& folder) { ::setenv("MRW_PROGRAM_DIR", folder.c_str(), 1); }
    ~ProgramFolderIs() { ::unsetenv("MRW_PROGRAM_DIR"); }
    ProgramFolderIs(const ProgramFolderIs&) = delete;
    ProgramFolderIs& operator=(const ProgramFolderIs&) = delete;
};

// The current folder is `folder` while this lives (split sub-programs are written there).
class CurrentFolderIs {
public:
    explicit CurrentFolderIs(const std::string& folder) : m_before(platform::currentFolder())
    {
        EXPECT_TRUE(platform::setCurrentFolder(folder));
    }
    ~CurrentFolderIs() { platform::setCurrentFolder(m_before); }
    CurrentFolderIs(const CurrentFolderIs&) = delete;
    CurrentFolderIs& operator=(const CurrentFolderIs&) = delete;

private:
    std::string m_before;
};

std::vector<vork::TMotionRecord> motionRecords(Analyzer& run)
{
    run.session->motion.close();
    const auto bytes = platform::readFileBytes(run.folder.file("VORK.MOT"));
    std::vector<vork::TMotionRecord> records;
    for (std::size_t at = 0; bytes && at + vork::MotionRecordSize <= bytes->size(); at += vork::MotionRecordSize) {
        std::array<std::uint8_t, vork::MotionRecordSize> record{};
        std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(at), vork::MotionRecordSize, record.begin());
        records.push_back(vork::DecodeMotionRecord(record));
    }
    return records;
}

Snapshot runOne(const std::string& block, const std::vector<std::string>& changes = {})
{
    Analyzer run(changes);
    run.load(block + "\r\n");
    run.startToEnd();
    EXPECT_EQ(run.listing.blocks.size(), 1u) << block;
    return run.listing.blocks.empty() ? Snapshot{} : run.last();
}

TEST(GCodes, DispatchTable)
{
    EXPECT_EQ(runOne("G01 X1.").mode, vork::ModeLinear);
    EXPECT_DOUBLE_EQ(runOne("G01 X1.").x, 1.0);
    EXPECT_EQ(runOne("G X1.").mode, vork::ModeRapid);             // a G without digits is G0
    EXPECT_EQ(runOne("G02 X1. Y1. I1.").modeSave, vork::ModeCW);
    EXPECT_EQ(runOne("G03 X1. Y1. I1.").mode, vork::ModeCCW);
    EXPECT_EQ(runOne("G43 Z1. H01").mode, vork::ModeRapid);
    const Snapshot tap = runOne("G84.1 X1. Y1. Z-1. R.1 F10.");   // taken as code 84
    EXPECT_EQ(tap.mode, vork::ModeCycle);
    EXPECT_TRUE(tap.feedOut);
    EXPECT_FALSE(runOne("G81 X1. Z-1. R.1 F10.").feedOut);
    EXPECT_TRUE(runOne("G83 X1. Z-1. R.1 Q.1 F10.").peck);
    EXPECT_TRUE(runOne("G98").retractToInitial);
    EXPECT_EQ(runOne("G80").mode, vork::ModeRapid);
    EXPECT_TRUE(runOne("G21").metric);
    EXPECT_FALSE(runOne("G21 G20").metric);
    const Snapshot both = runOne("G91 G01 X1.");                 // both codes apply
    EXPECT_FALSE(both.absolute);
    EXPECT_EQ(both.mode, vork::ModeLinear);
    const Snapshot firstOnly = runOne("G91 G01 X1.", {"I  126 3"}); // a custom post takes the first only
    EXPECT_FALSE(firstOnly.absolute);
    EXPECT_EQ(firstOnly.mode, vork::ModeRapid);
    EXPECT_EQ(runOne("G18").plane, vork::PlaneZX);
    EXPECT_EQ(runOne("G19").plane, vork::PlaneYZ);
    EXPECT_EQ(runOne("G95").feedMode, vork::FeedPerRevolution);
    EXPECT_EQ(runOne("G99999999999 M99999999999 T99999999999").tool, 2147483647); // no overflow
    EXPECT_EQ(runOne("G41 D01 X1.").mode, vork::ModeRapid);      // compensation changes nothing
    EXPECT_EQ(runOne("G95", {"I    1 3"}).feedMode, vork::FeedPerMinute); // punch: no feed modes
    // Table indexes out of range are kept inside the tables.
    EXPECT_DOUBLE_EQ(runOne("S9000 M03", {"I   96 99"}).rpm, 3000.0);
    EXPECT_DOUBLE_EQ(runOne("S9000 M46", {"I    1 2", "I   79 99"}).rpm, 3000.0);
}

TEST(Program, EveryToolWordEndsASegmentAndM30DoesNotEndTheRun)
{
    Analyzer run;
    run.load("G00 X1.\r\nT2\r\nG01 X2. F10.\r\nT3 M06\r\nG01 X3.\r\nM30\r\nG00 X4.\r\n");
    EXPECT_EQ(run.startToEnd(), 3);
    EXPECT_DOUBLE_EQ(run.state().CurX, 4.0);
    EXPECT_EQ(run.state().Tool, 3);
    int pauses = 0;
    for (const auto& line : run.codeList.lines)
        pauses += line == "Tool Change, Press Start to Continue ...";
    EXPECT_EQ(pauses, 2);
    EXPECT_EQ(run.prompter.shown.back().text, "End of Program, Restart?");

    // A run without T words is one segment; with SKIP on the program runs in one Start.
    Analyzer skip;
    skip.session->settings.skip = true;
    skip.load("G00 X1.\r\nT2\r\nG01 X2. F10.\r\nT3 M06\r\n");
    EXPECT_EQ(skip.startToEnd(), 1);
}

TEST(Program, StopEndsTheSegmentAlsoWithSkip)
{
    Analyzer run;
    run.session->settings.skip = true;
    run.load("G00 X1.\r\nT2\r\nG01 X2. F10.\r\nG01 X3.\r\n");
    run.state().StopRequest = true; // pressed while the loop runs
    run.session->interpreter.ResetMachineState();
    run.session->interpreter.RunBlocks();
    EXPECT_EQ(run.listing.blocks.size(), 1u);
    EXPECT_FALSE(run.state().EndOfProgram);
}

// Loading another machine ends the last machine's run: its picture is cleared, the
// readouts show the new machine at its home with no tool, and Start runs the loaded
// program afresh.
TEST(Program, AnotherMachineClearsThePictureAndTheReadoutsAndStartsAfresh)
{
    struct CountingReadouts : vork::Readouts {
        const TRunState* state = nullptr;
        std::vector<std::pair<int, double>> shown; // tool, X
        void UpdateReadouts(bool) override { shown.emplace_back(state->Tool, state->CurX); }
    } readouts;
    Analyzer run({"R   19 5."});
    readouts.state = &run.state();
    run.session->services.readouts = &readouts;
    run.load("G00 X1.\r\nT303\r\nG01 X2. F10.\r\nM30\r\n");
    run.session->Start(); // paused at the tool change
    ASSERT_FALSE(run.state().EndOfProgram);
    ASSERT_EQ(run.state().Tool, 303);
    run.machine = runtest::defaultMachine({"I    1 2", "R   19 4."});
    run.session->MachineLoaded();
    EXPECT_EQ(run.drawing.calls.back(), "clear");
    ASSERT_FALSE(readouts.shown.empty());
    EXPECT_EQ(readouts.shown.back(), std::make_pair(0, 4.0));
    EXPECT_TRUE(run.state().LatheMachine);
    EXPECT_TRUE(run.state().RestartPending);
    run.listing.blocks.clear();
    run.session->Start();
    ASSERT_FALSE(run.listing.blocks.empty());
    EXPECT_EQ(run.listing.blocks.front().block, "G00 X1.");
}

TEST(Program, MetricPresetDwellInverseTimeAndRotary)
{
    EXPECT_NEAR(runOne("G21 G00 X25.4").x, 1.0, 1e-7);

    Analyzer change({"I   97 0"});
    change.load("G00 X2.\r\nG92 X0\r\nG00 X1.\r\nG91 G00 X1.\r\nX1.\r\n");
    change.startToEnd();
    EXPECT_DOUBLE_EQ(change.listing.blocks[2].x, 3.0);
    EXPECT_DOUBLE_EQ(change.listing.blocks[3].x, 4.0); // no drift of incremental moves
    EXPECT_DOUBLE_EQ(change.listing.blocks[4].x, 5.0);

    Analyzer origin({"I   97 2"});
    origin.load("G00 X2.\r\nG92 X0\r\n");
    origin.startToEnd();
    EXPECT_DOUBLE_EQ(origin.last().x, 0.0);
    EXPECT_EQ(origin.drawing.calls.back(), "M 0 0 0");

    Analyzer dwell;
    dwell.load("S500 M03\r\nG05 P2.\r\nG04 P3.\r\n");
    dwell.startToEnd();
    EXPECT_NEAR(dwell.listing.blocks[1].segTime, 0.004, 1e-12);
    EXPECT_NEAR(dwell.listing.blocks[2].segTime, 0.054, 1e-12);
    EXPECT_EQ(runOne("G05 P2.").segTime, 0.0); // a stopped spindle: no time, no infinity
    Analyzer noDwellWord;
    noDwellWord.load("G04\r\n");
    noDwellWord.startToEnd();
    EXPECT_EQ(noDwellWord.errors.errors, std::vector<int>{9});

    EXPECT_DOUBLE_EQ(runOne("G01 X1. F5.", {"I   60 2"}).feed, 0.0); // inverse time reads no feed
    EXPECT_DOUBLE_EQ(runOne("G01 X1. F5.").feed, 5.0);
    Analyzer perRev;
    perRev.load("S400 M03\r\nG95 G01 X1. F.01\r\n");
    perRev.startToEnd();
    EXPECT_DOUBLE_EQ(perRev.last().feed, 4.0);

    Analyzer css({"I    1 2", "S   18 NONE", "R   22 3000"});
    css.load("G00 X1.\r\nG96 S500\r\nG21 G00 X50.8 S100\r\nG97 S4000\r\n");
    css.startToEnd();
    EXPECT_NEAR(css.listing.blocks[1].rpm, 500 * 12 / vork::TwoPi, 1e-9);
    EXPECT_NEAR(css.listing.blocks[2].rpm, 100 * 3.28084 * 12 / (2.0 * vork::TwoPi), 1e-4); // metres per minute
    EXPECT_DOUBLE_EQ(css.listing.blocks[3].rpm, 3000.0); // limited to the range

    Analyzer rotary;
    rotary.load("G01 X1. F10.\r\nA90. X2.\r\n");
    rotary.startToEnd();
    EXPECT_EQ(rotary.last().mode, vork::ModeLinear); // back to the modal mode
    EXPECT_DOUBLE_EQ(rotary.last().rotA, vork::Pi / 2);
    EXPECT_DOUBLE_EQ(rotary.last().x, 2.0);
    EXPECT_EQ(rotary.drawing.only('L').size(), 1u); // nothing drawn for the rotary move
}

TEST(Program, SubProgramCallsRepeatAndAFourthLevelIsRefused)
{
    Analyzer run;
    run.session->settings.sub = true;
    run.folder.write("O0012.TAP", "G91 G01 X1. F10.\r\nG90\r\nM99\r\n");
    run.load("M98 P12 L3 (POCKETS)\r\nM30\r\n");
    run.startToEnd();
    EXPECT_DOUBLE_EQ(run.state().CurX, 3.0);
    EXPECT_EQ(run.folder.read("P.TAP"), "M98 P12 L3 (POCKETS)\r\nM30\r\n");

    Analyzer deep;
    deep.session->settings.sub = true;
    deep.folder.write("O0001.TAP", "M98 P2\r\n");
    deep.folder.write("O0002.TAP", "M98 P3\r\n");
    deep.folder.write("O0003.TAP", "M98 P4\r\n");
    deep.folder.write("O0004.TAP", "G00 X9.\r\n");
    deep.load("M98 P1\r\nM98 P77\r\n");
    deep.startToEnd();
    EXPECT_EQ(deep.errors.errors, (std::vector<int>{18, 16}));
    EXPECT_DOUBLE_EQ(deep.state().CurX, 0.0);
}

TEST(Program, RetryRunsTheEditedBlockAndTheEditReachesTheFile)
{
    Analyzer run({"R   10 10."}, false);
    run.errorDialog.answers = {{vork::ErrorAnswer::Retry, "G00 X5."}};
    run.load("G00 X20.\r\nG00 Y1.\r\n");
    run.startToEnd();
    EXPECT_DOUBLE_EQ(run.state().CurX, 5.0);
    EXPECT_EQ(run.folder.read("P.TAP"), "G00 X5.\r\nG00 Y1.\r\n");
    // The edit was the first program's: the next program of the session is left as it is.
    const std::string next = "G00 X1.\nG00 Y1.\n";
    run.load(next, "Q.TAP");
    struct stat before{}, after{};
    ASSERT_EQ(::stat(run.folder.file("Q.TAP").c_str(), &before), 0);
    run.startToEnd();
    ASSERT_EQ(::stat(run.folder.file("Q.TAP").c_str(), &after), 0);
    EXPECT_EQ(run.folder.read("Q.TAP"), next);
    EXPECT_EQ(after.st_ino, before.st_ino);

    Analyzer abort({"R   10 10."}, false);
    abort.session->settings.skip = true;
    abort.errorDialog.answers = {{vork::ErrorAnswer::Abort, ""}};
    abort.load("G00 X20.\r\nG00 Y1.\r\n");
    abort.session->Start();
    EXPECT_FALSE(abort.session->settings.skip);
    EXPECT_FALSE(abort.state().EndOfProgram);
    EXPECT_EQ(abort.listing.blocks.size(), 1u);
}

TEST(Program, HomeReturnAndColoursPerTool)
{
    Analyzer run;
    run.load("G00 X1. Y1. Z1.\r\nG28 Z0.\r\nT2\r\nG01 X2. F10.\r\n");
    run.startToEnd();
    EXPECT_DOUBLE_EQ(run.listing.blocks[1].z, 0.0); // the machine's home
    EXPECT_DOUBLE_EQ(run.listing.blocks[1].x, 0.0);
    const auto colours = run.drawing.only('C');
    // Segment colours cycle 1, 2; rapids switch to colour 12 and back: the first move,
    // the G28 block's move to its Z word, and its return home.
    EXPECT_EQ(colours, (std::vector<std::string>{"C 1", "C 12", "C 1", "C 12", "C 1", "C 12", "C 1", "C 2"}));
}

TEST(RunLoop, SingleBlockWaitsAndASecondStartReleasesTheLoop)
{
    Analyzer run;
    run.load("G00 X1.\r\nG00 X2.\r\nG00 X3.\r\nG00 X4.\r\n");
    std::vector<int> seen;
    run.pump.actions = {
        [&] { run.session->Single(); },
        [&] {
            seen.push_back(static_cast<int>(run.listing.blocks.size()));
            run.session->Single();
        },
        [&] {
            seen.push_back(static_cast<int>(run.listing.blocks.size()));
            run.session->Start(); // releases the waiting loop; no second loop starts
        },
    };
    run.session->Single();
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_EQ(run.listing.blocks.size(), 4u);
    EXPECT_TRUE(run.state().EndOfProgram);
    EXPECT_FALSE(run.state().Running);
    EXPECT_TRUE(run.session->settings.edit); // a single-block run shows errors
}

TEST(RunLoop, ClosingWhileWaitingLeavesTheLoop)
{
    Analyzer run;
    run.load("G00 X1.\r\nG00 X2.\r\n");
    run.session->Single(); // the pump has no action: the window closes
    EXPECT_TRUE(run.listing.blocks.empty());
    EXPECT_TRUE(run.session->Close());
    EXPECT_EQ(run.folder.read("P.TAP"), "G00 X1.\r\nG00 X2.\r\n");
}

TEST(RunLoop, AutoFitRunsTheProgramTwiceUnseen)
{
    Analyzer run;
    run.load("G00 X1.\r\nT2\r\nG01 X2. F10.\r\n");
    run.session->interpreter.AutoFitExtents();
    EXPECT_EQ(run.listing.blocks.size(), 3u); // the listing is the drawn pass's alone
    EXPECT_FALSE(run.state().NoDisplay);
    EXPECT_FALSE(run.session->settings.skip);
    EXPECT_TRUE(run.codeList.lines.empty());
    EXPECT_TRUE(run.prompter.shown.empty()); // no restart question while fitting
    const auto& calls = run.drawing.calls;
    EXPECT_NE(std::find(calls.begin(), calls.end(), "fit extents"), calls.end());
    EXPECT_EQ(run.folder.read("P.TAP"), "G00 X1.\r\nT2\r\nG01 X2. F10.\r\n");
}

TEST(MotionFile, RecordLayout)
{
    vork::TMotionRecord r;
    r.opnum = 7;
    r.mode = 4;
    r.ex = 1.5;
    r.rplane = -0.25;
    r.feed = 12.0;
    const auto bytes = vork::EncodeMotionRecord(r);
    ASSERT_EQ(bytes.size(), 187u);
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 10);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{1, 0, 0, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4}));
    const std::vector<std::uint8_t> ex(bytes.begin() + 34, bytes.begin() + 42);
    EXPECT_EQ(ex, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    const std::vector<std::uint8_t> rplane(bytes.begin() + 58, bytes.begin() + 66);
    EXPECT_EQ(rplane, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0xD0, 0xBF}));
    const std::vector<std::uint8_t> feed(bytes.begin() + 98, bytes.begin() + 106);
    EXPECT_EQ(feed, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0x28, 0x40}));
    EXPECT_EQ(bytes[106], 0);
    const auto back = vork::DecodeMotionRecord(bytes);
    EXPECT_EQ(back.opnum, 7);
    EXPECT_EQ(back.spare2, -1);
    EXPECT_DOUBLE_EQ(back.rplane, -0.25);
}

TEST(MotionFile, MovesOfToolsWithOperationsAreRecorded)
{
    EveryToolHasAnOperation operations;
    Analyzer run({}, true, &operations);
    run.session->settings.skip = true;
    run.load("T1\r\nG00 X1. Y2. Z3.\r\nG01 X4. F20.\r\nG04 P1.\r\n");
    run.startToEnd();
    run.session->motion.close();
    const auto bytes = platform::readFileBytes(run.folder.file("VORK.MOT"));
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 2 * vork::MotionRecordSize);
    std::array<std::uint8_t, vork::MotionRecordSize> record{};
    std::copy_n(bytes->begin() + vork::MotionRecordSize, vork::MotionRecordSize, record.begin());
    const auto r = vork::DecodeMotionRecord(record);
    EXPECT_EQ(r.opnum, 101);
    EXPECT_EQ(r.mode, 1);
    EXPECT_DOUBLE_EQ(r.ex, 4.0);
    EXPECT_DOUBLE_EQ(r.sx, 1.0);
    EXPECT_DOUBLE_EQ(r.ez, 3.0);
    EXPECT_DOUBLE_EQ(r.feed, 20.0);
}

} // namespace

namespace {

TEST(ExamplePrograms, RunCleanlyOnTheExampleMachines)
{
    const struct {
        const char* program;
        const char* machine;
        double endX, endZ;
    } cases[] = {
        {"BRACKET.TAP", "Mill 1.MCH", 0.0, 5.0},
        {"FACE.TAP", "Mill 1.MCH", 5.5, 1.0},
        {"SHAFT.TAP", "Lathe 1.MCH", 2.0, 3.0},
    };
    for (const auto& c : cases) {
        // The example folder as the program folder, with its own settings.
        Analyzer run;
        ProgramFolderIs programFolder(run.folder.path());
        ASSERT_TRUE(vork::LoadMachineFile(run.machine, testsupport::examplePath(c.machine)));
        ASSERT_TRUE(platform::makeFolders(run.folder.file("NC")));
        run.folder.write("ZV.INI", testsupport::exampleFile("ZV.INI"));
        const std::string program = "NC/" + std::string(c.program);
        for (const std::string file : {"O1001.TAP", c.program})
            run.folder.write("NC/" + file, testsupport::exampleFile(file));
        platform::IniFile zv(run.folder.file("ZV.INI"));
        vork::Get_INI_Stuff(run.session->settings, zv);
        EXPECT_TRUE(run.session->settings.sub);
        const std::string original = run.folder.read(program);
        run.session->LoadFile(run.folder.file(program));
        run.startToEnd();
        EXPECT_TRUE(run.errors.errors.empty()) << c.program << " error " << run.errors.errors.front();
        EXPECT_NEAR(run.state().CurX, c.endX, 1e-9) << c.program;
        EXPECT_NEAR(run.state().CurZ, c.endZ, 1e-9) << c.program;
        EXPECT_EQ(run.folder.read(program), original) << c.program;
    }
}

} // namespace

namespace {

TEST(AxisWords, IncrementalWordsScalesAndUnits)
{
    const struct {
        const char* program;
        std::vector<std::string> machine;
        double x, y, z, feed;
    } cases[] = {
        {"G00 X1. Y1. Z1.\r\nG01 U1. V-2. W.5 F10.", {}, 2, -1, 1.5, 10},
        {"G00 X1.\r\nG01 U1. X5. F10.", {}, 2, 0, 0, 10},                      // the incremental word wins
        {"G00 U1.\r\nU1.", {"R   38 2"}, 4, 0, 0, 0},                          // incremental scale
        {"G00 X2. Z1.", {"I    1 2", "R    1 0.5"}, 1, 0, 1, 0},              // lathe X is a diameter
        {"G21 G00 U25.4", {}, 1, 0, 0, 0},
        {"S400 M03\r\nG21 G95 G01 X25.4 F.254", {}, 1, 0, 0, 4},               // metric feed per revolution
        {"S400 M03\r\nG95 G01 X1. F.01", {"I    1 2"}, 1, 0, 0, 4},
    };
    for (const auto& c : cases) {
        Analyzer run(c.machine);
        run.load(std::string(c.program) + "\r\n");
        run.startToEnd();
        ASSERT_FALSE(run.listing.blocks.empty()) << c.program;
        EXPECT_TRUE(run.errors.errors.empty()) << c.program;
        EXPECT_NEAR(run.last().x, c.x, 1e-6) << c.program;
        EXPECT_NEAR(run.last().y, c.y, 1e-6) << c.program;
        EXPECT_NEAR(run.last().z, c.z, 1e-6) << c.program;
        EXPECT_NEAR(run.last().feed, c.feed, 1e-6) << c.program;
    }
}

TEST(NCErrors, EachCheckReportsItsNumber)
{
    const std::vector<std::string> lathe = {"I    1 2"};
    const struct {
        const char* program;
        std::vector<std::string> machine;
        std::vector<int> errors;
    } cases[] = {
        {"G00 X20.", {"R   10 10."}, {2}},
        {"G00 X-20.", {"R   11 -10."}, {3}},
        {"G00 Y20.", {"R   12 10."}, {4}},
        {"G00 Y-20.", {"R   13 -10."}, {5}},
        {"G00 Z20.", {"R   14 10."}, {6}},
        {"G00 Z-20.", {"R   15 -10."}, {7}},
        {"G00 Y20.", {"I    1 2", "R   12 10."}, {}},  // a lathe has no Y limits
        {"G00 Z20.", {"I    1 3", "R   14 10."}, {}},  // a punch has no Z limits
        {"G00 X20.", {"R   10 10.", "R   11 -10."}, {2}},
        {"G33 G96 Z-1. K.1", lathe, {10}},
        {"G33 Z-1.", lathe, {11}},
        {"G76 Z-1.", lathe, {11}},
        {"G33 Z-1. K.1", lathe, {}},
        {"T100", {"I  111 99"}, {14}},
        {"T99", {"I  111 99"}, {}},
        {"T100", {}, {}},
        {"G83 X1. Z-1. R.1 F10.", {}, {17}},
        {"G83 X1. Z-1. R.1 Q.2 F10.", {}, {}},
        {"G83 X1. Z-1. R.1 Q.2 F10.", {"I  126 6"}, {17}},  // the second Z is the increment
        {"G83 X1. Z-1. R.1 Z.2 F10.", {"I  126 6", "S   15 Z"}, {}},
    };
    for (const auto& c : cases) {
        Analyzer run(c.machine);
        run.load(std::string(c.program) + "\r\n");
        run.startToEnd();
        EXPECT_EQ(run.errors.errors, c.errors) << c.program;
    }
    Analyzer noLimits({"R   10 10."});
    noLimits.session->settings.limits = false;
    noLimits.load("G00 X20.\r\n");
    noLimits.startToEnd();
    EXPECT_TRUE(noLimits.errors.errors.empty());
}

TEST(Program, AProgramThatCannotBeReadIsNeverReplaced)
{
    for (const bool folderName : {false, true}) {
        Analyzer run;
        const std::string program = "G00 X1.\r\nG00 X2.\r\n";
        run.folder.write("P.TAP", program);
        ::chmod(run.folder.path().c_str(), 0777); // the run may write its copies there
        ::chmod(run.folder.file("P.TAP").c_str(), 0200);
        ::mkdir(run.folder.file("DIR.TAP").c_str(), 0777);
        const std::string name = run.folder.file(folderName ? "DIR.TAP" : "P.TAP");
        EXPECT_FALSE(testsupport::asOrdinaryUser([&] { return run.session->LoadFile(name); })) << name;
        ASSERT_FALSE(run.prompter.shown.empty());
        EXPECT_EQ(run.prompter.shown.back().text,
                  folderName ? platform::notRegularFileText(name) : "Cannot Open [" + name + "]");
        EXPECT_FALSE(platform::fileExists(run.folder.file("DV.TMP")));
        run.session->Start(); // nothing to run
        run.session->interpreter.AutoFitExtents();
        run.session->Close();
        EXPECT_TRUE(run.listing.blocks.empty());
        ::chmod(run.folder.file("P.TAP").c_str(), 0600); // so that this user may read it back
        EXPECT_EQ(run.folder.read("P.TAP"), program);
        EXPECT_TRUE(platform::folderExists(run.folder.file("DIR.TAP")));
    }
}

TEST(Program, SplitModeEndsWhenAnotherProgramIsLoaded)
{
    Analyzer run;
    CurrentFolderIs here(run.folder.path());
    run.session->settings.sub = true;
    run.load("G00 X1.\r\nM30\r\nO0012\r\nG00 X100.\r\nM99\r\n", "A.TAP");
    run.session->input.SplitSubPrograms();
    ASSERT_EQ(run.folder.read("O0012.SUB"), "G00 X100.\r\nM99\r\n");
    run.folder.write("O0012.TAP", "G00 X5.\r\nM99\r\n");
    run.load("M98 P12\r\n", "B.TAP");
    EXPECT_FALSE(run.state().SubSplit);
    run.startToEnd();
    EXPECT_DOUBLE_EQ(run.state().CurX, 5.0);
}

TEST(Program, RetryAfterABadFormatDrawsAndRecordsOnlyTheEditedBlock)
{
    EveryToolHasAnOperation operations;
    Analyzer run({"I   61 2"}, false, &operations); // coordinates in trailing-zero format
    run.errorDialog.answers = {{vork::ErrorAnswer::Retry, "G01 X15000"}};
    run.load("G01 X1.5\r\n");
    run.startToEnd();
    EXPECT_DOUBLE_EQ(run.state().CurX, 1.5);
    // Retry puts the tool back where the block began: the operation's home (0, 0, 1).
    EXPECT_EQ(run.drawing.only('L'), std::vector<std::string>{"L 1.5 0 1"});
    const auto records = motionRecords(run);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_DOUBLE_EQ(records[0].ex, 1.5);
    EXPECT_EQ(run.folder.read("P.TAP"), "G01 X15000\r\n");
}

TEST(Program, UnderSkipAPauseInTypedEntryReturnsToTheWindow)
{
    Analyzer run;
    run.session->settings.skip = true;
    run.prompter.inputs = {{true, "N"}, {true, "G00 X1."}, {false, ""}, {true, "@"}};
    run.session->LoadFile(run.folder.file("NEW.TAP"));
    run.session->Start();
    EXPECT_FALSE(run.state().EndOfProgram); // Cancel paused the run
    EXPECT_EQ(run.prompter.inputs.size(), 1u);
    run.session->Start();
    EXPECT_TRUE(run.state().EndOfProgram);
    EXPECT_EQ(run.folder.read("NEW.TAP"), "G00 X1.\r\n");

    // With nobody to type, Start returns at once.
    testsupport::TempFolder folder;
    vork::TMachineSetup machine = runtest::defaultMachine();
    vork::RunSession headless(machine, {}, folder.path());
    headless.settings.skip = true;
    headless.LoadFile(folder.file("NEW.TAP"));
    headless.Start();
    EXPECT_FALSE(headless.state.EndOfProgram);
}

TEST(Program, AStopDoesNotChangeThePath)
{
    const std::string program = "T1\r\nG91 G01 X1. F10.\r\nX1.\r\nM01\r\nX1.\r\nX1.\r\n";
    EveryToolHasAnOperation operations;
    Analyzer straight({}, true, &operations);
    straight.load(program);
    straight.startToEnd();

    Analyzer paused({}, true, &operations);
    paused.load(program);
    paused.session->Start(); // to the tool change
    for (int i = 0; i < 2; ++i) {
        paused.state().StopRequest = true; // pressed while the next segment runs
        paused.session->interpreter.RunBlocks();
    }
    paused.startToEnd();
    EXPECT_EQ(paused.listing.blocks.size(), straight.listing.blocks.size());
    EXPECT_EQ(paused.drawing.only('L'), straight.drawing.only('L'));
    EXPECT_EQ(paused.drawing.only('C'), straight.drawing.only('C'));
    // M01 keeps its rule: the next segment starts from the operation's home X0.
    EXPECT_EQ(straight.drawing.only('L'),
              (std::vector<std::string>{"L 1 0 0", "L 2 0 0", "L 1 0 0", "L 2 0 0"}));
}

TEST(Program, ARepeatedSubProgramThatHoldsNoBlockCanBeLeft)
{
    // An empty file repeated as often as a count can say ends the call at once.
    Analyzer empty;
    empty.session->settings.sub = true;
    empty.folder.write("O3000.TAP", "");
    empty.load("M98 P3000 L2147483647\r\nG00 X1.\r\n");
    empty.startToEnd();
    EXPECT_DOUBLE_EQ(empty.state().CurX, 1.0);
    EXPECT_TRUE(empty.errors.errors.empty());

    // Lines with nothing to run still let Stop end the segment.
    Analyzer blank;
    blank.session->settings.sub = true;
    blank.folder.write("O3000.TAP", "\r\n(NOTE)\r\n");
    blank.load("M98 P3000 L2147483647\r\nG00 X1.\r\n");
    int lines = 0;
    blank.pump.onEvents = [&] {
        if (++lines == 1000)
            blank.session->Stop();
    };
    blank.session->Start();
    EXPECT_FALSE(blank.state().EndOfProgram);
    EXPECT_EQ(blank.state().SubLevel, 1);
    EXPECT_TRUE(blank.session->Close());
    EXPECT_EQ(blank.folder.read("P.TAP"), "M98 P3000 L2147483647\r\nG00 X1.\r\n");
}

TEST(Program, SubProgramsAreFoundWhereTheStoredFolderPoints)
{
    const struct {
        const char* tapeDir;
        const char* folder; // below the program folder
    } cases[] = {
        {"c:\\halven", "HALVEN"},
        {"\\NC\\SUBS\\", "NC/SUBS"},
        {"SUBS", "SUBS"},
        {"D:\\PROGS", "DRIVE-D/PROGS"},
    };
    for (const auto& c : cases) {
        Analyzer run;
        ProgramFolderIs program(run.folder.path());
        run.folder.write("MRW2013.INI", "[DRIVES]\r\nD=DRIVE-D\r\n");
        ASSERT_TRUE(platform::makeFolders(run.folder.file(c.folder)));
        run.folder.write(std::string(c.folder) + "/O0012.TAP", "G00 X5.\r\nM99\r\n");
        run.session->settings.sub = true;
        run.session->settings.tapeDir = c.tapeDir;
        run.load("M98 P12\r\n");
        run.startToEnd();
        EXPECT_TRUE(run.errors.errors.empty()) << c.tapeDir;
        EXPECT_DOUBLE_EQ(run.state().CurX, 5.0) << c.tapeDir;
    }
}

} // namespace
