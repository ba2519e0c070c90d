#include "analyzer/engine/drawing_canvas.h"

#include <array>

namespace vork {

Rgb PaletteColor(int index)
{
    static constexpr std::array<Rgb, 16> palette{{
        {0, 0, 0},       {0, 0, 128},     {0, 128, 0},   {0, 128, 128},
        {128, 0, 0},     {128, 0, 128},   {128, 128, 0}, {192, 192, 192},
        {128, 128, 128}, {0, 0, 255},     {0, 255, 0},   {0, 255, 255},
        {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {255, 255, 255},
    }};
    if (index < 0 || index >= static_cast<int>(palette.size()))
        return {};
    return palette[static_cast<std::size_t>(index)];
}

PenStyle PenStyleOf(int lineStyle)
{
    switch (lineStyle) {
    case 1: return PenStyle::Dot;
    case 2: return PenStyle::DashDotDot;
    case 3: return PenStyle::Dash;
    default: return PenStyle::Solid;
    }
}

void Canvas::setFont(const Font& font)
{
    m_font = font;
    if (m_font.pixelSize < 1)
        m_font.pixelSize = 1;
}

void Canvas::lineTo(int x, int y)
{
    const PixelPoint to{x, y};
    drawLine(m_pos, to);
    m_pos = to;
}

void Canvas::drawChords(const PixelPoint* points, std::size_t count)
{
    for (std::size_t k = 1; k < count; ++k) {
        m_pos = points[k];
        lineTo(points[k - 1].x, points[k - 1].y);
    }
}

} // namespace vork
