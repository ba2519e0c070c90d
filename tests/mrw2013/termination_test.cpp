// Both programs ended by a logout or Ctrl+C: the real programs, started offscreen on a
// program folder of their own and in a session of their own, are sent the signal at
// chosen moments of their life.
#include "support/temp_folder.h"

#include "platform/ini.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <csignal>
#include <fcntl.h>
#include <fnmatch.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

using testsupport::TempFolder;

namespace {

// Files matching a pattern as they are created in one folder.
class CreationWatch {
public:
    CreationWatch(const std::string& folder, std::string pattern)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)), m_pattern(std::move(pattern))
    {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE);
    }
    ~CreationWatch() { ::close(m_fd); }
    // Waits, up to a generous bound, until `count` matching files were created in all.
    bool waitFor(int count)
    {
        for (int waited = 0; m_seen < count && waited < 600; ++waited) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            alignas(inotify_event) char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && ::fnmatch(m_pattern.c_str(), event->name, 0) == 0)
                    ++m_seen;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return m_seen >= count;
    }

private:
    int m_fd;
    std::string m_pattern;
    int m_seen = 0;
};

// One of the programs, offscreen, in a session of its own, ended with its group when the
// test is done with it.
class ProgramRun {
public:
    ProgramRun(const char* program, const QStringList& arguments, const TempFolder& folder,
               const TempFolder& windows, const QString& temporaryFolder = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MRW_PROGRAM_DIR", QString::fromStdString(folder.path()));
        env.insert("MRW_WINDOWS_DIR", QString::fromStdString(windows.path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!temporaryFolder.isEmpty())
            env.insert("TMPDIR", temporaryFolder);
        m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([] { ::setsid(); });
        m_process.start(QString(MRW_PROGRAM_FOLDER "/") + program, arguments);
        m_started = m_process.waitForStarted();
    }
    ~ProgramRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(m_process.processId()), SIGKILL);
            m_process.waitForFinished();
        }
    }
    bool started() const { return m_started; }
    void signal(int signal) { ::kill(static_cast<pid_t>(m_process.processId()), signal); }
    bool ended() { return m_process.waitForFinished(60000); }
    bool endedCleanly() { return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0; }
    std::string standardError() { return m_process.readAllStandardError().toStdString(); }

private:
    QProcess m_process;
    bool m_started = false;
};

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
            program.write(name, testsupport::readFixture(std::string(MRW_SOURCE_DIR) + "/examples", name));
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
        const std::string examples = std::string(MRW_SOURCE_DIR) + "/examples";
        for (const char* name : {"ZV.INI", "Mill 1.MCH"})
            program.write(name, testsupport::readFixture(examples, name));
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
