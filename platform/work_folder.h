#pragma once
// A folder for a program's scratch files that two copies of the program never share.
// The first copy locks a file in the preferred folder (an advisory lock, freed by the
// system when the program ends, however it ends) and works there; a copy that finds the
// lock taken works in a fresh folder of its own, removed with everything in it when the
// work folder goes.
#include <memory>
#include <string>

namespace platform {

class CopyLock;

class WorkFolder {
public:
    WorkFolder(const std::string& preferred, const std::string& lockName);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // The folder, with a trailing "/".
    const std::string& path() const { return m_path; }
    // True when another copy holds the preferred folder and this one works elsewhere.
    bool isPrivate() const { return m_private; }

private:
    std::string m_path;
    std::unique_ptr<CopyLock> m_lock;
    bool m_private = false;
};

} // namespace platform
