#pragma once
// Where the programs keep their files.
//  - Program folder: the folder of the executables, unless MRW_PROGRAM_DIR names another.
//    Both programs use the same rule, so they share their INI files and hand-offs.
//  - Windows directory: where files opened by a bare name (TKZPWL.INI) live:
//    MRW_WINDOWS_DIR, else $XDG_CONFIG_HOME/marrowin (~/.config/marrowin), created when
//    first needed.
// Every folder is returned with a trailing "/".
#include <string>

namespace platform {

std::string executablesFolder();
std::string programFolder();
std::string windowsFolder();

// The current directory with a trailing "/".
std::string currentFolder();
bool setCurrentFolder(const std::string& folder);

// Creates a folder and its missing parents; true when it exists afterwards.
bool makeFolders(const std::string& folder);

// Where a file opened by a bare name through the INI interface lies: a bare name
// goes to the Windows directory, anything else is the path itself (separators
// normalised); the file is then looked up without regard to case.
std::string resolveIniPath(const std::string& name);

} // namespace platform
