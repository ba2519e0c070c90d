#pragma once
// The current machine's settings that a send reads, gathered from the machine record
// and the setup dialog's values.
#include "dnc/engine/send_image.h"
#include "workspace/engine/machine_record.h"
#include "workspace/engine/machine_settings.h"

#include <string>

namespace dnc {

struct SendSettings {
    SendOptions send;
    bool runFileCleanup = false;                // "Run File Cleanup Before Send from Editor"
    std::string downloadFolder = "C:\\HALVEN";  // the download folder
    bool forceDownloadFolder = true;            // its "Always First"
    std::string defaultExtension = "TAP";
};

// The send options of a machine: tape code, leader and send codes from its record, the
// line filters from its settings, and the program's line-skip marker (LCOMMENTCHAR).
SendOptions sendOptionsFrom(const mrw::MachComRec& machine, const mrw::MachineSettings& settings,
                            const std::string& skipMarker);

SendSettings sendSettingsFrom(const mrw::MachComRec& machine, const mrw::MachineSettings& settings,
                              const std::string& skipMarker);

} // namespace dnc
