#include "platform/work_folder.h"

#include "platform/paths.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <memory>

TEST(WorkFolder, ASecondCopyWorksInAFolderOfItsOwnRemovedAfterwards)
{
    testsupport::TempFolder program;
    platform::WorkFolder first(program.path(), "VORK.LCK");
    EXPECT_EQ(first.path(), program.path());
    EXPECT_FALSE(first.isPrivate());

    std::string secondPath;
    {
        platform::WorkFolder second(program.path(), "VORK.LCK");
        secondPath = second.path();
        EXPECT_TRUE(second.isPrivate());
        EXPECT_NE(secondPath, program.path());
        EXPECT_TRUE(platform::folderExists(secondPath));
    }
    EXPECT_FALSE(platform::folderExists(secondPath));
    EXPECT_TRUE(platform::folderExists(program.path())); // the shared folder stays

    auto third = std::make_unique<platform::WorkFolder>(program.path(), "OTHER.LCK");
    EXPECT_FALSE(third->isPrivate()); // another lock name is another program
}

TEST(WorkFolder, TheFolderIsFreeAgainOnceTheFirstCopyEnds)
{
    testsupport::TempFolder program;
    {
        platform::WorkFolder first(program.path(), "VORK.LCK");
    }
    platform::WorkFolder next(program.path(), "VORK.LCK");
    EXPECT_FALSE(next.isPrivate());
}
