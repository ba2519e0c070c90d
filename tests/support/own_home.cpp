#include "support/own_home.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

OwnHome::OwnHome()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mrwhome-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary home folder");
    m_path = pattern;
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", "/.config"},
        {"XDG_DATA_HOME", "/.local/share"},
        {"XDG_CACHE_HOME", "/.cache"},
        {"XDG_STATE_HOME", "/.local/state"},
    };
    for (const auto& [name, below] : folders) {
        const char* before = std::getenv(name);
        m_saved.push_back({name, before != nullptr, before ? before : ""});
        ::setenv(name, (m_path + below).c_str(), 1);
    }
}

OwnHome::~OwnHome()
{
    for (const Saved& s : m_saved) {
        if (s.wasSet)
            ::setenv(s.name.c_str(), s.value.c_str(), 1);
        else
            ::unsetenv(s.name.c_str());
    }
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace testsupport
