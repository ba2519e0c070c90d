#include "analyzer/engine/run_drawing.h"

#include "analyzer/engine/analyzer_settings.h"

namespace vork {

TrwindowRunDrawing::TrwindowRunDrawing(Trwindow& window, Canvas& canvas, std::function<void()> clearDisplay)
    : m_window(window), m_canvas(canvas), m_clearDisplay(std::move(clearDisplay))
{
}

void TrwindowRunDrawing::ClearDisplay()
{
    if (m_clearDisplay) {
        m_clearDisplay();
        return;
    }
    m_window.Clearcanvas(m_canvas);
}

void DrawRapidTo(RunDrawing& drawing, const AnalyzerSettings& settings, double x, double y, double z)
{
    if (!settings.dash) {
        drawing.Moveto(x, y, z);
        return;
    }
    const int color = drawing.GetColor();
    drawing.SetColor(settings.rapidColor);
    drawing.Setlinestyle(3);
    drawing.Lineto(x, y, z);
    drawing.SetColor(color);
}

} // namespace vork
