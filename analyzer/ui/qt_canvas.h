#pragma once
// The drawing canvas on Qt paint devices: a QPainter on the window's QImage (where the
// XOR pen modes work through the raster engine's raster operations), or on a printer page.
#include "analyzer/engine/drawing_canvas.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <vector>

class QPrinter;

namespace vork {

QColor toQColor(Rgb c);
// The palette colour of an index (black outside the 16).
inline QColor paletteQColor(int index) { return toQColor(PaletteColor(index)); }

class QtCanvas : public Canvas {
public:
    // Paints on `device` until destroyed; the device must outlive the canvas.
    explicit QtCanvas(QPaintDevice* device);
    ~QtCanvas() override;
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;

    PixelRect clipRect() const override;
    int dpiX() const override;
    int dpiY() const override;

    void drawChords(const PixelPoint* points, std::size_t count) override;
    void beginPicture() override;
    void endPicture() override;

    void fillRect(const PixelRect& rect, Rgb color) override;
    void ellipse(const PixelRect& rect) override;
    void textOut(int x, int y, const std::string& text) override;
    int textWidth(const std::string& text) override;

    QPainter& painter();
    // Paints the lines still held back; whoever reads the device's pixels calls it first.
    void flush() const;

protected:
    void drawLine(PixelPoint from, PixelPoint to) override;
    // Starts painting on another device (after the old one was replaced).
    void restart(QPaintDevice* device);

private:
    void applyPen();
    void applyFont();
    void drawPictureLine(PixelPoint from, PixelPoint to);
    // A solid one-pixel line with both ends on the image, which is plotted directly.
    bool plainInside(PixelPoint from, PixelPoint to) const;

    QPaintDevice* m_device = nullptr;
    // Lines in copy mode with one pen are held back and painted together, which costs the
    // painter far less than one call a line; mutable so that reading the picture can
    // hand them over first.
    mutable QPainter m_painter;
    mutable std::vector<QLine> m_heldLines;
    Pen m_appliedPen;
    bool m_penApplied = false;
    bool m_rasterOps = false;
    bool m_plotsDirectly = false; // an image of 32-bit pixels
    QSize m_size;                 // of the device, which keeps it while painted on
    uchar* m_bits = nullptr;      // the image's pixels, when plotted directly
    qsizetype m_stride = 0;
    // An exclusive-or picture is gathered on a layer and combined with the device once.
    bool m_inPicture = false;
    bool m_pictureNegates = false;
    QImage m_layer;
    QRect m_layerDirty;
};

// The picture of a drawing window: an image of its own, painted by the drawing layer and
// copied to the screen by CanvasView.
class ImageCanvas : public QtCanvas {
public:
    explicit ImageCanvas(QSize size);
    ~ImageCanvas() override;
    const QImage& image() const
    {
        flush();
        return m_image;
    }
    // A new blank image of another size (the old picture is dropped; replay it).
    void resize(QSize size);

private:
    QImage m_image;
};

// A widget that shows an ImageCanvas.
class CanvasView : public QWidget {
public:
    explicit CanvasView(ImageCanvas* canvas, QWidget* parent = nullptr);
    void setCanvas(ImageCanvas* canvas);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ImageCanvas* m_canvas;
};

// The same canvas on a printer page; its pixels are the printer's dots.
class PrinterCanvas : public QtCanvas {
public:
    explicit PrinterCanvas(QPrinter* printer);
};

} // namespace vork
