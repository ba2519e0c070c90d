#pragma once
// A lock that one copy of a program holds on a file of its program folder while it runs,
// so that a second copy can tell. It is an advisory lock that the system frees when the
// program ends, however it ends: a killed program leaves no stale lock.
#include <string>

namespace platform {

class CopyLock {
public:
    explicit CopyLock(const std::string& path);
    ~CopyLock();
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

    // Another copy held the lock when this one started. False also when the lock file
    // could not be made (a folder the program may not write): then nobody can tell.
    bool heldByAnother() const { return m_heldByAnother; }
    // This copy holds the lock.
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_heldByAnother = false;
};

} // namespace platform
