#include "support/own_home.h"

#include <cstdlib>
#include <utility>

namespace testsupport {

OwnHome::OwnHome()
{
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", ""},
        {"XDG_CONFIG_HOME", ".config"},
        {"XDG_DATA_HOME", ".local/share"},
        {"XDG_CACHE_HOME", ".cache"},
        {"XDG_STATE_HOME", ".local/state"},
    };
    for (const auto& [name, below] : folders) {
        const char* before = std::getenv(name);
        m_saved.push_back({name, before != nullptr, before ? before : ""});
        ::setenv(name, m_folder.file(below).c_str(), 1);
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
}

} // namespace testsupport
