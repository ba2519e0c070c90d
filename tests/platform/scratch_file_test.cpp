#include "platform/linestream.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempFolder;

namespace {

std::string contentOf(const std::string& path)
{
    return platform::readFileBytes(path).value_or("<unreadable>");
}

bool isLink(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

// Another user of the folder plants a link (or a file of theirs) under a scratch name:
// making the scratch file leaves what the link points at, and a dangling link's target,
// as they were.
TEST(ScratchFile, APlantedLinkIsReplacedNeverFollowed)
{
    TempFolder dir;
    dir.write("notes", "SECRET\r\n");
    ::chmod(dir.file("notes").c_str(), 0600);
    std::filesystem::create_symlink(dir.file("notes"), dir.file("VORK.MOT"));
    std::filesystem::create_symlink(dir.file("nowhere"), dir.file("DVW.DI~"));
    dir.write("NCCODE.DAT", "ANOTHER RUN'S LISTING\r\n");

    for (const char* name : {"VORK.MOT", "DVW.DI~", "NCCODE.DAT"}) {
        std::FILE* f = platform::createScratchStream(dir.file(name));
        ASSERT_NE(f, nullptr) << name;
        std::fputs("OURS", f);
        std::fclose(f);
        EXPECT_FALSE(isLink(dir.file(name))) << name;
        EXPECT_EQ(contentOf(dir.file(name)), "OURS") << name;
    }
    EXPECT_EQ(contentOf(dir.file("notes")), "SECRET\r\n");
    struct stat st{};
    ASSERT_EQ(::stat(dir.file("notes").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere")));

    // The line writer that the listings and display file use makes its files the same way.
    std::filesystem::create_symlink(dir.file("notes"), dir.file("O1000.SUB"));
    platform::LineWriter writer;
    ASSERT_TRUE(writer.create(dir.file("O1000.SUB")));
    writer.writeLine("G01 X1.");
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(contentOf(dir.file("notes")), "SECRET\r\n");
    EXPECT_EQ(contentOf(dir.file("O1000.SUB")), "G01 X1.\r\n");
}

TEST(ScratchFile, AppendingAndReadingBackNeverGoThroughALink)
{
    TempFolder dir;
    dir.write("notes", "SECRET\r\n");
    std::filesystem::create_symlink(dir.file("notes"), dir.file("NCCODE.DAT"));

    platform::LineWriter writer;
    EXPECT_FALSE(writer.openAppend(dir.file("NCCODE.DAT")));
    EXPECT_EQ(platform::openScratchStream(dir.file("NCCODE.DAT")), nullptr);
    EXPECT_EQ(contentOf(dir.file("notes")), "SECRET\r\n");

    // Our own file reads back.
    std::FILE* made = platform::createScratchStream(dir.file("VORK.MOT"));
    ASSERT_NE(made, nullptr);
    std::fclose(made);
    std::FILE* again = platform::openScratchStream(dir.file("VORK.MOT"));
    EXPECT_NE(again, nullptr);
    if (again)
        std::fclose(again);
}

// A FIFO or a device named as a file to read is refused at once, never opened in a way
// that waits for a writer.
TEST(ScratchFile, AFifoOrDeviceIsRefusedWithoutBlocking)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("PIPE.TAP").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("ZERO.TAP"));
    dir.write("REAL.TAP", "%\r\n");

    for (const char* name : {"PIPE.TAP", "ZERO.TAP"}) {
        const std::string path = dir.file(name);
        EXPECT_EQ(platform::fileKind(path), platform::FileKind::NotRegular) << name;
        std::string error;
        EXPECT_EQ(platform::openRegularFile(path, &error), nullptr) << name;
        EXPECT_EQ(error, platform::notRegularFileText(path));
        EXPECT_FALSE(platform::readFileBytes(path)) << name;
        platform::LineReader reader;
        EXPECT_FALSE(reader.open(path)) << name;
    }
    EXPECT_EQ(platform::fileKind(dir.file("REAL.TAP")), platform::FileKind::Regular);
    EXPECT_EQ(platform::fileKind(dir.file("NONE.TAP")), platform::FileKind::Missing);
    EXPECT_EQ(platform::fileKind(dir.path()), platform::FileKind::NotRegular);
    EXPECT_EQ(contentOf(dir.file("REAL.TAP")), "%\r\n");

    // Nor is a device or folder ever taken away to make a scratch file in its place.
    std::string error;
    EXPECT_EQ(platform::createScratchFile("/dev/null", &error), -1);
    EXPECT_EQ(error, platform::notRegularFileText("/dev/null"));
    EXPECT_EQ(platform::fileKind("/dev/null"), platform::FileKind::NotRegular);
    std::filesystem::create_directory(dir.file("VORK.MOT"));
    EXPECT_EQ(platform::createScratchFile(dir.file("VORK.MOT")), -1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("VORK.MOT")));
    // A FIFO planted under a scratch name is only a name: it goes.
    ASSERT_EQ(::mkfifo(dir.file("DVW.DI~").c_str(), 0644), 0);
    const int fd = platform::createScratchFile(dir.file("DVW.DI~"));
    EXPECT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(platform::fileKind(dir.file("DVW.DI~")), platform::FileKind::Regular);
}
