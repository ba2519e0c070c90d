#pragma once
// Sizes of the drawing window's figures (arrowheads, axis symbol, arcs, ruler, labels,
// thread zig-zag) are fixed on paper; these helpers turn paper sizes into steps.
// The figures themselves are operations of Trwindow (drawing.h).
#include <algorithm>
#include <cmath>

namespace vork {

// Tick spacing (world units) and label interval (ticks) of the ruler at a paper scale.
struct RulerSpacing {
    double tick = 0.0;
    int labelEvery = 1;
};
RulerSpacing RulerTicks(double scale);

// The chord step angle of a tool-path arc: 2.5 degrees when its radius on paper (scale
// times radius) exceeds 2 inches, else 5 degrees.
double ArcStepAngle(double scale, double radius);

// An arc of the tool path as the run draws it, without its last line to the end point:
// chords of the step angle from the start angle about the centre in one plane, to points
// on the circle of the arc's start radius; for a helix the third axis climbs by an equal
// step per chord. The display file keeps an arc as this description, so that a repaint
// draws it again at its own scale.
struct PathArc {
    int plane = 0; // 0 XY, 1 ZX, 2 YZ: angles run from the first axis toward the second
    double centreFirst = 0, centreSecond = 0;
    double radius = 0;
    double startAngle = 0;
    double sweep = 0;  // radians, negative clockwise
    double height = 0; // the third axis at the start
    double rise = 0;   // the helix's change of the third axis over the arc; 0 for none
    friend bool operator==(const PathArc&, const PathArc&) = default;
};

// Calls point(x, y, z) for each chord end of the arc drawn at `scale` paper inches per
// world unit, in order.
template <typename PointSink>
void ForEachArcChord(const PathArc& arc, double scale, PointSink&& point);

// The chord step (radians) of an arc of `radius` world units drawn at `scale` paper
// inches per world unit: the chord strays at most 0.005 paper inch, and the step is at
// most 20 degrees.
double ArcChordStep(double scale, double radius);

template <typename PointSink>
void ForEachArcChord(const PathArc& arc, double scale, PointSink&& point)
{
    // Whole steps of the sweep are counted past the rounding of the division and of the
    // single precision in which the display file keeps the sweep.
    constexpr double StepRounding = 1e-4;
    const double step = ArcStepAngle(scale, arc.radius);
    const double sweep = std::fabs(arc.sweep);
    // At least one step, so that a helix shorter than a step still climbs.
    const double zStep = arc.rise == 0.0 ? 0.0 : arc.rise / std::max(1.0, std::floor(sweep / step + StepRounding));
    const int chords = std::max(0, static_cast<int>(std::ceil(sweep / step - StepRounding)) - 1);
    const double turn = arc.sweep < 0 ? -step : step;
    const double turnCos = std::cos(turn), turnSin = std::sin(turn);
    double c = std::cos(arc.startAngle), s = std::sin(arc.startAngle);
    const int plane = std::clamp(arc.plane, 0, 2);
    for (int k = 1; k <= chords; ++k) {
        const double next = c * turnCos - s * turnSin;
        s = s * turnCos + c * turnSin;
        c = next;
        const double first = arc.centreFirst + arc.radius * c;
        const double second = arc.centreSecond + arc.radius * s;
        const double third = arc.height + k * zStep;
        switch (plane) {
        case 0: point(first, second, third); break;
        case 1: point(second, third, first); break;
        default: point(third, first, second); break;
        }
    }
}

} // namespace vork
