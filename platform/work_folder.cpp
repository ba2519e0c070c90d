#include "platform/work_folder.h"

#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {
// The folder with one trailing "/".
std::string withSlash(const std::string& folder)
{
    return (std::filesystem::path(folder) / "").string();
}
}

WorkFolder::WorkFolder(const std::string& preferred, const std::string& lockName)
{
    const std::string folder = withSlash(toNativeSeparators(preferred));
    m_lock = ::open((folder + lockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lock >= 0 && ::flock(m_lock, LOCK_EX | LOCK_NB) == 0) {
        m_path = folder;
        return;
    }
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "vork-XXXXXX").string();
    if (ec)
        pattern = "/tmp/vork-XXXXXX";
    if (::mkdtemp(pattern.data())) {
        m_path = withSlash(pattern);
        m_private = true;
    } else {
        m_path = folder; // nowhere else to go: share rather than fail
    }
}

WorkFolder::~WorkFolder()
{
    if (m_lock >= 0)
        ::close(m_lock);
    if (m_private) {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
}

} // namespace platform
