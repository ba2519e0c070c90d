#pragma once
// The job MRW2013 hands to the analyzer: entry "0" of the analyzer's three recent-file
// lists in ZV.INI, which the analyzer reloads when it is started with "MRW2013".
#include "platform/ini.h"

#include <string>

namespace mrw {

struct AnalyzerJob {
    std::string NcFile;
    std::string OperationsFile; // the NC file's name with ".OPF"
    std::string MachineFile;    // the machine name with ".MCH", no folder
};

inline constexpr const char* AnalyzerProgram = "VORK2013.EXE";
inline constexpr const char* AnalyzerHandOffArgument = "MRW2013";

AnalyzerJob makeAnalyzerJob(const std::string& ncFile, const std::string& machineName);

// Writes the job into ZV.INI; "Count" becomes 1 only where it reads 0 (or is missing).
// Throws platform::IniWriteError.
void writeAnalyzerHandOff(platform::IniFile& zvIni, const AnalyzerJob& job);

} // namespace mrw
