#include "platform/work_folder.h"

#include "platform/copy_lock.h"
#include "platform/paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>


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
    m_lock = std::make_unique<CopyLock>(folder + lockName);
    if (m_lock->held()) {
        m_path = folder;
        return;
    }
    m_lock.reset();
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
    if (m_private) {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
}

} // namespace platform
