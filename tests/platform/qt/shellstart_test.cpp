#include "platform/qt/shellstart.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempFolder;

TEST(ShellStart, ProgramNamesDropExeAndIgnoreCase)
{
    TempFolder dir;
    dir.write("VORK2013", "#!/bin/sh\n");
    EXPECT_EQ(platform::programPath(dir.path(), "VORK2013.EXE"), dir.file("VORK2013"));
    EXPECT_EQ(platform::programPath(dir.path(), "vork2013.exe"), dir.file("VORK2013"));
    EXPECT_EQ(platform::programPath(dir.path(), "VORK2013"), dir.file("VORK2013"));
}

TEST(ShellStart, FailuresComeBackAsCodes)
{
    TempFolder dir;
    EXPECT_EQ(platform::startProgram(dir.file("missing"), {}), platform::ShellFileNotFound);
    EXPECT_EQ(platform::startProgram(dir.file("nofolder/x"), {}), platform::ShellPathNotFound);
    dir.write("plain", "not a program");
    ::chmod(dir.file("plain").c_str(), 0644);
    EXPECT_LE(platform::startProgram(dir.file("plain"), {}), 32);
}

TEST(ShellStart, StartsWithoutWaiting)
{
    TempFolder dir;
    dir.write("touch.sh", "#!/bin/sh\ntouch \"$1\"\n");
    ::chmod(dir.file("touch.sh").c_str(), 0755);
    EXPECT_GT(platform::startProgram(dir.file("touch.sh"), {dir.file("done")}, dir.path()), 32);
    for (int i = 0; i < 200 && !platform::fileExists(dir.file("done")); ++i)
        ::usleep(10000);
    EXPECT_TRUE(platform::fileExists(dir.file("done")));
}
