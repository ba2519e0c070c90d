#include "workspace/ui/bmacro_dialogs.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "program_folder_rig.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;
using testsupport::example;
using testsupport::settle;

namespace {

// A program folder with the example macro program; the main window starts on it.
class BMacroCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
    }
    void TearDown() override
    {
        form.reset();
    }

    TMainForm& start(const std::string& file)
    {
        form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        form->show();
        form->openOne(program.file(file), false);
        return *form;
    }
    // Runs the menu command, pressing OK in its dialog.
    void runCommand(bool autoRun = true)
    {
        QTimer::singleShot(0, form.get(), [this, autoRun] {
            auto* dialog = form->findChild<TMacrobdlg*>();
            ASSERT_NE(dialog, nullptr);
            dialog->CBarun->setChecked(autoRun);
            dialog->OKBtn->click();
        });
        form->BMacroInterpeter1Click();
    }
    std::string handedOff() const
    {
        if (!platform::fileExists(program.file("ZV.INI")))
            return "";
        return platform::IniFile(program.file("ZV.INI")).readString("mdvform.OvcMenuMRU1.Items", "0");
    }

    testsupport::ProgramFolderRig rig{"WPOSTS.INI", "MRW2013.INI", "BOLTHOLE.TAP", "O9010.TAP"};
    TempFolder& program = rig.program;
    TempFolder& windows = rig.windows;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(BMacroCommandTest, ExpandsTheActiveProgramAndHandsTheOutputToTheAnalyzer)
{
    start("BOLTHOLE.TAP");
    runCommand();
    const std::string out = program.read("BOLTHOLE.OUT");
    EXPECT_EQ(out.substr(0, out.find("G00X2.5000")),
              "(Define Variables Here)\r\n%\r\nO2001(BOLT HOLE CIRCLE)\r\n(#100 HOLES, #101 RADIUS, #102 DEPTH)\r\n"
              "T1M06(CENTER DRILL)\r\nG90G54G00X0Y0S1500M03\r\nG43H01Z1.\r\n");
    // Six holes, the drilling program's first line not written, the trailing "%" after M30 neither.
    EXPECT_NE(out.find("G00X2.5000Y0.0000\r\nZ0.1000\r\nG01Z-0.2500F8.0000\r\nG00Z0.1000\r\n"
                       "G00X1.2500Y2.1651\r\n"),
              std::string::npos);
    EXPECT_EQ(out.find("O9010"), std::string::npos);
    EXPECT_TRUE(out.ends_with("G00X1.2500Y-2.1651\r\nZ0.1000\r\nG01Z-0.2500F8.0000\r\nG00Z0.1000\r\nG00Z1.\r\nM05\r\nM30\r\n"));
    EXPECT_EQ(program.read("BMACROVARS.TXT"), "(Define Variables Here)\r\n");
    EXPECT_EQ(handedOff(), program.file("BOLTHOLE.OUT"));
    EXPECT_EQ(platform::IniFile(program.file("ZV.INI")).readString("Operationsdlg.OvcMenuMRU1.Items", "0"),
              program.file("BOLTHOLE.OPF"));
    EXPECT_EQ(form->activeChild()->Editor1->bytes(), example("BOLTHOLE.TAP"));
}

TEST_F(BMacroCommandTest, NoHandOffUnlessTheRunEndedNormally)
{
    struct Case {
        const char* name;
        const char* text;
        bool outputExists;
        platform::Button answer;
        bool autoRun;
    };
    const Case cases[] = {
        {"an error box", "X#7\nM30\n", false, platform::Button::Ok, true},
        {"overwrite refused", "X1.\nM30\n", true, platform::Button::No, true},
        {"analyzer not wanted", "X1.\nM30\n", false, platform::Button::Ok, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        program.write("PART.TAP", c.text);
        if (c.outputExists)
            program.write("PART.OUT", "OLD\r\n");
        prompter.buttons = {c.answer};
        start("PART.TAP");
        runCommand(c.autoRun);
        EXPECT_EQ(handedOff(), "");
        form.reset();
        std::remove(program.file("PART.OUT").c_str());
    }
}

namespace {

// The dialog on a program folder of its own, set to expand `program` into `output` there.
struct DialogRig {
    DialogRig(const char* output, const char* program)
    {
        dialog.Ofilename->setText(QString::fromStdString(folder.file(output)));
        dialog.setProgramSource([program] { return platform::splitLines(program); });
    }
    TempFolder folder;
    mrw::WorkspaceGlobals globals;
    // The globals name the folder before the dialog takes its variables file from them.
    bool globalsRead = (mrw::initializeWorkspaceGlobals(globals, folder.path()), true);
    ScriptedPrompter prompter;
    TMacrobdlg dialog{globals, prompter};
};

} // namespace

TEST(BMacroDialogTest, CancelEndsAnEndlessLoop)
{
    DialogRig rig("LOOP.OUT", "#1=0\nWHILE [1 EQ 1] DO 1\n#1=#1+1\nEND 1\n");
    TMacrobdlg& dialog = rig.dialog;
    int pressedAtLine = 0;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (!dialog.running() || pressedAtLine)
            return;
        EXPECT_FALSE(dialog.OKBtn->isEnabled());
        pressedAtLine = dialog.Label4->text().mid(7).toInt();
        dialog.CancelBtn->click();
    });
    cancel.start(0);
    dialog.OKBtnClick();
    EXPECT_GT(pressedAtLine, 0);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.lastResult().end, mrw::BMacroEnd::Cancelled);
    EXPECT_TRUE(dialog.OKBtn->isEnabled());
    // What the loop wrote never stands under the output's name.
    EXPECT_FALSE(platform::fileExists(rig.folder.file("LOOP.OUT")));
    ASSERT_FALSE(rig.prompter.shown.empty());
    EXPECT_EQ(rig.prompter.shown.back().text,
              "The run was cancelled.\nNothing was written to " + rig.folder.file("LOOP.OUT") + ".");
}

// The value box opens with its default selected: what the operator types replaces it.
TEST(BMacroDialogTest, TypingIntoTheValueBoxReplacesTheDefault)
{
    struct Case {
        const char* typed;
        const char* written;
    };
    const Case cases[] = {{"3", "G01Z-3.0000\r\n"}, {"1/4", "G01Z-0.2500\r\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DialogRig rig("ASK.OUT", "#1=2.5 (DEPTH ?\?)\nG01 Z-#1\n");
        TMacrobdlg& dialog = rig.dialog;
        dialog.Memo1->clear();
        dialog.CBKeepCmts->setChecked(false);
        bool typed = false;
        QTimer operatorAtTheBox;
        QObject::connect(&operatorAtTheBox, &QTimer::timeout, [&] {
            auto* box = qobject_cast<TGetvardlg*>(QApplication::activeModalWidget());
            if (typed || !box || !box->isVisible())
                return;
            typed = true;
            box->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            QWidget* field = QApplication::focusWidget();
            ASSERT_EQ(field, box->Tresult);
            EXPECT_EQ(box->Tresult->text(), "2.50000");
            QTest::keyClicks(field, c.typed);
            QTest::keyClick(field, Qt::Key_Return);
        });
        operatorAtTheBox.start(0);
        dialog.show();
        dialog.OKBtnClick();
        EXPECT_TRUE(typed);
        EXPECT_EQ(rig.folder.read("ASK.OUT"), c.written);
        EXPECT_TRUE(rig.prompter.shown.empty());
    }
}

TEST(BMacroDialogTest, ShowingLoadsTheKeptVariablesAndAValueIsAsked)
{
    TempFolder folder;
    folder.write("BMACROVARS.TXT", "#100=25.4\r\n(INCH)\r\n");
    mrw::WorkspaceGlobals globals;
    mrw::initializeWorkspaceGlobals(globals, folder.path());
    ScriptedPrompter prompter;
    TMacrobdlg dialog(globals, prompter);
    dialog.FormShow();
    EXPECT_EQ(dialog.Memo1->toPlainText(), "#100=25.4\n(INCH)");
    EXPECT_EQ(dialog.Label4->text(), "Line #");

    dialog.Ofilename->setText(QString::fromStdString(folder.file("ASK.OUT")));
    dialog.CBKeepCmts->setChecked(false);
    dialog.setProgramSource([] { return platform::splitLines("X1.\n#1=#100 (DEPTH ?\?)\nZ#1\n"); });
    std::string asked;
    dialog.setValueAsker([&](const std::string& prompt, double& value) {
        EXPECT_EQ(dialog.Label4->text(), "Line # 2");
        EXPECT_EQ(dialog.Label5->text(), "#1=#100 (DEPTH ?\?)");
        asked = prompt + " " + std::to_string(value);
        value = 3;
        return true;
    });
    dialog.OKBtnClick();
    EXPECT_EQ(asked, "(DEPTH ?\?) 25.400000");
    EXPECT_EQ(folder.read("ASK.OUT"), "X1.\r\nZ3.0000\r\n");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(BMacroDialogTest, ValueBoxEvaluatesItsField)
{
    ScriptedPrompter prompter;
    TGetvardlg box(prompter);
    EXPECT_EQ(box.windowTitle(), "Input a Number");
    box.setPrompt("(DEPTH ?\?)");
    box.setValue(5);
    EXPECT_EQ(box.Tresult->text(), "5.00000");
    box.Tresult->setText("2*3");
    box.TresultExit();
    EXPECT_EQ(box.Tresult->text(), "6.00000");
    EXPECT_EQ(box.value(), 6.0);

    box.Tresult->setText("2*");
    box.accept();
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(box.Tresult->text(), "2*");
    EXPECT_NE(box.result(), QDialog::Accepted);
}
TEST(BMacroDialogTest, AShownValueBoxIsTakenDownWithoutEvaluating)
{
    ScriptedPrompter prompter;
    {
        TGetvardlg box(prompter);
        box.show();
        box.activateWindow();
        box.Tresult->setFocus();
        QApplication::processEvents();
        box.Tresult->setText("2*");
    }
    EXPECT_TRUE(prompter.shown.empty());
}
