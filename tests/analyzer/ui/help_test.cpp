// Every help button and help menu item of the analyzer: disabled while the help pages are
// not installed, and opening its own page once they are.
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/run_state.h"
#include "analyzer/ui/color_picker.h"
#include "analyzer/ui/error_dialog.h"
#include "analyzer/ui/fixture_dialogs.h"
#include "analyzer/ui/machine_setup_editor.h"
#include "analyzer/ui/main_window.h"
#include "analyzer/ui/nc_editor.h"
#include "analyzer/ui/operations_dialog.h"
#include "analyzer/ui/settings_dialog.h"
#include "analyzer/ui/three_d_setup_dialog.h"
#include "analyzer/ui/time_graph_dialog.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

using namespace vork;

namespace {

// Takes the pages the help commands open instead of a browser.
class PageCatcher : public QObject {
    Q_OBJECT
public:
    PageCatcher() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~PageCatcher() override { QDesktopServices::unsetUrlHandler("file"); }
    Q_INVOKABLE void open(const QUrl& url) { opened << url.fileName(); }
    QStringList opened;
};

// A program folder, with or without the help pages, for the program's own windows.
struct ProgramFolder {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    explicit ProgramFolder(const QStringList& pages)
    {
        std::filesystem::create_directory(folder.file("help"));
        for (const QString& page : pages)
            folder.write("help/" + page.toStdString(), "<html></html>");
        ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1);
    }
    ~ProgramFolder() { ::unsetenv("MRW_PROGRAM_DIR"); }
};

// The help control of a window: a button with the text "&Help" or a menu item.
struct HelpControl {
    const char* window;
    std::function<std::unique_ptr<QWidget>(ProgramFolder&)> make;
    QString menuItem; // empty: the window's help button
    QString page;
};

struct Parts {
    TRunState state;
    AnalyzerSettings settings;
    ViewState view;
    FixtureTable fixtures;
    TOperationTable operations;
    std::int16_t opSlot = 0;
    bool lathe = false;
    ColorPicker picker;
};

QAbstractButton* helpButton(QWidget& window)
{
    for (auto* button : window.findChildren<QAbstractButton*>())
        if (button->text() == "&Help" || button->text() == "Help")
            return button;
    return nullptr;
}

QAction* menuItem(QWidget& window, const QString& text)
{
    for (auto* menu : window.findChildren<QMenu*>())
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

std::vector<HelpControl> helpControls(Parts& p)
{
    return {
        {"NC-Code Error", [](ProgramFolder&) { return std::make_unique<TErrorDlg>(); }, {}, "6.html"},
        {"Cycle Time -- By Tool", [&p](ProgramFolder&) { return std::make_unique<TTimeGraphDlg>(p.state); }, {},
         "10459.html"},
        {"Settings", [&p](ProgramFolder&) { return std::make_unique<SettingsDialog>(p.settings, p.picker); }, {},
         "3.html"},
        {"Standard Colors", [](ProgramFolder&) { return std::make_unique<ColorPicker>(); }, {}, "5.html"},
        {"Fixture Display",
         [&p](ProgramFolder& f) { return std::make_unique<TFixtureDlg>(p.fixtures, p.lathe, f.prompter); },
         {},
         "4.html"},
        {"DXF Import",
         [&p](ProgramFolder& f) { return std::make_unique<TDXFinDlg>(p.fixtures, false, f.prompter); },
         {},
         "4.html"},
        {"3D View Setup", [&p](ProgramFolder&) { return std::make_unique<ThreeDSetupDialog>(p.view, p.settings); }, {},
         "10025.html"},
        {"RE/UN-Sequence Block Numbers", [](ProgramFolder&) { return std::make_unique<TRESEQDlg>(); }, {},
         "10023.html"},
        {"NC-Editor", [](ProgramFolder& f) { return std::make_unique<TNCEditor>(f.prompter); }, "&Editor Help",
         "10020.html"},
        {"Operations Manager",
         [&p](ProgramFolder& f) {
             return std::make_unique<TOperationsdlg>(p.operations, p.opSlot, p.settings, f.prompter,
                                                     [] { return false; });
         },
         "&Help",
         "10021.html"},
        {"Machine Setup",
         [](ProgramFolder& f) { return std::make_unique<TMsetupForm>(f.prompter, f.folder.path()); },
         "&Contents",
         "10017.html"},
        {"Main window contents",
         [](ProgramFolder& f) { return std::make_unique<Tmdvform>(f.folder.path(), &f.prompter); },
         "&Contents",
         "analyzer.html"},
        {"Main window index",
         [](ProgramFolder& f) { return std::make_unique<Tmdvform>(f.folder.path(), &f.prompter); },
         "Topic &Search",
         "index.html"},
    };
}

} // namespace

TEST(Help, UnavailableWithoutThePages)
{
    Parts parts;
    for (const HelpControl& c : helpControls(parts)) {
        ProgramFolder folder({});
        const std::unique_ptr<QWidget> window = c.make(folder);
        if (c.menuItem.isEmpty()) {
            QAbstractButton* button = helpButton(*window);
            ASSERT_TRUE(button) << c.window;
            EXPECT_FALSE(button->isEnabled()) << c.window;
        } else {
            QAction* item = menuItem(*window, c.menuItem);
            ASSERT_TRUE(item) << c.window;
            EXPECT_FALSE(item->isEnabled()) << c.window;
        }
        EXPECT_TRUE(folder.prompter.shown.empty()) << c.window;
    }
}

TEST(Help, EachCommandOpensItsOwnPage)
{
    Parts parts;
    const std::vector<HelpControl> controls = helpControls(parts);
    QStringList pages;
    for (const HelpControl& c : controls)
        pages << c.page;
    for (const HelpControl& c : controls) {
        ProgramFolder folder(pages);
        const std::unique_ptr<QWidget> window = c.make(folder);
        PageCatcher catcher;
        if (c.menuItem.isEmpty()) {
            QAbstractButton* button = helpButton(*window);
            ASSERT_TRUE(button) << c.window;
            window->show();
            button->click();
            EXPECT_TRUE(window->isVisible()) << c.window << ": help leaves the window open";
        } else {
            QAction* item = menuItem(*window, c.menuItem);
            ASSERT_TRUE(item) << c.window;
            item->trigger();
        }
        EXPECT_EQ(catcher.opened.join(", ").toStdString(), c.page.toStdString()) << c.window;
    }
}

#include "help_test.moc"
