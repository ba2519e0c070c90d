#include "analyzer/engine/figures.h"

#include "analyzer/engine/drawing.h"
#include "math/engine/mathlib.h"
#include "platform/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vork {

namespace {

constexpr double Degree = Pi / 180.0;
// Colours of the axis symbol: X red, Y lime, Z blue.
constexpr int AxisColorX = 12;
constexpr int AxisColorY = 10;
constexpr int AxisColorZ = 9;
// A ruler never draws more ticks than this, whatever the window.
constexpr int MaxRulerTicks = 20000;
// A thread is drawn as a zig-zag of at most this many half pitches; finer ones as a line.
constexpr double MaxThreadHalfPitches = 20000.0;
// An arc is drawn with at most this many steps.
constexpr double MaxArcSteps = 3600.0;

} // namespace

RulerSpacing RulerTicks(double scale)
{
    struct Row {
        double above; // the row holds scales above this, up to the previous row's bound
        double tick;
        int labelEvery;
    };
    static constexpr std::array<Row, 9> rows{{
        {100, 0.002, 5},
        {50, 0.01, 5},
        {10, 0.2, 8},
        {0.75, 0.25, 4},
        {0.25, 1, 2},
        {0.125, 5, 3},
        {0.0625, 10, 6},
        {0.03125, 50, 2},
        {0.015625, 50, 1},
    }};
    for (const Row& row : rows) {
        if (scale > row.above)
            return {row.tick, row.labelEvery};
    }
    return {100, 1};
}

double ArcStepAngle(double scale, double radius)
{
    return (scale * radius > 2.0 ? 2.5 : 5.0) * Degree;
}

double ArcChordStep(double scale, double radius)
{
    const double step = 2 * ArcCosine(1 - 0.005 / (scale * radius));
    return std::min(step, 20 * Degree);
}

void Trwindow::setBackgroundOrContrast(Canvas& canvas, bool background)
{
    const bool black = background == BlackScreen;
    SetColor(canvas, black ? PaletteBlack : PaletteWhite);
}

void Trwindow::DrawArrow(Canvas& canvas, double x, double y, double z, double angle)
{
    if (IsNearZero(angle - NoAngle))
        return;
    const double s = Getscale();
    const double l = 0.125 / s;
    Setlinestyle(canvas, 0);
    const auto barb = [&](double spread) {
        const double at = angle + spread;
        if (LatheMode)
            Lineto(canvas, x + l * std::sin(at), y, z + l * std::cos(at));
        else
            Lineto(canvas, x + l * std::cos(at), y + l * std::sin(at), z);
    };
    barb(170 * Degree);
    barb(-170 * Degree);
    Lineto(canvas, x, y, z);
}

void Trwindow::Draw_Axis(Canvas& canvas, bool eraseit)
{
    const double s = Getscale();
    const double L = 1 / s;
    const double h = 0.2 / s;
    const double w = h / 3;
    const double f = 0.0625 / s;
    const double g = 0.09375 / s;
    const double m = 1.2 / s;
    Setlinestyle(canvas, 0);
    canvas.setPenWidth(3);
    setBackgroundOrContrast(canvas, eraseit);
    const auto axisColor = [&](int index) {
        if (!eraseit)
            SetColor(canvas, index);
    };

    axisColor(AxisColorX);
    Moveto(canvas, 0, 0, 0);
    Lineto(canvas, L, 0, 0);
    Lineto(canvas, L - h, w, 0);
    Lineto(canvas, L - h, -w, 0);
    Lineto(canvas, L, 0, 0);
    Moveto(canvas, m - f, g, 0);
    Lineto(canvas, m + f, -g, 0);
    Moveto(canvas, m + f, g, 0);
    Lineto(canvas, m - f, -g, 0);

    axisColor(AxisColorY);
    const double k = -0.2 / s;
    Moveto(canvas, 0, 0, 0);
    Lineto(canvas, 0, L, 0);
    Lineto(canvas, -w, L - h, 0);
    Lineto(canvas, w, L - h, 0);
    Lineto(canvas, 0, L, 0);
    Moveto(canvas, k - f, L + g, 0);
    Lineto(canvas, k, L, 0);
    Lineto(canvas, k + f, L + g, 0);
    Moveto(canvas, k, L, 0);
    Lineto(canvas, k, L - g, 0);

    axisColor(AxisColorZ);
    Moveto(canvas, 0, 0, 0);
    Lineto(canvas, 0, 0, L);
    if (ThreeDMode) {
        Lineto(canvas, w, 0, L - h);
        Lineto(canvas, -w, 0, L - h);
        Lineto(canvas, 0, 0, L);
        Lineto(canvas, 0, w, L - h);
        Lineto(canvas, 0, -w, L - h);
        Lineto(canvas, 0, 0, L);
    }
    Moveto(canvas, -f, g, m);
    Lineto(canvas, f, g, m);
    Lineto(canvas, -f, -g, m);
    Lineto(canvas, f, -g, m);

    canvas.setPenWidth(1);
}

void Trwindow::DrawArc(Canvas& canvas, double x, double y, double radius, double startAngle,
                       double finishAngle, double z, double deltaZ, bool ccw)
{
    if (radius <= NearZeroTolerance)
        return;
    const double s = Getscale();
    double step = ArcChordStep(s, radius);

    const Pen savedPen = canvas.pen();
    const bool emulated = savedPen.style != PenStyle::Solid;
    if (emulated) {
        const double dash = savedPen.style == PenStyle::Dot ? 0.05 : 0.15;
        step = std::clamp(dash / s / radius, 1 * Degree, 30 * Degree);
        canvas.setPenStyle(PenStyle::Solid);
    }
    const auto pointAt = [&](double angle, double height) {
        return std::array<double, 3>{x + radius * std::cos(angle), y + radius * std::sin(angle), height};
    };

    auto start = pointAt(startAngle, z);
    Moveto(canvas, start[0], start[1], start[2]);
    if (s * radius < 0.005) {
        canvas.setPen(savedPen);
        return;
    }

    if (!ccw && startAngle < finishAngle)
        startAngle += TwoPi;
    if (ccw && startAngle > finishAngle)
        finishAngle += TwoPi;
    double sweep = ccw ? finishAngle - startAngle : startAngle - finishAngle;
    if (IsNearZero(sweep))
        sweep = TwoPi;
    if (!emulated) {
        // Counted within the bound on steps, so that no count runs past its type.
        long long n = platform::roundHalfEven(std::min(sweep / step, MaxArcSteps));
        if (n == 0 || n % 2 != 0)
            ++n;
        step = sweep / static_cast<double>(n);
        if (IsNearZero(step))
            step = 0.1 * Degree;
    }
    // However large the sweep, the number of steps stays bounded.
    step = std::max(step, std::fabs(sweep) / MaxArcSteps);
    const double stepCount = std::max(1.0, std::trunc(sweep / step));
    const double dz = IsNearZero(deltaZ) ? 0.0 : deltaZ / stepCount;
    if (IsNearZero(startAngle - finishAngle))
        finishAngle += ccw ? TwoPi : -TwoPi;

    const double direction = ccw ? 1.0 : -1.0;
    const auto passed = [&](double angle) { return ccw ? angle > finishAngle : angle < finishAngle; };
    // The last step ends exactly at the finish; steps within rounding of it are left to it.
    const auto atFinish = [&](double angle) { return std::fabs(angle - finishAngle) < 1e-9; };
    double height = z;
    double previous = startAngle;
    bool drawStep = false;
    for (long long i = 1;; ++i) {
        const double angle = startAngle + direction * static_cast<double>(i) * step;
        if (passed(angle) || (!emulated && atFinish(angle)))
            break;
        if (!emulated) {
            height += dz;
            const auto p = pointAt(angle, height);
            Lineto(canvas, p[0], p[1], p[2]);
            continue;
        }
        if (drawStep) {
            const auto degrees = static_cast<long long>(std::fabs(angle - previous) / Degree);
            for (long long k = 1; k <= degrees; ++k) {
                const auto p = pointAt(previous + direction * static_cast<double>(k) * Degree, height);
                Lineto(canvas, p[0], p[1], p[2]);
            }
            const auto p = pointAt(angle, height);
            Lineto(canvas, p[0], p[1], p[2]);
        } else {
            height += dz;
            const auto p = pointAt(angle, height);
            Moveto(canvas, p[0], p[1], p[2]);
        }
        drawStep = !drawStep;
        previous = angle;
    }
    if (emulated) {
        canvas.setPen(savedPen);
        return;
    }
    const auto finish = pointAt(finishAngle, z + deltaZ);
    Lineto(canvas, finish[0], finish[1], finish[2]);
}

void Trwindow::DrawCross(Canvas& canvas, double x, double y, double z)
{
    const double e = 0.035 / Getscale();
    if (LatheMode) {
        // The lathe view shows z across and x up.
        Moveto(canvas, x - e, y, z - e);
        Lineto(canvas, x + e, y, z + e);
        Moveto(canvas, x + e, y, z - e);
        Lineto(canvas, x - e, y, z + e);
    } else {
        Moveto(canvas, x - e, y - e, z);
        Lineto(canvas, x + e, y + e, z);
        Moveto(canvas, x - e, y + e, z);
        Lineto(canvas, x + e, y - e, z);
    }
    Moveto(canvas, x, y, z);
}

namespace {

Font labelFont(double size, double c, Rgb color)
{
    Font font;
    font.name = "Arial";
    const long long pixels = platform::roundHalfEven(std::fabs(size * c));
    font.pixelSize = static_cast<int>(std::clamp<long long>(pixels, 1, 10000));
    font.color = color;
    return font;
}

} // namespace

void Trwindow::Drawlabel(Canvas& canvas, double x, double y, double z, double size, const std::string& text)
{
    if (!(clb <= x && x <= crb && cbb <= y && y <= ctb))
        return;
    Moveto(canvas, x, y, z);
    if (m_measuring)
        return;
    canvas.setFont(labelFont(size, c, PaletteColor(Pencolor)));
    const PixelPoint at = canvas.penPos();
    canvas.textOut(at.x, at.y, text);
}

double Trwindow::TextWidthWorld(Canvas& canvas, const std::string& text, double size)
{
    canvas.setFont(labelFont(size, c, PaletteColor(Pencolor)));
    const double pixels = canvas.textWidth(text);
    return IsNearZero(a) ? pixels : pixels / a;
}

void Trwindow::DrawRuler(Canvas& canvas, double xPos, double yPos, double zPos, bool eraseit)
{
    const double s = Getscale();
    Setlinestyle(canvas, 0);
    const int rememberedColor = Pencolor;
    setBackgroundOrContrast(canvas, eraseit);
    canvas.setBrushColor(PaletteColor(BlackScreen ? PaletteBlack : PaletteWhite));

    const double width = s * (extxx - extx);
    const double height = s * (extyy - exty);
    const auto rulerAt = [&](double low, double paperSize) {
        if (s * low < -0.1)
            return std::fabs(s * low) > paperSize ? low + paperSize / s : 0.0;
        return low + 0.1 / s;
    };
    const double rx = rulerAt(extx, width - 0.375);
    const double ry = rulerAt(exty, height - 0.75);

    const RulerSpacing spacing = RulerTicks(s);
    const double T = spacing.tick;
    const int N = spacing.labelEvery;
    const double tick = 0.05 / s;
    const double labelSize = 0.1 / s;

    // Horizontal ruler along y = ry.
    const double x0 = static_cast<double>(platform::roundHalfEven(extx)) - N * T;
    Moveto(canvas, x0, ry, 0);
    int counter = 0;
    for (int i = 1; i <= MaxRulerTicks; ++i) {
        const double x = x0 + i * T;
        Lineto(canvas, x, ry, 0);
        Lineto(canvas, x, ry - tick, 0);
        Lineto(canvas, x, ry + tick, 0);
        if (counter == N) {
            const std::string label = platform::formatFixed(x, 3);
            Lineto(canvas, x, ry + 0.15 / s, 0);
            Drawlabel(canvas, x - TextWidthWorld(canvas, label, labelSize) / 2, ry + 0.19 / s, 0, labelSize, label);
            Moveto(canvas, x, ry + tick, 0);
            counter = 0;
        }
        Lineto(canvas, x, ry, 0);
        ++counter;
        if (x > extxx)
            break;
    }

    // Vertical ruler along x = rx.
    const double y0 = static_cast<double>(platform::roundHalfEven(exty)) - N * T;
    Moveto(canvas, rx, y0, 0);
    counter = 0;
    for (int i = 1; i <= MaxRulerTicks; ++i) {
        const double y = y0 + i * T;
        Lineto(canvas, rx, y, 0);
        Lineto(canvas, rx - tick, y, 0);
        Lineto(canvas, rx + tick, y, 0);
        if (counter == N) {
            const std::string label = platform::formatFixed(y, 3);
            Lineto(canvas, rx + 0.15 / s, y, 0);
            Drawlabel(canvas, rx + 0.19 / s, y + 0.075, 0, labelSize, label);
            Moveto(canvas, rx + tick, y, 0);
            counter = 0;
        }
        Lineto(canvas, rx, y, 0);
        ++counter;
        if (y > extyy)
            break;
    }

    Moveto(canvas, xPos, yPos, zPos);
    SetColor(canvas, rememberedColor);
}

void Trwindow::DrawThread(Canvas& canvas, double sx, double sy, double fx, double fy, double lead, bool external)
{
    Setlinestyle(canvas, 0);
    lead = std::fabs(lead);
    const double halfPitch = lead / 2;
    // A point of the lathe view at (across, up) = (z, x) is drawn at world (x, 0, z).
    const auto lineTo = [&](double across, double up) { Lineto(canvas, up, 0, across); };
    if (IsNearZero(halfPitch) || (sx - fx) / halfPitch > MaxThreadHalfPitches) {
        lineTo(fx, fy);
        return;
    }
    const double h = halfPitch / std::tan(30 * Degree);
    const double step = -halfPitch;
    const double taper = IsNearZero(fy - sy) ? 0.0 : (sy - fy) / (sx - fx) * halfPitch;
    const double outward = external ? h : -h;
    double x = sx + step;
    double y = sy + outward - taper;
    while (x > fx) {
        lineTo(x, y);
        x += step;
        y = y - outward - taper;
        lineTo(x, y);
        x += step;
        y = y + outward - taper;
    }
    lineTo(fx, fy);
}

} // namespace vork
