#pragma once
// The setup report SETUP.TMP: every setting of the machine shown in the setup dialog
// and a summary of the communication settings of every machine in the database.
#include "workspace/engine/machine_database.h"

#include <string>
#include <vector>

namespace mrw {

// The lines of the report for the settings shown under `machineName`.
std::vector<std::string> setupReportLines(const MachineSettings& s, const std::string& machineName,
                                          const MachineDatabase& db);
// WriteSetupReport: the DNC summary of every listed machine, appended to lines.
void WriteSetupReport(const MachineDatabase& db, std::vector<std::string>& lines);

// Writes the report (CR LF) into `path`; false with errorText when it cannot.
bool writeSetupReportFile(const std::string& path, const std::vector<std::string>& lines, std::string* errorText);

} // namespace mrw
