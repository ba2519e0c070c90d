#include "analyzer/engine/run_drawing.h"

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

} // namespace vork
