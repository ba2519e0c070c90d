// The picture of the display file on other surfaces: the printer (or a PDF file), a
// bitmap on the clipboard and an SVG drawing. Each replays the display file through a
// second drawing window that records nothing, in the current view.
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/text_printout.h"
#include "platform/qt/wait_cursor.h"

#include "platform/qt/latin1.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace vork {

namespace {

constexpr double PrinterPenWidth = 0.032;
const char* const SvgFileName = "VORK.SVG";


// Replays the main window's display file onto canvas; false when it cannot be read.
bool replayOnto(Tmdvform& window, Canvas& canvas, bool printer)
{
    Trwindow replay;
    replay.SetDfDir(window.drawingWindow().Getdfdir());
    replay.setPrompter(&window.prompter());
    if (!replay.ReOpenDisplayFile())
        return false;
    replay.DisplayFileON(false); // the replaying window writes nothing into the file
    const ViewState& view = window.view();
    const PixelRect r = canvas.clipRect();
    replay.SetAspect(r.right - r.left, r.bottom - r.top);
    replay.SetThreeD(view.threeD, view.eye.x, view.eye.y, view.eye.z);
    replay.SetExt(view.current.xmin, view.current.ymin, view.current.xmax, view.current.ymax);
    replay.SetupCanvas(canvas);
    // The recorded points are the machine's: a lathe view exchanges the axes on every surface.
    replay.SetLatheMode(view.latheView);
    if (printer) {
        canvas.setPenMode(PenMode::Copy);
        replay.SetPenWidth(canvas, PrinterPenWidth);
    }
    // The fixture is never recorded (the window draws it again at each repaint): it goes
    // under the path here as it does on the screen.
    window.fixtures().DrawFixtureOn(replay, canvas);
    replay.PlayDisplay(canvas);
    return true;
}

} // namespace

void Tmdvform::PrintTo(QPrinter& printer)
{
    platform::WaitCursor wait;
    printer.setDocName("Vork Analyzer");
    PrinterCanvas canvas(&printer);
    if (!canvas.painter().isActive()) {
        const QString file = printer.outputFileName();
        if (file.isEmpty()) {
            showError("Unable to print");
        } else {
            QFile::remove(file); // nothing half-written stays behind
            showError("Unable to write to " + platform::toBytes(file));
        }
        return;
    }
    replayOnto(*this, canvas, true);
}

QPrinter& Tmdvform::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

QPrinter& ProgramPrinter(QWidget* window)
{
    for (QWidget* w = window; w; w = w->parentWidget()) {
        if (auto* main = qobject_cast<Tmdvform*>(w))
            return main->printer();
    }
    static QPrinter alone(QPrinter::HighResolution);
    return alone;
}

void Tmdvform::Print()
{
    QPrintDialog dialog(&printer(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintTo(printer());
}

void Tmdvform::PrinterSetup()
{
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

QImage Tmdvform::PictureImage()
{
    platform::WaitCursor wait;
    ImageCanvas image(m_canvas->image().size());
    replayOnto(*this, image, false);
    return image.image().copy();
}

void Tmdvform::CopyPicture()
{
    QApplication::clipboard()->setImage(PictureImage());
}

bool Tmdvform::CopyMetafile()
{
    platform::WaitCursor wait;
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    const QSize size = m_canvas->image().size();
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&svg);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle("Vork Analyzer");
        QtCanvas canvas(&generator);
        replayOnto(*this, canvas, false);
    }
    // Written whole or not at all: an earlier drawing is replaced only by a complete one.
    QSaveFile file(SvgFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(svg.data()) != svg.data().size() || !file.commit()) {
        showError(std::string("Unable to write to ") + SvgFileName);
        return false;
    }
    auto* data = new QMimeData;
    data->setData("image/svg+xml", svg.data());
    data->setImageData(PictureImage());
    QApplication::clipboard()->setMimeData(data);
    return true;
}

} // namespace vork
