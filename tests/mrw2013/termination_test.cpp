// Both programs ended by a logout or Ctrl+C: the real programs, started offscreen on a
// program folder of their own and in a session of their own, are sent the signal at
// chosen moments of their life.
#include "mrw2013/program_run.h"
#include "support/temp_folder.h"
#include "tests/dnc/engine/sim_control.h"

#include "platform/ini.h"

#include <gtest/gtest.h>

#include <QDir>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
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

// The shop terminal at the other end of a pty: reads what the menu says and types.
class ShopTerminal {
public:
    explicit ShopTerminal(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~ShopTerminal() { ::close(m_fd); }
    // Waits, up to a generous bound, until the menu has said `text`.
    bool await(const std::string& text)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (m_seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                m_seen.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t at = m_seen.find(text);
        if (at == std::string::npos)
            return false;
        m_seen.erase(0, at + text.size());
        return true;
    }
    void type(const std::string& text) { EXPECT_EQ(::write(m_fd, text.data(), text.size()), ssize_t(text.size())); }

private:
    int m_fd;
    std::string m_seen;
};

// A signal while the shop menu receives an upload: the transfer ends as its Cancel ends
// it, no partial upload is left, the log says so, and the program ends normally.
TEST(Termination, ASignalDuringAnUploadLeavesNoPartialFile)
{
    simcontrol::PtyPair pty;
    ASSERT_TRUE(pty.ready());
    TempFolder program, windows, nc;
    const std::string line = "PORT=1\r\nBAUD=9600\r\nDATABITS=8\r\nPARITY=N\r\nSTOPBITS=1\r\nFLOW=1\r\nTCODE=2\r\n";
    program.write("WPOSTS.INI", "[MACHINE NAMES]\r\nNUMBER=2\r\nMACHINE1=T\r\nMACHINE2=MILL\r\n[T]\r\nDTYPE=2\r\n"
                                "CDELAY=60\r\nLDELAY=24\r\n" + line + "[MILL]\r\nEOFTIME=60\r\nDEFUPL=" + nc.path() +
                                "\r\nDEFDNL=" + nc.path() + "\r\nDEFEXT=TAP\r\n" + line);
    program.write("MRW2013.INI", testsupport::exampleFile("MRW2013.INI"));
    {
        platform::IniFile ini(program.file("MRW2013.INI"));
        ini.writeBool("GENERAL", "LOGGING", true);
        ini.writeString("PORTS", "COM1", pty.pcEnd());
    }
    ShopTerminal terminal(pty.machineEnd());
    CreationWatch partial(nc.path(), "*.~UP");
    ProgramRun mrw("MRW2013", {"CNCREMOTE", "T"}, program, windows);
    ASSERT_TRUE(mrw.started());
    ASSERT_TRUE(terminal.await("Cmd ?"));
    terminal.type("M\r");
    ASSERT_TRUE(terminal.await("Machine?"));
    terminal.type("MILL\r");
    ASSERT_TRUE(terminal.await("Cmd ?"));
    terminal.type("U\r");
    ASSERT_TRUE(terminal.await("File?"));
    terminal.type("O6\r");
    ASSERT_TRUE(terminal.await("From MILL ..."));
    terminal.type("%\r\nO6\r\nN1G01X1.\r\n");
    ASSERT_TRUE(partial.waitFor(1)) << "nothing was received";
    mrw.signal(SIGTERM);
    ASSERT_TRUE(mrw.ended());
    EXPECT_TRUE(mrw.endedCleanly()) << mrw.standardError();
    EXPECT_EQ(filesIn(nc.path(), "*"), "");
    EXPECT_NE(program.read("MRWDNC.LOG").find("DNC Transfer Cancelled, Terminal Closed, Machine [MILL]"),
              std::string::npos)
        << program.read("MRWDNC.LOG");
}

// VORK2013 started by a hand-off, as a second copy (another holds the program folder), is
// sent the signal while its window is being made (its private folder has just appeared)
// or once its work copy DV.TMP exists: the work copy is gone, the program as it was, the
// settings written and the copy's private folder removed.
TEST(Termination, ASignalEndsVork2013AsItsCloseDoes)
{
    struct Moment {
        const char* name;
        int signal;
        bool windowMade; // false: the signal comes before the window exists
    };
    for (const Moment m : {Moment{"window being made", SIGTERM, false}, Moment{"work copy", SIGTERM, true},
                           Moment{"work copy", SIGHUP, true}, Moment{"work copy", SIGINT, true}}) {
        SCOPED_TRACE(std::string(m.name) + " " + std::to_string(m.signal));
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

        CreationWatch made(m.windowMade ? jobs.path() : temporary.path(), m.windowMade ? "DV*.TMP" : "vork-*");
        ProgramRun vork("VORK2013", {"MRW2013"}, program, windows, QString::fromStdString(temporary.path()));
        ASSERT_TRUE(vork.started());
        ASSERT_TRUE(made.waitFor(1)) << "the program did not get that far";
        vork.signal(m.signal);
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
