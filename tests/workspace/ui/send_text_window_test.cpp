#include "workspace/ui/main_form.h"

#include "workspace/engine/editor_host.h"

#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "program_folder_rig.h"

#include <gtest/gtest.h>

// The editor's text goes to a send as the file holds it, also a line longer than the
// editor prints, so a send from the editor and one from the disk file send the same.
TEST(EditorSend, ALongCommentLineGoesWholeAsFromTheDiskFile)
{
    testsupport::ProgramFolderRig rig{"WPOSTS.INI", "MRW2013.INI"};
    const std::string file = "%\r\nO1234\r\nN10 (" + std::string(1496, 'A') + ")\r\nN20 G00 X1.\r\nM30\r\n%\r\n";
    rig.program.write("LONG.TAP", file);
    testsupport::ScriptedPrompter prompter;
    TMainForm form(QStringList{}, &prompter);
    form.show();
    ASSERT_TRUE(form.openOne(rig.program.file("LONG.TAP"), false));
    mrw::EditorHost& host = form;
    std::string name;
    ASSERT_TRUE(host.writeActiveTextToSendFile(mrw::sendtext::WholeFile, name));
    EXPECT_EQ(name, rig.program.file("LONG.TAP"));
    EXPECT_EQ(platform::readFileBytes(host.sendSourceFile()).value(), file);
}
