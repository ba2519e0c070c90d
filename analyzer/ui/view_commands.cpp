// The main window's view: what part of the world the drawing area shows and from where,
// zoom, previous, pan, the view combo, turning the 3D view with the mouse, repaint and
// clear.
#include "analyzer/engine/top_glyph.h"
#include "analyzer/ui/drawing_area.h"
#include "analyzer/ui/main_window.h"
#include "platform/qt/wait_cursor.h"
#include "analyzer/ui/three_d_setup_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>

namespace vork {

void Tmdvform::Prep_Display()
{
    Canvas& canvas = *m_canvas;
    const PixelRect r = canvas.clipRect();
    m_window.Init(canvas);
    m_window.SetAspect(r.right - r.left, r.bottom - r.top);
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetExt(m_view.current.xmin, m_view.current.ymin, m_view.current.xmax, m_view.current.ymax);
    m_window.SetupCanvas(canvas);
    m_window.SetBlackScreen(settings().blackBackground);
    m_window.Clearcanvas(canvas);
    m_area->update();
}

void Tmdvform::drawTransients()
{
    // Drawn again at every repaint instead of being recorded.
    m_session->services.fixtures->DrawFixture();
    if (settings().axis)
        m_window.Draw_Axis(*m_canvas, false);
    if (settings().ruler)
        m_window.DrawRuler(*m_canvas, 0, 0, 0, false);
}

void Tmdvform::ClearDisplay()
{
    m_window.SetBlackScreen(settings().blackBackground);
    m_window.DisplayFileON(true);
    m_window.Clearcanvas(*m_canvas); // empties the display file
    m_toolImage.ForgetLastPosition(); // the tool's picture went with the screen
    m_window.DisplayFileON(false);
    drawTransients();
    m_window.DisplayFileON(true);
    m_area->update();
}

void Tmdvform::RepaintDrawing()
{
    platform::WaitCursor wait;
    Canvas& canvas = *m_canvas;
    m_window.DisplayFileON(false);
    m_window.SetBlackScreen(settings().blackBackground);
    m_window.Clearcanvas(canvas);
    drawTransients();
    const bool arrows = settings().arrows;
    settings().arrows = false;
    m_window.DisplayFileON(true);
    m_window.PlayDisplay(canvas);
    settings().arrows = arrows;
    m_toolImage.RedrawAtLastPosition(); // the next animated tool erases cleanly
    m_area->update();
}

void Tmdvform::resetScrollBars()
{
    const QSignalBlocker h(m_hbar), v(m_vbar);
    m_hbar->setValue(0);
    m_vbar->setValue(0);
    m_view.resetScroll();
}

void Tmdvform::Zoom()
{
    m_view.armZoom();
}

void Tmdvform::Previous()
{
    m_view.swapPrevious();
    platform::WaitCursor wait;
    resetScrollBars();
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetExt(m_view.current.xmin, m_view.current.ymin, m_view.current.xmax, m_view.current.ymax);
    m_window.SetupCanvas(*m_canvas);
    RepaintDrawing();
}

void Tmdvform::SelectView(int index)
{
    m_view.selectView(index);
    m_window.SetLatheMode(m_view.latheView);
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetExt(m_view.current.xmin, m_view.current.ymin, m_view.current.xmax, m_view.current.ymax);
    m_window.SetupCanvas(*m_canvas);
    if (m_viewCombo->currentIndex() != index)
        m_viewCombo->setCurrentIndex(index);
    RepaintDrawing();
}

void Tmdvform::machineLoaded(bool lathe)
{
    m_toolImage.EraseLastPicture(); // the last machine's tool
    if (lathe)
        SelectView(ViewLathe);
    else if (m_view.latheView)
        SelectView(ViewXY); // a mill is not drawn in the lathe's axes
}

void Tmdvform::ThreeDSetup()
{
    if (m_threeD->exec() != QDialog::Accepted)
        return;
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetupCanvas(*m_canvas);
    RepaintDrawing();
}

void Tmdvform::PanMessage()
{
    m_view.pan(m_hbar->value(), m_vbar->value(),
               {m_window.extx, m_window.exty, m_window.extxx, m_window.extyy}); // as shown
    m_window.SetExt(m_view.current.xmin, m_view.current.ymin, m_view.current.xmax, m_view.current.ymax);
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    m_window.SetupCanvas(*m_canvas);
    m_window.SetBlackScreen(settings().blackBackground);
    RepaintDrawing();
}

void Tmdvform::resizeDrawing(QSize size)
{
    if (m_finished)
        return;
    m_canvas->resize(size);
    resetScrollBars();
    Prep_Display();
    RepaintDrawing();
}

void Tmdvform::mousePressed(QPoint at, Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    m_d3mouseX = at.x();
    m_d3mouseY = at.y();
    if (m_view.zoomArmed) {
        m_view.zoomDragging = true;
        m_bandFrom = at;
        m_area->showBand(at, at + QPoint(1, 1));
    }
}

void Tmdvform::mouseMoved(QPoint at, Qt::MouseButtons buttons)
{
    double wx = 0, wy = 0;
    m_window.pctoworld(at.x(), at.y(), wx, wy);
    const CursorReadout readout = CursorReadoutFor(wx, wy, m_view.latheView);
    m_cursorUpper->setText(QString::fromStdString(readout.upper));
    m_cursorLower->setText(QString::fromStdString(readout.lower));

    if (m_view.zoomArmed && m_view.zoomDragging)
        m_area->showBand(m_bandFrom, at);

    if ((buttons & Qt::LeftButton) && !m_view.zoomArmed && m_view.threeD) {
        m_window.DisplayFileON(false);
        m_forceRedraw = true;
        if (TurnEyeByDrag(m_view.eye, at.x(), at.y(), m_d3mouseX, m_d3mouseY)) {
            Canvas& canvas = *m_canvas;
            m_window.Clearcanvas(canvas);
            m_window.Draw_Axis(canvas, true);
            m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
            DrawTopGlyph(m_window, canvas, 1.0 / m_window.Getscale());
            m_window.Draw_Axis(canvas, false);
            m_area->update();
        }
    }
}

void Tmdvform::mouseReleased(QPoint at)
{
    if (m_forceRedraw) {
        RepaintDrawing();
        m_forceRedraw = false;
    }
    m_view.zoomDragging = false;
    if (!m_view.zoomArmed)
        return;
    m_area->hideBand();
    m_view.zoomArmed = false;
    platform::WaitCursor wait;
    resetScrollBars();
    m_window.SetThreeD(m_view.threeD, m_view.eye.x, m_view.eye.y, m_view.eye.z);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    m_window.pctoworld(m_bandFrom.x(), m_bandFrom.y(), x1, y1);
    m_window.pctoworld(at.x(), at.y(), x2, y2);
    m_view.zoomTo(x1, y1, x2, y2);
    m_window.SetExt(m_view.current.xmin, m_view.current.ymin, m_view.current.xmax, m_view.current.ymax);
    m_window.SetupCanvas(*m_canvas);
    RepaintDrawing();
}

} // namespace vork
