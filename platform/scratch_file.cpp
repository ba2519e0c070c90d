#include "platform/scratch_file.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

void setError(std::string* error, const std::string& what, const std::string& path, int code)
{
    if (error)
        *error = what + " " + path + ": " + std::strerror(code);
}

std::FILE* streamOf(int fd, const char* mode, const std::string& path, std::string* error)
{
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, mode);
    if (!stream) {
        setError(error, "Cannot open", path, errno);
        ::close(fd);
    }
    return stream;
}

} // namespace

int createScratchFile(const std::string& path, std::string* error)
{
    // Two tries: a name that another program puts back between our removal and our
    // creation gets one more removal, then we give up rather than touch it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        // A device or a folder under the name is nobody's scratch file: left alone.
        struct stat st{};
        if (::lstat(path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISDIR(st.st_mode))) {
            if (error)
                *error = notRegularFileText(path);
            return -1;
        }
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            setError(error, "Cannot create", path, errno);
            return -1;
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            setError(error, "Cannot create", path, errno);
            return -1;
        }
    }
    setError(error, "Cannot create", path, EEXIST);
    return -1;
}

std::FILE* createScratchStream(const std::string& path, std::string* error)
{
    return streamOf(createScratchFile(path, error), "w+b", path, error);
}

std::FILE* openScratchStream(const std::string& path, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        setError(error, "Cannot open", path, errno);
        return nullptr;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        setError(error, "Cannot open", path, EPERM);
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return streamOf(fd, "rb", path, error);
}

FileKind fileKind(const std::string& path)
{
    struct stat st{};
    // A name that cannot be looked at (a folder without rights) is left to the opening,
    // which says why it failed.
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Regular;
    return S_ISREG(st.st_mode) ? FileKind::Regular : FileKind::NotRegular;
}

std::string notRegularFileText(const std::string& path)
{
    return "[" + path + "] Is Not a File (a Folder, Device or Pipe) and Was Not Opened";
}

int openRegularFileDescriptor(const std::string& path, std::string* error)
{
    // Non-blocking, so that a FIFO without a writer does not hold the program here.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        setError(error, "Cannot open", path, errno);
        return -1;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = notRegularFileText(path);
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::FILE* openRegularFile(const std::string& path, std::string* error)
{
    return streamOf(openRegularFileDescriptor(path, error), "rb", path, error);
}

void removeUnheldLeftovers(const std::string& folder, const std::function<bool(std::string_view)>& leftOver)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!leftOver(entry->d_name))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Still the file under the name once locked: a run may have put a new one there.
        struct stat st{}, named{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == named.st_dev &&
            st.st_ino == named.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace platform
