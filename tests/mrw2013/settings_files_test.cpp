// MRW2013's main window on settings files that exist but cannot be read.
#include "workspace/ui/main_form.h"

#include "workspace/engine/users.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"
#include "workspace/ui/program_folder_rig.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

using testsupport::example;
using testsupport::settle;

namespace {

struct NoLogin : mrw::LoginAsker {
    int asked = 0;
    std::optional<Answer> askLogin() override
    {
        ++asked;
        return std::nullopt;
    }
};

bool shown(const testsupport::ScriptedPrompter& prompter, const std::string& text)
{
    for (const auto& s : prompter.shown)
        if (s.text == text)
            return true;
    return false;
}

} // namespace

TEST(UnreadableSettings, TheWindowSaysWhichFilesItCouldNotReadAndWritesNeither)
{
    testsupport::ProgramFolderRig rig;
    for (const char* name : {"MRW2013.INI", "WPOSTS.INI"})
        testsupport::writeUnreadable(rig.program, name, example(name));
    ::chmod(rig.windows.path().c_str(), 0777);
    mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), rig.program.path());
    testsupport::ScriptedPrompter prompter;
    testsupport::asOrdinaryUser([&] {
        auto form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        form->show();
        settle();
        // Told at start, before anything is saved.
        for (const char* name : {"MRW2013.INI", "WPOSTS.INI"})
            EXPECT_TRUE(shown(prompter, "Cannot read " + rig.program.file(name) + ": settings kept in memory only"))
                << name;
        form->close();
        settle();
        form.reset();
    });
    for (const char* name : {"MRW2013.INI", "WPOSTS.INI"})
        EXPECT_EQ(testsupport::readRestored(rig.program, name), example(name)) << name;
}

TEST(UnreadableSettings, UsersThatCannotBeReadKeepASecuredProgramClosed)
{
    testsupport::ProgramFolderRig rig{"MRW2013.INI", "WPOSTS.INI"};
    platform::IniFile(rig.program.file("MRW2013.INI")).writeBool("GENERAL", "USESECURE", true);
    const std::string users = "[Index]\r\nADMIN=#\r\n[Defaults]\r\n_Entries=1\r\n[ADMIN]\r\nName=ADMIN\r\nLevel=255\r\n";
    const testsupport::SessionUsers list;
    const std::string folder = platform::folderPart(list.path());
    ::chmod(folder.c_str(), 0777);
    std::ofstream(list.path(), std::ios::binary) << users;
    ::chmod(list.path().c_str(), 0200);
    ::chmod(rig.program.path().c_str(), 0777);
    testsupport::ScriptedPrompter prompter;
    NoLogin asker;
    testsupport::asOrdinaryUser([&] {
        auto form = std::make_unique<TMainForm>(QStringList{}, &prompter);
        form->setDialogs({{}, &asker});
        form->show();
        settle();
        EXPECT_FALSE(form->isVisible());
        form.reset();
    });
    EXPECT_EQ(asker.asked, 0);
    EXPECT_TRUE(shown(prompter, "Cannot read " + list.path() + ": login refused"));
    ::chmod(list.path().c_str(), 0600);
    EXPECT_EQ(platform::readFileBytes(list.path()).value_or(""), users);
}
