// End to end: the real main window on a program folder made from the examples opens the
// example program, the DNC terminal is opened for the serial mill (its port pointed at a
// pty through [PORTS] of MRW2013.INI), "&Send" sends the editor file, and the program
// arrives at the simulated control with its line in the activity log.
#include "dnc/ui/dnc_terminal.h"
#include "dnc/ui/send_dialog.h"
#include "tests/dnc/engine/sim_control.h"
#include "workspace/engine/workspace_globals.h"
#include "workspace/ui/main_form.h"
#include "workspace/ui/mdi_child.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <stdexcept>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::string example(const std::string& name)
{
    return testsupport::exampleFile(name);
}

class NoFileDialogs : public FileDialogs {
public:
    QStringList open;
    QStringList openFiles(QWidget*, const QString&, const QString&) override { return open; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
};

// The terminal that "&Go" shows: made once, as a window of the main window.
dnc::TMDNCTERM& goToTerminal(TMainForm& form)
{
    form.Go1Click();
    dnc::TMDNCTERM* terminal = form.findChild<dnc::TMDNCTERM*>();
    if (!terminal)
        throw std::runtime_error("\"&Go\" showed no terminal");
    return *terminal;
}

TEST(DncEndToEnd, ExampleProgramFromTheEditorReachesTheSimulatedControl)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    simcontrol::SimControl control(pty.machineEnd(), simcontrol::ControlSettings{});

    const std::string previousFolder = platform::currentFolder();
    testsupport::TempFolder program;
    testsupport::TempFolder windows;
    ::setenv("MRW_WINDOWS_DIR", windows.path().c_str(), 1);
    program.write("WPOSTS.INI", example("WPOSTS.INI"));
    program.write("O1001.TAP", example("O1001.TAP"));
    program.write("MRW2013.INI", example("MRW2013.INI"));
    {
        platform::IniFile ini(program.file("MRW2013.INI"));
        ini.writeString("PORTS", "COM1", pty.pcEnd()); // Mill 1 is on COM1
        ini.writeBool("GENERAL", "LOGGING", true);
    }
    mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), program.path());

    testsupport::ScriptedPrompter prompter;
    {
        TMainForm form({}, &prompter);
        auto dialogs = std::make_unique<NoFileDialogs>();
        dialogs->open = {QString::fromStdString(program.file("O1001.TAP"))};
        form.setFileDialogs(std::move(dialogs));
        form.show();
        QApplication::processEvents();
        form.Open1Click();
        ASSERT_NE(form.activeChild(), nullptr);
        EXPECT_EQ(form.machineSelector()->currentText(), "Mill 1");

        dnc::TMDNCTERM& terminal = goToTerminal(form);
        ASSERT_TRUE(terminal.session().portOpened());
        EXPECT_EQ(terminal.session().currentMachine().Name, "Mill 1");

        QTimer::singleShot(0, [&terminal] {
            terminal.sendDialog().findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        terminal.BitBtn4Click();
        terminal.session().waitForFinish();

        const std::string image = *platform::readFileBytes(form.scratchFiles().SendBufferFile);
        EXPECT_NE(image.find("O1001 (POCKET SUB-PROGRAM)\r\n"), std::string::npos);
        EXPECT_TRUE(control.waitConsumed(image.size() + 1, 20000));
        EXPECT_EQ(control.program(), "\x11" + image); // the init string, then the send image
        EXPECT_TRUE(std::any_of(prompter.shown.begin(), prompter.shown.end(),
                                [](const auto& s) { return s.text == "Down/Up Load Successful"; }));
        terminal.BitBtn2Click();
        form.close();
    }

    const std::string log = program.read("MRWDNC.LOG");
    EXPECT_NE(log.find("DNC Terminal: Machine Name [Mill 1]"), std::string::npos);
    EXPECT_NE(log.find("DNC Send File [" + program.file("O1001.TAP") + "]\r\n"), std::string::npos);
    platform::setCurrentFolder(previousFolder);
}

} // namespace
