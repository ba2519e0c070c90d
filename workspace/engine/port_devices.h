#pragma once
// Serial port numbers as the machine database stores them (COM 1 to 256) and the
// devices they stand for: [PORTS] of MRW2013.INI maps "COM<n>" to a device path;
// a port without an entry is /dev/ttyS<n-1>.
#include <string>

namespace mrw {

std::string portDevicePath(const std::string& programIniPath, int portNumber);

} // namespace mrw
