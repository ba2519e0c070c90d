#include "dnc/engine/hub_table.h"

#include "platform/ini.h"

namespace dnc {

namespace {

mrw::MachComRec undefinedHub(const mrw::MachComRec& defaultMachine)
{
    mrw::MachComRec hub = defaultMachine;
    hub.Port = -1;
    return hub;
}

} // namespace

HubTable::HubTable()
{
    m_hubs.fill(undefinedHub(mrw::makeDefaultMachine()));
}

mrw::MachComRec machineRecordFromDatabase(const mrw::MachineDatabase& database, const std::string& section)
{
    mrw::MachineSettings settings;
    database.loadMachine(section, settings);
    mrw::MachComRec record;
    record.Name = section;
    mrw::MachineRecordExchange(settings, record);
    return record;
}

HubTable loadHubTable(const mrw::MachineDatabase& database, const mrw::MachComRec& defaultMachine)
{
    const platform::IniFile ini(database.path());
    HubTable table;
    for (int hub = 1; hub <= HubCount; ++hub) {
        const std::string section = "HUB" + std::to_string(hub);
        if (ini.readString(section, "PORT", "NA") != "NA")
            table[hub] = machineRecordFromDatabase(database, section);
        else
            table[hub] = undefinedHub(defaultMachine);
    }
    return table;
}

std::optional<int> pcPortNumber(const mrw::MachComRec& record, const HubTable& hubs)
{
    const mrw::MachComRec* reached = &record;
    for (int level = 0; level <= 2; ++level) {
        if (reached->Hub <= 0)
            return mrw::portNumberOf(*reached);
        if (level == 2 || !hubs.defined(reached->Hub))
            return std::nullopt;
        reached = &hubs[reached->Hub];
    }
    return std::nullopt;
}

} // namespace dnc
