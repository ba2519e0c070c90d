#include "analyzer/ui/machine_setup_editor.h"

#include "analyzer/ui/window_commands.h"
#include "analyzer/ui/main_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

using namespace vork;

TEST(MachineSetupEditor, AnswersTypedInTheWindowAreSavedAndClosingAsks)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    TMsetupForm form(prompter, folder.path());
    form.chooseFile = [&folder](bool save) { return save ? folder.file("NEW.MCH") : std::string(); };
    form.show();
    EXPECT_EQ(form.windowTitle(), "Machine Setup -- Untitled");
    EXPECT_TRUE(form.memo()->toPlainText().isEmpty()) << "questions start with a group";

    form.groupList()->setCurrentRow(2);
    EXPECT_TRUE(form.memo()->toPlainText().startsWith("************ -G- Codes"));
    form.groupList()->setCurrentRow(0);
    EXPECT_EQ(form.entry()->text(), "1");
    form.entry()->selectAll();
    QTest::keyClicks(form.entry(), "1+1");
    QTest::keyClick(form.entry(), Qt::Key_Return);
    EXPECT_TRUE(form.memo()->toPlainText().contains("Custom Post options are:"));
    EXPECT_EQ(form.questions().copy.mach_int[1], 2);
    EXPECT_TRUE(form.memo()->toPlainText().contains("5 = Flame [2]")) << "the answer shows in its question's line";

    ASSERT_TRUE(form.Save()); // a new machine asks for a name
    EXPECT_EQ(form.windowTitle(), "Machine Setup -- NEW.MCH");
    MachineSetupWorkingCopy saved;
    ASSERT_TRUE(ReadMachineFile(saved, folder.file("NEW.MCH")));
    EXPECT_EQ(saved.mach_int[1], 2);

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder.file("SETUP.PDF")));
    form.PrintTo(printer);
    EXPECT_GT(std::filesystem::file_size(folder.file("SETUP.PDF")), 1000u);
    EXPECT_TRUE(form.questions().waiting()) << "questions go on after printing";

    // Saved and only asked since: it closes without a question.
    const std::size_t boxes = prompter.shown.size();
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(prompter.shown.size(), boxes);

    // A changed answer is unsaved.
    form.show();
    form.groupList()->setCurrentRow(1);
    form.groupList()->setCurrentRow(0);
    form.entry()->selectAll();
    QTest::keyClicks(form.entry(), "1");
    QTest::keyClick(form.entry(), Qt::Key_Return);
    prompter.buttons = {platform::Button::Cancel, platform::Button::No};
    form.close();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(prompter.shown.size(), boxes + 1);
    EXPECT_EQ(prompter.shown.back().text, "File Not Saved, Save it");
    form.close();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.questions().waiting());
}

TEST(MachineSetupEditor, AGarbageFileSaysWhatItTookAndSavesReadableValues)
{
    testsupport::TempFolder folder;
    folder.write("BAD.MCH", "I    1 2\r\nR    1 -99999999999999999999999999999999999999999\r\nR    2 ?\x01\r\n");
    testsupport::ScriptedPrompter prompter;
    TMsetupForm form(prompter, folder.path());
    form.chooseFile = [&folder](bool) { return folder.file("BAD.MCH"); };
    form.show();
    form.Open();
    ASSERT_FALSE(prompter.shown.empty());
    const std::string& note = prompter.shown.front().text;
    EXPECT_NE(note.find("Line 2 \"R    1 -9999999999"), std::string::npos) << note;
    EXPECT_NE(note.find("R1 is set to its default 1.00000"), std::string::npos) << note;
    EXPECT_NE(note.find("R2 is set to its default 1.00000"), std::string::npos) << note;
    ASSERT_TRUE(form.Save());
    const std::string saved = folder.read("BAD.MCH");
    EXPECT_EQ(saved.find("INF"), std::string::npos);
    EXPECT_NE(saved.find("R    1 1.00000\r\n"), std::string::npos);
    form.Exit();
}

TEST(MachineSetupEditor, SetupMenuShowsOneEditorKeptBetweenShowings)
{
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;
    folder.write("ZV.INI", "[DV]\r\nSPEED=0\r\n");
    Tmdvform window(folder.path(), &prompter);
    ShowMachineSetupEditor(window);
    auto* form = window.findChild<TMsetupForm*>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    form->questions().copy.mach_int[1] = 3;
    form->hide();
    ShowMachineSetupEditor(window);
    EXPECT_EQ(window.findChildren<TMsetupForm*>().size(), 1);
    EXPECT_EQ(form->questions().copy.mach_int[1], 3);
}
