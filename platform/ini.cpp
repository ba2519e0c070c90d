#include "platform/ini.h"

#include "platform/file_replace.h"

#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

IniWriteError::IniWriteError(const std::string& fileName)
    : IniWriteError(fileName, "Unable to write to " + fileName)
{
}

IniWriteError::IniWriteError(const std::string& fileName, const std::string& message)
    : std::runtime_error(message), m_fileName(fileName)
{
}

std::string unreadableIniMessage(const std::string& path)
{
    return "Cannot read " + path + ": settings kept in memory only";
}

IniUnreadableError::IniUnreadableError(const std::string& fileName)
    : IniWriteError(fileName, unreadableIniMessage(fileName))
{
}

namespace {

enum class LineKind { Other, Section, Key };

LineKind kindOf(std::string_view text);

// One physical line of the file: its bytes without the line end, the line end exactly as
// found ("\r\n", "\n", "\r" or "" for a last line without one), and what the line is,
// known once so that finding a section in a large file never parses every line again.
struct Line {
    Line(std::string text_, std::string end_) : text(std::move(text_)), end(std::move(end_)), kind(kindOf(text)) {}
    std::string text;
    std::string end;
    LineKind kind;
};

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed, quotes removed
};

ParsedLine parse(std::string_view text)
{
    ParsedLine p;
    const std::string_view t = trimBlanks(text);
    if (t.empty() || t.front() == ';')
        return p;
    if (t.front() == '[') {
        const auto close = t.find(']');
        p.kind = LineKind::Section;
        p.name = trimBlanks(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return p;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return p;
    p.kind = LineKind::Key;
    p.name = trimBlanks(t.substr(0, eq));
    std::string_view v = trimBlanks(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    p.value = v;
    return p;
}

LineKind kindOf(std::string_view text)
{
    return parse(text).kind;
}

} // namespace

namespace detail {

// The lines of a file, kept byte for byte, with the edits the file's writes make.
class IniDocument {
public:
    enum class State { Missing, Readable, Unreadable };

    IniDocument() = default;
    explicit IniDocument(const std::string& path)
    {
        const auto bytes = readFileBytes(path);
        if (!bytes) {
            // A file that cannot be opened is missing only when nothing is there; an
            // unreadable folder or file is another answer.
            struct stat st{};
            m_state = ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)
                          ? State::Missing
                          : State::Unreadable;
            return;
        }
        m_state = State::Readable;
        m_original = *bytes;
        const std::string& b = *bytes;
        m_lines.reserve(static_cast<std::size_t>(std::count(b.begin(), b.end(), '\n')) + 1);
        std::size_t start = 0;
        for (std::size_t i = 0; i < b.size(); ++i) {
            if (b[i] == '\r' || b[i] == '\n') {
                const bool crLf = b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n';
                const std::size_t endLength = crLf ? 2 : 1;
                m_lines.push_back(Line{b.substr(start, i - start), b.substr(i, endLength)});
                i += endLength - 1;
                start = i + 1;
            }
        }
        if (start < b.size())
            m_lines.push_back(Line{b.substr(start), ""});
    }

    State state() const { return m_state; }
    // The bytes as read (empty for a missing file).
    const std::string& original() const { return m_original; }
    const std::vector<Line>& lines() const { return m_lines; }

    // Index of the header of the first section with that name. A save writes many keys
    // of one section in a row: the last section found is remembered until lines are
    // erased (new lines only ever go below the section just found).
    std::optional<std::size_t> findSection(const std::string& section) const
    {
        if (m_lastSection && equalsNoCase(m_lastSection->first, section))
            return m_lastSection->second;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].kind == LineKind::Section && equalsNoCase(parse(m_lines[i].text).name, section)) {
                m_lastSection.emplace(section, i);
                return i;
            }
        }
        return std::nullopt;
    }

    // One past the last line of the section whose header is at index header.
    std::size_t sectionEnd(std::size_t header) const
    {
        std::size_t i = header + 1;
        while (i < m_lines.size() && m_lines[i].kind != LineKind::Section)
            ++i;
        return i;
    }

    std::optional<std::size_t> findKey(std::size_t header, const std::string& key) const
    {
        const std::size_t end = sectionEnd(header);
        for (std::size_t i = header + 1; i < end; ++i) {
            if (m_lines[i].kind != LineKind::Key)
                continue;
            if (equalsNoCase(parse(m_lines[i].text).name, key))
                return i;
        }
        return std::nullopt;
    }

    std::string bytes() const
    {
        std::string out;
        out.reserve(m_original.size() + 64);
        for (const auto& l : m_lines) {
            out += l.text;
            out += l.end;
        }
        return out;
    }

    void addSection(const std::string& section)
    {
        if (findSection(section))
            return;
        if (!m_lines.empty())
            terminateLine(m_lines.size() - 1);
        m_lines.push_back(Line{"[" + section + "]", "\r\n"});
    }

    void setKey(const std::string& section, const std::string& key, const std::string& value)
    {
        const auto header = findSection(section);
        if (!header) {
            addSection(section);
            m_lines.push_back(Line{key + "=" + value, "\r\n"});
        } else if (const auto existing = findKey(*header, key)) {
            // Keep the key as spelled in the file; only the value changes.
            const std::string name(parse(m_lines[*existing].text).name);
            m_lines[*existing].text = name + "=" + value;
        } else {
            // A new key goes after the last non-blank line of its section.
            std::size_t at = sectionEnd(*header);
            while (at > *header + 1 && trimBlanks(m_lines[at - 1].text).empty())
                --at;
            terminateLine(at - 1);
            m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line{key + "=" + value, "\r\n"});
        }
    }

    void eraseKey(const std::string& section, const std::string& key)
    {
        const auto header = findSection(section);
        if (!header)
            return;
        if (const auto line = findKey(*header, key)) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*line));
            m_lastSection.reset();
        }
    }

    void eraseSection(const std::string& section)
    {
        const auto header = findSection(section);
        if (!header)
            return;
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(*header),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(*header)));
        m_lastSection.reset();
    }

private:
    // Makes sure the line before an insertion point ends, so a new line starts cleanly.
    void terminateLine(std::size_t index)
    {
        if (index < m_lines.size() && m_lines[index].end.empty())
            m_lines[index].end = "\r\n";
    }

    std::vector<Line> m_lines;
    mutable std::optional<std::pair<std::string, std::size_t>> m_lastSection;
    std::string m_original;
    State m_state = State::Missing;
};

} // namespace detail

namespace {

using detail::IniDocument;

// A save that could not be made, and why.
class IniSaveError : public IniWriteError {
public:
    IniSaveError(const std::string& fileName, const std::string& reason)
        : IniWriteError(fileName, "Unable to write to " + fileName + ": " + reason)
    {
    }
};

std::atomic<std::chrono::milliseconds::rep> lockWait{DefaultIniLockWait.count()};

std::string folderName(const std::string& file)
{
    std::string folder = folderPart(file);
    if (folder.size() > 1)
        folder.pop_back();
    return folder.empty() ? "." : folder;
}

bool folderWritable(const std::string& file)
{
    return ::euidaccess(folderName(file).c_str(), W_OK | X_OK) == 0;
}

// Why a file beside `file` could not be made, when the answer is one the user can act on.
std::optional<std::string> writeFailureReason(const std::string& file, int error)
{
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return "the disk is full";
    if (error == EROFS || ((error == EACCES || error == EPERM) && !folderWritable(file)))
        return "its folder " + folderName(file) + " may not be written";
    return std::nullopt;
}

[[noreturn]] void throwWriteError(const std::string& shownName, const std::string& file, int error)
{
    if (const auto reason = writeFailureReason(file, error))
        throw IniSaveError(shownName, *reason);
    throw IniWriteError(shownName);
}

// An exclusive lock on "<file>.lck" beside the file, held while it lives. The lock file
// stays in place: removing it would let two programs lock two different files.
class SaveLock {
public:
    SaveLock(const std::string& file, const std::string& shownName)
    {
        const std::string name = file + ".lck";
        m_fd = openLockFile(name, file, shownName);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockWait.load());
        // Polled rather than waited for: a user who holds the lock for good (flock -s by
        // hand) must not freeze every other user's save and close.
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error != EWOULDBLOCK && error != EINTR) {
                ::close(m_fd);
                throw IniSaveError(shownName, "its lock file " + name + " cannot be locked (" +
                                                  std::strerror(error) + ")");
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(m_fd);
                throw IniSaveError(shownName, name + " is locked by another program; settings kept in memory only");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~SaveLock() { ::close(m_fd); } // closing releases the lock
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

private:
    static int openLockFile(const std::string& name, const std::string& file, const std::string& shownName)
    {
        constexpr int Flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        // A few rounds: another program may make or remove the name between two steps.
        for (int round = 0; round < 4; ++round) {
            int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | Flags, 0666);
            if (fd >= 0) {
                // Made just now: every user who shares the file must be able to open its lock.
                struct stat st{};
                if (::fstat(fd, &st) == 0 && (st.st_mode & 0444) != 0444)
                    ::fchmod(fd, (st.st_mode & 07777) | 0444);
                return fd;
            }
            if (errno != EEXIST)
                throwWriteError(shownName, file, errno);
            fd = ::open(name.c_str(), O_RDWR | Flags);
            if (fd < 0 && errno == EACCES) // another user's lock file: reading is enough to lock it
                fd = ::open(name.c_str(), O_RDONLY | Flags);
            if (fd >= 0) {
                struct stat st{};
                if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
                    return fd;
                ::close(fd);
                throw IniSaveError(shownName, name + " is in the way: it is not a file");
            }
            const int error = errno;
            if (error == ENOENT)
                continue;
            struct stat st{};
            if (error == ELOOP && ::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
                // A link where a lock file belongs: the link goes, never what it points at.
                if (::unlink(name.c_str()) == 0 || errno == ENOENT)
                    continue;
                throw IniSaveError(shownName, name + " is in the way: a link that cannot be removed");
            }
            throw IniSaveError(shownName, "its lock file " + name + " cannot be opened (" + std::strerror(error) + ")");
        }
        throw IniSaveError(shownName, name + " is in the way: it keeps changing");
    }

    int m_fd = -1;
};

} // namespace

void setIniLockWait(std::chrono::milliseconds wait)
{
    lockWait = wait.count();
}

bool parseIniInt(const std::string& text, int& value)
{
    std::string_view t = trimBlanks(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return false;
    long long magnitude = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
    if (ec != std::errc() || ptr != t.data() + t.size() || magnitude < 0)
        return false;
    const long long v = negative ? -magnitude : magnitude;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

// ---- reading -----------------------------------------------------------------------

std::string IniReader::readString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const
{
    std::unique_ptr<IniDocument> holder;
    const IniDocument& doc = document(holder);
    const auto header = doc.findSection(section);
    if (!header)
        return defaultValue;
    const auto line = doc.findKey(*header, key);
    if (!line)
        return defaultValue;
    return std::string(parse(doc.lines()[*line].text).value);
}

namespace {

// A value as the user is shown it: bytes below a blank and DEL as <hex>.
std::string shownValue(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += '<';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
            out += '>';
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string unreadValuesMessage(const std::string& path, const std::vector<std::string>& values)
{
    if (values.empty())
        return {};
    std::string text = "Settings in " + path + " that could not be read:";
    for (const std::string& value : values)
        text += "\n" + value;
    return text;
}

int IniReader::readInt(const std::string& section, const std::string& key, int defaultValue) const
{
    if (!hasKey(section, key))
        return defaultValue;
    const std::string text = readString(section, key);
    int value = defaultValue;
    if (parseIniInt(text, value))
        return value;
    m_unreadValues.push_back("[" + section + "] " + key + "=\"" + shownValue(text) + "\": " +
                             std::to_string(defaultValue) + " used");
    return defaultValue;
}

bool IniReader::readBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniReader::hasKey(const std::string& section, const std::string& key) const
{
    std::unique_ptr<IniDocument> holder;
    const IniDocument& doc = document(holder);
    const auto header = doc.findSection(section);
    return header && doc.findKey(*header, key);
}

bool IniReader::hasSection(const std::string& section) const
{
    std::unique_ptr<IniDocument> holder;
    return document(holder).findSection(section).has_value();
}

std::vector<std::string> IniReader::keys(const std::string& section) const
{
    std::vector<std::string> out;
    for (auto& [k, v] : entries(section))
        out.push_back(k);
    return out;
}

std::vector<std::pair<std::string, std::string>> IniReader::entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    std::unique_ptr<IniDocument> holder;
    const IniDocument& doc = document(holder);
    const auto header = doc.findSection(section);
    if (!header)
        return out;
    const std::size_t end = doc.sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        const ParsedLine p = parse(doc.lines()[i].text);
        if (p.kind == LineKind::Key)
            out.emplace_back(std::string(p.name), std::string(p.value));
    }
    return out;
}

std::vector<std::string> IniReader::sections() const
{
    std::vector<std::string> out;
    std::unique_ptr<IniDocument> holder;
    for (const auto& line : document(holder).lines()) {
        const ParsedLine p = parse(line.text);
        if (p.kind == LineKind::Section)
            out.emplace_back(p.name);
    }
    return out;
}

// ---- one save --------------------------------------------------------------------------

const IniDocument& IniEdit::document(std::unique_ptr<IniDocument>&) const
{
    return m_doc;
}

void IniEdit::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    m_doc.setKey(section, key, value);
}

void IniEdit::writeInt(const std::string& section, const std::string& key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniEdit::writeBool(const std::string& section, const std::string& key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniEdit::eraseKey(const std::string& section, const std::string& key)
{
    m_doc.eraseKey(section, key);
}

void IniEdit::eraseSection(const std::string& section)
{
    m_doc.eraseSection(section);
}

void IniEdit::addSection(const std::string& section)
{
    m_doc.addSection(section);
}

// ---- the file ----------------------------------------------------------------------------

IniFile::IniFile(const std::string& name)
    : m_path(resolveIniPath(name))
{
}

const IniDocument& IniFile::document(std::unique_ptr<IniDocument>& holder) const
{
    holder = std::make_unique<IniDocument>(m_path);
    return *holder;
}

bool IniFile::unreadable() const
{
    return IniDocument(m_path).state() == IniDocument::State::Unreadable;
}

void IniFile::edit(const std::function<void(IniEdit&)>& change)
{
    const std::string target = replacementTarget(m_path);
    const SaveLock lock(target, m_path);
    IniDocument doc(target);
    if (doc.state() == IniDocument::State::Unreadable)
        throw IniUnreadableError(m_path);
    if (doc.state() == IniDocument::State::Readable && writeProtected(target))
        throw IniSaveError(m_path, "it is write-protected");
    IniEdit editing(doc);
    change(editing);
    const std::string bytes = doc.bytes();
    if (doc.state() == IniDocument::State::Readable && bytes == doc.original())
        return;
    ReplaceOptions options;
    options.durable = false;
    errno = 0;
    const ReplaceResult result = replaceFile(target, bytes, options);
    const int error = errno; // of the step that failed, if a call of the system failed
    if (result.status == ReplaceResult::Status::WriteProtected)
        throw IniSaveError(m_path, "it is write-protected");
    if (!result)
        throwWriteError(m_path, target, error);
}

void IniFile::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    edit([&](IniEdit& e) { e.writeString(section, key, value); });
}

void IniFile::writeInt(const std::string& section, const std::string& key, int value)
{
    edit([&](IniEdit& e) { e.writeInt(section, key, value); });
}

void IniFile::writeBool(const std::string& section, const std::string& key, bool value)
{
    edit([&](IniEdit& e) { e.writeBool(section, key, value); });
}

void IniFile::eraseKey(const std::string& section, const std::string& key)
{
    edit([&](IniEdit& e) { e.eraseKey(section, key); });
}

void IniFile::eraseSection(const std::string& section)
{
    edit([&](IniEdit& e) { e.eraseSection(section); });
}

} // namespace platform
