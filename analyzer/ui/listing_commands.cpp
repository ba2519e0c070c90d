#include "analyzer/ui/listing_commands.h"

#include "analyzer/engine/data_listing.h"
#include "analyzer/engine/dxf_output.h"
#include "analyzer/engine/listing_print.h"
#include "math/engine/mathlib.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"

#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace vork {

namespace {

const char* const ListingFont = "Courier New";

// Both letter cases of the extension, for a file system that tells them apart.
QString filterFor(const QString& title, const QString& extension)
{
    return title + " (*." + extension.toUpper() + " *." + extension.toLower() + ")";
}

// A save dialog; "" when cancelled.
std::string chooseSaveFile(Tmdvform& window, const QString& caption, const QStringList& filters,
                           const QString& suffix, bool confirmOverwrite)
{
    QFileDialog dialog(&window, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    dialog.setDefaultSuffix(suffix);
    if (!confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

// The listing's lines painted in the printer's printable area, black on white.
class PainterSurface : public PrintSurface {
public:
    PainterSurface(QPrinter& printer, QPainter& painter, double ascent)
        : m_printer(printer), m_painter(painter), m_ascent(ascent)
    {
    }
    void newPage() override { m_printer.newPage(); }
    void drawLine(double y, const std::string& text) override
    {
        m_painter.drawText(QPointF(0, y + m_ascent), platform::toQString(text));
    }

private:
    QPrinter& m_printer;
    QPainter& m_painter;
    double m_ascent;
};

} // namespace

bool PrintListingTo(Tmdvform& window, QPrinter& printer, int* pages)
{
    RunSession& session = window.session();
    if (session.state.DataFileName.empty() || !QFile::exists(QFile::decodeName(session.state.DataFileName.c_str()))) {
        window.showError("There is no data listing to print: run a program first.");
        return false;
    }
    platform::WaitCursor wait;
    printer.setDocName("Vork Analyzer");
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString file = printer.outputFileName();
        window.showError(file.isEmpty() ? std::string("Unable to print")
                                        : "Unable to write to " + platform::toBytes(file));
        return false;
    }
    const QRectF area(QPointF(0, 0), QSizeF(painter.viewport().size()));
    QFont font(ListingFont);
    font.setStyleHint(QFont::Monospace);
    const QString reference = platform::toQString(ListingReferenceLine());
    font.setPointSize(FitFontSize(
        [&](int points) {
            font.setPointSize(points);
            return QFontMetricsF(font, &printer).horizontalAdvance(reference);
        },
        area.width()));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font, &printer);
    PainterSurface surface(printer, painter, metrics.ascent());
    ListingPrintJob job{window.machine().FileName, DateTimeStamp()};
    const bool printed = PrintDataFile(session.state, *session.services.listing, job, surface,
                                       {metrics.height(), area.height()}, pages);
    painter.end();
    if (!printed)
        window.showError("There is no data listing to print: run a program first.");
    return printed;
}

bool ExportDifTo(Tmdvform& window, const std::string& fileName)
{
    std::string error;
    if (ExportDIFFile(window.session().state, fileName, &error))
        return true;
    window.showError("Unable to write " + fileName + ": " + error);
    return false;
}

bool StartDxfOutput(Tmdvform& window, const std::string& fileName)
{
    std::string error;
    if (!window.session().OpenDxfOutput(fileName, &error))
        window.showError("Unable to create " + fileName + ": " + error);
    return window.session().dxfOutput().DxfOutputOn();
}

void PrintDataFile(Tmdvform& window)
{
    if (window.session().state.DataFileName.empty()) {
        window.showError("There is no data listing to print: run a program first.");
        return;
    }
    QPrintDialog dialog(&window.printer(), &window);
    if (dialog.exec() == QDialog::Accepted)
        PrintListingTo(window, window.printer());
}

void ExportDifFile(Tmdvform& window)
{
    const std::string name = chooseSaveFile(window, "Export Dif File",
                                            {filterFor("DIF File (Database/Spread Sheet)", "DIF")}, "DIF", true);
    if (!name.empty())
        ExportDifTo(window, name);
}

bool OutputDxfFile(Tmdvform& window)
{
    const std::string name = chooseSaveFile(
        window, "Output DXF File", {filterFor("DXF FIle", "DXF"), filterFor("Motion File", "LOG")}, "DXF", false);
    if (!name.empty())
        return StartDxfOutput(window, name);
    return window.session().dxfOutput().DxfOutputOn();
}

} // namespace vork
