#pragma once
// Sizes of the drawing window's figures (arrowheads, axis symbol, arcs, ruler, labels,
// thread zig-zag) are fixed on paper; these helpers turn paper sizes into steps.
// The figures themselves are operations of Trwindow (drawing.h).

namespace vork {

// Tick spacing (world units) and label interval (ticks) of the ruler at a paper scale.
struct RulerSpacing {
    double tick = 0.0;
    int labelEvery = 1;
};
RulerSpacing RulerTicks(double scale);

// The chord step (radians) of an arc of `radius` world units drawn at `scale` paper
// inches per world unit: the chord strays at most 0.005 paper inch, and the step is at
// most 20 degrees.
double ArcChordStep(double scale, double radius);

} // namespace vork
