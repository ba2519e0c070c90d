#pragma once
// Starting other programs and documents without waiting. Results follow the shell's
// convention the programs report: above 32 is success, 32 or less is a failure code
// (2 file not found, 3 path not found, 5 access denied, 31 nothing to open it with).
#include <string>
#include <vector>

namespace platform {

constexpr int ShellOk = 42;
constexpr int ShellFileNotFound = 2;
constexpr int ShellPathNotFound = 3;
constexpr int ShellAccessDenied = 5;
constexpr int ShellNoAssociation = 31;

// The executable for a program name as stored ("VORK2013.EXE" or "VORK2013") in folder:
// the ".EXE" is dropped and the name is looked up without regard to case.
std::string programPath(const std::string& folder, const std::string& name);

// Starts an executable with arguments and a working folder (empty: the current one).
int startProgram(const std::string& path, const std::vector<std::string>& arguments,
                 const std::string& workingFolder = {});

// Opens a program or a document with its default verb: an executable file is
// started, anything else goes to the desktop's opener.
int shellOpen(const std::string& path, const std::vector<std::string>& arguments = {},
              const std::string& workingFolder = {});

} // namespace platform
