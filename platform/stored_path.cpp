#include "platform/stored_path.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/paths.h"

#include <cctype>
#include <vector>

namespace platform {

namespace {

bool startsWithDrive(std::string_view path)
{
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// Absolute path with "." and ".." steps removed; "/.." stays "/".
std::string normalised(const std::string& absolute)
{
    std::vector<std::string_view> steps;
    std::string_view rest(absolute);
    while (!rest.empty()) {
        const auto cut = rest.find('/');
        const std::string_view step = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (step.empty() || step == ".")
            continue;
        if (step == "..") {
            if (!steps.empty())
                steps.pop_back();
            continue;
        }
        steps.push_back(step);
    }
    std::string out;
    for (const auto step : steps) {
        out += '/';
        out += step;
    }
    if (out.empty())
        return "/";
    if (absolute.back() == '/')
        out += '/';
    return out;
}

} // namespace

std::string resolveStoredPath(std::string_view stored, const std::string& programFolder,
                              const DriveLookup& drives)
{
    const std::string text(trimBlanks(stored));
    std::string absolute;
    if (startsWithDrive(text)) {
        std::string_view rest = std::string_view(text).substr(2);
        while (!rest.empty() && isSeparator(rest.front()))
            rest.remove_prefix(1);
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        std::string folder = drives ? drives(letter) : std::string();
        if (folder.empty())
            folder = programFolder;
        else if (toNativeSeparators(folder).front() != '/')
            folder = joinPath(programFolder, folder);
        absolute = joinPath(toNativeSeparators(folder), toNativeSeparators(rest));
    } else if (!text.empty() && text.front() == '\\') {
        absolute = joinPath(programFolder, toNativeSeparators(std::string_view(text).substr(1)));
    } else if (!text.empty() && text.front() == '/') {
        absolute = toNativeSeparators(text);
    } else {
        absolute = joinPath(programFolder, toNativeSeparators(text));
    }
    if (absolute.empty() || absolute.front() != '/')
        absolute = "/" + absolute;
    const std::string clean = normalised(absolute);
    std::string found = resolveCaseInsensitive(clean);
    if (clean.size() > 1 && clean.back() == '/' && (found.empty() || found.back() != '/'))
        found += '/';
    return found;
}

std::string resolveStoredPath(std::string_view stored)
{
    const std::string folder = programFolder();
    const DriveLookup drives = [&folder](char letter) {
        const std::string ini = resolveCaseInsensitive(joinPath(folder, "MRW2013.INI"));
        if (!fileExists(ini))
            return std::string();
        return IniFile(ini).readString("DRIVES", std::string(1, letter), "");
    };
    return resolveStoredPath(stored, folder, drives);
}

bool sameStoredPath(std::string_view a, std::string_view b)
{
    auto key = [](std::string_view path) {
        std::string resolved = resolveStoredPath(path);
        while (resolved.size() > 1 && resolved.back() == '/')
            resolved.pop_back();
        return resolved;
    };
    return key(a) == key(b);
}

} // namespace platform
