#include "analyzer/ui/settings_dialog.h"

#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/ui/about_box.h"
#include "analyzer/ui/color_picker.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vork;

namespace {

// Answers the next modal colour picker: the cell given, then OK or Cancel.
void answerPicker(ColorPicker& picker, int row, int column, bool ok)
{
    QTimer::singleShot(0, &picker, [&picker, row, column, ok] {
        picker.chooseCell(row, column);
        if (ok)
            picker.accept();
        else
            picker.reject();
    });
}

} // namespace

TEST(SettingsDialogTest, ShowLoadsAndOkStores)
{
    AnalyzerSettings settings;
    settings.sub = true;
    settings.speed = 7;
    settings.tapeDir = "d:\\nc\\\xE9t\xE9";
    ColorPicker picker;
    SettingsDialog dialog(settings, picker);
    dialog.show();
    auto* sub = dialog.findChild<QCheckBox*>("sub");
    auto* speed = dialog.findChild<QSpinBox*>("speed");
    auto* tapeDir = dialog.findChild<QLineEdit*>("tapedir");
    auto* editor = dialog.findChild<QLineEdit*>("defedit");
    ASSERT_TRUE(sub && speed && tapeDir && editor);
    EXPECT_TRUE(sub->isChecked());
    EXPECT_EQ(speed->value(), 7);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(editor->isEnabled());

    sub->setChecked(false);
    speed->setValue(12);
    dialog.findChild<QCheckBox*>("blackback")->setChecked(true);
    dialog.findChild<QLineEdit*>("defmch")->setText("LATHE.MCH");
    dialog.accept();
    EXPECT_FALSE(settings.sub);
    EXPECT_EQ(settings.speed, 12);
    EXPECT_TRUE(settings.blackBackground);
    EXPECT_EQ(settings.defaultMachine, "LATHE.MCH");
    EXPECT_EQ(settings.tapeDir, "d:\\nc\\\xE9t\xE9"); // bytes kept through the widget
}

TEST(SettingsDialogTest, CancelKeepsSettingsButNotTheRapidColourChoice)
{
    AnalyzerSettings settings;
    ColorPicker picker;
    SettingsDialog dialog(settings, picker);
    dialog.show();
    dialog.findChild<QCheckBox*>("arrows")->setChecked(true);

    answerPicker(picker, 2, 3, true);
    dialog.chooseRapidColor();
    EXPECT_EQ(settings.rapidColor, 11);
    answerPicker(picker, 0, 1, false);
    dialog.chooseRapidColor();
    EXPECT_EQ(settings.rapidColor, 11);
    dialog.reject();
    EXPECT_FALSE(settings.arrows);
    EXPECT_EQ(settings.rapidColor, 11);
}

TEST(SettingsDialogTest, PickerPresetLeavesTheGridSelection)
{
    ColorPicker picker;
    auto* grid = picker.findChild<QTableWidget*>("colorGrid");
    ASSERT_TRUE(grid);
    grid->setCurrentCell(1, 1);
    picker.Setpen(14);
    EXPECT_EQ(picker.GetPen(), 14);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    emit grid->cellClicked(3, 1);
    EXPECT_EQ(picker.GetPen(), 13);
    emit grid->cellClicked(0, 2);
    EXPECT_EQ(picker.GetPen(), 2);
}

TEST(SettingsDialogTest, PickerTakesTheCellMovedToWithTheKeyboard)
{
    ColorPicker picker;
    auto* grid = picker.findChild<QTableWidget*>("colorGrid");
    ASSERT_TRUE(grid);
    picker.Setpen(14);
    picker.show();
    grid->setFocus();
    grid->setCurrentCell(1, 1); // where the user last left it
    EXPECT_EQ(picker.GetPen(), 14);
    QTimer::singleShot(0, &picker, [&] {
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        picker.accept();
    });
    ASSERT_EQ(picker.exec(), QDialog::Accepted);
    EXPECT_EQ(picker.GetPen(), 2 * 4 + 2);
}

TEST(SettingsDialogTest, AboutBoxShowsTheVersion)
{
    AboutBox about;
    about.show();
    EXPECT_EQ(about.windowTitle(), "About Vork Analyzer");
    EXPECT_EQ(about.findChild<QLabel*>("version")->text(), "11.08");
}
