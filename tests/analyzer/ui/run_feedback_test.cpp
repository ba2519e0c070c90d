#include "analyzer/ui/run_feedback.h"

#include "analyzer/engine/run_state.h"
#include "analyzer/ui/coordinate_readout.h"
#include "analyzer/ui/error_dialog.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/time_graph_dialog.h"
#include "analyzer/ui/window_commands.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace vork;

namespace {

// Runs `action` on the dialog once it is showing modally.
void whenShown(QWidget& dialog, std::function<void()> action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        if (!dialog.isVisible()) {
            whenShown(dialog, action);
            return;
        }
        action();
    });
}

QBarSet* barSet(TTimeGraphDlg& dialog)
{
    const auto series = dialog.chart().series();
    if (series.size() != 1)
        return nullptr;
    const auto sets = static_cast<QBarSeries*>(series.front())->barSets();
    return sets.size() == 1 ? sets.front() : nullptr;
}

QString pdfText(const std::string& file)
{
    QProcess text;
    text.start("pdftotext", {QString::fromStdString(file), "-"});
    text.waitForFinished(20000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

void book(TRunState& s, int tool, float minutes)
{
    auto& row = s.ToolTimes.rows[static_cast<std::size_t>(++s.ToolTimes.count)];
    row.tool = tool;
    row.time = minutes;
    s.TotalTime += minutes;
}

} // namespace

TEST(TimeGraph, ChartOfTheTable)
{
    TRunState s;
    s.NCFileName = "/tapes/BRACKET.TAP";
    book(s, 1, 1.5f);
    book(s, 1, 0.5f);
    book(s, 2, 3.0f);
    book(s, 3, 1.0f);
    TTimeGraphDlg dialog(s);
    EXPECT_EQ(dialog.windowTitle(), "Cycle Time -- By Tool");
    dialog.show();
    EXPECT_EQ(dialog.chart().title(), "File : BRACKET.TAP<br>Cycle Time By Tool<br>Total Time: 00:06:00");
    QBarSet* set = barSet(dialog);
    ASSERT_TRUE(set);
    ASSERT_EQ(set->count(), 3);
    EXPECT_DOUBLE_EQ(set->at(0), 2.0);
    EXPECT_DOUBLE_EQ(set->at(1), 3.0);
    EXPECT_DOUBLE_EQ(set->at(2), 1.0);
    EXPECT_EQ(set->color(), QColor(Qt::blue));
    EXPECT_EQ(set->selectedColor(), QColor(0, 255, 0));
    EXPECT_EQ(set->selectedBars(), QList<int>{2}); // T1 and T2 blue, T3 lime
    EXPECT_EQ(dialog.findChild<QPushButton*>("BitBtn1")->toolTip(), "Print Graph");
    EXPECT_EQ(dialog.findChild<QPushButton*>("BitBtn2")->toolTip(), "Copy Graph to Clipboard");
    dialog.hide();

    // Shown again after another program's run: only that run's tools, on one pair of axes.
    s.ToolTimes.count = 0;
    s.TotalTime = 0;
    book(s, 4, 1.0f);
    book(s, 3, 2.0f);
    dialog.show();
    ASSERT_TRUE(barSet(dialog));
    EXPECT_EQ(barSet(dialog)->count(), 2);
    const auto axes = dialog.chart().axes();
    ASSERT_EQ(axes.size(), 2);
    const auto tools = dialog.chart().axes(Qt::Horizontal);
    ASSERT_EQ(tools.size(), 1);
    EXPECT_EQ(static_cast<QBarCategoryAxis*>(tools.front())->categories(), (QStringList{"T4", "T3"}));
    // What is drawn, not only the model: the earlier chart's axes are gone from the picture
    // although the dialog's own event loop (a nested one) never got round to deleting anything.
    testsupport::TempFolder folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("graph.pdf")));
    ASSERT_TRUE(dialog.PrintTo(printer));
    const QString printed = pdfText(folder.file("graph.pdf"));
    const QStringList lines = printed.split('\n');
    EXPECT_EQ(lines.count("Tool"), 1) << printed.toStdString();
    EXPECT_EQ(lines.count("Minutes"), 1) << printed.toStdString();
    EXPECT_FALSE(printed.contains("T1")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("T4")) << printed.toStdString();
    dialog.hide();

    // Shown again after a fresh run: nothing booked, no bars.
    s.ToolTimes.count = 0;
    s.TotalTime = 0;
    dialog.show();
    ASSERT_TRUE(barSet(dialog));
    EXPECT_EQ(barSet(dialog)->count(), 0);
}

TEST(TimeGraph, PrintsToPdfAndCopiesPictureAndSvg)
{
    testsupport::TempFolder folder;
    TRunState s;
    s.NCFileName = "BRACKET.TAP";
    book(s, 7, 2.0f);
    TTimeGraphDlg dialog(s);
    dialog.resize(640, 480);
    dialog.show();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("graph.pdf")));
    ASSERT_TRUE(dialog.PrintTo(printer));
    const QString printed = pdfText(folder.file("graph.pdf"));
    EXPECT_TRUE(printed.contains("Cycle Time By Tool")) << printed.toStdString();
    EXPECT_TRUE(printed.contains("File : BRACKET.TAP")) << printed.toStdString();

    QPrinter nowhere(QPrinter::HighResolution);
    nowhere.setOutputFormat(QPrinter::PdfFormat);
    nowhere.setOutputFileName(QString::fromStdString(folder.file("no/such/folder/graph.pdf")));
    EXPECT_FALSE(dialog.PrintTo(nowhere));

    QApplication::clipboard()->clear();
    dialog.CopyToClipboard();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->hasImage());
    const QByteArray svg = data->data("image/svg+xml");
    EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
}

TEST(ErrorDialog, ButtonsAndTheEditedBlock)
{
    TErrorDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "NC-Code Error");
    const struct {
        const char* what;
        std::function<void()> press;
        ErrorAnswer answer;
        std::string block;
    } cases[] = {
        {"Retry with an edit",
         [&] {
             dialog.Edline().setText("G01 X4. F10.");
             dialog.findChild<QPushButton*>("Retry")->click();
         },
         ErrorAnswer::Retry, "G01 X4. F10."},
        {"Enter is Abort",
         [&] {
             dialog.Edline().setText("G01 X4. F10.");
             QTest::keyClick(&dialog.Edline(), Qt::Key_Return);
         },
         ErrorAnswer::Abort, "G01 X5."},
        {"Ignore", [&] { dialog.findChild<QPushButton*>("Ignore")->click(); }, ErrorAnswer::Ignore, "G01 X5."},
        {"Esc closes unedited",
         [&] {
             dialog.Edline().setText("G01 X4. F10.");
             QTest::keyClick(&dialog, Qt::Key_Escape);
         },
         ErrorAnswer::Closed, "G01 X5."},
    };
    for (const auto& c : cases) {
        std::string block = "G01 X5.";
        std::string shownMessage, shownBlock;
        whenShown(dialog, [&] {
            shownMessage = dialog.ErLabel().text().toStdString();
            shownBlock = dialog.Edline().text().toStdString();
            c.press();
        });
        EXPECT_EQ(dialog.ShowError("-X- Axis over travel", block), c.answer) << c.what;
        EXPECT_EQ(block, c.block) << c.what;
        EXPECT_EQ(shownMessage, "-X- Axis over travel") << c.what;
        EXPECT_EQ(shownBlock, "G01 X5.") << c.what;
    }
}

TEST(CoordinateReadout, ToolWindowWithLedDigits)
{
    Tcreadout readout;
    EXPECT_EQ(readout.windowTitle(), "Coordinate Readout");
    EXPECT_TRUE(readout.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(readout.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(readout.Xlab().text(), "X   0.0000");
    EXPECT_EQ(readout.Zlab().text(), "Z   0.0000");
    // The LED font where fonts-dseg is installed, else a fixed-pitch one.
    const QFont font = readout.Xlab().font();
    if (QFile::exists("/usr/share/fonts/truetype/dseg/DSEG14Classic-Regular.ttf"))
        EXPECT_TRUE(font.family().startsWith("DSEG14")) << font.family().toStdString();
    else
        EXPECT_TRUE(QFontInfo(font).fixedPitch()) << font.family().toStdString();
    readout.ShowCoordinates({"X  1.0000", "Y -2.5000", "Z  0.1000"});
    EXPECT_EQ(readout.Ylab().text(), "Y -2.5000");
}

// ---- On the main window -----------------------------------------------------------

namespace {

struct ProgramWindow {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<Tmdvform> window;

    ProgramWindow()
    {
        const std::string mill = testsupport::exampleFile("Mill 1.MCH");
        folder.write("MILL.MCH", mill);
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\nPOSUP=1\r\n[DIRECTORIES]\r\nTAPEDIR=" +
                                   folder.path() + "\r\n");
        window = std::make_unique<Tmdvform>(folder.path(), &prompter);
        window->resize(1000, 700);
        window->show();
        QApplication::processEvents();
    }
    QString label(const char* name) { return window->findChild<QLabel*>(name)->text(); }
};

} // namespace

TEST(RunFeedbackOnTheWindow, StatusPanelReadoutAndErrorDialog)
{
    ProgramWindow w;
    ASSERT_TRUE(w.window->runFeedback);
    w.folder.write("P.TAP", "G00 X1. Y2. Z0.5\r\nG01 X3.\r\nT2\r\nM30\r\n");
    w.window->LoadFile(w.folder.file("P.TAP"));
    w.window->settings().edit = true;

    // The readout follows the run while the menu item has it on.
    w.window->readoutAction->trigger();
    Tcreadout& readout = w.window->runFeedback->readout();
    EXPECT_TRUE(readout.isVisible());
    EXPECT_TRUE(w.window->readoutVisible);

    TErrorDlg& errors = w.window->runFeedback->errorDialog();
    std::string message;
    whenShown(errors, [&] {
        message = errors.ErLabel().text().toStdString();
        errors.Edline().setText("G01 X3. F20.");
        errors.findChild<QPushButton*>("Retry")->click();
    });
    w.prompter.buttons = {platform::Button::No};
    w.window->Start(); // to the tool change
    EXPECT_EQ(message, "No feedrate specified S=0.,IPM=0.");
    EXPECT_EQ(readout.Xlab().text(), "X  3.0000");
    EXPECT_EQ(w.label("positionX"), "X3.0000");
    EXPECT_EQ(w.label("modeReadout"), "Linear");
    EXPECT_EQ(w.label("feedReadout"), "IPM20.00");
    EXPECT_EQ(w.label("toolReadout"), "T2");
    EXPECT_NE(w.label("totalTimeReadout"), "00:00:00");

    // View "Cycle Time Graph" shows the run's one booked segment.
    TTimeGraphDlg& graph = w.window->runFeedback->timeGraph();
    int bars = -1;
    whenShown(graph, [&] {
        bars = barSet(graph) ? barSet(graph)->count() : -1;
        graph.accept();
    });
    for (QAction* action : w.window->findChildren<QAction*>())
        if (action->text() == "Cycle Time &Graph") {
            action->trigger();
            break;
        }
    EXPECT_EQ(bars, 1);

    w.window->readoutAction->trigger();
    EXPECT_FALSE(readout.isVisible());
    EXPECT_FALSE(w.window->readoutVisible);
}

// A run gives its readouts far faster than labels follow: the latest reach the panel and
// the readout window while the run goes on, as soon as the window's events have a turn.
TEST(RunFeedbackOnTheWindow, ReadoutsFollowARunThatHasNotReturned)
{
    ProgramWindow w;
    RunFeedback& feedback = *w.window->runFeedback;
    w.window->readoutAction->trigger();
    TRunState s;
    s.Mode = ModeLinear;
    for (int i = 1; i <= 1000; ++i) {
        s.CurX = i;
        feedback.ShowStatus(TakeReadoutValues(s, false));
        feedback.ShowCoordinates(TakeReadoutValues(s, false));
    }
    QDeadlineTimer deadline(2000);
    while (w.label("positionX") != "X1000.0000" && !deadline.hasExpired())
        QTest::qWait(5);
    EXPECT_EQ(w.label("positionX"), "X1000.0000");
    EXPECT_EQ(w.label("modeReadout"), "Linear");
    EXPECT_EQ(feedback.readout().Xlab().text(), "X1000.0000");
}

namespace {

// Runs `command` from inside a running event loop, as a menu command runs in the program:
// what that loop was asked to delete later is then not deleted by a modal dialog's loop.
void fromEventLoop(const std::function<void()>& command)
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        command();
        loop.quit();
    });
    loop.exec();
}

} // namespace

TEST(RunFeedbackOnTheWindow, TheChartAfterAnotherProgramShowsOnlyThatRun)
{
    ProgramWindow w;
    w.folder.write("FIRST.TAP", "T1 M06\r\nG00 X1. Y1.\r\nT2 M06\r\nG00 X2.\r\nM30\r\n");
    w.folder.write("SECOND.TAP", "T4 M06\r\nG00 X1. Y1.\r\nT3 M06\r\nG00 X3.\r\nM30\r\n");
    TTimeGraphDlg& graph = w.window->runFeedback->timeGraph();
    const auto runAndShowChart = [&](const char* program, std::function<void()> whileShown) {
        w.window->LoadFile(w.folder.file(program));
        for (int presses = 0; presses < 10 && !w.window->session().state.EndOfProgram; ++presses) {
            w.prompter.buttons = {platform::Button::No};
            w.window->Start();
        }
        whenShown(graph, [&] {
            whileShown();
            graph.accept();
        });
        fromEventLoop([&] { ShowCycleTimeGraph(*w.window); });
    };
    runAndShowChart("FIRST.TAP", [] {});
    QString printed;
    runAndShowChart("SECOND.TAP", [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(w.folder.file("chart.pdf")));
        ASSERT_TRUE(graph.PrintTo(printer));
        printed = pdfText(w.folder.file("chart.pdf"));
    });
    const QStringList lines = printed.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.count("Tool"), 1) << printed.toStdString();
    EXPECT_EQ(lines.count("Minutes"), 1) << printed.toStdString();
    EXPECT_TRUE(lines.contains("T4") && lines.contains("T3")) << printed.toStdString();
    EXPECT_FALSE(lines.contains("T1") || lines.contains("T2")) << printed.toStdString();
}
