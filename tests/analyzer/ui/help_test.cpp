// Every help button and help menu item of the analyzer: disabled while the help pages are
// not installed, and opening its own page once they are; and every help context that the
// programs' windows bind has its page in the program's book.
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
#include "platform/qt/help.h"
#include "platform/textfile.h"
#include "support/page_catcher.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <set>

using namespace vork;

namespace {

using testsupport::PageCatcher;

// A program folder, with or without the help pages, for the program's own windows.
struct ProgramFolder {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    explicit ProgramFolder(const QStringList& pages)
    {
        std::filesystem::create_directories(folder.file("help/vork2013"));
        for (const QString& page : pages)
            folder.write("help/vork2013/" + page.toStdString(), "<html></html>");
        ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1);
        platform::setHelpBook("vork2013");
    }
    ~ProgramFolder()
    {
        ::unsetenv("MRW_PROGRAM_DIR");
        platform::setHelpBook("");
    }
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


namespace {

// What a program's windows bind to help, read from their sources: the numbers of the
// help constants and of the literals handed to the help functions, and the pages named.
struct BoundHelp {
    std::set<int> contexts;
    std::set<std::string> pages;
    std::vector<std::string> unseen; // help calls whose context the reading cannot see
};

BoundHelp boundHelp(const std::vector<std::string>& folders)
{
    static const std::regex constant(R"(\b(\w*Help\w*)\s*=\s*(\d+)\s*;)");
    static const std::regex utilityDialog(R"(UtilityOptionsDlg\(\s*"[^"]*"\s*,\s*(\d+))");
    static const std::regex pageConstant(R"re(\b(\w+)\s*=\s*"([\w.-]+\.html)")re");
    static const std::regex pageCall(R"re(\bhelpPage\(\s*"([^"]+)"\s*\))re");
    static const std::regex topicCall(R"(\b(bindHelpButton|addHelpButton|showHelpTopic|helpTopicPage|helpPage)\(([^;{]*)\))");
    static const std::regex identifier(R"([A-Za-z_]\w*)");
    static const std::regex number(R"(\b\d+\b)");
    static const std::regex comparison(R"([<>]=?\s*\d+)");
    // Parameters that hand a context on from a caller read here, and the question topic.
    static const std::set<std::string> passedOn = {"topic", "helpTopic", "name", "page", "Helpnum"};

    BoundHelp bound;
    std::map<std::string, std::string> texts;
    std::set<std::string> constants;
    for (const std::string& folder : folders)
        for (const auto& entry : std::filesystem::directory_iterator(std::string(MRW_SOURCE_DIR) + "/" + folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h")
                continue;
            const std::string text = platform::readFileBytes(entry.path().string()).value_or("");
            texts[folder + "/" + entry.path().filename().string()] = text;
            for (auto it = std::sregex_iterator(text.begin(), text.end(), constant); it != std::sregex_iterator(); ++it) {
                constants.insert((*it)[1]);
                bound.contexts.insert(std::stoi((*it)[2]));
            }
            for (auto it = std::sregex_iterator(text.begin(), text.end(), utilityDialog); it != std::sregex_iterator(); ++it)
                bound.contexts.insert(std::stoi((*it)[1]));
            for (auto it = std::sregex_iterator(text.begin(), text.end(), pageConstant); it != std::sregex_iterator(); ++it) {
                constants.insert((*it)[1]);
                bound.pages.insert((*it)[2]);
            }
            for (auto it = std::sregex_iterator(text.begin(), text.end(), pageCall); it != std::sregex_iterator(); ++it)
                bound.pages.insert((*it)[1]);
        }
    for (const auto& [file, text] : texts)
        for (auto it = std::sregex_iterator(text.begin(), text.end(), topicCall); it != std::sregex_iterator(); ++it) {
            std::string argument = (*it)[2];
            if ((*it)[1] == "bindHelpButton")
                argument = argument.substr(argument.rfind(',') + 1);
            if ((*it)[1] == "helpPage" && argument.find('"') != std::string::npos)
                continue;
            argument = std::regex_replace(argument, comparison, ""); // "Helpnum < 0 ? ..." compares, binds nothing
            bool seen = false;
            for (auto n = std::sregex_iterator(argument.begin(), argument.end(), number); n != std::sregex_iterator(); ++n) {
                bound.contexts.insert(std::stoi((*n)[0]));
                seen = true;
            }
            for (auto w = std::sregex_iterator(argument.begin(), argument.end(), identifier); w != std::sregex_iterator(); ++w)
                seen = seen || constants.count((*w)[0]) || passedOn.count((*w)[0]);
            if (!seen)
                bound.unseen.push_back(file + ": " + std::string((*it)[0]));
        }
    return bound;
}

// Opens every context and page of a program from the build's program folder, as its
// help buttons and items do; returns what did not open.
std::vector<std::string> unopened(const char* book, const BoundHelp& bound, const std::set<int>& moreContexts = {})
{
    ::setenv("MRW_PROGRAM_DIR", MRW_PROGRAM_FOLDER, 1);
    platform::setHelpBook(book);
    std::vector<std::string> missing;
    std::set<int> contexts = bound.contexts;
    contexts.insert(moreContexts.begin(), moreContexts.end());
    for (const int context : contexts) {
        testsupport::ScriptedPrompter prompter;
        PageCatcher catcher;
        platform::showHelpTopic(context, prompter);
        if (catcher.opened != QStringList{QString::number(context) + ".html"})
            missing.push_back(std::string(book) + "/" + std::to_string(context) + ".html");
    }
    for (const std::string& page : bound.pages)
        if (platform::helpPage(page).isEmpty())
            missing.push_back(std::string(book) + "/" + page);
    ::unsetenv("MRW_PROGRAM_DIR");
    platform::setHelpBook("");
    return missing;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

} // namespace

TEST(HelpPages, EveryContextTheWindowsBindOpensItsPage)
{
    const BoundHelp analyzer = boundHelp({"analyzer/ui"});
    const BoundHelp mrw = boundHelp({"workspace/ui", "dnc/ui", "mrw2013", "platform/qt"});
    EXPECT_TRUE(analyzer.unseen.empty()) << joined(analyzer.unseen);
    EXPECT_TRUE(mrw.unseen.empty()) << joined(mrw.unseen);
    // The reading finds the windows' help: the settings, the setup editor, the menus.
    for (const int context : {3, 6, 10017, 10459})
        EXPECT_TRUE(analyzer.contexts.count(context)) << context;
    for (const int context : {100, 108, 112, 113, 115, 10047})
        EXPECT_TRUE(mrw.contexts.count(context)) << context;
    for (const char* page : {"contents.html", "index.html", "dnc.html", "analyzer.html"})
        EXPECT_TRUE(mrw.pages.count(page)) << page;

    // The setup editor's Help opens the topic of the question shown.
    std::set<int> questions;
    for (const SetupParameterInfo& p : SetupParameters())
        questions.insert(SetupQuestionnaire::helpTopic(p.table, p.index));
    EXPECT_EQ(joined(unopened("vork2013", analyzer, questions)), "");
    EXPECT_EQ(joined(unopened("mrw2013", mrw)), "");
}

TEST(HelpPages, SetupEditorHelpFollowsTheQuestionShown)
{
    ::setenv("MRW_PROGRAM_DIR", MRW_PROGRAM_FOLDER, 1);
    platform::setHelpBook("vork2013");
    {
        testsupport::ScriptedPrompter prompter;
        testsupport::TempFolder folder;
        TMsetupForm editor(prompter, folder.path());
        QAbstractButton* help = helpButton(editor);
        ASSERT_TRUE(help);
        EXPECT_TRUE(help->isEnabled());
        PageCatcher catcher;
        help->click();
        editor.chooseGroup(2); // -G- Codes: I95, then I97
        help->click();
        editor.autohelpAction()->trigger();
        editor.questions().next();
        EXPECT_EQ(catcher.opened.join(" "), "10017.html 195.html 197.html");
        ASSERT_EQ(catcher.paths.size(), 3);
        // The page is the question's own: it holds the editor's question text.
        const std::string page = platform::readFileBytes(catcher.paths[1].toStdString()).value_or("");
        EXPECT_NE(page.find(SetupParameter('I', 95).question), std::string::npos);
        EXPECT_TRUE(prompter.shown.empty());
    }
    ::unsetenv("MRW_PROGRAM_DIR");
    platform::setHelpBook("");
}

// The question pages show a question as the editor asks it: the text it completes and
// the legend it writes before the question.
TEST(HelpPages, QuestionPagesShowTheQuestionAsTheEditorAsksIt)
{
    const struct {
        char table;
        int index;
        std::string shown;
    } cases[] = {
        {'I', 10, ArcCentreMethodLines().front()},
        {'I', 126, PostOptionLines().back()},
        {'R', 54, RotaryIndexQuestion("A")},
        {'R', 23, "Maximum Speed for Spindle Range #2"},
        {'I', 72, "Digits Left " + ThreadLeadRegisterWords("K")},
    };
    for (const auto& c : cases) {
        const std::string page = std::string(MRW_PROGRAM_FOLDER) + "/help/vork2013/" +
                                 std::to_string(SetupQuestionnaire::helpTopic(c.table, c.index)) + ".html";
        const std::string text = platform::readFileBytes(page).value_or("");
        EXPECT_NE(text.find(c.shown), std::string::npos) << c.table << c.index << ": " << c.shown;
    }
}
