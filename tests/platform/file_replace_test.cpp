#include "platform/file_replace.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::FileSizeLimit;
using testsupport::TempFolder;

namespace {

struct stat statOf(const std::string& path)
{
    struct stat st{};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

platform::ReplaceOptions withBackup()
{
    platform::ReplaceOptions options;
    options.backupExtension = ".BAK";
    return options;
}

// A pid that no process has: a child that has ended and been reaped.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST(FileReplace, ReplacedFileKeepsItsModeAndTheBackupHoldsTheOldText)
{
    for (const mode_t mode : {0600, 0640, 0755, 0664}) {
        TempFolder dir;
        dir.write("P.TAP", "OLD\r\n");
        ::chmod(dir.file("P.TAP").c_str(), mode);
        const ino_t oldInode = statOf(dir.file("P.TAP")).st_ino;
        const auto result = platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup());
        ASSERT_TRUE(result) << result.error;
        EXPECT_EQ(dir.read("P.TAP"), "NEW\r\n");
        EXPECT_EQ(statOf(dir.file("P.TAP")).st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(dir.read("P.BAK"), "OLD\r\n");
        // The backup is the old file itself, mode and all.
        EXPECT_EQ(statOf(dir.file("P.BAK")).st_ino, oldInode);
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"P.BAK", "P.TAP"}));
    }
}

TEST(FileReplace, AFileTheUserMayNotWriteIsRefused)
{
    TempFolder dir;
    dir.write("P.TAP", "OLD\r\n");
    ::chmod(dir.file("P.TAP").c_str(), 0444);
    // Refused for root as well: the owner's write bit is what the user set.
    for (const bool ordinaryUser : {false, true}) {
        if (ordinaryUser)
            ::chmod(dir.path().c_str(), 0777); // the folder would allow a rename over the file
        const auto result = ordinaryUser ? testsupport::asOrdinaryUser([&] {
            return platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup());
        })
                                         : platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup());
        EXPECT_EQ(result.status, platform::ReplaceResult::Status::WriteProtected);
        EXPECT_EQ(result.error, "File [" + dir.file("P.TAP") + "] Is Write-Protected and Was Not Replaced");
        EXPECT_EQ(statOf(dir.file("P.TAP")).st_mode & 07777, 0444u);
        EXPECT_EQ(dir.read("P.TAP"), "OLD\r\n");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"P.TAP"});
    }
}

TEST(FileReplace, AnotherUsersFileStaysTheirs)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to make a file of another user";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);
    // Root's file, which nobody may not write, in a folder where nobody may rename.
    dir.write("ROOT.TAP", "ROOT'S\r\n");
    ::chmod(dir.file("ROOT.TAP").c_str(), 0644);
    const auto refused = testsupport::asOrdinaryUser(
        [&] { return platform::replaceFile(dir.file("ROOT.TAP"), "NOBODY'S\r\n", withBackup()); });
    EXPECT_EQ(refused.status, platform::ReplaceResult::Status::WriteProtected);
    EXPECT_EQ(dir.read("ROOT.TAP"), "ROOT'S\r\n");
    EXPECT_EQ(statOf(dir.file("ROOT.TAP")).st_uid, 0u);

    // Root saving a user's file keeps its owner and group.
    dir.write("USER.TAP", "OLD\r\n");
    ::chmod(dir.file("USER.TAP").c_str(), 0640);
    ASSERT_EQ(::chown(dir.file("USER.TAP").c_str(), testsupport::NobodyId, testsupport::NobodyId), 0);
    ASSERT_TRUE(platform::replaceFile(dir.file("USER.TAP"), "NEW\r\n"));
    const struct stat st = statOf(dir.file("USER.TAP"));
    EXPECT_EQ(st.st_uid, testsupport::NobodyId);
    EXPECT_EQ(st.st_gid, testsupport::NobodyId);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(FileReplace, ALinkIsFollowedAndItsTargetReplaced)
{
    TempFolder dir;
    ASSERT_EQ(::mkdir(dir.file("real").c_str(), 0755), 0);
    dir.write("real/P.TAP", "OLD\r\n");
    ::chmod(dir.file("real/P.TAP").c_str(), 0600);
    // A relative link to a link to the file.
    ASSERT_EQ(::symlink("real/P.TAP", dir.file("HOP.TAP").c_str()), 0);
    ASSERT_EQ(::symlink("HOP.TAP", dir.file("P.TAP").c_str()), 0);
    EXPECT_EQ(platform::replacementTarget(dir.file("P.TAP")), dir.file("real/P.TAP"));

    const auto result = platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup());
    ASSERT_TRUE(result) << result.error;
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("P.TAP")).st_mode));
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("HOP.TAP")).st_mode));
    EXPECT_EQ(dir.read("real/P.TAP"), "NEW\r\n");
    EXPECT_EQ(statOf(dir.file("real/P.TAP")).st_mode & 07777, 0600u);
    // The backup and every temporary file belong beside the target.
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"HOP.TAP", "P.TAP", "real"}));
    EXPECT_EQ(namesIn(dir.file("real")), (std::vector<std::string>{"P.BAK", "P.TAP"}));
    EXPECT_EQ(dir.read("real/P.BAK"), "OLD\r\n");

    // A link whose target is not there yet makes it.
    ASSERT_EQ(::symlink("real/NEW.TAP", dir.file("NEW.TAP").c_str()), 0);
    ASSERT_TRUE(platform::replaceFile(dir.file("NEW.TAP"), "N\r\n", withBackup()));
    EXPECT_TRUE(S_ISLNK(statOf(dir.file("NEW.TAP")).st_mode));
    EXPECT_EQ(dir.read("real/NEW.TAP"), "N\r\n");
}

// What a save cut off by a kill leaves is named <file>.~<pid>-<six letters>.mrwtmp. The
// next save of that file removes such leftovers of its own user's ended processes, and
// nothing else: the user's own files with look-alike names stay.
TEST(FileReplace, OnlyLeftoversOfThisFilesEndedSavesAreRemoved)
{
    TempFolder dir;
    const std::string ended = std::to_string(endedProcess());
    const std::string running = std::to_string(::getpid());
    const std::vector<std::string> stale = {"A.TAP.~" + ended + "-aB3xYz.mrwtmp", "A.TAP.~" + ended + "-000000.mrwtmp",
                                            "BRACKET.TAP.~" + ended + "-Qw9zzz.mrwtmp"};
    const std::vector<std::string> kept = {
        "BRACKET.TAP.~99123100", "PROGRAM.NC.~new99", "A.TAP.~new" + ended, "A.TAP.~" + ended + "aB3xYz",
        "A.TAP.~" + ended + "backup", "A.TAP.~" + running + "-aB3xYz.mrwtmp", // a save that still runs
        "B.TAP.~" + ended + "-aB3xYz.mrwtmp",                                 // another file's
        "XA.TAP.~" + ended + "-aB3xYz.mrwtmp", "A.TAP.~" + ended + "-aB3xY.mrwtmp",
        "A.TAP.~" + ended + "-aB3x_z.mrwtmp", "A.TAP.~" + ended + "-aB3xYz.mrwtmp.1", "A.TAP.~" + ended + "aB3xYz.mrwtmp",
        "A.TAP.~0" + ended + "-aB3xYz.mrwtmp", "A.TAP.~-aB3xYz.mrwtmp", ".~" + ended + "-aB3xYz.mrwtmp", "NOTES.~UP",
        "DV.TMP", ".A.TAP.aB3xYz", "A.TAP~", "#A.TAP#", "A.TAP.~UP"}; // other programs' leftovers
    for (const auto& name : stale)
        dir.write(name, std::string(1000, 'X'));
    for (const auto& name : kept)
        dir.write(name, "keep");
    // A leftover of the right shape that another user's save left is theirs to remove.
    const std::string othersLeftover = "A.TAP.~" + ended + "-OtHeRs.mrwtmp";
    if (testsupport::runningAsRoot()) {
        dir.write(othersLeftover, "theirs");
        ASSERT_EQ(::chown(dir.file(othersLeftover).c_str(), testsupport::NobodyId, testsupport::NobodyId), 0);
    }
    ASSERT_TRUE(platform::replaceFile(dir.file("A.TAP"), "A\r\n"));
    ASSERT_TRUE(platform::replaceFile(dir.file("BRACKET.TAP"), "B\r\n", withBackup()));
    for (const auto& name : stale)
        EXPECT_FALSE(platform::fileExists(dir.file(name))) << name;
    for (const auto& name : kept)
        EXPECT_EQ(dir.read(name), "keep") << name;
    if (testsupport::runningAsRoot()) {
        EXPECT_EQ(dir.read(othersLeftover), "theirs");
    }
    EXPECT_EQ(namesIn(dir.path()).size(), kept.size() + 2 + (testsupport::runningAsRoot() ? 1 : 0));
}

// A save cut off by a kill at any moment leaves a whole file, old or new, under the
// name, and a leftover temporary file that the next save removes.
TEST(FileReplace, AKilledBackupSaveLeavesAWholeFileUnderTheName)
{
    TempFolder dir;
    const std::string old(256 * 1024, 'O');
    const std::string fresh(256 * 1024, 'N');
    const std::string path = dir.file("P.TAP");
    std::mt19937 random(12345);
    for (int attempt = 0; attempt < 60; ++attempt) {
        dir.write("P.TAP", old);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::setsid();
            ::close(ready[0]);
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1)
                ::_exit(1);
            platform::ReplaceOptions options;
            options.backupExtension = ".BAK";
            options.durable = false;
            for (bool flip = false;; flip = !flip)
                platform::replaceFile(path, flip ? old : fresh, options);
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        ::usleep(std::uniform_int_distribution<unsigned>(0, 3000)(random)); // a random moment, not a wait
        ::kill(-child, SIGKILL);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string under = dir.read("P.TAP");
        ASSERT_TRUE(under == old || under == fresh) << "attempt " << attempt << ": " << under.size() << " bytes";
    }
    ASSERT_TRUE(platform::replaceFile(path, "END\r\n", withBackup()));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"P.BAK", "P.TAP"}));
}

// A save by a user who is not in the file's group gives the new file the user's own
// group; that group gets no more than every other user had.
TEST(FileReplace, AGroupThatCannotBeKeptGainsNoRights)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to give a file a group its owner is not in";
    constexpr gid_t OthersGroup = 4; // nobody is not in it
    const struct {
        mode_t before, after;
    } cases[] = {{0640, 0600}, {0660, 0600}, {0664, 0644}, {0644, 0644}, {0670, 0600}, {0604, 0604}};
    for (const auto& c : cases) {
        TempFolder dir;
        ::chmod(dir.path().c_str(), 0777);
        dir.write("P.TAP", "OLD\r\n");
        ASSERT_EQ(::chown(dir.file("P.TAP").c_str(), testsupport::NobodyId, OthersGroup), 0);
        ::chmod(dir.file("P.TAP").c_str(), c.before);
        const auto result = testsupport::asOrdinaryUser(
            [&] { return platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup()); });
        ASSERT_TRUE(result) << result.error;
        EXPECT_EQ(dir.read("P.TAP"), "NEW\r\n");
        const struct stat st = statOf(dir.file("P.TAP"));
        EXPECT_EQ(st.st_uid, testsupport::NobodyId);
        EXPECT_EQ(st.st_gid, testsupport::NobodyId);
        EXPECT_EQ(st.st_mode & 07777, c.after) << std::oct << c.before;
        // The backup is the old file, with its group.
        EXPECT_EQ(statOf(dir.file("P.BAK")).st_gid, OthersGroup);
    }
}

// Every name of a file with several links shows the new text: the file is written in
// place, after its backup is taken as a copy of its own.
TEST(FileReplace, AFileWithSeveralNamesIsWrittenInPlace)
{
    TempFolder dir;
    ASSERT_EQ(::mkdir(dir.file("DNC").c_str(), 0755), 0);
    dir.write("P.TAP", "OLD TEXT\r\n");
    ::chmod(dir.file("P.TAP").c_str(), 0640);
    ASSERT_EQ(::link(dir.file("P.TAP").c_str(), dir.file("DNC/P.TAP").c_str()), 0);
    const ino_t inode = statOf(dir.file("P.TAP")).st_ino;

    const auto result = platform::replaceFile(dir.file("P.TAP"), "NEW\r\n", withBackup());
    ASSERT_TRUE(result) << result.error;
    EXPECT_EQ(result.notice, "");
    EXPECT_EQ(dir.read("P.TAP"), "NEW\r\n");
    EXPECT_EQ(dir.read("DNC/P.TAP"), "NEW\r\n");
    const struct stat st = statOf(dir.file("P.TAP"));
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(st.st_nlink, 2u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.read("P.BAK"), "OLD TEXT\r\n");
    EXPECT_NE(statOf(dir.file("P.BAK")).st_ino, inode);
    EXPECT_EQ(statOf(dir.file("P.BAK")).st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"DNC", "P.BAK", "P.TAP"}));

    // A text written piece by piece, longer and then shorter than the old one; nothing
    // stands beside the file while it is written.
    for (const std::string& text : {std::string(200000, 'L'), std::string("S\r\n")}) {
        const auto before = namesIn(dir.file("DNC"));
        platform::FileReplacement replacement;
        ASSERT_TRUE(replacement.begin(dir.file("DNC/P.TAP")));
        std::string error;
        ASSERT_TRUE(replacement.append(text.substr(0, 1), error) && replacement.append(text.substr(1), error)) << error;
        EXPECT_EQ(namesIn(dir.file("DNC")), before);
        ASSERT_TRUE(replacement.commit(withBackup()));
        EXPECT_EQ(dir.read("P.TAP"), text);
        EXPECT_EQ(dir.read("DNC/P.TAP"), text);
    }
    EXPECT_EQ(dir.read("DNC/P.BAK"), std::string(200000, 'L'));
    EXPECT_EQ(statOf(dir.file("P.TAP")).st_nlink, 2u);
}

// A write in place that the file system refuses part way puts the old text back and
// says so; the backup rules hold as in any save.
TEST(FileReplace, AFailedWriteInPlacePutsTheOldTextBack)
{
    TempFolder dir;
    dir.write("P.TAP", "OLD\r\n");
    ASSERT_EQ(::link(dir.file("P.TAP").c_str(), dir.file("Q.TAP").c_str()), 0);
    platform::FileReplacement replacement;
    std::string error;
    ASSERT_TRUE(replacement.begin(dir.file("P.TAP")) && replacement.append(std::string(1000, 'N'), error)) << error;
    platform::ReplaceResult result;
    {
        FileSizeLimit limit(100);
        result = replacement.commit(withBackup());
    }
    EXPECT_EQ(result.status, platform::ReplaceResult::Status::Failed);
    EXPECT_EQ(result.error, "Cannot write " + dir.file("P.TAP") + ": File too large. Its old text was put back.");
    EXPECT_EQ(dir.read("P.TAP"), "OLD\r\n");
    EXPECT_EQ(dir.read("Q.TAP"), "OLD\r\n");
    EXPECT_EQ(dir.read("P.BAK"), "OLD\r\n");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"P.BAK", "P.TAP", "Q.TAP"}));
}

// On a full disk a file with several names keeps its old text untouched: the room for
// the new text is asked for before a byte of it is written. The disk is a small memory
// file system of a mount namespace of a child's own, gone with the child.
TEST(FileReplace, AFullDiskLeavesALinkedFileAsItWas)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to mount a small file system";
    TempFolder dir;
    const std::string disk = dir.file("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        std::string said = "no mount";
        if (::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("none", disk.c_str(), "tmpfs", 0, "size=64k") == 0) {
            const std::string p = disk + "/P.TAP", q = disk + "/Q.TAP";
            bool ready = platform::saveFileAtomic(p, "OLD\r\n") && ::link(p.c_str(), q.c_str()) == 0;
            const int fill = ::open((disk + "/FILL").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            const std::string block(4096, 'F');
            while (ready && ::write(fill, block.data(), block.size()) > 0) {
            }
            ::close(fill);
            const auto result = platform::replaceFile(p, std::string(32768, 'N'));
            said = std::to_string(static_cast<int>(result.status)) + "|" + result.error + "|" +
                   platform::readFileBytes(p).value_or("?") + "|" + platform::readFileBytes(q).value_or("?");
        }
        const bool sent = ::write(report[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(report[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    ::waitpid(child, nullptr, 0);
    if (said == "no mount")
        GTEST_SKIP() << "no small file system can be mounted here";
    EXPECT_EQ(said, std::to_string(static_cast<int>(platform::ReplaceResult::Status::Failed)) + "|Cannot write " +
                        disk + "/P.TAP: No space left on device|OLD\r\n|OLD\r\n");
}

// A program the user may write in a folder the user may not write is written in place:
// nothing new appears in the folder, a backup that cannot be made there is said, a
// failed write puts the old text back, and no message names anything but the program.
TEST(FileReplace, AProgramInAFolderTheUserMayNotWriteIsWrittenInPlace)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to make a folder of another user";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0755);
    dir.write("A.TAP", "OLD\r\n");
    ASSERT_EQ(::chown(dir.file("A.TAP").c_str(), testsupport::NobodyId, testsupport::NobodyId), 0);
    const ino_t inode = statOf(dir.file("A.TAP")).st_ino;
    testsupport::OrdinaryUserRights rights;

    const auto saved = platform::replaceFile(dir.file("A.TAP"), "NEW\r\n", withBackup());
    ASSERT_TRUE(saved) << saved.error;
    EXPECT_EQ(saved.notice, "File [" + dir.file("A.TAP") + "] Was Saved Without a Backup: Cannot create " +
                                dir.file("A.BAK") + ": Permission denied");
    EXPECT_EQ(dir.read("A.TAP"), "NEW\r\n");
    EXPECT_EQ(statOf(dir.file("A.TAP")).st_ino, inode);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"A.TAP"});

    platform::FileReplacement replacement;
    std::string error;
    ASSERT_TRUE(replacement.begin(dir.file("A.TAP")) && replacement.append(std::string(1000, 'N'), error)) << error;
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"A.TAP"});
    platform::ReplaceResult failed;
    {
        FileSizeLimit limit(100);
        failed = replacement.commit(withBackup());
    }
    EXPECT_EQ(failed.status, platform::ReplaceResult::Status::Failed);
    EXPECT_EQ(failed.error, "Cannot write " + dir.file("A.TAP") + ": File too large. Its old text was put back.");
    EXPECT_EQ(dir.read("A.TAP"), "NEW\r\n");

    // A new program cannot be made there; the message names it.
    const auto refused = platform::replaceFile(dir.file("B.TAP"), "B\r\n");
    EXPECT_EQ(refused.status, platform::ReplaceResult::Status::Failed);
    EXPECT_EQ(refused.error, "Cannot create " + dir.file("B.TAP") + ": Permission denied");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"A.TAP"});
}

// In a sticky folder (as /tmp), another user's program that the user may write is
// written in place: it stays its owner's, and no name the user cannot remove is left.
TEST(FileReplace, AnotherUsersProgramInAStickyFolderIsWrittenInPlace)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to make a file of another user";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 01777);
    for (const char* name : {"S.TAP", "T.TAP", "T.BAK"}) {
        dir.write(name, std::string(name) + " OLD\r\n");
        ::chmod(dir.file(name).c_str(), 0666);
    }
    // The backup goes beside it where the user may put it; where another user's backup
    // stands, the save goes on without one and says so.
    const auto [s, t] = testsupport::asOrdinaryUser([&] {
        return std::pair{platform::replaceFile(dir.file("S.TAP"), "S NEW\r\n", withBackup()),
                         platform::replaceFile(dir.file("T.TAP"), "T NEW\r\n", withBackup())};
    });
    ASSERT_TRUE(s) << s.error;
    EXPECT_EQ(s.notice, "");
    ASSERT_TRUE(t) << t.error;
    EXPECT_EQ(t.notice, "File [" + dir.file("T.TAP") + "] Was Saved Without a Backup: Cannot replace " +
                            dir.file("T.BAK") + ": Operation not permitted");
    for (const char* name : {"S", "T"}) {
        const std::string program = std::string(name) + ".TAP";
        EXPECT_EQ(dir.read(program), std::string(name) + " NEW\r\n");
        EXPECT_EQ(statOf(dir.file(program)).st_uid, 0u);
        EXPECT_EQ(statOf(dir.file(program)).st_mode & 07777, 0666u);
    }
    EXPECT_EQ(dir.read("S.BAK"), "S.TAP OLD\r\n");
    EXPECT_EQ(statOf(dir.file("S.BAK")).st_uid, testsupport::NobodyId);
    EXPECT_EQ(dir.read("T.BAK"), "T.BAK OLD\r\n");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"S.BAK", "S.TAP", "T.BAK", "T.TAP"}));
}

// A new file gets the usual mode of a new file: what the user's umask leaves of 0666.
TEST(FileReplace, ANewFileGetsTheUsualMode)
{
    const struct {
        mode_t umask, mode;
    } cases[] = {{022, 0644}, {077, 0600}, {002, 0664}};
    for (const auto& c : cases) {
        TempFolder dir;
        const mode_t before = ::umask(c.umask);
        const auto result = platform::replaceFile(dir.file("N.TAP"), "N\r\n", withBackup());
        platform::FileReplacement replacement;
        std::string error;
        const bool begun = replacement.begin(dir.file("M.TAP")) && replacement.append("M\r\n", error);
        ::umask(before);
        ASSERT_TRUE(result) << result.error;
        ASSERT_TRUE(begun && replacement.commit()) << error;
        EXPECT_EQ(statOf(dir.file("N.TAP")).st_mode & 07777, c.mode) << std::oct << c.umask;
        EXPECT_EQ(statOf(dir.file("M.TAP")).st_mode & 07777, c.mode) << std::oct << c.umask;
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"M.TAP", "N.TAP"}));
    }
}

// A name that stands for a FIFO or a folder, itself or through a link, is refused with
// the message for a name that is no file, and left as it was. A reader holds the FIFO
// open so that a save that did write into it would not hang this test.
TEST(FileReplace, ANameThatIsNoFileIsRefused)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("FIFO.TAP").c_str(), 0666), 0);
    const int reader = ::open(dir.file("FIFO.TAP").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::symlink("FIFO.TAP", dir.file("LINK.TAP").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("DIR.TAP").c_str(), 0755), 0);
    for (const char* name : {"FIFO.TAP", "LINK.TAP", "DIR.TAP"}) {
        const auto saved = platform::replaceFile(dir.file(name), "NEW\r\n", withBackup());
        EXPECT_EQ(saved.status, platform::ReplaceResult::Status::Failed) << name;
        EXPECT_EQ(saved.error, platform::notRegularFileText(dir.file(name)));
        platform::FileReplacement replacement;
        const auto begun = replacement.begin(dir.file(name));
        EXPECT_EQ(begun.status, platform::ReplaceResult::Status::Failed) << name;
        EXPECT_EQ(begun.error, platform::notRegularFileText(dir.file(name)));
        EXPECT_EQ(replacement.descriptor(), -1);
    }
    char byte = 0;
    EXPECT_EQ(::read(reader, &byte, 1), 0) << "something was written into the FIFO";
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(statOf(dir.file("FIFO.TAP")).st_mode));
    EXPECT_TRUE(S_ISDIR(statOf(dir.file("DIR.TAP")).st_mode));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"DIR.TAP", "FIFO.TAP", "LINK.TAP"}));
}
