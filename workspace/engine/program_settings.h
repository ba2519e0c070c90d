#pragma once
// The program settings of MRW2013: section [GENERAL] of MRW2013.INI, read once at
// start, held in memory for the whole run and written back when the main window closes.
#include "platform/ini.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mrw {

// A font as the settings file stores it; colours are Windows colour values
// (red in the lowest byte, green in the next, blue in the third).
struct FontSetting {
    std::string name;
    int size = 9;
    std::uint32_t color = 0;
    bool bold = false;
    bool italic = false;

    bool operator==(const FontSetting&) const = default;
};

namespace tabtype { inline constexpr int Fixed = 0, Real = 1, Smart = 2; }

struct ProgramSettings {
    bool UseSecure = false;      // USESECURE: logins and rights checks
    bool DncAlert = false;       // DNCALERT
    bool AutoIndent = false;     // AUTOIND
    bool Backup = true;          // BACKUP: saving keeps the previous file as *.BAK
    bool WordWrap = false;       // WORDWRAP
    bool WrapToWindow = false;   // WRAP2WINDOW
    int WrapColumn = 80;         // WRAPCOLUMN
    bool WordStar = false;       // WORDSTAR key commands
    bool ForceCaps = true;       // FORCECAPS
    int TabType = tabtype::Real; // TABTYPE
    bool PrettyPrint = true;     // PPRINT
    bool ColourPrint = false;    // CPRINT
    bool NcWarn = true;          // NCWARN: confirm before the analyzer hand-off
    bool ShowSyntax = true;      // SHOWSYNTAX
    bool AutoRemote = false;     // AUTOREMOTE
    int TabSize = 8;             // TABSIZE
    double PrintMarginLeft = 1.0;   // PMARGINL, inches
    double PrintMarginTop = 0.5;    // PMARGINT
    double PrintMarginBottom = 0.5; // PMARGINB
    std::string CurrentMachine;  // CMACHINE
    std::string TempDir;         // TEMPDIR (read only; the program folder when missing)
    int DtrDelayTicks = 36;      // DTRDELAY, held in 55-ms ticks
    int ComOpenDelayTicks = 0;   // COMOPENDELAY, held in ticks
    std::string LineSkipMarker = "<"; // LCOMMENTCHAR
    bool RtsLowForWrite = false; // RTSLOWFORWRITE
    int ComInSize = 4096;        // COMINSIZE
    int ComOutSize = 4096;       // COMOUTSIZE
    std::uint32_t AddressColor = 0;        // ACOLOR: letters and other characters
    std::uint32_t NumberColor = 16711680;  // NACOLOR: digits, "+", "-", "."
    std::uint32_t CommentColor = 255;      // CCOLOR
    std::uint32_t EditorColor = 16777215;  // EDCOLOR: editor background
    std::uint32_t HighlightColor = 16711680; // HCOLOR: background of selected text
    // The editor font; HasEditorFont is false while the built-in fixed font is in use.
    bool HasEditorFont = false;
    FontSetting EditorFont;
    FontSetting PrintFont{"Courier New", 12, 0, false, false};

    bool operator==(const ProgramSettings&) const = default;
};

inline constexpr const char* GeneralSection = "GENERAL";

// The settings of the run: read by the main window at start, read by every window.
ProgramSettings& programSettings();

// Seconds as the settings file keeps them and 55-ms ticks as the port layer counts them.
// A negative value in the file is a tick count already.
int delaySecondsToTicks(int fileValue);
int delayTicksToSeconds(int ticks);

// Reads a margin text; a text that is no number gives 0 (after the converter's warning).
using TextToReal = std::function<double(std::string_view)>;

// Reads [GENERAL] into settings in the order of the file's keys. Keys that are missing
// keep their defaults; the margin texts go through toReal.
void loadProgramSettings(const platform::IniFile& ini, ProgramSettings& s, const std::string& programFolder,
                         const TextToReal& toReal);
// Writes every stored key of [GENERAL] in one save (TEMPDIR and LOGGING are not written
// here). Throws platform::IniWriteError (IniUnreadableError when the file cannot be read).
void saveProgramSettings(platform::IniFile& ini, const ProgramSettings& s);

// What to tell at start about settings files that exist but cannot be read: the run goes
// on with defaults in memory and never writes them. One message per such file.
std::vector<std::string> unreadableSettingsMessages(const std::vector<std::string>& files);

} // namespace mrw
