#include "platform/file_replace.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int MaxLinkHops = 40; // as the system allows in one path

std::string systemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

std::string folderOf(const std::string& path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A temporary file is named after the file it replaces, with a tag only this code writes:
// <name>.~<pid>-<six letters or digits>.mrwtmp. Only names of exactly that shape are ever
// taken for leftovers; a user's "P.TAP.~1" or "P.TAP.~new12" is the user's.
constexpr std::string_view TemporaryTag = ".mrwtmp";
constexpr std::size_t RandomLength = 6;

std::string temporaryPrefix(const std::string& target)
{
    return target + ".~" + std::to_string(::getpid()) + "-";
}

bool randomPart(std::string_view text)
{
    return text.size() == RandomLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

// The process that made `name`, a temporary file for the file `fileName` (for any file
// when it is empty), or 0 when the name is not of that shape.
pid_t temporaryFileOwner(std::string_view name, std::string_view fileName)
{
    if (!name.ends_with(TemporaryTag))
        return 0;
    name.remove_suffix(TemporaryTag.size());
    if (name.size() < RandomLength + 1 || !randomPart(name.substr(name.size() - RandomLength)))
        return 0;
    name.remove_suffix(RandomLength);
    if (!name.ends_with('-'))
        return 0;
    name.remove_suffix(1);
    const std::size_t mark = name.rfind(".~");
    if (mark == std::string_view::npos || mark == 0 || (!fileName.empty() && name.substr(0, mark) != fileName))
        return 0;
    const std::string_view pid = name.substr(mark + 2);
    if (!allDigits(pid) || pid.size() > 9 || pid.front() == '0')
        return 0;
    return static_cast<pid_t>(std::stol(std::string(pid)));
}

std::string randomName()
{
    static constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, Letters.size() - 1);
    std::string name;
    for (std::size_t i = 0; i < RandomLength; ++i)
        name += Letters[pick(random)];
    return name;
}

bool processRuns(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// A file being written by us, beside the file it will replace. It is removed unless it
// was renamed into place. While it is open it is locked, so that a sweep from another
// machine sharing the folder leaves it alone.
class TemporaryFile {
public:
    ~TemporaryFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.empty())
            ::unlink(m_name.c_str());
        if (m_lock >= 0)
            ::close(m_lock);
    }

    // Creates the file for `target` with the mode, owner and group of `like` (or the
    // usual mode of a new file).
    bool create(const std::string& target, const struct stat* like, std::string& error)
    {
        std::string name = temporaryPrefix(target) + "XXXXXX" + std::string(TemporaryTag);
        m_fd = ::mkostemps(name.data(), static_cast<int>(TemporaryTag.size()), O_CLOEXEC);
        if (m_fd < 0) {
            error = systemError("Cannot create", name);
            return false;
        }
        m_name = name;
        // The lock lasts until the file has its name: it goes with the last descriptor.
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            m_lock = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        if (like) {
            ::fchmod(m_fd, modeKeeping(*like));
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(m_fd, 0666 & ~mask);
        }
        return true;
    }

    int descriptor() const { return m_fd; }
    const std::string& name() const { return m_name; }

    bool append(std::string_view bytes, std::string& error)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = systemError("Cannot write", m_name);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Ends the writing: on the disk first when `durable`.
    bool finish(bool durable, std::string& error)
    {
        if (durable && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
            error = systemError("Cannot write", m_name);
            return false;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            error = systemError("Cannot write", m_name);
            return false;
        }
        return true;
    }

    bool write(std::string_view bytes, bool durable, std::string& error)
    {
        return append(bytes, error) && finish(durable, error);
    }

    bool renameTo(const std::string& name, std::string& error)
    {
        if (::rename(m_name.c_str(), name.c_str()) != 0) {
            error = systemError("Cannot replace", name);
            return false;
        }
        m_name.clear();
        return true;
    }

private:
    // The owner only where we may give it (root); the group where we belong to it. Where
    // the group cannot be kept, the new file has ours, and ours gets no more than every
    // other user has: the file never opens to a group that could not read it before.
    mode_t modeKeeping(const struct stat& like)
    {
        mode_t mode = like.st_mode & 07777;
        if (::fchown(m_fd, like.st_uid, like.st_gid) == 0 || ::fchown(m_fd, static_cast<uid_t>(-1), like.st_gid) == 0)
            return mode;
        struct stat st{};
        if (::fstat(m_fd, &st) != 0 || st.st_gid != like.st_gid)
            mode &= ~(S_IRWXG & ~((mode & S_IRWXO) << 3));
        return mode;
    }

    int m_fd = -1;
    int m_lock = -1;
    std::string m_name;
};

// Puts the old file under the backup name while it keeps its own: a second link to it,
// or, where the file system has no links, a copy. An older backup goes only now.
bool makeBackup(const std::string& target, const struct stat& old, const std::string& backupName, bool durable,
                std::string& error)
{
    std::string linkName;
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        linkName = temporaryPrefix(target) + randomName() + std::string(TemporaryTag);
        linked = ::link(target.c_str(), linkName.c_str()) == 0;
        if (!linked && errno != EEXIST)
            break;
    }
    if (linked) {
        if (::rename(linkName.c_str(), backupName.c_str()) == 0) {
            // A backup that is already this very file (a save cut off before its last
            // rename) leaves the link where it was.
            ::unlink(linkName.c_str());
            return true;
        }
        error = systemError("Cannot replace", backupName);
        ::unlink(linkName.c_str());
        return false;
    }
    const auto bytes = readFileBytes(target);
    if (!bytes) {
        error = systemError("Cannot read", target);
        return false;
    }
    TemporaryFile copy;
    return copy.create(target, &old, error) && copy.write(*bytes, durable, error) && copy.renameTo(backupName, error);
}

} // namespace

std::string replacementTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error)))
            return current;
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = link.is_absolute() ? link.string() : (std::filesystem::path(folderOf(current)) / link).string();
    }
    return current;
}

bool writeProtected(const std::string& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    // The owner's write bit decides even for a user (root) whom the system lets write anyway.
    return (st.st_mode & S_IWUSR) == 0 || ::euidaccess(path.c_str(), W_OK) != 0;
}

std::string writeProtectedText(const std::string& path)
{
    return "File [" + path + "] Is Write-Protected and Was Not Replaced";
}

namespace {

void removeLeftovers(const std::string& folder, std::string_view fileName)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = temporaryFileOwner(entry->d_name, fileName);
        if (owner <= 0 || processRuns(owner))
            continue;
        // A save from another machine that shares the folder holds its file locked.
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

void removeStaleTemporaryFiles(const std::string& folder) { removeLeftovers(folder, {}); }

void removeStaleTemporaryFiles(const std::string& folder, const std::string& fileName)
{
    if (!fileName.empty())
        removeLeftovers(folder, fileName);
}

struct FileReplacement::Temporary : TemporaryFile {};

FileReplacement::FileReplacement() = default;
FileReplacement::~FileReplacement() = default;

ReplaceResult FileReplacement::begin(const std::string& path)
{
    ReplaceResult result;
    m_path = path;
    m_target = replacementTarget(path);
    struct stat old{};
    m_exists = ::stat(m_target.c_str(), &old) == 0;
    if (m_exists && !S_ISREG(old.st_mode)) {
        result.error = "Cannot replace " + path + ": it is not a file";
        return result;
    }
    if (m_exists && writeProtected(m_target)) {
        result.status = ReplaceResult::Status::WriteProtected;
        result.error = writeProtectedText(path);
        return result;
    }
    removeStaleTemporaryFiles(folderOf(m_target), std::filesystem::path(m_target).filename().string());
    m_file = std::make_unique<Temporary>();
    if (!m_file->create(m_target, m_exists ? &old : nullptr, result.error)) {
        m_file.reset();
        return result;
    }
    m_old = old;
    result.status = ReplaceResult::Status::Replaced;
    return result;
}

int FileReplacement::descriptor() const { return m_file ? m_file->descriptor() : -1; }

std::FILE* FileReplacement::openStream() const
{
    const int fd = m_file ? ::fcntl(m_file->descriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    if (fd < 0)
        return nullptr;
    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream)
        ::close(fd);
    return stream;
}

const std::string& FileReplacement::temporaryPath() const
{
    static const std::string none;
    return m_file ? m_file->name() : none;
}

bool FileReplacement::append(std::string_view bytes, std::string& error)
{
    return m_file && m_file->append(bytes, error);
}

ReplaceResult FileReplacement::commit(const ReplaceOptions& options)
{
    ReplaceResult result;
    if (!m_file) {
        result.error = "Cannot replace " + m_path;
        return result;
    }
    const std::unique_ptr<Temporary> file = std::move(m_file);
    if (!file->finish(options.durable, result.error))
        return result;
    if (m_exists && !options.backupExtension.empty()) {
        const std::string backupName = changeFileExtension(m_target, options.backupExtension);
        if (backupName != m_target && !makeBackup(m_target, m_old, backupName, options.durable, result.error))
            return result;
    }
    if (!file->renameTo(m_target, result.error))
        return result;
    result.status = ReplaceResult::Status::Replaced;
    return result;
}

ReplaceResult replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options)
{
    FileReplacement replacement;
    ReplaceResult result = replacement.begin(path);
    if (!result)
        return result;
    if (!replacement.append(bytes, result.error)) {
        result.status = ReplaceResult::Status::Failed;
        return result;
    }
    return replacement.commit(options);
}

} // namespace platform
