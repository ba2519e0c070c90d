#include "platform/ini.h"
#include "platform/paths.h"
#include "platform/textfile.h"
#include "support/processes_at_once.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"
#include "support/unreadable_file.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <vector>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::IniFile;
using testsupport::TempFolder;

namespace {
std::string fixture()
{
    return testsupport::readFixture(MRW_TEST_FIXTURES, "handwritten.ini");
}
}

TEST(IniFile, ReadsRawValuesWithoutRegardToCase)
{
    TempFolder dir;
    dir.write("a.ini", fixture());
    IniFile ini(dir.file("a.ini"));
    EXPECT_EQ(ini.readString("GENERAL", "tapedir"), "c:\\HALVEN\\progs");
    EXPECT_EQ(ini.readString("general", "NAME"), "Quoted, with comma");
    EXPECT_EQ(ini.readString("General", "Percent"), "50%");
    EXPECT_EQ(ini.readString("Machine One", "port"), "2");
    EXPECT_EQ(ini.readString("other", "UNIX"), "line");
    EXPECT_EQ(ini.readString("General", "missing", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Nowhere", "TapeDir", "d"), "d");
}

TEST(IniFile, IntegersFallBackToTheDefault)
{
    TempFolder dir;
    dir.write("a.ini", "[S]\r\nA=12\r\nB=abc\r\nC= -7 \r\nD=$1F\r\nE=12abc\r\nF=\r\nG=99999999999\r\n");
    IniFile ini(dir.file("a.ini"));
    struct Case { const char* key; int expected; };
    for (const Case c : {Case{"A", 12}, Case{"B", 5}, Case{"C", -7}, Case{"D", 31}, Case{"E", 5},
                         Case{"F", 5}, Case{"G", 5}, Case{"missing", 5}})
        EXPECT_EQ(ini.readInt("s", c.key, 5), c.expected) << c.key;
    EXPECT_TRUE(ini.readBool("S", "A", false));
    EXPECT_FALSE(ini.readBool("S", "missing", false));
    // What did not read is named with the value used, so a program can say so at start.
    EXPECT_EQ(ini.unreadValues(),
              (std::vector<std::string>{R"([s] B="abc": 5 used)", R"([s] E="12abc": 5 used)", R"([s] F="": 5 used)",
                                        R"([s] G="99999999999": 5 used)"}));

    dir.write("b.ini", std::string("[GENERAL]\r\nDNCALERT=\0 1\r\n", 25));
    IniFile damaged(dir.file("b.ini"));
    EXPECT_FALSE(damaged.readBool("GENERAL", "DNCALERT", false));
    EXPECT_EQ(damaged.unreadValues(), std::vector<std::string>{R"([GENERAL] DNCALERT="<00> 1": 0 used)"});
}

TEST(IniFile, WritingOneKeyKeepsEveryOtherLineByteForByte)
{
    TempFolder dir;
    const std::string original = fixture();
    dir.write("a.ini", original);
    IniFile ini(dir.file("a.ini"));
    ini.writeString("MACHINE ONE", "baud", "19200");

    std::string expected = original;
    expected.replace(expected.find("BAUD=9600"), 9, "BAUD=19200");
    EXPECT_EQ(dir.read("a.ini"), expected);
}

TEST(IniFile, CreatesFileSectionAndKeyWhenMissing)
{
    TempFolder dir;
    IniFile ini(dir.file("new.ini"));
    ini.writeString("General", "TAPEDIR", "d:\\x");
    ini.writeInt("General", "COUNT", 3);
    ini.writeBool("Other", "ON", true);
    EXPECT_EQ(dir.read("new.ini"), "[General]\r\nTAPEDIR=d:\\x\r\nCOUNT=3\r\n[Other]\r\nON=1\r\n");
}

TEST(IniFile, NewKeyGoesAtTheEndOfItsSectionBeforeBlankLines)
{
    TempFolder dir;
    dir.write("a.ini", fixture());
    IniFile ini(dir.file("a.ini"));
    ini.writeString("general", "NEW", "1");
    ini.writeString("Other", "more", "x");
    const std::string text = dir.read("a.ini");
    EXPECT_NE(text.find("Percent=50%\r\nNEW=1\r\n\r\n[machine one]"), std::string::npos) << text;
    EXPECT_NE(text.find("unix=line\nmore=x\r\n"), std::string::npos) << text;
}

TEST(IniFile, ListsAndErases)
{
    TempFolder dir;
    dir.write("a.ini", fixture());
    IniFile ini(dir.file("a.ini"));
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"General", "machine one", "Other"}));
    EXPECT_EQ(ini.keys("MACHINE ONE"), (std::vector<std::string>{"BAUD", "Port"}));
    ini.eraseKey("machine one", "port");
    EXPECT_FALSE(ini.hasKey("machine one", "Port"));
    EXPECT_TRUE(ini.hasKey("machine one", "BAUD"));
    ini.eraseSection("MACHINE ONE");
    EXPECT_FALSE(ini.hasSection("machine one"));
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"General", "Other"}));
    EXPECT_EQ(ini.readString("Other", "unix"), "line");
}

TEST(IniFile, RefusedWriteRaisesUnableToWrite)
{
    TempFolder dir;
    IniFile ini(dir.file("no/such/folder/a.ini"));
    try {
        ini.writeString("S", "K", "V");
        FAIL() << "write into a missing folder succeeded";
    } catch (const platform::IniWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.file("no/such/folder/a.ini"));
    }
}

TEST(IniFile, BareNameLiesInTheWindowsDirectory)
{
    TempFolder dir;
    const std::string windows = dir.path() + "win";
    ::setenv("MRW_WINDOWS_DIR", windows.c_str(), 1);
    IniFile ini("TKZPWL.INI");
    EXPECT_EQ(ini.path(), windows + "/TKZPWL.INI");
    ini.writeString("USERS", "COUNT", "0");
    EXPECT_EQ(dir.read("win/TKZPWL.INI"), "[USERS]\r\nCOUNT=0\r\n");
    // An existing file of another letter case is the same file.
    ::rename((windows + "/TKZPWL.INI").c_str(), (windows + "/tkzpwl.ini").c_str());
    EXPECT_EQ(IniFile("TKZPWL.INI").readString("users", "count"), "0");
    ::unsetenv("MRW_WINDOWS_DIR");
}

TEST(IniFile, AFileThatCannotBeReadReadsAsEmptyAndIsNeverWritten)
{
    TempFolder dir;
    const std::string original = fixture();
    testsupport::writeUnreadable(dir, "a.ini", original);
    testsupport::asOrdinaryUser([&] {
        IniFile ini(dir.file("a.ini"));
        EXPECT_TRUE(ini.unreadable());
        EXPECT_EQ(ini.readString("GENERAL", "tapedir", "dflt"), "dflt");
        const std::function<void()> writes[] = {
            [&] { ini.writeString("GENERAL", "TAPEDIR", "x"); },
            [&] { ini.eraseSection("GENERAL"); },
            [&] { ini.edit([](platform::IniEdit& e) { e.writeInt("NEW", "K", 1); }); },
        };
        for (const auto& write : writes) {
            try {
                write();
                ADD_FAILURE() << "an unreadable file was written";
            } catch (const platform::IniUnreadableError& e) {
                EXPECT_EQ(std::string(e.what()), "Cannot read " + dir.file("a.ini") + ": settings kept in memory only");
            }
        }
        // A missing file is another answer: it is created.
        IniFile missing(dir.file("b.ini"));
        EXPECT_FALSE(missing.unreadable());
        missing.writeString("S", "K", "V");
    });
    EXPECT_EQ(testsupport::readRestored(dir, "a.ini"), original);
    EXPECT_EQ(dir.read("b.ini"), "[S]\r\nK=V\r\n");
}

TEST(IniFile, AFileTheUserMayNotWriteIsRefusedNotReplacedThroughItsFolder)
{
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);
    dir.write("a.ini", "[S]\r\nK=1\r\n");
    ::chmod(dir.file("a.ini").c_str(), 0444);
    testsupport::asOrdinaryUser([&] {
        EXPECT_THROW(IniFile(dir.file("a.ini")).writeString("S", "K", "2"), platform::IniWriteError);
    });
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nK=1\r\n");
}

TEST(IniFile, ASaveKeepsTheModeFollowsALinkAndSkipsAnUnchangedFile)
{
    TempFolder dir;
    dir.write("a.ini", "[S]\r\nK=1\r\n");
    ::chmod(dir.file("a.ini").c_str(), 0640);
    ASSERT_EQ(::symlink("a.ini", dir.file("link.ini").c_str()), 0);
    IniFile(dir.file("link.ini")).writeString("S", "K", "2");
    struct stat link{}, target{};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    ASSERT_EQ(::stat(dir.file("a.ini").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nK=2\r\n");

    // Writing what the file already holds leaves the file itself in place.
    IniFile(dir.file("a.ini")).edit([](platform::IniEdit& e) {
        e.writeString("s", "k", "2");
        e.eraseKey("S", "missing");
    });
    struct stat after{};
    ASSERT_EQ(::stat(dir.file("a.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, target.st_ino);
}

TEST(IniFile, AnEditReadsItsOwnChangesAndWritesThemOnceOrNotAtAll)
{
    TempFolder dir;
    dir.write("a.ini", "; kept\r\n[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n");
    IniFile ini(dir.file("a.ini"));
    ini.edit([](platform::IniEdit& e) {
        e.writeInt("a", "Z", e.readInt("A", "X", 0) + 1);
        e.eraseSection("B");
        e.addSection("C");
        e.writeBool("C", "ON", true);
        EXPECT_EQ(e.keys("A"), (std::vector<std::string>{"X", "Z"}));
    });
    EXPECT_EQ(dir.read("a.ini"), "; kept\r\n[A]\r\nX=1\r\nZ=2\r\n\r\n[C]\r\nON=1\r\n");
    // Keys put into or taken from one section move the sections after it.
    dir.write("b.ini", "[B]\r\nX=1\r\n[A]\r\nY=1\r\n[C]\r\n");
    IniFile(dir.file("b.ini")).edit([](platform::IniEdit& e) {
        e.writeString("A", "Y", "2");
        e.writeString("B", "Z", "3");
        e.writeString("A", "Y", "4");
        e.writeString("C", "W", "5");
        e.eraseKey("B", "X");
        e.writeString("C", "W", "6");
        e.eraseSection("B");
        e.writeString("a", "V", "7");
        e.eraseSection("C");
        e.writeString("c", "U", "8");
    });
    EXPECT_EQ(dir.read("b.ini"), "[A]\r\nY=4\r\nV=7\r\n[c]\r\nU=8\r\n");
    // A change that fails half-way writes nothing.
    EXPECT_THROW(ini.edit([](platform::IniEdit& e) {
        e.writeString("A", "X", "changed");
        throw std::runtime_error("stop");
    }), std::runtime_error);
    EXPECT_EQ(ini.readString("A", "X"), "1");
}

TEST(IniFile, ProgramsWritingAtOnceLoseNoKey)
{
    TempFolder dir;
    dir.write("a.ini", "[KEEP]\r\nME=1\r\n");
    const std::string path = dir.file("a.ini");
    constexpr int Writers = 3, Keys = 300;
    testsupport::runTogether(Writers, [&](int writer) {
        IniFile ini(path);
        for (int k = 0; k < Keys; ++k)
            ini.writeInt("W" + std::to_string(writer), "K" + std::to_string(k), k);
    });
    IniFile ini(path);
    EXPECT_EQ(ini.readString("KEEP", "ME"), "1");
    for (int w = 0; w < Writers; ++w)
        EXPECT_EQ(ini.keys("W" + std::to_string(w)).size(), static_cast<std::size_t>(Keys)) << "writer " << w;
    EXPECT_TRUE(platform::fileExists(path + ".lck")); // the lock file stays for the next save
}

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// The text of the IniWriteError a save throws, or "" when it was made.
std::string saveError(const std::function<void()>& save)
{
    try {
        save();
    } catch (const platform::IniWriteError& e) {
        return e.what();
    }
    return {};
}

} // namespace

// Another user of a shared program folder plants something under the lock file's name:
// the file a link points at keeps its bytes and mode (a dangling one stays dangling), an
// own lock file keeps the mode its owner gave it, and the save is made; a FIFO is named as
// the file in the way, at once.
TEST(IniFile, WhatStandsUnderTheLockFilesNameIsNeverFollowedNorChanged)
{
    struct Planted {
        const char* name;
        std::function<void(const TempFolder&)> plant;
        bool saved;
    };
    const Planted cases[] = {
        {"link to a private file", [](const TempFolder& d) {
             d.write("notes", "mine\n");
             ::chmod(d.file("notes").c_str(), 0600);
             ::symlink("notes", d.file("MRW2013.INI.lck").c_str());
         }, true},
        {"dangling link", [](const TempFolder& d) { ::symlink("notes", d.file("MRW2013.INI.lck").c_str()); }, true},
        {"own lock file of mode 0600", [](const TempFolder& d) {
             d.write("MRW2013.INI.lck", "");
             ::chmod(d.file("MRW2013.INI.lck").c_str(), 0600);
         }, true},
        {"FIFO", [](const TempFolder& d) { ::mkfifo(d.file("MRW2013.INI.lck").c_str(), 0644); }, false},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        c.plant(dir);
        const mode_t notesMode = modeOf(dir.file("notes"));
        const std::string error = saveError([&] { IniFile(dir.file("MRW2013.INI")).writeString("S", "K", "V"); });
        if (c.saved) {
            EXPECT_EQ(error, "");
            EXPECT_EQ(dir.read("MRW2013.INI"), "[S]\r\nK=V\r\n");
        } else {
            EXPECT_NE(error.find(dir.file("MRW2013.INI.lck") + " is in the way"), std::string::npos) << error;
            EXPECT_FALSE(platform::fileExists(dir.file("MRW2013.INI")));
        }
        EXPECT_EQ(modeOf(dir.file("notes")), notesMode);
        if (notesMode != 0) {
            EXPECT_EQ(dir.read("notes"), "mine\n");
        }
        if (std::string(c.name) == "own lock file of mode 0600") {
            EXPECT_EQ(modeOf(dir.file("MRW2013.INI.lck")) & 07777, 0600u);
        }
    }

    // In a folder where only a file's owner may remove it (mode 1777), another user's link
    // stays: the save names it as the file in the way.
    if (!testsupport::runningAsRoot())
        return; // the link must be another user's
    TempFolder dir;
    ::chmod(dir.path().c_str(), 01777);
    ASSERT_EQ(::symlink("notes", dir.file("MRW2013.INI.lck").c_str()), 0);
    const std::string error = testsupport::asOrdinaryUser(
        [&] { return saveError([&] { IniFile(dir.file("MRW2013.INI")).writeString("S", "K", "V"); }); });
    EXPECT_EQ(error, "Unable to write to " + dir.file("MRW2013.INI") + ": " + dir.file("MRW2013.INI.lck") +
                         " is in the way: a link that cannot be removed");
    EXPECT_FALSE(platform::fileExists(dir.file("notes")));
    EXPECT_FALSE(platform::fileExists(dir.file("MRW2013.INI")));
}

// A new settings file and its lock file get the usual mode of a new file.
TEST(IniFile, ANewFileGetsTheUsualMode)
{
    TempFolder dir;
    const mode_t mask = ::umask(022);
    IniFile(dir.file("a.ini")).writeString("S", "K", "V");
    ::umask(mask);
    EXPECT_EQ(modeOf(dir.file("a.ini")) & 07777, 0644u);
    EXPECT_EQ(modeOf(dir.file("a.ini.lck")) & 07777, 0644u);
}

namespace {

// `flock -s` on a lock file, run by a user who may only read it, held until release().
class SharedLockHolder {
public:
    explicit SharedLockHolder(const std::string& lockFile)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            if (testsupport::runningAsRoot() &&
                (::setgid(testsupport::NobodyId) != 0 || ::setuid(testsupport::NobodyId) != 0))
                ::_exit(126);
            ::execlp("flock", "flock", "-s", lockFile.c_str(), "sh", "-c", "echo held; exec cat >/dev/null",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_input = in[1];
        char c = 0;
        m_held = m_pid > 0 && ::read(out[0], &c, 1) == 1;
        ::close(out[0]);
    }
    ~SharedLockHolder() { release(); }
    bool held() const { return m_held; }
    void release()
    {
        if (m_input >= 0)
            ::close(m_input); // cat ends, and flock with it
        m_input = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_input = -1;
    bool m_held = false;
};

} // namespace

// A user who may only read the file holds its lock (flock -s): a save waits a bounded
// time, then says which file is locked and writes nothing; once the lock goes it is made.
TEST(IniFile, ASaveGivesUpOnALockHeldByAnotherProgram)
{
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0755);
    dir.write("WPOSTS.INI", "[S]\r\nK=1\r\n");
    const std::string lockName = dir.file("WPOSTS.INI.lck");
    IniFile ini(dir.file("WPOSTS.INI"));
    ini.writeString("S", "K", "1"); // the lock file as a save leaves it
    SharedLockHolder holder(lockName);
    ASSERT_TRUE(holder.held());
    platform::setIniLockWait(std::chrono::milliseconds(200));
    const std::string error = saveError([&] { ini.writeString("S", "K", "2"); });
    EXPECT_EQ(error, "Unable to write to " + dir.file("WPOSTS.INI") + ": " + lockName +
                         " is locked by another program; settings kept in memory only");
    EXPECT_EQ(dir.read("WPOSTS.INI"), "[S]\r\nK=1\r\n");
    holder.release();
    EXPECT_EQ(saveError([&] { ini.writeString("S", "K", "2"); }), "");
    platform::setIniLockWait(platform::DefaultIniLockWait);
    EXPECT_EQ(dir.read("WPOSTS.INI"), "[S]\r\nK=2\r\n");
}

// A save that cannot be made says why: a folder the user may not write (for the lock file or
// for a new file), a lock file the user may not open, a full disk.
TEST(IniFile, AFailedSaveNamesItsReason)
{
    struct Case {
        const char* name;
        std::function<void(const TempFolder&)> prepare;
        std::string reason; // after "Unable to write to <file>: "; <dir> stands for the folder
        bool anotherUsersFile;
    };
    const Case cases[] = {
        {"read-only folder", [](const TempFolder& d) { ::chmod(d.path().c_str(), 0555); },
         "its folder <dir> may not be written", false},
        {"read-only folder with a lock file, new file", [](const TempFolder& d) {
             d.write("a.ini.lck", "");
             ::unlink(d.file("a.ini").c_str());
             ::chmod(d.path().c_str(), 0555);
         }, "its folder <dir> may not be written", false},
        {"another user's private lock file", [](const TempFolder& d) {
             d.write("a.ini.lck", "");
             ::chmod(d.file("a.ini.lck").c_str(), 0600);
             ::chmod(d.path().c_str(), 0777);
         }, "its lock file <dir>/a.ini.lck cannot be opened (Permission denied)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.anotherUsersFile && !testsupport::runningAsRoot())
            continue; // only root makes a file of another user
        TempFolder dir;
        dir.write("a.ini", "[S]\r\nK=1\r\n");
        ::chmod(dir.file("a.ini").c_str(), 0666);
        c.prepare(dir);
        std::string reason = c.reason;
        const std::string folder = dir.path().substr(0, dir.path().size() - 1);
        reason.replace(reason.find("<dir>"), 5, folder);
        const std::string error = testsupport::asOrdinaryUser(
            [&] { return saveError([&] { IniFile(dir.file("a.ini")).writeString("S", "K", "2"); }); });
        ::chmod(dir.path().c_str(), 0700);
        EXPECT_EQ(error, "Unable to write to " + dir.file("a.ini") + ": " + reason);
        if (platform::fileExists(dir.file("a.ini"))) {
            EXPECT_EQ(dir.read("a.ini"), "[S]\r\nK=1\r\n");
        }
    }

    // A full disk, as a file size limit gives it.
    TempFolder dir;
    dir.write("a.ini", "[S]\r\nK=1\r\n");
    const std::string error = [&] {
        testsupport::FileSizeLimit full(16);
        return saveError([&] { IniFile(dir.file("a.ini")).writeString("S", "K", std::string(100, 'x')); });
    }();
    EXPECT_EQ(error.rfind("Unable to write to " + dir.file("a.ini") + ": the disk is full", 0), 0u) << error;
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nK=1\r\n");
}
