#include "dnc/ui/send_dialog.h"

#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cstdlib>

#include <fstream>

using namespace dnc;

namespace {

class FakeEditor : public mrw::EditorHost {
public:
    explicit FakeEditor(ScratchFiles files) : m_files(std::move(files)) {}

    std::string text = "N1\r\nN2\r\n";
    bool open = true;
    std::vector<int> modes;
    std::vector<std::string>* events = nullptr;

    std::string activeFileName() const override { return open ? "/parts/PART1.TAP" : "NONE"; }
    std::string sendBufferFile() const override { return m_files.sendBufferFile; }
    std::string sendSourceFile() const override { return m_files.sendSourceFile; }
    bool writeActiveTextToSendFile(int sendMode, std::string& editorFileName) override
    {
        modes.push_back(sendMode);
        if (events)
            events->push_back("write");
        if (!open || (sendMode == sendmode::SelectedLines && text.empty()))
            return false;
        std::ofstream(m_files.sendSourceFile, std::ios::binary) << text;
        editorFileName = "/parts/PART1.TAP";
        return true;
    }

private:
    ScratchFiles m_files;
};

class SendDialogTest : public ::testing::Test {
protected:
    SendDialogTest()
        : files{dir.file("MRW1.TMP"), dir.file("MRW2.TMP")},
          editor(files),
          dialog(editor, [this] { return settings; }, &prompter)
    {
        ::setenv("MRW_PROGRAM_DIR", dir.path().c_str(), 1); // where "C:\\HALVEN" lies
        dir.write("MRW1.TMP", "");
        dir.write("MRW2.TMP", "");
        settings.send.tapeCode = TapeCode::Iso;
        settings.downloadFolder = "C:\\HALVEN\\DNL";
        settings.forceDownloadFolder = false;
        dialog.setFileChooser([this](const OpenFilesRequest& r) -> std::optional<QStringList> {
            requests.push_back(r);
            return chosen;
        });
    }

    ~SendDialogTest() override { ::unsetenv("MRW_PROGRAM_DIR"); }

    int clickOk(const char* radio)
    {
        dialog.findChild<QRadioButton*>(radio)->setChecked(true);
        dialog.setResult(-1);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return dialog.result();
    }

    testsupport::TempFolder dir;
    ScratchFiles files;
    SendSettings settings;
    FakeEditor editor;
    testsupport::ScriptedPrompter prompter;
    std::vector<OpenFilesRequest> requests;
    std::optional<QStringList> chosen;
    TSendDlg dialog;
};

} // namespace

TEST_F(SendDialogTest, EditorChoicesBuildTheImage)
{
    settings.send.startSendCodes = "%";
    EXPECT_EQ(clickOk("Bsendedfile"), QDialog::Accepted);
    EXPECT_EQ(dir.read("MRW1.TMP"), "%N1\r\nN2\r\n");
    EXPECT_EQ(dialog.SendFileName(), "/parts/PART1.TAP");

    EXPECT_EQ(clickOk("BsendSelect"), QDialog::Accepted);
    EXPECT_EQ(clickOk("Bsendtoend"), QDialog::Accepted);
    EXPECT_EQ(editor.modes, (std::vector<int>{1, 2, 5}));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SendDialogTest, NothingFromTheEditorClosesWithCancelSilently)
{
    editor.text.clear();
    EXPECT_EQ(clickOk("BsendSelect"), QDialog::Rejected);
    editor.open = false;
    EXPECT_EQ(clickOk("Bsendedfile"), QDialog::Rejected);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SendDialogTest, TextThatCannotGoToAnEiaMachineIsNotSent)
{
    settings.send.tapeCode = TapeCode::Eia;
    dir.write("MRW1.TMP", "last image");
    editor.text = "N1\r\nN2 X{1}\r\n";
    EXPECT_EQ(clickOk("Bsendedfile"), QDialog::Rejected);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, platform::MessageKind::Error);
    EXPECT_EQ(prompter.shown[0].text, "Line 2, character 5: \"{\" (7Bh) has no EIA code.\nNothing was sent.");
    EXPECT_EQ(dir.read("MRW1.TMP"), "last image");
}

TEST_F(SendDialogTest, DiskFiles)
{
    dir.write("A.TAP", "N1\r\n");
    dir.write("B.TAP", "N2\r\n");
    dir.write("MRW1.TMP", "last image");

    chosen = QStringList{QString::fromStdString(dir.file("A.TAP")), QString::fromStdString(dir.file("B.TAP"))};
    EXPECT_TRUE(dialog.PrepareSendFile(sendmode::ChosenFile));
    EXPECT_TRUE(dialog.severalFilesSelected());
    EXPECT_EQ(dir.read("MRW1.TMP"), "last image") << "several files: no image, the caller sends them";
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].folder.toStdString(), dir.file("HALVEN/DNL"))
        << "the first time starts in the download folder";
    EXPECT_EQ(requests[0].defaultSuffix, "TAP");
    EXPECT_EQ(requests[0].nameFilters.front(), "Tape files (*.TAP)");

    // Each file of the list is prepared by name, and the list stays for the caller.
    EXPECT_TRUE(dialog.PrepareSendFile(sendmode::GivenFile, dir.file("B.TAP")));
    EXPECT_EQ(dir.read("MRW1.TMP"), "N2\r\n");
    EXPECT_EQ(dialog.SendFileName(), dir.file("B.TAP"));
    EXPECT_EQ(dialog.selectedFiles().size(), 2u);

    chosen = QStringList{QString::fromStdString(dir.file("A.TAP"))};
    EXPECT_EQ(clickOk("Bsendfile"), QDialog::Accepted);
    EXPECT_EQ(dir.read("MRW1.TMP"), "N1\r\n");
    EXPECT_EQ(dialog.SendFileName(), dir.file("A.TAP"));
    EXPECT_EQ(requests[1].folder, "") << "afterwards the dialog's own last folder";

    settings.forceDownloadFolder = true;
    chosen.reset();
    EXPECT_EQ(clickOk("Bsendfile"), QDialog::Rejected);
    EXPECT_EQ(requests[2].folder.toStdString(), dir.file("HALVEN/DNL"));
}

TEST_F(SendDialogTest, EditorSendNeverSendsAnOldFileList)
{
    dir.write("A.TAP", "N1\r\n");
    chosen = QStringList{QString::fromStdString(dir.file("A.TAP")), QString::fromStdString(dir.file("A.TAP"))};
    EXPECT_TRUE(dialog.PrepareSendFile(sendmode::ChosenFile));
    EXPECT_EQ(clickOk("Bsendedfile"), QDialog::Accepted);
    EXPECT_FALSE(dialog.severalFilesSelected());
}

TEST_F(SendDialogTest, FileCleanupRunsBeforeTheEditorText)
{
    settings.runFileCleanup = true;
    std::vector<std::string> events;
    editor.events = &events;
    dialog.setFileCleanup([&] { events.push_back("cleanup"); });
    EXPECT_EQ(clickOk("Bsendedfile"), QDialog::Accepted);
    EXPECT_EQ(clickOk("BsendSelect"), QDialog::Accepted);
    EXPECT_EQ(events, (std::vector<std::string>{"cleanup", "write", "write"}));
}

TEST_F(SendDialogTest, ShowsTheActiveFileAndEditorChoices)
{
    dialog.EnableEditorChoices(false);
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("BsendSelect")->isEnabled());
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("Bsendtoend")->isEnabled());
    dialog.EnableEditorChoices(true);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("Bsendtoend")->isEnabled());
    dialog.show();
    EXPECT_EQ(dialog.findChild<QLabel*>("Label2")->text(), "/parts/PART1.TAP");
    dialog.hide();
    EXPECT_EQ(dialog.windowTitle(), "Select What To Send to CNC");
}
