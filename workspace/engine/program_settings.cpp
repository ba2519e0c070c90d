#include "workspace/engine/program_settings.h"

#include "platform/numbers.h"

namespace mrw {

namespace {
constexpr int TicksPerSecondNum = 1675; // 18.2 ticks a second, as the port timer counts
constexpr int TicksPerSecondDen = 92;

std::uint32_t readColor(const platform::IniFile& ini, const char* key, std::uint32_t fallback)
{
    return static_cast<std::uint32_t>(ini.readInt(GeneralSection, key, static_cast<int>(fallback)));
}
void writeColor(platform::IniEdit& ini, const char* key, std::uint32_t value)
{
    ini.writeInt(GeneralSection, key, static_cast<int>(value));
}
}

ProgramSettings& programSettings()
{
    static ProgramSettings settings;
    return settings;
}

int delaySecondsToTicks(int fileValue)
{
    if (fileValue < 0)
        return -fileValue;
    return static_cast<int>(static_cast<long long>(fileValue) * TicksPerSecondNum / TicksPerSecondDen);
}

int delayTicksToSeconds(int ticks)
{
    return static_cast<int>((static_cast<long long>(ticks) + 9) * TicksPerSecondDen / TicksPerSecondNum);
}

void loadProgramSettings(const platform::IniFile& ini, ProgramSettings& s, const std::string& programFolder,
                         const TextToReal& toReal)
{
    const char* g = GeneralSection;
    s.UseSecure = ini.readBool(g, "USESECURE", false);
    s.DncAlert = ini.readBool(g, "DNCALERT", false);
    s.AutoIndent = ini.readBool(g, "AUTOIND", false);
    s.Backup = ini.readBool(g, "BACKUP", true);
    s.WordWrap = ini.readBool(g, "WORDWRAP", false);
    s.WrapToWindow = ini.readBool(g, "WRAP2WINDOW", false);
    s.WrapColumn = ini.readInt(g, "WRAPCOLUMN", 80);
    s.WordStar = ini.readBool(g, "WORDSTAR", false);
    s.ForceCaps = ini.readBool(g, "FORCECAPS", true);
    s.TabType = ini.readInt(g, "TABTYPE", tabtype::Real);
    s.PrettyPrint = ini.readBool(g, "PPRINT", true);
    s.ColourPrint = ini.readBool(g, "CPRINT", false);
    s.NcWarn = ini.readBool(g, "NCWARN", true);
    s.ShowSyntax = ini.readBool(g, "SHOWSYNTAX", true);
    s.AutoRemote = ini.readBool(g, "AUTOREMOTE", false);
    s.TabSize = ini.readInt(g, "TABSIZE", 8);
    s.PrintMarginLeft = toReal(ini.readString(g, "PMARGINL", "1.0"));
    s.PrintMarginTop = toReal(ini.readString(g, "PMARGINT", "0.5"));
    s.PrintMarginBottom = toReal(ini.readString(g, "PMARGINB", "0.5"));
    s.CurrentMachine = ini.readString(g, "CMACHINE", s.CurrentMachine);
    s.TempDir = ini.readString(g, "TEMPDIR", programFolder);
    s.DtrDelayTicks = delaySecondsToTicks(ini.readInt(g, "DTRDELAY", 2));
    s.ComOpenDelayTicks = delaySecondsToTicks(ini.readInt(g, "COMOPENDELAY", 0));
    s.LineSkipMarker = ini.readString(g, "LCOMMENTCHAR", "<");
    s.RtsLowForWrite = ini.readBool(g, "RTSLOWFORWRITE", false);
    s.ComInSize = ini.readInt(g, "COMINSIZE", 4096);
    s.ComOutSize = ini.readInt(g, "COMOUTSIZE", 4096);
    s.AddressColor = readColor(ini, "ACOLOR", 0);
    s.NumberColor = readColor(ini, "NACOLOR", 16711680);
    s.CommentColor = readColor(ini, "CCOLOR", 255);
    s.EditorColor = readColor(ini, "EDCOLOR", 16777215);
    s.HighlightColor = readColor(ini, "HCOLOR", 16711680);
    // Only a stored font name replaces the built-in editor font.
    if (ini.hasKey(g, "FONTNAME")) {
        s.HasEditorFont = true;
        s.EditorFont.size = ini.readInt(g, "FONTSIZE", 9);
        s.EditorFont.color = readColor(ini, "FONTCOLOR", 0);
        s.EditorFont.name = ini.readString(g, "FONTNAME");
        s.EditorFont.bold = ini.readBool(g, "FONTBOLD", false);
        s.EditorFont.italic = ini.readBool(g, "FONTITALIC", false);
    }
    s.PrintFont.size = ini.readInt(g, "PFONTSIZE", 11);
    s.PrintFont.bold = ini.readBool(g, "PFONTBOLD", false);
    s.PrintFont.italic = ini.readBool(g, "PFONTITALIC", false);
    s.PrintFont.name = ini.readString(g, "PFONTNAME", "Courier New");
}

namespace {

void writeProgramSettings(platform::IniEdit& ini, const ProgramSettings& s)
{
    const char* g = GeneralSection;
    ini.writeBool(g, "USESECURE", s.UseSecure);
    ini.writeBool(g, "DNCALERT", s.DncAlert);
    ini.writeBool(g, "AUTOIND", s.AutoIndent);
    ini.writeBool(g, "BACKUP", s.Backup);
    ini.writeBool(g, "WORDWRAP", s.WordWrap);
    ini.writeBool(g, "WRAP2WINDOW", s.WrapToWindow);
    ini.writeInt(g, "WRAPCOLUMN", s.WrapColumn);
    ini.writeBool(g, "WORDSTAR", s.WordStar);
    ini.writeBool(g, "FORCECAPS", s.ForceCaps);
    ini.writeInt(g, "TABTYPE", s.TabType);
    ini.writeBool(g, "PPRINT", s.PrettyPrint);
    ini.writeBool(g, "CPRINT", s.ColourPrint);
    ini.writeBool(g, "NCWARN", s.NcWarn);
    ini.writeBool(g, "SHOWSYNTAX", s.ShowSyntax);
    ini.writeBool(g, "AUTOREMOTE", s.AutoRemote);
    ini.writeInt(g, "TABSIZE", s.TabSize);
    ini.writeString(g, "PMARGINL", platform::formatFixed(s.PrintMarginLeft, 5));
    ini.writeString(g, "PMARGINT", platform::formatFixed(s.PrintMarginTop, 5));
    ini.writeString(g, "PMARGINB", platform::formatFixed(s.PrintMarginBottom, 5));
    ini.writeString(g, "CMACHINE", s.CurrentMachine);
    ini.writeInt(g, "DTRDELAY", delayTicksToSeconds(s.DtrDelayTicks));
    ini.writeInt(g, "COMOPENDELAY", delayTicksToSeconds(s.ComOpenDelayTicks));
    ini.writeString(g, "LCOMMENTCHAR", s.LineSkipMarker);
    ini.writeBool(g, "RTSLOWFORWRITE", s.RtsLowForWrite);
    ini.writeInt(g, "COMINSIZE", s.ComInSize);
    ini.writeInt(g, "COMOUTSIZE", s.ComOutSize);
    writeColor(ini, "ACOLOR", s.AddressColor);
    writeColor(ini, "NACOLOR", s.NumberColor);
    writeColor(ini, "CCOLOR", s.CommentColor);
    writeColor(ini, "EDCOLOR", s.EditorColor);
    writeColor(ini, "HCOLOR", s.HighlightColor);
    ini.writeString(g, "FONTNAME", s.EditorFont.name);
    ini.writeInt(g, "FONTSIZE", s.EditorFont.size);
    writeColor(ini, "FONTCOLOR", s.EditorFont.color);
    ini.writeBool(g, "FONTBOLD", s.EditorFont.bold);
    ini.writeBool(g, "FONTITALIC", s.EditorFont.italic);
    ini.writeInt(g, "PFONTSIZE", s.PrintFont.size);
    ini.writeBool(g, "PFONTBOLD", s.PrintFont.bold);
    ini.writeBool(g, "PFONTITALIC", s.PrintFont.italic);
    ini.writeString(g, "PFONTNAME", s.PrintFont.name);
}

} // namespace

void saveProgramSettings(platform::IniFile& ini, const ProgramSettings& s)
{
    ini.edit([&](platform::IniEdit& edit) { writeProgramSettings(edit, s); });
}

std::vector<std::string> unreadableSettingsMessages(const std::vector<std::string>& files)
{
    std::vector<std::string> messages;
    for (const auto& file : files) {
        const platform::IniFile ini(file);
        if (ini.unreadable())
            messages.push_back(platform::unreadableIniMessage(ini.path()));
    }
    return messages;
}

} // namespace mrw
