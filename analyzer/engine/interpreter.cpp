#include "analyzer/engine/interpreter.h"

#include "analyzer/engine/machine_setup.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/nc_input.h"
#include "analyzer/engine/run_drawing.h"
#include "analyzer/engine/run_services.h"
#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/run_state.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vork {

namespace {

constexpr double FeetPerMetre = 3.28084;
constexpr double DegreesToRadians = Pi / 180.0;
constexpr int MaxSpeedRanges = 6;
constexpr double ExtentFrame = 0.1;

// A machine parameter that holds a G or M code matches a code unless it is not set.
bool matches(int code, std::int32_t parameter)
{
    return parameter != NotSetInt && code == parameter;
}

int wholeCode(double value)
{
    return static_cast<int>(std::clamp<std::int64_t>(platform::truncToInt(value), std::numeric_limits<int>::min(),
                                                      std::numeric_limits<int>::max()));
}

// Leaves a flag's value on scope exit, for the run's re-entry guard.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

BlockInterpreter::BlockInterpreter(TRunState& state, TMachineSetup& setup, AnalyzerSettings& settings,
                                   RunServices& services, NCInput& input, MotionFile& motion)
    : m_state(state), m_setup(setup), m_settings(settings), m_services(services), m_input(input), m_motion(motion)
{
}

bool BlockInterpreter::isMill() const
{
    return m_setup.I(1) == 1;
}

bool BlockInterpreter::reportError(int n)
{
    ++m_state.NCErrorCount;
    if (m_services.errors)
        m_services.errors->ReportNCError(n);
    return m_state.Retry;
}

void BlockInterpreter::waitFor(bool TRunState::*flag)
{
    m_state.*flag = false;
    if (!m_services.pump)
        return; // nothing could ever set it: do not wait
    // Stop ends the wait for Single too; the pacing wait lets the block run first.
    const bool stopEnds = flag == &TRunState::StartPressed;
    while (!(m_state.*flag) && !m_state.CloseRequest && !(stopEnds && m_state.StopRequest))
        m_services.pump->waitPumping(10);
}

void BlockInterpreter::selectSpeedRange(int range)
{
    m_state.SpeedRange = std::clamp(range, 1, MaxSpeedRanges);
    m_state.RangeMaxRpm = m_setup.R(21 + m_state.SpeedRange);
}

// ---- Resets -----------------------------------------------------------------------

void BlockInterpreter::ResetMachineState()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    s.LatheMachine = m.isLathe();
    s.CurX = s.CurY = s.CurZ = s.PrevX = s.PrevY = s.PrevZ = 0;
    s.OffX = s.OffY = s.OffZ = 0;
    s.RotA = s.RotB = s.RotC = s.PrevRotA = s.PrevRotB = s.PrevRotC = 0;
    s.Feed = s.FeedPerRev = s.Rpm = s.CssRadius = s.PeckIncrement = s.InitialPlane = 0;
    s.SegTime = s.LastSegTime = s.TotalTime = s.TotalCost = s.MoveLength = s.ArcTime = 0;
    s.ArcError = 0;
    s.RepeatsLeft = 0;
    s.ToolTimes.count = 0;
    if (m_services.times)
        m_services.times->ResetTimes();
    if (m_services.toolImage)
        m_services.toolImage->ForgetLastPosition();
    s.Retry = s.MaxRpmSet = s.MaxRpmBlock = s.CssInhibit = s.Peck = s.FeedOut = s.RetractToInitial = false;
    for (int level = 1; level <= MaxSubLevel; ++level)
        s.SubFile[static_cast<std::size_t>(level)].close();
    s.SubLevel = 0;
    s.MCode = NotSetInt;
    s.Tool = 0;
    s.SegmentTool = 0;
    s.Block.clear();
    s.RawBlock.clear();
    s.PrevBlock.clear();
    s.FirstBlock = true;
    s.BlockCount = 0;
    if (m.I(1) == 3)
        m_settings.dash = false;

    if (m.S(13) == NotSetString)
        s.Feed = m.RealOr(16, 0.0);
    s.FeedMode = std::clamp(m.I(60), 0, 2);
    s.SpindleMode = 0;
    selectSpeedRange(m.I(96));
    s.Metric = m.I(20) != 0;
    s.Absolute = m.I(17) != 0;

    if (s.LatheMachine && !s.Absolute && m_services.numbers) {
        double value = m.R(19);
        if (m_services.numbers->InputNumber("Home position in -X-", value, value))
            m_setup.Reals[19] = value;
        value = m.R(21);
        if (m_services.numbers->InputNumber("Home position in -Z-", value, value))
            m_setup.Reals[21] = value;
    }
    s.PrevX = s.CurX = m.R(19);
    s.PrevY = s.CurY = m.R(20);
    s.PrevZ = s.CurZ = m.R(21);
    s.Plane = isMill() ? std::clamp(m.I(24), 0, 2) : s.LatheMachine ? PlaneZX : PlaneXY;
    s.Mode = s.ModeSave = s.LastMode = ModeRapid;
}

void BlockInterpreter::ResetRun()
{
    TRunState& s = m_state;
    s.ToolTimes.clearRows();
    s.CurX = s.HomeX = m_setup.R(19);
    s.CurY = s.HomeY = m_setup.R(20);
    s.CurZ = s.HomeZ = m_setup.R(21);
    s.CentreWordX = s.CentreWordY = s.CentreWordZ = NotSetPosition;
    s.OffX = s.OffY = s.OffZ = 0;
    s.RotA = s.RotB = s.RotC = s.PrevRotA = s.PrevRotB = s.PrevRotC = 0;
    s.RPlane = 0.1;
    s.RestartPending = false;
    if (m_services.drawing)
        m_services.drawing->Moveto(s.CurX, s.CurY, s.CurZ);
}

// ---- Segments ---------------------------------------------------------------------

void BlockInterpreter::RunBlocks()
{
    TRunState& s = m_state;
    if (s.Running) {
        s.StartPressed = true; // a second Start or Single only releases the waiting loop
        return;
    }
    FlagGuard running(s.Running);
    for (;;) {
        if (!runSegment())
            return; // the window is closing
        s.SegmentTool = s.Tool;
        // Under SKIP only tool changes and program stops run on; the Stop toggle, an
        // Abort and a pause in typed entry return to the window.
        if (m_settings.skip && !s.RestartPending && !s.EndOfProgram && !m_stoppedByToggle && m_endedAtToolChange)
            continue;
        // A restart at the end waits for Start with the list cleared, not at a tool change.
        // A segment that ended without a tool change (Stop, Abort, a pause in typed entry)
        // still has its tool in the spindle: it says so.
        if (!s.EndOfProgram && !s.RestartPending && m_services.codeList && !s.NoDisplay)
            m_services.codeList->add(m_endedAtToolChange ? "Tool Change, Press Start to Continue ..."
                                                         : "Stop, Press Start to Continue ...");
        return;
    }
}

bool BlockInterpreter::runSegment()
{
    TRunState& s = m_state;
    // A segment after a tool change (or a program stop) starts from the operation's
    // home; after a pause (Stop, Abort, typed entry) the run goes on where it stood.
    const bool newTool = s.RestartPending || m_endedAtToolChange;
    if (s.RestartPending)
        ResetRun();
    s.SegmentEnd = s.Moved = s.AxisMoved = s.HomeReturn = false;
    s.SegTime = s.LastSegTime = 0;
    m_stoppedByToggle = false;
    m_endedAtToolChange = false;
    if (s.SingleBlock)
        m_settings.edit = true;
    if (m_setup.I(1) == 4 && m_setup.S(13) == NotSetString && m_services.numbers)
        m_services.numbers->InputNumber("Enter Feedrate in IPM", s.Feed, s.Feed);

    if (!s.EndOfProgram && newTool) {
        const int slot = m_services.operations ? m_services.operations->Tooltoopnum(s.Tool, s.LatheMachine) : -1;
        s.OpSlot = static_cast<std::int16_t>(slot);
        // The last tool's picture leaves the spindle with it, also for a tool that has no
        // operation and so no picture of its own.
        if (m_settings.showTool && m_services.toolImage)
            m_services.toolImage->ResetToolImage();
        if (slot != -1) {
            const OperationHome home = m_services.operations->Home(slot);
            s.HomeX = s.PrevX = home.x;
            s.HomeY = s.PrevY = home.y;
            s.HomeZ = s.PrevZ = home.z;
            s.ColorIndex = m_services.operations->CurrentOpcolor(slot);
            if (m_settings.showTool)
                m_services.operations->SetCurrentTIM(slot);
        } else if (++s.ColorIndex > 16) {
            s.ColorIndex = 1;
        }
        if (m_services.drawing)
            m_services.drawing->SetColor(s.ColorIndex);
    }
    if (!s.EndOfProgram) {
        do {
            if (runBlock() == BlockOutcome::Leave)
                return false;
        } while (!s.SegmentEnd && !s.EndOfProgram);
    }

    if (s.EndOfProgram && !s.NoDisplay) {
        s.Mode = ModeLinear;
        if (m_services.prompter && m_services.prompter->ask("Confirm", "End of Program, Restart?")) {
            if (s.DataFileOn && m_services.listing)
                m_services.listing->WriteTapeSummary();
            if (m_services.codeList)
                m_services.codeList->clear();
            s.KeepFileName = true;
            if (!m_input.OpenNCFile(s.NCFileName))
                return true; // the program cannot be read again: it stays ended
            s.EndOfProgram = false;
            s.RestartPending = true;
            ResetMachineState();
            if (m_services.drawing)
                m_services.drawing->ClearDisplay();
            m_motion.recreate();
        }
    }
    return true;
}

BlockInterpreter::BlockOutcome BlockInterpreter::runBlock()
{
    TRunState& s = m_state;
    if (s.SingleBlock && !s.Retry) {
        waitFor(&TRunState::StartPressed);
        if (s.StopRequest && !s.StartPressed && !s.CloseRequest) {
            // Stopped while waiting for Single: the segment ends before the next block.
            s.SegmentEnd = true;
            m_stoppedByToggle = true;
            endSegment();
            return BlockOutcome::Next;
        }
    }
    if (s.CloseRequest)
        return BlockOutcome::Leave;
    if (!s.Retry && s.RepeatsLeft > 0 && m_services.cycles) {
        resumeRepeats();
        return BlockOutcome::Next;
    }
    if (!s.Retry)
        m_input.ReadNextBlock();
    m_blockHadMCode = false;
    int blockMCode = NotSetInt;
    if (!s.EndOfProgram && !s.Block.empty() && s.Block != " ") {
        s.Moved = s.AxisMoved = s.Retry = s.HomeReturnTool = false;
        s.MaxRpmBlock = false;
        ++s.BlockCount;
        if (m_settings.speed > 0)
            waitFor(&TRunState::PacingTick);
        if (s.StopRequest) {
            s.SegmentEnd = true;
            m_stoppedByToggle = true;
        }
        interpretBlock();
        blockMCode = s.MCode;
    } else if (s.StopRequest && !s.EndOfProgram) {
        // Lines that hold nothing to run still answer Stop, so that a long run of them
        // (an empty sub-program repeated many times) can be stopped.
        s.SegmentEnd = true;
        m_stoppedByToggle = true;
    }
    endBlock(m_blockHadMCode, blockMCode);
    return BlockOutcome::Next;
}

// The holes of a stopped repeat are the rest of its block: drilled, timed and listed as
// the block was, with the block's words already read.
void BlockInterpreter::resumeRepeats()
{
    TRunState& s = m_state;
    s.Block = s.RawBlock;
    s.Moved = s.AxisMoved = true;
    if (s.StopRequest) {
        s.SegmentEnd = true;
        m_stoppedByToggle = true;
    }
    m_services.cycles->ResumeRepeats([this] {
        writeMotionRecord();
        writeDxfElement();
    });
    if (!s.Retry && m_services.times)
        m_services.times->BlockTime();
    s.Retry = false;
    s.PrevX = s.CurX;
    s.PrevY = s.CurY;
    s.PrevZ = s.CurZ;
    if (m_services.readouts)
        m_services.readouts->UpdateReadouts(false);
    endBlock(false, NotSetInt);
}

void BlockInterpreter::endBlock(bool blockHadMCode, int blockMCode)
{
    TRunState& s = m_state;
    s.Block = s.RawBlock;
    s.PrevBlock = s.Block;
    s.LastMode = s.Mode;
    if (s.DataFileOn && m_services.listing)
        m_services.listing->WriteDataLine();
    s.LastSegTime = s.SegTime;
    if (s.SubSplit && blockHadMCode && (matches(blockMCode, m_setup.I(45)) || matches(blockMCode, m_setup.I(46)))) {
        m_input.CloseNCFile();
        s.SegmentEnd = true;
        s.EndOfProgram = true;
    }
    if (s.SegmentEnd || s.EndOfProgram)
        endSegment();
}

void BlockInterpreter::endSegment()
{
    TRunState& s = m_state;
    if (m_services.times)
        m_services.times->BookSegment(s.EndOfProgram || m_endedAtToolChange);
    // The tool leaves the spindle now, and its picture the screen, while the run waits
    // for Start; the picture of the next tool comes with its first move.
    if (m_endedAtToolChange && !s.EndOfProgram && m_services.toolImage)
        m_services.toolImage->EraseToolImage();
    if (s.DataFileOn && s.DataFileOpen && !s.EndOfProgram) {
        if (m_endedAtToolChange)
            s.DataFile.writeLine(">>>>>>>>>>>>>>>>>>>>>>>>> Tool Change, Tool = " + platform::strInt(s.Tool, 6) +
                                 " <<<<<<<<<<<<<<<<<<<<<<<<<");
        else
            s.DataFile.writeLine(">>>>>>>>>>>>>>>>>>>>>>>>> Stop <<<<<<<<<<<<<<<<<<<<<<<<<");
    }
    if (m_services.readouts)
        m_services.readouts->UpdateReadouts(true);
}

// ---- One block --------------------------------------------------------------------

bool BlockInterpreter::interpretBlock()
{
    TRunState& s = m_state;
    const int post = m_setup.PostOption;
    if (m_setup.I(93) == 1 && (s.Mode == ModeCW || s.Mode == ModeCCW))
        s.Mode = ModeLinear;
    if (post == 1) {
        if (s.Block.find("(0)") != std::string::npos)
            s.Mode = ModeRapid;
        else if (s.Block.find("(1)") != std::string::npos)
            s.Mode = ModeLinear;
        else if (s.Block.find("(2)") != std::string::npos)
            s.Mode = s.Block.find("D0") != std::string::npos ? ModeCW : ModeCCW;
        m_input.ReadWordValue("G", FormatDecimal, 2, 2);
        if (s.WordFound) {
            const int g = wholeCode(s.WordValue);
            if (g >= 1 && g <= 5) {
                s.Mode = ModeCycle;
            } else if (g == 0) {
                s.Mode = ModeRapid;
                s.Peck = false;
            }
        }
        if (const std::size_t g = s.Block.find('G'); g != std::string::npos)
            s.Block[g] = 'D';
    }
    if (!readGWords())
        return false;
    if (post == 5 && s.Block.find('G') == std::string::npos)
        s.Mode = s.Block.find('/') != std::string::npos ? ModeRapid
                 : s.Block.find('I') != std::string::npos ? ModeCW
                                                          : ModeLinear;
    m_input.ReadWordValue("M", FormatDecimal, 2, 2);
    if (s.WordFound) {
        s.MCode = wholeCode(s.WordValue);
        m_blockHadMCode = true;
    }
    if (s.Block.find("M98") != std::string::npos && m_settings.sub && !callSubProgram())
        return false;
    if (m_blockHadMCode)
        applyMCode(s.MCode);
    if (!readAxes() || s.Retry)
        return false;
    if (isArcBlock())
        s.Moved = s.AxisMoved = true;
    readRotaryWords();
    if (!checkTravelLimits())
        return false;
    if (s.LatheMachine)
        updateCssRadius();
    readSpindleSpeed();
    if (occurs(s.Block, m_setup.S(17))) {
        s.Block.erase(s.Block.find(m_setup.S(17)), m_setup.S(17).size());
        s.Mode = s.ModeSave = ModeRapid;
        s.RapidWord = true;
    }
    readFeed();
    if (!readThreadLead())
        return false;
    if (isArcBlock())
        s.Moved = true;
    if (s.Retry)
        return false; // a retry is pending: the edited block runs instead, nothing of this one is drawn
    if (s.Moved && !move())
        return false;
    if (s.HomeReturn && !homeReturn())
        return false;
    return readEndOfBlockWords();
}

// In an arc mode a block is an arc only when it says where to go or about what: an
// axis, centre or radius word (with post option 1 also its angle words). A block of M
// codes alone moves nothing, also where centre words are modal or absolute.
bool BlockInterpreter::isArcBlock() const
{
    const TRunState& s = m_state;
    if (s.Mode != ModeCW && s.Mode != ModeCCW)
        return false;
    if (s.AxisMoved)
        return true;
    const TMachineSetup& m = m_setup;
    const auto holds = [&](const std::string& letter) { return letter != NotSetString && occurs(s.Block, letter); };
    return holds(m.S(4)) || holds(m.S(5)) || holds(m.S(6)) || holds(m.S(10)) ||
           (m.PostOption == 1 && (holds("A") || holds("B")));
}

bool BlockInterpreter::readGWords()
{
    return m_input.ReadGWords([this](double value) { return applyGCode(wholeCode(value)); },
                              m_setup.PostOption != 0);
}

bool BlockInterpreter::applyGCode(int code)
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    const int type = m.I(1);
    const bool mill = type == 1;
    const bool lathe = type == 2;
    const auto is = [&](int parameter) { return matches(code, m.I(parameter)); };

    if (is(2) || is(3) || is(92))
        s.Mode = ModeRapid;
    if (is(4) || is(5))
        s.Mode = ModeLinear;
    if (is(6) || is(7))
        s.Mode = ModeCW;
    if (is(8) || is(9))
        s.Mode = ModeCCW;
    if (mill) {
        for (int p = 33; p <= 39; ++p) {
            if (!is(p))
                continue;
            s.FeedOut = is(36) || is(37) || is(38) || is(39);
            // Each cycle code says whether the cycle pecks: a G81 after a G83 does not.
            s.Peck = p == 35;
            if (s.Peck && !readPeckIncrement())
                return false;
            s.Mode = ModeCycle;
            s.CycleFirstBlock = true;
            break;
        }
        if (is(32)) {
            s.Peck = false;
            s.Mode = ModeRapid;
        }
        if (is(40))
            s.RetractToInitial = false;
        if (is(41))
            s.RetractToInitial = true; // to the Z where the cycle started (set by the cycle)
    }
    if (lathe) {
        if (is(29))
            s.Mode = ModeThreadCycle;
        if (is(30) || is(31)) {
            s.Mode = ModeLatheCycle;
            if (is(31))
                s.Peck = true;
        }
        if (is(28))
            s.Mode = ModeThread;
        if (is(26))
            s.SpindleMode = 0;
        if (is(27)) {
            s.SpindleMode = 1;
            if (s.Mode == ModeThread && reportError(10))
                return false;
            if (m.S(18) == NotSetString) {
                s.CssRadius = std::fabs(s.CurX);
            } else {
                m_input.ReadCoordinateWord(m.S(18));
                if (s.WordFound)
                    s.CssRadius = std::fabs(s.WordValue);
            }
        }
    }
    if (mill || lathe) {
        if (is(58))
            s.FeedMode = FeedPerMinute;
        if (is(59))
            s.FeedMode = FeedPerRevolution;
    }
    if (type == 3 && s.Mode != ModeLinear && s.Mode != ModeCW && s.Mode != ModeCCW)
        s.Mode = ModeCycle;
    s.ModeSave = s.Mode;
    if (is(25) || is(117)) {
        s.HomeReturn = true;
        s.Mode = s.ModeSave = ModeRapid;
        if (is(117))
            s.HomeReturnTool = true;
    }
    if (is(13) || is(14)) {
        s.Mode = is(13) ? ModeDwell : ModeRevDwell;
        if (!readDwell())
            return false;
    }
    if (is(95)) {
        s.Mode = ModePreset;
        readPreset();
    }
    if (lathe && is(42)) {
        s.MaxRpmBlock = true;
        m_input.ReadWordValue(m.S(12), FormatDecimal, 4, 4);
        if (s.WordFound) {
            s.MaxRpmSet = true;
            s.RangeMaxRpm = s.MaxRpm = s.WordValue;
        }
    }
    if (is(18))
        s.Metric = false;
    else if (is(19))
        s.Metric = true;
    else if (is(15))
        s.Absolute = true;
    else if (is(16))
        s.Absolute = false;
    else if (is(21))
        s.Plane = PlaneXY;
    else if (is(22))
        s.Plane = PlaneZX;
    else if (is(23))
        s.Plane = PlaneYZ;
    return true;
}

bool BlockInterpreter::readDwell()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    m_input.ReadWordValue(m.S(23), m.I(123), m.I(62), m.I(63));
    if (!s.WordFound) {
        for (char letter : m.S(30)) {
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
            m_input.ReadWordValue(std::string(1, upper), m.I(123), m.I(62), m.I(63));
            if (s.WordFound)
                break;
        }
    }
    if (!s.WordFound)
        return !reportError(9);
    if (s.Mode == ModeDwell)
        s.SegTime += s.WordValue / 60.0;
    else if (s.Rpm > 0)
        s.SegTime += s.WordValue / s.Rpm; // revolutions; a stopped spindle adds no time
    return true;
}

bool BlockInterpreter::readPeckIncrement()
{
    TRunState& s = m_state;
    const bool bridgeport = m_setup.PostOption == 6;
    std::size_t marked = std::string::npos;
    if (bridgeport) {
        marked = s.Block.find('Z');
        if (marked != std::string::npos)
            s.Block[marked] = '~';
        if (s.Block.find('Z') == std::string::npos && reportError(17))
            return false;
    }
    m_input.ReadCoordinateWord(m_setup.S(15));
    if (s.WordFound)
        s.PeckIncrement = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
    else if (reportError(17))
        return false;
    if (marked != std::string::npos && marked < s.Block.size() && s.Block[marked] == '~')
        s.Block[marked] = 'Z';
    return true;
}

double BlockInterpreter::coordinate(std::string_view letter, double scale)
{
    TRunState& s = m_state;
    m_input.ReadCoordinateWord(letter);
    const double value = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
    return value * scale;
}

void BlockInterpreter::readPreset()
{
    TRunState& s = m_state;
    const int effect = m_setup.I(97);
    double* current[3] = {&s.CurX, &s.CurY, &s.CurZ};
    double* previous[3] = {&s.PrevX, &s.PrevY, &s.PrevZ};
    double* offset[3] = {&s.OffX, &s.OffY, &s.OffZ};
    for (int k = 0; k < 3; ++k) {
        const double value = coordinate(m_setup.S(1 + k), m_setup.R(1 + k));
        if (!s.WordFound)
            continue;
        if (effect == 0) {
            *offset[k] = *current[k] - value;
        } else if (effect == 2) {
            *current[k] = *previous[k] = value; // the machine stands at the new position
        }
    }
    if (effect == 2 && m_services.drawing)
        m_services.drawing->Moveto(s.CurX, s.CurY, s.CurZ);
}

bool BlockInterpreter::callSubProgram()
{
    TRunState& s = m_state;
    std::string number;
    if (const std::size_t p = s.Block.find('P'); p != std::string::npos)
        for (std::size_t i = p + 1; i < s.Block.size() && std::isdigit(static_cast<unsigned char>(s.Block[i])); ++i)
            number += s.Block[i];
    if (number.size() < 4)
        number.insert(0, 4 - number.size(), '0');
    const std::string tapeFile =
        platform::resolveCaseInsensitive(platform::joinPath(m_settings.TapeFolder(), "O" + number + ".TAP"));
    if (!s.SubSplit && !platform::fileExists(tapeFile))
        return !reportError(16);
    if (s.SubLevel >= MaxSubLevel)
        return !reportError(18);
    m_input.ReadWordValue("L", FormatTrailing, 2, 0);
    const std::int64_t count = s.WordFound ? platform::roundHalfEven(s.WordValue) : 1;
    const int times = static_cast<int>(std::clamp<std::int64_t>(count, 0, std::numeric_limits<int>::max()));
    const std::string file = s.SubSplit ? platform::resolveCaseInsensitive("O" + number + ".SUB") : tapeFile;
    if (!m_input.EnterSubProgram(file, times))
        return !reportError(16);
    return true;
}

void BlockInterpreter::applyMCode(int mcode)
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if (s.LatheMachine) {
        if (matches(mcode, m.I(53)))
            s.CssInhibit = true;
        if (matches(mcode, m.I(54)))
            s.CssInhibit = false;
        const int ranges = std::clamp(m.I(79), 0, MaxSpeedRanges);
        for (int r = 1; r <= ranges; ++r) {
            if (!matches(mcode, m.I(79 + r)))
                continue;
            selectSpeedRange(r);
            if (s.MaxRpmSet && s.MaxRpm < s.RangeMaxRpm)
                s.RangeMaxRpm = s.MaxRpm;
        }
    }
    if (m.PostOption == 7) {
        if (mcode == 50)
            s.Mode = ModeRapid;
        else if (mcode == 51)
            s.Mode = ModeCycle;
        else if (mcode == 57)
            s.Mode = ModeLinear;
    }
}

bool BlockInterpreter::readAxes()
{
    TRunState& s = m_state;
    const int mode = s.Mode;
    const bool positioned = mode == ModeRapid || mode == ModeLinear || mode == ModeCW || mode == ModeCCW ||
                            mode == ModeCycle || mode == ModeThread || mode == ModeLatheCycle || mode == ModeThreadCycle;
    if (!positioned || s.HomeReturnTool)
        return true;
    if (m_setup.PostOption == 1)
        NCInput::SlashToIncremental(s.Block);
    double* current[3] = {&s.CurX, &s.CurY, &s.CurZ};
    const double previous[3] = {s.PrevX, s.PrevY, s.PrevZ};
    const double offset[3] = {s.OffX, s.OffY, s.OffZ};
    for (int k = 0; k < 3; ++k) {
        const double value = coordinate(m_setup.S(1 + k), m_setup.R(1 + k));
        if (s.WordFound) {
            s.Moved = s.AxisMoved = true;
            // An incremental word is a distance from where the tool stands; the preset
            // offset moved that position already.
            *current[k] = s.Absolute ? value + offset[k] : previous[k] + value;
        }
        const double step = coordinate(m_setup.S(7 + k), m_setup.R(38 + k));
        if (s.WordFound) {
            s.Moved = s.AxisMoved = true;
            *current[k] = previous[k] + step;
        }
    }
    return true;
}

void BlockInterpreter::readRotaryWords()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if (m.I(1) != 1 && m.I(1) != 2)
        return;
    const int letters[3] = {27, 28, 69};
    double* angles[3] = {&s.RotA, &s.RotB, &s.RotC};
    for (int k = 0; k < 3; ++k) {
        m_input.ReadWordValue(m.S(letters[k]), m.I(107), m.I(108), m.I(109));
        if (!s.WordFound)
            continue;
        s.Moved = true;
        *angles[k] = s.WordValue * DegreesToRadians;
        s.Mode = ModeRotaryA + k;
    }
}

bool BlockInterpreter::checkTravelLimits()
{
    if (!m_settings.limits)
        return true;
    const TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    const int type = m.I(1);
    struct Limit {
        bool applies;
        double value, max, min;
        int overError;
    };
    const Limit limits[3] = {
        {true, s.CurX, m.R(10), m.R(11), 2},
        {type != 2, s.CurY, m.R(12), m.R(13), 4},
        {type == 1 || type == 2, s.CurZ, m.R(14), m.R(15), 6},
    };
    for (const Limit& l : limits) {
        if (!l.applies)
            continue;
        if (l.value > l.max && reportError(l.overError))
            return false;
        if (l.value < l.min && reportError(l.overError + 1))
            return false;
    }
    return true;
}

void BlockInterpreter::updateCssRadius()
{
    TRunState& s = m_state;
    if (s.SpindleMode == 1 && m_setup.S(18) == NotSetString)
        s.CssRadius = std::fabs(s.CurX);
    else
        s.CssRadius = std::fabs(s.CurX - s.PrevX + s.CssRadius);
}

void BlockInterpreter::readSpindleSpeed()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if ((m.I(1) != 1 && m.I(1) != 2) || s.MaxRpmBlock)
        return;
    m_input.ReadWordValue(m.S(12), FormatDecimal, 4, 4);
    if (!s.WordFound && m.S(65) != NotSetString)
        m_input.ReadWordValue(m.S(65), FormatDecimal, 4, 4);
    if (s.WordFound) {
        if (m.R(6) > 0)
            s.SegTime += m.R(6) / 60.0;
        if (s.SpindleMode == 0)
            s.Rpm = s.WordValue;
        else
            s.SurfaceSpeed = s.Metric ? s.WordValue * FeetPerMetre : s.WordValue;
    }
    if (s.SpindleMode == 1 && !s.CssInhibit)
        s.Rpm = s.CssRadius > 0 ? s.SurfaceSpeed * 12.0 / (s.CssRadius * TwoPi) : s.RangeMaxRpm;
    s.Rpm = std::min(s.Rpm, s.RangeMaxRpm);
}

void BlockInterpreter::readFeed()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if (s.Mode == ModeDwell || s.Mode == ModeRevDwell)
        return;
    bool found = false;
    if (s.FeedMode == FeedPerMinute) {
        m_input.ReadWordValue(m.S(13), m.I(66), m.I(68), m.I(69));
        if (!s.WordFound)
            m_input.ReadWordValue(m.S(29), m.I(66), m.I(68), m.I(69));
        found = s.WordFound;
        if (found)
            s.Feed = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
    } else if (s.FeedMode == FeedPerRevolution) {
        m_input.ReadWordValue(m.S(13), m.I(67), m.I(70), m.I(71));
        found = s.WordFound;
        if (found)
            s.FeedPerRev = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
        s.Feed = s.Rpm * s.FeedPerRev;
    }
    if (found && s.RapidWord) {
        s.RapidWord = false;
        if (s.Mode != ModeCW && s.Mode != ModeCCW)
            s.Mode = s.ModeSave = ModeLinear;
    }
}

bool BlockInterpreter::readThreadLead()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if (s.Mode != ModeThread && s.Mode != ModeThreadCycle)
        return true;
    m_input.ReadWordValue(m.S(20), m.I(61), m.I(72), m.I(73));
    if (!s.WordFound)
        m_input.ReadWordValue(m.S(19), m.I(61), m.I(72), m.I(73));
    if (!s.WordFound)
        return !reportError(11);
    s.Lead = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
    s.Feed = s.Rpm * s.Lead;
    return true;
}

// ---- The move ---------------------------------------------------------------------

void BlockInterpreter::drawRapidTo(double x, double y, double z)
{
    if (m_services.drawing)
        DrawRapidTo(*m_services.drawing, m_settings, x, y, z);
}

void BlockInterpreter::drawMove()
{
    TRunState& s = m_state;
    double x = s.CurX, y = s.CurY, z = s.CurZ;
    if (m_services.cycles)
        m_services.cycles->RotatePointForRotaryAxes(x, y, z, s.CurX, s.CurY, s.CurZ);
    RunDrawing* d = m_services.drawing;
    switch (s.Mode) {
    case ModeLinear:
    case ModeLatheCycle:
        if (d) {
            d->Setlinestyle(0);
            d->Lineto(x, y, z);
        }
        break;
    case ModeRapid:
        drawRapidTo(x, y, z);
        break;
    case ModeCycle:
        if (isMill() && m_services.cycles)
            m_services.cycles->DrillCycle([this] {
                writeMotionRecord();
                writeDxfElement();
            });
        else if (!isMill())
            drawRapidTo(x, y, z);
        break;
    case ModeCW:
    case ModeCCW:
        if (s.AxisMoved && m_services.arcs)
            m_services.arcs->CircularInterpolation();
        break;
    case ModeThread:
        if (d)
            d->DrawThread(s.PrevZ, s.PrevX, s.CurZ, s.CurX, s.Lead, true);
        break;
    case ModeThreadCycle:
        if (m_services.cycles)
            m_services.cycles->ThreadCycle();
        break;
    default:
        break;
    }
}

bool BlockInterpreter::move()
{
    TRunState& s = m_state;
    const bool lathe = s.LatheMachine;
    const int mode = s.Mode;
    if (isMill() && mode >= ModeRotaryA && mode <= ModeRotaryC && m_services.cycles)
        m_services.cycles->RotaryMoveTime();
    const bool cTurned = !IsNearZero(s.RotC - s.PrevRotC);
    if (lathe && !cTurned)
        RotatePoint(s.CurX, s.CurY, 0.0, 0.0, s.RotC);
    if (lathe && cTurned && (mode == ModeRapid || mode == ModeLinear)) {
        if (m_services.cycles)
            m_services.cycles->DrawCAxisWrap();
    } else {
        drawMove();
    }
    if (mode == ModeRapid || mode == ModeLinear || mode == ModeLatheCycle) {
        if (m_settings.arrows && m_services.drawing) {
            const double angle = lathe ? VectorAngle(s.CurZ - s.PrevZ, s.CurX - s.PrevX)
                                       : VectorAngle(s.CurX - s.PrevX, s.CurY - s.PrevY);
            m_services.drawing->DrawArrow(s.CurX, s.CurY, s.CurZ, angle);
        }
        if (m_settings.showTool && m_services.toolImage)
            m_services.toolImage->ShowToolImage(lathe, s.CurX, s.CurY, s.CurZ, m_settings.animateTool);
    }
    // A move abandoned for its edited block leaves no record; a drilling cycle records
    // each of its holes itself.
    if (!s.Retry && !(isMill() && mode == ModeCycle && m_services.cycles)) {
        writeMotionRecord();
        writeDxfElement();
    }
    if (lathe && !cTurned)
        RotatePoint(s.CurX, s.CurY, 0.0, 0.0, -s.RotC);
    if (s.Retry)
        return false;
    if (m_services.times)
        m_services.times->BlockTime();
    s.PrevX = s.CurX;
    s.PrevY = s.CurY;
    s.PrevZ = s.CurZ;
    s.PrevRotA = s.RotA;
    s.PrevRotB = s.RotB;
    s.PrevRotC = s.RotC;
    if (m_services.readouts)
        m_services.readouts->UpdateReadouts(false);
    return true;
}

void BlockInterpreter::writeMotionRecord()
{
    const TRunState& s = m_state;
    const int mode = s.Mode;
    if (s.OpSlot == -1 || !m_services.operations ||
        (mode != ModeRapid && mode != ModeLinear && mode != ModeCycle && mode != ModeThread))
        return;
    TMotionRecord r;
    r.opnum = static_cast<std::int16_t>(m_services.operations->OperationNumber(s.OpSlot));
    r.mode = static_cast<std::uint8_t>(mode);
    const bool zxy = mode == ModeThread || (s.LatheMachine && mode != ModeCycle);
    if (zxy) {
        r.ex = s.CurZ, r.ey = s.CurX, r.ez = s.CurY;
        r.sx = s.PrevZ, r.sy = s.PrevX, r.sz = s.PrevY;
    } else {
        r.ex = s.CurX, r.ey = s.CurY, r.ez = s.CurZ;
        r.sx = s.PrevX, r.sy = s.PrevY, r.sz = s.PrevZ;
    }
    if (mode == ModeCycle)
        r.rplane = s.RPlane;
    else if (mode == ModeThread)
        r.rplane = s.Lead;
    r.feed = zxy ? s.FeedPerRev : s.Feed;
    m_motion.append(r);
}

void BlockInterpreter::writeDxfElement()
{
    const TRunState& s = m_state;
    DxfOutput* dxf = m_services.dxf;
    if (!dxf || !dxf->DxfOutputOn())
        return;
    switch (s.Mode) {
    case ModeRapid:
    case ModeLinear:
        if (s.LatheMachine)
            dxf->WriteOutputElement(s.Mode, s.CurZ, s.CurX, s.CurY, s.PrevZ, s.PrevX, s.PrevY);
        else
            dxf->WriteOutputElement(s.Mode, s.CurX, s.CurY, s.CurZ, s.PrevX, s.PrevY, s.PrevZ);
        break;
    case ModeCycle:
        dxf->WriteOutputElement(s.Mode, s.CurX, s.CurY, s.CurZ, s.RPlane, 0, 0);
        break;
    case ModeThread:
        dxf->WriteOutputElement(s.Mode, s.CurZ, s.CurX, s.CurY, s.PrevZ, s.PrevX, s.PrevY);
        break;
    default:
        break;
    }
}

bool BlockInterpreter::homeReturn()
{
    TRunState& s = m_state;
    s.CurX = s.HomeX;
    s.CurY = s.HomeY;
    s.CurZ = s.HomeZ;
    drawRapidTo(s.CurX, s.CurY, s.CurZ);
    if (m_services.times)
        m_services.times->BlockTime();
    s.PrevX = s.CurX;
    s.PrevY = s.CurY;
    s.PrevZ = s.CurZ;
    s.HomeReturn = false;
    return !s.Retry;
}

bool BlockInterpreter::readEndOfBlockWords()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    s.Mode = s.ModeSave == ModeThreadCycle ? ModeRapid : s.ModeSave;
    m_input.ReadWordValue("M", FormatDecimal, 2, 2);
    if (s.WordFound) {
        const int mcode = wholeCode(s.WordValue);
        if (matches(mcode, m.I(55)) || matches(mcode, m.I(43)) || matches(mcode, m.I(44)))
            s.SegmentEnd = m_endedAtToolChange = true;
    }
    m_input.ReadWordValue(m.S(14), FormatDecimal, 4, 4);
    if (s.WordFound) {
        s.Tool = wholeCode(s.WordValue);
        s.SegmentEnd = true;
        m_endedAtToolChange = true;
        if (s.Tool > m.I(111) && m.I(111) != 9999 && reportError(14))
            return false;
    }
    return true;
}

// ---- Extent fit -------------------------------------------------------------------

void BlockInterpreter::reopenProgram()
{
    TRunState& s = m_state;
    if (s.WorkCopyOpen)
        m_input.CloseNCFile();
    if (s.DataFileOn && m_services.listing)
        m_services.listing->WriteTapeSummary();
    s.KeepFileName = true;
    m_input.OpenNCFile(s.NCFileName);
    s.EndOfProgram = false;
    s.RestartPending = true;
    ResetMachineState();
}

namespace {

// The pass of an extent fit that measures the path shows, writes and asks nothing: the
// drawing only measures, and no tool image, DXF output, motion record, data listing or
// NC-error prompt takes part. The motion file is begun anew for the pass that draws.
class MeasuringPass {
public:
    MeasuringPass(RunServices& services, MotionFile& motion) : m_services(services), m_kept(services), m_motion(motion)
    {
        if (m_services.drawing)
            m_services.drawing->SetMeasuring(true);
        m_services.toolImage = nullptr;
        m_services.dxf = nullptr;
        m_services.errors = nullptr;
        m_services.listing = nullptr;
        m_motion.close();
    }
    ~MeasuringPass()
    {
        m_services.toolImage = m_kept.toolImage;
        m_services.dxf = m_kept.dxf;
        m_services.errors = m_kept.errors;
        m_services.listing = m_kept.listing;
        if (m_services.drawing)
            m_services.drawing->SetMeasuring(false);
        m_motion.recreate();
    }
    MeasuringPass(const MeasuringPass&) = delete;
    MeasuringPass& operator=(const MeasuringPass&) = delete;

private:
    RunServices& m_services;
    const RunServices m_kept;
    MotionFile& m_motion;
};

} // namespace

void BlockInterpreter::AutoFitExtents()
{
    TRunState& s = m_state;
    if (s.Running || !s.ProgramLoaded)
        return;
    s.NoDisplay = true;
    const bool skip = m_settings.skip;
    const bool single = s.SingleBlock;
    s.SingleBlock = false;
    m_motion.recreate();

    reopenProgram();
    if (m_services.codeList)
        m_services.codeList->add("Determining Machining Extents ...");
    if (m_services.drawing)
        m_services.drawing->Reset_Drawn_Extents();
    m_settings.skip = true;
    {
        const MeasuringPass measuring(m_services, m_motion);
        if (m_services.fixtures)
            m_services.fixtures->DrawFixture();
        RunBlocks();
        reopenProgram(); // the unseen pass has no Tape Summary
    }

    if (m_services.codeList)
        m_services.codeList->clear();
    if (RunDrawing* d = m_services.drawing) {
        double x = 0, y = 0, xx = 0, yy = 0;
        d->Get_Extents_Drawn(x, y, xx, yy, ExtentFrame);
        d->Set_Extents_To_Drawn(ExtentFrame);
        d->SetupCanvas();
        d->ClearDisplay();
    }
    m_settings.skip = true;
    RunBlocks();

    m_settings.skip = skip;
    s.SingleBlock = single;
    s.NoDisplay = false;
}

} // namespace vork
