#include "workspace/ui/edit_commands.h"
#include "workspace/ui/find_dialogs.h"
#include "workspace/ui/insert_commands.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/print_commands.h"
#include "workspace/ui/search_commands.h"
#include "workspace/ui/special_open_dialog.h"
#include "workspace/ui/window_commands.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "program_folder_rig.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;
using testsupport::example;
using testsupport::settle;

namespace {

class ScriptedOpen : public FileDialogs {
public:
    std::deque<QStringList> opens;
    QStringList openFiles(QWidget*, const QString&, const QString&) override
    {
        if (opens.empty())
            return {};
        auto answer = opens.front();
        opens.pop_front();
        return answer;
    }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&,
                     const QString&) override
    {
        return {};
    }
};

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class EditorCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        auto dialogs = std::make_unique<ScriptedOpen>();
        files = dialogs.get();
        form->setFileDialogs(std::move(dialogs));
        form->show();
        settle();
    }
    void TearDown() override
    {
        form.reset();
    }

    // A child with `text` (CR LF lines), caret at the top.
    TMDIChild* openText(const std::string& name, const std::string& text)
    {
        program.write(name, text);
        EXPECT_TRUE(form->openOne(program.file(name), false));
        settle();
        return form->activeChild();
    }
    EditorPane* pane() const { return form->activeChild()->ActivePane; }
    std::string text() const { return form->activeChild()->Editor1->bytes(); }
    int caretLine() const
    {
        int line = 0;
        int index = 0;
        pane()->getCursorPosition(&line, &index);
        return line;
    }
    bool shown(const std::string& what) const
    {
        for (const auto& s : prompter.shown)
            if (s.text.find(what) != std::string::npos)
                return true;
        return false;
    }

    testsupport::ProgramFolderRig rig{"WPOSTS.INI", "MRW2013.INI", "BRACKET.TAP"};
    TempFolder& program = rig.program;
    TempFolder& windows = rig.windows;
    ScriptedPrompter prompter;
    ScriptedOpen* files = nullptr;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(EditorCommandsTest, FindNextTFindsAnyCaseAndF3AndCtrlTRepeatIt)
{
    openText("T.TAP", "N1 G00\r\nN2 t1 M06\r\nN3 T2\r\nN4 T3\r\n");
    SearchCommands& search = *form->searchCommands();
    search.FindNextT1Click();
    EXPECT_EQ(pane()->selectedText(), "t");
    EXPECT_EQ(caretLine(), 1);
    EXPECT_EQ(search.findText(), "T");

    // F3 and Ctrl+T reach the menu, not the pane's own key commands.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    pane()->setFocus();
    settle();
    EXPECT_TRUE(form->menuAction("Find &next")->isEnabled());
    QTest::keyClick(pane(), Qt::Key_F3);
    EXPECT_EQ(caretLine(), 2);
    const std::string before = text();
    QTest::keyClick(pane(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(caretLine(), 3);
    EXPECT_EQ(text(), before); // no line swapped
    QTest::keyClick(pane(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(shown("Search string 'T' not found"));
}

TEST_F(EditorCommandsTest, FindDialogOptionsAndReplace)
{
    openText("R.TAP", "X1. x2. XX3.\r\nX4.\r\n");
    SearchCommands& search = *form->searchCommands();
    TFindDialog* find = search.findDialog();
    find->setFindText("x");
    find->matchCaseBox()->setChecked(true);
    search.Find1Click();
    EXPECT_EQ(find->pos(), QPoint(150, 150));
    find->findNextButton()->click();
    EXPECT_FALSE(find->isVisible()); // the Find box closes itself
    EXPECT_EQ(pane()->selectedText(), "x");
    EXPECT_EQ(pane()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 4);
    // F3 keeps match case: the next "x" is not there.
    search.FindNext1Click();
    EXPECT_TRUE(shown("Search string 'x' not found"));

    // Replace All from the caret (at the top), in one undo step.
    pane()->setCursorPosition(0, 0);
    TReplaceDialog* replace = search.replaceDialog();
    search.Replace1Click();
    replace->findEdit()->setText("X");
    replace->replaceEdit()->setText("U");
    replace->replaceAllButton()->click();
    EXPECT_EQ(text(), "U1. U2. UU3.\r\nU4.\r\n");
    EXPECT_TRUE(replace->isVisible());
    pane()->undo();
    EXPECT_EQ(text(), "X1. x2. XX3.\r\nX4.\r\n");

    // Replace: the match at the caret, then the next one is selected.
    pane()->setCursorPosition(0, 0);
    replace->matchCaseBox()->setChecked(true);
    replace->replaceEdit()->setText("YY");
    replace->replaceButton()->click();
    EXPECT_EQ(text(), "YY1. x2. XX3.\r\nX4.\r\n");
    EXPECT_EQ(pane()->selectedText(), "X");
    EXPECT_EQ(pane()->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), 9);
    // Its Find Next becomes the Find box's text.
    replace->findEdit()->setText("x2");
    replace->findNextButton()->click();
    EXPECT_EQ(search.findText(), "x2");

    prompter.shown.clear();
    replace->findEdit()->setText("NOWHERE");
    replace->replaceAllButton()->click();
    EXPECT_TRUE(shown("Search string 'NOWHERE' not found"));
}

TEST_F(EditorCommandsTest, StripTabsFromTheCaretAndGoToLine)
{
    openText("S.TAP", "A\tB\r\nC\tD\t\r\nE\r\n");
    pane()->setCursorPosition(1, 0);
    form->insertCommands()->StripTabs1Click();
    EXPECT_EQ(text(), "A\tB\r\nCD\r\nE\r\n");

    SearchCommands& search = *form->searchCommands();
    struct Case {
        std::pair<bool, std::string> answer;
        int line;
    };
    const Case cases[] = {{{true, "3"}, 2}, {{true, "abc"}, 2}, {{true, "99"}, 2}, {{false, "1"}, 2}, {{true, "1"}, 0}};
    for (const Case& c : cases) {
        prompter.inputs.push_back(c.answer);
        search.Gotoline1Click();
        EXPECT_EQ(caretLine(), c.line) << c.answer.second;
    }
    for (const auto& s : prompter.shown) // only the question, never a message
        EXPECT_EQ(s.text, "Enter Line Number (1 to 4)");
    search.GotoBottom1Click();
    EXPECT_EQ(caretLine(), 3);
    search.GotoTop1Click();
    EXPECT_EQ(caretLine(), 0);
}

TEST_F(EditorCommandsTest, InsertFileKeepsBytesAndReportsAnUnreadableFile)
{
    openText("I.TAP", "N1\r\nN2\r\n");
    program.write("PART.TXT", "G01 \xB0\xE9\nX1.\n");
    pane()->setCursorPosition(1, 0);
    files->opens.push_back({QString::fromStdString(program.file("PART.TXT")),
                            QString::fromStdString(program.file("MISSING.TXT")),
                            QString::fromStdString(program.file("PART.TXT"))});
    form->insertCommands()->File2Click();
    EXPECT_EQ(text(), "N1\r\nG01 \xB0\xE9\r\nX1.\r\nG01 \xB0\xE9\r\nX1.\r\nN2\r\n");
    EXPECT_EQ(caretLine(), 0);
    EXPECT_TRUE(shown("MISSING.TXT"));
}

TEST_F(EditorCommandsTest, JumpToToolListsToolLinesAndMovesTheCaret)
{
    ASSERT_TRUE(form->openOne(program.file("BRACKET.TAP"), false));
    settle();
    TSpecialOpendlg* dialog = form->searchCommands()->jumpDialog();
    QStringList listed;
    QTimer::singleShot(0, dialog, [&] {
        for (int i = 0; i < dialog->ListBox1->count(); ++i)
            listed << dialog->ListBox1->item(i)->text();
        dialog->ListBox1->setCurrentRow(1);
        dialog->okButton()->click();
    });
    form->searchCommands()->OpenSpecial1Click();
    EXPECT_EQ(dialog->windowTitle(), "Jump to Tool");
    EXPECT_EQ(listed, (QStringList{"N20 T1 M06 (1/2 END MILL)", "N200 T2 M06 (#7 DRILL)",
                                   "N290 T3 M06 (3/16 END MILL - POCKETS)"}));
    EXPECT_EQ(caretLine(), 21);
}

TEST_F(EditorCommandsTest, StatusPanelsAndEnabling)
{
    TMDIChild* child = openText("P.TAP", "N1\r\nN2\r\n");
    EXPECT_EQ(form->statusPanel(4)->text(), "Total: 3");
    EXPECT_EQ(form->statusPanel(6)->text(), "Bytes: 8");
    EXPECT_EQ(form->statusPanel(7)->text(), "Insert");
    EXPECT_EQ(form->statusPanel(3)->text(), "");
    pane()->setCursorPosition(1, 1);
    pane()->insert("X");
    settle();
    EXPECT_EQ(form->statusPanel(2)->text(), "2:2");
    EXPECT_EQ(form->statusPanel(3)->text(), "Modified");
    form->Save1Click();
    settle();
    EXPECT_EQ(form->statusPanel(3)->text(), "");
    EXPECT_FALSE(child->isModified());

    QAction* paste = form->menuAction("&Paste");
    QApplication::clipboard()->clear();
    settle();
    EXPECT_FALSE(paste->isEnabled());
    QApplication::clipboard()->setText("G04");
    settle();
    EXPECT_TRUE(paste->isEnabled());
    QApplication::clipboard()->clear();
    settle();
    EXPECT_FALSE(paste->isEnabled());

    // Read-only: no undo.
    EXPECT_TRUE(form->menuAction("&Undo")->isEnabled());
    form->windowCommands()->ToggleReadOnly1Click();
    form->UpdateButtons();
    EXPECT_FALSE(form->menuAction("&Undo")->isEnabled());

    child->parentWidget()->close();
    settle();
    EXPECT_EQ(form->statusPanel(2)->text(), "");
    EXPECT_FALSE(form->menuAction("&Find...")->isEnabled());
}

TEST_F(EditorCommandsTest, MenuBarDoubleClickClosesTheMaximizedChildThroughItsQuestion)
{
    TMDIChild* child = openText("D.TAP", "N1\r\n");
    auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    sub->showMaximized();
    pane()->insert("X");
    prompter.buttons.push_back(platform::Button::Cancel);
    form->windowCommands()->menuBarDoubleClicked(200, 20); // too far right
    form->windowCommands()->menuBarDoubleClicked(5, 20);
    settle();
    EXPECT_EQ(form->children().size(), 1); // the question was cancelled
    EXPECT_TRUE(shown("has changed"));
    prompter.buttons.push_back(platform::Button::No);
    form->windowCommands()->menuBarDoubleClicked(5, 20);
    settle();
    EXPECT_TRUE(form->children().isEmpty());
}

namespace {

// The program printed: 120 numbered lines with comments and a tab.
std::string printedProgram()
{
    std::string text = "%\r\nO1000 (PRINT TEST)\r\n";
    for (int i = 1; i <= 120; ++i)
        text += "N" + std::to_string(i * 10) + "\tG01 X" + std::to_string(i) + ". (STEP " + std::to_string(i) + ")\r\n";
    return text + "M30\r\n";
}

} // namespace

TEST_F(EditorCommandsTest, PrintsPrettyAndPlainToPdfAllAndSelection)
{
    openText("PRN.TAP", printedProgram());
    PrintCommands& print = *form->printCommands();
    mrw::ProgramSettings& settings = form->editableSettings();
    settings.PrintFont = {"DejaVu Sans Mono", 10, 0, false, false};
    settings.TabSize = 4;
    const std::string pdf = program.file("out.pdf");
    bool selection = false;
    bool offered = false;
    print.setPrintDialogRunner([&](QPrinter& printer, bool selectionAvailable) {
        offered = selectionAvailable;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
        return true;
    });
    const auto pages = [&] {
        const QString text = run("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
        return std::pair(text, static_cast<int>(text.count('\f')));
    };

    // Pretty, all lines: the header on every page, every line in order.
    settings.PrettyPrint = true;
    print.Print1Click();
    EXPECT_FALSE(offered);
    auto [text, count] = pages();
    EXPECT_GT(count, 1);
    EXPECT_EQ(count, print.lastPageCount());
    EXPECT_EQ(text.count("File Name : " + QString::fromStdString(program.file("PRN.TAP"))), count);
    EXPECT_EQ(text.count("Time/Date : "), count);
    EXPECT_EQ(text.count("File Size : " + QString::number(printedProgram().size()) + " Chars,"), count);
    EXPECT_TRUE(text.contains("Page # " + QString::number(count)));
    qsizetype at = 0;
    for (int i = 1; i <= 120; ++i) {
        const qsizetype found =
            text.indexOf(QRegularExpression(QString("N%1\\s+G01\\s+X%2\\.\\s+\\(STEP\\s+%2\\)").arg(i * 10).arg(i)), at);
        ASSERT_GE(found, at) << i << text.mid(at, 200).toStdString();
        at = found;
    }

    // Plain, a selection from after the tab of line 3 to the middle of line 5.
    settings.PrettyPrint = false;
    pane()->setSelection(2, 4, 4, 3);
    selection = true;
    print.Print1Click();
    EXPECT_TRUE(offered);
    std::tie(text, count) = pages();
    EXPECT_EQ(count, 1);
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].trimmed().startsWith("**** PRN.TAP -- ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].trimmed().startsWith("G01 X1. (STEP 1)")) << lines[1].toStdString();
    EXPECT_FALSE(lines[1].contains("N10"));
    EXPECT_TRUE(lines[2].contains("N20"));
    EXPECT_EQ(lines[3].trimmed(), "N30");
    EXPECT_FALSE(text.contains("N40"));
}

TEST_F(EditorCommandsTest, ColourPrintPaintsNumbersAndCommentsInTheirColours)
{
    openText("C.TAP", "N10 G01 X123.456 (COMMENT TEXT HERE)\r\n");
    mrw::ProgramSettings& settings = form->editableSettings();
    settings.PrettyPrint = true;
    settings.ColourPrint = true;
    settings.PrintFont = {"DejaVu Sans Mono", 14, 0, false, false};
    settings.NumberColor = 0xFF0000; // blue
    settings.CommentColor = 0x0000FF; // red
    settings.AddressColor = 0;
    const std::string pdf = program.file("c.pdf");
    form->printCommands()->setPrintDialogRunner([&](QPrinter& printer, bool) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPrintRange(QPrinter::AllPages);
        return true;
    });
    form->printCommands()->Print1Click();
    run("pdftoppm", {"-r", "60", "-png", "-f", "1", "-l", "1", QString::fromStdString(pdf),
                     QString::fromStdString(program.file("page"))});
    QImage page(QString::fromStdString(program.file("page-1.png")));
    ASSERT_FALSE(page.isNull());
    int blue = 0;
    int red = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            blue += c.blue() > 150 && c.red() < 90 && c.green() < 90;
            red += c.red() > 150 && c.blue() < 90 && c.green() < 90;
        }
    EXPECT_GT(blue, 20);
    EXPECT_GT(red, 20);
}

TEST_F(EditorCommandsTest, APrintJobThatCannotStartIsReported)
{
    openText("E.TAP", "N1\r\n");
    form->printCommands()->setPrintDialogRunner([&](QPrinter& printer, bool) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("/nonexistent-folder/x/e.pdf");
        return true;
    });
    for (bool pretty : {true, false}) {
        prompter.shown.clear();
        form->editableSettings().PrettyPrint = pretty;
        form->printCommands()->Print1Click();
        EXPECT_TRUE(shown("e.pdf")) << pretty;
    }
}

TEST_F(EditorCommandsTest, InsertItemsNeedAFileAndPasteAtTheCaret)
{
    InsertCommands& insert = *form->insertCommands();
    for (void (InsertCommands::*command)() : {&InsertCommands::File2Click, &InsertCommands::DateTime1Click,
                                              &InsertCommands::CurrentFileName1Click, &InsertCommands::StripTabs1Click}) {
        prompter.shown.clear();
        (insert.*command)();
        EXPECT_TRUE(shown("No File Currently Loaded"));
    }
    openText("\xC4N.TAP", "N1\r\n"); // a name byte above 127 stays that byte
    insert.CurrentFileName1Click();
    EXPECT_EQ(text(), program.file("\xC4N.TAP") + "N1\r\n");
    pane()->setCursorPosition(1, 0);
    insert.DateTime1Click();
    const std::string stamp = platform::splitLines(text()).at(1);
    const std::string date = currentDateTimeText();
    EXPECT_EQ(stamp.substr(0, stamp.find(' ')), date.substr(0, date.find(' '))); // the time may have moved on
    EXPECT_GT(stamp.size(), date.find(' ') + 4);
}

TEST_F(EditorCommandsTest, WindowArrangementHintsAndHelpItems)
{
    form->resize(900, 700);
    TMDIChild* a = openText("A.TAP", "N1\r\n");
    TMDIChild* b = openText("B.TAP", "N2\r\n");
    auto* subA = qobject_cast<QMdiSubWindow*>(a->parentWidget());
    auto* subB = qobject_cast<QMdiSubWindow*>(b->parentWidget());
    WindowCommands& window = *form->windowCommands();
    window.TileVertical1Click();
    EXPECT_EQ(subA->y(), subB->y());
    EXPECT_NE(subA->x(), subB->x());
    EXPECT_EQ(subA->height(), subB->height());
    window.TileHorizontal1Click();
    EXPECT_EQ(subA->x(), subB->x());
    EXPECT_NE(subA->y(), subB->y());
    EXPECT_EQ(subA->width(), form->mdiArea()->viewport()->width());
    // Cascade: every child two thirds of the workspace or more, each one step further in.
    form->resize(1600, 1000);
    TMDIChild* c = openText("C.TAP", "N3\r\n");
    auto* subC = qobject_cast<QMdiSubWindow*>(c->parentWidget());
    window.Cascade1Click();
    const QSize workspace = form->mdiArea()->viewport()->size();
    for (QMdiSubWindow* sub : {subA, subB, subC}) {
        EXPECT_GE(sub->width(), workspace.width() * 2 / 3);
        EXPECT_GE(sub->height(), workspace.height() * 2 / 3);
        EXPECT_TRUE(QRect(QPoint(0, 0), workspace).contains(sub->geometry()));
    }
    EXPECT_LT(subA->pos().x(), subB->pos().x());
    EXPECT_LT(subB->pos().y(), subC->pos().y());
    EXPECT_EQ(form->mdiArea()->activeSubWindow(), subC);

    window.MinimizeAll1Click();
    EXPECT_TRUE(subA->isMinimized());
    EXPECT_TRUE(subB->isMinimized());

    // A hint hides the panels; an empty one shows them again.
    form->ShowAppHint("Open a file");
    EXPECT_FALSE(form->statusPanel(4)->isVisible());
    form->ShowAppHint("");
    EXPECT_TRUE(form->statusPanel(4)->isVisible());

    // No help pages are installed beside the test program.
    ASSERT_TRUE(WindowCommands::contentsPage().isEmpty());
    EXPECT_FALSE(form->menuAction("&Contents")->isEnabled());
    EXPECT_FALSE(form->menuAction("&DNC Help")->isEnabled());
    EXPECT_TRUE(form->menuAction("&About...")->isEnabled());
}
