#pragma once
// NC syntax colouring of an editor pane: letters and other characters, numbers and
// comments in the colours of the program settings. The comment marks come from the
// current machine; with colouring off every character takes the editor font colour.
#include "workspace/engine/nc_syntax.h"

#include <Qsci/qscilexercustom.h>

#include <QColor>

#include <cstdint>
#include <vector>

class NcLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    enum Style { Address = 0, Number = 1, Comment = 2, Plain = 3 };

    explicit NcLexer(QObject* parent = nullptr);

    const char* language() const override { return "NC"; }
    QString description(int style) const override;
    void styleText(int start, int end) override;

    void setCommentMarks(const mrw::NcCommentMarks& marks) { m_marks = marks; }
    void setColouring(bool on) { m_colouring = on; }
    bool colouring() const { return m_colouring; }

private:
    mrw::NcCommentMarks m_marks;
    bool m_colouring = true;
    std::vector<mrw::NcColour> m_lineColours;
};

// A colour as the settings store it: red in the lowest byte, then green, then blue.
inline QColor colorFromWindows(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}
inline std::uint32_t colorToWindows(const QColor& c)
{
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}
