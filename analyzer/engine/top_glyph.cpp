#include "analyzer/engine/top_glyph.h"

#include "analyzer/engine/drawing.h"

#include <initializer_list>
#include <numbers>

namespace vork {

namespace {
struct P3 {
    double x, y, z;
};

void polyline(Trwindow& w, Canvas& c, double u, std::initializer_list<P3> points)
{
    bool first = true;
    for (const P3& p : points) {
        if (first)
            w.Moveto(c, p.x * u, p.y * u, p.z * u);
        else
            w.Lineto(c, p.x * u, p.y * u, p.z * u);
        first = false;
    }
}
}

void DrawTopGlyph(Trwindow& w, Canvas& c, double u)
{
    constexpr double pi = std::numbers::pi;
    w.SetColor(c, TopGlyphColor);
    // T
    polyline(w, c, u, {{-1.25, 0.5, 1}, {-0.75, 0.5, 1}});
    polyline(w, c, u, {{-1, 0.5, 1}, {-1, -0.5, 1}});
    // O
    w.DrawArc(c, 0, 0, 0.5 * u, 0, 2 * pi, u, 0, true);
    // P
    polyline(w, c, u, {{1, -0.5, 1}, {1, 0.5, 1}, {1.25, 0.5, 1}});
    w.DrawArc(c, 1.25 * u, 0.25 * u, 0.25 * u, pi / 2, 3 * pi / 2, u, 0, false);
    polyline(w, c, u, {{1.25, 0, 1}, {1, 0, 1}});
    // the block
    polyline(w, c, u, {{-2, -1, 0}, {2, -1, 0}, {2, -1, 1}});
    polyline(w, c, u, {{2, -1, 0}, {2, 1, 0}, {2, 1, 1}});
    polyline(w, c, u, {{2, 1, 0}, {-2, 1, 0}, {-2, 1, 1}});
    polyline(w, c, u, {{-2, 1, 0}, {-2, -1, 0}, {-2, -1, 1}});
    polyline(w, c, u, {{-2, -1, 1}, {2, -1, 1}, {2, 1, 1}, {-2, 1, 1}, {-2, -1, 1}});
}

} // namespace vork
