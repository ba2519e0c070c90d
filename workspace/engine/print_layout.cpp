#include "workspace/engine/print_layout.h"

#include "workspace/engine/send_text.h"

#include "platform/format.h"
#include "platform/numbers.h"

#include <algorithm>

namespace mrw {

std::vector<std::string> printHeaderLines(const std::string& fileName, const std::string& dateTime, int page,
                                          long long byteCount)
{
    const double feet = static_cast<double>(byteCount) / 120.0;
    return {"     File Name : " + fileName,
            "     Time/Date : " + dateTime + "                           Page # " + std::to_string(page),
            "     File Size : " + std::to_string(byteCount) + " Chars, " + platform::strFixed(feet, 5, 1) +
                " Feet, " + platform::strFixed(feet * 0.3, 5, 1) + " Meters"};
}

int plainMarginBlanks(int dpiX, double marginLeft, int blankWidth)
{
    if (blankWidth <= 0)
        return 0;
    const double margin = static_cast<double>(platform::roundHalfEven(dpiX * marginLeft));
    return static_cast<int>(std::max<std::int64_t>(0, platform::roundHalfEven(margin / blankWidth)));
}

PrettyPrintLayout::PrettyPrintLayout(PrintSurface& surface, PrintOptions options, std::string fileName,
                                     std::string dateTime, long long byteCount)
    : m_s(surface), m_o(std::move(options)), m_fileName(std::move(fileName)), m_dateTime(std::move(dateTime)),
      m_byteCount(byteCount)
{
}

void PrettyPrintLayout::start()
{
    m_y = static_cast<int>(platform::roundHalfEven(m_s.dpiY() * m_o.marginTop));
    m_lineHeight = m_s.lineHeight();
    m_page = 1;
    m_pages = 1;
    printHeader();
}

void PrettyPrintLayout::printHeader()
{
    m_s.drawFrame(6, m_y, m_s.pageWidth() - 6, m_y + 4 * m_lineHeight);
    m_y += m_lineHeight / 2;
    for (const std::string& line : printHeaderLines(m_fileName, m_dateTime, m_page, m_byteCount)) {
        m_s.drawText(10, m_y, line, PrintStyle{}); // as a plain line
        m_y += m_lineHeight;
    }
    m_y += m_lineHeight;
    ++m_page;
}

PrintStyle PrettyPrintLayout::styleOf(char c, bool inComment) const
{
    PrintStyle style;
    style.colour = m_o.colour;
    if (inComment) {
        style.kind = PrintStyle::Kind::Comment;
        if (m_o.colour)
            style.color = m_o.commentColor;
        else
            style.italic = true;
        return style;
    }
    const bool number = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    style.kind = number ? PrintStyle::Kind::Number : PrintStyle::Kind::Address;
    if (m_o.colour)
        style.color = number ? m_o.numberColor : m_o.addressColor;
    else
        style.bold = !number;
    return style;
}

void PrettyPrintLayout::printLine(std::string_view line)
{
    int x = static_cast<int>(platform::roundHalfEven(m_s.dpiX() * m_o.marginLeft));
    bool inComment = false;
    if (!line.empty()) {
        const double bottom = m_s.pageBottom() - m_s.dpiY() * m_o.marginBottom;
        if (m_y + m_lineHeight > bottom) {
            m_y = static_cast<int>(platform::roundHalfEven(m_s.dpiY() * m_o.marginTop));
            m_s.newPage();
            ++m_pages;
            printHeader();
        }
        const bool hasStart =
            !m_o.commentStart.empty() && line.find(m_o.commentStart) != std::string_view::npos;
        const bool hasEnd = !m_o.commentEnd.empty() && line.find(m_o.commentEnd) != std::string_view::npos;
        for (char c : line) {
            if (hasStart && c == m_o.commentStart.front())
                inComment = true;
            const PrintStyle style = styleOf(c, inComment);
            m_s.drawText(x, m_y, std::string_view(&c, 1), style);
            const int width = m_s.charWidth(c, style);
            x += inComment ? static_cast<int>(platform::roundHalfEven(1.1 * width)) : width;
            if (hasEnd && c == m_o.commentEnd.front())
                inComment = false;
        }
    }
    m_y += m_lineHeight;
}

std::vector<std::string> printRangeLines(const std::vector<std::string>& lines, const PrintRange& range, int tabSize)
{
    std::vector<std::string> out;
    if (!range.selection) {
        out.reserve(lines.size());
        for (const std::string& line : lines)
            out.push_back(printableLine(line, tabSize));
        return out;
    }
    const int count = static_cast<int>(lines.size());
    const int first = std::clamp(range.firstLine, 0, count);
    const int last = std::clamp(range.lastLine, -1, count - 1);
    for (int i = first; i <= last; ++i) {
        std::string_view raw = lines[static_cast<std::size_t>(i)];
        if (i == last)
            raw = raw.substr(0, static_cast<std::size_t>(std::clamp(range.lastIndex, 0, static_cast<int>(raw.size()))));
        std::string line = printableLine(raw, tabSize);
        if (i == first) {
            const std::size_t start = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(0, range.firstIndex)),
                                                              0, raw.size());
            const std::size_t blanks = std::min(line.size(), printableLine(raw.substr(0, start), tabSize).size());
            std::fill_n(line.begin(), blanks, ' ');
        }
        out.push_back(std::move(line));
    }
    return out;
}

} // namespace mrw
