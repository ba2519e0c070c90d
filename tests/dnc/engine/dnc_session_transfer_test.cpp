// The terminal's transfers: sends of the editor text and of several files, the waits for
// XON or a character, receives with their conversion, direct file transfer and the
// activity-log lines; over fake lines and over a pty pair with the simulated control.
#include "dnc/engine/kermit.h"
#include "dnc/engine/received_file.h"
#include "tests/dnc/engine/dnc_session_rig.h"
#include "tests/dnc/engine/proto_peer.h"
#include "tests/dnc/engine/proto_standard_sender.h"

#include <sys/stat.h>
#include "tests/dnc/engine/sim_control.h"

#include "platform/folders.h"
#include "platform/scratch_file.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace dnc {
namespace {

using testrig::SessionRig;

const std::string Program = "%\r\nO1\r\nG01X1.\r\n%\r\n";

// "G01X1." and "M30" punched in EIA with leader and trailer.
std::string eiaTape()
{
    std::string tape(20, '\0');
    for (const std::string& line : {std::string("G01X1."), std::string("M30")})
        tape += ConvertLineToTapeCode(line, TapeCode::Eia) + static_cast<char>(EiaEndOfBlock);
    return tape + std::string(20, '\0');
}

// Runs `fire` when the virtual clock reaches `ms` from now.
void at(SessionRig& rig, int ms, std::function<void()> fire)
{
    rig.device->clock.startTimer(ms, std::move(fire));
}

TEST(DncTransfer, SendOfTheEditorTextLogsSendsTheInitStringAndTheImage)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nSINIT=/018\r\nSSEND=%\r\n");
    rig.session->begin();
    rig.editor.activeName = "/jobs/PART1.TAP";
    rig.sender->choices.push_back({true, {}, Program});
    rig.device->clearEvents();

    rig.runner->send();
    EXPECT_TRUE(rig.sender->editorChoicesEnabled);
    EXPECT_TRUE(rig.session->transferActive());
    EXPECT_EQ(rig.view.status, "Downloading To CNC ...");
    rig.sender->choices.push_back({true, {}, "G00\r\n"});
    rig.runner->send(); // busy: the image on the line is not rebuilt
    EXPECT_EQ(rig.sender->choices.size(), 1u);

    rig.settle();
    EXPECT_FALSE(rig.session->transferActive());
    EXPECT_EQ(rig.device->sent(), "\x12" + rig.folder.read("MRW0001.TMP"));
    EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Send File [/jobs/PART1.TAP]"}));
}

TEST(DncTransfer, SendWaitsForXonAndDiscardsOtherCharacters)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nFLOW=1\r\nXONWAIT=1\r\n");
    rig.session->setVerbose(true);
    rig.session->begin();
    rig.sender->choices.push_back({true, {}, Program});
    rig.device->clearEvents();
    at(rig, 100, [&] { rig.device->feed("A"); });
    at(rig, 200, [&] { rig.device->feed("\x11"); });

    rig.runner->send();
    rig.settle();
    ASSERT_EQ(rig.waitBox.labels.size(), 1u);
    EXPECT_EQ(rig.waitBox.labels[0], "Waiting for M to send an XON ...");
    EXPECT_FALSE(rig.waitBox.showing);
    EXPECT_NE(std::find(rig.view.lines.begin(), rig.view.lines.end(), "Wait Char received=[65]"),
              rig.view.lines.end());
    EXPECT_EQ(rig.device->sent(), rig.folder.read("MRW0001.TMP"));
    EXPECT_EQ(rig.session->port().softwareFlow(), SoftwareFlow::Both);
    EXPECT_FALSE(rig.session->port().charReady());
}

TEST(DncTransfer, StoppedXonWaitSendsNothing)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nXONWAIT=1\r\n");
    rig.session->begin();
    rig.sender->choices.push_back({true, {}, Program});
    rig.device->clearEvents();
    at(rig, 300, [&] { rig.waitBox.stop = true; });

    rig.runner->send();
    rig.settle();
    EXPECT_EQ(rig.device->sent(), "");
    EXPECT_TRUE(rig.logLines().empty()) << "nothing was sent, so nothing is logged as sent";
    EXPECT_FALSE(rig.session->transferActive());
    EXPECT_FALSE(rig.runner->busy());
}

TEST(DncTransfer, SeveralFilesGoLastFirstWithTheDelayBetween)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nMFILEDELAY=2\r\n");
    rig.session->begin();
    std::vector<std::string> files;
    for (const std::string name : {"A.TAP", "B.TAP", "C.TAP"}) {
        rig.folder.write(name, "(" + name + ")\r\n");
        files.push_back(rig.folder.file(name));
    }
    rig.sender->choices.push_back({true, files, {}});
    rig.device->clearEvents();

    rig.runner->send();
    EXPECT_FALSE(rig.session->transferActive());
    EXPECT_TRUE(rig.sender->selectedFiles().empty());
    EXPECT_EQ(rig.device->sent(), "(C.TAP)\r\n(B.TAP)\r\n(A.TAP)\r\n");
    EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Send File [" + files[2] + "]",
                                                        "DNC Send File [" + files[1] + "]",
                                                        "DNC Send File [" + files[0] + "]"}));
    EXPECT_EQ(rig.view.lines, (std::vector<std::string>{files[2], "Done with: " + files[2], files[1],
                                                        "Done with: " + files[1], files[0],
                                                        "Done with: " + files[0]}));
    std::vector<std::int64_t> sentAt;
    for (const LineEvent& e : rig.device->events)
        if (e.kind == LineEvent::Sent && e.bytes.front() == '(')
            sentAt.push_back(e.timeMs);
    ASSERT_EQ(sentAt.size(), 3u);
    EXPECT_GE(sentAt[1] - sentAt[0], ticksToMs(secsToTicks(2)));
    EXPECT_GE(sentAt[2] - sentAt[1], ticksToMs(secsToTicks(2)));
}

TEST(DncTransfer, FileThatCannotBePreparedIsPassedOverNeverSentWithAnOldImage)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\n");
    rig.session->begin();
    rig.folder.write("A.TAP", "(A)\r\n");
    rig.folder.write("B.TAP", "(B)\r\n");
    const std::vector<std::string> files{rig.folder.file("A.TAP"), rig.folder.file("B.TAP")};
    rig.sender->unsendable = {files[0]};
    rig.sender->choices.push_back({true, files, {}});
    rig.device->clearEvents();
    rig.runner->send();
    EXPECT_EQ(rig.device->sent(), "(B)\r\n");
    EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Send File [" + files[1] + "]"}));
}

TEST(DncTransfer, ProtocolThatIsNotAtHandSendsAndLogsNothing)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nPROTOCOL=3\r\nSINIT=X\r\n");
    rig.session->setProtocolFactory([](ProtocolType, ComPort&) { return std::unique_ptr<Protocol>(); });
    rig.session->begin();
    rig.sender->choices.push_back({true, {}, Program});
    rig.device->clearEvents();
    rig.runner->send();
    rig.settle();
    EXPECT_EQ(rig.device->sent(), "");
    EXPECT_TRUE(rig.logLines().empty());
    EXPECT_FALSE(rig.runner->busy());
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_NE(rig.prompter.shown[0].text.find("ZMODEM"), std::string::npos);
}

TEST(DncTransfer, ReceiveInEiaIsConvertedBackToText)
{
    for (const int tapeCode : {mrw::tapecode::Eia, mrw::tapecode::Iso}) {
        SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nSRECV=/018\r\nERECV=/020\r\nTCODE=" + std::to_string(tapeCode) +
                       "\r\nDEFUPL=" + "/uploads" + "\r\nDEFEXT=NC\r\n");
        rig.session->begin();
        const std::string file = rig.folder.file("IN.NC");
        rig.dialogs.receiveFiles.push_back(file);
        const std::string tape = eiaTape();
        at(rig, 100, [&] { rig.device->feed(tape); });
        rig.device->clearEvents();

        rig.runner->receive();
        ASSERT_EQ(rig.dialogs.requests.size(), 1u);
        EXPECT_EQ(rig.dialogs.requests[0].folder, "/uploads");
        EXPECT_EQ(rig.dialogs.requests[0].defaultExtension, "NC");
        EXPECT_EQ(rig.dialogs.requests[0].filters.front(), "Tape files (*.NC)");
        EXPECT_FALSE(rig.globals.UploadFolderFirstTime);
        EXPECT_EQ(rig.view.statusHistory[rig.view.statusHistory.size() - 2], "Uploading From CNC ...");
        EXPECT_EQ(rig.device->sent(), "\x12\x14"); // codes go as they are in every tape code
        const std::string received = rig.folder.read("IN.NC");
        if (tapeCode == mrw::tapecode::Eia)
            EXPECT_EQ(received, "G01X1.\r\nM30\r\n");
        else
            EXPECT_EQ(received, tape);
        EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Receive File [" + file + "]"}));
        EXPECT_TRUE(rig.view.active);
    }
}

TEST(DncTransfer, ReceiveOntoAnExistingFileAsksFirst)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\n");
    rig.session->begin();
    const std::string file = rig.folder.file("OLD.TAP");
    rig.folder.write("OLD.TAP", "old");

    // No: the dialog again; Cancel: nothing, not even a log line.
    rig.dialogs.receiveFiles = {file, file};
    rig.prompter.buttons = {platform::Button::No, platform::Button::Cancel};
    rig.runner->receive();
    EXPECT_EQ(rig.dialogs.requests.size(), 2u);
    EXPECT_EQ(rig.prompter.shown.at(0).text, "Do you really want to overwrite OLD.TAP?");
    EXPECT_TRUE(rig.logLines().empty());
    EXPECT_EQ(rig.folder.read("OLD.TAP"), "old");

    rig.dialogs.receiveFiles = {file};
    rig.prompter.buttons = {platform::Button::Yes};
    at(rig, 100, [&] { rig.device->feed("NEW\r\n"); });
    rig.runner->receive();
    EXPECT_EQ(rig.folder.read("OLD.TAP"), "NEW\r\n");
    EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Receive Overwrite File [" + file + "]",
                                                        "DNC Receive File [" + file + "]"}));
}

TEST(DncTransfer, ReceiveWaitsForACharacterThatStaysForTheFile)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\nXONWAIT1=1\r\nSRECV=R\r\n");
    rig.session->begin();
    rig.dialogs.receiveFiles = {rig.folder.file("IN.TAP")};
    at(rig, 500, [&] { rig.device->feed("N1\r\n"); });
    rig.runner->receive();
    EXPECT_EQ(rig.waitBox.labels, (std::vector<std::string>{"Waiting for M to send ..."}));
    EXPECT_EQ(rig.folder.read("IN.TAP"), "N1\r\n");

    // Stopped: the start codes went out, nothing is received.
    rig.dialogs.receiveFiles = {rig.folder.file("IN2.TAP")};
    rig.device->clearEvents();
    at(rig, 300, [&] { rig.waitBox.stop = true; });
    rig.runner->receive();
    EXPECT_EQ(rig.device->sent(), "R");
    EXPECT_FALSE(platform::fileExists(rig.folder.file("IN2.TAP")));
    EXPECT_TRUE(rig.view.active);
}

TEST(DncTransfer, DirectFileTransferCopiesIntoTheMachineFolder)
{
    testsupport::TempFolder machineFolder;
    SessionRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\nTCODE=0\r\nDEFUPL=" + machineFolder.path() + "\r\n");
    rig.session->begin();
    // A user's file of the same name beside the scratch files is never touched.
    rig.folder.write("PART1.TAP", "mine");
    rig.editor.activeName = rig.folder.file("PART1.TAP");
    rig.sender->choices.push_back({true, {}, Program});

    rig.runner->send();
    EXPECT_TRUE(rig.openedPorts.empty());
    EXPECT_EQ(machineFolder.read("PART1.TAP"), rig.folder.read("MRW0001.TMP")); // the EIA image
    EXPECT_EQ(rig.folder.read("PART1.TAP"), "mine");
    EXPECT_EQ(rig.view.status, ReadyText);

    // Several disk files go unconverted; an existing one is replaced only when confirmed.
    rig.folder.write("A.TAP", "(A)\r\n");
    rig.folder.write("B.TAP", "(B)\r\n");
    machineFolder.write("B.TAP", "old");
    rig.sender->choices.push_back({true, {rig.folder.file("A.TAP"), rig.folder.file("B.TAP")}, {}});
    rig.prompter.buttons = {platform::Button::No};
    rig.runner->send();
    EXPECT_EQ(machineFolder.read("A.TAP"), "(A)\r\n");
    EXPECT_EQ(machineFolder.read("B.TAP"), "old");
    EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Direct File Transfer Send [" + rig.folder.file("PART1.TAP") + "]",
                                                        "DNC Direct File Transfer Send [" + rig.folder.file("A.TAP") + "]"}));

    // "&Receive" only says what it would do.
    rig.runner->receive();
    EXPECT_EQ(rig.view.status, "Uploading From CNC ...");
    EXPECT_TRUE(rig.dialogs.requests.empty());
}

TEST(DncTransfer, FailedDirectCopyIsReportedAndNotLogged)
{
    SessionRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\nTCODE=2\r\nDFTASK=1\r\n");
    rig.session->begin();
    rig.editor.activeName = "PART2.TAP";
    rig.sender->choices.push_back({true, {}, Program});
    rig.dialogs.folders.push_back(rig.folder.file("no/such/folder"));
    rig.runner->send();
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_NE(rig.prompter.shown[0].text.find("Could not be copied to"), std::string::npos);
    EXPECT_TRUE(rig.logLines().empty());
}

// Machine folders as shops store them: Windows-rooted, with a drive letter mapped or not,
// and relative; each lies where the stored-path rule puts it, whatever the current folder.
TEST(DncTransfer, DirectFileTransferFindsTheStoredMachineFolder)
{
    struct Row {
        std::string stored;
        std::string folder; // below the program folder
    };
    const Row rows[] = {
        {"\\HALVEN", "HALVEN"},         // the default of a new machine
        {"C:\\HALVEN", "HALVEN"},       // a drive letter without a [DRIVES] entry
        {"cells\\dft", "cells/dft"},    // relative: from the program folder
        {"D:\\NC\\DFT", "drive-d/NC/DFT"}, // D=drive-d under [DRIVES]
    };
    for (const Row& row : rows) {
        SessionRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\nTCODE=2\r\nDEFUPL=" + row.stored + "\r\n");
        rig.folder.write("MRW2013.INI", "[DRIVES]\r\nD=drive-d\r\n");
        ASSERT_TRUE(platform::makeFolders(rig.folder.file(row.folder)));
        testsupport::TempFolder elsewhere;
        ASSERT_TRUE(platform::setCurrentFolder(elsewhere.path()));
        rig.session->begin();
        rig.editor.activeName = "/jobs/PART1.TAP";
        rig.sender->choices.push_back({true, {}, Program});

        rig.runner->send();
        EXPECT_TRUE(rig.prompter.shown.empty()) << row.stored;
        EXPECT_EQ(rig.folder.read(row.folder + "/PART1.TAP"), Program) << row.stored;
        EXPECT_EQ(rig.logLines(), (std::vector<std::string>{"DNC Direct File Transfer Send [/jobs/PART1.TAP]"}));
        ASSERT_TRUE(platform::setCurrentFolder(rig.folder.path()));
    }
}

TEST(DncTransfer, ReceiveDialogStartsInTheResolvedUploadFolder)
{
    SessionRig rig("[M]\r\nPORT=1\r\nDEFUPL=\\HALVEN\\UP\r\n");
    rig.session->begin();
    rig.runner->receive(); // the dialog is cancelled
    ASSERT_EQ(rig.dialogs.requests.size(), 1u);
    EXPECT_EQ(rig.dialogs.requests[0].folder, rig.folder.file("HALVEN/UP"));
}

// A port that did not open: nothing can be sent or received, and nothing is logged.
TEST(DncTransfer, NothingGoesOrIsLoggedWhenThePortDidNotOpen)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\n");
    rig.device->openFails = true;
    rig.prompter.buttons = {platform::Button::Ok};
    rig.session->begin();
    EXPECT_FALSE(rig.session->transfersPossible());
    EXPECT_EQ(rig.view.status, OffLineText);
    EXPECT_EQ(rig.view.portStatus, PortNotOpenText);

    rig.editor.activeName = "/jobs/PART1.TAP";
    rig.sender->choices.push_back({true, {}, Program});
    rig.runner->send();
    rig.dialogs.receiveFiles.push_back(rig.folder.file("IN.TAP"));
    rig.runner->receive();
    EXPECT_EQ(rig.sender->choices.size(), 1u) << "the send dialog was not shown";
    EXPECT_TRUE(rig.dialogs.requests.empty());
    EXPECT_EQ(rig.prompter.shown.size(), 1u) << "only the port's own message";
    EXPECT_TRUE(rig.logLines().empty());
}

// A receive in which nothing arrives fails at the time-out: no success message, no
// empty file, and a file that was there before is kept.
TEST(DncTransfer, ReceiveOfNothingFailsAndLeavesNoEmptyFile)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\n");
    rig.settings.DncAlert = true;
    rig.session->begin();
    rig.dialogs.receiveFiles.push_back(rig.folder.file("NEW.TAP"));
    rig.runner->receive();
    EXPECT_FALSE(platform::fileExists(rig.folder.file("NEW.TAP")));
    ASSERT_FALSE(rig.prompter.shown.empty());
    for (const auto& shown : rig.prompter.shown)
        EXPECT_EQ(shown.text.find("Successful"), std::string::npos) << shown.text;
    EXPECT_EQ(rig.prompter.shown.back().text, "Protocol Error:  " + protocolResultText(ProtocolTimeout));

    rig.folder.write("OLD.TAP", "old");
    rig.dialogs.receiveFiles.push_back(rig.folder.file("OLD.TAP"));
    rig.prompter.buttons = {platform::Button::Yes};
    rig.runner->receive();
    EXPECT_EQ(rig.folder.read("OLD.TAP"), "old");
}

// A receive that does not go through never leaves anything under the chosen name and
// never touches a file already there: what arrived stays under the temporary name the
// message names, and a terminal closed meanwhile leaves nothing at all.
TEST(DncTransfer, FailedReceiveKeepsTheChosenNameAsItWas)
{
    const struct {
        const char* name;
        bool existed;
        bool closeTerminal; // else the operator cancels
    } cases[] = {
        {"new, cancelled", false, false},
        {"existing, cancelled", true, false},
        {"new, terminal closed", false, true},
        {"existing, terminal closed", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=5\r\nTCODE=2\r\n");
        rig.session->begin();
        const std::string file = rig.folder.file("PART.TAP");
        const std::string partial = file + ".~UP";
        if (c.existed)
            rig.folder.write("PART.TAP", "old");
        rig.dialogs.receiveFiles = {file};
        rig.prompter.buttons = {platform::Button::Yes, platform::Button::Ok};
        at(rig, 100, [&] { rig.device->feed("N1G01X1.\r\n"); });
        at(rig, 300, [&] {
            if (c.closeTerminal)
                rig.session->end();
            else
                rig.session->protocol()->cancel();
        });
        rig.runner->receive();

        EXPECT_EQ(platform::fileExists(file), c.existed);
        if (c.existed) {
            EXPECT_EQ(rig.folder.read("PART.TAP"), "old");
        }
        if (c.closeTerminal) {
            EXPECT_FALSE(platform::fileExists(partial));
            EXPECT_EQ(rig.logLines().back(), "DNC Transfer Cancelled, Terminal Closed, Machine [M]");
            EXPECT_FALSE(rig.session->portOpened());
        } else {
            EXPECT_EQ(rig.folder.read("PART.TAP.~UP"), "N1G01X1.\r\n");
            ASSERT_FALSE(rig.prompter.shown.empty());
            EXPECT_EQ(rig.prompter.shown.back().text,
                      "Cancel Pressed, Data May Have Been Lost !!\nWhat arrived is kept in " + partial);
        }
    }
}

// The receiver's start request that came while the send dialog showed starts the
// transfer at once: the terminal does not take it and nothing throws it away. The
// receiver here never asks again.
TEST(DncTransfer, StartRequestWhileTheSendDialogShowsStartsTheTransfer)
{
    const struct {
        int protocol;
        std::string firstBlock;
    } cases[] = {
        {mrw::protocol::Xmodem, std::string("\x01\x01\xfe", 3)},
        {mrw::protocol::Ymodem, std::string("\x01\x00\xff" "O1001.TAP", 12)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.protocol);
        SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nPROTOCOL=" + std::to_string(c.protocol) + "\r\n");
        rig.session->begin();
        rig.editor.activeName = "/jobs/O1001.TAP";
        rig.device->feed("before");
        rig.sender->whileShown = [&] { rig.device->feed("C"); };
        rig.sender->choices.push_back({true, {}, Program});
        rig.runner->send();
        rig.device->clock.advance(1000);
        EXPECT_NE(rig.device->sent().find(c.firstBlock), std::string::npos);
        EXPECT_EQ(rig.view.received, "before");
    }
}

// A Kermit sender that was started first: its start packet, come while the receive
// dialog showed, is answered at once, not after the receiver's first time-out.
TEST(DncTransfer, KermitStartPacketWhileTheReceiveDialogShowsStartsTheReceive)
{
    SessionRig rig("[M]\r\nPORT=1\r\nTCODE=2\r\nPROTOCOL=4\r\n");
    rig.session->begin();
    rig.device->feed("before");
    rig.dialogs.whileShown = [&] { rig.device->feed(KermitFramer().frame(0, 'S', KermitParameters{}.encode(), {})); };
    rig.dialogs.receiveFiles = {rig.folder.file("IN.TAP")};
    rig.runner->receive();
    const std::string sent = rig.device->sent();
    const std::size_t first = sent.find('\x01');
    ASSERT_NE(first, std::string::npos) << sent;
    ASSERT_GT(sent.size(), first + 3);
    EXPECT_EQ(sent[first + 3], 'Y') << sent; // the start acknowledged, no NAK first
    EXPECT_EQ(rig.view.received, "before");
}

// The program ends in the middle of a receive: the terminal's session goes without its
// end, and no temporary file stays behind, whichever protocol was receiving.
TEST(DncTransfer, SessionDestroyedDuringAReceiveLeavesNoTemporaryFile)
{
    const struct {
        int protocol;
        std::string arriving;
    } cases[] = {
        {mrw::protocol::Ascii, "N1G01X1.\r\n"},
        {mrw::protocol::Xmodem, prototest::xmodemFrame(1, "N1G01X1.\r\n")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.protocol);
        SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=5\r\nTCODE=2\r\nPROTOCOL=" + std::to_string(c.protocol) + "\r\n");
        rig.session->begin();
        const std::string file = rig.folder.file("PART.TAP");
        ASSERT_TRUE(rig.session->SetupProtocol(ProtocolSide::Receive));
        ASSERT_TRUE(rig.session->startReceive(file));
        rig.device->clock.advance(100);
        rig.device->feed(c.arriving);
        rig.device->clock.advance(100);
        ASSERT_TRUE(platform::fileExists(file + ".~UP"));
        ASSERT_TRUE(rig.session->protocol()->inProgress());
        rig.view.reader.setPort(nullptr);
        rig.session.reset();
        EXPECT_FALSE(platform::fileExists(file + ".~UP"));
        EXPECT_FALSE(platform::fileExists(file));
    }
}

// A write-protected file is never replaced by a receive: refused before anything is
// sent or logged, and it stays as it was.
TEST(DncTransfer, ReceiveRefusesAWriteProtectedFile)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\nSRECV=R\r\n");
    rig.session->begin();
    const std::string file = rig.folder.file("LOCKED.TAP");
    rig.folder.write("LOCKED.TAP", "old");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    rig.dialogs.receiveFiles = {file};
    rig.prompter.buttons = {platform::Button::Yes, platform::Button::Ok};
    at(rig, 100, [&] { rig.device->feed("NEW\r\n"); });
    rig.device->clearEvents();
    rig.runner->receive();
    EXPECT_EQ(rig.folder.read("LOCKED.TAP"), "old");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms::owner_read);
    ASSERT_EQ(rig.prompter.shown.size(), 2u);
    EXPECT_EQ(rig.prompter.shown[1].text, writeProtectedText(file));
    EXPECT_EQ(rig.device->sent(), "");
    EXPECT_TRUE(rig.logLines().empty());
}

// A completed receive replaces a program as every save does: its mode stays, and a name
// that is a link keeps leading to the program, which holds what arrived.
TEST(DncTransfer, ReceiveReplacesAProgramKeepingItsModeAndLink)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\n");
    rig.session->begin();
    rig.folder.write("PROG.TAP", "old");
    const std::string program = rig.folder.file("PROG.TAP");
    const std::string link = rig.folder.file("LINK.TAP");
    ::chmod(program.c_str(), 0640);
    std::filesystem::create_symlink("PROG.TAP", link);
    rig.dialogs.receiveFiles = {link};
    rig.prompter.buttons = {platform::Button::Yes};
    at(rig, 100, [&] { rig.device->feed("NEW\r\n"); });
    rig.runner->receive();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(rig.folder.read("PROG.TAP"), "NEW\r\n");
    struct stat st{};
    ASSERT_EQ(::stat(program.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(platform::fileExists(link + ".~UP"));
}

// Another user of the folder plants a link under the name a receive writes first: the
// link is replaced, never followed, and the file it leads to keeps its text.
TEST(DncTransfer, ReceiveNeverFollowsALinkPlantedUnderItsTemporaryName)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\n");
    rig.session->begin();
    rig.folder.write("notes", "secret");
    const std::string file = rig.folder.file("IN.TAP");
    rig.dialogs.receiveFiles = {file};
    at(rig, 50, [&] { std::filesystem::create_symlink(rig.folder.file("notes"), file + ".~UP"); });
    at(rig, 100, [&] { rig.device->feed("N1\r\n"); });
    rig.runner->receive();
    EXPECT_EQ(rig.folder.read("notes"), "secret");
    EXPECT_EQ(rig.folder.read("IN.TAP"), "N1\r\n");
}

// A FIFO (or device, or folder) chosen as the file to receive into is refused with its
// own message; nothing is sent, opened or replaced.
TEST(DncTransfer, ReceiveRefusesANameThatIsNotAFile)
{
    SessionRig rig("[M]\r\nPORT=1\r\nEOFTIME=1\r\nTCODE=2\r\nSRECV=R\r\n");
    rig.session->begin();
    const std::string fifo = rig.folder.file("PIPE.TAP");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    rig.dialogs.receiveFiles = {fifo};
    rig.prompter.buttons = {platform::Button::Yes, platform::Button::Ok};
    rig.device->clearEvents();
    rig.runner->receive();
    ASSERT_FALSE(rig.prompter.shown.empty());
    EXPECT_EQ(rig.prompter.shown.back().text, platform::notRegularFileText(fifo));
    EXPECT_EQ(rig.device->sent(), "");
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(rig.logLines().empty());
}

// The example mill program through the real port, a pty pair and the simulated control.
TEST(DncTransferPty, SendOfTheExampleProgramArrivesAsTheSendImageInEveryTapeCode)
{
    const std::string program = testsupport::exampleFile("O1001.TAP");
    for (const int tapeCode : {mrw::tapecode::Eia, mrw::tapecode::Ascii, mrw::tapecode::Iso}) {
        simcontrol::PtyPair pty;
        ASSERT_TRUE(pty.ready());
        simcontrol::SimControl control(pty.machineEnd(), simcontrol::ControlSettings{});
        SessionRig rig("[M]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nLLEN=1\r\n"
                       "SSEND=%\r\nESEND=%\r\nTCODE=" +
                       std::to_string(tapeCode) + "\r\n");
        rig.ptyPath = pty.pcEnd();
        rig.session->setIdleClock(nullptr);
        rig.session->begin();
        ASSERT_TRUE(rig.session->portOpened()) << rig.prompter.shown.size();
        rig.sender->choices.push_back({true, {}, program});

        rig.runner->send();
        rig.session->waitForFinish();
        const std::string image = rig.folder.read("MRW0001.TMP");
        ASSERT_GT(image.size(), program.size() / 2);
        EXPECT_TRUE(control.waitConsumed(image.size(), 20000));
        EXPECT_EQ(control.program(), image) << "tape code " << tapeCode;
        EXPECT_EQ(control.overruns(), 0);
        EXPECT_TRUE(rig.prompter.shown.empty());
    }
}

} // namespace
} // namespace dnc

namespace dnc {
namespace {

// A machine set for ZMODEM: the terminal's send goes out through the protocol on the
// port and the standard receiver gets the send image whole.
TEST(DncTransferPty, ZmodemSendReachesTheStandardReceiver)
{
    const std::string program = testsupport::exampleFile("BRACKET.TAP");
    SessionRig rig("[M]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nLLEN=0\r\n"
                   "TCODE=" + std::to_string(mrw::tapecode::Iso) + "\r\nPROTOCOL=3\r\n");
    ::mkdir(rig.folder.file("rx").c_str(), 0755);
    prototest::PeerLink peer(rig.folder.path(), rig.folder.file("rx"), "rz -b -y");
    ASSERT_TRUE(peer.ok());
    rig.ptyPath = rig.folder.file("ttyA");
    rig.session->setIdleClock(nullptr);
    rig.session->begin();
    ASSERT_TRUE(rig.session->portOpened());
    rig.sender->choices.push_back({true, {}, program});

    rig.runner->send();
    rig.session->waitForFinish();
    const std::string image = rig.folder.read("MRW0001.TMP");
    ASSERT_FALSE(image.empty());
    std::string received;
    for (const auto& entry : std::filesystem::directory_iterator(rig.folder.file("rx")))
        received = entry.path().string();
    ASSERT_FALSE(received.empty()) << "nothing arrived";
    EXPECT_TRUE(prototest::waitForFile(received, image)) << received;
    EXPECT_TRUE(rig.prompter.shown.empty()) << rig.prompter.shown.front().text;
}

} // namespace
} // namespace dnc
