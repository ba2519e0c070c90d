#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>

namespace platform {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::string toNativeSeparators(std::string_view path)
{
    std::string out(path);
    for (char& c : out)
        if (c == '\\')
            c = '/';
    return out;
}

namespace {
std::size_t lastSeparator(std::string_view path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}
}

std::string fileNamePart(std::string_view path)
{
    const auto pos = lastSeparator(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string folderPart(std::string_view path)
{
    const auto pos = lastSeparator(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string fileExtension(std::string_view path)
{
    const std::string name = fileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string changeFileExtension(std::string_view path, std::string_view newExt)
{
    const std::string folder = folderPart(path);
    std::string name = fileNamePart(path);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return folder + name + std::string(newExt);
}

std::string joinPath(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    std::string out(folder);
    if (!isSeparator(out.back()))
        out += '/';
    std::size_t start = 0;
    while (start < name.size() && isSeparator(name[start]))
        ++start;
    out.append(name.substr(start));
    return out;
}

bool isBareName(std::string_view path)
{
    return lastSeparator(path) == std::string_view::npos;
}

bool fileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

namespace {
bool exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

// The entry of folder whose name equals wanted without regard to case, or "".
std::string findEntryNoCase(const std::string& folder, const std::string& wanted)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string found;
    while (const dirent* e = ::readdir(dir)) {
        if (equalsNoCase(e->d_name, wanted)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}
}

std::string resolveCaseInsensitive(std::string_view path)
{
    const std::string wanted = toNativeSeparators(path);
    if (wanted.empty() || exists(wanted))
        return wanted;

    // Walk the path one level at a time, keeping levels that exist as they are.
    std::string resolved;
    std::size_t pos = 0;
    if (wanted[0] == '/') {
        resolved = "/";
        pos = 1;
    }
    while (pos <= wanted.size()) {
        std::size_t next = wanted.find('/', pos);
        if (next == std::string::npos)
            next = wanted.size();
        const std::string part = wanted.substr(pos, next - pos);
        if (!part.empty()) {
            std::string candidate = resolved + part;
            if (!exists(candidate) && part != "." && part != "..") {
                const std::string entry = findEntryNoCase(resolved, part);
                if (entry.empty())
                    return wanted;
                candidate = resolved + entry;
            }
            resolved = candidate;
            if (next < wanted.size())
                resolved += '/';
        } else if (next < wanted.size() && !resolved.empty() && resolved.back() != '/') {
            resolved += '/';
        }
        pos = next + 1;
    }
    return resolved;
}

} // namespace platform
