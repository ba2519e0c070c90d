#include "workspace/engine/recent_files.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

using mrw::RecentFiles;
using mrw::UntitledNumbers;

TEST(RecentFiles, AddMovesANameToTheFrontAndKeepsTwelve)
{
    RecentFiles mru;
    for (int i = 0; i < 14; ++i)
        mru.add("F" + std::to_string(i));
    EXPECT_EQ(mru.entry(0), "F13");
    EXPECT_EQ(mru.entry(11), "F2");
    ASSERT_EQ(mru.entry(5), "F8");
    mru.add("F8");
    EXPECT_EQ(mru.entry(0), "F8");
    EXPECT_EQ(mru.entry(1), "F13");
    EXPECT_EQ(mru.entry(5), "F9");
    EXPECT_EQ(mru.entry(6), "F7");
    EXPECT_EQ(mru.entry(11), "F2");
}

TEST(RecentFiles, FewNamesLeaveEmptyEntriesAndDuplicatesGo)
{
    RecentFiles mru;
    mru.add("A");
    mru.add("B");
    mru.add("A");
    EXPECT_EQ(mru.entry(0), "A");
    EXPECT_EQ(mru.entry(1), "B");
    EXPECT_EQ(mru.entry(2), "");
    EXPECT_EQ(mru.entry(11), "");
}

TEST(RecentFiles, SectionMruRoundTrip)
{
    testsupport::TempFolder dir;
    dir.write("MRW2013.INI", "[MRU]\r\n0=/nc/O1001.TAP\r\n1=C:\\HALVEN\\FACE.TAP\r\n3=/nc/x.tap\r\n");
    platform::IniFile ini(dir.file("MRW2013.INI"));
    RecentFiles mru;
    mru.load(ini);
    EXPECT_EQ(mru.entry(1), "C:\\HALVEN\\FACE.TAP");
    EXPECT_EQ(mru.entry(2), "");
    EXPECT_EQ(mru.entry(3), "/nc/x.tap");
    mru.add("/nc/new.tap");
    mru.save(ini);
    RecentFiles back;
    back.load(ini);
    EXPECT_EQ(back.entries(), mru.entries());
    EXPECT_EQ(ini.readString("MRU", "11"), "");
    EXPECT_TRUE(ini.hasKey("MRU", "11"));
}

TEST(RecentFiles, MenuCaptions)
{
    EXPECT_EQ(RecentFiles::menuCaption(0, "A.TAP"), "&1 A.TAP");
    EXPECT_EQ(RecentFiles::menuCaption(8, "A.TAP"), "&9 A.TAP");
    EXPECT_EQ(RecentFiles::menuCaption(9, "A.TAP"), "1&0 A.TAP");
    EXPECT_EQ(RecentFiles::menuCaption(10, "A.TAP"), "&11 A.TAP");
    EXPECT_EQ(RecentFiles::menuCaption(11, "A.TAP"), "&12 A.TAP");
}

TEST(UntitledNumbers, SmallestFreeNumberIsReused)
{
    UntitledNumbers numbers;
    EXPECT_EQ(numbers.take(), 1);
    EXPECT_EQ(numbers.take(), 2);
    EXPECT_EQ(numbers.take(), 3);
    numbers.release(1);
    EXPECT_EQ(numbers.take(), 1);
    numbers.release(2);
    EXPECT_FALSE(numbers.inUse(2));
    EXPECT_EQ(numbers.take(), 2);
    EXPECT_EQ(numbers.take(), 4);
    EXPECT_EQ(UntitledNumbers::caption(4), "NONAME4");
}

TEST(UntitledNumbers, AllInUseGivesNone)
{
    UntitledNumbers numbers;
    for (int i = 1; i <= 255; ++i)
        ASSERT_EQ(numbers.take(), i);
    EXPECT_EQ(numbers.take(), 0);
    numbers.release(0);
    numbers.release(300);
    numbers.release(17);
    EXPECT_EQ(numbers.take(), 17);
}
