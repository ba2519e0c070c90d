#include "platform/file_replace.h"

#include "platform/paths.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/mman.h>
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

// The process that made `name`, a temporary file for the file `fileName`, or 0 when the
// name is not of that shape.
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
    if (mark == std::string_view::npos || mark == 0 || name.substr(0, mark) != fileName)
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

struct Descriptor {
    explicit Descriptor(int opened) : fd(opened) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    const int fd;
};

// The whole of the file open as `fd`, from its start.
bool readAll(int fd, std::string& bytes)
{
    bytes.clear();
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
}

// `bytes` as the whole of the file open as `fd`.
bool writeWhole(int fd, std::string_view bytes, bool durable)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
           (!durable || ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS);
}

// A file being written by us, beside the file it will replace. It is removed unless it
// was renamed into place. While it is open it is locked, so that a sweep from another
// machine sharing the folder leaves it alone. Messages name `shown`, the file the user
// saves: the temporary name means nothing to the user.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string shown) : m_shown(std::move(shown)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
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
            error = systemError("Cannot create", m_shown);
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

    // A file of no name, in memory, for a text that is written in place at the end.
    bool createInMemory(std::string& error)
    {
        m_fd = ::memfd_create("new text", MFD_CLOEXEC);
        if (m_fd < 0)
            error = systemError("Cannot write", m_shown);
        return m_fd >= 0;
    }

    int descriptor() const { return m_fd; }
    const std::string& name() const { return m_name; }

    // What was written so far.
    bool contents(std::string& bytes, std::string& error) const
    {
        if (readAll(m_fd, bytes))
            return true;
        error = systemError("Cannot write", m_shown);
        return false;
    }

    bool append(std::string_view bytes, std::string& error)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = systemError("Cannot write", m_shown);
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
            error = systemError("Cannot write", m_shown);
            return false;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0) {
            error = systemError("Cannot write", m_shown);
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

    std::string m_shown;
    int m_fd = -1;
    int m_lock = -1;
    std::string m_name;
};

// Puts `bytes`, the old text of `target`, under the backup name as a file of its own with
// the old file's mode. An older backup goes only now.
bool makeBackupCopy(const std::string& target, const struct stat& old, std::string_view bytes,
                    const std::string& backupName, bool durable, std::string& error)
{
    TemporaryFile copy(backupName);
    return copy.create(target, &old, error) && copy.write(bytes, durable, error) && copy.renameTo(backupName, error);
}

// True when a new file may take the place of `old` in `folder`: the user may write the
// folder, and a sticky folder lets the user remove the old name.
bool mayRenameOver(const std::string& folder, const struct stat& old)
{
    struct stat st{};
    if (::euidaccess(folder.c_str(), W_OK | X_OK) != 0 || ::stat(folder.c_str(), &st) != 0)
        return false;
    const uid_t user = ::geteuid();
    return (st.st_mode & S_ISVTX) == 0 || user == 0 || old.st_uid == user || st.st_uid == user;
}

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
    return makeBackupCopy(target, old, *bytes, backupName, durable, error);
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

void removeStaleTemporaryFiles(const std::string& folder, const std::string& fileName)
{
    if (fileName.empty())
        return;
    // A save, here or on another machine that shares the folder, holds its file locked.
    removeUnheldLeftovers(folder, [&fileName](std::string_view name) {
        const pid_t owner = temporaryFileOwner(name, fileName);
        return owner > 0 && !processRuns(owner);
    });
}

// The new text, and how it takes the file's place: by a rename, or written in place over
// the old text (a file with several names, or one whose folder does not let the user
// replace it).
struct FileReplacement::Temporary : TemporaryFile {
    using TemporaryFile::TemporaryFile;
    bool inPlace = false;
    bool mayRename = true;
};

FileReplacement::FileReplacement() = default;
FileReplacement::~FileReplacement() = default;

ReplaceResult FileReplacement::begin(const std::string& path)
{
    ReplaceResult result;
    m_file.reset();
    m_path = path;
    m_target = replacementTarget(path);
    // Leftovers first: one may be a second name of the file (a backup link of a save cut
    // off), which would make the file look as if it had several names.
    const std::string folder = folderOf(m_target);
    removeStaleTemporaryFiles(folder, std::filesystem::path(m_target).filename().string());
    struct stat old{};
    m_exists = ::stat(m_target.c_str(), &old) == 0;
    if (m_exists && !S_ISREG(old.st_mode)) {
        result.error = notRegularFileText(path);
        return result;
    }
    if (m_exists && writeProtected(m_target)) {
        result.status = ReplaceResult::Status::WriteProtected;
        result.error = writeProtectedText(path);
        return result;
    }
    m_file = std::make_unique<Temporary>(path);
    m_file->mayRename = !m_exists || mayRenameOver(folder, old);
    m_file->inPlace = m_exists && (old.st_nlink > 1 || !m_file->mayRename);
    if (!(m_file->inPlace ? m_file->createInMemory(result.error)
                          : m_file->create(m_target, m_exists ? &old : nullptr, result.error))) {
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
    if (file->inPlace)
        return writeInPlace(*file, options);
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

// The old text is kept (in the backup the options ask for, and in memory) before the new
// text is written over it; a write that fails puts the old text back.
ReplaceResult FileReplacement::writeInPlace(const Temporary& file, const ReplaceOptions& options)
{
    ReplaceResult result;
    std::string fresh;
    if (!file.contents(fresh, result.error))
        return result;
    const Descriptor target(::open(m_target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    const int fd = target.fd;
    if (fd < 0) {
        result.error = systemError("Cannot write", m_path);
        return result;
    }
    struct stat now{};
    if (::fstat(fd, &now) != 0 || now.st_dev != m_old.st_dev || now.st_ino != m_old.st_ino) {
        result.error = "Cannot write " + m_path + ": another program replaced it while it was being saved";
        return result;
    }
    std::string old;
    if (!readAll(fd, old)) {
        result.error = systemError("Cannot read", m_path) + " (its old text is kept before it is written over)";
        return result;
    }
    std::string backupName;
    if (!options.backupExtension.empty()) {
        backupName = changeFileExtension(m_target, options.backupExtension);
        std::string error;
        if (backupName == m_target) {
            backupName.clear();
        } else if (!makeBackupCopy(m_target, m_old, old, backupName, options.durable, error)) {
            if (file.mayRename) {
                result.error = error;
                return result;
            }
            // The folder is not the user's to write: the save goes on, the old text in memory.
            result.notice = "File [" + m_path + "] Was Saved Without a Backup: " + error;
            backupName.clear();
        }
    }
    // Room for the new text first, where the file system can say so, so that a full disk
    // leaves the old text untouched.
    if (fresh.size() > old.size() &&
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(fresh.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        result.error = systemError("Cannot write", m_path);
        result.notice.clear();
        return result;
    }
    if (writeWhole(fd, fresh, options.durable)) {
        result.status = ReplaceResult::Status::Replaced;
        return result;
    }
    result.error = systemError("Cannot write", m_path);
    result.notice.clear();
    if (writeWhole(fd, old, true))
        result.error += ". Its old text was put back.";
    else if (!backupName.empty())
        result.error += ". Its old text could not be put back; it is kept in " + backupName + ".";
    else
        result.error += ". Its old text could not be put back.";
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
