#include "analyzer/ui/nc_editor.h"

#include "analyzer/ui/main_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextCursor>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace vork;
using Lines = std::vector<std::string>;

namespace {

struct Editor {
    testsupport::ScriptedPrompter prompter;
    TNCEditor editor{prompter};

    explicit Editor(const Lines& lines = {}) { editor.setLines(lines); }
    QString text() const { return editor.editor()->toPlainText(); }
    void select(int from, int to)
    {
        QTextCursor c = editor.editor()->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        editor.editor()->setTextCursor(c);
    }
    QString selected() const { return editor.editor()->textCursor().selectedText(); }
    int selectionStart() const { return editor.editor()->textCursor().selectionStart(); }
    // Runs `step` inside the next modal dialog's event loop.
    static void whenModal(std::function<void(QDialog&)> step)
    {
        QTimer::singleShot(0, [step] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            step(*dialog);
        });
    }
    void resequence(std::function<void(TRESEQDlg&)> set, bool ok = true)
    {
        whenModal([set, ok](QDialog& d) {
            auto& dialog = static_cast<TRESEQDlg&>(d);
            set(dialog);
            ok ? dialog.accept() : dialog.reject();
        });
        editor.Resequence();
    }
};

TEST(NcEditor, FindStartsAtTheSelectionEndWithCaseAndWholeWord)
{
    // "X1 x1 X12" takes 0..8, the line end 9, "X1Y2 X1" 10..16.
    Editor e({"X1 x1 X12", "X1Y2 X1"});
    struct Case {
        int selFrom, selTo;
        bool matchCase, wholeWord;
        int foundAt; // -1: not found
    };
    const Case cases[] = {
        {0, 0, false, false, 0},   // no selection: from the beginning
        {0, 2, false, false, 3},   // from the selection's end, any case
        {0, 2, true, false, 6},    // matching case skips "x1"
        {3, 5, true, true, 15},    // whole word skips "X12" and "X1Y2"
        {15, 17, false, false, -1},
    };
    FindReplaceDialog& find = *e.editor.findDialog();
    find.findField()->setText("X1");
    for (const Case& c : cases) {
        e.prompter.shown.clear();
        e.select(c.selFrom, c.selTo);
        find.caseBox()->setChecked(c.matchCase);
        find.wordBox()->setChecked(c.wholeWord);
        const bool found = e.editor.FindNext();
        EXPECT_EQ(found, c.foundAt >= 0) << c.selFrom;
        if (found) {
            EXPECT_EQ(e.selectionStart(), c.foundAt) << c.selFrom;
            EXPECT_EQ(e.selected(), e.text().mid(c.foundAt, 2));
        } else {
            ASSERT_EQ(e.prompter.shown.size(), 1u);
            EXPECT_EQ(e.prompter.shown[0].text, "Cannot find \"X1\".");
        }
    }
}

TEST(NcEditor, ReplaceAllWithTheSearchTextInsideEndsAfterOnePassAsOneUndoStep)
{
    Editor e({"X1 Y2 X3", "X4"});
    FindReplaceDialog& replace = *e.editor.replaceDialog();
    replace.findField()->setText("X");
    replace.replaceField()->setText("XX");
    EXPECT_EQ(e.editor.ReplaceAll(), 3);
    EXPECT_EQ(e.text(), "XX1 Y2 XX3\nXX4");
    e.editor.editor()->undo();
    EXPECT_EQ(e.text(), "X1 Y2 X3\nX4");

    // From the end of the selection only.
    e.select(0, 2);
    EXPECT_EQ(e.editor.ReplaceAll(), 2);
    EXPECT_EQ(e.text(), "X1 Y2 XX3\nXX4");
}

TEST(NcEditor, AnEmptySearchTextDisablesTheSearchButtons)
{
    Editor e({"X1"});
    FindReplaceDialog& replace = *e.editor.replaceDialog();
    EXPECT_FALSE(replace.findNextButton()->isEnabled());
    EXPECT_FALSE(replace.replaceAllButton()->isEnabled());
    replace.findField()->setText("X");
    EXPECT_TRUE(replace.replaceAllButton()->isEnabled());
    EXPECT_TRUE(e.editor.findDialog()->findField()->text().isEmpty());
    EXPECT_FALSE(e.editor.findDialog()->findNextButton()->isEnabled());
}

TEST(NcEditor, ResequencingIsOneUndoStepAndBadOptionsChangeNothing)
{
    Editor e({"N5G01X1.0", "G00Z1.0", "(C)", "%"});
    EXPECT_FALSE(e.editor.undoAction()->isEnabled());
    e.resequence([](TRESEQDlg&) {});
    EXPECT_EQ(e.text(), "N10G01X1.0\nN20G00Z1.0\n(C)\n%");
    EXPECT_TRUE(e.editor.undoAction()->isEnabled());
    EXPECT_TRUE(e.editor.editor()->document()->isModified());
    e.editor.undoAction()->trigger();
    EXPECT_EQ(e.text(), "N5G01X1.0\nG00Z1.0\n(C)\n%");

    // The dialog keeps its values between uses; removing disables the other options.
    e.resequence([](TRESEQDlg& d) {
        d.removeBox()->setChecked(true);
        EXPECT_FALSE(d.startField()->isEnabled());
        EXPECT_FALSE(d.oBlocksBox()->isEnabled());
    });
    EXPECT_EQ(e.text(), "G01X1.0\nG00Z1.0\n(C)\n%");
    EXPECT_TRUE(e.editor.resequenceDialog()->removeBox()->isChecked());

    struct Bad {
        const char* field;
        const char* value;
        const char* named;
    };
    const Bad bad[] = {{"digits", "12", "Max number of Digits"},
                       {"increment", "0", "Number Increment"},
                       {"start", "ten", "Start Number"}};
    for (const Bad& b : bad) {
        e.prompter.shown.clear();
        e.resequence([&b](TRESEQDlg& d) {
            d.removeBox()->setChecked(false);
            d.startField()->setText("10");
            d.incrementField()->setText("10");
            d.digitsField()->setText("4");
            d.findChild<QLineEdit*>(b.field)->setText(b.value);
        });
        EXPECT_EQ(e.text(), "G01X1.0\nG00Z1.0\n(C)\n%") << b.field;
        ASSERT_EQ(e.prompter.shown.size(), 1u);
        EXPECT_NE(e.prompter.shown[0].text.find(b.named), std::string::npos) << e.prompter.shown[0].text;
    }

    e.resequence([](TRESEQDlg& d) { d.digitsField()->setText("3"); }, false);
    EXPECT_EQ(e.text(), "G01X1.0\nG00Z1.0\n(C)\n%") << "Cancel changes nothing";
}

TEST(NcEditor, SavingKeepsTheBytesAndTheCloseQueryDecides)
{
    testsupport::TempFolder folder;
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c)
        high += static_cast<char>(c);
    const std::string bytes = "N10 G01\r\n(" + high + ")\r\n\r\nM30\r\n";
    folder.write("P.TAP", bytes);

    Editor e;
    ASSERT_TRUE(e.editor.LoadFile(folder.file("P.TAP")));
    EXPECT_EQ(e.editor.windowTitle(), "Vork Analyzer - NC-Editor  - P.TAP");
    e.editor.show();
    e.editor.close(); // unchanged: no question
    EXPECT_TRUE(e.prompter.shown.empty());
    EXPECT_FALSE(e.editor.isVisible());

    e.editor.show();
    e.editor.editor()->moveCursor(QTextCursor::End);
    e.editor.editor()->insertPlainText("X");
    e.prompter.buttons = {platform::Button::Cancel, platform::Button::No};
    e.editor.close();
    EXPECT_TRUE(e.editor.isVisible()) << "Cancel keeps the window";
    ASSERT_EQ(e.prompter.shown.size(), 1u);
    EXPECT_EQ(e.prompter.shown[0].text, "Save changes to " + folder.file("P.TAP") + "?");
    e.editor.close();
    EXPECT_FALSE(e.editor.isVisible());
    EXPECT_EQ(folder.read("P.TAP"), bytes) << "No closes without saving";

    e.editor.show();
    e.prompter.buttons = {platform::Button::Yes};
    e.editor.close();
    EXPECT_FALSE(e.editor.isVisible());
    EXPECT_EQ(folder.read("P.TAP"), "N10 G01\r\n(" + high + ")\r\n\r\nM30X\r\n");
    EXPECT_FALSE(e.editor.editor()->document()->isModified());
}

TEST(NcEditor, AFailedSaveKeepsTheWindowOpenAndTheTextModified)
{
    testsupport::TempFolder folder;
    Editor e({"N10"});
    e.editor.SetFileName(folder.file("gone/P.TAP"));
    e.editor.show();
    e.editor.editor()->insertPlainText("X");
    e.prompter.buttons = {platform::Button::Yes};
    e.editor.close();
    EXPECT_TRUE(e.editor.isVisible());
    EXPECT_TRUE(e.editor.editor()->document()->isModified());
    ASSERT_EQ(e.prompter.shown.size(), 2u);
    EXPECT_EQ(e.prompter.shown[1].kind, platform::MessageKind::Error);
    EXPECT_NE(e.prompter.shown[1].text.find("gone/P.TAP"), std::string::npos);
    e.prompter.buttons = {platform::Button::No};
    e.editor.close();
}

TEST(NcEditor, HintsShowInTheStatusBar)
{
    Editor e;
    QStatusTipEvent tip("Exit application");
    QApplication::sendEvent(&e.editor, &tip);
    EXPECT_EQ(e.editor.statusBar()->currentMessage(), "Exit application");
}

TEST(NcEditor, TheMainWindowsCommandEditsTheProgramAndRestartsTheRun)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("ZV.INI", "[DV]\r\nSPEED=0\r\n");
    folder.write("P.TAP", "%\r\nG01X1\r\nM30\r\n%\r\n");
    Tmdvform window(folder.path(), &prompter);
    window.LoadFile(folder.file("P.TAP"));
    window.session().state.RestartPending = false;

    Editor::whenModal([](QDialog& d) {
        auto* editor = qobject_cast<TNCEditor*>(&d);
        ASSERT_NE(editor, nullptr);
        editor->editor()->moveCursor(QTextCursor::Start);
        editor->editor()->insertPlainText("(NEW)\n");
        editor->close();
    });
    window.EditNCFile();
    EXPECT_EQ(folder.read("P.TAP"), "(NEW)\r\n%\r\nG01X1\r\nM30\r\n%\r\n");
    EXPECT_TRUE(window.session().state.RestartPending);
    EXPECT_TRUE(window.session().state.WorkCopyOpen);
}

} // namespace
