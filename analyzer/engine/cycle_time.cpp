#include "analyzer/engine/cycle_time.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/engine/cycles.h"
#include "analyzer/engine/machine_setup.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_state.h"
#include "platform/paths.h"

#include <cmath>

namespace vork {

namespace {
constexpr double NoRate = 1e-5;
// Inches per minute squared in one unit of the machine's acceleration.
constexpr double AccelerationUnit = 43200.0;

bool isRotaryIndex(int mode)
{
    return mode == ModeRotaryA || mode == ModeRotaryB || mode == ModeRotaryC;
}
} // namespace

double MoveTime(double distance, double rate, double accelerationG)
{
    // A rate of none (or below none: a broken setup) takes no time rather than a
    // division by zero or a negative time.
    if (!(rate > NoRate) || !std::isfinite(distance))
        return 0.0;
    if (IsNearZero(accelerationG) || !(accelerationG > 0))
        return distance / rate;
    const double a = accelerationG * AccelerationUnit;
    const double t = rate / a;            // to reach the rate
    const double d = 0.5 * a * t * t;     // covered meanwhile
    if (2 * d > distance)
        return 2 * distance / rate;       // never at full rate
    return (distance - 2 * d) / rate + 2 * t;
}

void ClearTimeTable(TRunState& s)
{
    s.SegTime = s.LastSegTime = s.TotalTime = s.TotalCost = s.MoveLength = s.ArcTime = 0;
    s.ToolTimes.count = 0;
    s.ToolTimes.clearRows();
}

CycleTimeModel::CycleTimeModel(TRunState& state, const TMachineSetup& setup, ErrorReporter* const& errors)
    : m_state(state), m_setup(setup), m_errors(errors)
{
}

void CycleTimeModel::ResetTimes()
{
    TRunState& s = m_state;
    ClearTimeTable(s);
    // No rapid rates set: rapids take no time in any direction (MoveTime's "no rate").
    s.AvgRapid = (machineRate(16) + machineRate(17) + machineRate(18)) / 3.0;
    const double strokes = machineRate(36);
    s.PunchTime = IsNearZero(strokes) ? 1.0 : 1.0 / strokes;
}

double CycleTimeModel::machineRate(int n) const
{
    return m_setup.RealOr(n, 0.0);
}

double CycleTimeModel::moveTime(double distance, double rate) const
{
    return MoveTime(distance, rate, machineRate(57));
}

// The one rule for rapids: the move runs at the mean rapid rate of the axes its kind of
// move averages, over its length along them; an axis without a rapid rate takes no
// time, so its share of the move and its rate are both left out.
double CycleTimeModel::rapidTime(std::initializer_list<RapidAxis> axes) const
{
    double squares = 0, rates = 0;
    int counted = 0;
    for (const RapidAxis& axis : axes) {
        const double rate = machineRate(axis.rate);
        if (!(rate > NoRate))
            continue;
        squares += axis.distance * axis.distance;
        rates += rate;
        ++counted;
    }
    return counted == 0 ? 0.0 : moveTime(std::sqrt(squares), rates / counted);
}

void CycleTimeModel::add(double minutes)
{
    if (std::isfinite(minutes))
        m_state.SegTime += minutes;
}

bool CycleTimeModel::noFeed()
{
    if (m_errors)
        m_errors->ReportNCError(12);
    return m_state.Retry;
}

void CycleTimeModel::BlockTime()
{
    TRunState& s = m_state;
    const int type = m_setup.I(1);
    const double dX = s.PrevX - s.CurX, dY = s.PrevY - s.CurY, dZ = s.PrevZ - s.CurZ;
    const bool arc = s.Mode == ModeCW || s.Mode == ModeCCW;
    // Arcs keep the length the arc left: in their plane, and along the helix when an XY
    // arc also moves in Z.
    if (!arc) {
        s.MoveLength = s.LatheMachine || type == 2 ? Distance2D(s.PrevZ, s.PrevX, s.CurZ, s.CurX)
                                                   : Distance2D(s.PrevX, s.PrevY, s.CurX, s.CurY);
        s.MoveLength = std::fabs(s.MoveLength);
    }
    bool move3D = false;
    if (type == 1 && s.Mode != ModeCycle && dZ != 0 && !arc) {
        s.MoveLength = std::sqrt(dX * dX + dY * dY + dZ * dZ);
        move3D = true;
    }
    switch (type) {
    case 2:
        latheTime();
        break;
    case 3:
        punchTime();
        break;
    default:
        millTime(move3D, dX, dY);
        break;
    }
}

bool CycleTimeModel::millTime(bool move3D, double dX, double dY)
{
    TRunState& s = m_state;
    const int mode = s.Mode;
    const double length = s.MoveLength;
    if (length != 0 && mode != ModeRapid && mode != ModeCycle && !s.HomeReturn) {
        if (s.Feed > 0)
            add(moveTime(length, s.Feed));
        else if (!isRotaryIndex(mode) && noFeed())
            return true;
    }
    if (length != 0 && (mode == ModeRapid || s.HomeReturn)) {
        // A move in Z takes the mean of all three rates; one in the XY plane that of the
        // axes that move.
        if (move3D)
            add(rapidTime({{dX, 16}, {dY, 17}, {s.PrevZ - s.CurZ, 18}}));
        else if (dX == 0 && dY != 0)
            add(rapidTime({{dY, 17}}));
        else if (dX != 0 && dY == 0)
            add(rapidTime({{dX, 16}}));
        else if (dX != 0 && dY != 0)
            add(rapidTime({{dX, 16}, {dY, 17}}));
    }
    if (mode == ModeCycle)
        return cycleTime();
    return false;
}

bool CycleTimeModel::cycleTime()
{
    TRunState& s = m_state;
    add(rapidTime({{s.MoveLength, 16}}));
    if (s.RetractToInitial)
        add(rapidTime({{2 * (s.InitialPlane - s.RPlane), 18}}));
    if (!s.FeedOut)
        add(rapidTime({{s.CycleDepth, 18}}));
    else if (s.Feed > 0)
        add(moveTime(s.CycleDepth, s.Feed));
    else if (noFeed())
        return true;
    if (s.Peck) {
        PeckTime(s, m_setup);
    } else if (s.Feed > 0) {
        add(moveTime(s.CycleDepth, s.Feed));
    } else if (noFeed()) {
        return true;
    }
    return false;
}

void CycleTimeModel::punchTime()
{
    TRunState& s = m_state;
    if (s.MoveLength == 0)
        return;
    if (s.Mode == ModeCycle)
        add(s.PunchTime); // the stroke covers the positioning
    else if (s.Feed > 0)
        add(s.MoveLength / s.Feed);
    else
        noFeed();
}

void CycleTimeModel::latheTime()
{
    TRunState& s = m_state;
    const int mode = s.Mode;
    if (mode == ModeRapid) {
        add(rapidTime({{s.PrevX - s.CurX, 16}, {s.PrevZ - s.CurZ, 18}}));
        return;
    }
    const bool arc = mode == ModeCW || mode == ModeCCW;
    if (!(arc || mode == ModeLinear || mode == ModeThread || mode == ModeLatheCycle))
        return; // the threading cycle times itself
    if (!(s.Feed > 0)) {
        // A block that does not move needs no feed.
        if (s.MoveLength != 0)
            noFeed();
        return;
    }
    if (arc && s.SpindleMode == 1)
        add(std::fabs(s.ArcTime));
    else
        add(moveTime(s.MoveLength, s.Feed));
}

void CycleTimeModel::BookSegment(bool toolChange)
{
    TRunState& s = m_state;
    // The stretch before the first tool change that ran nothing (no tool, no time) is
    // no segment: no row, no tool-change time.
    if (s.SegmentTool == 0 && s.SegTime == 0)
        return;
    // A deviation factor that is not set leaves the time as it is.
    s.SegTime = s.SegTime * m_setup.RealOr(9, 1.0) + (toolChange ? machineRate(5) / 60.0 : 0.0);
    if (!std::isfinite(s.SegTime))
        s.SegTime = 0;
    s.TotalTime += s.SegTime;
    s.TotalCost += machineRate(7) / 60.0 * s.SegTime;
    TToolTimeTable& table = s.ToolTimes;
    if (table.count >= ToolTimeRows)
        return;
    TToolTimeTable::Row& row = table.rows[static_cast<std::size_t>(++table.count)];
    row.tool = s.SegmentTool;
    row.rpm = static_cast<float>(s.Rpm);
    row.time = static_cast<float>(s.SegTime);
    row.total = static_cast<float>(s.TotalTime);
    row.ipm = static_cast<float>(s.Feed);
}

std::vector<ToolTimeBar> ToolTimeBars(const TToolTimeTable& table)
{
    std::vector<ToolTimeBar> bars;
    int newBars = 0; // bars after row 1's: blue, lime, blue, ...
    for (int i = 1; i <= table.count && i <= ToolTimeRows; ++i) {
        const TToolTimeTable::Row& row = table.rows[static_cast<std::size_t>(i)];
        if (i > 1 && row.tool == table.rows[static_cast<std::size_t>(i - 1)].tool) {
            bars.back().minutes += row.time;
            continue;
        }
        const bool lime = i > 1 && newBars++ % 2 == 1;
        bars.push_back({"T" + std::to_string(row.tool), row.time, lime});
    }
    return bars;
}

std::vector<std::string> ToolTimeTitles(const std::string& ncFileName, double totalMinutes)
{
    return {"File : " + platform::fileNamePart(ncFileName), "Cycle Time By Tool",
            "Total Time: " + MinutesToHMS(totalMinutes)};
}

} // namespace vork
