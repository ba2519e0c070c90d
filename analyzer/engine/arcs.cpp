#include "analyzer/engine/arcs.h"

#include "analyzer/engine/figures.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/machine_setup.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/nc_input.h"
#include "analyzer/engine/run_state.h"

#include <algorithm>
#include <cmath>

namespace vork {

namespace {

using Point = std::array<double, 3>; // X, Y, Z

constexpr double DegreesToRadians = Pi / 180.0;
constexpr double RadiansToDegrees = 180.0 / Pi;
constexpr double HalfDegree = 0.5 * DegreesToRadians;
// A start or end point closer than this to the centre has no direction from it.
constexpr double MinArcRadius = 0.0001;
// A chord as long as the radius is taken as a little shorter than a half circle.
constexpr double ChordRadiusAllowance = 0.001;
// The direction arrow leans 5 pi / 11 from the end point's angle: into the arc.
constexpr double ArrowLean = 1.4279966607;

// What a block that runs again must find as it was before it: the centre and radius
// words (the other temporary changes of an arc are its own locals).
class WordsKeptForRetry {
public:
    explicit WordsKeptForRetry(TRunState& s)
        : m_state(s), m_words{s.CentreWordX, s.CentreWordY, s.CentreWordZ, s.RadiusWord}
    {
    }
    ~WordsKeptForRetry()
    {
        if (!m_state.Retry)
            return;
        m_state.CentreWordX = m_words[0];
        m_state.CentreWordY = m_words[1];
        m_state.CentreWordZ = m_words[2];
        m_state.RadiusWord = m_words[3];
    }
    WordsKeptForRetry(const WordsKeptForRetry&) = delete;
    WordsKeptForRetry& operator=(const WordsKeptForRetry&) = delete;

private:
    TRunState& m_state;
    std::array<double, 4> m_words;
};

} // namespace

ArcAngles OrderArcAngles(double startAngle, double endAngle, bool clockwise)
{
    ArcAngles a{startAngle, endAngle, 0.0};
    if (clockwise && a.start < a.end)
        a.start += TwoPi;
    if (!clockwise && a.end < a.start)
        a.end += TwoPi;
    a.sweep = std::fabs(a.end - a.start);
    if (IsNearZero(startAngle - endAngle) || IsNearZero(a.sweep)) {
        a.start = startAngle;
        a.end = clockwise ? startAngle - TwoPi : startAngle + TwoPi;
        a.sweep = TwoPi;
    }
    return a;
}

// One arc as it is worked out. Its points are in the frame the arc is computed in: a
// lathe's C-axis arc works on points turned by C, a lathe arc under a standing C angle
// on the unturned points (its drawn points are turned).
struct ArcInterpolator::Arc {
    Point start{}, end{}, centre{};
    int plane = PlaneXY;
    PlaneAxes axes = PlaneAxesOf(PlaneXY);
    int machineType = 1; // a lathe's C-axis arc runs as a mill's
    bool cAxis = false;
    bool clockwise = true;
    double drawTurn = 0; // turn about the Z axis of the drawn points
    double endTurn = 0;  // turn from the arc's end point to CurX, CurY
    bool errorShown = false; // error 1 was reported for the geometry already

    double startRadius = 0, endRadius = 0;
    bool degenerate = false; // an end on the centre: no angle, no chords
    ArcAngles angles;
};

ArcInterpolator::ArcInterpolator(TRunState& state, const TMachineSetup& setup, const AnalyzerSettings& settings,
                                 RunServices& services, NCInput& input, MotionFile& motion)
    : m_state(state), m_setup(setup), m_settings(settings), m_services(services), m_input(input), m_motion(motion)
{
}

bool ArcInterpolator::failed(int error, double shownValue)
{
    m_state.ArcError = shownValue;
    if (m_services.errors)
        m_services.errors->ReportNCError(error);
    return m_state.Retry;
}

void ArcInterpolator::CircularInterpolation()
{
    TRunState& s = m_state;
    const WordsKeptForRetry kept(s);
    if (m_setup.I(94) == 1)
        s.CentreWordX = s.CentreWordY = s.CentreWordZ = s.RadiusWord = 0;
    Arc arc = beginArc();

    std::array<bool, 3> present{};
    if (!readCentreWords(present))
        return;
    bool centreKnown = false;
    if (m_setup.PostOption == 1 && !endFromAngles(arc, centreKnown))
        return;
    const bool planeByWords = m_setup.I(1) == 1 && m_setup.I(131) == 1;
    if (planeByWords && present[2]) {
        if (present[0])
            arc.plane = PlaneZX;
        else if (present[1])
            arc.plane = PlaneYZ;
        arc.axes = PlaneAxesOf(arc.plane);
    }
    if (!centreKnown && !centreByMethod(arc))
        return;
    const PlaneAxes& p = arc.axes;
    // The centre lies in the arc's own plane: at the height of its end (a helix's end).
    arc.centre[p.third] = arc.end[p.third];
    if (m_setup.PostOption == 5 && ThreePointAngle(arc.start[p.first], arc.start[p.second], arc.end[p.first],
                                                   arc.end[p.second], arc.centre[p.first], arc.centre[p.second])
                                           .turn >= 0) {
        s.Mode = ModeCCW;
        arc.clockwise = false;
    }
    measure(arc);
    if (arc.degenerate && IsNearZero(arc.startRadius) && IsNearZero(arc.endRadius) &&
        IsNearZero(arc.end[p.third] - arc.start[p.third])) {
        // An arc block that stays where the tool stands with its centre there (axis
        // words that repeat the position, centre words of 0): nothing to draw, record
        // or report.
        s.MoveLength = 0;
        return;
    }
    if (!checkDegreeLimit(arc) || !drawArc(arc))
        return;
    s.MoveLength = arc.degenerate ? std::hypot(arc.end[p.first] - arc.start[p.first],
                                               arc.end[p.second] - arc.start[p.second])
                                  : arc.angles.sweep * arc.startRadius;
    // A helix: along its thread.
    s.MoveLength = std::hypot(s.MoveLength, arc.end[p.third] - arc.start[p.third]);
    if (planeByWords)
        s.Plane = PlaneXY;
    m_lastCentre = arc.centre;
}

ArcInterpolator::Arc ArcInterpolator::beginArc() const
{
    const TRunState& s = m_state;
    Arc arc;
    arc.start = {s.PrevX, s.PrevY, s.PrevZ};
    arc.end = {s.CurX, s.CurY, s.CurZ};
    arc.centre = m_lastCentre;
    arc.clockwise = s.Mode == ModeCW;
    arc.machineType = m_setup.I(1);
    arc.plane = std::clamp(s.Plane, 0, 2);
    if (s.LatheMachine) {
        if (!IsNearZero(s.RotC - s.PrevRotC)) {
            // The part turns under the tool: an arc across the face, in the XY plane.
            RotatePoint(arc.start[0], arc.start[1], 0.0, 0.0, s.PrevRotC);
            RotatePoint(arc.end[0], arc.end[1], 0.0, 0.0, s.RotC);
            arc.cAxis = true;
            arc.machineType = 1;
            arc.plane = PlaneXY;
            arc.endTurn = -s.RotC;
        } else if (s.RotC != 0.0) {
            // The block loop has turned the end point by the standing C angle for
            // drawing: the arc is found from the unturned points, its chords turned.
            RotatePoint(arc.end[0], arc.end[1], 0.0, 0.0, -s.RotC);
            arc.drawTurn = arc.endTurn = s.RotC;
        }
    }
    arc.axes = PlaneAxesOf(arc.plane);
    return arc;
}

bool ArcInterpolator::readLength(std::string_view address, double& value)
{
    const TRunState& s = m_state;
    m_input.ReadCoordinateWord(address);
    if (!s.WordFound)
        return false;
    value = s.Metric ? s.WordValue * MillimetresToInches : s.WordValue;
    return true;
}

bool ArcInterpolator::readCentreWords(std::array<bool, 3>& present)
{
    TRunState& s = m_state;
    double* words[3] = {&s.CentreWordX, &s.CentreWordY, &s.CentreWordZ};
    const double scales[3] = {m_setup.R(4), m_setup.R(41), m_setup.R(42)};
    for (int k = 0; k < 3; ++k) {
        double value = 0;
        present[static_cast<std::size_t>(k)] = readLength(m_setup.S(4 + k), value);
        if (present[static_cast<std::size_t>(k)])
            *words[k] = value * scales[k];
    }
    return !s.Retry; // a malformed word retried
}

// Start and end angle in degrees (A, B) and the radius (R) give the end point.
bool ArcInterpolator::endFromAngles(Arc& arc, bool& centreKnown)
{
    TRunState& s = m_state;
    m_input.ReadCoordinateWord("A");
    const bool hasStart = s.WordFound;
    const double a = s.WordValue * DegreesToRadians;
    m_input.ReadCoordinateWord("B");
    const bool hasEnd = s.WordFound;
    const double b = s.WordValue * DegreesToRadians;
    if (s.Retry)
        return false;
    if (!hasStart || !hasEnd)
        return true;
    double radius = 0;
    const bool hasRadius = readLength("R", radius);
    if (s.Retry)
        return false;
    if (!hasRadius) {
        arc.errorShown = true; // what follows has no centre either: one report is enough
        return !failed(1, 0.0);
    }
    s.RadiusWord = radius;
    const int f = arc.axes.first, g = arc.axes.second;
    if (IsNearZero(a - b)) {
        arc.end[f] = arc.start[f];
        arc.end[g] = arc.start[g];
        arc.centre[f] = arc.start[f] - radius * std::cos(a);
        arc.centre[g] = arc.start[g] - radius * std::sin(a);
    } else {
        arc.end[f] = arc.start[f] + radius * (std::cos(b) - std::cos(a));
        arc.end[g] = arc.start[g] + radius * (std::sin(b) - std::sin(a));
        if (!centreFromRadius(arc, radius))
            return false;
    }
    setEndPoint(arc);
    s.CentreWordX = arc.centre[0];
    s.CentreWordY = arc.centre[1];
    s.CentreWordZ = arc.centre[2];
    centreKnown = true;
    return true;
}

void ArcInterpolator::setEndPoint(const Arc& arc)
{
    TRunState& s = m_state;
    double x = arc.end[0], y = arc.end[1];
    if (arc.endTurn != 0.0)
        RotatePoint(x, y, 0.0, 0.0, arc.endTurn);
    s.CurX = x;
    s.CurY = y;
    s.CurZ = arc.end[2];
}

bool ArcInterpolator::centreByMethod(Arc& arc)
{
    TRunState& s = m_state;
    int method = s.Absolute ? m_setup.I(10) : m_setup.I(11);
    if (method == 5) {
        double radius = 0;
        const bool hasRadius = readLength(m_setup.S(10), radius);
        if (s.Retry)
            return false;
        if (hasRadius) {
            s.RadiusWord = radius;
            return centreFromRadius(arc, radius);
        }
        method = 1;
    }
    const Point words = {s.CentreWordX, s.CentreWordY, s.CentreWordZ};
    const Point offsets = {s.OffX, s.OffY, s.OffZ};
    switch (method) {
    case 1:
    case 2:
    case 4:
    case 7: {
        // Y is an axis of every machine but a lathe, Z only of mills and lathes.
        const bool computed[3] = {true, arc.machineType != 2, arc.machineType == 1 || arc.machineType == 2};
        for (std::size_t k = 0; k < 3; ++k) {
            if (!computed[k])
                continue;
            arc.centre[k] = method == 1   ? arc.start[k] + words[k]
                            : method == 2 ? arc.start[k] - words[k]
                                          : words[k] + offsets[k];
        }
        return true;
    }
    case 3:
        return centreUnsigned(arc);
    default:
        return true; // no centre of its own: the last arc's
    }
}

bool ArcInterpolator::centreFromRadius(Arc& arc, double radius)
{
    const int f = arc.axes.first, g = arc.axes.second;
    const double df = arc.end[f] - arc.start[f], dg = arc.end[g] - arc.start[g];
    const double direction = VectorAngle(df, dg);
    if (direction == NoAngle) {
        // Coinciding ends have no chord: a radius alone does not place the centre.
        arc.centre = arc.start;
        arc.errorShown = true;
        return !failed(1, 0.0);
    }
    const double chord = std::hypot(df, dg);
    double r = radius;
    if (IsNearZero(chord - r))
        r -= ChordRadiusAllowance;
    const double h = IsNearZero(2.0 * chord * r) ? chord * chord : chord / (2.0 * r);
    double t = 0;
    if (std::fabs(h) < 1.0 && !IsNearZero(h)) {
        t = std::atan(std::sqrt(1.0 - h * h) / h);
        if (h < 0)
            t += Pi;
    }
    const double phi = arc.clockwise ? direction - t : direction + t;
    arc.centre = {0.0, 0.0, 0.0};
    arc.centre[f] = arc.start[f] + r * std::cos(phi);
    arc.centre[g] = arc.start[g] + r * std::sin(phi);
    return true;
}

// Unsigned I, J, K: the signs are found by trial; a candidate must fit both ends and
// sweep a quarter circle at most.
bool ArcInterpolator::centreUnsigned(Arc& arc)
{
    const int f = arc.axes.first, g = arc.axes.second;
    const Point words = {m_state.CentreWordX, m_state.CentreWordY, m_state.CentreWordZ};
    constexpr int signs[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
    for (const auto& sign : signs) {
        Arc candidate = arc;
        candidate.centre[f] = arc.start[f] + sign[0] * std::fabs(words[f]);
        candidate.centre[g] = arc.start[g] + sign[1] * std::fabs(words[g]);
        measure(candidate);
        if (candidate.degenerate || !(std::fabs(candidate.startRadius - candidate.endRadius) < m_setup.R(37)))
            continue;
        if (candidate.angles.sweep <= HalfPi + HalfDegree) {
            arc.centre = candidate.centre;
            return true;
        }
    }
    arc.errorShown = true;
    return !failed(1, 0.0);
}

void ArcInterpolator::measure(Arc& arc) const
{
    const int f = arc.axes.first, g = arc.axes.second;
    const double sf = arc.start[f] - arc.centre[f], sg = arc.start[g] - arc.centre[g];
    const double ef = arc.end[f] - arc.centre[f], eg = arc.end[g] - arc.centre[g];
    arc.startRadius = std::hypot(sf, sg);
    arc.endRadius = std::hypot(ef, eg);
    arc.degenerate = arc.startRadius < MinArcRadius || arc.endRadius < MinArcRadius;
    arc.angles = arc.degenerate ? ArcAngles{}
                                : OrderArcAngles(VectorAngle(sf, sg), VectorAngle(ef, eg), arc.clockwise);
}

bool ArcInterpolator::checkDegreeLimit(const Arc& arc)
{
    const int limit = m_setup.I(78);
    if (arc.plane != PlaneXY || arc.degenerate || (limit != 0 && limit != 1))
        return true;
    const double allowed = limit == 0 ? HalfPi : Pi;
    if (arc.angles.sweep - allowed < HalfDegree)
        return true;
    return !failed(15, arc.angles.sweep * RadiansToDegrees);
}

// The point through the C turn and the rotary axes, and a line to it; returns where
// the line ended.
Point ArcInterpolator::lineTo(const Arc& arc, Point point)
{
    if (arc.drawTurn != 0.0)
        RotatePoint(point[0], point[1], 0.0, 0.0, arc.drawTurn);
    Point drawn = point;
    m_services.cycles->RotatePointForRotaryAxes(drawn[0], drawn[1], drawn[2], point[0], point[1], point[2]);
    m_services.drawing->Lineto(drawn[0], drawn[1], drawn[2]);
    return drawn;
}

bool ArcInterpolator::drawArc(Arc& arc)
{
    TRunState& s = m_state;
    RunDrawing& drawing = *m_services.drawing;
    const PlaneAxes& p = arc.axes;
    const double mismatch = std::fabs(arc.startRadius - arc.endRadius);
    if (!arc.errorShown && (mismatch > m_setup.R(37) || arc.degenerate) && failed(1, mismatch))
        return false;
    drawing.Setlinestyle(0);

    if (!arc.degenerate) {
        const double rise = arc.end[p.third] - arc.start[p.third];
        PathArc path;
        path.plane = arc.plane;
        path.centreFirst = arc.centre[p.first];
        path.centreSecond = arc.centre[p.second];
        path.radius = arc.startRadius;
        path.startAngle = arc.angles.start;
        path.sweep = arc.clockwise ? -arc.angles.sweep : arc.angles.sweep;
        path.height = arc.start[p.third];
        path.rise = IsNearZero(rise) ? 0.0 : rise;
        // Chords that the rotary axes or a C turn move off the arc's plane are drawn one
        // by one; a plain arc is drawn (and kept for repaints) as a whole.
        if (arc.drawTurn == 0.0 && !m_settings.useRotary)
            drawing.DrawPathArc(path);
        else
            ForEachArcChord(path, drawing.Getscale(), [&](double x, double y, double z) { lineTo(arc, {x, y, z}); });
    }
    const Point end = lineTo(arc, arc.end);

    if (m_settings.arrows) {
        const double lean = arc.clockwise ? -ArrowLean : ArrowLean;
        drawing.DrawArrow(end[0], end[1], end[2], arc.degenerate ? NoAngle : arc.angles.end + lean);
    }
    if (m_settings.showTool && m_services.toolImage)
        m_services.toolImage->ShowToolImage(s.LatheMachine, end[0], end[1], end[2], m_settings.animateTool);
    DxfOutput* dxf = m_services.dxf;
    if (dxf && dxf->DxfOutputOn() && !arc.degenerate)
        dxf->WriteOutputArc(s.Mode, dxfArc(arc));
    if (arc.plane == PlaneZX && arc.machineType == 2 && s.SpindleMode == 1)
        surfaceSpeedTime(arc);
    writeMotionRecord(arc);
    return true;
}

// A lathe's arcs go to the drawing of its Z-X plane, Z across; other arcs lie in their
// own plane of the world.
DxfArc ArcInterpolator::dxfArc(const Arc& arc) const
{
    const PlaneAxes& p = arc.axes;
    DxfArc out;
    out.radius = arc.startRadius;
    out.start = arc.angles.start;
    out.end = arc.angles.end;
    if (m_state.LatheMachine && arc.plane == PlaneZX) {
        out.centre = {arc.centre[p.first], arc.centre[p.second], 0.0};
        return out;
    }
    out.centre = arc.centre;
    out.first = {0, 0, 0};
    out.second = {0, 0, 0};
    out.first[static_cast<std::size_t>(p.first)] = 1;
    out.second[static_cast<std::size_t>(p.second)] = 1;
    return out;
}

// Under constant surface speed the feed per minute changes with X along the arc.
void ArcInterpolator::surfaceSpeedTime(const Arc& arc)
{
    TRunState& s = m_state;
    const double r = arc.startRadius;
    const double cx = arc.centre[0];
    const double straight = std::hypot(arc.end[2] - arc.start[2], arc.end[0] - arc.start[0]);
    const double byFeed = s.Feed > 0 ? straight / s.Feed : 0.0;
    const double rate = s.SurfaceSpeed * s.FeedPerRev;
    if (IsNearZero(rate)) {
        s.ArcTime = byFeed;
        return;
    }
    // The end radius may differ from r by the tolerance: keep the sines in range.
    const auto arcSine = [&](double x) { return IsNearZero(r) ? 1.0 : std::asin(std::clamp((x - cx) / r, -1.0, 1.0)); };
    const double k = Pi * r / (6.0 * rate);
    const double time = (cx * arcSine(arc.end[0]) + (arc.clockwise ? -r : r) - cx * arcSine(arc.start[0])) * k;
    s.ArcTime = time < 0 ? byFeed : time;
}

void ArcInterpolator::writeMotionRecord(const Arc& arc)
{
    const TRunState& s = m_state;
    if (s.OpSlot == -1 || !m_services.operations)
        return;
    TMotionRecord r;
    r.opnum = static_cast<std::int16_t>(m_services.operations->OperationNumber(s.OpSlot));
    r.mode = static_cast<std::uint8_t>(s.Mode);
    // Points in the order of the machine's line records: (Z, X, Y) on a lathe.
    const std::array<std::size_t, 3> order = s.LatheMachine ? std::array<std::size_t, 3>{2, 0, 1}
                                                            : std::array<std::size_t, 3>{0, 1, 2};
    r.ex = arc.end[order[0]], r.ey = arc.end[order[1]], r.ez = arc.end[order[2]];
    r.sx = arc.start[order[0]], r.sy = arc.start[order[1]], r.sz = arc.start[order[2]];
    r.feed = s.LatheMachine ? s.FeedPerRev : s.Feed;
    // The plane in the record's order: a lathe's (Z, X, Y) turns ZX into the record's
    // first two coordinates, XY into its last two.
    r.arcPlane = static_cast<std::int16_t>(s.LatheMachine ? (arc.plane + 2) % 3 : arc.plane);
    if (!arc.cAxis) {
        // The centre level with the start: a helix climbs from there, as its chords do.
        Point centre = arc.centre;
        centre[static_cast<std::size_t>(arc.axes.third)] = arc.start[static_cast<std::size_t>(arc.axes.third)];
        r.cx = centre[order[0]], r.cy = centre[order[1]], r.cz = centre[order[2]];
        r.radius = arc.startRadius;
    }
    m_motion.append(r);
}

} // namespace vork
