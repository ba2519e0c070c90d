#include "analyzer/ui/fixture_dialogs.h"

#include "analyzer/engine/drawing_canvas.h"
#include "analyzer/ui/main_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPrinter>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vork;

namespace {

const std::string Drawings = std::string(MRW_SOURCE_DIR) + "/tests/analyzer/engine/fixtures/";

struct Dialog {
    FixtureTable table;
    bool lathe = false;
    testsupport::ScriptedPrompter prompter;
    TFixtureDlg dlg{table, lathe, prompter};
    std::string lastMessage() const { return prompter.shown.empty() ? "" : prompter.shown.back().text; }
};

TEST(FixtureDialogs, LoadRefusalsClearAndTheDisplayCheck)
{
    Dialog d;
    d.dlg.show();

    // Display checked before anything was loaded: refused, the dialog stays.
    d.dlg.Bdisplay->setChecked(true);
    d.dlg.OKBtnClick();
    EXPECT_EQ(d.lastMessage(), "Fixture Has not Been Loaded");
    EXPECT_TRUE(d.dlg.isVisible());
    d.dlg.Bdisplay->setChecked(false);

    // The import dialog is "shown" by filling its fields and pressing OK.
    int importResult = -1;
    std::function<void(TDXFinDlg&)> fill = [](TDXFinDlg&) {};
    d.dlg.runImport = [&](TDXFinDlg& i) {
        EXPECT_FALSE(i.Edlayer->isEnabled());
        fill(i);
        i.OKBtnClick();
        return importResult = i.result();
    };

    // No file chosen, or a file that cannot be opened: nothing changes.
    QString chosen;
    d.dlg.chooseDrawing = [&] { return chosen; };
    d.dlg.BloadClick();
    EXPECT_EQ(importResult, -1);
    chosen = QString::fromStdString(Drawings + "MISSING.DXF");
    d.dlg.BloadClick();
    EXPECT_NE(d.lastMessage().find("MISSING.DXF"), std::string::npos);
    EXPECT_FALSE(d.table.loaded);
    EXPECT_EQ(d.dlg.Label1->text(), "[None Loaded]");

    // A layer name that is not a number is refused by OK, naming the field.
    chosen = QString::fromStdString(Drawings + "FIXTURE12.DXF");
    fill = [](TDXFinDlg& i) {
        i.CBAlllayers->setChecked(false);
        EXPECT_TRUE(i.Edlayer->isEnabled());
        i.Edlayer->setText("WALLS");
    };
    d.dlg.BloadClick();
    EXPECT_NE(d.lastMessage().find("Layer Name"), std::string::npos);
    EXPECT_EQ(d.table.Count(), 0u);
    EXPECT_FALSE(d.table.loaded);
    EXPECT_NE(importResult, QDialog::Accepted);

    // Layer 7 only, in colour 4 until the drawing sets one.
    fill = [](TDXFinDlg& i) {
        i.CBAlllayers->setChecked(false);
        i.Edlayer->setText(" 7 ");
        i.edcolor->setValue(4);
    };
    d.dlg.BloadClick();
    ASSERT_EQ(importResult, QDialog::Accepted);
    ASSERT_GT(d.table.Count(), 0u);
    for (const auto& e : d.table.Slots()) {
        if (e.kind != EntityFree) {
            EXPECT_EQ(e.layer, 7);
        }
    }
    EXPECT_EQ(d.dlg.Label1->text(), "FIXTURE12.DXF");
    EXPECT_TRUE(d.dlg.Bdisplay->isChecked());

    // A second load adds to the table.
    const std::size_t first = d.table.Count();
    fill = [](TDXFinDlg&) {};
    d.dlg.BloadClick();
    EXPECT_GT(d.table.Count(), first);

    d.dlg.OKBtnClick();
    EXPECT_TRUE(d.table.shown);
    EXPECT_EQ(d.dlg.result(), QDialog::Accepted);

    d.dlg.BclearClick();
    EXPECT_EQ(d.table.Count(), 0u);
    EXPECT_FALSE(d.table.loaded || d.table.shown || d.table.tableFull);
    EXPECT_EQ(d.dlg.Label1->text(), "[None Loaded]");
    EXPECT_FALSE(d.dlg.Bdisplay->isChecked());
}

// View "&Fixture" end to end: the drawing loaded through the two dialogs appears on the
// main window's canvas in its colour, and closing the window hides it.
TEST(FixtureDialogs, LoadedFixtureIsDrawnOnTheMainWindow)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("MILL.MCH", testsupport::exampleFile("Mill 1.MCH"));
    folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\n");
    folder.write("CLAMP.DXF", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n 62\r\n12\r\n"
                              " 10\r\n-3\r\n 20\r\n0.5\r\n 11\r\n3\r\n 21\r\n0.5\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    Tmdvform window(folder.path(), &prompter);
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();

    auto* dialog = new TFixtureDlg(window.fixtures().table(), window.session().state.LatheMachine, prompter, &window);
    dialog->chooseDrawing = [&] { return QString::fromStdString(folder.file("CLAMP.DXF")); };
    dialog->runImport = [](TDXFinDlg& i) {
        i.OKBtnClick();
        return i.result();
    };
    QTimer::singleShot(0, dialog, [dialog] {
        dialog->BloadClick();
        dialog->OKBtnClick();
    });
    ShowFixtureDialog(window);
    ASSERT_TRUE(window.fixtures().table().shown);

    int px = 0, py = 0;
    window.drawingWindow().WorldtoPC(0, 0.5, px, py);
    const Rgb red = PaletteColor(12);
    const QImage& image = window.canvas().image();
    bool found = false;
    for (int dy = -1; dy <= 1; ++dy)
        found = found || image.pixel(px, py + dy) == qRgb(red.red, red.green, red.blue);
    EXPECT_TRUE(found);
    // The copy and the printout show it as the screen does.
    const QImage copy = window.PictureImage();
    found = false;
    for (int dy = -1; dy <= 1; ++dy)
        found = found || copy.pixel(px, py + dy) == qRgb(red.red, red.green, red.blue);
    EXPECT_TRUE(found) << "the copied picture lacks the fixture";
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("picture.pdf")));
    window.PrintTo(printer);
    QProcess toImage;
    toImage.start("pdftoppm", {"-r", "30", "-png", "-singlefile", QString::fromStdString(folder.file("picture.pdf")),
                               QString::fromStdString(folder.file("page"))});
    ASSERT_TRUE(toImage.waitForFinished(20000));
    const QImage page(QString::fromStdString(folder.file("page.png")));
    ASSERT_FALSE(page.isNull());
    int reddish = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            reddish += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(reddish, 5) << "the printout lacks the fixture";
    if (const char* keep = std::getenv("MRW_KEEP_SCREENSHOT"))
        window.grab().save(keep);

    window.close();
    EXPECT_FALSE(window.fixtures().table().shown);
}

} // namespace
