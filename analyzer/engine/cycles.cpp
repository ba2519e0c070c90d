#include "analyzer/engine/cycles.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/machine_setup.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/nc_errors.h"
#include "analyzer/engine/nc_input.h"
#include "analyzer/engine/run_drawing.h"
#include "analyzer/engine/run_state.h"
#include "platform/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vork {

namespace {

constexpr double OneDegree = 0.017453292519943295;
constexpr double CincinnatiClearance = 0.1;
// A C turn is drawn a degree at a time: a turn of whole degrees keeps its last line
// when rounding leaves the running angle a hair past the end.
constexpr double AngleNoise = 1e-9;
// Likewise a depth of a whole number of pecks takes that many, not one more.
constexpr double CountNoise = 1e-9;
// A control repeats a cycle at most this many times.
constexpr std::int64_t MostCycleRepeats = 9999;
// Repeats between two looks at the window (for Stop and close).
constexpr std::int64_t RepeatsBetweenEvents = 64;

// Times that rates turn into: a missing rate or an unbounded result adds nothing.
void addMinutes(TRunState& s, double minutes)
{
    if (std::isfinite(minutes))
        s.SegTime += minutes;
}

double perRate(double length, double rate)
{
    return rate > 0 ? length / rate : 0.0;
}

// Passes of a threading cycle: the square of thread depth over first-pass depth, at
// least one (a first pass deeper than the thread is still one pass).
double threadPasses(double depth, double firstPass)
{
    if (IsNearZero(firstPass))
        return 1.0;
    const double ratio = depth / firstPass;
    return static_cast<double>(std::max<std::int64_t>(1, platform::roundHalfEven(ratio * ratio)));
}

} // namespace

Cycles::Cycles(TRunState& state, const TMachineSetup& setup, const AnalyzerSettings& settings, RunServices& services,
               NCInput& input)
    : m_state(state), m_setup(setup), m_settings(settings), m_services(services), m_input(input)
{
}

double Cycles::readLength(std::string_view letter, double scale, bool& found)
{
    const TRunState& s = m_state;
    m_input.ReadCoordinateWord(letter);
    found = s.WordFound;
    if (!found)
        return 0.0;
    return (s.Metric ? s.WordValue * MillimetresToInches : s.WordValue) * scale;
}

// ---- Rotary axes ------------------------------------------------------------------

void Cycles::RotatePointForRotaryAxes(double& xr, double& yr, double& zr, double x, double y, double z)
{
    const TRunState& s = m_state;
    xr = x;
    yr = y;
    zr = z;
    if (!m_settings.useRotary)
        return;
    RotatePoint(yr, zr, 0.0, 0.0, s.RotA);
    RotatePoint(xr, zr, 0.0, 0.0, s.RotB);
    // A lathe's moves are turned by C before they are drawn; turning them here too
    // would apply C twice.
    if (!s.LatheMachine)
        RotatePoint(xr, yr, 0.0, 0.0, s.RotC);
}

Cycles::Point Cycles::turned(double x, double y, double z)
{
    Point p{};
    RotatePointForRotaryAxes(p.x, p.y, p.z, x, y, z);
    return p;
}

void Cycles::RotaryMoveTime()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    if (!m_settings.useRotary)
        return;
    if (m_services.drawing) {
        const Point p = turned(s.CurX, s.CurY, s.CurZ);
        m_services.drawing->Moveto(p.x, p.y, p.z);
    }
    if (m_services.toolImage)
        m_services.toolImage->EraseToolImage(); // the part turns away from under it
    double change = 0;
    double fullTurn = 0;
    switch (s.Mode) {
    case ModeRotaryA:
        change = s.RotA - s.PrevRotA;
        fullTurn = m.RealOr(54, 0.0);
        break;
    case ModeRotaryB:
        change = s.RotB - s.PrevRotB;
        fullTurn = m.RealOr(55, 0.0);
        break;
    case ModeRotaryC:
        change = s.RotC - s.PrevRotC;
        fullTurn = m.RealOr(56, 0.0);
        break;
    default:
        return;
    }
    if (!IsNearZero(change))
        addMinutes(s, std::fabs(change) * fullTurn / TwoPi);
}

void Cycles::DrawCAxisWrap()
{
    TRunState& s = m_state;
    RunDrawing* d = m_services.drawing;
    const auto turnedByC = [](double x, double y, double z, double c) {
        RotatePoint(x, y, 0.0, 0.0, c);
        return Point{x, y, z};
    };
    if (s.Mode == ModeRapid && !m_settings.dash) {
        if (d) {
            const Point p = turnedByC(s.CurX, s.CurY, s.CurZ, s.RotC);
            d->Moveto(p.x, p.y, p.z);
        }
        return;
    }
    if (d)
        d->Setlinestyle(s.Mode == ModeRapid ? 1 : 0);
    // Only an upward turn of half a circle or more is taken the short way round.
    if (s.RotC - s.PrevRotC >= Pi)
        s.RotC -= TwoPi;
    const double turn = s.RotC - s.PrevRotC;
    constexpr std::int64_t MostSteps = std::numeric_limits<std::int64_t>::max() / 2;
    const std::int64_t steps =
        std::clamp<std::int64_t>(platform::roundHalfEven(std::fabs(turn) / OneDegree), 1, MostSteps);
    const double direction = turn < 0 ? -1.0 : 1.0;
    const double n = static_cast<double>(steps);
    const double stepX = (s.CurX - s.PrevX) / n, stepY = (s.CurY - s.PrevY) / n, stepZ = (s.CurZ - s.PrevZ) / n;
    if (d) {
        for (std::int64_t k = 0; k <= steps; ++k) {
            const double kk = static_cast<double>(k);
            const double c = s.PrevRotC + direction * kk * OneDegree;
            if (k > 0 && (c - s.RotC) * direction > AngleNoise)
                break;
            const Point p = turnedByC(s.PrevX + kk * stepX, s.PrevY + kk * stepY, s.PrevZ + kk * stepZ, c);
            d->Lineto(p.x, p.y, p.z);
        }
        const Point end = turnedByC(s.CurX, s.CurY, s.CurZ, s.RotC);
        d->Lineto(end.x, end.y, end.z);
    }
    if (s.RotC >= TwoPi)
        s.RotC -= TwoPi;
}

// ---- Drilling cycles --------------------------------------------------------------

void Cycles::rapidTo(const Point& p)
{
    if (m_services.drawing)
        DrawRapidTo(*m_services.drawing, m_settings, p.x, p.y, p.z);
}

void Cycles::toolImageAt(const Point& p)
{
    if (m_settings.showTool && m_services.toolImage)
        m_services.toolImage->ShowToolImage(m_setup.I(1) == 2, p.x, p.y, p.z, m_settings.animateTool);
}

void Cycles::drawHole()
{
    const TRunState& s = m_state;
    const Point initial = turned(s.CurX, s.CurY, s.InitialPlane);
    const Point rPlane = turned(s.CurX, s.CurY, s.RPlane);
    const Point bottom = turned(s.CurX, s.CurY, s.CycleBottom);
    if (s.RetractToInitial)
        rapidTo(initial);
    rapidTo(rPlane);
    toolImageAt(rPlane);
    if (RunDrawing* d = m_services.drawing) {
        d->Setlinestyle(0);
        d->DrawCross(rPlane.x, rPlane.y, rPlane.z);
        d->Lineto(bottom.x, bottom.y, bottom.z);
    }
    toolImageAt(bottom);
    rapidTo(rPlane);
    toolImageAt(rPlane);
    if (s.RetractToInitial)
        rapidTo(initial);
}

void Cycles::DrillCycle(const std::function<void()>& recordHole)
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    // A cycle starts where the tool stands: that Z is its initial plane for every hole,
    // also when G98 is chosen in a later block.
    const bool newCycle = s.LastMode != ModeCycle;
    if (newCycle)
        s.InitialPlane = s.PrevZ;
    std::int64_t holes = 1;
    bool tooMany = false;
    double stepX = 0, stepY = 0;
    bool found = false;
    if (m.S(46) != NotSetString && !s.Absolute) {
        // A count: a whole number in every coordinate format ("L3" is three holes also
        // where coordinate words have implied decimals).
        m_input.ReadWordValue(m.S(46), FormatDecimal, m.I(62), 0);
        if (s.WordFound) {
            const std::int64_t asked = platform::roundHalfEven(s.WordValue);
            tooMany = asked > MostCycleRepeats;
            holes = std::clamp<std::int64_t>(asked, 1, MostCycleRepeats);
            // Each repeat moves by X and Y and drills to the same depth.
            stepX = readLength(m.S(1), m.R(1), found);
            stepY = readLength(m.S(2), m.R(2), found);
        }
    }
    // Incremental R counts from the initial plane, incremental Z from the R plane;
    // absolute ones are work coordinates like the axis words.
    const double previousRPlane = s.RPlane, previousBottom = s.CycleBottom;
    const double r = readLength(m.S(11), m.R(3), found);
    if (found) {
        s.Moved = true;
        s.RPlane = s.Absolute ? r + s.OffZ : s.InitialPlane + r;
    }
    const double z = readLength(m.S(3), m.R(3), found);
    const bool depthGiven = found;
    if (depthGiven)
        s.Moved = true;
    if (m.I(98) == 0 && s.CycleFirstBlock) {
        s.RPlane = s.InitialPlane;
        s.CycleFirstBlock = false;
    }
    const bool fromRPlane = m.I(99) == 0 && s.CycleFirstBlock; // the depth counts from the R plane
    if (depthGiven)
        s.CycleBottom = s.Absolute && !fromRPlane ? z + s.OffZ : s.RPlane + z;
    else if (newCycle)
        s.CycleBottom = s.PrevZ; // no depth: the hole ends where the tool stands
    else if (!s.Absolute)
        s.CycleBottom += s.RPlane - previousRPlane; // the depth below R stays
    if (fromRPlane) {
        s.RPlane += CincinnatiClearance;
        s.CycleFirstBlock = false;
    }
    s.CycleDepth = std::fabs(s.CycleBottom - s.RPlane);
    // Said once every word is read: the dialog may put the block back as it was read.
    if (tooMany) {
        ++s.NCErrorCount;
        if (m_services.errors)
            m_services.errors->ReportNCError(NCErrorRepeatsCapped);
    }
    drillRepeats(holes, stepX, stepY, recordHole, previousRPlane, previousBottom);
}

bool Cycles::ResumeRepeats(const std::function<void()>& recordHole)
{
    TRunState& s = m_state;
    if (s.RepeatsLeft <= 0)
        return false;
    const std::int64_t holes = s.RepeatsLeft;
    s.RepeatsLeft = 0;
    s.Mode = ModeCycle;
    s.CurX = s.PrevX + s.RepeatStepX;
    s.CurY = s.PrevY + s.RepeatStepY;
    drillRepeats(holes, s.RepeatStepX, s.RepeatStepY, recordHole, s.RPlane, s.CycleBottom);
    return true;
}

void Cycles::drillRepeats(std::int64_t holes, double stepX, double stepY, const std::function<void()>& recordHole,
                          double previousRPlane, double previousBottom)
{
    TRunState& s = m_state;
    const double retractLevel = s.RetractToInitial ? s.InitialPlane : s.RPlane;
    s.RepeatsLeft = 0;
    // Each repeat is timed from the hole before it; a retry runs the block again from
    // where it started.
    const double startX = s.PrevX, startY = s.PrevY, startZ = s.PrevZ;
    for (std::int64_t hole = 1;; ++hole) {
        s.CurZ = s.CycleBottom;
        drawHole();
        if (recordHole)
            recordHole();
        s.CurZ = retractLevel;
        if (hole >= holes)
            break;
        if (stopAsked(hole)) {
            // The rest waits for the next Start.
            s.RepeatsLeft = holes - hole;
            s.RepeatStepX = stepX;
            s.RepeatStepY = stepY;
            break;
        }
        if (!s.Retry && m_services.times)
            m_services.times->BlockTime();
        if (s.Retry) {
            s.PrevX = s.CurX = startX;
            s.PrevY = s.CurY = startY;
            s.PrevZ = s.CurZ = startZ;
            s.RPlane = previousRPlane;
            s.CycleBottom = previousBottom;
            return;
        }
        s.PrevX = s.CurX;
        s.PrevY = s.CurY;
        s.PrevZ = s.CurZ;
        s.CurX += stepX;
        s.CurY += stepY;
    }
}

// Stop (or closing the window) ends a long repeat after the hole drilled: the segment
// ends with this block, as it ends after the block at which Stop is found.
bool Cycles::stopAsked(std::int64_t hole)
{
    TRunState& s = m_state;
    if (hole % RepeatsBetweenEvents == 0 && m_services.pump)
        m_services.pump->processEvents();
    if (!s.StopRequest && !s.CloseRequest)
        return false;
    s.SegmentEnd = true;
    return true;
}

void PeckTime(TRunState& s, const TMachineSetup& m)
{
    // Closed form of pecking on until the depth is reached: peck k goes to k increments,
    // each but the last returns; an increment counts by its size whatever its sign.
    const double increment = std::fabs(s.PeckIncrement);
    const double clearance = m.R(53);
    double pecks = 1, returns = 0;
    if (IsNearZero(increment))
        returns = increment < s.CycleDepth ? 1 : 0;
    else {
        pecks = std::max(1.0, std::ceil(s.CycleDepth / increment - CountNoise));
        returns = pecks - 1;
    }
    addMinutes(s, perRate(pecks * (increment + clearance), s.Feed));
    const double retracts = increment * pecks * (pecks + 1) / 2 + pecks * clearance;
    const double backDown = increment * returns * (returns + 1) / 2 - returns * clearance;
    addMinutes(s, perRate(retracts + backDown, m.R(52)));
}

// ---- Threading cycle --------------------------------------------------------------

void Cycles::ThreadCycle()
{
    TRunState& s = m_state;
    const TMachineSetup& m = m_setup;
    bool found = false;
    double depth = readLength(m.S(31), 1.0, found);
    if (!found)
        depth = 1.0;
    double firstPass = readLength(m.S(32), 1.0, found);
    if (!found)
        firstPass = 1.0;
    readLength(m.S(33), 1.0, found); // read as the control reads it; it takes no part here

    const double length = std::fabs(s.PrevZ - s.CurZ);
    const double passes = threadPasses(depth, firstPass);
    addMinutes(s, passes * perRate(length, m.R(18)));
    addMinutes(s, passes * perRate(length, s.Feed));

    RunDrawing* d = m_services.drawing;
    if (!d)
        return;
    d->Setlinestyle(3);
    d->Lineto(s.CurX, 0.0, s.PrevZ);
    d->Setlinestyle(0);
    d->DrawThread(s.PrevZ, s.CurX, s.CurZ, s.CurX, s.Lead, true);
    d->Setlinestyle(3);
    d->Lineto(s.PrevX, 0.0, s.CurZ);
    d->Lineto(s.PrevX, 0.0, s.PrevZ);
    d->Setlinestyle(0);
}

} // namespace vork
