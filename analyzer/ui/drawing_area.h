#pragma once
// The drawing area of the main window: shows the picture of the drawing window, reports
// the mouse in pixels, draws the zoom window as a rubber band and carries the popup menu.
#include "analyzer/ui/qt_canvas.h"

#include <QPoint>

#include <functional>

class QRubberBand;

namespace vork {

class DrawingArea : public CanvasView {
public:
    explicit DrawingArea(ImageCanvas* canvas, QWidget* parent = nullptr);

    std::function<void(QPoint, Qt::MouseButton)> pressed;
    std::function<void(QPoint, Qt::MouseButtons)> moved;
    std::function<void(QPoint)> released;
    std::function<void(QSize)> resized;

    // The zoom window between two corners, or none.
    void showBand(QPoint from, QPoint to);
    void hideBand();
    bool bandVisible() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRubberBand* m_band;
};

} // namespace vork
