#include "workspace/ui/plain_text_print.h"

#include "platform/qt/latin1.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <string_view>

bool printPlainTextLines(QPrinter& printer, const std::vector<std::string>& lines, const QFont& font, QString* error)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = printer.outputFileName().isEmpty()
                         ? QString("The print job could not be started on the printer \"%1\".").arg(printer.printerName())
                         : QString("The print job could not be started: cannot write \"%1\".").arg(printer.outputFileName());
        return false;
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font, &printer);
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int ascent = metrics.ascent();
    // The painter's origin is the top left corner of the printable area.
    const int pageHeight = printer.pageLayout().paintRectPixels(printer.resolution()).height();
    int y = 0;
    auto newPage = [&] {
        printer.newPage();
        y = 0;
    };
    for (const std::string& line : lines) {
        std::string_view rest = line;
        for (;;) {
            const std::size_t feed = rest.find('\f');
            const std::string_view piece = rest.substr(0, feed);
            // A line that does not fit starts a new page; a page takes at least one line.
            if ((!piece.empty() || feed == std::string_view::npos) && y > 0 && y + lineHeight > pageHeight)
                newPage();
            if (!piece.empty())
                painter.drawText(0, y + ascent, platform::toQString(piece));
            if (feed == std::string_view::npos) {
                y += lineHeight;
                break;
            }
            newPage();
            rest.remove_prefix(feed + 1);
            if (rest.empty())
                break;
        }
    }
    painter.end();
    return true;
}
