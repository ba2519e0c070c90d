#include "workspace/engine/activity_log.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/format.h"
#include "platform/ini.h"

#include <cctype>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <langinfo.h>
#include <unistd.h>

namespace mrw {

namespace {

// The first separator character of a strftime-style format ("%d.%m.%Y" gives ".").
char separatorOf(const char* format, char fallback)
{
    if (!format)
        return fallback;
    for (const char* p = format; *p; ++p) {
        if (*p == '%') {
            if (p[1] == '\0')
                break;
            ++p;
            continue;
        }
        const auto c = static_cast<unsigned char>(*p);
        if (!std::isalnum(c) && !std::isspace(c))
            return *p;
    }
    return fallback;
}

// Control bytes as <hex>; `limit` characters at most, "..." marking a cut. The C1 controls
// (80h-9Fh) count as controls too: some terminals take 9Bh as the start of an escape
// sequence. A0h-FFh are the Latin-1 letters of a name and stay as they are.
std::string escaped(std::string_view text, std::size_t limit)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < 32 || (byte >= 127 && byte < 0xA0);
        if (out.size() + (control ? 4 : 1) > limit)
            return out + "...";
        if (control) {
            out += '<';
            out += hex[byte >> 4];
            out += hex[byte & 15];
            out += '>';
        } else {
            out += c;
        }
    }
    return out;
}

// Appends `line` with one write, so that no other writer's line lands inside it. A write
// cut short (a full disk, a size limit) is taken back: the next line then starts where
// this one would have, and no torn line is left.
bool appendWhole(const std::string& path, const std::string& line)
{
    // The log lies in a folder several users share: a link planted under its name is not
    // followed, and a FIFO or device is not written (nor waited for).
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    const ssize_t written = ::write(fd, line.data(), line.size());
    const bool whole = written == static_cast<ssize_t>(line.size());
    if (!whole && written > 0) {
        // An appended write leaves the offset at the end of what it wrote. When the cut
        // fails too, the failure is reported all the same.
        const off_t end = ::lseek(fd, 0, SEEK_CUR);
        [[maybe_unused]] const bool cut = end >= written && ::ftruncate(fd, end - written) == 0;
    }
    return ::close(fd) == 0 && whole;
}

std::string twoDigits(int v)
{
    return platform::format("%2.2d", {v});
}

} // namespace

DateTimeSeparators systemDateTimeSeparators()
{
    return {separatorOf(nl_langinfo(D_FMT), '/'), separatorOf(nl_langinfo(T_FMT), ':')};
}

LocalDateTime localNow()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string formatLogLine(const LocalDateTime& when, const DateTimeSeparators& sep, const std::string& message)
{
    return twoDigits(when.month) + sep.date + twoDigits(when.day) + sep.date + platform::format("%4.4d", {when.year})
           + "," + twoDigits(when.hour) + sep.time + twoDigits(when.minute) + sep.time + twoDigits(when.second) + ","
           + message;
}

ActivityLog::ActivityLog() : m_clock(localNow) {}

bool ActivityLog::write(const std::string& message)
{
    if (!m_enabled)
        return true;
    // One event, one line, whatever the message holds.
    const std::string line = formatLogLine(m_clock(), m_separators.value_or(systemDateTimeSeparators()),
                                           escaped(message, std::string::npos)) +
                             "\r\n";
    const bool ok = appendWhole(m_path, line);
    if (!ok && !m_failureReported && m_prompter) {
        m_failureReported = true;
        m_prompter->message("MARROWIN", "Unable to write to the activity log " + m_path,
                            platform::MessageKind::Warning, platform::Buttons::Ok);
    }
    return ok;
}

std::string LogQuote(std::string_view text)
{
    return escaped(text, LogQuoteLimit);
}

bool readLoggingSetting(const std::string& programIniPath)
{
    return platform::IniFile(programIniPath).readBool("GENERAL", "LOGGING", false);
}

void writeLoggingSetting(const std::string& programIniPath, bool on)
{
    platform::IniFile(programIniPath).writeBool("GENERAL", "LOGGING", on);
}

ActivityLog& activityLog()
{
    static ActivityLog log = [] {
        ActivityLog l;
        l.setPath(workspaceGlobals().ProgramFolder + "MRWDNC.LOG");
        return l;
    }();
    return log;
}

void WriteActivityLog(const std::string& message)
{
    activityLog().write(message);
}

} // namespace mrw
