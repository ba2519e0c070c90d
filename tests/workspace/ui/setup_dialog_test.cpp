#include "workspace/ui/setup_dialog.h"

#include "workspace/engine/machine_database.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <unistd.h>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace mrw;

namespace {

struct SetupDialogTest : ::testing::Test {
    std::string savedFolder = platform::currentFolder();
    testsupport::TempFolder folder;
    WorkspaceGlobals g;
    testsupport::ScriptedPrompter prompter;
    std::unique_ptr<TMRWSetupDlg> dialog;

    void SetUp() override
    {
        const auto example = platform::readFileBytes(std::string(MRW_SOURCE_DIR) + "/examples/WPOSTS.INI");
        ASSERT_TRUE(example);
        folder.write("WPOSTS.INI", *example);
        std::filesystem::create_directories(folder.path() + "NC/UP"); // the example machines' folders
        ::setenv("MRW_PROGRAM_DIR", folder.path().c_str(), 1);
        initializeWorkspaceGlobals(g, folder.path());
        g.CurrentMachineName = "Mill 1";
        dialog = std::make_unique<TMRWSetupDlg>(g, prompter);
        dialog->show();
    }
    void TearDown() override
    {
        platform::setCurrentFolder(savedFolder);
        ::unsetenv("MRW_PROGRAM_DIR");
    }

    template <typename W>
    W* child(const char* name) const
    {
        auto* w = dialog->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    std::string stored(const char* machine, const char* key) const
    {
        return platform::IniFile(g.MachineDatabasePath).readString(machine, key, "<missing>");
    }
    QTabWidget* communicationPages() const
    {
        return qobject_cast<QTabWidget*>(child<QWidget>("Remotepage")->parentWidget()->parentWidget());
    }
};

} // namespace

TEST_F(SetupDialogTest, OpensOnTheCurrentMachineAndSavesAnEditedField)
{
    EXPECT_EQ(dialog->windowTitle(), "MARROWIN -- Machine / DNC Setup");
    auto* box = child<QComboBox>("Mnamebox");
    ASSERT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(0), "Cell DFT");
    EXPECT_EQ(box->itemText(3), "Mill 1");
    EXPECT_EQ(box->currentText(), "Mill 1");
    EXPECT_EQ(child<QLineEdit>("Eddesc")->text(), "3-axis vertical mill, serial port");
    EXPECT_EQ(child<QComboBox>("Baudnum")->currentText(), "9600");
    EXPECT_EQ(child<QComboBox>("Portnum")->currentText(), "Port #1");
    EXPECT_FALSE(g.Machine.modified());

    child<QLineEdit>("Digl")->setText("4");
    child<QCheckBox>("Hdwhand")->setChecked(true);
    EXPECT_TRUE(g.Machine.modified());
    EXPECT_EQ(g.Machine.settings().Digl, "4"); // the settings follow the edit at once
    child<QPushButton>("BSave")->click();
    EXPECT_TRUE(prompter.shown.empty()); // the folders exist
    EXPECT_FALSE(g.Machine.modified());
    EXPECT_EQ(stored("Mill 1", "DIGL"), "4");
    EXPECT_EQ(stored("Mill 1", "FLOW"), "3");
    EXPECT_EQ(stored("Lathe 1", "DIGL"), "2");
}

TEST_F(SetupDialogTest, CancelKeepsTheEditsUntilTheNextOpening)
{
    child<QLineEdit>("Digr")->setText("5");
    prompter.buttons = {platform::Button::No};
    dialog->reject();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(prompter.shown.back().text, "Save Current Machine Settings?");
    EXPECT_EQ(g.Machine.settings().Digr, "5"); // what the utilities read until the next load
    EXPECT_EQ(stored("Mill 1", "DIGR"), "4");

    dialog->show();
    EXPECT_EQ(child<QLineEdit>("Digr")->text(), "4");

    // Cancel to the question keeps the dialog open.
    child<QLineEdit>("Digr")->setText("6");
    prompter.buttons = {platform::Button::Cancel};
    dialog->reject();
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SetupDialogTest, ChoosingAnotherMachineAsksToSaveFirst)
{
    child<QLineEdit>("Digl")->setText("1");
    prompter.buttons = {platform::Button::No};
    dialog->machineChosen("Lathe 1");
    EXPECT_EQ(g.CurrentMachineName, "Mill 1");
    EXPECT_EQ(child<QComboBox>("Mnamebox")->currentText(), "Mill 1");

    dialog->machineChosen("Lathe 1"); // Yes: saved, then the lathe is loaded
    EXPECT_EQ(stored("Mill 1", "DIGL"), "1");
    EXPECT_EQ(g.CurrentMachineName, "Lathe 1");
    EXPECT_EQ(child<QComboBox>("MachType")->currentText(), "Lathe");
    EXPECT_EQ(child<QComboBox>("Lformat")->currentIndex(), 0);
    EXPECT_TRUE(child<QComboBox>("Lformat")->parentWidget()->isEnabled());
}

TEST_F(SetupDialogTest, MachineAndDeviceTypesChangeTheDialog)
{
    auto* type = child<QComboBox>("MachType");
    type->setCurrentIndex(machinetype::DxfFile);
    EXPECT_EQ(child<QRadioButton>("Babs")->text(), "Mill");
    EXPECT_EQ(child<QRadioButton>("Binc")->text(), "Lathe");
    EXPECT_EQ(qobject_cast<QGroupBox*>(child<QRadioButton>("Babs")->parentWidget())->title(), "DXF File Mode");
    EXPECT_TRUE(child<QRadioButton>("Babs")->parentWidget()->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("Digl")->parentWidget()->isEnabled());
    EXPECT_FALSE(child<QLineEdit>("RapCode")->parentWidget()->isEnabled());
    type->setCurrentIndex(machinetype::PrintFile);
    EXPECT_FALSE(child<QRadioButton>("Babs")->parentWidget()->isEnabled());
    type->setCurrentIndex(machinetype::Mill);
    EXPECT_EQ(child<QRadioButton>("Babs")->text(), "Abs");
    EXPECT_TRUE(child<QLineEdit>("Digl")->parentWidget()->isEnabled());
    EXPECT_FALSE(child<QComboBox>("Lformat")->parentWidget()->isEnabled());

    auto* device = child<QComboBox>("Edtype");
    QTabWidget* pages = communicationPages();
    const int remote = pages->indexOf(child<QWidget>("Remotepage"));
    EXPECT_FALSE(pages->isTabEnabled(remote));
    device->setCurrentIndex(devicetype::RemoteCnc);
    EXPECT_TRUE(pages->isTabEnabled(remote));
    device->setCurrentIndex(devicetype::DirectFileTransfer);
    EXPECT_FALSE(pages->isTabEnabled(remote));
    EXPECT_FALSE(child<QCheckBox>("CBDFTask")->isHidden());
    device->setCurrentIndex(devicetype::ShopTerminal);
    EXPECT_TRUE(child<QCheckBox>("CBDFTask")->isHidden());
    EXPECT_EQ(child<QLabel>("Label13")->text(), "Time Out  ");
    EXPECT_EQ(child<QLabel>("Label14")->text(), "Term Lines");
    EXPECT_EQ(g.Machine.settings().Edtype, devicetype::ShopTerminal);
}

TEST_F(SetupDialogTest, LeaderSpinnerStopsAtZeroAndReportsText)
{
    auto* leader = child<QLineEdit>("llen");
    EXPECT_EQ(leader->text(), "2");
    child<QToolButton>("llenUp")->click();
    EXPECT_EQ(g.Machine.settings().llen, "3");
    for (int i = 0; i < 5; ++i)
        child<QToolButton>("llenDown")->click();
    EXPECT_EQ(leader->text(), "0");
    leader->setText("x");
    child<QToolButton>("llenUp")->click();
    EXPECT_EQ(leader->text(), "x");
    EXPECT_EQ(prompter.shown.back().text, "'x' is not a valid integer value");
}

TEST_F(SetupDialogTest, AddRenameAndDeleteKeepTheBoxInStep)
{
    prompter.inputs.emplace_back(true, "Router");
    dialog->addMachine();
    auto* box = child<QComboBox>("Mnamebox");
    EXPECT_EQ(box->count(), 5);
    EXPECT_EQ(box->currentText(), "Router");
    // Add leaves the settings in place for the new machine; closing asks to save them.
    EXPECT_EQ(g.CurrentMachineName, "Router");
    child<QPushButton>("BSave")->click();
    EXPECT_EQ(stored("Router", "DESCRIPTION"), "3-axis vertical mill, serial port");

    prompter.inputs.emplace_back(true, "Router 2");
    dialog->renameMachine();
    EXPECT_EQ(box->currentText(), "Router 2");
    EXPECT_EQ(stored("Router", "DIGL"), "<missing>");

    prompter.buttons = {platform::Button::Yes};
    dialog->deleteMachine();
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(box->currentText(), "Cell DFT");
    EXPECT_EQ(g.CurrentMachineName, "Cell DFT");
}

TEST_F(SetupDialogTest, PrintWritesTheReportIntoTheCurrentFolder)
{
    platform::setCurrentFolder(folder.path());
    QSignalSpy written(dialog.get(), &TMRWSetupDlg::reportWritten);
    child<QPushButton>("BitBtn1")->click();
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(written.at(0).at(0).toString().toStdString(), folder.file("SETUP.TMP"));
    EXPECT_EQ(folder.read("SETUP.TMP").rfind("****** Settings for Machine [Mill 1] *******\r\n", 0), 0u);
}

TEST_F(SetupDialogTest, NcCommandButtonsOpenTheirRegisteredDialogs)
{
    auto buttons = dialog->findChildren<QPushButton*>();
    const auto it = std::find_if(buttons.begin(), buttons.end(),
                                 [](QPushButton* b) { return b->text() == "&Re-Sequencing"; });
    ASSERT_NE(it, buttons.end());
    int opened = 0;
    dialog->setNcCommandDialog(NcCommandDialog::Resequence, [&](QWidget*) { ++opened; });
    (*it)->click();
    EXPECT_EQ(opened, 1);
}

TEST_F(SetupDialogTest, HelpSaysWhenItIsNotInstalled)
{
    child<QPushButton>("HelpBtn")->click();
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(prompter.shown.back().text.find("Help is not installed"), std::string::npos);
}

TEST_F(SetupDialogTest, TestPortAgainstAPseudoTerminal)
{
    QProcess socat;
    const std::string device = folder.file("ttyA");
    socat.setChildProcessModifier([] { ::setsid(); }); // no controlling terminal of ours
    socat.start("socat", {"-d", "-d", QString::fromStdString("pty,raw,echo=0,link=" + device),
                          QString::fromStdString("pty,raw,echo=0,link=" + folder.file("ttyB"))});
    ASSERT_TRUE(socat.waitForStarted());
    for (int i = 0; i < 400 && !std::filesystem::exists(device); ++i)
        QThread::msleep(25);
    ASSERT_TRUE(std::filesystem::exists(device));
    folder.write("MRW2013.INI", "[PORTS]\r\nCOM5=" + device + "\r\nCOM6=" + folder.file("nothing") + "\r\n");

    EXPECT_TRUE(dialog->TestOpenPort(5));
    EXPECT_FALSE(dialog->TestOpenPort(6));
    EXPECT_FALSE(dialog->TestOpenPort(0));

    child<QComboBox>("Portnum")->setCurrentIndex(4);
    child<QPushButton>("Button7")->click();
    EXPECT_EQ(prompter.shown.back().text, "Port Sucessfully Opened");
    child<QComboBox>("Portnum")->setCurrentIndex(5);
    child<QPushButton>("Button7")->click();
    EXPECT_EQ(prompter.shown.back().text, "Port Does Not Appear to Exist");

    socat.terminate();
    socat.waitForFinished();
}
