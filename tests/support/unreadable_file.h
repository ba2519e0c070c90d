#pragma once
// A file that exists but that an ordinary user may not read, in a folder that user may
// write: made by root it is root's, made by an ordinary user it is the user's own with
// write rights only. Use it inside testsupport::OrdinaryUserRights.
#include "support/temp_folder.h"

#include <string>
#include <sys/stat.h>

namespace testsupport {

inline void writeUnreadable(const TempFolder& folder, const std::string& name, const std::string& bytes)
{
    ::chmod(folder.path().c_str(), 0777);
    folder.write(name, bytes);
    ::chmod(folder.file(name).c_str(), 0200);
}

// The file's bytes, read after its mode is restored.
inline std::string readRestored(const TempFolder& folder, const std::string& name)
{
    ::chmod(folder.file(name).c_str(), 0600);
    return folder.read(name);
}

} // namespace testsupport
