#pragma once
// The analyzer's preferences, kept in ZV.INI in the program folder: read once when the
// main window is made, written once when it goes. The dialogs and menus edit the struct.
#include <string>

namespace platform {
class IniFile;
}

namespace vork {

inline constexpr const char* AnalyzerIniName = "ZV.INI";
// The version shown in the about box and written as [SYSTEM] DVVER.
inline constexpr double AnalyzerVersion = 11.08;
std::string AnalyzerVersionText();

// Delay between blocks, in tenths of a second.
inline constexpr int MinRunSpeed = 0;
inline constexpr int MaxRunSpeed = 9999;
int ClampRunSpeed(long long speed);

struct AnalyzerSettings {
    bool arrows = false;    // direction arrows on the drawn moves
    bool debug = false;     // kept for the file's sake
    bool dash = true;       // rapid moves dashed in rapidColor
    bool edit = true;       // NC-code errors open the error dialog
    bool limits = true;     // travel-limit checking
    bool ruler = false;     // ruler at run start, clear and repaint
    bool skip = false;      // no stop at tool changes
    bool showTool = true;   // the tool image is shown (STOOL)
    bool sub = false;       // sub-programs are followed
    bool useRotary = false; // drawn points rotated by A, B, C
    bool positionUpdate = true; // readouts updated every block (POSUP)
    bool axis = false;      // axis symbol at run start, clear and repaint
    int speed = 0;          // delay between blocks in tenths of a second
    int rapidColor = 12;    // palette index of rapid moves
    std::string tapeDir = "c:\\HALVEN";    // folder of NC programs
    std::string drawDir = "c:\\HALVEN";    // folder of operation files (never written)
    std::string defaultExtension = "TAP";
    std::string defaultMachine = "REVIZ.MCH";
    std::string defaultEditor = "NOTEPAD.EXE"; // kept for the file's sake
    bool blackBackground = false;
    bool animateTool = true; // ATOOL
    // The view combo's index (0 XY, 1 XZ, 2 YZ, 3 3D, 4 Lathe): set it from the combo
    // before writing; the value read has no effect on the start view.
    int view = 0;
    // Folder of the CL file and the verification program, ending with "\" (never written;
    // empty when the file holds an empty value).
    std::string solidPath = "C:\\HALVEN\\";

    // The folders where files are looked up: the stored texts above resolved as every
    // stored path is (drive letters through [DRIVES] of MRW2013.INI, else the program
    // folder; a relative path from the program folder), ending with "/".
    std::string TapeFolder() const;
    std::string DrawFolder() const;
    std::string SolidFolder() const;
};

// Reads every key (a missing one gives its default) and writes [SYSTEM] DVVER.
// Throws platform::IniWriteError when the file cannot be written, IniUnreadableError
// (whose text says so) when it exists but cannot be read: the settings then stay in
// memory only.
void Get_INI_Stuff(AnalyzerSettings& settings, platform::IniFile& ini);
// Writes the settings in their fixed order, in one save; DRAWDIR and SOLIDPATH are never
// written.
void Set_INI_Stuff(const AnalyzerSettings& settings, platform::IniFile& ini);

} // namespace vork
