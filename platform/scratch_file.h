#pragma once
// Files the programs make for themselves under a fixed name (scratch files, work copies,
// lock files) in a program folder that several users share. Another user may have left
// anything under such a name: a symbolic link to a file of theirs, a file of their own, a
// FIFO. A scratch file is therefore never reached through a link and never truncates a
// file this program did not create: what stands under the name is removed (the link
// itself, never its target) and the file is created afresh, exclusively.
//
// A user's own file named to be read (a program, a machine file) is different: it may be
// a link, but it must be a regular file, and opening it must never block.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Creates `path` afresh for reading and writing and returns its descriptor, or -1 with
// `error` saying why. Whatever stood under the name is gone first.
int createScratchFile(const std::string& path, std::string* error = nullptr);

// The same as a stream ("w+b"); nullptr with `error` on failure.
std::FILE* createScratchStream(const std::string& path, std::string* error = nullptr);

// Opens a scratch file this program made earlier, for reading ("rb"): never through a
// link, only a regular file of this user. nullptr with `error` otherwise.
std::FILE* openScratchStream(const std::string& path, std::string* error = nullptr);

// What stands under a name the user gave for a file to read (links followed).
enum class FileKind { Missing, Regular, NotRegular };
FileKind fileKind(const std::string& path);

// What the user is told when a name that should be a file is a FIFO, a device or a folder.
std::string notRegularFileText(const std::string& path);

// Opens a user's file for reading without ever blocking on a FIFO or device: nullptr
// (with `error`) when it cannot be opened or is not a regular file.
std::FILE* openRegularFile(const std::string& path, std::string* error = nullptr);
// The same, by descriptor (O_RDONLY, blocking reads); -1 on failure.
int openRegularFileDescriptor(const std::string& path, std::string* error = nullptr);

// Removes the leftovers in `folder` of runs that no longer run: the files whose names
// `leftOver` accepts that are regular files of this user and that no process holds locked
// (a run holds its own file locked, LOCK_EX, while it runs; the system lets go of the
// lock however the run ends). Links, other users' files and held files stay.
void removeUnheldLeftovers(const std::string& folder, const std::function<bool(std::string_view)>& leftOver);

} // namespace platform
