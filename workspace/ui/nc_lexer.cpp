#include "workspace/ui/nc_lexer.h"

#include <Qsci/qsciscintilla.h>

NcLexer::NcLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString NcLexer::description(int style) const
{
    switch (style) {
    case Address: return QStringLiteral("Letters");
    case Number: return QStringLiteral("Numbers");
    case Comment: return QStringLiteral("Comments");
    case Plain: return QStringLiteral("Text");
    default: return {};
    }
}

void NcLexer::styleText(int start, int end)
{
    QsciScintilla* ed = editor();
    if (!ed || end <= start)
        return;
    // Colour whole lines: a comment's state depends on the line's start.
    const long firstLine = ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
    start = static_cast<int>(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, static_cast<unsigned long>(firstLine)));
    const auto* text = reinterpret_cast<const char*>(
        ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, static_cast<unsigned long>(start),
                          static_cast<long>(end - start)));
    if (!text)
        return;
    startStyling(start);
    if (!m_colouring) {
        setStyling(end - start, Plain);
        return;
    }
    const std::string_view range(text, static_cast<std::size_t>(end - start));
    std::size_t pos = 0;
    while (pos < range.size()) {
        std::size_t lineEnd = range.find_first_of("\r\n", pos);
        if (lineEnd == std::string_view::npos)
            lineEnd = range.size();
        mrw::colourNcLine(range.substr(pos, lineEnd - pos), m_marks, m_lineColours);
        std::size_t i = 0;
        while (i < m_lineColours.size()) {
            std::size_t j = i + 1;
            while (j < m_lineColours.size() && m_lineColours[j] == m_lineColours[i])
                ++j;
            setStyling(static_cast<int>(j - i), static_cast<int>(m_lineColours[i]));
            i = j;
        }
        std::size_t next = lineEnd;
        if (next < range.size() && range[next] == '\r')
            ++next;
        if (next < range.size() && range[next] == '\n')
            ++next;
        if (next > lineEnd)
            setStyling(static_cast<int>(next - lineEnd), Address);
        pos = next;
    }
}
