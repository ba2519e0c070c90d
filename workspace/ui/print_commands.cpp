#include "workspace/ui/print_commands.h"

#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/nc_lexer.h"
#include "workspace/ui/plain_text_print.h"

#include "platform/paths.h"
#include "platform/qt/latin1.h"
#include "platform/qt/wait_cursor.h"
#include "platform/textfile.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QLocale>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <array>

namespace {

// Pretty printing on a painter: the print font in its styles, widths measured once.
class PainterSurface : public mrw::PrintSurface {
public:
    PainterSurface(QPainter& painter, QPrinter& printer, const QFont& font)
        : m_painter(painter), m_printer(printer), m_font(font)
    {
        const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
        m_width = area.width();
        m_bottom = area.height();
        const QFontMetrics metrics(font, &printer);
        m_lineHeight = metrics.height();
    }
    int dpiX() const override { return m_printer.resolution(); }
    int dpiY() const override { return m_printer.resolution(); }
    int pageWidth() const override { return m_width; }
    int pageBottom() const override { return m_bottom; }
    int lineHeight() const override { return m_lineHeight; }
    int charWidth(char c, const mrw::PrintStyle& style) const override
    {
        return face(style).widths[static_cast<unsigned char>(c)];
    }
    void drawText(int x, int y, std::string_view text, const mrw::PrintStyle& style) override
    {
        const Face& f = face(style);
        m_painter.setFont(f.font);
        m_painter.setPen(style.colour ? colorFromWindows(style.color) : QColor(Qt::black));
        m_painter.drawText(x, y + f.ascent, platform::toQString(text));
    }
    void drawFrame(int left, int top, int right, int bottom) override
    {
        m_painter.setPen(QPen(Qt::black, 1));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(left, top, right - left, bottom - top);
    }
    void newPage() override { m_printer.newPage(); }

private:
    struct Face {
        bool made = false;
        QFont font;
        int ascent = 0;
        std::array<int, 256> widths{};
    };
    const Face& face(const mrw::PrintStyle& style) const
    {
        Face& f = m_faces[(style.bold ? 1 : 0) + (style.italic ? 2 : 0)];
        if (!f.made) {
            f.made = true;
            f.font = m_font;
            if (style.bold)
                f.font.setBold(true);
            if (style.italic)
                f.font.setItalic(true);
            const QFontMetrics metrics(f.font, &m_printer);
            f.ascent = metrics.ascent();
            for (int c = 0; c < 256; ++c)
                f.widths[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(QChar(c));
        }
        return f;
    }
    QPainter& m_painter;
    QPrinter& m_printer;
    QFont m_font;
    int m_width = 0;
    int m_bottom = 0;
    int m_lineHeight = 0;
    mutable std::array<Face, 4> m_faces;
};

QFont printFont(const mrw::ProgramSettings& s)
{
    QFont font(platform::toQString(s.PrintFont.name), s.PrintFont.size > 0 ? s.PrintFont.size : 12);
    font.setBold(s.PrintFont.bold);
    font.setItalic(s.PrintFont.italic);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

bool runQtPrintDialog(QPrinter& printer, bool selectionAvailable, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile |
                                                       QAbstractPrintDialog::PrintCollateCopies |
                                                       QAbstractPrintDialog::PrintShowPageSize;
    if (selectionAvailable)
        options |= QAbstractPrintDialog::PrintSelection;
    dialog.setOptions(options);
    if (!selectionAvailable && printer.printRange() == QPrinter::Selection)
        printer.setPrintRange(QPrinter::AllPages);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

std::string currentDateTimeText()
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return platform::toBytes(locale.toString(now.date(), QLocale::ShortFormat) + " " +
                             locale.toString(now.time(), QLocale::LongFormat));
}

PrintCommands::PrintCommands(TMainForm& mainForm, platform::Prompter& prompter)
    : QObject(&mainForm), m_main(mainForm), m_prompter(prompter),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
}

PrintCommands::~PrintCommands() = default;

void PrintCommands::PrintSetup1Click()
{
    QPageSetupDialog dialog(m_printer.get(), &m_main);
    dialog.exec();
}

void PrintCommands::reportFailure(const QString& text)
{
    m_prompter.message("Marrowin", platform::toBytes(text), platform::MessageKind::Error, platform::Buttons::Ok);
}

void PrintCommands::Print1Click()
{
    if (!m_main.RequireActiveChild())
        return;
    TMDIChild* child = m_main.activeChild();
    EditorPane* pane = child->ActivePane;
    const bool selectionAvailable = pane->hasSelectedText();
    const bool go = m_runDialog ? m_runDialog(*m_printer, selectionAvailable)
                                : runQtPrintDialog(*m_printer, selectionAvailable, &m_main);
    child = m_main.activeChild();
    if (!go || !child)
        return;
    pane = child->ActivePane;
    platform::WaitCursor wait;

    const mrw::ProgramSettings& s = m_main.settings();
    const std::string text = child->Editor1->bytes();
    mrw::PrintRange range;
    if (m_printer->printRange() == QPrinter::Selection && pane->hasSelectedText()) {
        range.selection = true;
        pane->getSelection(&range.firstLine, &range.firstIndex, &range.lastLine, &range.lastIndex);
    }
    const std::vector<std::string> lines = mrw::printRangeLines(platform::splitLines(text), range, s.TabSize);
    // One pass when the printer makes the copies itself.
    const int passes = m_printer->supportsMultipleCopies() ? 1 : std::max(1, m_printer->copyCount());
    const std::string fileName = platform::fileNamePart(child->fileName());
    m_printer->setDocName(platform::toQString("Marrowin :" + fileName));
    const std::string dateTime = currentDateTimeText();
    if (s.PrettyPrint)
        printPretty(lines, child->fileName(), static_cast<long long>(text.size()), passes, dateTime);
    else
        printPlain(lines, fileName, passes, dateTime);
}

bool PrintCommands::printPretty(const std::vector<std::string>& lines, const std::string& fileName,
                                long long byteCount, int passes, const std::string& dateTime)
{
    const mrw::ProgramSettings& s = m_main.settings();
    const mrw::MachineSettings& machine = mrw::workspaceGlobals().Machine.settings();
    mrw::PrintOptions o;
    o.commentStart = machine.CmtStart;
    o.commentEnd = machine.CmtEnd;
    o.colour = s.ColourPrint;
    o.addressColor = s.AddressColor;
    o.numberColor = s.NumberColor;
    o.commentColor = s.CommentColor;
    o.marginLeft = s.PrintMarginLeft;
    o.marginTop = s.PrintMarginTop;
    o.marginBottom = s.PrintMarginBottom;

    QPainter painter;
    if (!painter.begin(m_printer.get())) {
        reportFailure(m_printer->outputFileName().isEmpty()
                          ? "The print job could not be started on the printer \"" + m_printer->printerName() + "\"."
                          : "The print job could not be started: cannot write \"" + m_printer->outputFileName() +
                                "\".");
        return false;
    }
    PainterSurface surface(painter, *m_printer, printFont(s));
    m_lastPages = 0;
    // The copies of one job follow each other in one document, so that a file keeps them all.
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0)
            m_printer->newPage();
        mrw::PrettyPrintLayout layout(surface, o, fileName, dateTime, byteCount);
        layout.start();
        for (const std::string& line : lines)
            layout.printLine(line);
        m_lastPages += layout.pages();
    }
    painter.end();
    return true;
}

bool PrintCommands::printPlain(const std::vector<std::string>& lines, const std::string& fileName, int passes,
                               const std::string& dateTime)
{
    const mrw::ProgramSettings& s = m_main.settings();
    const QFont font = printFont(s);
    const QFontMetrics metrics(font, m_printer.get());
    const int blanks = mrw::plainMarginBlanks(m_printer->resolution(), s.PrintMarginLeft,
                                              metrics.horizontalAdvance(QChar(' ')));
    const std::string margin(static_cast<std::size_t>(blanks), ' ');
    std::vector<std::string> out;
    out.reserve((lines.size() + 1) * static_cast<std::size_t>(passes));
    for (int pass = 0; pass < passes; ++pass) {
        // Each copy starts on a page of its own.
        out.push_back((pass > 0 ? "\f" : "") + std::string("**** ") + fileName + " -- " + dateTime + " ****");
        for (const std::string& line : lines)
            out.push_back(margin + line);
    }
    QString error;
    if (!printPlainTextLines(*m_printer, out, font, &error)) {
        reportFailure(error);
        return false;
    }
    return true;
}
