#include "analyzer/engine/analyzer_settings.h"

#include "platform/ini.h"
#include "platform/numbers.h"
#include "platform/stored_path.h"

#include <algorithm>

namespace vork {

namespace {

constexpr const char* Dv = "DV";
constexpr const char* Directories = "DIRECTORIES";
constexpr const char* Desk = "ZVDESK";

} // namespace

std::string AnalyzerVersionText() { return platform::formatFixed(AnalyzerVersion, 2); }

int ClampRunSpeed(long long speed)
{
    return static_cast<int>(std::clamp<long long>(speed, MinRunSpeed, MaxRunSpeed));
}

namespace {

std::string storedFolder(const std::string& stored)
{
    std::string folder = platform::resolveStoredPath(stored);
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string AnalyzerSettings::TapeFolder() const { return storedFolder(tapeDir); }
std::string AnalyzerSettings::DrawFolder() const { return storedFolder(drawDir); }
std::string AnalyzerSettings::SolidFolder() const { return storedFolder(solidPath); }

void Get_INI_Stuff(AnalyzerSettings& s, platform::IniFile& ini)
{
    const AnalyzerSettings defaults;
    s.arrows = ini.readBool(Dv, "ARROWS", defaults.arrows);
    s.debug = ini.readBool(Dv, "DEBUG", defaults.debug);
    s.dash = ini.readBool(Dv, "DASH", defaults.dash);
    s.edit = ini.readBool(Dv, "EDIT", defaults.edit);
    s.limits = ini.readBool(Dv, "LIMITS", defaults.limits);
    s.ruler = ini.readBool(Dv, "RULER", defaults.ruler);
    s.skip = ini.readBool(Dv, "SKIP", defaults.skip);
    s.showTool = ini.readBool(Dv, "STOOL", defaults.showTool);
    s.sub = ini.readBool(Dv, "SUB", defaults.sub);
    s.useRotary = ini.readBool(Dv, "USEROTARY", defaults.useRotary);
    s.positionUpdate = ini.readBool(Dv, "POSUP", defaults.positionUpdate);
    s.axis = ini.readBool(Dv, "AXIS", defaults.axis);
    s.speed = ClampRunSpeed(ini.readInt(Dv, "SPEED", defaults.speed));
    s.rapidColor = ini.readInt(Dv, "RAPCOLOR", defaults.rapidColor);
    s.tapeDir = ini.readString(Directories, "TAPEDIR", defaults.tapeDir);
    s.drawDir = ini.readString(Directories, "DRAWDIR", defaults.drawDir);
    s.defaultExtension = ini.readString(Desk, "DEFEXT", defaults.defaultExtension);
    s.defaultMachine = ini.readString(Dv, "DEFMCH", defaults.defaultMachine);
    s.defaultEditor = ini.readString(Dv, "DEFEDIT", defaults.defaultEditor);
    s.blackBackground = ini.readBool(Dv, "BLACKBACK", defaults.blackBackground);
    s.animateTool = ini.readBool(Dv, "ATOOL", defaults.animateTool);
    s.view = ini.readInt(Dv, "CVIEW", defaults.view);
    s.solidPath = ini.readString("ZELMOVANTRIX", "SOLIDPATH", "C:\\HALVEN");
    // An empty value stays unset rather than naming the root folder.
    if (!s.solidPath.empty() && s.solidPath.back() != '\\')
        s.solidPath += '\\';
    ini.writeString("SYSTEM", "DVVER", AnalyzerVersionText());
}

namespace {

void writeSettings(const AnalyzerSettings& s, platform::IniEdit& ini)
{
    ini.writeBool(Dv, "ARROWS", s.arrows);
    ini.writeBool(Dv, "DEBUG", s.debug);
    ini.writeBool(Dv, "DASH", s.dash);
    ini.writeBool(Dv, "EDIT", s.edit);
    ini.writeBool(Dv, "LIMITS", s.limits);
    ini.writeBool(Dv, "RULER", s.ruler);
    ini.writeBool(Dv, "SKIP", s.skip);
    ini.writeBool(Dv, "STOOL", s.showTool);
    ini.writeBool(Dv, "SUB", s.sub);
    ini.writeBool(Dv, "USEROTARY", s.useRotary);
    ini.writeBool(Dv, "POSUP", s.positionUpdate);
    ini.writeBool(Dv, "AXIS", s.axis);
    ini.writeInt(Dv, "SPEED", ClampRunSpeed(s.speed));
    ini.writeInt(Dv, "RAPCOLOR", s.rapidColor);
    ini.writeString(Directories, "TAPEDIR", s.tapeDir);
    ini.writeString(Desk, "DEFEXT", s.defaultExtension);
    ini.writeString(Dv, "DEFEDIT", s.defaultEditor);
    ini.writeString(Dv, "DEFMCH", s.defaultMachine);
    ini.writeBool(Dv, "BLACKBACK", s.blackBackground);
    ini.writeBool(Dv, "ATOOL", s.animateTool);
    ini.writeInt(Dv, "CVIEW", s.view);
}

} // namespace

void Set_INI_Stuff(const AnalyzerSettings& settings, platform::IniFile& file)
{
    file.edit([&](platform::IniEdit& ini) { writeSettings(settings, ini); });
}

} // namespace vork
