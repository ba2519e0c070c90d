#pragma once
// The logic of the small dialogs of MRW2013: the Properties dialog's enabling rules and
// colour names, the special-character picker's codes, the file information texts and
// the progress meter.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace mrw {

// ---- Properties --------------------------------------------------------------------

struct NamedColor {
    std::string_view name;
    std::uint32_t value; // Windows colour value: red in the lowest byte
};
inline constexpr std::array<NamedColor, 16> StandardColors{{
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},  {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},   {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF},
}};
// The index of a colour in StandardColors, or -1 for any other value.
int standardColorIndex(std::uint32_t value);

struct PropertiesChecks {
    bool syntax = true;
    bool wordWrap = false;
    bool wrapToWindow = false;
    bool prettyPrint = true;
};
struct PropertiesEnabling {
    bool syntaxColors = true;
    std::string syntaxGroupCaption;
    bool wrapToWindow = false;
    bool wrapToColumn = false;
    bool wrapColumn = false;
    bool colourPrint = false;
};
PropertiesEnabling propertiesEnabling(const PropertiesChecks& checks);

// TABSIZE and WRAPCOLUMN as the editor can use them.
int atLeastOne(int value);

// The program version the about box shows.
inline constexpr double ProgramVersion = 5.16;
std::string versionText();

// ---- Special characters ------------------------------------------------------------

inline constexpr int PickerRows = 7;
inline constexpr int PickerColumns = 32;
// The code of the table cell in row r, column c (from 0): 32 .. 255.
int cellCharCode(int row, int column);
// The control-character box: "(none)", "Ctrl - A" .. "Ctrl - Z", "<Escape>".
inline constexpr int ControlCharItems = 28;
std::string controlCharItem(int index);
int controlCharCode(int index);
// The text the picker puts on the clipboard: the character, or nothing for code 0.
std::string pickedText(int code);

// ---- File information --------------------------------------------------------------

struct NcFileInfo {
    std::string fileName; // without folder
    std::string lines;
    std::string characters;
    std::string feet;   // tape length at 120 characters a foot
    std::string meters;
    std::string modified; // "Yes" / "No"
};
NcFileInfo ncFileInfo(const std::string& path, long long lineCount, long long byteCount, bool modified);

// ---- Progress meter ----------------------------------------------------------------

// The meter's percentage after `line` of `count` lines, rounded half to even.
int meterPercent(long long line, long long count);

} // namespace mrw
