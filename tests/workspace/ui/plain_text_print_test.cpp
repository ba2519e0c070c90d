#include "workspace/ui/plain_text_print.h"

#include "support/temp_folder.h"

#include <QFont>
#include <QPrinter>
#include <QProcess>
#include <gtest/gtest.h>

using testsupport::TempFolder;

namespace {

QString pdfText(const std::string& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QPrinter& pdfPrinter(QPrinter& printer, const std::string& file)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(file));
    return printer;
}

} // namespace

TEST(PlainTextPrint, StreamsLatin1LinesOverPagesAndBreaksAtFormFeeds)
{
    TempFolder folder;
    QPrinter printer(QPrinter::HighResolution);
    pdfPrinter(printer, folder.file("plain.pdf"));
    std::vector<std::string> lines;
    for (int i = 1; i <= 150; ++i)
        lines.push_back("N" + std::to_string(i) + " G01 X1.");
    lines[2] = "N3 \xB0 DEGREE"; // a Latin-1 byte
    lines[4] = "N5 END\fN5 NEXT";  // a form feed in the middle of a line
    QString error;
    ASSERT_TRUE(printPlainTextLines(printer, lines, QFont("Monospace", 10), &error)) << error.toStdString();

    const QString text = pdfText(folder.file("plain.pdf"));
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 3); // the form feed page, then 145 lines over more than one page
    EXPECT_TRUE(pages[0].contains(QString::fromUtf8("N3 \u00B0 DEGREE")));
    EXPECT_TRUE(pages[0].contains("N5 END"));
    EXPECT_FALSE(pages[0].contains("N5 NEXT"));
    EXPECT_TRUE(pages[1].trimmed().startsWith("N5 NEXT"));
    // Every line once, in order.
    qsizetype at = 0;
    for (int i = 6; i <= 150; ++i) {
        const qsizetype found = text.indexOf(QString("N%1 G01 X1.").arg(i), at);
        ASSERT_GT(found, at) << i;
        at = found;
    }
}

TEST(PlainTextPrint, AJobThatCannotStartIsReported)
{
    QPrinter printer;
    pdfPrinter(printer, "/nonexistent-folder/x/out.pdf");
    QString error;
    EXPECT_FALSE(printPlainTextLines(printer, {"N1"}, QFont(), &error));
    EXPECT_TRUE(error.contains("out.pdf"));
}
