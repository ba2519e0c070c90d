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
    const std::string line =
        formatLogLine(m_clock(), m_separators.value_or(systemDateTimeSeparators()), message) + "\r\n";
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
