#include "analyzer/engine/recent_file_list.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using testsupport::TempFolder;
using vork::RecentFileList;

TEST(RecentFileList, KeepsFourMostRecentFirstWithoutRepeats)
{
    RecentFileList list(vork::RecentNcFilesSection);
    for (const char* name : {"A.TAP", "B.TAP", "C.TAP", "D.TAP", "E.TAP", "c.tap"})
        list.add(name);
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"c.tap", "E.TAP", "D.TAP", "B.TAP"}));
}

TEST(RecentFileList, ReadsTheHandOffAndWritesBackWhatItHolds)
{
    TempFolder folder;
    folder.write("ZV.INI", "[mdvform.OvcMenuMRU1.Items]\r\nCount=1\r\n0=/nc/FACE.TAP\r\n"
                           "[Operationsdlg.OvcMenuMRU1.Items]\r\nCount=9\r\n0=A.OPF\r\n1=\r\n2=B.OPF\r\n"
                           "3=C.OPF\r\n4=D.OPF\r\n");
    platform::IniFile ini(folder.file("ZV.INI"));

    RecentFileList nc(vork::RecentNcFilesSection);
    nc.read(ini);
    EXPECT_EQ(nc.first(), "/nc/FACE.TAP");

    RecentFileList ops(vork::RecentOperationFilesSection);
    ops.read(ini);
    EXPECT_EQ(ops.entries(), (std::vector<std::string>{"A.OPF", "B.OPF", "C.OPF"}));
    ops.remove("b.opf");
    ops.write(ini);
    EXPECT_EQ(ini.readInt(vork::RecentOperationFilesSection, "Count", -1), 2);
    EXPECT_EQ(ini.readString(vork::RecentOperationFilesSection, "1", ""), "C.OPF");
    EXPECT_FALSE(ini.hasKey(vork::RecentOperationFilesSection, "2"));
    EXPECT_FALSE(ini.hasKey(vork::RecentOperationFilesSection, "3"));

    RecentFileList machines(vork::RecentMachineFilesSection);
    machines.read(ini);
    EXPECT_TRUE(machines.empty());
    EXPECT_EQ(machines.first(), "");
}
