#include "analyzer/ui/text_printout.h"

#include "platform/qt/latin1.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace vork {

bool PrintTextLines(QPrinter& printer, const std::vector<std::string>& lines, const QString& title)
{
    printer.setDocName(title);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    QFont font("Courier New", 12);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), &printer);
    const int lineHeight = metrics.boundingRect("Hg").height();
    const int bottom = painter.viewport().height();
    int y = 0;
    for (const std::string& line : lines) {
        if (y + lineHeight > bottom && y > 0) {
            printer.newPage();
            y = 0;
        }
        if (!line.empty())
            painter.drawText(0, y + metrics.ascent(), platform::toQString(line));
        y += lineHeight;
    }
    painter.end();
    return true;
}

} // namespace vork
