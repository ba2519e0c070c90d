// The accelerators of every menu of the analyzer's windows, and of the editor's find and
// replace dialogs.
#include "analyzer/engine/operation_table.h"
#include "analyzer/ui/drawing_area.h"
#include "analyzer/ui/machine_setup_editor.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/nc_editor.h"
#include "analyzer/ui/operations_dialog.h"
#include "support/menu_accelerators.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QLabel>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace vork;

namespace {

// The numbered recent files of the File menu.
const testsupport::AcceleratorRules RecentFiles{QRegularExpression("^&\\d "), {}};

void expectNoClashes(const char* window, const QList<QAction*>& entries)
{
    for (const std::string& clash : testsupport::acceleratorClashes(entries, RecentFiles))
        ADD_FAILURE() << window << ": " << clash;
}

} // namespace

TEST(Accelerators, NoTwoEntriesOfAMenuShareALetter)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("ZV.INI", "[DV]\r\nSPEED=0\r\n");
    Tmdvform window(folder.path(), &prompter);
    // The toolbar's buttons answer Alt and their letter as the menu bar's menus do.
    auto* toolbar = window.findChild<QToolBar*>("toolbar");
    ASSERT_TRUE(toolbar);
    for (const char* name : {"startButton", "singleButton", "stopButton"}) {
        auto* button = toolbar->findChild<QAction*>(name);
        ASSERT_TRUE(button) << name;
        EXPECT_EQ(button->shortcut().toString(), QKeySequence::mnemonic(button->text()).toString()) << name;
        EXPECT_FALSE(button->shortcut().isEmpty()) << name;
    }
    expectNoClashes("main window", window.menuBar()->actions() + toolbar->actions());
    expectNoClashes("drawing area's popup", window.drawingArea().actions());

    TNCEditor editor(prompter);
    expectNoClashes("NC editor", editor.findChild<QMenuBar*>()->actions());

    TOperationTable table;
    std::int16_t opSlot = 0;
    AnalyzerSettings settings;
    TOperationsdlg operations(table, opSlot, settings, prompter, [] { return false; });
    expectNoClashes("operations manager", operations.findChild<QMenuBar*>()->actions());

    TMsetupForm setup(prompter, folder.path());
    expectNoClashes("machine setup", setup.menuBar()->actions());
}

TEST(Accelerators, LabelsWithALetterLeadToTheirField)
{
    for (const bool replace : {false, true}) {
        FindReplaceDialog dialog(replace);
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!testsupport::acceleratorOf(label->text()).isNull()) {
                EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString() << " shows its \"&\"";
            }
        }
    }
}

// The editor's toolbar shows each command's name, with the desktop's own icon for it or none.
TEST(Accelerators, EditorToolbarButtonsShowTheirOwnCommand)
{
    testsupport::ScriptedPrompter prompter;
    TNCEditor editor(prompter);
    auto* tools = editor.findChild<QToolBar*>();
    ASSERT_TRUE(tools);
    EXPECT_EQ(tools->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    const std::pair<const char*, const char*> expected[] = {
        {"Exit", "application-exit"}, {"Print", "document-print"}, {"Cut", "edit-cut"},
        {"Copy", "edit-copy"},        {"Paste", "edit-paste"}};
    for (const auto& [text, icon] : expected) {
        QAction* button = nullptr;
        for (QAction* a : tools->actions())
            if (a->text() == text)
                button = a;
        ASSERT_TRUE(button) << text;
        EXPECT_TRUE(button->icon().isNull() || button->icon().name() == icon) << text;
    }
}
