#include "workspace/ui/main_form.h"
#include "workspace/ui/hand_off_commands.h"
#include "workspace/ui/login_commands.h"
#include "workspace/ui/machine_commands.h"
#include "dnc/ui/dnc_terminal.h"
#include "dnc/ui/send_dialog.h"
#include "workspace/ui/insert_dialog_commands.h"
#include "workspace/ui/insert_dialogs.h"
#include "workspace/ui/mdi_child.h"
#include "workspace/ui/nc_lexer.h"
#include "workspace/ui/nc_viewer.h"
#include "workspace/ui/ncinfo_dialog.h"
#include "workspace/ui/pick_char_dialog.h"
#include "workspace/ui/settings_dialog_mrw.h"
#include "workspace/ui/setup_dialog.h"

#include "workspace/engine/small_dialogs.h"

#include "workspace/engine/activity_log.h"
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"
#include "support/menu_accelerators.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "workspace/ui/program_folder_rig.h"
#include "mrw2013/program_run.h"
#include "dnc/engine/sim_control.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include <QApplication>
#include <QMenuBar>
#include <QRegularExpression>
#include <QClipboard>
#include <QKeyEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QMdiArea>
#include <QToolBar>
#include <QDropEvent>
#include <QSplitter>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ScriptedPrompter;
using testsupport::TempFolder;
using testsupport::example;
using testsupport::settle;

namespace {

class ScriptedFileDialogs : public FileDialogs {
public:
    std::deque<QStringList> opens;
    std::deque<QString> saves;
    QStringList titles;

    QStringList openFiles(QWidget*, const QString&, const QString&) override
    {
        if (opens.empty())
            return {};
        auto answer = opens.front();
        opens.pop_front();
        return answer;
    }
    QString saveFile(QWidget*, const QString& title, const QString&, const QString&, const QString&,
                     const QString&) override
    {
        titles << title;
        if (saves.empty())
            return {};
        auto answer = saves.front();
        saves.pop_front();
        return answer;
    }
};

// A program folder made from the examples; the main window starts on it.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
    }
    void TearDown() override
    {
        form.reset();
    }

    TMainForm& start(const QStringList& arguments = {})
    {
        form = std::make_unique<TMainForm>(arguments, &prompter);
        auto dialogs = std::make_unique<ScriptedFileDialogs>();
        files = dialogs.get();
        form->setFileDialogs(std::move(dialogs));
        form->show();
        settle();
        return *form;
    }
    bool shown(const std::string& text) const
    {
        for (const auto& s : prompter.shown)
            if (s.text.find(text) != std::string::npos)
                return true;
        return false;
    }

    testsupport::ProgramFolderRig rig{"WPOSTS.INI", "MRW2013.INI", "O1001.TAP", "FACE.TAP"};
    TempFolder& program = rig.program;
    TempFolder& windows = rig.windows;
    ScriptedPrompter prompter;
    ScriptedFileDialogs* files = nullptr;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(MainFormTest, OpensEditsAndSavesAnExampleWithItsBackup)
{
    const std::string original = example("O1001.TAP");
    TMainForm& f = start({QString::fromStdString(program.file("O1001.TAP"))});
    TMDIChild* child = f.activeChild();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->fileName(), program.file("O1001.TAP"));
    EXPECT_FALSE(child->isModified());
    EXPECT_EQ(f.machineSelector()->currentText(), "Mill 1");

    child->Editor1->insertAt("(EDITED)\r\n", 0, 0);
    EXPECT_TRUE(child->isModified());
    f.Save1Click();
    EXPECT_FALSE(child->isModified());
    EXPECT_EQ(program.read("O1001.TAP"), "(EDITED)\r\n" + original);
    EXPECT_EQ(program.read("O1001.BAK"), original);
    EXPECT_EQ(f.fileCommands()->recentFiles().entry(0), program.file("O1001.TAP"));

    // The scratch files lie in the program folder (no TEMPDIR) until the window closes.
    const mrw::ScratchFiles scratch = f.scratchFiles();
    EXPECT_EQ(platform::folderPart(scratch.SendBufferFile), program.path());
    EXPECT_TRUE(platform::fileExists(scratch.SendSourceFile));
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(platform::fileExists(scratch.SendBufferFile));
    EXPECT_FALSE(platform::fileExists(scratch.SendSourceFile));
    platform::IniFile ini(program.file("MRW2013.INI"));
    EXPECT_EQ(ini.readString("GENERAL", "CMACHINE"), "Mill 1");
    EXPECT_FALSE(ini.readString("GENERAL", "FONTNAME").empty());
    form.reset();
    EXPECT_EQ(ini.readString("MRU", "0"), program.file("O1001.TAP"));
}

TEST_F(MainFormTest, SavingKeepsAProgramsProtection)
{
    const std::string original = example("O1001.TAP");
    ::chmod(program.file("O1001.TAP").c_str(), 0444);
    ::chmod(program.file("FACE.TAP").c_str(), 0600);
    TMainForm& f = start({QString::fromStdString(program.file("O1001.TAP")),
                          QString::fromStdString(program.file("FACE.TAP"))});
    ASSERT_EQ(f.activeChild()->fileName(), program.file("FACE.TAP"));
    f.activeChild()->Editor1->insertAt("(EDITED)\r\n", 0, 0);
    f.Save1Click();
    struct stat st{};
    ::stat(program.file("FACE.TAP").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(platform::fileExists(program.file("FACE.BAK")));

    f.OpenFileInEditor(program.file("O1001.TAP"));
    ASSERT_EQ(f.activeChild()->fileName(), program.file("O1001.TAP"));
    f.activeChild()->Editor1->insertAt("(EDITED)\r\n", 0, 0);
    f.Save1Click();
    EXPECT_TRUE(shown("File [" + program.file("O1001.TAP") + "] Is Write-Protected and Was Not Replaced"));
    EXPECT_TRUE(f.activeChild()->isModified());
    ::stat(program.file("O1001.TAP").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(program.read("O1001.TAP"), original);
    EXPECT_FALSE(platform::fileExists(program.file("O1001.BAK")));
    f.activeChild()->Editor1->setModified(false);
}

TEST_F(MainFormTest, UntitledNumbersAreReused)
{
    TMainForm& f = start();
    f.New1Click();
    f.New1Click();
    ASSERT_EQ(f.children().size(), 2);
    EXPECT_EQ(f.children()[0]->fileName(), "NONAME1");
    TMDIChild* second = f.children()[1];
    EXPECT_EQ(second->fileName(), "NONAME2");
    EXPECT_TRUE(second->untitled());

    f.children()[0]->parentWidget()->close();
    settle();
    f.New1Click();
    EXPECT_EQ(f.activeChild()->fileName(), "NONAME1");

    // Saving untitled number 2 under a name frees 2.
    second->Editor1->setText("G00 X1.");
    files->saves.push_back(QString::fromStdString(program.file("NEW.TAP")));
    EXPECT_TRUE(f.saveChild(second));
    EXPECT_EQ(files->titles.value(0), "Save NONAME2 As");
    EXPECT_EQ(second->fileName(), program.file("NEW.TAP"));
    EXPECT_FALSE(second->untitled());
    EXPECT_EQ(program.read("NEW.TAP"), "G00 X1.\r\n");
    f.New1Click();
    EXPECT_EQ(f.activeChild()->fileName(), "NONAME2");
}

TEST_F(MainFormTest, CloseQuestionKeepsUnsavedTextUnlessTheAnswerIsNo)
{
    TMainForm& f = start();
    f.New1Click();
    TMDIChild* child = f.activeChild();
    child->Editor1->setText("N10 X1.");
    QWidget* sub = child->parentWidget();

    prompter.buttons = {platform::Button::Cancel};
    sub->close();
    settle();
    ASSERT_EQ(f.children().size(), 1);
    EXPECT_TRUE(shown("NONAME1 has changed, do you wish to save?"));

    // Yes, and the Save As dialog cancelled: nothing was saved, so the window stays.
    prompter.buttons = {platform::Button::Yes};
    sub->close();
    settle();
    ASSERT_EQ(f.children().size(), 1);

    // The main window stays open when a child answers Cancel.
    prompter.buttons = {platform::Button::Cancel};
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());

    prompter.buttons = {platform::Button::No};
    sub->close();
    settle();
    EXPECT_TRUE(f.children().isEmpty());
}

TEST_F(MainFormTest, SendFileModes)
{
    TMainForm& f = start();
    mrw::EditorHost& host = f;
    std::string name;
    EXPECT_EQ(host.activeFileName(), "NONE");
    EXPECT_FALSE(host.writeActiveTextToSendFile(mrw::sendtext::WholeFile, name));

    f.openOne(program.file("FACE.TAP"), true);
    TMDIChild* child = f.activeChild();
    EXPECT_EQ(host.activeFileName(), program.file("FACE.TAP"));
    const std::string face = example("FACE.TAP");
    const std::string source = host.sendSourceFile();

    ASSERT_TRUE(host.writeActiveTextToSendFile(mrw::sendtext::WholeFile, name));
    EXPECT_EQ(name, program.file("FACE.TAP"));
    EXPECT_EQ(platform::readFileBytes(source).value(), face);

    EXPECT_FALSE(host.writeActiveTextToSendFile(mrw::sendtext::SelectedLines, name));
    child->ActivePane->setSelection(1, 2, 2, 1);
    ASSERT_TRUE(host.writeActiveTextToSendFile(mrw::sendtext::SelectedLines, name));
    const auto lines = platform::splitLines(face);
    EXPECT_EQ(platform::readFileBytes(source).value(), lines[1] + "\r\n" + lines[2] + "\r\n");

    child->ActivePane->setCursorPosition(static_cast<int>(lines.size()) - 2, 0);
    ASSERT_TRUE(host.writeActiveTextToSendFile(mrw::sendtext::FromCaretLine, name));
    EXPECT_EQ(platform::readFileBytes(source).value(), lines[lines.size() - 2] + "\r\n" + lines.back() + "\r\n");
}

TEST_F(MainFormTest, SplitShowsOneTextInTwoPanes)
{
    TMainForm& f = start();
    f.openOne(program.file("O1001.TAP"), false);
    TMDIChild* child = f.activeChild();
    auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
    sub->showNormal();
    settle();
    sub->resize(500, sub->height() + 401 - child->height());
    settle();
    ASSERT_EQ(child->height(), 401);

    f.ToggleSplitOfActiveChild();
    ASSERT_TRUE(child->IsSplit);
    ASSERT_NE(child->SplitPane, nullptr);
    EXPECT_TRUE(f.splitAction()->isChecked());
    auto* splitter = child->findChild<QSplitter*>();
    EXPECT_EQ(splitter->sizes().value(1), 200);
    EXPECT_EQ(splitter->widget(1), child->Editor1);

    // The panes keep their proportion when the window grows.
    sub->resize(500, sub->height() + 400);
    settle();
    ASSERT_EQ(child->height(), 801);
    EXPECT_EQ(splitter->sizes().value(1), 400);

    child->SplitPane->insertAt("%", 0, 0);
    EXPECT_EQ(child->Editor1->bytes().substr(0, 4), "%%\r\n");
    EXPECT_TRUE(child->isModified());

    child->SplitPane->setFocus();
    child->ActivePane = child->SplitPane;
    f.ToggleSplitOfActiveChild();
    EXPECT_FALSE(child->IsSplit);
    EXPECT_EQ(child->SplitPane, nullptr);
    EXPECT_EQ(child->ActivePane, child->Editor1);
    EXPECT_FALSE(f.splitAction()->isChecked());
}

TEST_F(MainFormTest, ControlCharactersSurviveCopyAndSave)
{
    TMainForm& f = start();
    f.New1Click();
    TMDIChild* child = f.activeChild();
    child->Editor1->setBytes(std::string("X\t\x12Y\0Z\r\n", 8));
    child->Editor1->selectAll();
    child->Editor1->copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QString("X\t\x12Y Z\r\n"));
    files->saves.push_back(QString::fromStdString(program.file("CTRL.TAP")));
    ASSERT_TRUE(f.saveChild(child));
    EXPECT_EQ(program.read("CTRL.TAP"), "X\t\x12Y Z\r\n");
}

TEST_F(MainFormTest, DeclinedNewFileOpensNoWindowUnderThatName)
{
    TMainForm& f = start();
    files->opens.push_back({QString::fromStdString(program.file("MISSING.TAP")),
                            QString::fromStdString(program.file("FACE.TAP"))});
    prompter.buttons = {platform::Button::No};
    f.Open1Click();
    ASSERT_EQ(f.children().size(), 1);
    EXPECT_EQ(f.activeChild()->fileName(), program.file("FACE.TAP"));
    EXPECT_TRUE(shown("MISSING.TAP"));
    EXPECT_EQ(f.fileCommands()->recentFiles().entry(1), "");
    f.activeChild()->parentWidget()->close();
    settle();

    // An already open file comes to the front; the others open.
    f.openOne(program.file("FACE.TAP"), true);
    files->opens.push_back({QString::fromStdString(program.file("FACE.TAP")),
                            QString::fromStdString(program.file("O1001.TAP"))});
    f.Open1Click();
    EXPECT_EQ(f.children().size(), 2);
}

TEST_F(MainFormTest, CommandsThatNeedAFileSaySo)
{
    TMainForm& f = start();
    EXPECT_FALSE(f.RequireActiveChild());
    EXPECT_TRUE(shown("No File Currently Loaded\nSelect File Open/New First"));
    prompter.shown.clear();
    f.handOffCommands()->SpeedButton11Click();
    EXPECT_TRUE(shown("No File Currently Loaded"));
    EXPECT_FALSE(platform::fileExists(program.file("ZV.INI")));
}

TEST_F(MainFormTest, AnalyzerHandOffSavesClosesAndWritesTheJob)
{
    TMainForm& f = start();
    f.openOne(program.file("FACE.TAP"), false);
    f.activeChild()->Editor1->insertAt("%\r\n", 0, 0);
    prompter.buttons = {platform::Button::Yes};
    f.handOffCommands()->SpeedButton11Click();
    settle();
    EXPECT_TRUE(shown("Do You Wish to Proceed ?"));
    EXPECT_TRUE(f.children().isEmpty());
    EXPECT_EQ(program.read("FACE.TAP"), "%\r\n" + example("FACE.TAP"));
    platform::IniFile zv(program.file("ZV.INI"));
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU1.Items", "0"), program.file("FACE.TAP"));
    EXPECT_EQ(zv.readString("Operationsdlg.OvcMenuMRU1.Items", "0"), program.file("FACE.OPF"));
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU2.Items", "0"), "Mill 1.MCH");
    EXPECT_EQ(zv.readInt("mdvform.OvcMenuMRU2.Items", "Count", 0), 1);
}

TEST_F(MainFormTest, AnalyzerHandOffStopsWhenTheAnswerIsNo)
{
    TMainForm& f = start();
    f.openOne(program.file("FACE.TAP"), false);
    prompter.buttons = {platform::Button::No};
    f.handOffCommands()->SpeedButton11Click();
    EXPECT_EQ(f.children().size(), 1);
    EXPECT_FALSE(platform::fileExists(program.file("ZV.INI")));
}

TEST_F(MainFormTest, MachineSelectorLoadsTheChosenMachine)
{
    TMainForm& f = start();
    QComboBox* box = f.machineSelector();
    ASSERT_GE(box->count(), 3);
    EXPECT_EQ(box->findText("Not Used"), -1);
    const int lathe = box->findText("Lathe 1");
    ASSERT_GE(lathe, 0);
    box->setCurrentIndex(lathe);
    f.machineCommands()->MnameboxChange(lathe);
    EXPECT_EQ(mrw::workspaceGlobals().CurrentMachineName, "Lathe 1");
    f.SaveSettings();
    EXPECT_EQ(platform::IniFile(program.file("MRW2013.INI")).readString("GENERAL", "CMACHINE"), "Lathe 1");
}

TEST_F(MainFormTest, RemoteStartNeedsTheExactWord)
{
    EXPECT_FALSE(TMainForm({"cncremote"}, &prompter).remoteStart());
    EXPECT_FALSE(TMainForm({}, &prompter).remoteStart());
    EXPECT_FALSE(TMainForm({QString::fromStdString(program.file("O1001.TAP")), "CNCREMOTE"}, &prompter).remoteStart());
    EXPECT_TRUE(TMainForm({"CNCREMOTE", "Mill 1"}, &prompter).remoteStart());
}

TEST_F(MainFormTest, TempDirFallsBackToTheProgramFolder)
{
    platform::IniFile(program.file("MRW2013.INI")).writeString("GENERAL", "TEMPDIR", program.file("nowhere"));
    TMainForm& f = start();
    EXPECT_EQ(f.tempFolder(), program.path());
    EXPECT_EQ(platform::folderPart(f.scratchFiles().SendSourceFile), program.path());

    TempFolder temp;
    platform::IniFile(program.file("MRW2013.INI")).writeString("GENERAL", "TEMPDIR", temp.path());
    form.reset();
    TMainForm& g = start();
    EXPECT_EQ(g.tempFolder(), temp.path());
    EXPECT_EQ(platform::currentFolder(), temp.path());
    EXPECT_EQ(platform::folderPart(g.scratchFiles().SendBufferFile), temp.path());
}

TEST_F(MainFormTest, DroppedFilesOpenWithTheirWholeNames)
{
    const std::string longName = std::string(90, 'L') + ".TAP";
    program.write(longName, "N10 X1.\r\n");
    TMainForm& f = start();
    f.fileCommands()->openDroppedFiles({QString::fromStdString(program.file(longName))});
    ASSERT_NE(f.activeChild(), nullptr);
    EXPECT_EQ(f.activeChild()->fileName(), program.file(longName));
    EXPECT_EQ(f.fileCommands()->recentFiles().entry(0), "");
}

TEST_F(MainFormTest, ColoursFollowTheMachineCommentMarks)
{
    TMainForm& f = start();
    f.New1Click();
    EditorPane* pane = f.activeChild()->Editor1;
    pane->setBytes("N10 X-1.5 (FINISH) Y2\r\n<SKIP\r\n");
    pane->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    auto style = [&](int pos) { return static_cast<int>(pane->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, pos)); };
    EXPECT_EQ(style(0), NcLexer::Address);
    EXPECT_EQ(style(1), NcLexer::Number);
    EXPECT_EQ(style(5), NcLexer::Number);
    EXPECT_EQ(style(10), NcLexer::Comment);
    EXPECT_EQ(style(17), NcLexer::Comment);
    EXPECT_EQ(style(19), NcLexer::Address);
    EXPECT_EQ(style(23), NcLexer::Comment);
}

TEST(FileViewer, TextAndHexViews)
{
    TempFolder dir;
    dir.write("A.TAP", "N10\r\nX\x01\r\n");
    Tncviewer viewer;
    ASSERT_TRUE(viewer.openFile(dir.file("A.TAP")));
    EXPECT_EQ(viewer.windowTitle(), QString::fromStdString("File Viewer - " + dir.file("A.TAP")));
    EXPECT_EQ(viewer.shownText(), QString("N10\nX\x01\n"));
    viewer.setHexView(true);
    EXPECT_EQ(viewer.shownText().toStdString(),
              "00000000  4E 31 30 0D 0A 58 01 0D 0A" + std::string(7 * 3 + 2, ' ') + "N10..X...\n");
    viewer.close();
    EXPECT_TRUE(viewer.fileName().empty());
    EXPECT_FALSE(viewer.openFile(dir.file("none")));
}

TEST_F(MainFormTest, SecurityAsksForALoginAndRefusedRightsStopCommands)
{
    platform::IniFile ini(program.file("MRW2013.INI"));
    ini.writeBool("GENERAL", "USESECURE", true);
    ini.writeBool("GENERAL", "LOGGING", true);
    mrw::UserSession& session = mrw::userSession();
    const testsupport::SessionUsers list;
    const mrw::UserDatabase& users = session.database();
    users.insert({"OPERATOR", mrw::ScramblePassword("PW"), 1 << mrw::rights::DncTransfers});

    struct Asker : mrw::LoginAsker {
        std::optional<Answer> askLogin() override { return Answer{"operator", "pw"}; }
    } asker;
    form = std::make_unique<TMainForm>(QStringList{}, &prompter);
    form->setDialogs({{}, &asker});
    form->show();
    settle();
    EXPECT_EQ(session.CurrentUserName(), "operator");

    form->New1Click();
    EXPECT_TRUE(form->children().isEmpty());
    EXPECT_TRUE(shown("Insufficient Priviliges for this Function"));
    form->Go1Click();
    EXPECT_NE(form->findChild<dnc::TMDNCTERM*>(), nullptr);

    const std::string log = program.read("MRWDNC.LOG");
    for (const char* line : {"-- System Startup --", "Failed Attempt to Edit Files\r\n",
                             "Failed Attempt to Create New File\r\n", "DNC Terminal: Machine Name [Mill 1]\r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_LT(log.find("Failed Attempt to Edit Files"), log.find("Failed Attempt to Create New File"));

    form.reset();
    std::remove(users.path().c_str());
    session.LogOff();
    session.setUseSecure(false);
    mrw::activityLog().setEnabled(false);
}

TEST_F(MainFormTest, PropertiesOkReachesTheFileAndTheOpenChildren)
{
    TMainForm& f = start();
    f.openOne(program.file("O1001.TAP"), false);
    TMDIChild* child = f.activeChild();
    ASSERT_EQ(child->Editor1->tabWidth(), 8);

    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        TMrwSettingsDlg* dlg = f.settingsDialog();
        sawDialog = dlg->isVisible();
        EXPECT_EQ(dlg->windowTitle(), "Marrowin 2013 Properties");
        EXPECT_EQ(dlg->marginLeft()->text(), "1.00000");
        EXPECT_EQ(dlg->dtrDelay()->value(), 2);
        dlg->tabSize()->setValue(4);
        dlg->dtrDelay()->setValue(-3);
        dlg->marginTop()->setText("2/4");
        EXPECT_TRUE(dlg->validateMargin(dlg->marginTop()));
        EXPECT_EQ(dlg->marginTop()->text(), "0.50000");
        dlg->marginLeft()->setText("3*(");
        dlg->accept(); // a wrong margin keeps the dialog open
        EXPECT_TRUE(dlg->isVisible());
        dlg->marginLeft()->setText("0.75");
        dlg->check("SHOWSYNTAX")->setChecked(false);
        dlg->colorBox(3)->setCurrentIndex(mrw::standardColorIndex(0xC0C0C0));
        dlg->accept();
    });
    f.Properties1Click();
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(shown("Error in Expression"));
    EXPECT_EQ(f.settings().TabSize, 4);
    EXPECT_EQ(f.settings().DtrDelayTicks, 3);
    EXPECT_EQ(child->Editor1->tabWidth(), 4);
    EXPECT_FALSE(child->Editor1->ncLexer()->colouring());
    EXPECT_EQ(child->Editor1->ncLexer()->paper(NcLexer::Address), QColor(0xC0, 0xC0, 0xC0));

    f.SaveSettings();
    platform::IniFile ini(program.file("MRW2013.INI"));
    EXPECT_EQ(ini.readString("GENERAL", "TABSIZE"), "4");
    EXPECT_EQ(ini.readString("GENERAL", "PMARGINL"), "0.75000");
    EXPECT_EQ(ini.readString("GENERAL", "PMARGINT"), "0.50000");
    EXPECT_EQ(ini.readString("GENERAL", "DTRDELAY"), "0");
    EXPECT_EQ(ini.readString("GENERAL", "SHOWSYNTAX"), "0");
    EXPECT_EQ(ini.readString("GENERAL", "EDCOLOR"), std::to_string(0xC0C0C0));
}

// A number typed out of its field's range is refused at OK, and the field shows again
// the value that stays stored.
TEST_F(MainFormTest, PropertiesShowTheStoredValueAfterARefusedNumber)
{
    TMainForm& f = start();
    QTimer::singleShot(0, [&] {
        TMrwSettingsDlg* dlg = f.settingsDialog();
        QSpinBox* size = dlg->sendBufferSize();
        size->findChild<QLineEdit*>()->setText("3");
        dlg->accept();
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(size->text(), "4096");
        dlg->accept();
    });
    f.Properties1Click();
    EXPECT_TRUE(shown("'3' is not a value from 1024 to 4096"));
    EXPECT_EQ(f.settings().ComOutSize, 4096);
}

TEST_F(MainFormTest, PropertiesCancelKeepsSettingsButNotAChosenFont)
{
    TMainForm& f = start();
    f.New1Click();
    TMDIChild* child = f.activeChild();
    QTimer::singleShot(0, [&] {
        TMrwSettingsDlg* dlg = f.settingsDialog();
        dlg->tabSize()->setValue(0);
        dlg->check("BACKUP")->setChecked(false);
        QFont chosen("DejaVu Sans Mono", 15);
        dlg->applyEditorFont(chosen);
        dlg->reject();
    });
    f.Properties1Click();
    EXPECT_EQ(f.settings().TabSize, 8);
    EXPECT_TRUE(f.settings().Backup);
    EXPECT_TRUE(f.settings().HasEditorFont);
    EXPECT_EQ(f.settings().EditorFont.size, 15);
    EXPECT_EQ(f.editorFont().pointSize(), 15);
    EXPECT_EQ(child->Editor1->ncLexer()->font(NcLexer::Address).pointSize(), 15);

    // Zero for the tab size and the wrap column is taken as one.
    QTimer::singleShot(0, [&] {
        TMrwSettingsDlg* dlg = f.settingsDialog();
        dlg->tabSize()->setValue(0);
        dlg->wrapColumn()->setValue(0);
        dlg->accept();
    });
    f.Properties1Click();
    EXPECT_EQ(f.settings().TabSize, 1);
    EXPECT_EQ(f.settings().WrapColumn, 1);
}

TEST_F(MainFormTest, InformationAndSpecialCharacter)
{
    TMainForm& f = start();
    f.New1Click();
    TMDIChild* child = f.activeChild();
    child->Editor1->setBytes(std::string(1198, 'X') + "\r\n");
    QTimer::singleShot(0, [&] {
        TNcinfoDlg* info = f.ncinfoDialog();
        EXPECT_EQ(info->shownValue(0), "NONAME1");
        EXPECT_EQ(info->shownValue(1), "1");
        EXPECT_EQ(info->shownValue(2), "1200");
        EXPECT_EQ(info->shownValue(3), " 10.0");
        EXPECT_EQ(info->shownValue(4), "  3.0");
        EXPECT_EQ(info->shownValue(5), "No");
        info->accept();
    });
    f.Information1Click();

    child->Editor1->setBytes("AB");
    child->Editor1->setCursorPosition(0, 1);
    QTimer::singleShot(0, [&] {
        TPickCharDlg* picker = f.pickCharDialog();
        picker->controlChars()->setCurrentIndex(27);
        emit picker->controlChars()->activated(27);
        EXPECT_EQ(picker->status(), "Chr = 27");
        picker->accept();
    });
    f.SpecialCharacter1Click();
    EXPECT_EQ(child->Editor1->bytes(), "A\x1B" "B");
}

TEST_F(MainFormTest, MachineSetupOpensAndItsReportGoesToTheResultsWindow)
{
    TMainForm& f = start();
    bool sawDialog = false;
    QTimer::singleShot(0, [&] {
        mrw::TMRWSetupDlg* setup = f.setupDialog();
        sawDialog = setup->isVisible();
        setup->printReport();
        setup->reject();
    });
    f.machineCommands()->NCCodeSetup1Click();
    EXPECT_TRUE(sawDialog);
    TMDIChild* results = f.activeChild();
    ASSERT_NE(results, nullptr);
    EXPECT_EQ(results->fileName(), "Marrowin Results");
    EXPECT_NE(results->Editor1->bytes().find("Mill 1"), std::string::npos);
    f.ShowResultsWindow();
    EXPECT_EQ(f.children().size(), 1);
}

TEST_F(MainFormTest, MachineSetupIsRefusedWhileTheDncTerminalShows)
{
    TMainForm& f = start();
    f.Go1Click();
    auto* terminal = f.findChild<dnc::TMDNCTERM*>();
    ASSERT_NE(terminal, nullptr);
    EXPECT_TRUE(terminal->isVisible());
    f.machineCommands()->NCCodeSetup1Click();
    EXPECT_TRUE(shown("Command Not Avaiable While DNC is Active"));
    EXPECT_FALSE(f.setupDialog()->isVisible());
}

TEST_F(MainFormTest, RemoteStartSelectsTheMachineAndEnds)
{
    TMainForm& f = start({"CNCREMOTE", "Lathe 1"});
    EXPECT_EQ(mrw::workspaceGlobals().CurrentMachineName, "Lathe 1");
    EXPECT_EQ(f.machineSelector()->currentText(), "Lathe 1");
    EXPECT_NE(f.findChild<dnc::TMDNCTERM*>(), nullptr);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(mrw::editorHost(), &f);
}

TEST(EditorKeys, InsertKeyTogglesOverwriteWithABlockCaret)
{
    EditorPane pane;
    EXPECT_FALSE(pane.overwriteMode());
    QKeyEvent insert(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QApplication::sendEvent(&pane, &insert);
    EXPECT_TRUE(pane.overwriteMode());
    EXPECT_EQ(pane.SendScintilla(QsciScintillaBase::SCI_GETCARETSTYLE), QsciScintillaBase::CARETSTYLE_BLOCK);
    QApplication::sendEvent(&pane, &insert);
    EXPECT_EQ(pane.SendScintilla(QsciScintillaBase::SCI_GETCARETSTYLE), QsciScintillaBase::CARETSTYLE_LINE);
}

TEST(EditorKeys, WordStarTableAndBackWithTheMenuKeysLeftToTheMenus)
{
    EditorPane pane;
    QsciCommandSet* keys = pane.standardCommands();
    const int ctrlD = (Qt::CTRL | Qt::Key_D).toCombined();
    QsciCommand* duplicateBefore = keys->boundTo(ctrlD);
    ASSERT_NE(duplicateBefore, nullptr);
    const QsciCommand::Command defaultCtrlD = duplicateBefore->command();

    applyKeyTable(&pane, true);
    ASSERT_NE(keys->boundTo(ctrlD), nullptr);
    EXPECT_EQ(keys->boundTo(ctrlD)->command(), QsciCommand::CharRight);
    // The usual keys of those commands still work.
    EXPECT_EQ(keys->boundTo(Qt::Key_Right)->command(), QsciCommand::CharRight);

    applyKeyTable(&pane, false);
    ASSERT_NE(keys->boundTo(ctrlD), nullptr);
    EXPECT_EQ(keys->boundTo(ctrlD)->command(), defaultCtrlD);

    // Keys of the menus are bound to nothing in either table (WordStar would take
    // Ctrl+E, Ctrl+C and Ctrl+T; the default table Ctrl+T, Ctrl+C and Ctrl+Del).
    for (bool wordStar : {true, false}) {
        applyKeyTable(&pane, wordStar);
        for (const QKeyCombination key : {Qt::CTRL | Qt::Key_T, Qt::CTRL | Qt::Key_E, Qt::CTRL | Qt::Key_C,
                                          Qt::CTRL | Qt::Key_Delete, Qt::CTRL | Qt::Key_S, Qt::ALT | Qt::Key_Backspace})
            EXPECT_EQ(keys->boundTo(key.toCombined()), nullptr) << wordStar << " " << key.toCombined();
    }
}

namespace {

// Security on, one user with the given rights logged in by a scripted login box.
struct SecureSession {
    testsupport::SessionUsers list;
    explicit SecureSession(const TempFolder& program, int rights)
    {
        platform::IniFile ini(program.file("MRW2013.INI"));
        ini.writeBool("GENERAL", "USESECURE", true);
        ini.writeBool("GENERAL", "LOGGING", true);
        mrw::userSession().database().insert({"OPERATOR", mrw::ScramblePassword("PW"), rights});
    }
    ~SecureSession()
    {
        mrw::userSession().LogOff();
        mrw::userSession().setUseSecure(false);
        mrw::activityLog().setEnabled(false);
    }
    struct Asker : mrw::LoginAsker {
        bool cancel = false;
        std::optional<Answer> askLogin() override
        {
            if (cancel)
                return std::nullopt;
            return Answer{"operator", "pw"};
        }
    } asker;
};

QAction* actionNamed(const QWidget& window, const QString& prefix)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text().startsWith(prefix))
            return action;
    return nullptr;
}

} // namespace

// The load/save folder is stored as the machine has it ("NC" in the examples): saving into
// it needs no right to change folders, saving elsewhere does.
TEST_F(MainFormTest, SaveAsIntoTheLoadSaveFolderNeedsNoFolderRight)
{
    SecureSession secure(program, (1 << mrw::rights::EditFiles) | (1 << mrw::rights::OverwriteFiles));
    form = std::make_unique<TMainForm>(QStringList{}, &prompter);
    form->setDialogs({{}, &secure.asker});
    auto dialogs = std::make_unique<ScriptedFileDialogs>();
    files = dialogs.get();
    form->setFileDialogs(std::move(dialogs));
    form->show();
    settle();
    form->New1Click();
    ASSERT_NE(form->activeChild(), nullptr);
    form->activeChild()->Editor1->setText("N10 G00 X1.");

    TempFolder elsewhere;
    ASSERT_TRUE(platform::makeFolders(program.file("NC")));
    files->saves = {QString::fromStdString(elsewhere.file("OUT.TAP")), QString::fromStdString(program.file("NC/OUT.TAP"))};
    EXPECT_FALSE(form->fileCommands()->saveChildAs(form->activeChild()));
    EXPECT_TRUE(shown("Insufficient Priviliges To Change Folder"));
    prompter.shown.clear();
    EXPECT_TRUE(form->fileCommands()->saveChildAs(form->activeChild()));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(program.read("NC/OUT.TAP"), "N10 G00 X1.\r\n");
}

// Names typed or handed over relative to a folder are shown, kept and logged as the file's
// absolute name; a name without an extension gets the machine's default one.
TEST_F(MainFormTest, RelativeNamesAreShownAndLoggedWhereTheFileIs)
{
    platform::IniFile(program.file("MRW2013.INI")).writeBool("GENERAL", "LOGGING", true);
    platform::IniFile(program.file("MRW2013.INI")).writeString("MRU", "0", "O1001.TAP"); // stored, relative
    ASSERT_TRUE(platform::makeFolders(program.file("jobs")));
    program.write("jobs/J.TAP", "N10\r\n");
    ASSERT_TRUE(platform::setCurrentFolder(program.file("jobs")));
    TMainForm& f = start({"./J.TAP"}); // the working folder then becomes the program folder
    ASSERT_NE(f.activeChild(), nullptr);
    EXPECT_EQ(f.activeChild()->fileName(), program.file("jobs/J.TAP"));

    files->saves = {"./BACK.TAP", "NOEXT"};
    EXPECT_TRUE(f.fileCommands()->saveChildAs(f.activeChild()));
    EXPECT_EQ(f.activeChild()->fileName(), program.file("BACK.TAP"));
    EXPECT_EQ(f.fileCommands()->recentFiles().entry(0), program.file("BACK.TAP"));
    EXPECT_TRUE(f.fileCommands()->saveChildAs(f.activeChild()));
    EXPECT_EQ(f.activeChild()->fileName(), program.file("NOEXT.TAP"));
    EXPECT_TRUE(platform::fileExists(program.file("NOEXT.TAP")));

    f.fileCommands()->OpenMRUEntry(2);
    EXPECT_EQ(f.activeChild()->fileName(), program.file("O1001.TAP"));

    prompter.buttons = {platform::Button::Yes};
    f.handOffCommands()->SpeedButton11Click();
    platform::IniFile zv(program.file("ZV.INI"));
    EXPECT_EQ(zv.readString("mdvform.OvcMenuMRU1.Items", "0"), program.file("O1001.TAP"));

    const std::string log = program.read("MRWDNC.LOG");
    for (const std::string& line : {"Save File [" + program.file("BACK.TAP") + "]",
                                    "Open File [" + program.file("O1001.TAP") + "]"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(log.find("./"), std::string::npos);
    mrw::activityLog().setEnabled(false);
}

// A name that is no file (a FIFO, a link to a device) is refused with a message that names
// it, whichever way it comes in, and never read: reading either would hold the program.
TEST_F(MainFormTest, NamesThatAreNoFilesAreRefusedAtEveryWayIn)
{
    const std::string fifo = program.file("PIPE.TAP");
    const std::string device = program.file("ZERO.TAP");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
    const auto text = [](const std::string& name) { return QString::fromStdString(name); };
    struct Way {
        const char* name;
        std::function<void(const std::string&)> open;
    };
    const Way ways[] = {
        {"File Open", [&](const std::string& name) {
             start();
             files->opens = {{text(name)}};
             prompter.buttons = {platform::Button::Yes}; // were it taken for a new file
             form->Open1Click();
         }},
        {"recent files", [&](const std::string& name) {
             platform::IniFile(program.file("MRW2013.INI")).writeString("MRU", "0", name);
             start();
             form->fileCommands()->OpenMRUEntry(0);
         }},
        {"command line", [&](const std::string& name) { start({text(name)}); }},
        {"drop", [&](const std::string& name) {
             start();
             form->fileCommands()->openDroppedFiles({text(name)});
         }},
        {"hand-off", [&](const std::string& name) {
             start();
             form->OpenFileInEditor(name);
         }},
    };
    for (const Way& way : ways) {
        for (const std::string& name : {fifo, device}) {
            SCOPED_TRACE(std::string(way.name) + " " + name);
            prompter.shown.clear();
            way.open(name);
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, platform::notRegularFileText(name));
            EXPECT_EQ(form->children().size(), 0);
            form.reset();
        }
    }
    struct stat st{};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Settings that do not read are told at start, in one message naming each with the value
// used, rather than reset without a word when the program ends.
TEST_F(MainFormTest, SettingsThatDoNotReadAreToldAtStart)
{
    const auto spoil = [&](const char* name, const std::string& from, const std::string& to) {
        std::string text = program.read(name);
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        program.write(name, text.replace(at, from.size(), to));
    };
    spoil("MRW2013.INI", "DNCALERT=1", std::string("DNCALERT=\0 1", 12));
    spoil("MRW2013.INI", "TABSIZE=8", "TABSIZE=eight");
    spoil("WPOSTS.INI", "ARCTYPE=5", "ARCTYPE=5x"); // in [Mill 1], the current machine
    spoil("WPOSTS.INI", "REDUN=0", "REDUN=yes");
    TMainForm& f = start();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Settings in " + program.file("MRW2013.INI") + " that could not be read:\n"
              "[GENERAL] DNCALERT=\"<00> 1\": 0 used\n"
              "[GENERAL] TABSIZE=\"eight\": 8 used\n\n"
              "Settings in " + program.file("WPOSTS.INI") + " that could not be read:\n"
              "[Mill 1] ARCTYPE=\"5x\": 5 used\n"
              "[Mill 1] REDUN=\"yes\": 0 used");
    EXPECT_FALSE(f.settings().DncAlert);
    EXPECT_EQ(f.settings().TabSize, 8);
}

// Open offers to create a name that does not exist; No opens nothing.
TEST_F(MainFormTest, OpenOffersToCreateANewFile)
{
    TMainForm& f = start();
    files->opens = {{QString::fromStdString(program.file("NEWPART"))}, {QString::fromStdString(program.file("OTHER"))}};
    prompter.buttons = {platform::Button::Yes, platform::Button::No};
    f.Open1Click();
    ASSERT_NE(f.activeChild(), nullptr);
    EXPECT_EQ(f.activeChild()->fileName(), program.file("NEWPART.TAP"));
    EXPECT_TRUE(f.activeChild()->Editor1->bytes().empty());
    EXPECT_TRUE(prompter.shown.at(0).text.find("Create") != std::string::npos);
    f.Open1Click();
    EXPECT_EQ(f.children().size(), 1);
    EXPECT_EQ(f.fileCommands()->recentFiles().entry(0), program.file("NEWPART.TAP"));
}

// A machine picked in the setup dialog and then cancelled is not the terminal's machine:
// the terminal opens for the machine the selector shows, and once while it shows.
TEST_F(MainFormTest, TerminalOpensForTheMachineTheSelectorShows)
{
    platform::IniFile ini(program.file("MRW2013.INI"));
    ini.writeBool("GENERAL", "LOGGING", true);
    ini.writeString("PORTS", "COM1", "/nonexistent/tty");
    TMainForm& f = start();
    mrw::WorkspaceGlobals& globals = mrw::workspaceGlobals();
    f.setDialogs({[&](QWidget*) {
                      globals.CurrentMachineName = "Cell DFT";
                      mrw::LoadMachine(globals, "Cell DFT");
                      return false;
                  },
                  nullptr});
    f.machineCommands()->NCCodeSetup1Click();
    EXPECT_EQ(f.machineSelector()->currentText(), "Mill 1");
    prompter.buttons = {platform::Button::Ok};
    f.Go1Click();
    EXPECT_EQ(globals.CurrentMachine.Name, "Mill 1");
    f.Go1Click();
    const std::string log = program.read("MRWDNC.LOG");
    const std::string line = "DNC Terminal: Machine Name [Mill 1]";
    ASSERT_NE(log.find(line), std::string::npos);
    EXPECT_EQ(log.find(line, log.find(line) + 1), std::string::npos) << "logged once";
    mrw::activityLog().setEnabled(false);
}

// Logoff, then Cancel at the login box with an edited file: the file is dealt with first;
// when it cannot be, the program stays open and shows that nobody is logged in.
TEST_F(MainFormTest, LogoffWithAnEditedFileNeverLooksLoggedIn)
{
    SecureSession secure(program, 1 << mrw::rights::EditFiles);
    form = std::make_unique<TMainForm>(QStringList{}, &prompter);
    form->setDialogs({{}, &secure.asker});
    form->show();
    settle();
    ASSERT_NE(actionNamed(*form, "&Logoff User: operator"), nullptr);
    form->New1Click();
    form->activeChild()->Editor1->setText("N10");

    secure.asker.cancel = true;
    prompter.buttons = {platform::Button::Yes}; // save: refused, nobody has the right now
    form->loginCommands()->ChangeLogin1Click();
    settle();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(mrw::userSession().CurrentUserName(), "");
    EXPECT_EQ(actionNamed(*form, "&Logoff User"), nullptr);
    EXPECT_NE(actionNamed(*form, "Change &Login"), nullptr);

    prompter.buttons = {platform::Button::No}; // discard: the program ends
    form->loginCommands()->ChangeLogin1Click();
    settle();
    EXPECT_FALSE(form->isVisible());
}

// No two commands of one menu share an accelerator (the numbered recent files aside).
TEST_F(MainFormTest, MenusHaveNoSharedAccelerators)
{
    TMainForm& f = start();
    // The system's own captions share these two; Alt+letter takes turns between them.
    const testsupport::AcceleratorRules rules{QRegularExpression("^(&\\d|1&0|&1[12]) "),
                                              {{"Jump To Su&bprogram", "Goto &Bottom"}}};
    for (const std::string& clash : testsupport::acceleratorClashes(f.menuBar()->actions(), rules))
        ADD_FAILURE() << clash;
}

// The keys of the dialogs do what they say: Alt+H asks for help in each; Enter in the Send
// dialog sends even after Help was clicked; Help in Insert Expression asks for help
// whatever the field holds, and never evaluates it.
TEST_F(MainFormTest, DialogKeysDoWhatTheySay)
{
    TMainForm& f = start();
    f.New1Click();
    f.activeChild()->Editor1->setBytes("N1 G00 X1.");
    dnc::TSendDlg send(
        f,
        [] {
            dnc::SendSettings settings;
            settings.send.tapeCode = dnc::TapeCode::Iso;
            return settings;
        },
        &prompter, &f);
    InsertDialogCommands& inserts = InsertDialogCommands::of(f);
    inserts.macroDialog().prepare(mrw::workspaceGlobals().MachineDatabasePath, "Mill 1");
    const auto helpsAsked = [&] {
        return std::count_if(prompter.shown.begin(), prompter.shown.end(),
                             [](const ScriptedPrompter::Shown& s) { return s.caption == "Help"; });
    };
    const auto open = [](QDialog& dialog) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        return QTest::qWaitForWindowActive(&dialog);
    };
    const auto helpButton = [](QDialog& dialog) {
        return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help);
    };

    const std::pair<const char*, QDialog*> dialogs[] = {{"Send", &send},
                                                        {"Insert Expression", &inserts.expressionDialog()},
                                                        {"NC macro", &inserts.macroDialog()},
                                                        {"Comment", &inserts.commentDialog()}};
    for (const auto& [name, dialog] : dialogs) {
        SCOPED_TRACE(name);
        prompter.shown.clear();
        ASSERT_TRUE(open(*dialog));
        QTest::keyClick(dialog, Qt::Key_H, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return helpsAsked() == 1; }, 2000));
        dialog->hide();
    }

    // Send: Help clicked, then Enter, in this opening and the next, sends.
    for (bool reopened : {false, true}) {
        SCOPED_TRACE(reopened ? "reopened" : "Help clicked");
        prompter.shown.clear();
        ASSERT_TRUE(open(send));
        if (!reopened)
            QTest::mouseClick(helpButton(send), Qt::LeftButton);
        send.setResult(-1);
        QTest::keyClick(send.focusWidget() ? send.focusWidget() : &send, Qt::Key_Return);
        EXPECT_EQ(send.result(), QDialog::Accepted);
        EXPECT_EQ(helpsAsked(), reopened ? 0 : 1);
        EXPECT_FALSE(send.isVisible());
    }

    // Insert Expression: Help with a half-typed expression in the field.
    TInsExpDlg& expression = inserts.expressionDialog();
    prompter.shown.clear();
    ASSERT_TRUE(open(expression));
    auto* field = expression.findChild<QLineEdit*>("expr");
    field->setText("2+*");
    field->setFocus();
    QTest::mouseClick(helpButton(expression), Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].caption, "Help");
    EXPECT_EQ(field->text(), "2+*");
    expression.hide();
}

TEST_F(MainFormTest, ClosingTheProgramClosesTheDncTerminalFirst)
{
    TMainForm& f = start();
    f.Go1Click();
    auto* terminal = f.findChild<dnc::TMDNCTERM*>();
    ASSERT_NE(terminal, nullptr);
    ASSERT_TRUE(terminal->isVisible());
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(terminal->isVisible());
}

// A control on a pty starts MRW2013 in remote mode: its DIR is answered, and the program
// stays until "&Done" ends the mode.
TEST_F(MainFormTest, RemoteStartAnswersTheControlUntilDone)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    simcontrol::SimControl control(pty.machineEnd(), simcontrol::ControlSettings{4096, 3072, 1024, 9600});
    ASSERT_TRUE(control.isOpen());
    program.write("WPOSTS.INI", example("WPOSTS.INI"));
    std::filesystem::create_directories(program.file("NC"));
    program.write("NC/O1000.TAP", "%\r\nO1000\r\nG0X1\r\nM30\r\n%\r\n");
    {
        platform::IniFile posts(program.file("WPOSTS.INI"));
        for (const auto& [key, value] : std::map<std::string, std::string>{
                 {"DTYPE", "3"}, {"PORT", "1"}, {"FLOW", "0"}, {"RMTSDELAY", "0"}, {"RMTDDELAY", "0"},
                 {"DEFDNL", program.path() + "NC"}})
            posts.writeString("Lathe 1", key, value);
        platform::IniFile(program.file("MRW2013.INI")).writeString("PORTS", "COM1", pty.pcEnd());
    }
    mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), program.path());

    TMainForm& f = start({"CNCREMOTE", "Lathe 1"});
    auto* terminal = f.findChild<dnc::TMDNCTERM*>();
    ASSERT_NE(terminal, nullptr);
    ASSERT_TRUE(terminal->remoteModeActive());
    control.send("DIR *.TAP)");
    const std::string listing = "\r\n%\r\nO7000\r\n(O1000.TAP   24 Chrs)\r\nM30\r\n%\r\n";
    EXPECT_TRUE(QTest::qWaitFor([&] { return control.consumed() >= listing.size(); }, 10000));
    EXPECT_EQ(control.program(), listing);
    EXPECT_TRUE(terminal->isVisible()); // still answering

    auto* done = terminal->findChild<QPushButton*>("BitBtn2");
    ASSERT_NE(done, nullptr);
    done->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !terminal->isVisible(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.isVisible(); }, 5000));
    EXPECT_TRUE(prompter.shown.empty());
}

// With password security on, a file reaches an editor only for a user with the edit-files
// right, whichever way it comes: named on the command line or dropped on the window.
TEST_F(MainFormTest, CommandLineAndDroppedFilesNeedTheEditFilesRight)
{
    struct Case {
        int rights;
        bool opens;
    };
    for (const Case c : {Case{1 << mrw::rights::DncTransfers, false}, Case{1 << mrw::rights::EditFiles, true}}) {
        SCOPED_TRACE(c.rights);
        SecureSession secure(program, c.rights);
        prompter.shown.clear();
        std::remove(program.file("MRWDNC.LOG").c_str());
        form = std::make_unique<TMainForm>(QStringList{QString::fromStdString(program.file("O1001.TAP"))}, &prompter);
        form->setDialogs({{}, &secure.asker});
        form->show();
        settle();
        EXPECT_EQ(form->children().size(), c.opens ? 1 : 0);

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(program.file("FACE.TAP")))});
        const QPoint at = form->mdiArea()->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        EXPECT_EQ(form->children().size(), c.opens ? 2 : 0);

        EXPECT_EQ(shown("Insufficient Priviliges for this Function"), !c.opens);
        const std::string log = program.read("MRWDNC.LOG");
        const std::string refused = "Failed Attempt to Edit Files\r\n";
        const std::string openRefused = "Failed Attempt to Open a File\r\n";
        if (c.opens) {
            EXPECT_EQ(log.find(refused), std::string::npos);
        } else {
            // Once for the command line, once for the drop, each followed by the command's line.
            const auto first = log.find(refused);
            ASSERT_NE(first, std::string::npos);
            EXPECT_LT(first, log.find(openRefused));
            EXPECT_NE(log.find(openRefused, log.find(refused, first + 1)), std::string::npos);
        }
        form.reset();
    }
}

// The machine selector is on the toolbar at the window's default size, not behind the
// toolbar's overflow arrow; so is every button.
TEST_F(MainFormTest, MachineSelectorIsVisibleAtTheDefaultSize)
{
    TMainForm& f = start();
    QComboBox* box = f.machineSelector();
    ASSERT_TRUE(box->isVisible());
    for (QToolBar* bar : f.findChildren<QToolBar*>()) {
        const QRect inside = bar->contentsRect();
        for (QAction* action : bar->actions()) {
            QWidget* shown = bar->widgetForAction(action);
            if (!shown || action->isSeparator())
                continue;
            SCOPED_TRACE(action->iconText().toStdString());
            EXPECT_TRUE(shown->isVisible());
            EXPECT_TRUE(inside.contains(shown->geometry())) << shown->geometry().x() << " " << inside.width();
        }
    }
    EXPECT_EQ(box->currentText(), "Mill 1");
}

// A second MRW2013 on a program folder warns and runs; a first one that was killed leaves
// no lock behind.
TEST_F(MainFormTest, ASecondCopyOnTheProgramFolderIsToldAndAKilledOneLeavesNoLock)
{
    const std::string warning = "Another MRW2013 is using this program folder";
    {
        testsupport::CreationWatch scratch(program.path(), "MRW*.TMP");
        testsupport::ProgramRun first("MRW2013", {}, program, windows);
        ASSERT_TRUE(scratch.waitFor(2)) << "the first copy did not start";
        start();
        EXPECT_TRUE(shown(warning + ":\n" + program.path()));
        EXPECT_TRUE(form->isVisible());
        form.reset();
        prompter.shown.clear();
        first.signal(SIGKILL);
        ASSERT_TRUE(first.ended());
    }
    start();
    EXPECT_FALSE(shown(warning));
}
