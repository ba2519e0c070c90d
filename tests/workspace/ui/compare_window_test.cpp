#include "workspace/ui/compare_window.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/qt/latin1.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "program_folder_rig.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/compare_grid_model.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/summary_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <deque>
#include <utime.h>

namespace {

constexpr std::time_t Now = 1700100000;

std::string numbered(int count, const std::function<std::string(int)>& line)
{
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += line(i) + "\r\n";
    return out;
}

struct CompareWindowTest : ::testing::Test {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    std::deque<QString> opens, saves;
    std::vector<std::vector<std::string>> printed;
    bool printerWorks = true;
    std::int64_t clockMs = 0;
    std::function<void()> onClock;
    std::unique_ptr<TGridForm> form;

    CompareWindowHooks hooks()
    {
        CompareWindowHooks h;
        h.openFile = [this](QWidget*, const QString&, const QString&, const QString&) { return next(opens); };
        h.saveFile = [this](QWidget*, const QString&, const QString&, const QString&) { return next(saves); };
        h.choosePrinter = [](QPrinter&, QWidget*) { return true; };
        h.printLines = [this](QPrinter&, const std::vector<std::string>& lines, const QFont&, QString*) {
            printed.push_back(lines);
            return printerWorks;
        };
        h.clock = [this] {
            if (onClock)
                onClock();
            return clockMs += 100;
        };
        h.now = [] { return Now; };
        h.prompter = &prompter;
        h.optionsFile = folder.file("MRW2013.INI");
        return h;
    }

    static QString next(std::deque<QString>& queue)
    {
        if (queue.empty())
            return {};
        QString s = queue.front();
        queue.pop_front();
        return s;
    }

    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        form = std::make_unique<TGridForm>(hooks());
        form->show();
    }

    std::string write(const std::string& name, const std::string& text, std::time_t date = Now - 3600)
    {
        folder.write(name, text);
        const utimbuf times{date, date};
        utime(folder.file(name).c_str(), &times);
        return folder.file(name);
    }

    void drop(const QStringList& names)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& n : names)
            urls << QUrl::fromLocalFile(n);
        mime.setUrls(urls);
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        // Straight to the window: the application routes drops to the target of a running drag.
        static_cast<QObject*>(form.get())->event(&event);
    }

    // A pair with three difference blocks: an edit at 3, two added lines after 10, a deleted line at 20.
    void comparePair()
    {
        std::string older, newer;
        for (int i = 1; i <= 30; ++i) {
            const std::string line = "N" + std::to_string(i) + " X" + std::to_string(i);
            older += line + "\r\n";
            if (i != 25)
                newer += (i == 3 ? std::string("N3 X3.5") : line) + "\r\n";
            if (i == 10)
                newer += "M00\r\nM01\r\n";
        }
        opens = {QString::fromStdString(write("NEW.TAP", newer)),
                 QString::fromStdString(write("OLD.TAP", older, Now - 7200))};
        form->OpenFilesClick();
        ASSERT_EQ(form->compareState(), 4);
    }

    std::vector<int> selectedRows() const
    {
        std::vector<int> rows;
        for (const QModelIndex& i : form->DiffGrid()->selectionModel()->selectedRows())
            rows.push_back(i.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    std::string codes() const
    {
        std::string out;
        for (const auto& r : form->compare().Rows())
            out += r.code;
        return out;
    }
};

} // namespace

TEST_F(CompareWindowTest, StatesEnableTheCommandsAsTheTableSays)
{
    struct Row {
        int state;
        bool open, run, summary;
        const char* caption;
    };
    for (const Row r : {Row{0, true, false, false, "&Compare"}, Row{1, true, true, false, "&Compare"},
                        Row{2, false, false, false, "&Compare"}, Row{3, false, true, false, "&Cancel"},
                        Row{4, true, true, true, "&Compare"}}) {
        SCOPED_TRACE(r.state);
        form->tabs()->setCurrentIndex(2);
        form->SetCompareState(r.state);
        EXPECT_EQ(form->OpenFilesBtn()->isEnabled(), r.open);
        EXPECT_EQ(form->action("&Open Files...")->isEnabled(), r.open);
        EXPECT_EQ(form->RunBtn()->isEnabled(), r.run);
        EXPECT_EQ(form->action("&Compare the Files")->isEnabled(), r.run);
        EXPECT_EQ(form->SummaryBtn()->isEnabled(), r.summary);
        EXPECT_EQ(form->action("File &2 (Previous)...")->isEnabled(), r.summary);
        EXPECT_EQ(form->RunBtn()->text(), r.caption);
        EXPECT_EQ(form->tabs()->currentIndex(), 0);
        EXPECT_FALSE(form->DownButton()->isEnabled()); // no differences found yet
    }
}

TEST_F(CompareWindowTest, ThreeDroppedFiles)
{
    const std::string older = write("A.TAP", "X1\r\n", Now - 90000);
    const std::string newer = write("B.TAP", "X2\r\n", Now);
    const std::string third = write("C.TAP", "X3\r\n");
    drop({QString::fromStdString(older), QString::fromStdString(newer)});
    EXPECT_EQ(form->compareState(), 1);
    EXPECT_EQ(form->file1(), newer); // the newer file is file 1
    EXPECT_EQ(form->file2(), older);
    EXPECT_EQ(form->status(), "  READY");

    drop({QString::fromStdString(third)});
    EXPECT_EQ(form->file1(), third);
    EXPECT_EQ(form->file2(), "");
    EXPECT_EQ(form->status().toStdString(), "  Received: " + third);
    EXPECT_EQ(form->compareState(), 0);

    // The summary was started in the order the files came: the first is the older.
    drop({QString::fromStdString(newer)});
    form->CompareClick();
    form->SummaryBtnClick();
    const auto lines = form->summaryDialog()->lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[1], "C.TAP compared to B.TAP");
    EXPECT_EQ(lines[2], "C.TAP is older by 1.0 hours");
}

TEST_F(CompareWindowTest, RefusedAndEmptyAndUnreadableFiles)
{
    const std::string good = write("A.TAP", "X1\r\n");
    const std::string picture = write("P.BMP", "BM");
    const std::string empty = write("E.TAP", "");
    drop({QString::fromStdString(good), QString::fromStdString(picture)});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Non-ASCII Files can't be analyzed.\n(in this version)");
    EXPECT_EQ(form->compareState(), 0);

    drop({QString::fromStdString(empty)}); // file 1 is still the first one
    form->CompareClick();
    EXPECT_EQ(prompter.shown.back().text, "Empty file(s) ???");
    EXPECT_EQ(form->compareState(), 1);

    std::remove(empty.c_str());
    form->CompareClick();
    EXPECT_EQ(prompter.shown.back().text, "Cannot load file: " + empty + "\n to source list for processing.");
    EXPECT_EQ(form->compareState(), 0);
    EXPECT_EQ(form->file1(), "");
    EXPECT_EQ(form->status(), "");
}

TEST_F(CompareWindowTest, DownTopAndTheFirstBlockAfterACompare)
{
    comparePair();
    EXPECT_EQ(codes(), "EeIID");
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 1}));
    form->DownButtonClick();
    EXPECT_EQ(selectedRows(), (std::vector<int>{2, 3}));
    form->DownButtonClick();
    EXPECT_EQ(selectedRows(), (std::vector<int>{4}));
    const int beeps = prompter.beeps;
    form->DownButtonClick();
    EXPECT_EQ(prompter.beeps, beeps + 1);
    EXPECT_EQ(selectedRows(), (std::vector<int>{4}));
    form->TopButtonClick();
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(form->status(), "  There are 3 differences.");
}

TEST_F(CompareWindowTest, RightClickOnALineNumberOpensTheListingAtThatLine)
{
    comparePair();
    QTableView* grid = form->DiffGrid();
    const QRect line2 = grid->visualRect(form->gridModel()->index(0, mrw::Line2Column)); // "Edit" row of file 2
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, line2.center());
    TSummaryDlg* listing = form->summaryDialog();
    EXPECT_TRUE(listing->isVisible());
    EXPECT_EQ(listing->windowTitle().toStdString(), "Listing for:  " + folder.file("OLD.TAP"));
    EXPECT_EQ(listing->SummaryMemo()->textCursor().selectedText(), "  3: N3 X3");
    EXPECT_EQ(selectedRows(), std::vector<int>{0});

    const int beeps = prompter.beeps;
    const QRect text = grid->visualRect(form->gridModel()->index(2, mrw::TextColumn));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, text.center());
    EXPECT_EQ(prompter.beeps, beeps + 1);
}

TEST_F(CompareWindowTest, CutRemovesExactlyTheSelectedRows)
{
    comparePair();
    form->DiffGrid()->selectionModel()->select(
        QItemSelection(form->gridModel()->index(1, 0), form->gridModel()->index(3, 4)),
        QItemSelectionModel::ClearAndSelect);
    form->DeleteClick();
    EXPECT_EQ(codes(), "ED");
    EXPECT_EQ(form->status(), "  3 Lines copied");
    EXPECT_EQ(QApplication::clipboard()->text(), "Lines:  003/ to 012/\nN3 X3.5\nM00\nM01");
}

TEST_F(CompareWindowTest, CancelIsOfferedAfterThreeSecondsAndEndsTheRun)
{
    const std::string a = write("A.TAP", numbered(2000, [](int i) { return "N" + std::to_string(i); }));
    const std::string b = write("B.TAP", numbered(2000, [](int i) { return "N" + std::to_string(i); }));
    drop({QString::fromStdString(a), QString::fromStdString(b)});
    const std::string c = write("C.TAP", "X\r\n");
    std::vector<int> states;
    QString captionWhenOffered;
    onClock = [&] {
        states.push_back(form->compareState());
        if (form->compareState() == 2)
            form->DropFiles({QString::fromStdString(c)}); // ignored while comparing
        if (form->compareState() == 3 && captionWhenOffered.isEmpty()) {
            captionWhenOffered = form->RunBtn()->text();
            form->RunBtn()->click();
        }
    };
    form->CompareClick();
    onClock = {};
    EXPECT_EQ(captionWhenOffered, "&Cancel");
    const auto firstOffered = std::find(states.begin(), states.end(), 3) - states.begin();
    EXPECT_EQ(firstOffered, 31); // the start, then 30 steps of 100 ms
    EXPECT_EQ(form->compareState(), 0);
    EXPECT_EQ(form->gridModel()->rowCount(), 0);
    EXPECT_EQ(form->file2(), b);
    EXPECT_EQ(form->status(), "");
}

TEST_F(CompareWindowTest, OptionsAreWrittenOnCloseAndReadBack)
{
    form->action("&Case Sensitive")->trigger();
    form->action("&Label Blank Lines")->trigger();
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>())
        if (b->text() == "Ad&jacent matching lines" || b->text() == "&Second file lines only")
            b->click();
    form->close();
    platform::IniFile ini(folder.file("MRW2013.INI"));
    EXPECT_EQ(ini.readString("Match Options", "Case Sensitive"), "1");
    EXPECT_EQ(ini.readString("Output Options", "Display Matches"), "2");
    EXPECT_EQ(ini.readString("Output Options", "Display Differences"), "2");
    EXPECT_EQ(ini.readString("Source Paths", "Source1 Path"), platform::currentFolder());

    TGridForm again(hooks());
    EXPECT_TRUE(again.action("&Case Sensitive")->isChecked());
    EXPECT_TRUE(again.action("&Label Blank Lines")->isChecked());
    EXPECT_FALSE(again.action("&Exclude Leading Whitespace")->isChecked());
    EXPECT_EQ(again.options().DisplayMatches, 2);
    EXPECT_EQ(again.options().DisplayDifferences, 2);
}

TEST_F(CompareWindowTest, DifferenceListAndSummaryAreSavedAndPrinted)
{
    comparePair();
    saves = {QString::fromStdString(folder.file("NEW.dif"))};
    form->SaveDifferenceListClick();
    const std::string list = folder.read("NEW.dif");
    EXPECT_EQ(list.rfind("Source Difference List as of: ", 0), 0u);
    EXPECT_NE(list.find("\r\n---\r\n  2    Add    011         M00\r\n"), std::string::npos);
    EXPECT_EQ(form->status().toStdString(),
              "  Difference list for " + folder.file("NEW.TAP") + " saved to NEW.dif");

    form->PrintClick();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(platform::joinLinesCrLf(printed[0]), list);

    form->SummaryBtnClick();
    form->SummaryBtnClick();
    TSummaryDlg* summary = form->summaryDialog();
    const auto text = summary->lines();
    EXPECT_EQ(std::count(text.begin(), text.end(), "Comments:"), 2);
    saves = {QString::fromStdString(folder.file("S.lst"))};
    summary->SaveBtnClick();
    EXPECT_EQ(folder.read("S.lst").rfind("Summary as of: 16-Nov-2023", 0), 0u);
    summary->PrintBtnClick();
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[1].back(), "\f");

    printerWorks = false;
    form->PrintClick();
    EXPECT_EQ(prompter.shown.back().text, "Error on output of list to PRN");
    saves = {QString::fromStdString(folder.file("no/such/folder/x.dif"))};
    form->SaveDifferenceListClick();
    EXPECT_EQ(prompter.shown.back().text, "Error on output of list to " + folder.file("no/such/folder/x.dif"));

    summary->SummaryMemo()->moveCursor(QTextCursor::Start);
    summary->CopyBtnClick();
    EXPECT_EQ(prompter.shown.back().text, "Select a block of text to copy.");
}

// The main window's command: one window, the editor font, and options beside the
// Windows directory's files, not in the program's own settings file.
TEST(CompareWindowEntry, ShowsOneWindowWithTheEditorFont)
{
    testsupport::ProgramFolderRig rig{"WPOSTS.INI", "MRW2013.INI"};
    testsupport::TempFolder& program = rig.program;
    testsupport::TempFolder& windows = rig.windows;
    const std::string programSettings = program.read("MRW2013.INI");
    testsupport::ScriptedPrompter prompter;
    {
        TMainForm form({}, &prompter);
        form.show();
        ShowCompareWindow(form, {});
        auto* window = form.findChild<TGridForm*>();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "Marrowin -- File Compare");
        EXPECT_EQ(window->DiffGrid()->font(), form.editorFont());
        EXPECT_EQ(window->DiffGrid()->verticalHeader()->defaultSectionSize(),
                  2 * QFontMetrics(form.editorFont()).boundingRect("Hg").height());
        window->close();
        ShowCompareWindow(form, {});
        EXPECT_EQ(form.findChildren<TGridForm*>().size(), 1);
        window->close();
        EXPECT_TRUE(platform::IniFile(windows.file("MRW2013.INI")).hasSection("Match Options"));
        EXPECT_EQ(program.read("MRW2013.INI"), programSettings);
        form.close();
    }
}
