#include "analyzer/ui/operations_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/qt_canvas.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrinter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>

using namespace vork;

namespace {

TOperationRecord operation(int opnum, int tool, const char* description)
{
    TOperationRecord r = OperationTemplate();
    r.opnum = static_cast<std::int16_t>(opnum);
    r.toolnum = static_cast<float>(tool);
    r.offsetnum = static_cast<float>(tool);
    r.tooldia = 0.5f;
    r.p[0] = 2;
    r.desc[0] = description;
    return r;
}

struct Dialog {
    testsupport::ScriptedPrompter prompter;
    TOperationTable table;
    std::int16_t opSlot = 2;
    AnalyzerSettings settings;
    TOperationsdlg dialog{table, opSlot, settings, prompter, [] { return false; }};

    Dialog()
    {
        table.slot(1) = operation(10, 1, "FACE");
        table.slot(2) = operation(20, 2, "ROUGH");
        dialog.show();
    }
    QAbstractItemModel& model() { return *dialog.model(); }
    QModelIndex cell(int row, int column) { return model().index(row, column); }
    bool posted(int opnum)
    {
        for (int n = 1; n <= OperationSlots; ++n)
            if (table.slot(n).opnum == opnum)
                return TestFlagBit(table.slot(n).flags, 0);
        ADD_FAILURE() << "no operation " << opnum;
        return false;
    }
    template <typename T> T* control(const char* name) { return dialog.findChild<T*>(name); }
    void trigger(const char* menuText)
    {
        for (QAction* a : dialog.findChild<QMenuBar*>()->actions().first()->menu()->actions())
            if (a->text() == menuText)
                return a->trigger();
        ADD_FAILURE() << menuText;
    }
};

TEST(OperationsDialog, TheListEditsTheTableAndPostedMarksStayWithTheirOperations)
{
    Dialog d;
    EXPECT_EQ(d.model().rowCount(), 50);
    EXPECT_EQ(d.model().data(d.cell(0, 1)).toInt(), 10);
    EXPECT_EQ(d.model().data(d.cell(2, 1)), QVariant()) << "empty rows show nothing";
    EXPECT_EQ(d.model().data(d.cell(0, 3), Qt::BackgroundRole).value<QColor>(), paletteQColor(1));

    // Unchecking Post clears the bit of that operation's record.
    ASSERT_TRUE(d.model().setData(d.cell(1, 2), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(d.posted(20));
    EXPECT_TRUE(d.posted(10));

    // Op# 10 becomes 25: leaving the cell sorts, and the mark goes along.
    d.dialog.table()->setCurrentIndex(d.cell(0, 1));
    ASSERT_TRUE(d.model().setData(d.cell(0, 1), "25", Qt::EditRole));
    d.dialog.table()->setCurrentIndex(d.cell(0, 4));
    EXPECT_EQ(d.table.slot(1).opnum, 20);
    EXPECT_EQ(d.table.slot(2).opnum, 25);
    EXPECT_FALSE(d.posted(20));
    EXPECT_TRUE(d.posted(25));

    // Typing into an empty row below a gap takes the first empty slot.
    ASSERT_TRUE(d.model().setData(d.cell(4, 1), "30", Qt::EditRole));
    EXPECT_EQ(d.table.slot(3).opnum, 30);
    EXPECT_FLOAT_EQ(d.table.slot(3).toolnum, 2) << "a copy of the operation before it";

    // The Current mark and Delete Current: without a mark it says what is needed.
    d.trigger("&Delete Current");
    ASSERT_EQ(d.prompter.shown.size(), 1u);
    EXPECT_NE(d.prompter.shown[0].text.find("double click the Current cell"), std::string::npos);
    EXPECT_EQ(d.table.slot(1).opnum, 20);
    d.dialog.cellDoubleClicked(0, 0);
    EXPECT_EQ(d.table.MarkedOpnum, 20);
    EXPECT_EQ(d.model().data(d.cell(0, 0)).toString(), "Yes");
    d.prompter.buttons = {platform::Button::Yes};
    d.trigger("&Delete Current");
    EXPECT_EQ(d.table.slot(1).opnum, 25);
    EXPECT_EQ(d.opSlot, -1);
    EXPECT_TRUE(d.posted(25));
}

TEST(OperationsDialog, PagesLoadAndStoreTheOperationUnderEdit)
{
    Dialog d;
    d.dialog.table()->setCurrentIndex(d.cell(1, 0));
    d.dialog.pages()->setCurrentIndex(DetailsPage);
    EXPECT_EQ(d.control<QSpinBox>("opnum")->value(), 20);
    EXPECT_EQ(d.control<QLineEdit>("toolSize")->text(), "0.50000");
    d.control<QLineEdit>("desc1")->setText("FINISH");
    d.control<QLineEdit>("cornerRadius")->setText("0.4");
    emit d.control<QLineEdit>("cornerRadius")->editingFinished();
    EXPECT_EQ(d.control<QLineEdit>("cornerRadius")->text(), "0.25000");

    d.dialog.pages()->setCurrentIndex(ToolShapePage);
    EXPECT_EQ(d.control<QLabel>("previewLabel")->text(), "Tool Preview, Op# 20");
    EXPECT_EQ(d.control<QLineEdit>("p3")->text(), "0.25000");
    const QImage& preview = d.dialog.preview().image();
    int drawn = 0;
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x)
            drawn += preview.pixel(x, y) != preview.pixel(0, 0);
    EXPECT_GT(drawn, 50) << "the end mill is drawn";

    d.control<QLineEdit>("p1")->setText("600");
    emit d.control<QLineEdit>("p1")->editingFinished();
    EXPECT_EQ(d.control<QLineEdit>("p1")->text(), "1.0");

    d.dialog.pages()->setCurrentIndex(ListPage);
    EXPECT_TRUE(d.prompter.shown.empty());
    EXPECT_EQ(d.table.slot(2).desc[0], "FINISH");
    EXPECT_FLOAT_EQ(d.table.slot(2).cornerrad, 0.25f);
    EXPECT_FLOAT_EQ(d.table.slot(2).tooldia, 1.0f);
}

TEST(OperationsDialog, SavesRetrievesAndPrints)
{
    testsupport::TempFolder folder;
    Dialog d;
    d.dialog.chooseFile = [&folder](bool) { return folder.file("JOB.OPF"); };
    d.trigger("&Save File");
    EXPECT_EQ(std::filesystem::file_size(folder.file("JOB.OPF")), 2 * OperationRecordSize);
    d.prompter.buttons = {platform::Button::Yes};
    d.trigger("Delete &All");
    EXPECT_TRUE(d.table.slot(1).empty());
    d.trigger("&Retrieve File");
    EXPECT_EQ(d.model().data(d.cell(1, 4)).toString(), "ROUGH");
    EXPECT_EQ(d.table.RecentFiles.first(), folder.file("JOB.OPF"));

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("OPS.PDF")));
    d.dialog.PrintTo(printer);
    EXPECT_GT(std::filesystem::file_size(folder.file("OPS.PDF")), 1000u);
}

TEST(OperationsDialog, TheViewMenuShowsItModallyOverTheMainWindow)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("ZV.INI", "[DV]\r\nSPEED=0\r\n");
    Tmdvform window(folder.path(), &prompter);
    window.operations().slot(1) = operation(10, 1, "FACE");
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<TOperationsdlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        EXPECT_EQ(dialog->model()->data(dialog->model()->index(0, 4)).toString(), "FACE");
        dialog->model()->setData(dialog->model()->index(0, 2), Qt::Unchecked, Qt::CheckStateRole);
        dialog->close();
    });
    ShowOperationsManager(window);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(TestFlagBit(window.operations().slot(1).flags, 0)) << "closed with the mark cleared";
}

} // namespace
