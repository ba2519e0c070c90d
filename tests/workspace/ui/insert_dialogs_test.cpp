#include "workspace/ui/insert_dialog_commands.h"
#include "workspace/ui/insert_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/qt/qthost.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "program_folder_rig.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;

namespace {

const char* const Database = "[MACHINE NAMES]\r\n"
                             "NUMBER=1\r\n"
                             "MACHINE1=Test Mill\r\n"
                             "[Test Mill]\r\n"
                             "CMTSTART=(\r\n"
                             "M1N=Line\r\n"
                             "M1L1=G01 X# Y# F##\r\n"
                             "M2N=Home\r\n"
                             "M2L1=G91 G28 Z0\r\n"
                             "M2L2=G90\r\n";

std::string clipboardText() { return QApplication::clipboard()->text().toStdString(); }

class InsertMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.write("WPOSTS.INI", Database);
        mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), program.path());
        form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        form->show();
        QApplication::processEvents();
        mrw::workspaceGlobals().CurrentMachineName = "Test Mill";
    }
    void TearDown() override
    {
        form.reset();
        mrw::workspaceGlobals().Machine.settings() = mrw::MachineSettings{};
    }
    TMDIChild* newFile()
    {
        form->New1Click();
        return form->activeChild();
    }
    template <typename Dialog>
    void answer(std::function<void(Dialog&)> act)
    {
        InsertDialogCommands::of(*form).setDialogRunner([this, act](QDialog& dialog) {
            ++runs;
            dialog.setResult(QDialog::Rejected);
            act(static_cast<Dialog&>(dialog));
            return dialog.result();
        });
    }

    testsupport::ProgramFolderRig rig;
    TempFolder& program = rig.program;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;
    int runs = 0;
};

} // namespace

TEST_F(InsertMenuTest, MacroIsExpandedAndPastedIntoTheEditor)
{
    InsertNCMacro(*form);
    EXPECT_EQ(prompter.shown.back().text, "No File Currently Loaded\nSelect File Open/New First");
    EXPECT_EQ(runs, 0);

    TMDIChild* child = newFile();
    ASSERT_NE(child, nullptr);
    answer<TMacroInsert>([this](TMacroInsert& d) {
        EXPECT_EQ(d.MachineLabel->text(), "Test Mill");
        ASSERT_EQ(d.List1->count(), 2);
        d.List1->setCurrentRow(0);
        EXPECT_EQ(d.Text1->toPlainText(), "G01 X# Y# F##");
        prompter.inputs = {{true, "1.5"}, {true, "2"}};
        d.OKBtnClick();
    });
    InsertNCMacro(*form);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(child->Editor1->bytes(), "G01 X1.5 Y2 F#\r\n");

    // Without a selection OK closes as Cancel: nothing is pasted.
    answer<TMacroInsert>([](TMacroInsert& d) { d.OKBtnClick(); });
    InsertNCMacro(*form);
    EXPECT_EQ(child->Editor1->bytes(), "G01 X1.5 Y2 F#\r\n");
}

TEST_F(InsertMenuTest, MacroDialogSavesTheMacroLeftAndNeedsAMachine)
{
    TMacroInsert& d = InsertDialogCommands::of(*form).macroDialog();
    d.prepare(mrw::workspaceGlobals().MachineDatabasePath, "Test Mill");
    d.List1->setCurrentRow(1);
    EXPECT_EQ(d.Text1->toPlainText(), "G91 G28 Z0\nG90");
    d.Text1->setPlainText("G91 G28 Z0 Y0\nG90\n");
    d.List1->setCurrentRow(0);
    EXPECT_EQ(d.Text1->toPlainText(), "G01 X# Y# F##");
    const platform::IniFile ini(mrw::workspaceGlobals().MachineDatabasePath);
    EXPECT_EQ(ini.readString("Test Mill", "M2L1"), "G91 G28 Z0 Y0");
    EXPECT_EQ(ini.readString("Test Mill", "M2L3", "NOMORE"), "NOMORE");

    prompter.inputs = {{true, "Home"}};
    d.AddBtn->click();
    EXPECT_EQ(prompter.shown.back().text, "A macro named \"Home\" is already listed.");
    EXPECT_EQ(d.List1->count(), 2);
    prompter.inputs = {{true, "Spot"}};
    d.AddBtn->click();
    EXPECT_EQ(d.List1->currentItem()->text(), "Spot");
    EXPECT_TRUE(d.Text1->toPlainText().isEmpty());
    d.done(QDialog::Rejected);
    EXPECT_FALSE(ini.hasKey("Test Mill", "M3N"));

    d.prepare(mrw::workspaceGlobals().MachineDatabasePath, "");
    EXPECT_EQ(d.List1->count(), 0);
    for (QPushButton* b : {d.AddBtn, d.SaveBtn, d.DeleteBtn, d.EditNameBtn})
        EXPECT_FALSE(b->isEnabled());
}

TEST_F(InsertMenuTest, EnterOnTheDeleteQuestionKeepsTheMacro)
{
    platform::QtPrompter person(form.get());
    mrw::MacroSession session(mrw::workspaceGlobals().MachineDatabasePath, "Test Mill", person);
    ASSERT_TRUE(session.select(1, {}));
    QString asked;
    QTimer::singleShot(0, [&asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked = box->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(session.remove());
    EXPECT_EQ(asked, "Delete Current Macro ?");
    EXPECT_EQ(mrw::NcMacroStore(mrw::workspaceGlobals().MachineDatabasePath, "Test Mill").slotOf("Home"), 2);
}

TEST_F(InsertMenuTest, ExpressionReopensWithTheLastAnswerSelectedSoTypingReplacesIt)
{
    TMDIChild* child = newFile();
    mrw::workspaceGlobals().Machine.settings().Format = 1;
    // The real modal dialog, typed into wherever its focus is.
    const auto typeAndEnter = [](const QString& keys) {
        QTimer::singleShot(0, [keys] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            QWidget* focused = dialog->focusWidget();
            ASSERT_NE(focused, nullptr);
            QTest::keyClicks(focused, keys);
            QTest::keyClick(focused, Qt::Key_Return);
        });
    };
    typeAndEnter("%30");
    InsertExpression(*form);
    EXPECT_EQ(child->Editor1->bytes(), "1.1811");
    typeAndEnter("5");
    InsertExpression(*form);
    EXPECT_EQ(child->Editor1->bytes(), "1.18115.");
}

TEST_F(InsertMenuTest, InsertDialogsOpenAgainWithTheFocusInTheirFirstField)
{
    InsertDialogCommands& commands = InsertDialogCommands::of(*form);
    commands.macroDialog().prepare(mrw::workspaceGlobals().MachineDatabasePath, "Test Mill");
    const std::pair<QDialog*, const char*> cases[] = {
        {&commands.commentDialog(), "cstart"}, {&commands.expressionDialog(), "expr"}, {&commands.macroDialog(), "List1"}};
    for (const auto& [dialog, field] : cases) {
        dialog->show();
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (QString(button->text()).remove(QLatin1Char('&')) == "OK")
                button->setFocus();
        dialog->hide();
        dialog->show();
        QWidget* w = dialog->focusWidget();
        EXPECT_EQ(w ? w->objectName().toStdString() : "", field);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(edit->selectedText(), edit->text());
        }
        dialog->hide();
    }
}

TEST_F(InsertMenuTest, CommentBetweenTheMachinesMarks)
{
    TMDIChild* child = newFile();
    mrw::workspaceGlobals().Machine.settings().CmtStart = "(";
    mrw::workspaceGlobals().Machine.settings().CmtEnd = ")";
    answer<TCommentDlg>([](TCommentDlg& d) {
        EXPECT_EQ(d.cstart->text(), "(");
        EXPECT_EQ(d.Cend->text(), ")");
        d.Comment->setText("TOOL CHANGE");
        d.OKBtnClick();
    });
    InsertComment(*form);
    EXPECT_EQ(child->Editor1->bytes(), "(TOOL CHANGE)");

    mrw::workspaceGlobals().Machine.settings().CmtStart = ";";
    mrw::workspaceGlobals().Machine.settings().CmtEnd = "";
    answer<TCommentDlg>([](TCommentDlg& d) {
        EXPECT_EQ(d.cstart->text(), ";");
        d.Comment->setText(QString(255, 'X'));
        d.OKBtnClick();
    });
    InsertComment(*form);
    EXPECT_EQ(child->Editor1->bytes(), "(TOOL CHANGE)");
    EXPECT_NE(prompter.shown.back().text.find("255 characters"), std::string::npos);
}

TEST_F(InsertMenuTest, ExpressionInTheMachinesNumberFormat)
{
    // Without a file the value still goes to the clipboard.
    mrw::workspaceGlobals().Machine.settings().Format = 3;
    answer<TInsExpDlg>([](TInsExpDlg& d) {
        d.expr->setText("2+23/64-.002");
        QTest::keyClick(d.expr, Qt::Key_Return);
        EXPECT_EQ(d.expr->text(), "2.35738");
        d.OKBtnClick();
    });
    InsertExpression(*form);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(clipboardText(), "23574");

    TMDIChild* child = newFile();
    mrw::workspaceGlobals().Machine.settings().Format = 1;
    InsertExpression(*form);
    EXPECT_EQ(child->Editor1->bytes(), "2.3574");

    // A bad expression keeps the dialog open and inserts nothing.
    QApplication::clipboard()->setText("before");
    answer<TInsExpDlg>([](TInsExpDlg& d) {
        d.expr->setText("2+");
        d.OKBtnClick();
    });
    InsertExpression(*form);
    EXPECT_EQ(prompter.shown.back().caption, "Warning");
    EXPECT_EQ(clipboardText(), "before");
    EXPECT_EQ(child->Editor1->bytes(), "2.3574");
}
