// The NC Utilities commands on the real main window: the menu rows, their dialogs,
// the setup dialog's "NC-Commands" buttons and the cleanup before a send.
#include "workspace/ui/nc_utility_commands.h"

#include "dnc/ui/dnc_terminal.h"
#include "dnc/ui/send_dialog.h"
#include "mrw2013/dnc_terminal_link.h"
#include "workspace/engine/setup_rules.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/process_dialog.h"
#include "workspace/ui/setup_dialog.h"
#include "workspace/ui/text_utility_dialogs.h"
#include "workspace/ui/word_utility_dialogs.h"

#include "platform/stored_path.h"
#include "platform//folders.h"
#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;

namespace {

std::string example(const std::string& name)
{
    return testsupport::exampleFile(name);
}

class NoFileDialogs : public FileDialogs {
public:
    QStringList openFiles(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&, const QString&) override { return {}; }
};

class NcUtilitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousFolder = platform::currentFolder();
        ::setenv("MRW_WINDOWS_DIR", windows.path().c_str(), 1);
        for (const char* name : {"WPOSTS.INI", "MRW2013.INI", "O1001.TAP"})
            program.write(name, example(name));
        mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), program.path());
    }
    void TearDown() override
    {
        form.reset();
        platform::setCurrentFolder(m_previousFolder);
    }

    // The main window with the example program open; every option dialog is answered
    // by `answer` (OK unless it says otherwise).
    TMainForm& start(bool openExample = true)
    {
        QStringList arguments;
        if (openExample)
            arguments << QString::fromStdString(program.file("O1001.TAP"));
        form = std::make_unique<TMainForm>(arguments, &prompter);
        form->setFileDialogs(std::make_unique<NoFileDialogs>());
        form->ncUtilities()->setDialogRunner([this](QDialog& dialog) {
            dialog.show();
            const bool ok = answer ? answer(dialog) : true;
            dialog.hide();
            ++dialogsShown;
            return ok;
        });
        form->show();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        return *form;
    }
    void trigger(const QString& item)
    {
        for (QAction* action : form->menuBar()->findChildren<QAction*>())
            if (action->text() == item) {
                action->trigger();
                return;
            }
        FAIL() << "no menu item " << item.toStdString();
    }
    EditorPane& pane() { return *form->activeChild()->ActivePane; }
    std::string text() { return pane().bytes(); }
    mrw::MachineSettings& machine() { return mrw::workspaceGlobals().Machine.settings(); }

    TempFolder program;
    TempFolder windows;
    ScriptedPrompter prompter;
    std::unique_ptr<TMainForm> form;
    std::function<bool(QDialog&)> answer;
    int dialogsShown = 0;

private:
    std::string m_previousFolder;
};

} // namespace

TEST_F(NcUtilitiesTest, ReSequenceFromTheMenuRenumbersTheExampleAsOneUndoStep)
{
    start();
    const std::string original = text();
    pane().setCursorPosition(5, 3);
    machine().Reseq.snum = "100";
    machine().Reseq.nincr = "5";
    trigger("&Re-Sequence");
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_EQ(text(), "%\r\nO1001 (POCKET SUB-PROGRAM)\r\nN100 G91 G01 Z-0.2 F5.\r\nN105 X0.25 F15.\r\n"
                      "N110 G03 X0. Y0. I-0.25 J0.\r\nN115 G01 X-0.25\r\nN120 G00 Z0.2\r\nN125 G90\r\nN130 M99\r\n%\r\n");
    int line = -1, index = -1;
    pane().getCursorPosition(&line, &index);
    EXPECT_EQ(line, 0);
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(pane().viewport()->updatesEnabled());
    EXPECT_FALSE(form->ncUtilities()->processDialog().isVisible());
    pane().undo();
    EXPECT_EQ(text(), original);
}

TEST_F(NcUtilitiesTest, EveryUtilityNeedsAnOpenFileFirst)
{
    start(false);
    for (const char* item : {"&Arithmetic", "Add / Remove &Spaces", "Change &Line Begin/End", "F&eed / Speed Overide",
                             "File Splitter", "&Make Columns", "Re-&Format", "&Re-Sequence", "File Cleanup"})
        trigger(item);
    EXPECT_EQ(dialogsShown, 0);
    ASSERT_EQ(prompter.shown.size(), 9u);
    EXPECT_EQ(prompter.shown[0].text, "No File Currently Loaded\nSelect File Open/New First");
}

TEST_F(NcUtilitiesTest, SpacesOnASelectionChangeOnlyTheSelectedLines)
{
    start();
    pane().setSelection(2, 0, 3, 2);
    trigger("Add / Remove &Spaces");
    const auto lines = platform::splitLines(text());
    EXPECT_EQ(lines[1], "O1001 (POCKET SUB-PROGRAM)");
    EXPECT_EQ(lines[2], "N10G91G01Z-0.2F5.");
    EXPECT_EQ(lines[3], "N20X0.25F15.");
    EXPECT_EQ(lines[4], "N30 G03 X0. Y0. I-0.25 J0.");
}

TEST_F(NcUtilitiesTest, NcCommandButtonsEditTheMachineSettingsThroughTheSameDialogs)
{
    start();
    answer = [](QDialog& dialog) {
        auto* width = dialog.findChild<QLineEdit*>("tabw");
        if (!width)
            return false;
        width->selectAll();
        QTest::keyClicks(width, "7");
        return true;
    };
    mrw::TMRWSetupDlg* setup = form->setupDialog();
    const auto buttons = setup->findChildren<QPushButton*>();
    const auto it = std::find_if(buttons.begin(), buttons.end(), [](auto* b) { return b->text() == "Make Columns"; });
    ASSERT_NE(it, buttons.end());
    (*it)->click();
    EXPECT_EQ(machine().MakeCols.tabw, "7");
    EXPECT_EQ(&form->ncUtilities()->makeColumnsDialog(), form->findChild<TMakeColsDlg*>());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(NcUtilitiesTest, ASendWithCleanupCleansTheEditorTextFirst)
{
    start();
    machine().CBRunFclean = true;
    machine().Fclean.RemoveComments = true;
    machine().Fclean.AddStopCode = true;
    pane().setText("G01 X1. (CUT)\r\nM30\r\n");
    dnc::TSendDlg& send = mrw2013::terminalOf(*form)->sendDialog();
    send.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(text(), "G01 X1. \r\nM30\r\n%\r\n");
    send.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(text(), "G01 X1. \r\nM30\r\n%\r\n"); // a second send adds no second "%"
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(NcUtilitiesTest, FileSplitterStartsInTheLoadSaveFolderWithTheDefaultExtension)
{
    start();
    TempFolder out;
    answer = [&](QDialog& dialog) {
        auto* folder = dialog.findChild<QLineEdit*>("DirDNL");
        EXPECT_EQ(folder->text().toStdString(),
                  platform::resolveStoredPath(machine().DirLS));
        EXPECT_EQ(dialog.findChild<QLineEdit*>("Fext")->text(), "TAP");
        folder->setText(QString::fromStdString(out.path()));
        return true;
    };
    trigger("File Splitter");
    EXPECT_EQ(out.read("O1001.TAP"), platform::joinLinesCrLf(platform::splitLines(example("O1001.TAP"))));
}

TEST_F(NcUtilitiesTest, ReformatMovesTheSelectorOrLeavesEverythingOnTheOldMachine)
{
    {
        platform::IniFile ini(program.file("WPOSTS.INI"));
        ini.writeString("Cell DFT", "DIGR", "x");
    }
    start();
    const std::string original = text();
    answer = [](QDialog& dialog) {
        auto* names = dialog.findChild<QComboBox*>("Mnames");
        names->setCurrentIndex(names->findText("Cell DFT"));
        return true;
    };
    trigger("Re-&Format");
    EXPECT_EQ(text(), original);
    EXPECT_EQ(form->machineSelector()->currentText(), "Mill 1");
    EXPECT_EQ(mrw::workspaceGlobals().CurrentMachineName, "Mill 1");
    EXPECT_EQ(machine().Digr, "4");
    ASSERT_EQ(prompter.shown.size(), 1u);

    answer = [](QDialog& dialog) {
        auto* names = dialog.findChild<QComboBox*>("Mnames");
        names->setCurrentIndex(names->findText("Lathe 1"));
        return true;
    };
    trigger("Re-&Format");
    EXPECT_EQ(form->machineSelector()->currentText(), "Lathe 1");
    EXPECT_EQ(mrw::workspaceGlobals().CurrentMachineName, "Lathe 1");
    EXPECT_EQ(platform::splitLines(text())[3], "N20 X.25 F15."); // Lathe 1 writes decimal words without a zero whole part
}

// ---- The dialogs -----------------------------------------------------------------------

TEST_F(NcUtilitiesTest, OverrideSlidersShowPercentsAndStartAgainAt100)
{
    start();
    TFSoverDlg& dialog = form->ncUtilities()->feedSpeedDialog();
    dialog.show();
    auto* feed = dialog.findChild<QSlider*>("feedbar");
    EXPECT_EQ(feed->minimum(), -19);
    EXPECT_EQ(feed->maximum(), 20);
    feed->setValue(-1);
    dialog.findChild<QSlider*>("Speedbar")->setValue(20);
    EXPECT_EQ(dialog.findChild<QLabel*>("Flab")->text(), " 95%");
    EXPECT_EQ(dialog.findChild<QLabel*>("Slab")->text(), "200%");
    EXPECT_EQ(dialog.feedPercent(), 95);
    EXPECT_EQ(dialog.speedPercent(), 200);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(feed->value(), 0);
    EXPECT_EQ(dialog.feedPercent(), 100);
    EXPECT_EQ(dialog.findChild<QLabel*>("Flab")->text(), "100%");
    dialog.hide();
}

TEST_F(NcUtilitiesTest, RefusalsKeepTheirDialogsOpen)
{
    start();
    machine().Arith.Operation = 4;
    machine().Arith.Amount = "0.00001";
    TArithDlg& arithmetic = form->ncUtilities()->arithmeticDialog();
    arithmetic.show();
    arithmetic.accept();
    EXPECT_TRUE(arithmetic.isVisible());
    arithmetic.hide();

    TReformatDlg& reformat = form->ncUtilities()->reformatDialog();
    reformat.show();
    auto* names = reformat.findChild<QComboBox*>("Mnames");
    EXPECT_EQ(names->count(), form->machineSelector()->count());
    names->setCurrentIndex(names->findText("Mill 1"));
    reformat.accept();
    EXPECT_TRUE(reformat.isVisible());
    reformat.hide();
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, "Cannot Divide by Zero");
    EXPECT_EQ(prompter.shown[1].text, "Current Machine & New Machine Are the Same");
}

TEST_F(NcUtilitiesTest, SubstitutionTableEditsTheRowsAndFollowsItsCheckBox)
{
    start();
    TReformatDlg& dialog = form->ncUtilities()->reformatDialog();
    dialog.show();
    auto* grid = dialog.findChild<QTableWidget*>("SubGrid");
    ASSERT_EQ(grid->rowCount(), 21);
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Old");
    grid->item(20, 2)->setText(QString(90, 'A'));
    EXPECT_EQ(machine().Reformat.Rows[20].New, std::string(80, 'A'));
    dialog.findChild<QCheckBox*>("Cbusesub")->setChecked(false);
    EXPECT_FALSE(grid->isEnabled());
    EXPECT_FALSE(machine().Reformat.Cbusesub);
    dialog.hide();
}

TEST_F(NcUtilitiesTest, RemovingAllNumbersDisablesTheNumberFields)
{
    start();
    TRESEQDlg& dialog = form->ncUtilities()->resequenceDialog();
    dialog.findChild<QCheckBox*>("unseq")->setChecked(true);
    for (const char* name : {"snum", "nincr", "maxdig", "skpchrs", "Seqchrs"})
        EXPECT_FALSE(dialog.findChild<QLineEdit*>(name)->isEnabled()) << name;
    EXPECT_FALSE(dialog.findChild<QCheckBox*>("lzeros")->isEnabled());
    EXPECT_TRUE(dialog.removeAll());
}

TEST_F(NcUtilitiesTest, OptionDialogsOpenAgainWithTheFocusInTheirFirstFieldItsTextSelected)
{
    start();
    machine().Reseq.snum = "100";
    const std::pair<const char*, const char*> cases[] = {
        {"&Re-Sequence", "snum"},        {"Add / Remove &Spaces", "RBAdd"}, {"Change &Line Begin/End", "Bfrom"},
        {"&Make Columns", "Regorder"},   {"File Cleanup", "CheckBox5"},     {"File Splitter", "DirDNL"},
        {"F&eed / Speed Overide", "feedbar"}, {"&Arithmetic", "Regs"},      {"Re-&Format", "Regs"},
    };
    for (const auto& [item, field] : cases) {
        // Closed the last time with the focus on OK (and, for the spaces, with "Add" chosen).
        answer = [](QDialog& dialog) {
            if (auto* add = dialog.findChild<QRadioButton*>("RBAdd"))
                add->setChecked(true);
            static_cast<TOKBottomDlg&>(dialog).okButton()->setFocus();
            return false;
        };
        trigger(item);
        QString focused, selected, text;
        answer = [&](QDialog& dialog) {
            if (QWidget* w = dialog.focusWidget()) {
                focused = w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName();
                if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                    selected = edit->selectedText();
                    text = edit->text();
                }
            }
            return false;
        };
        trigger(item);
        EXPECT_EQ(focused.toStdString(), field) << item;
        EXPECT_EQ(selected, text) << item;
    }
}

TEST_F(NcUtilitiesTest, ReadOnlyShowsInTheStatusBarAndUtilitiesSayWhyTheyDoNothing)
{
    start();
    machine().Reseq.snum = "100";
    const std::string original = text();
    trigger("Toggle Read Only");
    EXPECT_EQ(form->statusPanel(7)->text(), "Read Only");
    trigger("&Re-Sequence");
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(text(), original);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(prompter.shown.back().text.find("Read Only"), std::string::npos);

    trigger("Toggle Read Only");
    EXPECT_EQ(form->statusPanel(7)->text(), "Insert");
    trigger("&Re-Sequence");
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_NE(text(), original);
}
