// The files VORK2013 makes and opens in a program folder that several users share:
// its scratch files, the work copies and the programs named to it.
#include "analyzer/ui/main_window.h"

#include "analyzer/ui/analyzer_start.h"
#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace vork;

namespace {

// A program folder with the example mill and its face-milling program.
struct ProgramFolder {
    testsupport::TempFolder folder;
    testsupport::ScriptedPrompter prompter;

    ProgramFolder()
    {
        folder.write("MILL.MCH", testsupport::exampleFile("Mill 1.MCH"));
        folder.write("FACE.TAP", testsupport::exampleFile("FACE.TAP"));
        folder.write("ZV.INI", "[DV]\r\nDEFMCH=MILL.MCH\r\nSPEED=0\r\n[DIRECTORIES]\r\nTAPEDIR=" + folder.path() +
                                   "\r\n");
    }
};

// Start until the program has ended (the restart question is answered No).
void runToEnd(Tmdvform& window, testsupport::ScriptedPrompter& prompter)
{
    for (int presses = 0; presses < 10 && !window.session().state.EndOfProgram; ++presses) {
        prompter.buttons = {platform::Button::No};
        window.Start();
    }
}

bool isLink(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

off_t sizeOf(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

// Another user of the folder links the fixed names to files of theirs: a start and a
// run make the program's own files and leave theirs whole.
TEST(ProgramFolderFiles, LinksPlantedUnderTheScratchNamesLeaveTheirTargetsWhole)
{
    ProgramFolder p;
    testsupport::TempFolder other;
    const std::vector<std::pair<std::string, std::string>> planted = {
        {"VORK.MOT", "notes3"}, {"DVW.DI~", "notes4"}, {"NCCODE.DAT", "notes5"}, {"DV.TMP", "notes6"}};
    for (const auto& [name, target] : planted) {
        other.write(target, "the notes of another user: " + target + "\n");
        ASSERT_EQ(::symlink(other.file(target).c_str(), p.folder.file(name).c_str()), 0);
    }
    {
        Tmdvform window(p.folder.path(), &p.prompter);
        ASSERT_EQ(window.workFolder(), p.folder.path());
        window.LoadFile(p.folder.file("FACE.TAP"));
        runToEnd(window, p.prompter);
        ASSERT_TRUE(window.session().state.EndOfProgram);
        window.session().motion.flush();
        EXPECT_GE(sizeOf(p.folder.file("VORK.MOT")), 0); // a regular file of its own
        EXPECT_GE(sizeOf(p.folder.file("DVW.DI~")), 0);
        EXPECT_GT(sizeOf(p.folder.file("NCCODE.DAT")), 0);
    }
    for (const auto& [name, target] : planted)
        EXPECT_EQ(other.read(target), "the notes of another user: " + target + "\n") << name;
    EXPECT_TRUE(isLink(p.folder.file("DV.TMP"))); // maybe another run's: left where it is
    EXPECT_EQ(p.folder.read("FACE.TAP"), testsupport::exampleFile("FACE.TAP"));
}

// A name that is no file, at every way a program comes in: refused with a message that
// names it, nothing opened (a FIFO without a writer would hold the program for good), and
// the window as it was.
TEST(ProgramFolderFiles, ANameThatIsNoFileIsRefusedAtEveryWayIn)
{
    // Each way in loads `name` into the window of the program folder `p`.
    using WayIn = std::function<void(ProgramFolder& p, const std::string& name)>;
    const auto listedAsRecent = [](ProgramFolder& p, const std::string& name) {
        platform::IniFile ini(p.folder.file("ZV.INI"));
        ini.writeInt(RecentNcFilesSection, "Count", 1);
        ini.writeString(RecentNcFilesSection, "0", name);
    };
    const std::vector<std::pair<const char*, WayIn>> waysIn = {
        {"Open", [](ProgramFolder& p, const std::string& name) {
             Tmdvform window(p.folder.path(), &p.prompter);
             QTimer::singleShot(0, [name] {
                 auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                 ASSERT_NE(dialog, nullptr);
                 dialog->selectFile(QString::fromStdString(name));
                 static_cast<QDialog*>(dialog)->accept();
             });
             EXPECT_FALSE(window.OpenNCFile());
             EXPECT_EQ(window.windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
             EXPECT_FALSE(window.session().state.WorkCopyOpen);
         }},
        {"recent files", [&](ProgramFolder& p, const std::string& name) {
             listedAsRecent(p, name);
             Tmdvform window(p.folder.path(), &p.prompter);
             QAction* recent = nullptr;
             for (QAction* action : window.fileMenu->actions())
                 if (action->property("recentNcFile").isValid())
                     recent = action;
             ASSERT_NE(recent, nullptr);
             recent->trigger();
             EXPECT_EQ(window.windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
             EXPECT_FALSE(window.session().state.WorkCopyOpen);
         }},
        {"hand-off", [&](ProgramFolder& p, const std::string& name) {
             listedAsRecent(p, name);
             AnalyzerStart start({"MRW2013"}, p.folder.path(), false, &p.prompter);
             EXPECT_EQ(start.window().windowTitle(), "Vork Analyzer 2013 -  [No File Loaded]");
             EXPECT_FALSE(start.window().session().state.WorkCopyOpen);
         }},
    };
    for (const auto& [way, load] : waysIn) {
        ProgramFolder p;
        ASSERT_EQ(::mkfifo(p.folder.file("FIFO.TAP").c_str(), 0600), 0);
        ASSERT_EQ(::symlink("/dev/zero", p.folder.file("ZERO.TAP").c_str()), 0);
        for (const char* file : {"FIFO.TAP", "ZERO.TAP"}) {
            const std::string name = p.folder.file(file);
            p.prompter.shown.clear();
            load(p, name);
            ASSERT_FALSE(p.prompter.shown.empty()) << way << " " << file;
            EXPECT_EQ(p.prompter.shown.front().text, platform::notRegularFileText(name)) << way << " " << file;
        }
        struct stat st{};
        EXPECT_TRUE(::lstat(p.folder.file("FIFO.TAP").c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) << way;
        EXPECT_TRUE(isLink(p.folder.file("ZERO.TAP"))) << way;
    }
}

// A program in a folder the user may not write, run by a second copy (whose private
// folder goes when it ends): the work copy, and with it an edit kept for the user, is
// in the program folder, which stays.
TEST(ProgramFolderFiles, AWorkCopyThatCannotBeBesideItsProgramIsInTheProgramFolder)
{
    ProgramFolder p;
    ::chmod(p.folder.path().c_str(), 0777);
    ASSERT_EQ(::mkdir(p.folder.file("NC").c_str(), 0755), 0);
    p.folder.write("NC/P.TAP", "G00 X1.\r\n");
    ::chmod(p.folder.file("NC/P.TAP").c_str(), 0666);
    ::chmod(p.folder.file("NC").c_str(), 0555);
    // The first copy's lock on the program folder.
    const int lock = ::open(p.folder.file("VORK.LCK").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    testsupport::asOrdinaryUser([&] {
        Tmdvform window(p.folder.path(), &p.prompter);
        ASSERT_NE(window.workFolder(), p.folder.path()) << "not a second copy";
        ASSERT_TRUE(window.LoadFile(p.folder.file("NC/P.TAP")));
        EXPECT_EQ(window.session().state.WorkCopyName, p.folder.file("DV.TMP"));
    });
    ::close(lock);
}

} // namespace
