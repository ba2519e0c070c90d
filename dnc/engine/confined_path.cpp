#include "dnc/engine/confined_path.h"

#include "workspace/engine/activity_log.h"

#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/stored_path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace dnc {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path> realPath(const std::string& path)
{
    std::error_code error;
    fs::path real = fs::canonical(fs::path(path), error);
    if (error)
        return std::nullopt;
    return real;
}

bool within(const fs::path& inner, const fs::path& outer)
{
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end())
            break; // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

bool matchFrom(std::string_view mask, std::string_view name)
{
    // Iterative wildcard match with one step of backtracking for the last "*".
    std::size_t m = 0, n = 0, star = std::string_view::npos, mark = 0;
    auto same = [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && same(mask[m], name[n])))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

bool isProgramFile(std::string_view name)
{
    // The settings and databases, the logs, and the scratch and work files.
    static constexpr std::string_view own[] = {"*.INI",   "MRWDNC.LOG", "MRW2013.LOG", "MRW*.TMP",   "SETUP.TMP",
                                               "DV*.TMP", "DVW.DI~",    "VORK.MOT",    "VORK2K.APT", "VORK.EMF",
                                               "NCCODE.DAT", "BMACROVARS.TXT"};
    return std::any_of(std::begin(own), std::end(own), [name](std::string_view mask) { return matchFrom(mask, name); });
}

bool isPlainName(std::string_view name, bool mask)
{
    if (name.empty() || name.size() > 255 || name == "." || name == "..")
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127 || c == '/' || c == '\\')
            return false;
        if (!mask && (c == '*' || c == '?'))
            return false;
    }
    return true;
}

std::string withDefaultExtension(std::string_view folderText, const std::string& name, const std::string& extension)
{
    if (folderText.find('.') != std::string_view::npos || name.find('.') != std::string::npos)
        return name;
    return name + "." + extension;
}

bool insideFolder(const std::string& path, const std::string& folder)
{
    const auto real = realPath(path);
    const auto root = realPath(folder);
    return real && root && within(*real, *root);
}

Refusal refusal(const std::string& name, const ConfinedFile& file, const std::string& machine)
{
    const std::string reason = file.notRegular ? ": " + platform::notRegularFileText(file.path) : std::string();
    return {"Remote Request for [" + name + "] Refused" + reason,
            "Refused File Name [" + mrw::LogQuote(name) + "]" + reason + ", Machine [" + machine + "]"};
}

ConfinedFile confinedSource(const std::string& folder, const std::string& name)
{
    ConfinedFile target = confinedTarget(folder, name);
    if (target.status == ConfinedFile::Ok) {
        std::error_code error;
        if (!fs::is_regular_file(target.path, error))
            target.status = ConfinedFile::Refused;
    }
    return target;
}

ConfinedFile confinedTarget(const std::string& folder, const std::string& name)
{
    ConfinedFile result;
    if (!isPlainName(name) || !platform::folderExists(folder))
        return result;
    if (isProgramFile(name))
        return result;
    result.path = platform::resolveCaseInsensitive(platform::joinPath(folder, name));
    std::error_code error;
    const fs::file_status link = fs::symlink_status(result.path, error);
    if (!fs::exists(link)) {
        result.status = ConfinedFile::Missing;
        return result;
    }
    // A link that leads nowhere, or out of the folder, or to anything but a file is refused.
    if (!insideFolder(result.path, folder))
        return result;
    if (!fs::is_regular_file(fs::status(result.path, error))) {
        result.notRegular = platform::fileKind(result.path) == platform::FileKind::NotRegular;
        return result;
    }
    if (const auto real = realPath(result.path); !real || isProgramFile(real->filename().string()))
        return result;
    result.status = ConfinedFile::Ok;
    return result;
}

std::optional<std::string> confinedFolder(std::string_view stored, const std::vector<std::string>& roots)
{
    if (stored.empty() || std::any_of(stored.begin(), stored.end(), [](char c) {
            return static_cast<unsigned char>(c) < 32 || c == 127;
        }))
        return std::nullopt;
    const auto real = realPath(platform::resolveStoredPath(stored));
    std::error_code error;
    if (!real || !fs::is_directory(*real, error))
        return std::nullopt;
    for (const std::string& root : roots) {
        const auto realRoot = realPath(root);
        if (realRoot && within(*real, *realRoot))
            return real->string();
    }
    return std::nullopt;
}

bool maskMatches(std::string_view mask, std::string_view name)
{
    if (mask == "*.*")
        return true;
    return matchFrom(mask, name);
}

std::vector<FolderEntry> confinedListing(const std::string& folder, const std::string& mask)
{
    std::vector<FolderEntry> entries;
    const auto root = realPath(folder);
    if (!root || !isPlainName(mask, true))
        return entries;
    std::error_code error;
    for (fs::directory_iterator it(*root, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!maskMatches(mask, name) || isProgramFile(name))
            continue;
        std::error_code statError;
        const auto real = realPath(it->path().string());
        if (!real || !within(*real, *root) || !fs::is_regular_file(*real, statError) ||
            isProgramFile(real->filename().string()))
            continue;
        entries.push_back({name, fs::file_size(*real, statError)});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

} // namespace dnc
