#pragma once
// The activity log MRWDNC.LOG in the program folder: one line per event,
// "mm/dd/yyyy,hh:mm:ss," with the system's date and time separators, the message, CR LF.
#include "platform/host.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mrw {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct DateTimeSeparators {
    char date = '/';
    char time = ':';
};

// The separators of the user's date and time formats (LC_TIME); "/" and ":" when
// the format has none.
DateTimeSeparators systemDateTimeSeparators();
LocalDateTime localNow();

// "mm/dd/yyyy,hh:mm:ss," + message (without line end).
std::string formatLogLine(const LocalDateTime& when, const DateTimeSeparators& sep, const std::string& message);

class ActivityLog {
public:
    using Clock = std::function<LocalDateTime()>;

    ActivityLog();

    void setPath(std::string path) { m_path = std::move(path); }
    const std::string& path() const { return m_path; }
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // Fixed separators (tests); by default the system's at the time of each write.
    void setSeparators(DateTimeSeparators sep) { m_separators = sep; }
    // Where a log that cannot be written is reported (once per run); none: not reported.
    void setPrompter(platform::Prompter* prompter) { m_prompter = prompter; }

    // Appends one line when logging is on, creating the file when missing. A log that
    // cannot be written never stops the caller: it is reported once and false returned.
    bool write(const std::string& message);

private:
    std::string m_path;
    bool m_enabled = false;
    Clock m_clock;
    std::optional<DateTimeSeparators> m_separators;
    platform::Prompter* m_prompter = nullptr;
    bool m_failureReported = false;
};

// The LOGGING switch of [GENERAL] in MRW2013.INI (read at start, written when the
// password manager closes). The write throws platform::IniWriteError.
bool readLoggingSetting(const std::string& programIniPath);
void writeLoggingSetting(const std::string& programIniPath, bool on);

// Text from outside (a serial line, a name typed at a terminal) as a log line quotes it:
// control bytes written as <0D>, at most LogQuoteLimit characters, "..." marking a cut.
// Every line that quotes such text goes through here; a line can then neither be split
// nor forged, nor grow without bound.
inline constexpr std::size_t LogQuoteLimit = 128;
std::string LogQuote(std::string_view text);

// The log of the run (path and switch set by the main window at start).
ActivityLog& activityLog();
// Writes to the log of the run.
void WriteActivityLog(const std::string& message);

} // namespace mrw
