// The shop-terminal menu, played by a scripted terminal on the fake line.
#include "dnc/engine/terminal_menu.h"

#include "tests/dnc/engine/dnc_session_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace dnc {
namespace {

using testrig::SessionRig;

std::string database(const std::string& terminalKeys)
{
    return "[MACHINE NAMES]\r\nNUMBER=5\r\nMACHINE1=T\r\nMACHINE2=mill\r\nMACHINE3=Lathe\r\nMACHINE4=Not Used\r\n"
           "MACHINE5=MILL\r\n"
           "[T]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nDTYPE=2\r\nCDELAY=15\r\n" +
           terminalKeys +
           "[MILL]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\n"
           "DEFDNL=C:\\NC\r\nDEFUPL=C:\\NC\r\nDEFEXT=TAP\r\n"
           "[Lathe]\r\nPORT=1\r\nDEFDNL=C:\\LATHE.V2\r\nDEFUPL=C:\\LATHE.V2\r\nDEFEXT=NC\r\nTCODE=0\r\n";
}

// The terminal at the shop: when the PC has sent the expected text, it types the reply
// (none: it lets the prompt time out).
struct Step {
    std::string expect;
    std::optional<std::string> reply;
};

struct MenuRig {
    explicit MenuRig(const std::string& terminalKeys = "LDELAY=24\r\n") : rig(database(terminalKeys), "T")
    {
        std::filesystem::create_directories(rig.folder.path() + "NC");
        std::filesystem::create_directories(rig.folder.path() + "LATHE.V2");
        rig.session->begin();
        menu.postMessage = [this](const std::string& text) { posted.push_back(text); };
        rig.device->onSent = [this](const std::string& bytes) { answer(bytes); };
    }

    // Runs the menu through the steps, then "Q".
    std::string run(std::vector<Step> steps)
    {
        steps.push_back({"Cmd ?", "Q\r"});
        script = {steps.begin(), steps.end()};
        rig.device->clearEvents();
        menu.RunTerminalMenu();
        rig.device->clock.waitFor([] { return false; }, 1000, true); // the last line leaves
        EXPECT_TRUE(script.empty()) << "waiting for " << script.front().expect;
        return rig.device->sent();
    }

    void answer(const std::string& bytes)
    {
        seen += bytes;
        if (script.empty()) {
            // Lost: the menu came back more often than the script expected.
            if (bytes.find("Cmd ?") != std::string::npos && ++strays > 3)
                menu.stop();
            return;
        }
        const std::size_t at = seen.find(script.front().expect);
        if (at == std::string::npos)
            return;
        seen.erase(0, at + script.front().expect.size());
        const std::optional<std::string> reply = script.front().reply;
        script.pop_front();
        if (reply)
            rig.device->clock.startTimer(20, [this, reply] { rig.device->feed(*reply); });
    }

    SessionRig rig;
    TerminalMenu menu{*rig.session, rig.editor, *rig.sender, rig.waitBox, rig.divert};
    std::deque<Step> script;
    std::string seen;
    int strays = 0;
    std::vector<std::string> posted;
};

TEST(TerminalMenu, DirectoryLines)
{
    const struct {
        const char* name;
        std::uintmax_t size;
        const char* line;
    } cases[] = {
        {"O1234.TAP", 5000, "O1234    5000  Chrs"},
        {"O1234.TAP", 20480, "O1234      20k Chrs"},
        {"O1.TAP", 9216, "O1       9216  Chrs"},
        {"O1.TAP", 9217, "O1          9k Chrs"},
        {"LONGPROGRAMNAME.NC", 7, "LONGPROGRAMNAME   7  Chrs"},
        {"NOEXT", 12345678, "NOEXT    12056k Chrs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TerminalMenu::FormatDirectoryLine(c.name, c.size), c.line) << c.name;
}

TEST(TerminalMenu, RepliesAreEditedByBackspaces)
{
    MenuRig m;
    const struct {
        std::string typed;
        bool result;
        std::string reply;
    } cases[] = {
        {"O12X\b3\r", true, "O123"},
        {"\bO1\r", true, "O1"},
        {"\n\r", false, ""},
        {"\r", false, ""},
        {"\b\b\bAB\b\r", true, "A"},
    };
    for (const auto& c : cases) {
        m.script = {{"File?", c.typed}};
        std::string reply = "old";
        EXPECT_EQ(m.menu.PromptLine("File?", reply), c.result) << c.typed;
        EXPECT_EQ(reply, c.reply) << c.typed;
    }
    // A time-out leaves the reply as it was and says so.
    m.script = {{"File?", std::nullopt}};
    std::string reply = "old";
    EXPECT_FALSE(m.menu.PromptLine("File?", reply));
    EXPECT_EQ(reply, "old");
    EXPECT_NE(m.rig.device->sent().find("\r\n**Timeout**"), std::string::npos);
}

TEST(TerminalMenu, MenuSelectionListingAndShutdown)
{
    MenuRig m;
    m.rig.folder.write("NC/O1234.TAP", std::string(5000, 'x'));
    m.rig.folder.write("NC/O2000.TAP", std::string(20480, 'x'));
    m.rig.folder.write("NC/O3000.NC", "x");
    const std::string sent = m.run({
        {"Cmd ?", "D\r"},                // no machine yet
        {"Continue ...", "\r"},
        {"Cmd ?", "M\r"}, {"Machine?", "\r"}, // lists and deselects
        {"Cmd ?", "M\r"}, {"Machine?", "nosuch\r"}, {"Continue ...", "\r"},
        {"Cmd ?", "m\r"}, {"Machine?", "MILL\r"},
        {"Cmd ?", "L\r"}, {"Continue ...", "\r"},
    });
    const std::string menu = "\r\n*** TKZ DNC ***\r\nU)pload  D)ownload\r\nM)achine L)ist Files\r\n";
    EXPECT_NE(sent.find(menu + "Mch:NONE - Cmd ?\r\nSelect Machine 1st?\r\nContinue ...\r\n "), std::string::npos);
    // Sorted without regard to case, a name listed twice shown once.
    EXPECT_NE(sent.find("Machine?\r\nLathe\r\nmill\r\nT \r\n"), std::string::npos);
    EXPECT_NE(sent.find("Machine?\r\nNo Such Machine ?\r\nContinue ...\r\n  \r\n"), std::string::npos);
    EXPECT_NE(sent.find("Mch:mill - Cmd ?"), std::string::npos);
    EXPECT_NE(sent.find("\r\n[C:\\NC\\*.TAP]\r\nO1234    5000  Chrs\r\nO2000      20k Chrs\r\nContinue ...\r\n "),
              std::string::npos);
    EXPECT_EQ(sent.substr(sent.size() - 18), "\r\n*** SHUTDOWN ***") ;
    EXPECT_FALSE(m.rig.session->menuRunning()) << sent;
    EXPECT_TRUE(m.rig.prompter.shown.empty());
}

} // namespace
} // namespace dnc
