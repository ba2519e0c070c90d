#include "workspace/engine/port_devices.h"

#include "platform/ini.h"

namespace mrw {

std::string portDevicePath(const std::string& programIniPath, int portNumber)
{
    const std::string mapped =
        platform::IniFile(programIniPath).readString("PORTS", "COM" + std::to_string(portNumber), "");
    return mapped.empty() ? "/dev/ttyS" + std::to_string(portNumber - 1) : mapped;
}

} // namespace mrw
