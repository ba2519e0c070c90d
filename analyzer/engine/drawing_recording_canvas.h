#pragma once
// A canvas that keeps a list of what was drawn on it, for checking pictures in tests
// and anywhere a drawing is to be measured rather than seen.
#include "analyzer/engine/drawing_canvas.h"

#include <string>
#include <vector>

namespace vork {

class RecordingCanvas : public Canvas {
public:
    struct Line {
        PixelPoint from;
        PixelPoint to;
        Pen pen;
    };
    struct Fill {
        PixelRect rect;
        Rgb color;
    };
    struct Text {
        PixelPoint at;
        std::string text;
        Font font;
        Rgb background;
    };
    struct Ellipse {
        PixelRect rect;
        Pen pen;
        Rgb brush;
    };

    explicit RecordingCanvas(PixelRect area = {0, 0, 400, 300}, int dpi = 96)
        : m_area(area), m_dpi(dpi)
    {
    }

    PixelRect clipRect() const override { return m_area; }
    int dpiX() const override { return m_dpi; }
    int dpiY() const override { return m_dpi; }
    void refresh() override { ++refreshes; }

    void fillRect(const PixelRect& rect, Rgb color) override { fills.push_back({rect, color}); }
    void ellipse(const PixelRect& rect) override { ellipses.push_back({rect, pen(), brushColor()}); }
    void textOut(int x, int y, const std::string& text) override
    {
        texts.push_back({{x, y}, text, font(), brushColor()});
    }
    // Every character is 6/10 of the font height wide.
    int textWidth(const std::string& text) override
    {
        return static_cast<int>(text.size()) * font().pixelSize * 6 / 10;
    }

    void clear()
    {
        lines.clear();
        fills.clear();
        texts.clear();
        ellipses.clear();
    }

    std::vector<Line> lines;
    std::vector<Fill> fills;
    std::vector<Text> texts;
    std::vector<Ellipse> ellipses;
    int refreshes = 0;

protected:
    void drawLine(PixelPoint from, PixelPoint to) override { lines.push_back({from, to, pen()}); }

private:
    PixelRect m_area;
    int m_dpi;
};

} // namespace vork
