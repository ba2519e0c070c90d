#include "workspace/engine/activity_log.h"

#include "workspace/engine/workspace_globals.h"

#include "platform/format.h"
#include "platform/ini.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <langinfo.h>

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

// Control bytes as <hex>; `limit` characters at most, "..." marking a cut.
std::string escaped(std::string_view text, std::size_t limit)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < 32 || byte == 127;
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
    std::FILE* file = std::fopen(m_path.c_str(), "ab");
    bool ok = file != nullptr;
    if (file) {
        ok = std::fwrite(line.data(), 1, line.size(), file) == line.size();
        ok = std::fclose(file) == 0 && ok;
    }
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
