#include "analyzer/ui/qt_canvas.h"

#include "platform/qt/latin1.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPrinter>

#include <cstdlib>

namespace vork {

QColor toQColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

namespace {

// Held-back lines are painted at the latest when this many have gathered.
constexpr std::size_t HeldLinesLimit = 4096;

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
    flush();
    if (m_painter.isActive())
        m_painter.end();
}

void QtCanvas::restart(QPaintDevice* device)
{
    flush();
    if (m_painter.isActive())
        m_painter.end();
    m_penApplied = false;
    m_inPicture = false;
    m_layer = QImage();
    m_device = device;
    // Raster operations exist only in the raster engine, that is on images.
    m_rasterOps = device && device->devType() == QInternal::Image;
    m_plotsDirectly = m_rasterOps && static_cast<QImage*>(device)->depth() == 32;
    m_size = device ? QSize(device->width(), device->height()) : QSize();
    m_bits = nullptr;
    if (!device || !m_painter.begin(device)) {
        m_plotsDirectly = false;
        return;
    }
    // The painter has made the image its own; its pixels stay where they are until it ends.
    if (m_plotsDirectly) {
        auto* image = static_cast<QImage*>(device);
        m_bits = image->bits();
        m_stride = image->bytesPerLine();
    }
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

QPainter& QtCanvas::painter()
{
    flush();
    m_penApplied = false; // the caller may change the painter's pen
    return m_painter;
}

void QtCanvas::flush() const
{
    if (m_heldLines.empty())
        return;
    m_painter.drawLines(m_heldLines.data(), static_cast<int>(m_heldLines.size()));
    m_heldLines.clear();
}

void QtCanvas::applyPen()
{
    flush();
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
    m_appliedPen = p;
    m_penApplied = true;
}

namespace {

// A thin solid line straight into an image of 32-bit pixels, every pixel from `from` on
// and the last one left out (as a cosmetic line with flat caps), so that the lines of a
// chain do not cover their joints twice. Both ends lie inside the image. Painting each
// short line of a path through the painter costs many times more.
void plotLine(uchar* bits, qsizetype stride, QPoint from, QPoint to, QRgb color)
{
    const int dx = std::abs(to.x() - from.x()), dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1, sy = from.y() < to.y() ? 1 : -1;
    int x = from.x(), y = from.y();
    int error = dx + dy;
    while (x != to.x() || y != to.y()) {
        reinterpret_cast<QRgb*>(bits + y * stride)[x] = color;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

bool isPlainLine(const Pen& p) { return p.style == PenStyle::Solid && p.width <= 1; }

} // namespace

bool QtCanvas::plainInside(PixelPoint from, PixelPoint to) const
{
    const auto inside = [&](PixelPoint q) {
        return q.x >= 0 && q.y >= 0 && q.x < m_size.width() && q.y < m_size.height();
    };
    return m_plotsDirectly && isPlainLine(pen()) && inside(from) && inside(to);
}

void QtCanvas::drawLine(PixelPoint from, PixelPoint to)
{
    if (!m_painter.isActive())
        return;
    const bool exclusive = pen().mode != PenMode::Copy;
    if (exclusive && m_inPicture && m_rasterOps) {
        drawPictureLine(from, to);
        return;
    }
    if (!exclusive && plainInside(from, to)) {
        flush(); // what the painter still holds lies under this line
        const Rgb c = pen().color;
        plotLine(m_bits, m_stride, {from.x, from.y}, {to.x, to.y}, qRgb(c.red, c.green, c.blue));
        return;
    }
    if (!m_penApplied || pen() != m_appliedPen)
        applyPen();
    m_heldLines.emplace_back(from.x, from.y, to.x, to.y);
    // Lines of an exclusive-or pen are painted one by one, as each one meets the others.
    if (exclusive || m_heldLines.size() >= HeldLinesLimit)
        flush();
}

// Chords of one plain pen in copy mode go straight into the image's pixels, one check of
// the pen for all of them; the chords that leave the image go to the painter just as
// drawLine sends them, since the painter's pixels depend on how its lines are batched.
void QtCanvas::drawChords(const PixelPoint* points, std::size_t count)
{
    if (count < 2 || !m_plotsDirectly || !m_painter.isActive() || pen().mode != PenMode::Copy || !isPlainLine(pen())) {
        Canvas::drawChords(points, count);
        return;
    }
    const Rgb c = pen().color;
    const QRgb color = qRgb(c.red, c.green, c.blue);
    const int width = m_size.width(), height = m_size.height();
    const auto inside = [&](PixelPoint q) { return q.x >= 0 && q.y >= 0 && q.x < width && q.y < height; };
    for (std::size_t k = 1; k < count; ++k) {
        const PixelPoint from = points[k], to = points[k - 1];
        if (inside(from) && inside(to)) {
            flush(); // what the painter still holds lies under this line
            plotLine(m_bits, m_stride, {from.x, from.y}, {to.x, to.y}, color);
        } else {
            drawLine(from, to); // held back with its neighbours, as one by one
        }
    }
    moveTo(points[count - 2].x, points[count - 2].y);
}

void QtCanvas::beginPicture() { m_inPicture = true; }

// A line of the picture goes onto the layer in the pen colour; the device is untouched.
void QtCanvas::drawPictureLine(PixelPoint from, PixelPoint to)
{
    if (m_layer.size() != m_size) {
        m_layer = QImage(m_size, QImage::Format_ARGB32);
        m_layer.fill(Qt::transparent);
        m_layerDirty = QRect();
    }
    const Pen& p = pen();
    m_pictureNegates = p.mode == PenMode::NotXor;
    const int margin = p.width + 1;
    m_layerDirty |= QRect(QPoint(from.x, from.y), QPoint(to.x, to.y)).normalized().adjusted(-margin, -margin, margin, margin);
    if (plainInside(from, to)) { // as the same line in copy mode would cover the device
        plotLine(m_layer.bits(), m_layer.bytesPerLine(), {from.x, from.y}, {to.x, to.y},
                 qRgb(p.color.red, p.color.green, p.color.blue));
        return;
    }
    QPen qpen(toQColor(p.color));
    qpen.setStyle(toQtStyle(p.style));
    qpen.setWidth(p.width <= 1 ? 0 : p.width);
    qpen.setCapStyle(p.width <= 1 ? Qt::FlatCap : Qt::RoundCap);
    QPainter layer(&m_layer);
    layer.setPen(qpen);
    layer.drawLine(from.x, from.y, to.x, to.y);
}

// Each pixel that the picture covers is combined once with the device's pixel, and the
// layer is left clear for the next picture.
void QtCanvas::endPicture()
{
    m_inPicture = false;
    const QRect area = m_layerDirty & QRect(QPoint(0, 0), m_layer.size());
    m_layerDirty = QRect();
    if (area.isEmpty() || !m_device || m_device->devType() != QInternal::Image)
        return;
    flush();
    auto* image = static_cast<QImage*>(m_device);
    const bool negate = m_pictureNegates;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* source = reinterpret_cast<QRgb*>(m_layer.scanLine(y));
        auto* target = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qAlpha(source[x]) == 0)
                continue;
            const QRgb mixed = (target[x] ^ source[x]) & 0xFFFFFF;
            target[x] = 0xFF000000 | (negate ? ~mixed & 0xFFFFFF : mixed);
            source[x] = 0;
        }
    }
}

void QtCanvas::fillRect(const PixelRect& rect, Rgb color)
{
    if (!m_painter.isActive())
        return;
    flush();
    m_penApplied = false;
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
    flush();
    m_penApplied = false;
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
