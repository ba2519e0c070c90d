#include "platform/textfile.h"

#include "platform/file_replace.h"
#include "platform/scratch_file.h"

#include <cstdio>

namespace platform {

std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::string current;
    bool pending = false; // something (maybe empty) has started since the last line end
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current.push_back(c);
            pending = true;
        }
    }
    if (pending)
        lines.push_back(std::move(current));
    return lines;
}

std::optional<std::string> readFileBytes(const std::string& path)
{
    std::FILE* f = openRegularFile(path);
    if (!f)
        return std::nullopt;
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return std::nullopt;
    return data;
}

std::optional<std::vector<std::string>> readTextLines(const std::string& path)
{
    auto bytes = readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    return splitLines(*bytes);
}

std::string joinLinesCrLf(const std::vector<std::string>& lines)
{
    std::size_t total = 0;
    for (const auto& l : lines)
        total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

bool saveFileAtomic(const std::string& path, std::string_view bytes, std::string* errorText,
                    bool durable)
{
    ReplaceOptions options;
    options.durable = durable;
    const ReplaceResult result = replaceFile(path, bytes, options);
    if (!result && errorText)
        *errorText = result.error;
    return static_cast<bool>(result);
}

bool saveTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                         std::string* errorText)
{
    return saveFileAtomic(path, joinLinesCrLf(lines), errorText);
}

} // namespace platform
