#pragma once
// The surface the analyzer draws on, in device pixels: the window's image, a printer page,
// or a recording in tests. The drawing window maps world coordinates onto it.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vork {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The 16 colours of the palette in their DOS order; any other index is black.
Rgb PaletteColor(int index);
inline constexpr int PaletteBlack = 0;
inline constexpr int PaletteWhite = 15;

// Line styles as the programs number them: 0 solid, 1 dotted, 2 dash-dot-dot, 3 dashed.
enum class PenStyle { Solid, Dot, DashDotDot, Dash };
// Any number outside 0..3 is solid.
PenStyle PenStyleOf(int lineStyle);

// Copy paints the pen colour; Xor and NotXor combine it with what is there, so drawing
// the same line twice restores the picture.
enum class PenMode { Copy, Xor, NotXor };

struct Pen {
    Rgb color;
    PenStyle style = PenStyle::Solid;
    int width = 1;
    PenMode mode = PenMode::Copy;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Font {
    std::string name = "Arial";
    int pixelSize = 12; // character height in pixels, at least 1
    Rgb color;
    friend bool operator==(const Font&, const Font&) = default;
};

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Left and top inclusive, right and bottom one past the last pixel.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    // The drawable area.
    virtual PixelRect clipRect() const = 0;
    // Logical pixels per inch of the device.
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    // Lets go of cached drawing objects; nothing to do for most surfaces.
    virtual void refresh() {}

    const Pen& pen() const { return m_pen; }
    void setPen(const Pen& pen) { m_pen = pen; }
    void setPenColor(Rgb color) { m_pen.color = color; }
    void setPenStyle(PenStyle style) { m_pen.style = style; }
    void setPenWidth(int width) { m_pen.width = width < 1 ? 1 : width; }
    void setPenMode(PenMode mode) { m_pen.mode = mode; }

    Rgb brushColor() const { return m_brush; }
    void setBrushColor(Rgb color) { m_brush = color; }

    const Font& font() const { return m_font; }
    void setFont(const Font& font);

    PixelPoint penPos() const { return m_pos; }
    void moveTo(int x, int y) { m_pos = {x, y}; }
    // A line with the pen from the pen position; the pen position moves to (x, y).
    void lineTo(int x, int y);
    // The chords of a chain, each drawn backwards: for k from 1, a line from points[k] to
    // points[k - 1], exactly as moveTo(points[k]) and lineTo(points[k - 1]) draw it, and
    // the pen position left where those calls leave it. Surfaces that can draw many
    // short lines cheaply take them all at once.
    virtual void drawChords(const PixelPoint* points, std::size_t count);

    // Lines drawn in an exclusive-or mode between these calls form one picture: each
    // pixel it covers changes once, however many of its lines meet or cross there, so
    // drawing the picture twice restores what was there and no two of its lines cancel.
    virtual void beginPicture() {}
    virtual void endPicture() {}

    virtual void fillRect(const PixelRect& rect, Rgb color) = 0;
    // An ellipse in the rectangle, outlined with the pen and filled with the brush.
    virtual void ellipse(const PixelRect& rect) = 0;
    // Text in the font with its top-left corner at (x, y) on a brush-coloured background.
    virtual void textOut(int x, int y, const std::string& text) = 0;
    virtual int textWidth(const std::string& text) = 0;

protected:
    virtual void drawLine(PixelPoint from, PixelPoint to) = 0;

private:
    Pen m_pen;
    Rgb m_brush{255, 255, 255};
    Font m_font;
    PixelPoint m_pos;
};

} // namespace vork
