#include "platform/folders.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}
}

std::string executablesFolder()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return currentFolder();
    return folderPart(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string programFolder()
{
    const std::string chosen = environment("MRW_PROGRAM_DIR");
    if (!chosen.empty())
        return withSlash(toNativeSeparators(chosen));
    return executablesFolder();
}

std::string windowsFolder()
{
    std::string folder = environment("MRW_WINDOWS_DIR");
    if (folder.empty()) {
        std::string config = environment("XDG_CONFIG_HOME");
        if (config.empty())
            config = joinPath(environment("HOME"), ".config");
        folder = joinPath(config, "marrowin");
    }
    folder = withSlash(toNativeSeparators(folder));
    makeFolders(folder);
    return folder;
}

std::string currentFolder()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return "./";
    return withSlash(buffer);
}

bool setCurrentFolder(const std::string& folder)
{
    return ::chdir(toNativeSeparators(folder).c_str()) == 0;
}

bool makeFolders(const std::string& folder)
{
    const std::string path = toNativeSeparators(folder);
    if (path.empty())
        return false;
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            const std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return folderExists(path);
}

std::string resolveIniPath(const std::string& name)
{
    if (isBareName(name))
        return resolveCaseInsensitive(windowsFolder() + name);
    return resolveCaseInsensitive(name);
}

} // namespace platform
