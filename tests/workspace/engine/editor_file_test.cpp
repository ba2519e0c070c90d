#include "workspace/engine/editor_file.h"

#include "platform/paths.h"
#include "support/temp_folder.h"
#include "support/user_rights.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempFolder;

TEST(EditorFile, LineEndsBecomeCrLfAndBytesStay)
{
    struct Case { std::string file; std::string text; std::string saved; };
    const Case cases[] = {
        {"A\r\nB\r\n", "A\r\nB\r\n", "A\r\nB\r\n"},
        {"A\nB", "A\r\nB", "A\r\nB\r\n"},
        {"A\r\n\r\n", "A\r\n\r\n", "A\r\n\r\n"},
        {"", "", ""},
        {"X\t\x12\xE9\r\n", "X\t\x12\xE9\r\n", "X\t\x12\xE9\r\n"},
        {std::string("A\0B\r\n", 5), std::string("A\0B\r\n", 5), "A B\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mrw::editorTextFromFile(c.file), c.text);
        EXPECT_EQ(mrw::fileBytesFromEditorText(c.text), c.saved);
    }
    EXPECT_EQ(mrw::withoutNuls(std::string("\t\0\x12", 3)), "\t \x12");
}

TEST(EditorFile, SaveWithBackupRenamesTheOldFile)
{
    TempFolder dir;
    dir.write("PART.TAP", "OLD\r\n");
    dir.write("PART.BAK", "OLDER\r\n");
    std::string error;
    ASSERT_TRUE(mrw::saveWithBackup(dir.file("PART.TAP"), "NEW\r\n", true, &error)) << error;
    EXPECT_EQ(dir.read("PART.TAP"), "NEW\r\n");
    EXPECT_EQ(dir.read("PART.BAK"), "OLD\r\n");

    ASSERT_TRUE(mrw::saveWithBackup(dir.file("PART.TAP"), "NEWER\r\n", false, &error)) << error;
    EXPECT_EQ(dir.read("PART.TAP"), "NEWER\r\n");
    EXPECT_EQ(dir.read("PART.BAK"), "OLD\r\n");

    // A new file has nothing to back up; a .BAK file itself is saved in place.
    ASSERT_TRUE(mrw::saveWithBackup(dir.file("NEW.TAP"), "N\r\n", true, &error));
    EXPECT_FALSE(platform::fileExists(dir.file("NEW.BAK")));
    ASSERT_TRUE(mrw::saveWithBackup(dir.file("PART.BAK"), "B\r\n", true, &error));
    EXPECT_EQ(dir.read("PART.BAK"), "B\r\n");
}

TEST(EditorFile, FailedSaveKeepsTheOldFile)
{
    TempFolder dir;
    dir.write("PART.TAP", "OLD\r\n");
    // A backup name that cannot be freed stops the save before the file is touched.
    ASSERT_EQ(::mkdir(dir.file("PART.BAK").c_str(), 0755), 0);
    dir.write("PART.BAK/keep", "x");
    std::string error;
    EXPECT_FALSE(mrw::saveWithBackup(dir.file("PART.TAP"), "NEW\r\n", true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir.read("PART.TAP"), "OLD\r\n");
    // No temporary file is left beside it.
    EXPECT_FALSE(mrw::saveWithBackup(dir.file("missing/PART.TAP"), "NEW\r\n", true, &error));
}

// The editor's save hands on what the user is to be told about a save that went through
// without its backup (a program in a folder the user may not write).
TEST(EditorFile, SaveWithoutRoomForItsBackupSaysSo)
{
    if (!testsupport::runningAsRoot())
        GTEST_SKIP() << "needs root to make a folder of another user";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0755);
    dir.write("PART.TAP", "OLD\r\n");
    ASSERT_EQ(::chown(dir.file("PART.TAP").c_str(), testsupport::NobodyId, testsupport::NobodyId), 0);
    testsupport::OrdinaryUserRights rights;
    std::string error, notice;
    ASSERT_TRUE(mrw::saveWithBackup(dir.file("PART.TAP"), "NEW\r\n", true, &error, &notice)) << error;
    EXPECT_NE(notice.find("Was Saved Without a Backup"), std::string::npos) << notice;
    EXPECT_EQ(dir.read("PART.TAP"), "NEW\r\n");
}
