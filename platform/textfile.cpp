#include "platform/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    std::FILE* f = std::fopen(path.c_str(), "rb");
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

namespace {
std::string systemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}
}

bool saveFileAtomic(const std::string& path, std::string_view bytes, std::string* errorText,
                    bool durable)
{
    // The temporary name is unique per process, so two programs saving the same
    // file never write into each other's temporary file.
    std::string temp = path + ".~" + std::to_string(::getpid()) + "XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        if (errorText)
            *errorText = systemError("Cannot create", temp);
        return false;
    }
    // Keep the permissions of the file being replaced, and its group where the user may
    // (or the usual ones for a new file).
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        if (::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // not a member of that group: the file takes the user's group
        }
        ::fchmod(fd, st.st_mode & 07777);
    }
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errorText)
                *errorText = systemError("Cannot write", temp);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (durable && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        if (errorText)
            *errorText = systemError("Cannot write", temp);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    if (::close(fd) != 0) {
        if (errorText)
            *errorText = systemError("Cannot write", temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        if (errorText)
            *errorText = systemError("Cannot replace", path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool saveTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                         std::string* errorText)
{
    return saveFileAtomic(path, joinLinesCrLf(lines), errorText);
}

} // namespace platform
