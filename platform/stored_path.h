#pragma once
// Paths kept in INI files, machine records and dialogs, as shops have always written them:
//  - "\" and "/" are alike;
//  - a Windows-rooted path, with a drive letter ("C:\HALVEN") or a leading "\" ("\HALVEN"),
//    lies under its drive's folder: [DRIVES] of MRW2013.INI maps letters to folders
//    ("C=/srv/nc"); a letter with no entry, and a leading "\" without a letter, use the
//    program folder;
//  - a path that starts with "/" is a Linux path as it stands;
//  - a relative path is taken from the program folder.
// The result is absolute, with "." and ".." steps removed, and each level looked up
// without regard to letter case when the exact name does not exist. A trailing
// separator is kept, so a folder stays recognisable as one.
// What is stored stays as the user typed it; what is opened, compared, shown and
// logged is the resolved name.
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The folder a drive letter (upper case) stands for, or "" when it has no entry.
using DriveLookup = std::function<std::string(char letter)>;

// The rule itself, for a given program folder and drive map.
std::string resolveStoredPath(std::string_view stored, const std::string& programFolder,
                              const DriveLookup& drives);

// The rule with the program folder and the [DRIVES] section of its MRW2013.INI.
std::string resolveStoredPath(std::string_view stored);

// Two stored paths name the same place (resolved, then compared; a trailing "/" ignored).
bool sameStoredPath(std::string_view a, std::string_view b);

} // namespace platform
