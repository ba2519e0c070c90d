#include "platform/stored_path.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testsupport::TempFolder;

TEST(StoredPath, ReadsEveryFormShopsStore)
{
    const platform::DriveLookup drives = [](char letter) {
        if (letter == 'D')
            return std::string("/srv/nc");
        if (letter == 'E')
            return std::string("E-DRIVE");
        return std::string();
    };
    const std::string program = "/opt/mrw/";
    struct Case { const char* stored; const char* resolved; };
    const Case cases[] = {
        {"C:\\HALVEN", "/opt/mrw/HALVEN"},
        {"c:\\HALVEN\\", "/opt/mrw/HALVEN/"},
        {"\\HALVEN", "/opt/mrw/HALVEN"},
        {"D:\\PARTS\\A.TAP", "/srv/nc/PARTS/A.TAP"},
        {"d:/PARTS/", "/srv/nc/PARTS/"},
        {"D:", "/srv/nc/"},
        {"E:\\X", "/opt/mrw/E-DRIVE/X"},
        {"/home/cnc/nc", "/home/cnc/nc"},
        {"NC\\JOBS", "/opt/mrw/NC/JOBS"},
        {"./NEWPART", "/opt/mrw/NEWPART"},
        {"..\\SHARED\\", "/opt/SHARED/"},
        {"", "/opt/mrw/"},
        {"  \\HALVEN  ", "/opt/mrw/HALVEN"},
        {"/a/./b/../c", "/a/c"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::resolveStoredPath(c.stored, program, drives), c.resolved) << c.stored;
}

TEST(StoredPath, ProgramFolderDrivesAndLetterCase)
{
    TempFolder program;
    TempFolder shop;
    std::filesystem::create_directories(program.path() + "halven");
    program.write("mrw2013.ini", "[Drives]\r\nN=" + shop.path() + "\r\n");
    setenv("MRW_PROGRAM_DIR", program.path().c_str(), 1);
    EXPECT_EQ(platform::resolveStoredPath("C:\\HALVEN\\"), program.path() + "halven/");
    EXPECT_EQ(platform::resolveStoredPath("N:\\JOBS"), shop.path() + "JOBS");
    EXPECT_TRUE(platform::sameStoredPath("./HALVEN", program.path() + "halven/"));
    EXPECT_FALSE(platform::sameStoredPath("N:\\", program.path()));
    unsetenv("MRW_PROGRAM_DIR");
}
