// The remote request mode: a control on the line asks for files, listings and folders.
#include "dnc/engine/remote_requests.h"

#include "tests/dnc/engine/dnc_session_rig.h"
#include "tests/dnc/engine/sim_control.h"
#include "workspace/engine/machine_database.h"

#include "platform/scratch_file.h"
#include "platform/stored_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace dnc {
namespace {

using testrig::SessionRig;

std::string remoteMachine(const std::string& keys, const std::string& folders = "DEFDNL=C:\\NC\r\nDEFUPL=C:\\UP\r\n")
{
    return "[M]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nDTYPE=3\r\nTCODE=2\r\n" + folders +
           "DEFEXT=TAP\r\nRMTSDELAY=2\r\nRMTDDELAY=1\r\nRMTRDELAY=5\r\n" + keys;
}

struct RemoteRig {
    explicit RemoteRig(const std::string& keys = "FLOW=1\r\n", const std::string& folders = "DEFDNL=C:\\NC\r\nDEFUPL=C:\\UP\r\n")
        : rig(remoteMachine(keys, folders))
    {
        std::filesystem::create_directories(rig.folder.path() + "NC/SUB");
        std::filesystem::create_directories(rig.folder.path() + "UP");
        rig.folder.write("NC/O1000.TAP", "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
        rig.folder.write("NC/O2000.TAP", std::string(1234, 'x'));
        rig.folder.write("NC/SUB/O1234.TAP", "%\r\nO1234\r\n%\r\n");
        rig.session->begin();
        remote.postMessage = [this](const std::string& text) { posted.push_back(text); };
        remote.timeText = [] { return std::string("05:06:07"); };
        remote.enter();
    }

    // The control sends a request; gives what the PC answered once things are quiet.
    std::string request(const std::string& bytes, int settleMs = 5000)
    {
        rig.device->clearEvents();
        rig.device->feed(bytes);
        rig.device->clock.waitFor([this] { return !remote.busy(); }, 120000, true);
        rig.device->clock.waitFor([] { return false; }, settleMs, true);
        return rig.device->sent();
    }

    SessionRig rig;
    RemoteRequests remote{*rig.session, rig.editor, *rig.sender, rig.waitBox, rig.divert};
    std::vector<std::string> posted;
};

const std::string Listing = "\r\n%\r\nO7000\r\n(O1000.TAP   24 Chrs)\r\n(O2000.TAP   1234 Chrs)\r\nM30\r\n%\r\n";

TEST(RemoteRequests, DirectoryListingIsASmallProgram)
{
    RemoteRig r;
    EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
    EXPECT_EQ(r.request("DIR *.XYZ)"), "\r\n%\r\nO7000\r\n(No Files Found?)\r\nM30\r\n%\r\n");
    const auto log = r.rig.logLines();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "Remote Command \"Directory\", Machine [M],File [" + r.rig.folder.path() + "NC/*.TAP]");
    EXPECT_TRUE(r.rig.prompter.shown.empty());
}

TEST(RemoteRequests, PathAppliesToTheNextSendOnly)
{
    RemoteRig r;
    r.request("PTH C:\\NC\\SUB\\\r");
    EXPECT_EQ(r.remote.remotePath(), "C:\\NC\\SUB\\");
    EXPECT_EQ(r.request("SND O1234)"), "%\r\nO1234\r\n%\r\n");
    EXPECT_EQ(r.remote.remotePath(), "");
    // The next one looks in the download folder again.
    EXPECT_EQ(r.request("SND O1234)"), "");
    EXPECT_EQ(r.request("SND O1000)"), "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
    EXPECT_NE(r.rig.view.shown.find("Remote Request for [" + r.rig.folder.path() + "NC/O1234.TAP] Failed"),
              std::string::npos);
    EXPECT_NE(r.rig.view.shown.find("Waiting [2] Seconds\r\nSending File ...\r\n"), std::string::npos);
}

TEST(RemoteRequests, MessageGoesToTheListWithTheTime)
{
    RemoteRig r;
    r.request("MSG   TOOL 5 BROKEN\r");
    r.request("PTH C:\\NC\r");
    EXPECT_EQ(r.posted, (std::vector<std::string>{"05:06:07: TOOL 5 BROKEN"}));
    EXPECT_EQ(r.rig.prompter.beeps, 1);
}

TEST(RemoteRequests, ReceiveIsAcknowledgedAndRequestsComeBackAfterAQuietLine)
{
    RemoteRig r;
    r.rig.folder.write("UP/O5.TAP", "old");
    r.request("RCV O5\r", 0);
    EXPECT_NE(r.rig.view.shown.find("Remote Requested Receive of [O5]\r\nFile Exists, Ignoring Request \r\n"),
              std::string::npos);
    // The control's file goes by unanswered, a DIR in it too, which the log names.
    r.rig.device->feed("%\r\nDIR *.TAP)\r\n%\r\n");
    r.rig.device->clock.waitFor([] { return false; }, 4000, true);
    EXPECT_EQ(r.rig.device->sent(), "");
    EXPECT_EQ(r.rig.folder.read("UP/O5.TAP"), "old");
    ASSERT_FALSE(r.rig.logLines().empty());
    EXPECT_EQ(r.rig.logLines().back(), "Remote Request DIR [*.TAP] Dropped, Line Not Quiet, Machine [M]");
    // Five quiet seconds later the control is heard again.
    r.rig.device->clock.waitFor([] { return false; }, 2000, true);
    EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
}

// A control that sends a RCV every two seconds never gives the line its quiet moment:
// none of them is answered, and each one is logged.
TEST(RemoteRequests, EveryRequestWhileTheLineIsNotQuietIsLogged)
{
    RemoteRig r;
    r.rig.folder.write("UP/O5.TAP", "old");
    for (int i = 0; i < 5; ++i) {
        r.rig.device->feed("RCV O5\r");
        r.rig.device->clock.waitFor([] { return false; }, 2000, true);
    }
    const auto log = r.rig.logLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Remote Request RCV [O5] Dropped, Line Not Quiet, Machine [M]"), 4);
    EXPECT_EQ(r.rig.device->sent(), "");
}

// A request that follows RCV's line at once is not part of RCV's file name.
TEST(RemoteRequests, ReceiveNameEndsAtItsLineEnd)
{
    RemoteRig r;
    r.rig.folder.write("UP/O5.TAP", "old");
    r.request("RCV O5\rDIR *.TAP)", 0);
    EXPECT_NE(r.rig.view.shown.find("Remote Requested Receive of [O5]\r\nFile Exists, Ignoring Request \r\n"),
              std::string::npos)
        << r.rig.view.shown;
    EXPECT_EQ(r.rig.folder.read("UP/O5.TAP"), "old");
}

// A stray byte with no line end after it (line noise, a key) costs no more than itself:
// a request after a quiet moment is answered, and one that came in the same breath as
// the stray byte is logged as dropped, never lost unseen.
TEST(RemoteRequests, StrayByteWithoutALineEndLeavesTheModeListening)
{
    const std::string program = "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n";
    for (const std::string stray : {"\xff", "X", "S"}) {
        SCOPED_TRACE(mrw::LogQuote(stray));
        RemoteRig r;
        EXPECT_EQ(r.request(stray, 60000), "");
        EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
        r.request(stray, 60000);
        EXPECT_EQ(r.request("SND O1000)"), program);
        EXPECT_EQ(r.request(stray + "SND O1000)"), "");
        ASSERT_FALSE(r.rig.logLines().empty());
        EXPECT_EQ(r.rig.logLines().back(),
                  "Remote Data [" + mrw::LogQuote(stray) + "SND O1000)] Dropped, No Request, Machine [M]");
        EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
    }
}

// What a punch or tape reader puts ahead of a request (a tape's "%", blank tape, rubouts,
// blanks) cannot start one and is passed over, in the same write as the request too.
TEST(RemoteRequests, TapeLeaderBeforeARequestIsPassedOver)
{
    const std::string program = "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n";
    const struct {
        std::string leader;
        std::string request;
        std::string answer;
    } cases[] = {
        {"%", "DIR *.TAP)", Listing},
        {std::string(3, '\0'), "DIR *.TAP)", Listing},
        {"\x7f\x7f", "SND O1000)", program},
        {std::string("%\0 \x7f%  ", 7), "SND O1000)", program},
        {"%\r\n", "DIR *.TAP)", Listing},
    };
    RemoteRig r;
    for (const auto& c : cases) {
        SCOPED_TRACE(mrw::LogQuote(c.leader));
        EXPECT_EQ(r.request(c.leader + c.request), c.answer);
    }
    const auto log = r.rig.logLines();
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find("Dropped") != std::string::npos;
    }));
}

// A FIFO under the name a control asks for or announces is refused, and the log says
// what it is; it is never opened.
TEST(RemoteRequests, NameThatIsNotAFileIsRefusedAndNamed)
{
    const struct {
        std::string request;
        std::string fifo;
    } cases[] = {{"SND PIPE)", "NC/PIPE.TAP"}, {"RCV PIPE\r", "UP/PIPE.TAP"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        RemoteRig r;
        const std::string fifo = r.rig.folder.file(c.fifo);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
        EXPECT_EQ(r.request(c.request), "");
        ASSERT_FALSE(r.rig.logLines().empty());
        EXPECT_EQ(r.rig.logLines().back(),
                  "Refused File Name [PIPE]: " + platform::notRegularFileText(fifo) + ", Machine [M]");
    }
}

TEST(RemoteRequests, TimeOutEnablesOnlyItsOwnPacket)
{
    RemoteRig r;
    r.request("RCV X\r", 0); // every packet off until the line is quiet
    r.remote.EnableRemotePackets(false);
    r.remote.EnableRemotePackets(true);
    r.request("RCV X\r", 0); // receive off again, the others on
    // The others time out and come back; the receive packet stays off.
    r.rig.device->clock.waitFor([] { return false; }, ticksToMs(200) + 100, true);
    EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
}

TEST(RemoteRequests, SecondSendWhileTheFirstWaitsIsNotStarted)
{
    RemoteRig r;
    r.rig.device->feed("SND O1000)");
    r.rig.device->clock.waitFor([] { return false; }, 500, true);
    r.rig.device->feed("SND O2000)");
    r.rig.device->clock.waitFor([&r] { return !r.remote.busy(); }, 120000, true);
    r.rig.device->clock.waitFor([] { return false; }, 3000, true);
    EXPECT_EQ(r.rig.device->sent(), "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
    EXPECT_NE(r.rig.view.shown.find("Remote Request SND [O2000] Ignored, Busy"), std::string::npos) << r.rig.view.shown;
}

// What the control may not reach: each answer is the one for a missing file, at once,
// with a trace in the terminal and the log, and nothing outside the folders is touched.
TEST(RemoteRequests, NamesOutsideTheFoldersAreRefused)
{
    RemoteRig r; // with flow control, so that re-arming keeps the port open
    r.rig.folder.write("CANARY.TXT", "secret");
    std::filesystem::create_symlink(r.rig.folder.path() + "CANARY.TXT", r.rig.folder.path() + "NC/OUT.TAP");
    std::filesystem::create_symlink("/dev/zero", r.rig.folder.path() + "NC/ZERO.TAP");
    std::filesystem::create_symlink(r.rig.folder.path() + "NC/O1000.TAP", r.rig.folder.path() + "NC/IN.TAP");
    const std::string empty = "\r\n%\r\nO7000\r\n(No Files Found?)\r\nM30\r\n%\r\n";
    const std::string longName(300, 'A');
    const struct {
        std::string request;
        std::string argument; // as the terminal shows it
        std::string answer;
        std::string logged = argument; // as the log quotes it
    } cases[] = {
        {"SND ..\\CANARY.TXT)", "..\\CANARY.TXT", ""},
        {"SND ../CANARY.TXT)", "../CANARY.TXT", ""},
        {"SND /etc/passwd)", "/etc/passwd", ""},
        {"SND C:\\CANARY.TXT)", "C:\\CANARY.TXT", ""},
        {"SND a/b)", "a/b", ""},
        {"SND )", "", ""},
        {"SND ..)", "..", ""},
        // What is kept of a long name, and what the log quotes of it.
        {"SND " + longName + ")", longName.substr(0, RemoteRequests::MaxRequestData), "",
         std::string(mrw::LogQuoteLimit, 'A') + "..."},
        {"SND O1\x01)", "O1\x01", "", "O1<01>"},
        {"SND O1\r\n03/04/2026,05:06:07,Remote Command)", "O1\r\n03/04/2026,05:06:07,Remote Command", "",
         "O1<0D><0A>03/04/2026,05:06:07,Remote Command"},
        {"SND OUT.TAP)", "OUT.TAP", ""},
        {"SND ZERO.TAP)", "ZERO.TAP", ""},
        {"DIR ../*)", "../*", empty},
        {"DIR " + std::string(300, '*') + ")", std::string(RemoteRequests::MaxRequestData, '*'), empty,
         std::string(mrw::LogQuoteLimit, '*') + "..."},
        {"DIR /etc/*)", "/etc/*", empty},
        {"RCV ../CANARY.TXT\r", "../CANARY.TXT", ""},
        {"PTH C:\\\r", "C:\\", ""},
        {"PTH /etc\r", "/etc", ""},
        {"PTH C:\\NC\\..\\..\r", "C:\\NC\\..\\..", ""},
    };
    for (const auto& c : cases) {
        const std::size_t logged = r.rig.logLines().size();
        EXPECT_EQ(r.request(c.request, 6000), c.answer) << c.request;
        const auto log = r.rig.logLines();
        ASSERT_EQ(log.size(), logged + 1) << c.request;
        EXPECT_EQ(log.back(), "Refused File Name [" + c.logged + "], Machine [M]") << c.request;
        EXPECT_NE(r.rig.view.lines.end(), std::find(r.rig.view.lines.begin(), r.rig.view.lines.end(),
                                                     "Remote Request for [" + c.argument + "] Refused"))
            << c.request;
        EXPECT_EQ(r.remote.remotePath(), "") << c.request;
    }
    EXPECT_EQ(r.rig.folder.read("CANARY.TXT"), "secret");
    EXPECT_EQ(r.rig.openedPorts.size(), 1u); // no port or hub was switched
    // Accepted: a drive path to a sub-folder of the machine's folder, a link inside it.
    r.request("PTH C:\\NC\\SUB\r");
    EXPECT_EQ(r.remote.remotePath(), "C:\\NC\\SUB");
    EXPECT_EQ(r.request("SND O1234)"), "%\r\nO1234\r\n%\r\n");
    EXPECT_EQ(r.request("SND IN.TAP)"), "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
}

// Whatever arrives, the mode keeps listening: input no request needs is dropped, every
// answer clears what it consumed, an argument is bounded, and the PC never holds the
// control with an XOFF it does not take back.
TEST(RemoteRequests, KeepsListeningWhateverArrives)
{
    std::string messages, strayText;
    for (int i = 0; i < 450; ++i)
        messages += "MSG hello\r\n";
    while (strayText.size() < 4200)
        strayText += "N10 G01 X1.2345 Y2.3456 F20.\r\n";
    const std::string longName(5000, 'A');
    const struct {
        const char* what;
        std::string bytes;
        std::size_t posted;
        std::string logged;
    } cases[] = {
        {"messages", messages, 450, ""},
        {"stray text", strayText, 0, ""},
        {"a long name", "SND " + longName + ")", 0,
         "Refused File Name [" + std::string(mrw::LogQuoteLimit, 'A') + "...], Machine [M]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RemoteRig r; // XON/XOFF both ways
        EXPECT_EQ(r.request(c.bytes + "DIR *.TAP)"), Listing);
        EXPECT_EQ(r.posted.size(), c.posted);
        if (!c.logged.empty()) {
            const auto log = r.rig.logLines();
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.front(), c.logged);
        }
    }
}

// A PTH that is refused or names no folder leaves every file request failing as for a
// missing file until a PTH is accepted: nothing comes from the download folder instead.
TEST(RemoteRequests, RefusedPathNeverFallsBackToTheDownloadFolder)
{
    const std::string noFiles = "\r\n%\r\nO7000\r\n(No Files Found?)\r\nM30\r\n%\r\n";
    for (const std::string& path :
         std::vector<std::string>{"C:\\OTHER", "C:\\NC\\NOPE", "C:\\NC\\SUB" + std::string(300, '\\')}) {
        SCOPED_TRACE(path);
        RemoteRig r;
        std::filesystem::create_directories(r.rig.folder.path() + "OTHER");
        r.rig.folder.write("OTHER/O1000.TAP", "elsewhere");
        r.request("PTH " + path + "\r");
        EXPECT_EQ(r.request("SND O1000)"), "");
        EXPECT_NE(r.rig.view.shown.find("O1000.TAP] Failed"), std::string::npos);
        EXPECT_EQ(r.request("DIR *.TAP)"), noFiles);
        EXPECT_EQ(r.request("SND O1000)"), "");
        r.request("PTH C:\\NC\r");
        EXPECT_EQ(r.request("SND O1000)"), "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
    }
}

// A keyword counts only at the start of a line or right after the previous request.
TEST(RemoteRequests, KeywordsCountOnlyWhereARequestCanStart)
{
    const std::string noFiles = "\r\n%\r\nO7000\r\n(No Files Found?)\r\nM30\r\n%\r\n";
    const struct {
        std::string bytes;
        std::string answer;
    } cases[] = {
        {"PTH C:\\NC\\SUBDIR\rDIR *.*)", "\r\n%\r\nO7000\r\n(O7.TAP   3 Chrs)\r\nM30\r\n%\r\n"},
        {"MSG SPINDLE DIRTY (CHECK)\r", ""},
        {"SND O1DIR)", ""},
        {"N10 G01 X1. (SND O1000)\r\nN20 DIR *.TAP)\r\n", ""},
        {"DIR *.XYZ)DIR *.TAP)", noFiles + Listing},
        {"\x12\r\n  DIR *.TAP)", Listing}, // punch-on code and blanks before the keyword
    };
    RemoteRig r;
    std::filesystem::create_directories(r.rig.folder.path() + "NC/SUBDIR");
    r.rig.folder.write("NC/SUBDIR/O7.TAP", "%\r\n");
    for (const auto& c : cases)
        EXPECT_EQ(r.request(c.bytes), c.answer) << c.bytes;
    EXPECT_EQ(r.posted, (std::vector<std::string>{"05:06:07: SPINDLE DIRTY (CHECK)"}));
}

// A request that comes right after a SND's file is answered or logged; a request whose
// keyword came before the transfer ended and the rest after it is answered.
TEST(RemoteRequests, RequestRightAfterASentFileIsNeverLostSilently)
{
    const std::string program = "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n";
    for (const bool split : {false, true}) {
        SCOPED_TRACE(split ? "split across the end of the transfer" : "whole at once");
        RemoteRig r;
        bool fed = false;
        r.rig.device->onSent = [&](const std::string&) {
            if (fed || r.rig.device->sent().find(program) == std::string::npos)
                return;
            fed = true;
            r.rig.device->clock.startTimer(0, [&] { r.rig.device->feed(split ? "DI" : "DIR *.TAP)"); });
        };
        // The rest of a split request follows as soon as the transfer is over.
        std::string sent = r.request("SND O1000)", split ? 0 : 5000);
        ASSERT_TRUE(fed);
        if (split)
            sent += r.request("R *.TAP)");
        const auto log = r.rig.logLines();
        const bool logged = std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.starts_with("Remote Request DIR [*.TAP]");
        });
        EXPECT_TRUE(sent.find(Listing) != std::string::npos || logged) << sent;
        if (split) {
            EXPECT_EQ(sent, program + Listing);
        }
    }
}

// A request whose end never comes is logged as dropped, and what comes of it late is
// still its argument.
TEST(RemoteRequests, IncompleteRequestIsLoggedAsDropped)
{
    RemoteRig r;
    r.request("SND O10", ticksToMs(200) + 100);
    ASSERT_FALSE(r.rig.logLines().empty());
    EXPECT_EQ(r.rig.logLines().back(), "Remote Request SND [O10] Dropped, Incomplete, Machine [M]");
    EXPECT_EQ(r.request("DIR *.TAP)"), "");
    EXPECT_EQ(r.request("\r\nDIR *.TAP)"), Listing);
}

// After a request that timed out, a quiet gap brings the reading back to where a
// request may start.
TEST(RemoteRequests, RequestAfterATimedOutOneAndAQuietGapIsAnswered)
{
    RemoteRig r;
    r.request("SND O10", ticksToMs(200) + ticksToMs(36) + 500);
    EXPECT_EQ(r.request("DIR *.TAP)"), Listing);
}

// Even where a machine's folders are the program folder, its own settings, logs and
// scratch files are neither sent, listed nor overwritten.
TEST(RemoteRequests, ProgramFilesAreNotTheControlsBusiness)
{
    RemoteRig r("FLOW=1\r\n", "DEFDNL=C:\\\r\nDEFUPL=C:\\\r\n");
    for (const char* own : {"MRW2013.INI", "ZV.INI", "TKZPWL.INI", "MRW2013.LOG", "MRW1F.TMP", "SETUP.TMP"})
        r.rig.folder.write(own, "private");
    r.rig.folder.write("O5.TAP", "%\r\nO5\r\n%\r\n");
    r.rig.folder.write("MRW5.TAP", "%\r\n");
    EXPECT_EQ(r.request("DIR *.*)"), "\r\n%\r\nO7000\r\n(MRW5.TAP   3 Chrs)\r\n(O5.TAP   10 Chrs)\r\nM30\r\n%\r\n");
    for (const std::string name : {"WPOSTS.INI", "mrw2013.ini", "ZV.INI", "TKZPWL.INI", "MRWDNC.LOG", "MRW1F.TMP"}) {
        EXPECT_EQ(r.request("SND " + name + ")"), "") << name;
        ASSERT_FALSE(r.rig.logLines().empty());
        EXPECT_EQ(r.rig.logLines().back(), "Refused File Name [" + name + "], Machine [M]");
    }
    r.request("RCV SETUP.TMP\r", 0);
    ASSERT_FALSE(r.rig.logLines().empty());
    EXPECT_EQ(r.rig.logLines().back(), "Refused File Name [SETUP.TMP], Machine [M]");
}

// The example machines send from and receive into NC folders of their own, which hold
// programs only.
TEST(RemoteRequests, ExampleMachinesHaveFoldersOfTheirOwn)
{
    const std::string examples = std::string(MRW_SOURCE_DIR) + "/examples";
    const mrw::MachineDatabase db(examples + "/WPOSTS.INI");
    for (const std::string& name : db.machineNames()) {
        mrw::MachineSettings s;
        db.loadMachine(name, s);
        for (const std::string& stored : {s.DirDNL, s.DirUPL}) {
            const std::string folder = platform::resolveStoredPath(stored, examples, {});
            EXPECT_TRUE(platform::folderExists(folder)) << name << ": " << stored;
            EXPECT_NE(std::filesystem::weakly_canonical(folder), std::filesystem::weakly_canonical(examples))
                << name << ": " << stored;
        }
        const auto programs = confinedListing(platform::resolveStoredPath(s.DirDNL, examples, {}), "*.TAP");
        EXPECT_GE(programs.size(), 5u) << name;
    }
}

// A control on a pty: the mode answers right after it is entered, and a send without
// flow control reaches the control whole.
TEST(RemoteRequestsPty, DirectoryAndSendWithoutFlowControl)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    simcontrol::SimControl control(pty.machineEnd(), simcontrol::ControlSettings{4096, 3072, 1024, 9600});
    SessionRig rig(remoteMachine("FLOW=0\r\nRMTSDELAY=0\r\nRMTDDELAY=0\r\n"));
    std::filesystem::create_directories(rig.folder.path() + "NC");
    rig.folder.write("NC/O1000.TAP", "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
    rig.ptyPath = pty.pcEnd();
    rig.session->setIdleClock(nullptr);
    rig.session->begin();
    ASSERT_TRUE(rig.session->portOpened());
    RemoteRequests remote(*rig.session, rig.editor, *rig.sender, rig.waitBox, rig.divert);
    remote.enter();

    control.send("DIR *.TAP)");
    const std::string listing = "\r\n%\r\nO7000\r\n(O1000.TAP   24 Chrs)\r\nM30\r\n%\r\n";
    rig.session->clock().waitFor([&] { return control.consumed() >= listing.size(); }, 10000, true);
    EXPECT_EQ(control.program(), listing);
    control.send("SND O1000)");
    const std::string program = "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n";
    rig.session->clock().waitFor([&] { return control.consumed() >= listing.size() + program.size(); }, 10000, true);
    EXPECT_EQ(control.program(), listing + program);
    rig.session->clock().waitFor([&] { return !remote.busy(); }, 10000, true);
    EXPECT_FALSE(remote.busy());
    // More text than the input buffer holds, and the control is still heard.
    std::string strayText;
    while (strayText.size() < 6000)
        strayText += "N10 G01 X1.2345 Y2.3456 F20.\r\n";
    control.send(strayText + "DIR *.TAP)");
    const std::size_t total = 2 * listing.size() + program.size();
    rig.session->clock().waitFor([&] { return control.consumed() >= total; }, 20000, true);
    EXPECT_EQ(control.program(), listing + program + listing);
    EXPECT_TRUE(rig.prompter.shown.empty());
}

} // namespace
} // namespace dnc
