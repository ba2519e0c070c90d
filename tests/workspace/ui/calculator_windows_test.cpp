#include "workspace/ui/calculator_commands.h"
#include "workspace/ui/desk_calculator_window.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/speed_feed_dialog.h"
#include "workspace/ui/triangle_dialog.h"

#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "program_folder_rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using testsupport::ScriptedPrompter;

namespace {

std::string clipboardText() { return QApplication::clipboard()->text().toStdString(); }

bool anyShown(const ScriptedPrompter& prompter, const std::string& text)
{
    for (const auto& s : prompter.shown)
        if (s.text.find(text) != std::string::npos)
            return true;
    return false;
}

// Shows the dialog as the active window, so that focus moves as the operator's do.
void showActive(QWidget& dialog)
{
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

// Types `text` over the field's text (nothing typed when empty) and tabs out of it.
void leave(QLineEdit* edit, const char* text)
{
    edit->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

// The report of the 3-4-5 triangle, shared with the solver's own tests.
std::string report345()
{
    return testsupport::readFixture(std::string(MRW_SOURCE_DIR) + "/tests/workspace/engine/fixtures", "triangle_3_4_5.txt");
}

} // namespace

// ---- Triangle dialog -------------------------------------------------------------------

TEST(TriangleDialog, SolvesOrStaysOpen)
{
    ScriptedPrompter prompter;
    TTriangleDlg dialog(prompter);
    EXPECT_EQ(dialog.windowTitle(), "Triangle Solutions");
    EXPECT_EQ(dialog.SideA->text(), "0.0");

    QApplication::clipboard()->setText("before");
    dialog.SideA->setText("1+2");
    dialog.SideB->setText("4");
    dialog.SideC->setText("5*");
    dialog.OKBtnClick();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(clipboardText(), "before");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].caption, "Warning");
    EXPECT_EQ(dialog.SideC->text(), "5*");

    dialog.SideC->setText("-1");
    dialog.OKBtnClick();
    EXPECT_EQ(prompter.shown.back().text, "Error, Bad Sides");
    EXPECT_EQ(prompter.shown.back().kind, platform::MessageKind::Error);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(clipboardText(), "before");

    dialog.SideC->setText("5");
    dialog.OKBtnClick();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(clipboardText(), report345());
    EXPECT_EQ(dialog.SideA->text(), "3.00000");
}

// ---- Speed and feed dialog -------------------------------------------------------------

TEST(SpeedFeedDialog, LeavingAFieldRecalculates)
{
    ScriptedPrompter prompter;
    TSFCalcDlg dialog(prompter);
    EXPECT_EQ(dialog.windowTitle(), "Speed & Feed Calculator");
    showActive(dialog);

    leave(dialog.EdFPM, "100");
    EXPECT_EQ(dialog.EdRPM->text(), "763.94373");
    EXPECT_EQ(dialog.EdIPM->text(), "122.23100");
    EXPECT_EQ(dialog.Edit2->text(), "0.05206");
    EXPECT_EQ(dialog.Label1->text(), "Cut Time = 0 Minutes, 0.98 Seconds");

    leave(dialog.EdIPR, "0.2");
    EXPECT_EQ(dialog.EdIPM->text(), "152.78875");
    EXPECT_EQ(dialog.EdChipl->text(), "0.05000");

    leave(dialog.EdRPM, "1000+");
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(dialog.EdIPM->text(), "152.78875");

    leave(dialog.EdChipl, "0.1"); // evaluated only
    EXPECT_EQ(dialog.EdChipl->text(), "0.10000");
    EXPECT_EQ(dialog.EdIPM->text(), "152.78875");

    dialog.RadioGroup2->button(1)->click();
    QLabel* feedCaption = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->buddy() == dialog.EdIPM)
            feedCaption = label;
    ASSERT_NE(feedCaption, nullptr);
    EXPECT_EQ(feedCaption->text(), "MM/min");
    leave(dialog.EdFPM, "100");
    leave(dialog.Edtd, "10");
    EXPECT_EQ(dialog.EdRPM->text(), "3183.09886");

    dialog.RadioGroup1->button(1)->click();
    EXPECT_EQ(dialog.EdNteeth->text(), "1.0");
    EXPECT_EQ(dialog.EdChipl->text(), dialog.EdIPR->text());
    EXPECT_FALSE(dialog.EdNteeth->isEnabled());
    dialog.RadioGroup1->button(0)->click();
    EXPECT_TRUE(dialog.EdNteeth->isEnabled());

    const std::string report = dialog.report();
    EXPECT_EQ(report.rfind("Speed & Feed Calculation\r\nTool Diameter       : 10.00000\r\n", 0), 0u) << report;
    EXPECT_NE(report.find("MM/min              : "), std::string::npos);
}

TEST(SpeedFeedDialog, OpensCalculatedLeavingAnUnchangedFieldRecalculatesAndTheReportIsTheScreen)
{
    ScriptedPrompter prompter;
    TSFCalcDlg dialog(prompter);
    EXPECT_EQ(dialog.Edit2->text(), "0.05206");
    EXPECT_EQ(dialog.Edit3->text(), "159.07729");
    EXPECT_EQ(dialog.Label1->text(), "Cut Time = 0 Minutes, 0.98 Seconds");
    showActive(dialog);

    leave(dialog.EdChipl, "0.05"); // evaluated only
    EXPECT_EQ(dialog.Edit2->text(), "0.05206");
    leave(dialog.EdFPM, ""); // left as it stands
    EXPECT_EQ(dialog.Edit2->text(), "0.06507");
    EXPECT_EQ(dialog.EdIPM->text(), "152.78875");

    // Typed into RPM and closed with Enter: the report holds what the fields show.
    dialog.EdRPM->setFocus(Qt::TabFocusReason);
    dialog.EdRPM->selectAll();
    QTest::keyClicks(dialog.EdRPM, "10783");
    QTest::keyClick(dialog.EdRPM, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::string pasted = clipboardText();
    for (QLineEdit* field : {dialog.EdRPM, dialog.EdIPM, dialog.Edit2, dialog.Edit3})
        EXPECT_NE(pasted.find(" : " + field->text().toStdString() + "\r\n"), std::string::npos)
            << field->objectName().toStdString() << " " << field->text().toStdString() << "\n" << pasted;
    EXPECT_NE(pasted.find(dialog.Label1->text().toStdString()), std::string::npos);
}

// Leaving fields that show what the last calculation wrote changes nothing, so the report
// holds what the screen showed when OK was pressed.
TEST(SpeedFeedDialog, LeavingACalculatedFieldByOkKeepsTheScreen)
{
    ScriptedPrompter prompter;
    TSFCalcDlg dialog(prompter);
    showActive(dialog);
    dialog.RadioGroup2->button(1)->click();
    leave(dialog.Edtd, "10");
    leave(dialog.EdFPM, "100"); // the focus goes on to MM/min
    ASSERT_EQ(QApplication::focusWidget(), dialog.EdIPM);
    std::vector<std::pair<QLineEdit*, QString>> screen;
    for (QLineEdit* field : dialog.findChildren<QLineEdit*>())
        screen.emplace_back(field, field->text());
    const QString cutTime = dialog.Label1->text();

    QTest::keyClick(dialog.EdIPM, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const std::string pasted = clipboardText();
    for (const auto& [field, text] : screen) {
        EXPECT_EQ(field->text(), text) << field->objectName().toStdString();
        EXPECT_NE(pasted.find(" : " + text.toStdString() + "\r\n"), std::string::npos)
            << field->objectName().toStdString() << " " << text.toStdString() << "\n" << pasted;
    }
    EXPECT_EQ(dialog.Label1->text(), cutTime);

    // A field changed since the last calculation still moves the others when one is left.
    dialog.show();
    showActive(dialog);
    leave(dialog.Edit1, "1");
    const QString adjusted = dialog.Edit2->text();
    leave(dialog.EdFPM, "");
    EXPECT_NE(dialog.Edit2->text(), adjusted);
}

// ---- Desk calculator -------------------------------------------------------------------

TEST(DeskCalculatorWindow, KeyboardTapeAndCopy)
{
    TBcalcform window;
    EXPECT_EQ(window.windowTitle(), "Brask-Calc");
    QTest::keyClicks(&window, "10+2.5");
    auto* display = window.findChild<QLabel*>("Display");
    EXPECT_EQ(display->text(), "2.5");
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(display->text(), "12.5000");
    EXPECT_EQ(window.findChild<QLabel*>("Items")->text(), "Items: 2");

    ASSERT_EQ(window.popupMenu()->actions().size(), 1);
    EXPECT_EQ(window.popupMenu()->actions()[0]->text(), "&Copy To Clipboard");
    window.popupMenu()->actions()[0]->trigger();
    EXPECT_EQ(clipboardText(), "12.5");

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(display->text(), "0.0000");
    window.findChild<QAbstractButton*>("Key 7")->click();
    window.findChild<QAbstractButton*>("Key MS")->click();
    EXPECT_EQ(window.findChild<QLabel*>("Memory")->text(), "M");
    window.findChild<QAbstractButton*>("ClearTape")->click();
    EXPECT_EQ(window.findChild<QLabel*>("Items")->text(), "Items: 0");
}

// ---- The Calculators menu of the main window -------------------------------------------

namespace {

class CalculatorMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        mrw::userSession().setUseSecure(false);
    }
    TMDIChild* results() const
    {
        for (TMDIChild* child : form->children())
            if (child->fileName() == "Marrowin Results")
                return child;
        return nullptr;
    }
    // The triangle dialog answered with the 3-4-5 triangle, or cancelled.
    void answerTriangle(bool ok)
    {
        CalculatorCommands::of(*form).setDialogRunner([ok](QDialog& dialog) {
            auto& t = static_cast<TTriangleDlg&>(dialog);
            t.setResult(QDialog::Rejected);
            t.SideA->setText("3");
            t.SideB->setText("4");
            t.SideC->setText("5");
            if (ok)
                t.OKBtnClick();
            return t.result();
        });
    }

    testsupport::ProgramFolderRig rig;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(CalculatorMenuTest, TriangleReportIntoTheResultsWindowWithTheEditRight)
{
    answerTriangle(false);
    CalculatorCommands::of(*form).TriangleSolver1Click();
    EXPECT_EQ(results(), nullptr);
    EXPECT_TRUE(prompter.shown.empty());

    answerTriangle(true);
    CalculatorCommands::of(*form).TriangleSolver1Click();
    ASSERT_NE(results(), nullptr);
    EXPECT_EQ(results()->Editor1->bytes(), report345());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(CalculatorMenuTest, WithoutTheEditRightTheReportStaysOnTheClipboard)
{
    mrw::userSession().setUseSecure(true);
    mrw::userSession().LogOff();
    answerTriangle(true);
    CalculatorCommands::of(*form).TriangleSolver1Click();
    EXPECT_EQ(results(), nullptr);
    EXPECT_TRUE(anyShown(prompter, "Insufficient Priviliges for this Function"));
    EXPECT_TRUE(anyShown(prompter, "Triangle Results Placed in WINDOWS Clipboard"));
    EXPECT_EQ(clipboardText(), report345());
}

TEST_F(CalculatorMenuTest, SpeedFeedReportIsPastedAndTheCalculatorWindowShows)
{
    CalculatorCommands::of(*form).setDialogRunner([](QDialog& dialog) {
        static_cast<TSFCalcDlg&>(dialog).OKBtnClick();
        return dialog.result();
    });
    CalculatorCommands::of(*form).SpeedFeedCalculator1Click();
    ASSERT_NE(results(), nullptr);
    EXPECT_EQ(results()->Editor1->bytes(), CalculatorCommands::of(*form).speedFeedDialog().report());

    CalculatorCommands::of(*form).BraskCalc1Click();
    EXPECT_TRUE(CalculatorCommands::of(*form).calculatorWindow().isVisible());
    EXPECT_EQ(form->findChildren<CalculatorCommands*>().size(), 1);
}
