#pragma once
// The run's drawing calls carried out by a drawing window on one canvas: what the block
// loop draws is recorded in the window's display file and shows on that canvas.
#include "analyzer/engine/drawing.h"
#include "analyzer/engine/run_services.h"

#include <functional>

namespace vork {

class Canvas;
struct AnalyzerSettings;

// A rapid move to (x, y, z): with DASH on a dashed line in the rapid colour, the pen
// colour kept; with DASH off the pen only moves.
void DrawRapidTo(RunDrawing& drawing, const AnalyzerSettings& settings, double x, double y, double z);

class TrwindowRunDrawing : public RunDrawing {
public:
    // clearDisplay: what the main window does to clear its picture; by default the
    // canvas is cleared, which also empties the display file.
    TrwindowRunDrawing(Trwindow& window, Canvas& canvas, std::function<void()> clearDisplay = {});

    void Moveto(double x, double y, double z) override { m_window.Moveto(m_canvas, x, y, z); }
    void Lineto(double x, double y, double z) override { m_window.Lineto(m_canvas, x, y, z); }
    void SetColor(int paletteIndex) override { m_window.SetColor(m_canvas, paletteIndex); }
    int GetColor() const override { return m_window.GetColor(); }
    void Setlinestyle(int style) override { m_window.Setlinestyle(m_canvas, style); }
    double Getscale() const override { return m_window.Getscale(); }
    void DrawPathArc(const PathArc& arc) override { m_window.DrawPathArc(m_canvas, arc); }
    void DrawArrow(double x, double y, double z, double angle) override
    {
        m_window.DrawArrow(m_canvas, x, y, z, angle);
    }
    void DrawCross(double x, double y, double z) override { m_window.DrawCross(m_canvas, x, y, z); }
    void DrawThread(double sx, double sy, double fx, double fy, double lead, bool external) override
    {
        m_window.DrawThread(m_canvas, sx, sy, fx, fy, lead, external);
    }
    void Drawlabel(double x, double y, double z, double size, const std::string& text) override
    {
        m_window.Drawlabel(m_canvas, x, y, z, size, text);
    }
    void Reset_Drawn_Extents() override { m_window.Reset_Drawn_Extents(); }
    void Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double frame) override
    {
        m_window.Get_Extents_Drawn(x, y, xx, yy, frame);
    }
    void Set_Extents_To_Drawn(double frame) override { m_window.Set_Extents_To_Drawn(frame); }
    void SetupCanvas() override { m_window.SetupCanvas(m_canvas); }
    void ClearDisplay() override;
    void SetMeasuring(bool on) override { m_window.SetMeasuring(on); }

private:
    Trwindow& m_window;
    Canvas& m_canvas;
    std::function<void()> m_clearDisplay;
};

} // namespace vork
