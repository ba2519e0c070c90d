// The DNC terminal window: shown for a machine on a pty with the simulated control, a
// send through the send dialog, the layout for remote devices, "&Start" and closing.
#include "dnc/ui/dnc_terminal.h"
#include "dnc/engine/fake_line.h"
#include "dnc/ui/debug_tools.h"
#include "dnc/ui/send_dialog.h"
#include "dnc/ui/terminal_widget.h"
#include "dnc/ui/wait_box.h"
#include "tests/dnc/engine/proto_peer.h"
#include "tests/dnc/engine/sim_control.h"
#include "workspace/engine/activity_log.h"
#include "workspace/engine/editor_host.h"

#include "platform/paths.h"

#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

namespace dnc {
namespace {

class Editor : public mrw::EditorHost {
public:
    explicit Editor(const testsupport::TempFolder& folder)
        : m_buffer(folder.file("MRW1.TMP")), m_source(folder.file("MRW2.TMP"))
    {
    }
    std::string text;
    std::string activeFileName() const override { return "/parts/O1001.TAP"; }
    bool writeActiveTextToSendFile(int, std::string& fileName) override
    {
        std::ofstream(m_source, std::ios::binary) << text;
        fileName = activeFileName();
        return true;
    }
    std::string sendBufferFile() const override { return m_buffer; }
    std::string sendSourceFile() const override { return m_source; }

private:
    std::string m_buffer;
    std::string m_source;
};

struct TerminalRig {
    explicit TerminalRig(const std::string& machine, const std::string& ports = {})
    {
        folder.write("WPOSTS.INI", machine);
        folder.write("MRW2013.INI", "[PORTS]\r\n" + ports);
        mrw::initializeWorkspaceGlobals(globals, folder.path());
        globals.CurrentMachineName = "M";
        terminal = std::make_unique<TMDNCTERM>(editor, globals, settings, &prompter);
    }
    QPushButton* button(const char* name) const { return terminal->findChild<QPushButton*>(name); }
    QString text(const char* name) const
    {
        if (auto* edit = terminal->findChild<QLineEdit*>(name))
            return edit->text();
        return terminal->findChild<QLabel*>(name)->text();
    }

    testsupport::TempFolder folder;
    mrw::WorkspaceGlobals globals;
    mrw::ProgramSettings settings;
    testsupport::ScriptedPrompter prompter;
    Editor editor{folder};
    std::unique_ptr<TMDNCTERM> terminal;
};

TEST(DncTerminal, SendsTheEditorTextToTheControlOnAPty)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    simcontrol::SimControl control(pty.machineEnd(), simcontrol::ControlSettings{});
    TerminalRig rig("[M]\r\nPORT=3\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\n"
                    "SSEND=%\r\n",
                    "COM3=" + pty.pcEnd() + "\r\n");
    rig.editor.text = "O1001\r\nG01X1.\r\nM30\r\n";
    rig.terminal->Go(false);

    EXPECT_TRUE(rig.terminal->isVisible());
    EXPECT_EQ(rig.terminal->windowTitle(), "Marrowin -- DNC TERMINAL");
    EXPECT_EQ(rig.text("Statusline"), " COM3 8N1 9600");
    EXPECT_EQ(rig.text("Stat"), "Ready, On Line ...");
    EXPECT_EQ(rig.text("Label10"), "M");
    EXPECT_FALSE(rig.button("BitBtn4")->isHidden());
    EXPECT_TRUE(rig.button("Button2")->isHidden());
    EXPECT_TRUE(rig.prompter.shown.empty());

    QTimer::singleShot(0, [&] {
        rig.terminal->sendDialog().findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    rig.button("BitBtn4")->click();
    rig.terminal->session().waitForFinish();
    const std::string image = rig.folder.read("MRW1.TMP");
    EXPECT_EQ(image, "%O1001\r\nG01X1.\r\nM30\r\n"); // start code, ISO text
    EXPECT_TRUE(control.waitConsumed(image.size(), 10000));
    EXPECT_EQ(control.program(), image);

    rig.button("BitBtn2")->click();
    EXPECT_FALSE(rig.terminal->isVisible());
    EXPECT_FALSE(rig.terminal->session().portOpened());
}

TEST(DncTerminal, RemoteDeviceLayoutStartAndClosing)
{
    TerminalRig rig("[M]\r\nPORT=1\r\nDTYPE=2\r\n", "COM1=/nonexistent/tty\r\n");
    rig.prompter.buttons = {platform::Button::Ok, platform::Button::Ok};
    rig.terminal->Go(false);
    // The port cannot be opened: told, and the window stays.
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_NE(rig.prompter.shown[0].text.find("Cannot Be Opened"), std::string::npos);
    EXPECT_EQ(rig.terminal->windowTitle(), "REMOTE DNC MODE");
    EXPECT_EQ(rig.text("Stat"), "Remote Mode ...");
    EXPECT_TRUE(rig.button("BitBtn4")->isHidden());
    EXPECT_TRUE(rig.button("BitBtn3")->isHidden());
    EXPECT_FALSE(rig.button("Button2")->isHidden());
    EXPECT_TRUE(rig.terminal->findChild<QCheckBox*>("Bshutdown")->isHidden());

    // "&Start" runs the menu loop; closing is refused while it runs, except after a
    // remote start, and closing then ends the loop. Nothing is asked at the PC meanwhile.
    bool ran = false;
    QTimer::singleShot(200, rig.terminal.get(), [&] {
        ran = rig.terminal->session().menuRunning();
        rig.terminal->close();
        EXPECT_TRUE(rig.terminal->isVisible()); // refused while the menu runs
        rig.globals.RemoteStartFlag = true;
        rig.terminal->close();
    });
    rig.button("Button2")->click();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(rig.terminal->isVisible());
    EXPECT_FALSE(rig.terminal->session().menuRunning());
    EXPECT_EQ(rig.prompter.shown.size(), 1u);
}

// The program ends (a signal) during a Receive: the terminal ends the transfer as its
// Cancel does, from inside the wait for it, and nothing of the receive is left.
TEST(DncTerminal, ProgramEndDuringAReceiveCancelsItAndLeavesNoPartialFile)
{
    TerminalRig rig("[M]\r\nPORT=1\r\nEOFTIME=5\r\nTCODE=2\r\n");
    mrw::ActivityLog& log = mrw::activityLog();
    log.setPath(rig.folder.file("MRWDNC.LOG"));
    log.setEnabled(true);
    auto device = std::make_shared<FakeDevice>();
    rig.terminal->session().setLineFactory([device](int) { return std::make_unique<FakeLine>(device); });
    rig.terminal->session().setIdleClock(&device->clock);
    rig.terminal->Go(false);
    ASSERT_TRUE(rig.terminal->session().portOpened());
    const std::string file = rig.folder.file("PART.TAP");
    rig.terminal->setReceiveFileChooser([&](const auto&) { return file; });
    bool partialSeen = false;
    device->clock.startTimer(100, [&] { device->feed("N1G01X1.\r\n"); });
    device->clock.startTimer(300, [&] {
        partialSeen = platform::fileExists(file + ".~UP");
        rig.terminal->endWithProgram();
    });
    rig.button("BitBtn3")->click(); // returns once the receive has ended
    log.setEnabled(false);
    EXPECT_TRUE(partialSeen);
    EXPECT_FALSE(platform::fileExists(file + ".~UP"));
    EXPECT_FALSE(platform::fileExists(file));
    EXPECT_FALSE(rig.terminal->session().portOpened());
    EXPECT_FALSE(rig.terminal->isVisible());
    EXPECT_NE(rig.folder.read("MRWDNC.LOG").find("DNC Transfer Cancelled, Terminal Closed, Machine [M]"),
              std::string::npos);
}

TEST(DncTerminal, DirectFileTransferMachineShowsNoPort)
{
    TerminalRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\n");
    rig.terminal->Go(false);
    EXPECT_EQ(rig.text("Statusline"), "Direct File Transfer");
    EXPECT_TRUE(rig.prompter.shown.empty());
    rig.button("BitBtn3")->click();
    EXPECT_EQ(rig.text("Stat"), "Uploading From CNC ...");

    // "&Go" again while it shows only brings it to the front.
    rig.terminal->Go(false);
    EXPECT_EQ(rig.text("Stat"), "Uploading From CNC ...");
}

// A port that did not open shows no earlier port and offers no Send or Receive.
TEST(DncTerminal, PortThatDidNotOpenLeavesSendAndReceiveOff)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    TerminalRig rig("[M]\r\nPORT=3\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\n[N]\r\nPORT=1\r\n",
                    "COM3=" + pty.pcEnd() + "\r\nCOM1=/nonexistent/tty\r\n");
    rig.terminal->Go(false);
    EXPECT_EQ(rig.text("Statusline"), " COM3 8N1 9600");
    EXPECT_TRUE(rig.button("BitBtn4")->isEnabled());
    rig.button("BitBtn2")->click();

    rig.globals.CurrentMachineName = "N";
    rig.prompter.buttons = {platform::Button::Ok};
    rig.terminal->Go(false);
    ASSERT_EQ(rig.prompter.shown.size(), 1u);
    EXPECT_EQ(rig.text("Statusline").toStdString(), PortNotOpenText);
    EXPECT_EQ(rig.text("Stat").toStdString(), OffLineText);
    EXPECT_FALSE(rig.button("BitBtn4")->isEnabled());
    EXPECT_FALSE(rig.button("BitBtn3")->isEnabled());
}

// With local echo and automatic line feed each typed line shows from the left.
TEST(DncTerminal, EchoedLinesStartAtTheLeft)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    TerminalRig rig("[M]\r\nPORT=3\r\nECHO=1\r\nAUTOLF=1\r\n", "COM3=" + pty.pcEnd() + "\r\n");
    rig.terminal->Go(false);
    auto* screen = rig.terminal->findChild<ui::TerminalWidget*>();
    ASSERT_NE(screen, nullptr);
    QTest::keyClicks(screen, "G1\rG2\r");
    EXPECT_EQ(screen->rowText(0), "G1");
    EXPECT_EQ(screen->rowText(1), "G2");
    EXPECT_EQ(screen->cursorPosition(), QPoint(0, 2));
}

// Without a help folder beside the program the help buttons say that help is not installed.
TEST(DncTerminal, HelpButtonsSayWhenHelpIsNotInstalled)
{
    TerminalRig rig("[M]\r\nPORT=1\r\nDTYPE=4\r\n");
    rig.terminal->Go(false);
    rig.terminal->findChild<QToolButton*>("SpeedButton1")->click();
    rig.terminal->sendDialog().findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
    ASSERT_EQ(rig.prompter.shown.size(), 2u);
    for (const auto& shown : rig.prompter.shown)
        EXPECT_NE(shown.text.find("Help is not installed"), std::string::npos) << shown.text;
}

TEST(DncTerminal, WaitBoxShowsWhatItWaitsForAndCanBeStopped)
{
    Txonwaitform box;
    EXPECT_EQ(box.windowTitle(), "MARROWIN DNC");
    box.stopWaiting()->setChecked(true);
    box.showWaiting("Waiting for Mill 1 to send an XON ...", false);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.label()->text(), "Waiting for Mill 1 to send an XON ...");
    EXPECT_FALSE(box.stopRequested());
    box.stopWaiting()->click();
    EXPECT_TRUE(box.stopRequested());
    box.hideWaiting();
    EXPECT_FALSE(box.isVisible());
}


// The debugging tools on a fake line: the items in order, XON, XOFF and DTR by hand, the
// hex view, the test pattern's size check and a capture that appends.
TEST(DncTerminal, DebuggingTools)
{
    TerminalRig rig("[M]\r\nPORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nANSI=0\r\n");
    auto device = std::make_shared<FakeDevice>();
    rig.terminal->session().setLineFactory([device](int) { return std::make_unique<FakeLine>(device); });
    rig.terminal->session().setIdleClock(&device->clock);
    const QString oldCurrent = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(rig.folder.path()));
    rig.terminal->Go(false);
    ASSERT_TRUE(rig.terminal->session().portOpened());
    DebugTools& tools = rig.terminal->debugTools();

    QStringList captions;
    for (QAction* a : tools.menu()->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"&Hex Mode", "Toggle &DTR", "Send Test &Pattern", "&Send Scan Test",
                                     "Send an XON", "Send an XOFF", "&Recieve Scan Test", "&Clear Screen",
                                     "New Send Test", "Receive Bin", "Verbose Mode", "Capture Terminal"}));

    device->clearEvents();
    tools.SendanXON1Click();
    tools.SendanXOFF1Click();
    device->clock.waitFor([] { return false; }, 100, true);
    EXPECT_EQ(device->sent(), "\x11\x13");
    tools.ToggleDTR1Click();
    EXPECT_FALSE(device->dtr);
    EXPECT_FALSE(tools.menu()->actions()[1]->isChecked());
    tools.ToggleDTR1Click();
    EXPECT_TRUE(device->dtr);

    tools.HexMode1Click();
    EXPECT_TRUE(tools.menu()->actions()[0]->isChecked());
    device->feed("N1\r\n");
    device->clock.waitFor([] { return false; }, 100, true);
    EXPECT_EQ(rig.terminal->terminal().rowText(0), "N[4E],1[31],<cr><lf>");

    // Sizes out of range or not whole numbers: told, nothing written.
    rig.prompter.inputs = {{true, "10000"}, {true, "abc"}};
    const std::size_t shown = rig.prompter.shown.size();
    tools.SendTestPattern1Click();
    tools.SendTestPattern1Click();
    EXPECT_FALSE(platform::fileExists(rig.folder.file("TSTPATT.TAP")));
    ASSERT_GT(rig.prompter.shown.size(), shown);
    EXPECT_NE(rig.prompter.shown.back().text.find("0 to 9999"), std::string::npos);

    // Receive Bin after Cancel touches nothing.
    tools.chooseCaptureFile = [] { return std::nullopt; };
    tools.ReceiveBin1Click();

    rig.folder.write("MRW2013.LOG", "old");
    tools.CaptureTerminal1Click();
    rig.terminal->terminal().writeText("abc");
    tools.CaptureTerminal1Click();
    EXPECT_FALSE(tools.menu()->actions()[11]->isChecked());
    EXPECT_EQ(rig.folder.read("MRW2013.LOG"), "oldabc");
    rig.terminal->close();
    QDir::setCurrent(oldCurrent);
}

} // namespace
} // namespace dnc

namespace dnc {
namespace {

// Through the real window against the standard transfer programs on a pty (and, for
// ASCII, the simulated control): the terminal is active on the line before and after,
// and each transfer must still get every byte of the port's input.

// 1,024 bytes of NC text: a whole number of XMODEM blocks, so nothing is padded.
std::string peerProgram()
{
    std::string text;
    for (int n = 1001; text.size() < 1024; ++n)
        text += "N" + std::to_string(n) + "G01X1.Y2.\r\n";
    return text;
}

std::string lineKeys(int protocol, int baud = 115200)
{
    return "BAUD=" + std::to_string(baud) + "\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\nLLEN=0\r\nEOFTIME=1\r\n"
           "PROTOCOL=" + std::to_string(protocol) + "\r\n";
}

struct Peer {
    int protocol;
    const char* receiver; // the command that receives what the PC sends
    const char* sender;   // the command that sends PART.TAP to the PC
};
// ASCII has no program: the simulated control plays both ends.
const Peer Peers[] = {
    {mrw::protocol::Ascii, nullptr, nullptr},
    {mrw::protocol::Xmodem, "rx -b -c -t 10 PART.TAP", "sx -b PART.TAP"},
    {mrw::protocol::Ymodem, "rb -b -y -t 10", "sb -b PART.TAP"},
    {mrw::protocol::Zmodem, "rz -b -y -t 10", "sz -b PART.TAP"},
    {mrw::protocol::Kermit, "gkermit -q -i -P -w -r", "gkermit -q -i -P -s PART.TAP"},
};

// The shop menu's transfers: XMODEM on a control's slow line (every byte of the menu
// and the transfer paced at 9,600 baud), the others at 115,200 to keep the run short.
int menuBaud(const Peer& peer)
{
    return peer.protocol == mrw::protocol::Xmodem ? 9600 : 115200;
}

// A control that takes everything at once and never holds the PC.
simcontrol::ControlSettings fastControl()
{
    simcontrol::ControlSettings fast;
    fast.bufferSize = 1 << 20;
    fast.xoffLevel = 1 << 20;
    fast.drainPerSecond = 1e6;
    return fast;
}

// Waits (up to 10 s) until the control has heard `text`.
bool heard(const simcontrol::SimControl& control, const std::string& text)
{
    for (int i = 0; i < 1000 && control.program().find(text) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return control.program().find(text) != std::string::npos;
}

// Calls `step` from the event loop every 20 ms until it gives true.
class Poll {
public:
    explicit Poll(std::function<bool()> step) : m_step(std::move(step))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_step())
                m_timer.stop();
        });
        m_timer.start(20);
    }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
};

// The other end of the machine's line: a standard program behind a pty, or for ASCII
// the simulated control on a pty pair. `device` is what the PC opens.
struct MachineEnd {
    // `onCue`: the standard program starts only at cue(), as an operator at the control
    // starts it once told to.
    MachineEnd(const Peer& peer, bool peerSends, const std::string& program, bool onCue = false)
    {
        if (peerSends)
            work.write("PART.TAP", program);
        const char* command = peerSends ? peer.sender : peer.receiver;
        namesItsFile = command && std::string(command).find("PART.TAP") != std::string::npos;
        if (command) {
            std::string run = command;
            if (onCue) {
                links.write("cue.sh", "until [ -e '" + links.file("go") + "' ]; do sleep 0.02; done\nexec " + run + "\n");
                run = "sh '" + links.file("cue.sh") + "'";
            }
            link = std::make_unique<prototest::PeerLink>(links.path(), work.path(), run);
            device = links.file("ttyA");
        } else {
            pty = std::make_unique<simcontrol::PtyPair>();
            control = std::make_unique<simcontrol::SimControl>(pty->machineEnd(), fastControl());
            device = pty->pcEnd();
        }
    }
    // What the PC sent arrived whole, under the name the PC announced (XMODEM announces
    // none: its receiver is given the name).
    void expectArrived(const std::string& program, const std::string& announced) const
    {
        if (control) {
            EXPECT_TRUE(control->waitConsumed(program.size(), 20000));
            EXPECT_EQ(control->program(), program);
            return;
        }
        EXPECT_EQ(link->waitExit(20000), 0) << links.read("peer.log");
        std::string file = work.file("PART.TAP");
        for (const auto& entry : std::filesystem::directory_iterator(work.path()))
            file = entry.path().string();
        EXPECT_TRUE(prototest::waitForFile(file, program)) << links.read("peer.log");
        if (!namesItsFile) {
            EXPECT_EQ(platform::fileNamePart(file), announced);
        }
    }
    void cue() const
    {
        if (link && !platform::fileExists(links.file("go")))
            links.write("go", "");
    }
    // The standard sender ended with success.
    void expectSenderDone() const
    {
        if (link) {
            EXPECT_EQ(link->waitExit(20000), 0) << links.read("peer.log");
        }
    }

    testsupport::TempFolder links;
    testsupport::TempFolder work;
    std::unique_ptr<prototest::PeerLink> link;
    std::unique_ptr<simcontrol::PtyPair> pty;
    std::unique_ptr<simcontrol::SimControl> control;
    std::string device;
    bool namesItsFile = false; // the command names the file it receives into
};

// A receive is on the line: the simulated control may punch its tape now.
bool receiving(TMDNCTERM& terminal)
{
    const Protocol* protocol = terminal.session().protocol();
    return protocol && protocol->inProgress() && !protocol->status().sending;
}

TEST(DncTerminalPeers, SendAndReceiveWithEveryProtocol)
{
    const std::string program = peerProgram();
    for (const Peer& peer : Peers) {
        for (const bool peerSends : {false, true}) {
            SCOPED_TRACE(std::string(peer.receiver ? peer.receiver : "ASCII") + (peerSends ? ", receive" : ", send"));
            MachineEnd machine(peer, peerSends, program);
            TerminalRig rig("[M]\r\nPORT=3\r\n" + lineKeys(peer.protocol), "COM3=" + machine.device + "\r\n");
            rig.terminal->Go(false);
            ASSERT_TRUE(rig.terminal->session().portOpened());
            ASSERT_TRUE(rig.terminal->terminal().isActive());

            if (peerSends) {
                const std::string file = rig.folder.file("IN.TAP");
                rig.terminal->setReceiveFileChooser([&](const auto&) { return file; });
                Poll punch([&] {
                    if (!machine.control)
                        return true;
                    if (!receiving(*rig.terminal))
                        return false;
                    machine.control->send(program);
                    return true;
                });
                rig.button("BitBtn3")->click(); // returns when the receive has ended
                EXPECT_EQ(rig.folder.read("IN.TAP"), program);
                EXPECT_FALSE(platform::fileExists(file + ".~UP"));
            } else {
                rig.editor.text = program;
                QTimer::singleShot(0, [&] {
                    rig.terminal->sendDialog().findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                });
                rig.button("BitBtn4")->click();
                rig.terminal->session().waitForFinish();
                machine.expectArrived(program, "O1001.TAP");
            }
            for (const auto& shown : rig.prompter.shown)
                ADD_FAILURE() << shown.text;
            EXPECT_TRUE(rig.terminal->terminal().isActive()); // the line is the terminal's again
            rig.terminal->close();
        }
    }
}

// The shop terminal's D and U through the window: the menu switches the port to the
// machine, the transfer runs with the machine's protocol, and the menu comes back.
TEST(DncTerminalPeers, ShopMenuDownloadsAndUploads)
{
    const std::string program = peerProgram();
    for (const Peer& peer : Peers) {
        for (const bool upload : {false, true}) {
            SCOPED_TRACE(std::string(peer.receiver ? peer.receiver : "ASCII") + (upload ? ", U" : ", D"));
            MachineEnd machine(peer, upload, program, !upload);
            simcontrol::PtyPair shopLine;
            ASSERT_TRUE(shopLine.ready());
            simcontrol::SimControl shop(shopLine.machineEnd(), fastControl());
            testsupport::TempFolder nc;
            TerminalRig rig("[MACHINE NAMES]\r\nNUMBER=2\r\nMACHINE1=T\r\nMACHINE2=MILL\r\n"
                            "[T]\r\nPORT=1\r\nDTYPE=2\r\nCDELAY=60\r\nLDELAY=24\r\n" + lineKeys(0, menuBaud(peer)) +
                                "[MILL]\r\nPORT=3\r\nDEFDNL=" + nc.path() + "\r\nDEFUPL=" + nc.path() +
                                "\r\nDEFEXT=TAP\r\n" + lineKeys(peer.protocol, menuBaud(peer)),
                            "COM1=" + shopLine.pcEnd() + "\r\nCOM3=" + machine.device + "\r\n");
            rig.globals.CurrentMachineName = "T";
            rig.terminal->Go(false);
            ASSERT_TRUE(rig.terminal->session().portOpened());

            // The machinist at the shop terminal types each reply once its prompt came.
            std::deque<std::pair<std::string, std::string>> script{
                {"Cmd ?", "M\r"}, {"Machine?", "MILL\r"}, {"Cmd ?", upload ? "U\r" : "D\r"},
                {"File?", upload ? "O5.TAP\r" : "PART.TAP\r"}, {"Cmd ?", "Q\r"}};
            std::size_t seen = 0;
            Poll machinist([&] {
                const std::string heard = shop.program();
                while (!script.empty()) {
                    const std::size_t at = heard.find(script.front().first, seen);
                    if (at == std::string::npos)
                        return false;
                    seen = at + script.front().first.size();
                    shop.send(script.front().second);
                    script.pop_front();
                }
                return true;
            });
            Poll punch([&] {
                if (!upload) {
                    // The control's receive is started once the PC has said what comes and
                    // is on the machine's line (a request before that goes unheard).
                    if (shop.program().find("To MILL ...") == std::string::npos ||
                        rig.terminal->session().currentMachine().Name != "MILL" ||
                        !rig.terminal->session().portOpened())
                        return false;
                    machine.cue();
                    return true;
                }
                if (!machine.control)
                    return true;
                if (!receiving(*rig.terminal))
                    return false;
                machine.control->send(program);
                return true;
            });
            nc.write("PART.TAP", program);
            rig.button("Button2")->click(); // the menu runs until "Q"
            EXPECT_TRUE(script.empty()) << "waiting for " << script.front().first;
            // Closed at once: the last words still reach the shop terminal.
            rig.terminal->close();
            EXPECT_TRUE(heard(shop, "*** SHUTDOWN ***"));
            if (upload) {
                machine.expectSenderDone();
                EXPECT_EQ(nc.read("O5.TAP"), program);
                EXPECT_FALSE(platform::fileExists(nc.file("O5.TAP.~UP")));
            } else {
                machine.expectArrived(program, "PART.TAP");
            }
            for (const auto& shown : rig.prompter.shown)
                ADD_FAILURE() << shown.text;
        }
    }
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The shop terminal is the control itself, on one line: it picks the machine on that
// same line, asks for the transfer, runs the standard program there, and ends the menu.
// The script's file "result" says whether the program ended well and "*** SHUTDOWN ***"
// arrived; the script then listens on until the line is quiet.
std::string controlScript(bool upload, const std::string& program)
{
    return std::string("end() { echo \"$1\" > result; while IFS= read -r -N 1 -t 0.3 c; do :; done; exit 0; }\n"
                       "prompt() { local heard=''; while IFS= read -r -d '?' -t 60 text; do heard+=$text?; "
                       "[[ $text == *\"$1\" ]] && return 0; done; printf 'waited for %q, heard %q\\n' \"$1\" \"$heard$text\" >&2; "
                       "return 1; }\n"
                       // Reads up to the given text, as an operator watches the screen.
                       "await() { local seen=''; while IFS= read -r -N 1 -t 60 c; do seen+=$c; "
                       "[[ $seen == *\"$1\" ]] && return 0; done; printf 'waited for %q, heard %q\\n' \"$1\" \"$seen\" >&2; "
                       "return 1; }\n"
                       "prompt 'Cmd ' && printf 'M\\r' && prompt 'Machine' && printf 'MILL\\r' && prompt 'Cmd ' && ") +
           // The sender starts once the PC has said it is ready to receive, the receiver once
           // the PC has said what it sends: as an operator at the control does.
           (upload ? "printf 'U\\r' && prompt 'File' && printf 'O5.TAP\\r' && await 'From MILL ...'"
                   : "printf 'D\\r' && prompt 'File' && printf 'PART.TAP\\r' && await 'To MILL ...'") +
           " || end 90\n" + program + " || end $?\n" +
           // After an upload the next command, typed at once, is heard: what comes back
           // is its own prompt, not the menu again (an empty file name then ends it).
           (upload ? "prompt 'Cmd ' && printf 'D\\r' && IFS= read -r -d '?' -t 20 text && [[ $text == *File ]] && "
                     "printf '\\r' || { printf 'after D heard %q\\n' \"$text\" >&2; end 93; }\n"
                   : "") +
           "prompt 'Cmd ' && printf 'Q\\r' || end 91\n"
           // A Q that went in with the program's last bytes is typed again.
           "for try in 1 2 3; do\n"
           "  while IFS= read -r -d '*' -t 20 text; do [[ $text == *' SHUTDOWN '* ]] && end 0; done\n"
           "  [[ $text == *'Cmd ?'* ]] && printf 'Q\\r'\n"
           "done\n"
           "end 92\n";
}

TEST(DncTerminalPeers, ShopMenuOnTheControlsOwnLine)
{
    const std::string program = peerProgram();
    for (const Peer& peer : Peers) {
        if (!peer.sender)
            continue;
        for (const bool upload : {false, true}) {
            SCOPED_TRACE(std::string(peer.receiver) + (upload ? ", U" : ", D"));
            testsupport::TempFolder links;
            testsupport::TempFolder work;
            testsupport::TempFolder nc;
            if (upload)
                work.write("PART.TAP", program);
            work.write("control.sh", controlScript(upload, upload ? peer.sender : peer.receiver));
            prototest::PeerLink control(links.path(), work.path(), "bash control.sh");
            ASSERT_TRUE(control.ok());
            const std::string line = lineKeys(peer.protocol, menuBaud(peer));
            TerminalRig rig("[MACHINE NAMES]\r\nNUMBER=2\r\nMACHINE1=T\r\nMACHINE2=MILL\r\n"
                            "[T]\r\nPORT=3\r\nDTYPE=2\r\nCDELAY=60\r\nLDELAY=24\r\n" + line +
                                "[MILL]\r\nPORT=3\r\nDEFDNL=" + nc.path() + "\r\nDEFUPL=" + nc.path() +
                                "\r\nDEFEXT=TAP\r\n" + line,
                            "COM3=" + links.file("ttyA") + "\r\n");
            rig.globals.CurrentMachineName = "T";
            nc.write("PART.TAP", program);
            rig.terminal->Go(false);
            ASSERT_TRUE(rig.terminal->session().portOpened());
            // A control that hangs never types its "Q": "&Done" ends the menu then.
            QTimer stuck;
            stuck.setSingleShot(true);
            QObject::connect(&stuck, &QTimer::timeout, [&rig] { rig.terminal->BitBtn2Click(); });
            stuck.start(90000);
            rig.button("Button2")->click(); // the menu runs until "Q"
            rig.terminal->close();
            const std::string result = work.file("result");
            for (int i = 0; i < 6000 && fileText(result).empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_EQ(fileText(result), "0\n") << links.read("peer.log");
            if (upload) {
                EXPECT_EQ(nc.read("O5.TAP"), program);
            } else {
                std::string file = work.file("PART.TAP");
                for (const auto& entry : std::filesystem::directory_iterator(work.path()))
                    if (entry.path().filename() != "control.sh" && entry.path().filename() != "result")
                        file = entry.path().string();
                EXPECT_TRUE(prototest::waitForFile(file, program));
            }
            for (const auto& shown : rig.prompter.shown)
                ADD_FAILURE() << shown.text;
        }
    }
}

} // namespace
} // namespace dnc
