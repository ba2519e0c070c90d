#include "analyzer/ui/qt_canvas.h"

#include "platform/qt/latin1.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPrinter>

namespace vork {

QColor toQColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

namespace {

Qt::PenStyle toQtStyle(PenStyle style)
{
    switch (style) {
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::DashDotDot: return Qt::DashDotDotLine;
    case PenStyle::Dash: return Qt::DashLine;
    default: return Qt::SolidLine;
    }
}

QRect toQRect(const PixelRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

} // namespace

QtCanvas::QtCanvas(QPaintDevice* device) { restart(device); }

QtCanvas::~QtCanvas()
{
    if (m_painter.isActive())
        m_painter.end();
}

void QtCanvas::restart(QPaintDevice* device)
{
    if (m_painter.isActive())
        m_painter.end();
    m_device = device;
    // Raster operations exist only in the raster engine, that is on images.
    m_rasterOps = device && device->devType() == QInternal::Image;
    if (!device || !m_painter.begin(device))
        return;
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, false);
}

PixelRect QtCanvas::clipRect() const
{
    if (!m_device)
        return {};
    return {0, 0, m_device->width(), m_device->height()};
}

int QtCanvas::dpiX() const { return m_device ? m_device->logicalDpiX() : 96; }
int QtCanvas::dpiY() const { return m_device ? m_device->logicalDpiY() : 96; }

void QtCanvas::applyPen()
{
    const Pen& p = pen();
    QPen qpen(toQColor(p.color));
    qpen.setStyle(toQtStyle(p.style));
    if (p.width <= 1) {
        // A cosmetic line that leaves out its last pixel, so that joined XOR lines do
        // not cancel each other where they meet.
        qpen.setWidth(0);
        qpen.setCapStyle(Qt::FlatCap);
    } else {
        qpen.setWidth(p.width);
        qpen.setCapStyle(Qt::RoundCap);
        qpen.setJoinStyle(Qt::RoundJoin);
    }
    m_painter.setPen(qpen);
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (m_rasterOps && p.mode == PenMode::Xor)
        mode = QPainter::RasterOp_SourceXorDestination;
    else if (m_rasterOps && p.mode == PenMode::NotXor)
        mode = QPainter::RasterOp_NotSourceXorDestination;
    m_painter.setCompositionMode(mode);
}

void QtCanvas::drawLine(PixelPoint from, PixelPoint to)
{
    if (!m_painter.isActive())
        return;
    applyPen();
    m_painter.drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::fillRect(const PixelRect& rect, Rgb color)
{
    if (!m_painter.isActive())
        return;
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.fillRect(toQRect(rect), toQColor(color));
}

void QtCanvas::ellipse(const PixelRect& rect)
{
    if (!m_painter.isActive())
        return;
    applyPen();
    m_painter.setBrush(toQColor(brushColor()));
    m_painter.drawEllipse(toQRect(rect));
    m_painter.setBrush(Qt::NoBrush);
}

void QtCanvas::applyFont()
{
    QFont qfont(QString::fromStdString(font().name));
    qfont.setPixelSize(font().pixelSize);
    qfont.setStyleStrategy(QFont::NoAntialias);
    m_painter.setFont(qfont);
}

void QtCanvas::textOut(int x, int y, const std::string& text)
{
    if (!m_painter.isActive())
        return;
    applyFont();
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setPen(toQColor(font().color));
    m_painter.setBackgroundMode(Qt::OpaqueMode);
    m_painter.setBackground(toQColor(brushColor()));
    const QFontMetrics metrics(m_painter.font(), m_device);
    const QString q = platform::toQString(text);
    m_painter.drawText(QRect(x, y, metrics.horizontalAdvance(q) + 1, metrics.height()),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, q);
    m_painter.setBackgroundMode(Qt::TransparentMode);
}

int QtCanvas::textWidth(const std::string& text)
{
    QFont qfont(QString::fromStdString(font().name));
    qfont.setPixelSize(font().pixelSize);
    return QFontMetrics(qfont, m_device).horizontalAdvance(platform::toQString(text));
}

ImageCanvas::ImageCanvas(QSize size) : QtCanvas(nullptr) { resize(size); }

// The painter lets go of the image before the image goes.
ImageCanvas::~ImageCanvas() { restart(nullptr); }

void ImageCanvas::resize(QSize size)
{
    restart(nullptr);
    m_image = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_image.fill(Qt::white);
    restart(&m_image);
}

CanvasView::CanvasView(ImageCanvas* canvas, QWidget* parent) : QWidget(parent), m_canvas(canvas)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasView::setCanvas(ImageCanvas* canvas)
{
    m_canvas = canvas;
    update();
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_canvas)
        painter.drawImage(event->rect(), m_canvas->image(), event->rect());
    else
        painter.fillRect(event->rect(), palette().window());
}

PrinterCanvas::PrinterCanvas(QPrinter* printer) : QtCanvas(printer) {}

} // namespace vork
