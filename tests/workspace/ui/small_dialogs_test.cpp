#include "workspace/ui/about_mrw.h"
#include "platform/qt/ok_bottom_dialog.h"
#include "workspace/ui/pick_char_dialog.h"
#include "workspace/ui/process_dialog.h"
#include "workspace/ui/bmacro_dialogs.h"

#include "platform/qt/qthost.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

TEST(OkBottomDialog, OkAndCancelCloseWithTheirResults)
{
    TOKBottomDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    EXPECT_TRUE(dialog.okButton()->isDefault());
    dialog.show();
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.show();
    dialog.cancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(CharacterPickerDialog, CornersAndControlCharacters)
{
    TPickCharDlg picker;
    picker.show();
    QTableWidget* table = picker.table();
    EXPECT_EQ(table->rowCount(), 7);
    EXPECT_EQ(table->columnCount(), 32);
    EXPECT_EQ(table->item(0, 0)->text(), " ");
    table->setCurrentCell(6, 31);
    EXPECT_EQ(picker.selectedCode(), 255);
    EXPECT_EQ(picker.status(), "Chr = 255");
    EXPECT_EQ(table->item(6, 31)->text(), QString(QChar(0xFF)));
    picker.accept();
    EXPECT_EQ(QApplication::clipboard()->text(), QString(QChar(0xFF)));

    // "(none)" puts nothing on the clipboard; moving to a cell resets the box.
    picker.controlChars()->setCurrentIndex(3);
    emit picker.controlChars()->activated(3);
    EXPECT_EQ(picker.selectedCode(), 3);
    table->setCurrentCell(1, 1);
    EXPECT_EQ(picker.controlChars()->currentIndex(), 0);
    EXPECT_EQ(picker.selectedCode(), 65);
    emit picker.controlChars()->activated(0);
    EXPECT_EQ(picker.selectedCode(), 0);
    picker.accept();
    EXPECT_EQ(QApplication::clipboard()->text(), QString());
}

TEST(ProgressDialog, MeterAndCancel)
{
    TProcessDlg meter;
    meter.setWindowTitle("Resequencing...");
    meter.setPercent(0);
    meter.show();
    EXPECT_FALSE(meter.cancelled());
    meter.setProgress(1, 8);
    EXPECT_EQ(meter.percent(), 12);
    meter.findChild<QPushButton*>()->click();
    EXPECT_TRUE(meter.cancelled());
    meter.hide();
    meter.show(); // a new showing starts without a Cancel
    EXPECT_FALSE(meter.cancelled());
}

TEST(AboutBox, TitleVersionAndFolder)
{
    TMdiAbout about;
    about.setWorkingFolder("/shop/nc/");
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.versionShown(), "5.160");
    EXPECT_EQ(about.workingFolderShown(), "/shop/nc/");
}

TEST(SmallBoxes, TitlesFitBesideTheTitleBarButtons)
{
    // Measured as the title bar draws: a bold face a quarter larger, icon and three buttons.
    const auto fits = [](QWidget& box) {
        QFont font = QApplication::font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.25);
        const int buttons = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
        return box.width() >= QFontMetrics(font).horizontalAdvance(box.windowTitle()) + buttons;
    };
    for (const char* caption : {"Go to Line Number", "NC-Code Macro"}) {
        bool fitted = false;
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            fitted = fits(*box);
            static_cast<QDialog*>(box)->reject();
        });
        platform::QtPrompter prompter;
        std::string value = "1";
        EXPECT_FALSE(prompter.inputString(caption, "Enter", value));
        EXPECT_TRUE(fitted) << caption;
    }
    testsupport::ScriptedPrompter scripted;
    TGetvardlg box(scripted);
    box.show();
    EXPECT_TRUE(fits(box));
}
