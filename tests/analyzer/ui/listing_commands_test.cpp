#include "analyzer/ui/listing_commands.h"

#include "analyzer/engine/dxf_output.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/time_graph_dialog.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QFontInfo>
#include <QPrinter>

#include <gtest/gtest.h>

using namespace vork;

namespace {

std::string exampleFile(const std::string& name)
{
    return testsupport::exampleFile(name);
}

struct Analyzer {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<Tmdvform> window;

    Analyzer()
    {
        folder.write("MILL.MCH", exampleFile("Mill 1.MCH"));
        folder.write("BRACKET.TAP", exampleFile("BRACKET.TAP"));
        folder.write("O1001.TAP", exampleFile("O1001.TAP"));
        std::string longer = "%\r\nG90 G00 X0 Y0 Z0.1 S1000 M03 T1 M06\r\n";
        for (int i = 0; i < 300; ++i)
            longer += "G01 X" + std::to_string(i % 7) + ". Y" + std::to_string(i % 5) + ". F20.\r\n";
        folder.write("LONG.TAP", longer + "M30\r\n");
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\nSKIP=1\r\n[DIRECTORIES]\r\nTAPEDIR=" +
                                   folder.path() + "\r\n");
        window = std::make_unique<Tmdvform>(folder.path(), &prompter);
    }
    void run(const std::string& program)
    {
        window->LoadFile(folder.file(program));
        for (int presses = 0; presses < 20 && !window->session().state.EndOfProgram; ++presses) {
            prompter.buttons = {platform::Button::No};
            window->Start();
        }
        prompter.shown.clear();
    }
};

std::size_t PdfPages(const std::string& pdf)
{
    std::size_t pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0)
            ++pages;
    return pages;
}

TEST(ListingCommands, PrintTheListingToPdf)
{
    Analyzer a;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(a.folder.file("listing.pdf")));
    EXPECT_FALSE(PrintListingTo(*a.window, printer));
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_NE(a.prompter.shown[0].text.find("no data listing"), std::string::npos);
    a.prompter.shown.clear();

    a.run("LONG.TAP");
    const std::string listingFile = a.window->session().state.DataFileName;
    int pages = 0;
    ASSERT_TRUE(PrintListingTo(*a.window, printer, &pages));
    EXPECT_TRUE(a.prompter.shown.empty());
    EXPECT_EQ(PdfPages(a.folder.read("listing.pdf")), static_cast<std::size_t>(pages));
    const auto lines = platform::readTextLines(listingFile);
    ASSERT_TRUE(lines);
    EXPECT_GT(pages, 1);
    EXPECT_NE(lines->back().find("****"), std::string::npos);
    EXPECT_TRUE(a.window->session().state.DataFileOpen); // reopened for appending

    // Each print adds a Tape Summary.
    ASSERT_TRUE(PrintListingTo(*a.window, printer));
    EXPECT_GT(platform::readTextLines(listingFile)->size(), lines->size());

    // The printer font is a fixed-pitch face on this system too.
    EXPECT_TRUE(QFontInfo(QFont("Courier New")).fixedPitch());
}

TEST(ListingCommands, DifExportNamesAFailure)
{
    Analyzer a;
    a.run("BRACKET.TAP");
    ASSERT_TRUE(ExportDifTo(*a.window, a.folder.file("TOOLS.DIF")));
    EXPECT_EQ(a.folder.read("TOOLS.DIF").substr(0, 7), "TABLE\r\n");
    EXPECT_FALSE(ExportDifTo(*a.window, a.folder.file("none/TOOLS.DIF")));
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    EXPECT_NE(a.prompter.shown[0].text.find(a.folder.file("none/TOOLS.DIF")), std::string::npos);
}

TEST(ListingCommands, DxfOutputIsWholeAfterEachRunAndFinishedAtClose)
{
    Analyzer a;
    EXPECT_FALSE(StartDxfOutput(*a.window, a.folder.file("none/PATH.DXF")));
    ASSERT_EQ(a.prompter.shown.size(), 1u);
    a.prompter.shown.clear();
    ASSERT_TRUE(StartDxfOutput(*a.window, a.folder.file("PATH.DXF")));
    a.run("BRACKET.TAP");
    const std::string trailer = platform::joinLinesCrLf(DxfTrailerLines());
    const std::string drawn = a.folder.read("PATH.DXF");
    EXPECT_GT(drawn.size(), 2000u);
    EXPECT_EQ(drawn.substr(drawn.size() - trailer.size()), trailer);
    ASSERT_TRUE(a.window->dxfOutputAction);
    EXPECT_TRUE(a.window->dxfOutputAction->isChecked());
    a.window->close();
    EXPECT_EQ(a.folder.read("PATH.DXF"), drawn);
}

// The chart as its dialog draws it for the window's run: its title and its bars.
std::pair<QString, std::vector<double>> Chart(Analyzer& a)
{
    TTimeGraphDlg dialog(a.window->session().state);
    dialog.DisplayTimes();
    std::vector<double> bars;
    for (QAbstractSeries* series : dialog.chart().series())
        for (QBarSet* set : static_cast<QBarSeries*>(series)->barSets())
            for (int i = 0; i < set->count(); ++i)
                bars.push_back(set->at(i));
    return {dialog.chart().title(), bars};
}

// The DIF file's tuple count: the label tuple and one per tool row after the first.
std::string DifTuples(Analyzer& a)
{
    EXPECT_TRUE(ExportDifTo(*a.window, a.folder.file("TIMES.DIF")));
    const auto lines = platform::splitLines(a.folder.read("TIMES.DIF"));
    return lines.size() > 7 ? lines[7] : "";
}

TEST(ListingCommands, AnotherProgramOrMachineShowsNoneOfTheLastRunsTimes)
{
    Analyzer a;
    a.folder.write("FACE.TAP", exampleFile("FACE.TAP"));
    a.run("BRACKET.TAP");
    EXPECT_GT(Chart(a).second.size(), 1u);
    EXPECT_NE(DifTuples(a), "0,1");

    a.window->LoadFile(a.folder.file("FACE.TAP"));
    const auto [title, bars] = Chart(a);
    EXPECT_TRUE(title.contains("File : FACE.TAP")) << title.toStdString();
    EXPECT_TRUE(title.contains("Total Time: 00:00:00")) << title.toStdString();
    EXPECT_TRUE(bars.empty());
    EXPECT_EQ(DifTuples(a), "0,1"); // the label tuple alone

    a.run("FACE.TAP");
    EXPECT_FALSE(Chart(a).second.empty());
    ASSERT_TRUE(a.window->LoadMachine(a.folder.file("MILL.MCH")));
    EXPECT_TRUE(Chart(a).second.empty());
    EXPECT_EQ(DifTuples(a), "0,1");

    // A new program starts with none either.
    a.run("BRACKET.TAP");
    EXPECT_FALSE(Chart(a).second.empty());
    a.prompter.inputs = {{true, "TYPED"}};
    a.window->NewFile();
    EXPECT_TRUE(Chart(a).second.empty());
    EXPECT_EQ(DifTuples(a), "0,1");
}

TEST(ListingCommands, TheListingIsWholeOnTheDiskWhenTheRunEnds)
{
    Analyzer a;
    a.run("BRACKET.TAP");
    const auto program = platform::splitLines(exampleFile("BRACKET.TAP"));
    const auto listing = platform::splitLines(a.folder.read("NCCODE.DAT"));
    ASSERT_FALSE(listing.empty());
    // The program's last block ends the listing: nothing is held back, nothing added.
    EXPECT_EQ(listing.back().rfind(program.back(), 0), 0u) << listing.back();
}

} // namespace
