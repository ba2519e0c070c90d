#pragma once
// The four TRX-8 hub records of the machine database ([HUB1] to [HUB4]) and the way a
// machine's serial port is reached through them. A TRX-8 hub is a box on one PC port
// that switches that port to one of its eight machine ports.
#include "workspace/engine/machine_database.h"
#include "workspace/engine/machine_record.h"

#include <array>
#include <optional>
#include <string>

namespace dnc {

inline constexpr int HubCount = 4;
inline constexpr int HubPortCount = 8;

class HubTable {
public:
    // Every hub undefined.
    HubTable();

    // Hub 1 to 4.
    const mrw::MachComRec& operator[](int hub) const { return m_hubs.at(static_cast<std::size_t>(hub - 1)); }
    mrw::MachComRec& operator[](int hub) { return m_hubs.at(static_cast<std::size_t>(hub - 1)); }
    static bool validHub(int hub) { return hub >= 1 && hub <= HubCount; }
    // A hub is defined when its section names a port.
    bool defined(int hub) const { return validHub(hub) && (*this)[hub].Port >= 0; }

private:
    std::array<mrw::MachComRec, HubCount> m_hubs;
};

// A record built from a section of the machine database the way the setup dialog
// builds it, without touching the current machine.
mrw::MachComRec machineRecordFromDatabase(const mrw::MachineDatabase& database, const std::string& section);

// Reads the hub sections: a section whose PORT key is missing leaves that hub undefined
// (the default machine with Port -1).
HubTable loadHubTable(const mrw::MachineDatabase& database, const mrw::MachComRec& defaultMachine);

// The PC port (1-based) behind a record: its own port, or the port of the hub it names.
// A hub that is itself reached through a hub is followed one level; nothing comes back
// for a longer chain, an undefined hub or a port outside the lists.
std::optional<int> pcPortNumber(const mrw::MachComRec& record, const HubTable& hubs);

} // namespace dnc
