// The help books: each program opens the pages of its own book from the program folder,
// says why when a page is missing, and the installed pages link only to pages that exist.
#include "platform/qt/help.h"
#include "platform/textfile.h"
#include "support/page_catcher.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A program folder for one test; the book is put back to none afterwards.
struct ProgramFolder {
    testsupport::TempFolder folder;
    ProgramFolder() { ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1); }
    ~ProgramFolder()
    {
        ::unsetenv("MRW_PROGRAM_DIR");
        platform::setHelpBook("");
    }
    void page(const std::string& book, const std::string& name)
    {
        fs::create_directories(folder.file("help/" + book));
        folder.write("help/" + book + "/" + name, "<html></html>");
    }
};

// A machine with nothing to show a page: no xdg-open or browser on the PATH, and none named
// in the environment; put back afterwards. (The offscreen platform has no opener at all;
// on X11 this is what leaves Qt none to find.)
class NoPageOpener {
public:
    NoPageOpener()
    {
        for (const char* name : {"PATH", "BROWSER", "DEFAULT_BROWSER"})
            if (const char* value = std::getenv(name))
                m_saved.emplace_back(name, value);
        ::setenv("PATH", m_emptyBin.path().c_str(), 1);
        ::unsetenv("BROWSER");
        ::unsetenv("DEFAULT_BROWSER");
    }
    ~NoPageOpener()
    {
        ::unsetenv("PATH");
        for (const auto& [name, value] : m_saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    testsupport::TempFolder m_emptyBin;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

} // namespace

TEST(Help, EachProgramOpensThePagesOfItsOwnBook)
{
    ProgramFolder f;
    f.page("mrw2013", "100.html");
    f.page("vork2013", "100.html");
    f.page("vork2013", "analyzer.html");

    platform::setHelpBook("vork2013");
    EXPECT_TRUE(platform::helpTopicPage(100).endsWith("/help/vork2013/100.html"));
    EXPECT_TRUE(platform::helpPage("analyzer.html").endsWith("/help/vork2013/analyzer.html"));
    platform::setHelpBook("mrw2013");
    EXPECT_TRUE(platform::helpTopicPage(100).endsWith("/help/mrw2013/100.html"));
    EXPECT_TRUE(platform::helpPage("analyzer.html").isEmpty()) << "another book's page";
    EXPECT_TRUE(platform::helpTopicPage(101).isEmpty());
}

TEST(Help, AShownTopicOpensItsPageOrSaysWhyThereIsNone)
{
    const struct {
        const char* name;
        bool bookInstalled;
        bool pageInstalled;
        bool opener; // something on the machine shows pages
        const char* message; // "" when the page opens
    } cases[] = {
        {"page installed", true, true, true, ""},
        {"page missing", true, false, true, "There is no help page 9.html"},
        {"help not installed", false, false, true, "Help is not installed"},
        {"nothing to show the page", true, true, false, "cannot be shown: there is no program to open it"},
    };
    for (const auto& c : cases) {
        ProgramFolder f;
        if (c.bookInstalled)
            f.page("mrw2013", "1.html");
        if (c.pageInstalled)
            f.page("mrw2013", "9.html");
        platform::setHelpBook("mrw2013");
        testsupport::ScriptedPrompter prompter;
        std::optional<testsupport::PageCatcher> catcher;
        std::optional<NoPageOpener> bareMachine;
        if (c.opener)
            catcher.emplace();
        else
            bareMachine.emplace();
        platform::showHelpTopic(9, prompter);
        if (*c.message) {
            ASSERT_EQ(prompter.shown.size(), 1u) << c.name;
            EXPECT_NE(prompter.shown[0].text.find(c.message), std::string::npos) << c.name << ": " << prompter.shown[0].text;
            EXPECT_TRUE(!catcher || catcher->opened.isEmpty()) << c.name;
        } else {
            EXPECT_TRUE(prompter.shown.empty()) << c.name;
            EXPECT_EQ(catcher->opened, QStringList{"9.html"}) << c.name;
        }
    }
}

// A help button on a machine with nothing to show pages says so in a box, naming the page
// and what is missing.
TEST(Help, AButtonWhosePageCannotBeShownSaysWhatIsMissing)
{
    ProgramFolder f;
    f.page("mrw2013", "9.html");
    platform::setHelpBook("mrw2013");
    QPushButton button("&Help");
    platform::bindHelpButton(button, 9);
    ASSERT_TRUE(button.isEnabled());
    NoPageOpener bareMachine;
    QString told;
    QTimer::singleShot(0, [&told] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            told = box->windowTitle() + ": " + box->text();
            box->accept();
        }
    });
    button.click();
    const QString page = QString::fromStdString(f.folder.file("help/mrw2013/9.html"));
    EXPECT_TRUE(told.startsWith("Help: The help page " + page + " cannot be shown")) << told.toStdString();
    EXPECT_TRUE(told.contains("xdg-open (Debian package xdg-utils) and a web browser")) << told.toStdString();
}

// Every page of the installed books: its links and its style sheet lead to files of the
// help folder, an anchor to an element of the page it names; no scripts, nothing outside.
TEST(HelpPages, EveryLinkOfEveryPageLeadsToAPageThatExists)
{
    const fs::path help = fs::weakly_canonical(fs::path(MRW_PROGRAM_FOLDER) / "help");
    ASSERT_TRUE(fs::is_directory(help / "mrw2013")) << help;
    ASSERT_TRUE(fs::is_directory(help / "vork2013")) << help;

    std::map<fs::path, std::string> pages;
    for (const auto& entry : fs::recursive_directory_iterator(help))
        if (entry.path().extension() == ".html")
            pages[entry.path()] = platform::readFileBytes(entry.path().string()).value_or("");
    ASSERT_GT(pages.size(), 300u);

    static const std::regex link(R"re(\b(?:href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
    static const std::regex id(R"re(\bid\s*=\s*"([^"]*)")re");
    std::map<fs::path, std::set<std::string>> ids;
    const auto idsOf = [&pages, &ids](const fs::path& page) -> const std::set<std::string>& {
        auto [at, added] = ids.try_emplace(page);
        const std::string& text = pages.at(page);
        if (added)
            for (auto it = std::sregex_iterator(text.begin(), text.end(), id); it != std::sregex_iterator(); ++it)
                at->second.insert((*it)[1]);
        return at->second;
    };
    int links = 0;
    for (const auto& [page, text] : pages) {
        const std::string where = fs::relative(page, help).string();
        EXPECT_EQ(text.find("<script"), std::string::npos) << where;
        EXPECT_NE(text.find("href=\"../style.css\""), std::string::npos) << where << " has no style sheet";
        for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            ++links;
            ASSERT_FALSE(target.empty()) << where;
            EXPECT_EQ(target.find(':'), std::string::npos) << where << " links outside: " << target;
            EXPECT_NE(target.front(), '/') << where << " links outside: " << target;
            const std::size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path to = file.empty() ? page : fs::weakly_canonical(page.parent_path() / file);
            const std::string relative = fs::relative(to, help).string();
            if (!fs::is_regular_file(to) || relative.starts_with("..")) {
                ADD_FAILURE() << where << " links to " << target << ", which is not a help page";
                continue;
            }
            if (hash != std::string::npos) {
                EXPECT_TRUE(idsOf(to).count(target.substr(hash + 1))) << where << " links to " << target;
            }
        }
    }
    EXPECT_GT(links, 1000);
}
