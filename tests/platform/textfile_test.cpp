#include "platform/paths.h"
#include "platform/textfile.h"
#include "support/file_size_limit.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

using testsupport::TempFolder;

TEST(TextFile, SplitsEveryLineEnd)
{
    using V = std::vector<std::string>;
    struct Case { std::string bytes; V lines; };
    const Case cases[] = {
        {"", V{}},
        {"A\r\nB\r\n", V{"A", "B"}},
        {"A\nB", V{"A", "B"}},
        {"A\rB\r", V{"A", "B"}},
        {"A\r\n\r\nB", V{"A", "", "B"}},
        {"\n", V{""}},
        {std::string("N\0L\xE9\r\n", 6), V{std::string("N\0L\xE9", 4)}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::splitLines(c.bytes), c.lines);
}

TEST(TextFile, WritesCrLfThroughATemporaryFile)
{
    TempFolder dir;
    ASSERT_TRUE(platform::saveTextLinesAtomic(dir.file("p.nc"), {"%", "G01 X1.\xB0", ""}));
    EXPECT_EQ(dir.read("p.nc"), "%\r\nG01 X1.\xB0\r\n\r\n");
    EXPECT_EQ(platform::readTextLines(dir.file("p.nc")).value(),
              (std::vector<std::string>{"%", "G01 X1.\xB0", ""}));
}

TEST(TextFile, FailedSaveLeavesTheOldFileWhole)
{
    // A file-size limit makes the write fail part way, as a full disk would, even for root.
    TempFolder dir;
    dir.write("p.nc", "OLD\r\n");
    std::string error;
    const bool saved_ok = [&] {
        testsupport::FileSizeLimit full(4);
        return platform::saveFileAtomic(dir.file("p.nc"), std::string(100, 'N'), &error);
    }();
    EXPECT_FALSE(saved_ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir.read("p.nc"), "OLD\r\n");
    // No temporary file is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

TEST(TextFile, FailedSaveIntoAMissingFolderReportsIt)
{
    TempFolder dir;
    std::string error;
    EXPECT_FALSE(platform::saveFileAtomic(dir.file("missing/p.nc"), "X", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

TEST(Paths, CaseInsensitiveLookupAndSeparators)
{
    TempFolder dir;
    ::mkdir(dir.file("Progs").c_str(), 0755);
    dir.write("Progs/O1001.tap", "x");
    EXPECT_EQ(platform::resolveCaseInsensitive(dir.path() + "PROGS\\o1001.TAP"), dir.file("Progs/O1001.tap"));
    EXPECT_EQ(platform::resolveCaseInsensitive(dir.path() + "progs/NEW.TAP"), dir.path() + "progs/NEW.TAP");
    EXPECT_TRUE(platform::fileExists(platform::resolveCaseInsensitive(dir.file("progs/o1001.tap"))));
}

TEST(Paths, NamePartsTreatBothSeparatorsAlike)
{
    EXPECT_EQ(platform::fileNamePart("c:\\HALVEN\\PART1.TAP"), "PART1.TAP");
    EXPECT_EQ(platform::folderPart("c:\\HALVEN/x\\PART1.TAP"), "c:\\HALVEN/x\\");
    EXPECT_EQ(platform::fileExtension("/a.b/PART1"), "");
    EXPECT_EQ(platform::changeFileExtension("/jobs.2024/PART1", ".DIF"), "/jobs.2024/PART1.DIF");
    EXPECT_EQ(platform::changeFileExtension("\\x\\PART1.TAP", ".OPF"), "\\x\\PART1.OPF");
    EXPECT_EQ(platform::joinPath("c:\\HALVEN\\", "P.TAP"), "c:\\HALVEN\\P.TAP");
    EXPECT_EQ(platform::joinPath("/a", "P.TAP"), "/a/P.TAP");
    EXPECT_EQ(platform::joinPath("", "P.TAP"), "P.TAP");
}
