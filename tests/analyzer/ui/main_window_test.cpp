#include "analyzer/ui/main_window.h"

#include "analyzer/ui/analyzer_start.h"
#include "analyzer/ui/code_list_view.h"
#include "analyzer/ui/drawing_area.h"
#include "analyzer/ui/listing_commands.h"
#include "analyzer/ui/run_feedback.h"
#include "analyzer/ui/window_commands.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSlider>
#include <QPrinter>
#include <QProcess>
#include <QSvgRenderer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include <unistd.h>

using namespace vork;

namespace {

std::string exampleFile(const std::string& name)
{
    return testsupport::exampleFile(name);
}

// A program folder with the example mill and its face-milling program, and a ZV.INI
// that loads the mill at start-up.
struct ProgramFolder {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;

    ProgramFolder()
    {
        folder.write("MILL.MCH", exampleFile("Mill 1.MCH"));
        folder.write("FACE.TAP", exampleFile("FACE.TAP"));
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\n[DIRECTORIES]\r\nTAPEDIR=" + folder.path() +
                                   "\r\n");
    }
    std::string ini() const { return folder.read("ZV.INI"); }
};

struct ShownWindow : ProgramFolder {
    Tmdvform window{folder.path(), &prompter};
    ShownWindow()
    {
        window.resize(1000, 700);
        window.show();
        QApplication::processEvents();
    }
    // Start until the program has ended (the restart question is answered No).
    void runToEnd()
    {
        for (int presses = 0; presses < 10 && !window.session().state.EndOfProgram; ++presses) {
            prompter.buttons = {platform::Button::No};
            window.Start();
        }
    }
    // Something other than the white background near the world point, on the screen or
    // on a picture of the drawing area's size.
    bool drawnNear(double x, double y) { return drawnNear(window.canvas().image(), x, y); }
    bool drawnNear(const QImage& image, double x, double y)
    {
        int px = 0, py = 0;
        window.drawingWindow().WorldtoPC(x, y, px, py);
        for (int dx = -2; dx <= 2; ++dx)
            for (int dy = -2; dy <= 2; ++dy)
                if (image.valid(px + dx, py + dy) && image.pixel(px + dx, py + dy) != qRgb(255, 255, 255))
                    return true;
        return false;
    }
    // The example bracket with its operations (a tool picture for each tool), loaded.
    void loadBracket()
    {
        for (const char* name : {"BRACKET.TAP", "O1001.TAP", "BRACKET.OPF"})
            folder.write(name, exampleFile(name));
        window.settings().sub = true;
        window.LoadFile(folder.file("BRACKET.TAP"));
        ASSERT_TRUE(LoadOperationFile(window, folder.file("BRACKET.OPF")));
    }
    // The lathe example machine (LATHE.MCH beside the job) with the shaft job.
    void loadShaftOnTheLathe()
    {
        folder.write("LATHE.MCH", exampleFile("Lathe 1.MCH"));
        for (const char* name : {"SHAFT.TAP", "SHAFT.OPF"})
            folder.write(name, exampleFile(name));
        ASSERT_TRUE(window.LoadMachine(folder.file("LATHE.MCH")));
        window.LoadFile(folder.file("SHAFT.TAP"));
        ASSERT_TRUE(LoadOperationFile(window, folder.file("SHAFT.OPF")));
    }
};

TEST(MainWindow, StartsWithTheDefaultMachineAndNoFile)
{
    ShownWindow w;
    EXPECT_EQ(w.window.machineLabel(), "MILL.MCH");
    EXPECT_EQ(w.window.windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
    EXPECT_EQ(w.window.codeList().lines().front(), "Load NC-File &  Machine File... Press Start or Single...");
    EXPECT_TRUE(w.folder.read("ZV.INI").find("DVVER=11.08") != std::string::npos);
}

// Start with no program loaded asks for one and runs it; a cancelled choice runs nothing.
TEST(MainWindow, StartWithNoProgramAsksForOne)
{
    ShownWindow w;
    const auto answerOpen = [](const QString& file) {
        QTimer::singleShot(0, [file] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectFile(file);
            static_cast<QDialog*>(dialog)->accept();
        });
    };
    answerOpen({});
    w.window.Start();
    EXPECT_EQ(w.window.windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
    EXPECT_EQ(w.window.session().state.BlockCount, 0);

    answerOpen(QString::fromStdString(w.folder.file("FACE.TAP")));
    w.runToEnd();
    EXPECT_EQ(w.window.windowTitle().toStdString(), "Vork Analyzer 2013 - " + w.folder.file("FACE.TAP"));
    EXPECT_TRUE(w.window.session().state.EndOfProgram);
    EXPECT_TRUE(w.drawnNear(2.0, 0.5));
}

TEST(MainWindow, StartDrawsThePathAndTheCopiesShowIt)
{
    ShownWindow w;
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    EXPECT_EQ(w.window.windowTitle().toStdString(), "Vork Analyzer 2013 - " + w.folder.file("FACE.TAP"));
    EXPECT_FALSE(w.drawnNear(2.0, 0.5));
    w.runToEnd();
    ASSERT_TRUE(w.window.session().state.EndOfProgram);
    EXPECT_TRUE(w.drawnNear(2.0, 0.5));  // the facing cut along Y0.5
    EXPECT_FALSE(w.drawnNear(2.0, 4.0)); // nothing where the program never went

    // The copy replays the display file at the drawing area's size.
    const QImage copy = w.window.PictureImage();
    EXPECT_EQ(copy.size(), w.window.drawingArea().size());
    EXPECT_GT(std::count_if(reinterpret_cast<const QRgb*>(copy.constBits()),
                            reinterpret_cast<const QRgb*>(copy.constBits()) + copy.width() * copy.height(),
                            [](QRgb p) { return (p & 0xffffff) != 0xffffff; }),
              50);

    // Printing to PDF gives one page and leaves the display file as it was.
    const std::string displayFile = w.window.workFolder() + "DVW.DI~";
    const auto before = platform::readFileBytes(displayFile);
    ASSERT_TRUE(before && !before->empty());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(w.folder.file("path.pdf")));
    w.window.PrintTo(printer);
    const std::string pdf = w.folder.read("path.pdf");
    std::size_t pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0)
            ++pages;
    EXPECT_EQ(pages, 1u);
    EXPECT_EQ(platform::readFileBytes(displayFile), before);

    // The drawing goes to VORK.SVG in the current folder, replaced each time.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(w.folder.path()));
    w.folder.write("VORK.SVG", "old");
    EXPECT_TRUE(w.window.CopyMetafile());
    QDir::setCurrent(previous);
    QSvgRenderer svg(QString::fromStdString(w.folder.file("VORK.SVG")));
    EXPECT_TRUE(svg.isValid());
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat("image/svg+xml"));
}

TEST(MainWindow, ARestartAtTheEndAsksForStartWithoutATextOfAToolChange)
{
    ShownWindow w;
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    const auto asked = [&] {
        return std::any_of(w.prompter.shown.begin(), w.prompter.shown.end(),
                           [](const auto& box) { return box.text == "End of Program, Restart?"; });
    };
    for (int presses = 0; presses < 10 && !asked(); ++presses)
        w.window.Start(); // the restart question is answered Yes
    ASSERT_TRUE(asked());
    EXPECT_TRUE(w.window.session().state.RestartPending);
    for (const auto& line : w.window.codeList().lines())
        EXPECT_NE(line, "Tool Change, Press Start to Continue ...");
}

TEST(MainWindow, TheHandOffStartReloadsTheJob)
{
    ProgramFolder p;
    {
        platform::IniFile ini(p.folder.file("ZV.INI"));
        ini.writeInt(RecentNcFilesSection, "Count", 1);
        ini.writeString(RecentNcFilesSection, "0", p.folder.file("FACE.TAP"));
        ini.writeInt(RecentMachineFilesSection, "Count", 1);
        ini.writeString(RecentMachineFilesSection, "0", "mill.mch"); // no folder, another case
        ini.writeInt(RecentOperationFilesSection, "Count", 1);
        ini.writeString(RecentOperationFilesSection, "0", p.folder.file("FACE.OPF"));
        ini.writeString("DV", "DEFMCH", "NONE.MCH");
    }
    {
        AnalyzerStart other({"mrw2013"}, p.folder.path(), false, &p.prompter);
        EXPECT_EQ(other.window().windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
        EXPECT_EQ(other.window().machineLabel(), "No Machine Loaded");
    }
    AnalyzerStart start({"MRW2013"}, p.folder.path(), false, &p.prompter);
    Tmdvform& w = start.window();
    EXPECT_EQ(w.windowTitle().toStdString(), "Vork Analyzer 2013 - " + p.folder.file("FACE.TAP"));
    EXPECT_EQ(w.machineLabel(), "MILL.MCH");
    EXPECT_TRUE(w.session().state.WorkCopyOpen);
    EXPECT_TRUE(p.prompter.shown.empty()) << p.prompter.shown.front().text;
    EXPECT_EQ(w.codeList().lines().back(), "!Operation File Does Not Exist");
}

TEST(MainWindow, TheHandedOverOperationsFileFillsTheRunsTable)
{
    ProgramFolder p;
    p.folder.write("BRACKET.TAP", exampleFile("BRACKET.TAP"));
    p.folder.write("BRACKET.OPF", exampleFile("BRACKET.OPF"));
    {
        platform::IniFile ini(p.folder.file("ZV.INI"));
        ini.writeInt(RecentNcFilesSection, "Count", 1);
        ini.writeString(RecentNcFilesSection, "0", p.folder.file("BRACKET.TAP"));
        ini.writeInt(RecentMachineFilesSection, "Count", 1);
        ini.writeString(RecentMachineFilesSection, "0", "MILL.MCH");
        ini.writeInt(RecentOperationFilesSection, "Count", 1);
        ini.writeString(RecentOperationFilesSection, "0", p.folder.file("BRACKET.OPF"));
    }
    AnalyzerStart start({"MRW2013"}, p.folder.path(), false, &p.prompter);
    Tmdvform& w = start.window();
    EXPECT_EQ(w.operations().OperationCount(), 3);
    EXPECT_EQ(w.recentOperationFiles().first(), p.folder.file("BRACKET.OPF"));
    EXPECT_NE(w.codeList().lines().back(), "!Operation File Does Not Exist");
    EXPECT_GE(w.operations().Tooltoopnum(1, false), 0); // the run finds the tool's operation
}

// The example program folder as scripts/run-example lays it out: a copy of examples/,
// which is the program folder.
struct ExampleFolder {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    ExampleFolder()
    {
        const std::filesystem::path examples = std::filesystem::path(testsupport::examplePath("ZV.INI")).parent_path();
        std::filesystem::copy(examples, folder.path(), std::filesystem::copy_options::recursive);
        ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1);
    }
    ~ExampleFolder() { ::unsetenv("MRW_PROGRAM_DIR"); }
    ExampleFolder(const ExampleFolder&) = delete;
    ExampleFolder& operator=(const ExampleFolder&) = delete;
};

// Opens a program through File > Open, choosing it in the dialog.
void OpenThroughTheDialog(Tmdvform& window, const std::string& file)
{
    QTimer::singleShot(0, [file] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(QString::fromStdString(file));
        static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(window.OpenNCFile());
}

// Each example program opened from the example folder finds its operations file beside
// it; one without an operations file starts with no operations, said once, and never
// keeps another program's.
TEST(MainWindow, TheExampleProgramsFindTheirOperations)
{
    ExampleFolder example;
    Tmdvform w(example.folder.path(), &example.prompter);
    ASSERT_EQ(w.machineLabel(), "Mill 1.MCH");
    const std::string nc = example.folder.path() + "NC/";
    int withOperations = 0;
    for (const auto& entry : std::filesystem::directory_iterator(nc)) {
        const std::filesystem::path program = entry.path();
        if (program.extension() != ".TAP")
            continue;
        SCOPED_TRACE(program.filename().string());
        const std::size_t listed = w.codeList().lines().size();
        OpenThroughTheDialog(w, program.string());
        const std::filesystem::path operations = std::filesystem::path(program).replace_extension(".OPF");
        if (std::filesystem::exists(operations)) {
            ++withOperations;
            TOperationTable expected;
            ASSERT_TRUE(expected.Loadfile(operations.string(), nullptr));
            EXPECT_GT(w.operations().OperationCount(), 0);
            EXPECT_EQ(w.operations().OperationCount(), expected.OperationCount());
            EXPECT_EQ(w.operations().slot(1), expected.slot(1));
            EXPECT_EQ(w.codeList().lines().size(), listed);
        } else {
            EXPECT_EQ(w.operations().OperationCount(), 0);
            ASSERT_EQ(w.codeList().lines().size(), listed + 1);
            EXPECT_EQ(QString::fromStdString(w.codeList().lines().back()).toUpper().toStdString(),
                      "!OPERATION FILE [" + QString::fromStdString(operations.string()).toUpper().toStdString() +
                          "] DOES NOT EXIST");
        }
    }
    EXPECT_EQ(withOperations, 2); // BRACKET and SHAFT
    EXPECT_TRUE(example.prompter.shown.empty()) << example.prompter.shown.front().text;

    // BRACKET after SHAFT ran on the lathe: BRACKET's end mill, not SHAFT's insert, and
    // its moves recorded for the solid verification.
    ASSERT_TRUE(w.LoadMachine(example.folder.file("Lathe 1.MCH")));
    OpenThroughTheDialog(w, nc + "SHAFT.TAP");
    for (int presses = 0; presses < 10 && !w.session().state.EndOfProgram; ++presses) {
        example.prompter.buttons = {platform::Button::No};
        w.Start();
    }
    ASSERT_TRUE(w.LoadMachine(example.folder.file("Mill 1.MCH")));
    OpenThroughTheDialog(w, nc + "BRACKET.TAP");
    TOperationTable bracket;
    ASSERT_TRUE(bracket.Loadfile(nc + "BRACKET.OPF", nullptr));
    EXPECT_EQ(w.operations().slot(1), bracket.slot(1));
    for (int presses = 0; presses < 10 && !w.session().state.EndOfProgram; ++presses) {
        example.prompter.buttons = {platform::Button::No};
        w.Start();
    }
    ASSERT_TRUE(w.session().state.EndOfProgram);
    w.session().motion.close();
    const auto motion = platform::readFileBytes(w.workFolder() + "VORK.MOT");
    ASSERT_TRUE(motion);
    EXPECT_FALSE(motion->empty());
    OpenThroughTheDialog(w, nc + "FACE.TAP"); // no operations file: BRACKET's go
    EXPECT_EQ(w.operations().OperationCount(), 0);
}

TEST(MainWindow, ReloadWithEmptyListsReportsEachMissingFile)
{
    ProgramFolder p;
    Tmdvform w(p.folder.path(), &p.prompter);
    w.Reloadthelastjob();
    ASSERT_EQ(p.prompter.shown.size(), 2u);
    EXPECT_EQ(p.prompter.shown[0].text, "NC-Code File [] Does Not Exist");
    EXPECT_EQ(p.prompter.shown[1].text, "Machine File [] Does Not Exist");
    EXPECT_EQ(w.codeList().lines().back(), "!Operation File Does Not Exist");
    EXPECT_EQ(w.machineLabel(), "MILL.MCH"); // the default machine stays
}

TEST(MainWindow, AnUnreadableMachineFileChangesNothing)
{
    ProgramFolder p;
    Tmdvform w(p.folder.path(), &p.prompter);
    const auto before = w.machine().Ints;
    EXPECT_FALSE(w.LoadMachine(p.folder.file("MISSING.MCH")));
    EXPECT_EQ(w.machineLabel(), "MILL.MCH");
    EXPECT_EQ(w.machine().Ints, before);
    ASSERT_EQ(p.prompter.shown.size(), 1u);
    EXPECT_NE(p.prompter.shown[0].text.find("MISSING.MCH"), std::string::npos);
}

TEST(MainWindow, CloseDuringASingleWaitClosesAfterTheLoopReturns)
{
    ShownWindow w;
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    QTimer::singleShot(50, &w.window, [&] { w.window.close(); });
    w.window.Single(); // waits before the first block until the close ends the loop
    EXPECT_FALSE(w.window.runControl().Active());
    for (int i = 0; i < 20 && w.window.isVisible(); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(w.window.isVisible());
    EXPECT_FALSE(w.window.session().state.WorkCopyOpen);
    EXPECT_EQ(w.folder.read("FACE.TAP"), exampleFile("FACE.TAP"));
    EXPECT_NE(w.ini().find("mdvform.OvcMenuMRU1.Items"), std::string::npos);
}

TEST(MainWindow, StopEndsASingleWaitAndFreesTheFileCommands)
{
    ShownWindow w;
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    QAction* open = nullptr;
    for (QAction* action : w.window.fileMenu->actions())
        if (action->text() == "&Open -- NC Code File")
            open = action;
    ASSERT_TRUE(open);
    bool lockedWhileWaiting = false;
    QTimer::singleShot(50, &w.window, [&] {
        lockedWhileWaiting = !open->isEnabled();
        w.window.Stop();
    });
    // Should Stop not end the wait, closing ends it and the test fails instead of hanging.
    bool closed = false;
    QTimer::singleShot(5000, &w.window, [&] {
        closed = true;
        w.window.close();
    });
    w.window.Single(); // waits before the first block until Stop ends the wait
    EXPECT_TRUE(lockedWhileWaiting);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(w.window.runControl().Active());
    EXPECT_TRUE(open->isEnabled());
    EXPECT_TRUE(w.window.isVisible());
}

TEST(MainWindow, SliderSetsTheDelayAndCommandsWaitForTheRun)
{
    ShownWindow w;
    w.window.speedSlider().setValue(1);
    EXPECT_EQ(w.window.settings().speed, 9);
    EXPECT_EQ(w.window.speedLabel().text(), "10%");
    EXPECT_EQ(w.window.timer1().interval(), 900);
    w.window.speedSlider().setValue(10);
    EXPECT_EQ(w.window.settings().speed, 0);
    EXPECT_FALSE(w.window.timer1().isActive()); // no delay: no ticks at all
}

} // namespace

namespace {

TEST(MainWindow, PicturesThatCannotBeWrittenAreReported)
{
    ShownWindow w;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(w.folder.file("no-such-folder/path.pdf")));
    w.window.PrintTo(printer);
    ASSERT_EQ(w.prompter.shown.size(), 1u);
    EXPECT_EQ(w.prompter.shown[0].text, "Unable to write to " + w.folder.file("no-such-folder/path.pdf"));

    const QString previous = QDir::currentPath();
    std::string gone;
    {
        testsupport::TempFolder vanishing;
        gone = vanishing.path();
        QDir::setCurrent(QString::fromStdString(gone));
    }
    EXPECT_FALSE(w.window.CopyMetafile()); // the current folder no longer exists
    QDir::setCurrent(previous);
    ASSERT_EQ(w.prompter.shown.size(), 2u);
    EXPECT_EQ(w.prompter.shown[1].text, "Unable to write to VORK.SVG");
}

} // namespace

namespace {

TEST(MainWindow, ScrollBarsPanOnceTheScrollEndsAndAZoomPutsThemBack)
{
    ShownWindow w;
    // The steps are those of the extents shown, which the area's proportions widen.
    const double width = w.window.drawingWindow().extxx - w.window.drawingWindow().extx;
    const double xmin = w.window.view().current.xmin;
    w.window.horizontalBar().triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QApplication::processEvents();
    EXPECT_NEAR(w.window.view().current.xmin, xmin + width * 0.05, 1e-9);

    // A zoom window dragged from lower right to upper left.
    w.window.Zoom();
    DrawingArea& area = w.window.drawingArea();
    QTest::mousePress(&area, Qt::LeftButton, {}, QPoint(300, 200));
    QTest::mouseRelease(&area, Qt::LeftButton, {}, QPoint(100, 100));
    const ViewExtents zoomed = w.window.view().current;
    EXPECT_FALSE(w.window.view().zoomArmed);
    EXPECT_LT(zoomed.xmin, zoomed.xmax);
    EXPECT_LT(zoomed.ymin, zoomed.ymax);
    EXPECT_LT(zoomed.xmax - zoomed.xmin, width / 2);
    EXPECT_EQ(w.window.horizontalBar().value(), 0);
    EXPECT_EQ(w.window.view().scrollOffX, 0);

    w.window.Previous();
    EXPECT_NEAR(w.window.view().current.xmin, xmin + width * 0.05, 1e-9);

    // After a tall zoom window a step pans by 5 percent of the width shown, which the
    // drawing area's proportions make far wider than the window dragged.
    w.window.Zoom();
    QTest::mousePress(&area, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseRelease(&area, Qt::LeftButton, {}, QPoint(280, 100));
    const Trwindow& shown = w.window.drawingWindow();
    const double shownWidth = shown.extxx - shown.extx;
    ASSERT_GT(shownWidth, 2 * (w.window.view().current.xmax - w.window.view().current.xmin));
    const double before = w.window.view().current.xmin;
    w.window.horizontalBar().triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QApplication::processEvents();
    EXPECT_NEAR(w.window.view().current.xmin, before + shownWidth * 0.05, 1e-9);
}

} // namespace

namespace {

// A new program's picture holds its own path: the screen, a repaint and the copy (which
// the print replays alike) show nothing of the program run before it.
TEST(MainWindow, ANewProgramsPictureHoldsItsPathAlone)
{
    ShownWindow w;
    w.loadBracket();
    w.runToEnd();
    ASSERT_TRUE(w.drawnNear(2.0, 3.0)); // the bracket's top edge
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    w.runToEnd();
    EXPECT_TRUE(w.drawnNear(2.0, 0.5)); // the facing cut
    EXPECT_FALSE(w.drawnNear(2.0, 3.0));
    w.window.RepaintDrawing();
    EXPECT_TRUE(w.drawnNear(2.0, 0.5));
    EXPECT_FALSE(w.drawnNear(2.0, 3.0));
    const QImage copy = w.window.PictureImage();
    EXPECT_TRUE(w.drawnNear(copy, 2.0, 0.5));
    EXPECT_FALSE(w.drawnNear(copy, 2.0, 3.0));
}

// Runs python3 with the arguments, in a session of its own; its output, or nothing when
// it failed.
std::optional<std::string> Python(const QStringList& arguments)
{
    QProcess python;
    python.setChildProcessModifier([] { ::setsid(); });
    python.start("/usr/bin/python3", arguments);
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0)
        return std::nullopt;
    return python.readAllStandardOutput().toStdString();
}

bool HaveEzdxf() { return Python({"-c", "import ezdxf"}).has_value(); }

// The number of entities ezdxf reads in a DXF drawing.
std::string EzdxfEntities(const std::string& file)
{
    return Python({"-c", "import ezdxf, sys; print(len(ezdxf.readfile(sys.argv[1]).modelspace()))",
                   QString::fromStdString(file)})
        .value_or("unreadable");
}

// Auto-Fit draws an ended run again in the fitted view; the drawing, the motion file and
// the listing keep each move once.
TEST(MainWindow, AutoFitAfterARunWritesNoMoveTwice)
{
    if (!HaveEzdxf())
        GTEST_SKIP() << "python3-ezdxf is not installed";
    ShownWindow w;
    w.loadBracket();
    const std::string path = w.folder.file("PATH.DXF");
    ASSERT_TRUE(StartDxfOutput(w.window, path));
    w.runToEnd();
    const std::string entities = EzdxfEntities(path);
    ASSERT_EQ(entities, "39\n"); // BRACKET's 39 elements, its YZ arc among them
    w.window.session().motion.flush();
    const std::string motion = w.folder.read("VORK.MOT");
    ASSERT_FALSE(motion.empty());
    for (int fit = 1; fit <= 2; ++fit) {
        SCOPED_TRACE(fit);
        w.window.AutoFit();
        EXPECT_EQ(EzdxfEntities(path), entities);
        w.window.session().motion.flush();
        const std::string after = w.folder.read("VORK.MOT");
        EXPECT_EQ(after.size(), motion.size());
        EXPECT_TRUE(after == motion);
    }
}

// Pixels of the screen that the path's replay leaves blank, within `radius` world units
// of a point: a tool's picture there. (Where a path line crossed an animated picture the
// line may differ, which this leaves out.)
int ToolPixelsNear(ShownWindow& w, double x, double y, double radius)
{
    const QImage replay = w.window.PictureImage();
    const QImage& screen = w.window.canvas().image();
    int cx = 0, cy = 0, edge = 0, unused = 0;
    w.window.drawingWindow().WorldtoPC(x, y, cx, cy);
    w.window.drawingWindow().WorldtoPC(x + radius, y, edge, unused);
    const int r = std::abs(edge - cx) + 2;
    int differing = 0;
    for (int px = cx - r; px <= cx + r; ++px)
        for (int py = cy - r; py <= cy + r; ++py)
            if (screen.valid(px, py) && replay.pixel(px, py) == qRgb(255, 255, 255) &&
                screen.pixel(px, py) != qRgb(255, 255, 255))
                ++differing;
    return differing;
}

// The tool's picture leaves the screen with the tool: at the stop for a tool change,
// before Start; and Show Tool Image off takes it off at once, also at a pause.
TEST(MainWindow, TheToolsPictureGoesWhenTheToolGoesOrTheImageIsTurnedOff)
{
    ShownWindow w;
    w.loadBracket();
    w.window.settings().dash = false;
    const TToolImage& picture = w.window.toolImage().picture();
    w.window.Start(); // to the first tool
    w.window.Start(); // the end mill's part, to the stop for the next tool
    const double millX = w.window.session().state.CurX, millY = w.window.session().state.CurY;
    EXPECT_FALSE(picture.HasLastPosition());
    EXPECT_EQ(ToolPixelsNear(w, millX, millY, 0.3), 0);

    // Stopped in the middle of the drill's part: the drill is shown until the image is
    // turned off. Stop is pressed at the pacing wait of the next part's fourth block.
    const auto startAndStopAtTheFourthBlock = [](ShownWindow& shown) {
        struct StopAtBlock : platform::EventPump {
            TRunState* state = nullptr;
            int waits = 0;
            void processEvents() override {}
            void waitPumping(int) override
            {
                state->PacingTick = true;
                if (++waits == 4)
                    state->StopRequest = true;
            }
        } stopper;
        stopper.state = &shown.window.session().state;
        platform::EventPump* pump = shown.window.session().services.pump;
        shown.window.session().services.pump = &stopper;
        shown.window.settings().speed = 1;
        shown.window.Start();
        shown.window.session().services.pump = pump;
        shown.window.settings().speed = 0;
    };
    startAndStopAtTheFourthBlock(w);
    ASSERT_FALSE(w.window.session().state.EndOfProgram);
    ASSERT_TRUE(picture.HasLastPosition());
    const double drillX = picture.LastX(), drillY = picture.LastY();
    ASSERT_GT(ToolPixelsNear(w, drillX, drillY, 0.2), 0);
    w.window.showToolImageAction->trigger();
    EXPECT_FALSE(w.window.settings().showTool);
    EXPECT_FALSE(w.window.showToolImageAction->isChecked());
    EXPECT_EQ(ToolPixelsNear(w, drillX, drillY, 0.2), 0);

    // Not animated, the pictures stay where the tool went until the image is turned off.
    ShownWindow still;
    still.loadBracket();
    still.window.settings().dash = false;
    still.window.settings().animateTool = false;
    still.window.Start(); // to the first tool
    startAndStopAtTheFourthBlock(still);
    ASSERT_FALSE(still.window.session().state.EndOfProgram);
    // Pixels of the screen that the path's replay leaves blank, anywhere.
    const auto anywhere = [&] {
        const QImage replay = still.window.PictureImage();
        const QImage& screen = still.window.canvas().image();
        int differing = 0;
        for (int y = 0; y < screen.height() && y < replay.height(); ++y)
            for (int x = 0; x < screen.width() && x < replay.width(); ++x)
                differing += replay.pixel(x, y) == qRgb(255, 255, 255) && screen.pixel(x, y) != qRgb(255, 255, 255);
        return differing;
    };
    ASSERT_GT(anywhere(), 0);
    still.window.showToolImageAction->trigger();
    EXPECT_EQ(anywhere(), 0);
}

// A tool without an operation has no picture; after a lathe, a mill's view shows no
// lathe tool.
TEST(MainWindow, OnlyTheToolInTheSpindleIsShown)
{
    ShownWindow w;
    w.loadBracket();
    w.window.settings().dash = false; // rapids, whose dashes a replay may set apart, are not drawn
    w.window.Start(); // to the first tool
    w.window.Start(); // the end mill's part
    w.window.Start(); // the drill's part
    const TToolImage& picture = w.window.toolImage().picture();

    // FACE's T4 has no operation in the job, so it has no picture: the drill's is not
    // drawn for it.
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    w.window.Start();
    w.window.Start(); // the face mill's part
    EXPECT_EQ(picture.ElementCount(), 1); // no element
    const auto& run = w.window.session().state;
    EXPECT_EQ(ToolPixelsNear(w, run.CurX, run.CurY, 0.2), 0);

    w.loadShaftOnTheLathe();
    w.window.Start();
    w.window.Start(); // the turning tool's part
    ASSERT_TRUE(w.window.LoadMachine(w.folder.file("MILL.MCH")));
    EXPECT_EQ(w.window.viewCombo().currentIndex(), ViewXY);
    EXPECT_EQ(w.window.canvas().image(), w.window.PictureImage());
}

// After a lathe's run, loading a mill leaves nothing of the lathe's path to replay and
// readouts that show no lathe tool.
TEST(MainWindow, AnotherMachineShowsNothingOfTheLastOnesRun)
{
    ShownWindow w;
    const std::string displayFile = w.window.workFolder() + "DVW.DI~";
    // The display file as it stands on the disk (a picture of it pushes it there).
    const auto recorded = [&] {
        w.window.PictureImage();
        return platform::readFileBytes(displayFile).value_or("unreadable").size();
    };
    const auto blank = recorded();
    w.loadShaftOnTheLathe();
    w.runToEnd();
    ASSERT_NE(recorded(), blank);
    ASSERT_NE(w.window.session().state.Tool, 0);

    ASSERT_TRUE(w.window.LoadMachine(w.folder.file("MILL.MCH")));
    EXPECT_EQ(recorded(), blank);
    w.window.SelectView(ViewXY); // a repaint replays the display file
    EXPECT_EQ(w.window.canvas().image(), w.window.PictureImage());
    ASSERT_NE(w.window.runFeedback, nullptr);
    w.window.runFeedback->showReadouts();
    const auto label = [&](const char* name) { return w.window.findChild<QLabel*>(name)->text().toStdString(); };
    EXPECT_EQ(label("toolReadout"), "T0");
    EXPECT_EQ(label("toolShapeReadout"), "");
    EXPECT_EQ(label("positionY").substr(0, 1), "Y"); // a mill's, not a diameter
}

// Start, Single and Stop answer Alt with their letter, which no menu takes; Stop also
// while a run waits.
TEST(MainWindow, TheRunButtonsAnswerTheirKeys)
{
    ShownWindow w;
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.window.LoadFile(w.folder.file("FACE.TAP"));
    bool stopped = false, closed = false;
    QTimer::singleShot(50, &w.window, [&] {
        stopped = w.window.runControl().Active();
        QTest::keyClick(&w.window, Qt::Key_P, Qt::AltModifier);
    });
    // Should Alt+P not end the wait, closing ends it and the test fails instead of hanging.
    QTimer::singleShot(5000, &w.window, [&] {
        closed = true;
        w.window.close();
    });
    QTest::keyClick(&w.window, Qt::Key_G, Qt::AltModifier); // waits before the first block
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(w.window.runControl().Active());
    EXPECT_EQ(w.window.session().state.BlockCount, 0);

    w.prompter.buttons = {platform::Button::No};
    QTest::keyClick(&w.window, Qt::Key_T, Qt::AltModifier);
    EXPECT_GT(w.window.session().state.BlockCount, 0);
}

// The title names the program once: desktop platforms add the application's display
// name, when one is set, to every window title.
TEST(MainWindow, TheTitleNamesTheProgramOnce)
{
    ProgramFolder p;
    p.folder.write("BRACKET.TAP", exampleFile("BRACKET.TAP"));
    AnalyzerStart start({}, p.folder.path(), false, &p.prompter);
    start.window().LoadFile(p.folder.file("BRACKET.TAP"));
    const QString title = start.window().windowTitle();
    const QString display = QGuiApplication::applicationDisplayName();
    const bool added = display != QCoreApplication::applicationName() && display != title;
    const QString shown = added ? title + " \u2014 " + display : title;
    EXPECT_EQ(shown.count("Vork Analyzer 2013"), 1) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("BRACKET.TAP")) << shown.toStdString();
}

} // namespace
