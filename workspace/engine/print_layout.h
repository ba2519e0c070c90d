#pragma once
// The layout of a printed NC program: page header, line positions, page breaks and the
// style of every character, drawn through a small surface the printer (or a test)
// implements. Positions are in device pixels.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

// How one character (or a plain line) is drawn: a colour (Windows colour value) or,
// without colours, plain, bold or italic.
struct PrintStyle {
    enum class Kind { Plain, Number, Address, Comment };
    Kind kind = Kind::Plain;
    bool colour = false;
    std::uint32_t color = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const PrintStyle&) const = default;
};

class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    virtual int pageWidth() const = 0;
    // The bottom of the printable area.
    virtual int pageBottom() const = 0;
    // The height of "Hg" in the print font.
    virtual int lineHeight() const = 0;
    virtual int charWidth(char c, const PrintStyle& style) const = 0;
    // y is the top of the line.
    virtual void drawText(int x, int y, std::string_view text, const PrintStyle& style) = 0;
    virtual void drawFrame(int left, int top, int right, int bottom) = 0;
    virtual void newPage() = 0;
};

struct PrintOptions {
    std::string commentStart;
    std::string commentEnd;
    bool colour = false; // CPRINT
    std::uint32_t addressColor = 0;
    std::uint32_t numberColor = 0;
    std::uint32_t commentColor = 0;
    double marginLeft = 1.0; // inches
    double marginTop = 0.5;
    double marginBottom = 0.5;
};

// The header's three lines: file name; date and time with the page number; the size.
std::vector<std::string> printHeaderLines(const std::string& fileName, const std::string& dateTime, int page,
                                          long long byteCount);

// The blanks in front of each plain-printed line that make the left margin.
int plainMarginBlanks(int dpiX, double marginLeft, int blankWidth);

// One pretty-print pass: header on every page, the lines in order.
class PrettyPrintLayout {
public:
    PrettyPrintLayout(PrintSurface& surface, PrintOptions options, std::string fileName, std::string dateTime,
                      long long byteCount);

    // Starts the first page: y at the top margin, page 1, its header.
    void start();
    void printLine(std::string_view line);
    void printHeader();

    int y() const { return m_y; }
    int page() const { return m_page; }
    // Pages started so far.
    int pages() const { return m_pages; }

private:
    PrintStyle styleOf(char c, bool inComment) const;
    PrintSurface& m_s;
    PrintOptions m_o;
    std::string m_fileName;
    std::string m_dateTime;
    long long m_byteCount;
    int m_y = 0;
    int m_lineHeight = 0;
    int m_page = 1;
    int m_pages = 0;
};

// The lines a print takes, as printed (tabs expanded, at most 1024 characters). With a
// selection (lines from 0, columns as byte indices) the first line's characters before
// the selection become blanks and the last line ends at the selection's end.
struct PrintRange {
    bool selection = false;
    int firstLine = 0;
    int firstIndex = 0;
    int lastLine = 0;
    int lastIndex = 0;
};
std::vector<std::string> printRangeLines(const std::vector<std::string>& lines, const PrintRange& range, int tabSize);

} // namespace mrw
