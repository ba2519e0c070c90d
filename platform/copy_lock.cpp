#include "platform/copy_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

CopyLock::CopyLock(const std::string& path)
{
    // Read access is enough to lock, so copies run by other users see it too. Not handed
    // to programs this one starts: the lock ends with this program.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return;
    m_heldByAnother = errno == EWOULDBLOCK;
    ::close(m_fd);
    m_fd = -1;
}

CopyLock::~CopyLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace platform
