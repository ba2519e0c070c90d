// The hub records of the machine database and the PC port behind a machine.
#include "dnc/engine/hub_table.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace dnc {
namespace {

TEST(HubTable, SectionsWithAPortAreDefinedOthersAreNot)
{
    testsupport::TempFolder folder;
    folder.write("WPOSTS.INI", "[HUB1]\r\nPORT=4\r\nBAUD=9600\r\nSINIT=/027H\r\n"
                               "[HUB2]\r\nDESCRIPTION=Hub not connected\r\n"
                               "[HUB4]\r\nPORT=NA\r\n");
    mrw::MachComRec defaults;
    defaults.Baud = 3;
    const HubTable hubs = loadHubTable(mrw::MachineDatabase(folder.file("WPOSTS.INI")), defaults);

    EXPECT_TRUE(hubs.defined(1));
    EXPECT_EQ(hubs[1].Port, 3);
    EXPECT_EQ(hubs[1].Baud, 6);
    EXPECT_EQ(hubs[1].SendInit, "/027H");
    EXPECT_EQ(hubs[1].Name, "HUB1");
    for (int hub : {2, 3, 4}) {
        EXPECT_FALSE(hubs.defined(hub)) << hub;
        EXPECT_EQ(hubs[hub].Port, -1);
        EXPECT_EQ(hubs[hub].Baud, 3); // the default machine otherwise
    }
    EXPECT_FALSE(hubs.defined(0));
    EXPECT_FALSE(hubs.defined(5));
}

TEST(HubTable, PcPortBehindARecord)
{
    HubTable hubs;
    hubs[1].Port = 1;  // COM2
    hubs[2].Port = 4;  // reached through hub 1
    hubs[2].Hub = 1;
    hubs[3].Port = 0;
    hubs[3].Hub = 2;   // would need two hubs before it
    hubs[4].Port = 0;
    hubs[4].Hub = 4;   // names itself

    struct Case {
        int hub;
        int port;
        std::optional<int> pc;
    };
    for (const Case& c : {Case{0, 6, 7}, Case{1, 2, 2}, Case{2, 7, 2}, Case{3, 0, std::nullopt},
                          Case{4, 0, std::nullopt}}) {
        mrw::MachComRec machine;
        machine.Hub = c.hub;
        machine.Port = c.port;
        EXPECT_EQ(pcPortNumber(machine, hubs), c.pc) << c.hub;
    }
    mrw::MachComRec onUndefined;
    onUndefined.Hub = 1;
    EXPECT_EQ(pcPortNumber(onUndefined, HubTable{}), std::nullopt);
}

} // namespace
} // namespace dnc
