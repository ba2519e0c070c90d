#include "analyzer/engine/fixture_display.h"

#include "analyzer/engine/drawing.h"

#include <array>
#include <cmath>

namespace vork {

namespace {
constexpr double Degree = Pi / 180.0;
}

void TFixtureDisplay::setTarget(Trwindow* window, Canvas* canvas, const bool* latheMachine)
{
    m_window = window;
    m_canvas = canvas;
    m_lathe = latheMachine;
}

void TFixtureDisplay::DrawFixture()
{
    if (!m_table.shown || !m_window || !m_canvas)
        return;
    for (const TEntityRecord& e : m_table.Slots())
        if (e.kind >= EntityPoint && e.kind <= EntityText)
            draw(e);
}

void TFixtureDisplay::DrawFixtureOn(Trwindow& window, Canvas& canvas)
{
    Trwindow* const ownWindow = m_window;
    Canvas* const ownCanvas = m_canvas;
    m_window = &window;
    m_canvas = &canvas;
    DrawFixture();
    m_window = ownWindow;
    m_canvas = ownCanvas;
}

void TFixtureDisplay::DrawFixtureEntity(std::uint8_t kind, std::int16_t number)
{
    if (!m_window || !m_canvas)
        return;
    if (const TEntityRecord* e = m_table.FindEntity(kind, number))
        draw(*e);
}

void TFixtureDisplay::draw(const TEntityRecord& e)
{
    Trwindow& w = *m_window;
    Canvas& c = *m_canvas;
    w.SetColor(c, e.color);
    w.Setlinestyle(c, 0);
    switch (e.kind) {
    case EntityPoint: w.DrawCross(c, e.val1, e.val2, e.val3); break;
    case EntityLine:
        w.Moveto(c, e.val1, e.val2, e.val3);
        w.Lineto(c, e.val4, e.val5, e.val6);
        break;
    case EntityArc:
        if (m_lathe && *m_lathe) {
            // Chords of one degree in the lathe's plane, counter-clockwise from start to end.
            const auto at = [&](double b) {
                return std::array<double, 3>{e.val1 + e.val6 * std::sin(b), 0.0, e.val3 + e.val6 * std::cos(b)};
            };
            const double start = e.val4;
            double end = e.val5;
            if (end < start)
                end += TwoPi;
            auto p = at(start);
            w.Moveto(c, p[0], p[1], p[2]);
            for (int k = 1; start + k * Degree < end; ++k) {
                p = at(start + k * Degree);
                w.Lineto(c, p[0], p[1], p[2]);
            }
            p = at(end);
            w.Lineto(c, p[0], p[1], p[2]);
        } else {
            w.DrawArc(c, e.val1, e.val2, e.val6, e.val4, e.val5, e.val3, 0, true);
        }
        break;
    default: break; // texts are stored only
    }
}

} // namespace vork
