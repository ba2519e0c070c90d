// The shop-terminal menu, played by a scripted terminal on the fake line.
#include "dnc/engine/terminal_menu.h"

#include "dnc/engine/received_file.h"

#include "platform/scratch_file.h"

#include "tests/dnc/engine/dnc_session_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <optional>
#include <utility>

namespace dnc {
namespace {

using testrig::SessionRig;

std::string database(const std::string& terminalKeys)
{
    return "[MACHINE NAMES]\r\nNUMBER=7\r\nMACHINE1=T\r\nMACHINE2=mill\r\nMACHINE3=Lathe\r\nMACHINE4=Not Used\r\n"
           "MACHINE5=MILL\r\nMACHINE6=HUBM\r\nMACHINE7=EIA\r\n"
           "[T]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nDTYPE=2\r\nCDELAY=15\r\n" +
           terminalKeys +
           "[MILL]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\n"
           "DEFDNL=C:\\NC\r\nDEFUPL=C:\\NC\r\nDEFEXT=TAP\r\n"
           "[Lathe]\r\nPORT=1\r\nDEFDNL=C:\\LATHE.V2\r\nDEFUPL=C:\\LATHE.V2\r\nDEFEXT=NC\r\nTCODE=2\r\n"
           "[EIA]\r\nPORT=1\r\nDEFDNL=C:\\NC\r\nDEFUPL=C:\\NC\r\nTCODE=0\r\n"
           "[HUBM]\r\nHUB=1\r\nPORT=3\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\n"
           "DEFDNL=C:\\NC\r\nDEFUPL=C:\\NC\r\n"
           "[HUB1]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\n";
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
        // Lost: the menu came back far more often than the script expects.
        if (bytes.find("Cmd ?") != std::string::npos && ++menus > 40)
            menu.stop();
        if (script.empty())
            return;
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
    int menus = 0;
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
        {"A\b\r", false, ""}, // backspaced to nothing: no reply
        {"\b\r", false, ""},
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
        {"Cmd ?", "A\b\r"},             // backspaced to nothing: the menu again
        {"Cmd ?", "P\r"}, {"Msg?", "NEED TOOLS\r"}, // posting needs no machine
        {"Cmd ?", "D\r"},                // no machine yet
        {"Continue ...", "\r"},
        {"Cmd ?", "M\r"}, {"Machine?", "\r"}, // lists and deselects
        {"Cmd ?", "M\r"}, {"Machine?", "nosuch\r"}, {"Continue ...", "\r"},
        {"Cmd ?", "m\r"}, {"Machine?", "MILL\r"},
        {"Cmd ?", "L\r"}, {"Continue ...", "\r"},
    });
    const std::string menu = "\r\n*** TKZ DNC ***\r\nU)pload  D)ownload\r\nM)achine L)ist Files\r\n";
    EXPECT_NE(sent.find(menu + "Mch:NONE - Cmd ?\r\nSelect Machine 1st?\r\nContinue ...\r\n "), std::string::npos);
    // Neither the empty reply nor "P" asked for a machine; only "D" did.
    EXPECT_NE(sent.find("Mch:NONE - Cmd ?\r\nMsg?"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("Select Machine 1st?"), sent.rfind("Select Machine 1st?"));
    EXPECT_EQ(m.posted, (std::vector<std::string>{"NEED TOOLS"}));
    // Sorted without regard to case, a name listed twice shown once.
    EXPECT_NE(sent.find("Machine?\r\nEIA\r\nHUBM\r\nLathe\r\nmill\r\nT \r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("Machine?\r\nNo Such Machine ?\r\nContinue ...\r\n  \r\n"), std::string::npos);
    EXPECT_NE(sent.find("Mch:mill - Cmd ?"), std::string::npos);
    EXPECT_NE(sent.find("\r\n[C:\\NC\\*.TAP]\r\nO1234    5000  Chrs\r\nO2000      20k Chrs\r\nContinue ...\r\n "),
              std::string::npos);
    EXPECT_EQ(sent.substr(sent.size() - 18), "\r\n*** SHUTDOWN ***") ;
    EXPECT_FALSE(m.rig.session->menuRunning()) << sent;
    EXPECT_TRUE(m.rig.prompter.shown.empty());
}


// Downloads: the file is looked up in the machine's folder; what is not there, or not
// a plain name in it, gets "No Such File ?", a refused name at once and on the record.
TEST(TerminalMenu, DownloadLooksUpTheFileInTheMachinesFolder)
{
    const struct {
        std::string machine;
        std::string typed;
        std::string sent;    // the file's bytes, or "" for "No Such File ?"
        bool refused;
    } cases[] = {
        {"mill", "O1234", "%\r\nO1234\r\n%\r\n", false},
        {"mill", "o1234.tap", "%\r\nO1234\r\n%\r\n", false},
        {"Lathe", "O1", "%\r\nO1\r\n%\r\n", false}, // a dotted folder: no default extension
        {"mill", "NOPE", "", false},
        {"mill", "../CANARY.TXT", "", true},
        {"mill", "..\\CANARY.TXT", "", true},
        {"mill", "/etc/passwd", "", true},
        {"mill", "..", "", true},
        {"mill", "OUT.TAP", "", true},
    };
    for (const auto& c : cases) {
        MenuRig m;
        m.rig.folder.write("NC/O1234.TAP", "%\r\nO1234\r\n%\r\n");
        m.rig.folder.write("LATHE.V2/O1", "%\r\nO1\r\n%\r\n");
        m.rig.folder.write("CANARY.TXT", "secret");
        std::filesystem::create_symlink(m.rig.folder.path() + "CANARY.TXT", m.rig.folder.path() + "NC/OUT.TAP");
        std::vector<Step> steps{{"Cmd ?", "M\r"}, {"Machine?", c.machine + "\r"}, {"Cmd ?", "D\r"},
                                {"File?", c.typed + "\r"}};
        if (c.sent.empty())
            steps.push_back({"Continue ...", "\r"});
        m.rig.openedPorts.clear();
        const std::string sent = m.run(steps);
        const std::string downloading = "Downloading " + c.typed + "\r\nTo " + c.machine + " ...";
        const std::string answer = "File?\r\n" + (c.refused ? "No Such File ?\r\nContinue ..."
                                                             : c.sent.empty() ? downloading + "\r\nNo Such File ?"
                                                                              : downloading);
        EXPECT_NE(sent.find(answer), std::string::npos) << c.typed;
        if (!c.sent.empty()) {
            EXPECT_NE(sent.find(" ..." + c.sent), std::string::npos) << c.typed;
        }
        const std::vector<std::string> log = m.rig.logLines();
        if (c.refused) {
            EXPECT_EQ(log, (std::vector<std::string>{"Refused File Name [" + c.typed + "], Machine [mill]"}));
            // Answered before any switch: only the terminal's own port was opened again
            // for the unknown-command path, never the machine's.
            EXPECT_EQ(sent.find("Downloading"), std::string::npos);
            EXPECT_EQ(m.rig.folder.read("CANARY.TXT"), "secret");
        } else {
            EXPECT_TRUE(log.empty()) << c.typed;
        }
    }
}

// A FIFO under the name typed is refused at download and upload alike, and the log says
// what it is; the menu never opens it.
TEST(TerminalMenu, NameThatIsNotAFileIsRefusedAndNamed)
{
    for (const std::string command : {"D", "U"}) {
        SCOPED_TRACE(command);
        MenuRig m;
        m.menu.mayOverwrite = [] { return true; };
        const std::string fifo = m.rig.folder.file("NC/PIPE.TAP");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
        const std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", command + "\r"},
                                        {"File?", "PIPE\r"}, {"Continue ...", "\r"}});
        EXPECT_NE(sent.find("No Such File ?"), std::string::npos);
        EXPECT_EQ(m.rig.logLines(), (std::vector<std::string>{"Refused File Name [PIPE]: " +
                                                              platform::notRegularFileText(fifo) +
                                                              ", Machine [mill]"}));
        EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    }
}

// The program ends during an upload: the transfer ends as its Cancel ends it, nothing is
// left under either name, the log says so, and no port opens again behind the closing
// terminal.
TEST(TerminalMenu, UploadEndedWithTheTerminalLeavesNothingBehind)
{
    MenuRig m;
    std::string heard;
    m.rig.device->onSent = [&](const std::string& bytes) {
        heard += bytes;
        if (heard.find("From mill ...") != std::string::npos) {
            heard.clear();
            m.rig.device->clock.startTimer(400, [&m] {
                m.menu.stop();
                m.rig.session->end();
            });
        }
        m.answer(bytes);
    };
    m.script = {{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "U\r"}, {"File?", "NEW1\r"},
                {"From mill ...", "N1G01X1.\r\n"}};
    m.menu.RunTerminalMenu();
    EXPECT_FALSE(m.menu.running());
    EXPECT_FALSE(platform::fileExists(m.rig.folder.file("NC/NEW1.TAP")));
    EXPECT_FALSE(platform::fileExists(m.rig.folder.file("NC/NEW1.TAP.~UP")));
    const auto log = m.rig.logLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "DNC Transfer Cancelled, Terminal Closed, Machine [mill]"), log.end())
        << testing::PrintToString(log);
    EXPECT_FALSE(m.rig.session->portOpened());
}

// XMILL, an XMODEM machine on the terminal's own port, with O1234 to download.
void addXmodemMill(MenuRig& m)
{
    std::string machines = database("LDELAY=24\r\n");
    machines.replace(machines.find("NUMBER=7"), 8, "NUMBER=8\r\nMACHINE8=XMILL");
    m.rig.folder.write("WPOSTS.INI", machines + "[XMILL]\r\nPORT=1\r\nBAUD=9600\r\nFLOW=1\r\nTCODE=2\r\nPROTOCOL=1\r\n"
                                                "DEFDNL=C:\\NC\r\nDEFUPL=C:\\NC\r\nDEFEXT=TAP\r\n");
    m.rig.folder.write("NC/O1234.TAP", "%\r\nO1234\r\n%\r\n");
}

// The machine's receiver asks for the start once, while the menu still waits to switch
// to its machine on the same port: the transfer starts with that request.
TEST(TerminalMenu, StartRequestBeforeTheSwitchStartsTheDownload)
{
    MenuRig m;
    addXmodemMill(m);
    const std::string blockStart("\x01\x01\xfe", 3);
    // Without the request the transfer would wait for the next one, which never comes.
    m.rig.device->clock.startTimer(30000, [&m] { m.menu.stop(); });
    // The block's padding ends it; the EOT after it ends the file.
    const std::string sent =
        m.run({{"Cmd ?", "M\r"}, {"Machine?", "XMILL\r"}, {"Cmd ?", "D\r"}, {"File?", "O1234\r"},
               {"To XMILL ...", "C"}, {blockStart, std::nullopt}, {"\x1a", "\x06"}, {"\x04", "\x06"}});
    EXPECT_NE(sent.find(blockStart + "%\r\nO1234\r\n%\r\n"), std::string::npos);
    // After the menu's last line nothing (a line end, an echo) goes ahead of the first
    // block: a control's receiver would read it as a damaged block header.
    const std::size_t told = sent.find("To XMILL ...");
    ASSERT_NE(told, std::string::npos);
    EXPECT_EQ(sent.substr(told + 12, 3), blockStart);
    EXPECT_TRUE(m.posted.empty()) << m.posted.front();
}

// A control on the terminal's own line may start its receiver while the PC is still
// setting the line up for it (here during a 2-second port opening delay): its request
// waits in the line and starts the download.
TEST(TerminalMenu, StartRequestWhileTheLineOpensAgainIsKept)
{
    MenuRig m;
    m.rig.settings.ComOpenDelayTicks = 36;
    addXmodemMill(m);
    const std::string blockStart("\x01\x01\xfe", 3);
    std::string heard;
    bool requested = false;
    m.rig.device->onSent = [&](const std::string& bytes) {
        heard += bytes;
        if (!requested && heard.find("To XMILL ...") != std::string::npos) {
            requested = true; // 1.5 s on: the PC waits 1 s, then closes the line and waits 2 s to open it
            m.rig.device->clock.startTimer(1500, [&m] { m.rig.device->feed("C"); });
        }
        m.answer(bytes);
    };
    m.rig.device->clock.startTimer(30000, [&m] { m.menu.stop(); });
    const std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "XMILL\r"}, {"Cmd ?", "D\r"}, {"File?", "O1234\r"},
                                    {blockStart, std::nullopt}, {"\x1a", "\x06"}, {"\x04", "\x06"}});
    EXPECT_NE(sent.find(blockStart + "%\r\nO1234\r\n%\r\n"), std::string::npos) << sent;
}

TEST(TerminalMenu, DownloadThroughAHubSwitchesToTheMachineAndBack)
{
    MenuRig m;
    m.rig.folder.write("NC/O1234.TAP", "%\r\nO1234\r\n%\r\n");
    const std::string sent =
        m.run({{"Cmd ?", "M\r"}, {"Machine?", "hubm\r"}, {"Cmd ?", "D\r"}, {"File?", "O1234\r"}});
    const std::size_t file = sent.find("%\r\nO1234\r\n%\r\n");
    const std::size_t hubPort = sent.find("2", sent.find("To HUBM ..."));
    ASSERT_NE(file, std::string::npos);
    EXPECT_LT(hubPort, file); // port 3 of the hub selected before the file
    // The terminal's menu comes back after the file.
    EXPECT_NE(sent.find("*** TKZ DNC ***", file), std::string::npos);
    // Machine's settings for the file, the terminal's again afterwards: DTR dropped
    // around the hub's port character, and the port opened again after the file.
    std::vector<LineEvent::Kind> kinds;
    bool fileSeen = false;
    int opensAfterFile = 0;
    for (const LineEvent& e : m.rig.device->events) {
        if (e.kind == LineEvent::Sent && e.bytes.find("O1234\r\n%") != std::string::npos)
            fileSeen = true;
        if (fileSeen && e.kind == LineEvent::Opened)
            ++opensAfterFile;
    }
    EXPECT_TRUE(fileSeen);
    EXPECT_EQ(opensAfterFile, 1);
}

TEST(TerminalMenu, UploadStoresWhatArrivesAndAsksBeforeReplacing)
{
    MenuRig m;
    m.rig.folder.write("NC/O5.TAP", "old");
    bool right = false;
    m.menu.mayOverwrite = [&right] { return right; };
    const std::string tape = "%\r\nO5\xB1\r\n%\r\n"; // one byte with its parity bit set
    m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"},
           {"Cmd ?", "U\r"}, {"File?", "O5\r"},  // exists, no right: nothing happens
           {"Cmd ?", "U\r"}, {"File?", "O6\r"}, {"From mill ...", tape}});
    EXPECT_EQ(m.rig.folder.read("NC/O5.TAP"), "old");
    EXPECT_EQ(m.rig.logLines(), (std::vector<std::string>{"Failed Attempt to Overwrite Via Remote"}));
    // Stored as received: only EIA tapes are converted.
    EXPECT_EQ(m.rig.folder.read("NC/O6.TAP"), tape);

    right = true;
    // Only a reply beginning with "Y" or "y" replaces the file.
    const struct {
        const char* answer;
        const char* stored;
    } answers[] = {{"n\r", "old"}, {"\b\r", "old"}, {"X\bN\r", "old"}, {"Y\r", "NEW\r\n"}, {"yes\r", "NEW\r\n"}};
    for (const auto& a : answers) {
        m.rig.folder.write("NC/O5.TAP", "old");
        std::vector<Step> steps{{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "U\r"}, {"File?", "O5\r"},
                                {"Overwrite?", a.answer}};
        if (std::string(a.stored) != "old")
            steps.push_back({"From mill ...", "NEW\r\n"});
        m.run(steps);
        EXPECT_EQ(m.rig.folder.read("NC/O5.TAP"), a.stored) << a.answer;
    }
}

// An upload that does not go through leaves nothing under the typed name: what arrived
// stays under the temporary name that the message at the PC names. A write-protected
// program is not replaced, whoever confirms it.
TEST(TerminalMenu, FailedUploadLeavesNothingUnderTheNameAndWriteProtectedProgramsStay)
{
    MenuRig m;
    m.menu.mayOverwrite = [] { return true; };
    std::string heard;
    m.rig.device->onSent = [&](const std::string& bytes) {
        heard += bytes;
        if (heard.find("From mill ...") != std::string::npos) {
            heard.clear();
            m.rig.device->clock.startTimer(400, [&m] { m.rig.session->protocol()->cancel(); });
        }
        m.answer(bytes);
    };
    m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "U\r"}, {"File?", "NEW1\r"},
           {"From mill ...", "N1G01X1.\r\n"}});
    const std::string partial = m.rig.folder.file("NC/NEW1.TAP.~UP");
    EXPECT_FALSE(platform::fileExists(m.rig.folder.file("NC/NEW1.TAP")));
    EXPECT_EQ(m.rig.folder.read("NC/NEW1.TAP.~UP"), "N1G01X1.\r\n");
    ASSERT_EQ(m.posted.size(), 1u);
    EXPECT_NE(m.posted[0].find("What arrived is kept in " + partial), std::string::npos) << m.posted[0];

    m.posted.clear();
    m.rig.folder.write("NC/O5.TAP", "old");
    const std::string locked = m.rig.folder.file("NC/O5.TAP");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    m.rig.device->onSent = [&m](const std::string& bytes) { m.answer(bytes); };
    const std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "U\r"}, {"File?", "O5\r"},
                                    {"Overwrite?", "Y\r"}});
    EXPECT_EQ(sent.find("Uploading"), std::string::npos);
    EXPECT_EQ(m.rig.folder.read("NC/O5.TAP"), "old");
    EXPECT_EQ(std::filesystem::status(locked).permissions(), std::filesystem::perms::owner_read);
    ASSERT_EQ(m.posted.size(), 1u);
    EXPECT_NE(m.posted[0].find(writeProtectedText(locked)), std::string::npos) << m.posted[0];
}

TEST(TerminalMenu, UploadInEiaIsConvertedToText)
{
    MenuRig m;
    std::string tape;
    for (const char c : std::string("O7\r"))
        tape += static_cast<char>(c == '\r' ? 0x80 : AsciiToEia(static_cast<std::uint8_t>(c)));
    m.run({{"Cmd ?", "M\r"}, {"Machine?", "EIA\r"}, {"Cmd ?", "U\r"}, {"File?", "O7\r"}, {"From EIA ...", tape}});
    EXPECT_EQ(m.rig.folder.read("NC/O7.TAP"), "O7\r\n");
}

// On a slow line the terminal may answer a pause before the page has reached it: what
// the menu said is still on its way then, and the menu drops only what was typed.
TEST(TerminalMenu, PauseAnsweredEarlyKeepsTheRestOfThePage)
{
    MenuRig m("LDELAY=6\r\n");
    for (int i = 1; i <= 9; ++i)
        m.rig.folder.write("NC/O" + std::to_string(i) + ".TAP", "x");
    const std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "L\r"},
                                    {"[C:\\NC\\*.TAP]", "\r"}, {"Continue ...", "\r"}, {"Continue ...", "\r"}});
    std::string page;
    for (int i = 1; i <= 9; ++i) {
        page += "O" + std::to_string(i) + "          1  Chrs\r\n";
        if (i == 4 || i == 9)
            page += "Continue ...\r\n";
    }
    EXPECT_NE(sent.find("[C:\\NC\\*.TAP]\r\n" + page), std::string::npos) << sent;
}

TEST(TerminalMenu, PagingWaitsAtContinue)
{
    // Page length 4: the fourth line waits; ESC stops the listing, CR and the time-out go on.
    MenuRig m("LDELAY=4\r\n");
    for (const char* name : {"O1.TAP", "O2.TAP", "O3.TAP", "O4.TAP", "O5.TAP", "O6.TAP", "O7.TAP"})
        m.rig.folder.write(std::string("NC/") + name, "x");
    std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"},
                              {"Cmd ?", "L\r"}, {"Continue ...", "\r"}, {"Continue ...", "\x1b"}, {"Continue ...", "\r"},
                              {"Cmd ?", "L\r"}, {"Continue ...", std::nullopt}, {"Continue ...", "\x1b"},
                              {"Continue ...", "\r"}});
    // The line that reached the pause is shown, whatever the answer.
    const std::string listing = "[C:\\NC\\*.TAP]\r\nO1          1  Chrs\r\nO2          1  Chrs\r\nContinue ...\r\n"
                                "O3          1  Chrs\r\nO4          1  Chrs\r\nO5          1  Chrs\r\nContinue ...\r\n"
                                "O6          1  Chrs\r\nContinue ...\r\n ";
    const std::size_t first = sent.find(listing);
    ASSERT_NE(first, std::string::npos) << sent;
    // After a time-out the listing goes on to the next pause, as after CR.
    EXPECT_NE(sent.find(listing, first + listing.size()), std::string::npos);

    // Page length 0: every line waits.
    MenuRig z("LDELAY=0\r\n");
    sent = z.run({{"Continue ...", "\r"}, {"Continue ...", "\r"}, {"Continue ...", "\r"}, {"Continue ...", "\r"},
                  {"Continue ...", "\r"}});
    EXPECT_NE(sent.find("Continue ...\r\n*** TKZ DNC ***\r\nContinue ...\r\nU)pload  D)ownload\r\nContinue ..."),
              std::string::npos);
}

// Nobody is at the PC: what would have been a message box goes to the message list and
// the log, and the shop terminal gets the menu again.
TEST(TerminalMenu, ErrorsGoToTheMessageListAndTheMenuGoesOn)
{
    MenuRig m;
    m.rig.folder.write("NC/O1.TAP", "x");
    // The machine's port cannot be opened.
    bool failNext = false;
    std::string heard;
    m.rig.session->setLineFactory([&](int port) -> std::unique_ptr<SerialLine> {
        if (std::exchange(failNext, false))
            return nullptr;
        return std::make_unique<FakeLine>(m.rig.device, "COM" + std::to_string(port));
    });
    m.rig.device->onSent = [&](const std::string& bytes) {
        heard += bytes;
        if (heard.find("To mill ...") != std::string::npos) {
            failNext = true;
            heard.clear();
        }
        m.answer(bytes);
    };
    const std::string sent = m.run({{"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", "D\r"}, {"File?", "O1\r"},
                                    {"Cmd ?", "P\r"}, {"Msg?", "CALL ME\r"}});
    EXPECT_TRUE(m.rig.prompter.shown.empty());
    ASSERT_FALSE(m.posted.empty());
    EXPECT_NE(m.posted.front().find(": The Selected Port Number Cannot Be Opened"), std::string::npos);
    EXPECT_EQ(m.posted.back(), "CALL ME");
    EXPECT_EQ(m.rig.prompter.beeps, 1);
    EXPECT_FALSE(m.rig.logLines().empty());
    EXPECT_NE(sent.find("Msg?"), std::string::npos);
}

} // namespace
} // namespace dnc
