#include "workspace/engine/handoff.h"

#include "platform/paths.h"

namespace mrw {

namespace {
void writeFirstEntry(platform::IniFile& ini, const char* section, const std::string& value)
{
    ini.writeString(section, "0", value);
    if (ini.readInt(section, "Count", 0) == 0)
        ini.writeInt(section, "Count", 1);
}
}

AnalyzerJob makeAnalyzerJob(const std::string& ncFile, const std::string& machineName)
{
    return {ncFile, platform::changeFileExtension(ncFile, ".OPF"), machineName + ".MCH"};
}

void writeAnalyzerHandOff(platform::IniFile& zvIni, const AnalyzerJob& job)
{
    writeFirstEntry(zvIni, "Operationsdlg.OvcMenuMRU1.Items", job.OperationsFile);
    writeFirstEntry(zvIni, "mdvform.OvcMenuMRU1.Items", job.NcFile);
    writeFirstEntry(zvIni, "mdvform.OvcMenuMRU2.Items", job.MachineFile);
}

} // namespace mrw
