#include "analyzer/ui/qt_canvas.h"

#include "analyzer/engine/drawing.h"
#include "support/temp_folder.h"

#include <QFileInfo>
#include <QPrinter>

#include <gtest/gtest.h>

#include <vector>

using namespace vork;

namespace {

QRgb rgbOf(Rgb c) { return qRgb(c.red, c.green, c.blue); }

// A drawing window over the whole image, one world unit = 100 pixels, x 0..4, y 0..3.
void setUp(Trwindow& win, Canvas& canvas)
{
    win.Init(canvas);
    const PixelRect r = canvas.clipRect();
    win.SetAspect(r.right - r.left, r.bottom - r.top);
    win.SetExt(0, 0, 4, 3);
    win.SetupCanvas(canvas);
}

} // namespace

TEST(QtCanvasTest, XorAndNotXorDrawnTwiceRestoreThePicture)
{
    for (const PenMode mode : {PenMode::Xor, PenMode::NotXor}) {
        ImageCanvas canvas(QSize(120, 80));
        canvas.fillRect({0, 0, 120, 80}, {20, 40, 60});
        canvas.fillRect({30, 10, 90, 70}, {200, 180, 10});
        const QImage before = canvas.image().copy();

        canvas.setPen({PaletteColor(12), PenStyle::Solid, 3, mode});
        canvas.moveTo(5, 5);
        canvas.lineTo(110, 75);
        canvas.lineTo(5, 75);
        EXPECT_NE(canvas.image(), before);
        canvas.moveTo(5, 5);
        canvas.lineTo(110, 75);
        canvas.lineTo(5, 75);
        EXPECT_EQ(canvas.image(), before);
    }
}

// A chain handed over at once paints what its chords drawn one by one paint, and leaves
// the pen where they leave it: inside the image and across its edge, with two ends on
// one pixel, for the plotted pen and for those the painter draws.
TEST(QtCanvasTest, ChordsOfAChainPaintAsLinesOneByOne)
{
    const std::vector<PixelPoint> chain{{10, 10}, {40, 13}, {40, 13}, {70, 30}, {71, 31}, {130, 50},
                                        {60, 79}, {60, 79}, {-20, 60}, {5, 40}, {5, 2}, {12, 9}};
    const Pen pens[] = {{PaletteColor(12), PenStyle::Solid, 1, PenMode::Copy},
                        {PaletteColor(9), PenStyle::Dot, 1, PenMode::Copy},
                        {PaletteColor(2), PenStyle::Solid, 3, PenMode::Copy},
                        {PaletteColor(12), PenStyle::Solid, 1, PenMode::Xor}};
    for (const Pen& pen : pens) {
        ImageCanvas whole(QSize(120, 80)), single(QSize(120, 80));
        for (ImageCanvas* canvas : {&whole, &single}) {
            canvas->fillRect({0, 0, 120, 80}, {20, 40, 60});
            canvas->setPen(pen);
        }
        whole.drawChords(chain.data(), chain.size());
        for (std::size_t k = 1; k < chain.size(); ++k) {
            single.moveTo(chain[k].x, chain[k].y);
            single.lineTo(chain[k - 1].x, chain[k - 1].y);
        }
        EXPECT_EQ(whole.image(), single.image()) << static_cast<int>(pen.style) << " " << pen.width;
        EXPECT_EQ(whole.penPos(), single.penPos());
    }
}

TEST(QtCanvasTest, RecordedPathIsReplayedIntoTheImage)
{
    testsupport::TempFolder folder;
    ImageCanvas screen(QSize(400, 300));
    Trwindow win;
    win.SetDfDir(folder.path());
    setUp(win, screen);
    win.SetBlackScreen(false);
    win.Clearcanvas(screen);
    ASSERT_TRUE(win.OpenDisplayFile());
    win.SetColor(screen, 12);
    win.Moveto(screen, 0.5, 0.5, 0);
    win.Lineto(screen, 3.5, 0.5, 0);
    win.SetColor(screen, 9);
    win.Lineto(screen, 3.5, 2.5, 0);

    // A fresh picture from the display file alone.
    ImageCanvas replay(QSize(400, 300));
    Trwindow player;
    player.SetDfDir(folder.path());
    setUp(player, replay);
    player.SetBlackScreen(false);
    ASSERT_TRUE(player.ReOpenDisplayFile());
    player.DisplayFileON(false);
    player.Clearcanvas(replay);
    player.PlayDisplay(replay);

    const QImage& image = replay.image();
    const QRgb red = rgbOf(PaletteColor(12));
    const QRgb blue = rgbOf(PaletteColor(9));
    // y = 0.5 is pixel row 250; x = 3.5 is pixel column 350.
    for (const int x : {60, 100, 200, 300, 340})
        EXPECT_EQ(image.pixel(x, 250), red) << x;
    for (const int y : {60, 100, 150, 200, 240})
        EXPECT_EQ(image.pixel(350, y), blue) << y;
    EXPECT_EQ(image.pixel(200, 150), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(200, 249), qRgb(255, 255, 255));
    EXPECT_EQ(image, screen.image());
}

TEST(QtCanvasTest, TextIsWrittenInTheFontColour)
{
    ImageCanvas canvas(QSize(200, 60));
    canvas.fillRect({0, 0, 200, 60}, {255, 255, 255});
    canvas.setBrushColor({255, 255, 255});
    canvas.setFont({"Arial", 20, PaletteColor(4)});
    EXPECT_GT(canvas.textWidth("1.250"), 10);
    canvas.textOut(10, 10, "1.250");
    int coloured = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x)
            coloured += canvas.image().pixel(x, y) == rgbOf(PaletteColor(4)) ? 1 : 0;
    }
    EXPECT_GT(coloured, 20);
}

TEST(QtCanvasTest, PrinterCanvasDrawsAPage)
{
    testsupport::TempFolder folder;
    const QString pdf = QString::fromStdString(folder.file("path.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        PrinterCanvas canvas(&printer);
        EXPECT_GT(canvas.dpiX(), 299);
        Trwindow win;
        setUp(win, canvas);
        win.SetColor(canvas, 2);
        win.Setlinestyle(canvas, 3);
        win.SetPenWidth(canvas, 0.02);
        win.Moveto(canvas, 0, 0, 0);
        win.Lineto(canvas, 4, 3, 0);
        win.DrawArc(canvas, 2, 1.5, 1, 0, 0, 0, 0, true);
    }
    EXPECT_GT(QFileInfo(pdf).size(), 500);
}
