#include "analyzer/ui/drawing_area.h"

#include <QMouseEvent>
#include <QRect>
#include <QResizeEvent>
#include <QRubberBand>

namespace vork {

DrawingArea::DrawingArea(ImageCanvas* canvas, QWidget* parent)
    : CanvasView(canvas, parent), m_band(new QRubberBand(QRubberBand::Rectangle, this))
{
    setObjectName("drawingArea");
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    setMinimumSize(200, 150);
}

void DrawingArea::showBand(QPoint from, QPoint to)
{
    m_band->setGeometry(QRect(from, to).normalized());
    m_band->show();
}

void DrawingArea::hideBand() { m_band->hide(); }

bool DrawingArea::bandVisible() const { return m_band->isVisible(); }

void DrawingArea::mousePressEvent(QMouseEvent* event)
{
    if (pressed)
        pressed(event->position().toPoint(), event->button());
}

void DrawingArea::mouseMoveEvent(QMouseEvent* event)
{
    if (moved)
        moved(event->position().toPoint(), event->buttons());
}

void DrawingArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && released)
        released(event->position().toPoint());
}

void DrawingArea::resizeEvent(QResizeEvent* event)
{
    CanvasView::resizeEvent(event);
    if (resized)
        resized(event->size());
}

} // namespace vork
