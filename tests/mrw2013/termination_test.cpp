// Both programs ended by a logout or Ctrl+C: the real programs, started offscreen on a
// program folder of their own and in a session of their own, are sent the signal at
// chosen moments of their life.
#include "mrw2013/program_run.h"
#include "support/temp_folder.h"

#include "platform/ini.h"

#include <gtest/gtest.h>

#include <QDir>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::CreationWatch;
using testsupport::ProgramRun;
using testsupport::TempFolder;

namespace {

// The names in a folder that match a pattern, "|"-separated.
std::string filesIn(const std::string& folder, const QString& pattern)
{
    const QDir dir(QString::fromStdString(folder));
    return dir.entryList({pattern}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).join('|').toStdString();
}

// A program folder of MRW2013 with one NC program.
struct MrwFolder {
    MrwFolder()
    {
        for (const char* name : {"MRW2013.INI", "WPOSTS.INI"})
            program.write(name, testsupport::exampleFile(name));
        program.write("PROG.TAP", text);
    }
    TempFolder program, windows;
    const std::string text = "%\r\nO1000\r\nG01 X1.\r\nM30\r\n%\r\n";
};

} // namespace

// Whenever the signal comes, from the very start on, MRW2013 leaves no scratch file and
// the open program as it was; once it can handle the signal it ends with status 0.
TEST(Termination, ASignalAtAnyMomentOfMrw2013LeavesNoScratchFile)
{
    struct Moment {
        const char* name;
        int signal;
        int scratchFilesMade; // -1: at once
    };
    for (const Moment m : {Moment{"at once", SIGTERM, -1}, Moment{"first scratch file", SIGTERM, 1},
                           Moment{"both scratch files", SIGTERM, 2}, Moment{"both scratch files", SIGINT, 2},
                           Moment{"both scratch files", SIGHUP, 2}}) {
        SCOPED_TRACE(std::string(m.name) + " " + std::to_string(m.signal));
        MrwFolder folder;
        CreationWatch scratch(folder.program.path(), "MRW*.TMP");
        ProgramRun mrw("MRW2013", {QString::fromStdString(folder.program.file("PROG.TAP"))}, folder.program,
                       folder.windows);
        ASSERT_TRUE(mrw.started());
        if (m.scratchFilesMade > 0) {
            ASSERT_TRUE(scratch.waitFor(m.scratchFilesMade)) << "the program made no scratch files";
        }
        mrw.signal(m.signal);
        ASSERT_TRUE(mrw.ended());
        if (m.scratchFilesMade > 0) {
            EXPECT_TRUE(mrw.endedCleanly()) << mrw.standardError();
        }
        EXPECT_EQ(filesIn(folder.program.path(), "MRW*.TMP"), "");
        EXPECT_EQ(folder.program.read("PROG.TAP"), folder.text);
    }
}

// A closing write that fails (the activity log cannot be written) is reported on standard
// error: no box waits for an answer that nobody gives.
TEST(Termination, MrwClosingFailuresGoToStandardErrorAndTheProgramEnds)
{
    MrwFolder folder;
    platform::IniFile(folder.program.file("MRW2013.INI")).writeBool("GENERAL", "LOGGING", true);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder.program.file("MRWDNC.LOG"))));
    CreationWatch scratch(folder.program.path(), "MRW*.TMP");
    ProgramRun mrw("MRW2013", {}, folder.program, folder.windows);
    ASSERT_TRUE(scratch.waitFor(2));
    mrw.signal(SIGTERM);
    ASSERT_TRUE(mrw.ended()) << "the program waits for an answer";
    EXPECT_TRUE(mrw.endedCleanly());
    EXPECT_NE(mrw.standardError().find("Unable to write to the activity log"), std::string::npos);
    EXPECT_EQ(filesIn(folder.program.path(), "MRW*.TMP"), "");
}

// VORK2013 started by a hand-off, as a second copy (another holds the program folder), is
// sent the signal once its work copy DV.TMP exists: the work copy is gone, the program as
// it was, the settings written and the copy's private folder removed.
TEST(Termination, ASignalEndsVork2013AsItsCloseDoes)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        TempFolder program, windows, jobs, temporary;
        for (const char* name : {"ZV.INI", "Mill 1.MCH"})
            program.write(name, testsupport::exampleFile(name));
        const std::string text = "%\r\nO1000\r\nG00 X0. Y0.\r\nG01 X1. F10.\r\nM30\r\n%\r\n";
        jobs.write("PROG.TAP", text);
        {
            platform::IniFile zv(program.file("ZV.INI"));
            zv.writeString("mdvform.OvcMenuMRU1.Items", "Count", "1");
            zv.writeString("mdvform.OvcMenuMRU1.Items", "0", jobs.file("PROG.TAP"));
            zv.writeString("mdvform.OvcMenuMRU2.Items", "Count", "1");
            zv.writeString("mdvform.OvcMenuMRU2.Items", "0", program.file("Mill 1.MCH"));
            zv.eraseKey("DV", "DEBUG"); // written back only by an orderly end
        }
        // The first copy's lock on the program folder.
        const int lock = ::open(program.file("VORK.LCK").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);

        CreationWatch workCopy(jobs.path(), "DV*.TMP");
        ProgramRun vork("VORK2013", {"MRW2013"}, program, windows, QString::fromStdString(temporary.path()));
        ASSERT_TRUE(vork.started());
        ASSERT_TRUE(workCopy.waitFor(1)) << "the job was not loaded";
        ASSERT_NE(filesIn(temporary.path(), "vork-*"), "") << "not a second copy";
        vork.signal(signal);
        ASSERT_TRUE(vork.ended());
        ::close(lock);
        EXPECT_TRUE(vork.endedCleanly()) << vork.standardError();
        EXPECT_EQ(filesIn(jobs.path(), "*"), "PROG.TAP");
        EXPECT_EQ(jobs.read("PROG.TAP"), text);
        EXPECT_EQ(filesIn(temporary.path(), "vork-*"), "");
        EXPECT_EQ(platform::IniFile(program.file("ZV.INI")).readString("DV", "DEBUG", "missing"), "0");
    }
}

// A logout while a start-up message box shows ends the program as its close does, without
// waiting for OK; the box's text goes to standard error. The box here says that a settings
// file cannot be read (a folder stands under its name, which no user can read as a file).
TEST(Termination, ASignalWhileAStartUpBoxShowsEndsTheProgramAsItsCloseDoes)
{
    {
        SCOPED_TRACE("MRW2013");
        MrwFolder folder;
        ::unlink(folder.program.file("MRW2013.INI").c_str());
        ASSERT_EQ(::mkdir(folder.program.file("MRW2013.INI").c_str(), 0755), 0);
        CreationWatch started(folder.program.path(), "MRW2013.LCK");
        ProgramRun mrw("MRW2013", {}, folder.program, folder.windows);
        ASSERT_TRUE(started.waitFor(1));
        mrw.signal(SIGTERM);
        ASSERT_TRUE(mrw.ended()) << "the program waits for OK";
        EXPECT_TRUE(mrw.endedCleanly());
        EXPECT_NE(mrw.standardError().find("Cannot read " + folder.program.file("MRW2013.INI")), std::string::npos);
        EXPECT_EQ(filesIn(folder.program.path(), "MRW*.TMP"), "");
    }
    {
        // A second copy, whose close removes its private folder.
        SCOPED_TRACE("VORK2013");
        TempFolder program, windows, temporary;
        ASSERT_EQ(::mkdir(program.file("ZV.INI").c_str(), 0755), 0);
        const int lock = ::open(program.file("VORK.LCK").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
        CreationWatch started(temporary.path(), "vork-*");
        ProgramRun vork("VORK2013", {}, program, windows, QString::fromStdString(temporary.path()));
        ASSERT_TRUE(started.waitFor(1));
        vork.signal(SIGTERM);
        ASSERT_TRUE(vork.ended()) << "the program waits for OK";
        ::close(lock);
        EXPECT_TRUE(vork.endedCleanly());
        EXPECT_NE(vork.standardError().find("Cannot read " + program.file("ZV.INI")), std::string::npos);
        EXPECT_EQ(filesIn(temporary.path(), "vork-*"), "");
    }
}

// An end that cannot finish (another program holds the settings file's lock and the save
// waits for it) is cut short by the guard, which says so on standard error and gives a
// status that is not success.
TEST(Termination, AnEndForcedByTheGuardSaysSo)
{
    MrwFolder folder;
    CreationWatch scratch(folder.program.path(), "MRW*.TMP");
    ProgramRun mrw("MRW2013", {}, folder.program, folder.windows);
    ASSERT_TRUE(scratch.waitFor(2));
    const int held = ::open(folder.program.file("MRW2013.INI.lck").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(held, LOCK_SH), 0);
    mrw.signal(SIGTERM);
    ASSERT_TRUE(mrw.ended());
    ::close(held);
    EXPECT_FALSE(mrw.endedCleanly());
    EXPECT_NE(mrw.standardError().find("ended without finishing it"), std::string::npos) << mrw.standardError();
}
