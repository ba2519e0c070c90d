#include "workspace/engine/setup_rules.h"

#include "workspace/engine/machine_database.h"

#include "platform/folders.h"
#include "platform/ini.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/stored_path.h"
#include "platform/textfile.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace mrw {

namespace {
constexpr const char* Caption = "MARROWIN";
constexpr const char* DatabaseFileName = "WPOSTS.INI";
}

MachineTypeView machineTypeView(int machType)
{
    MachineTypeView v;
    const bool dxf = machType == machinetype::DxfFile;
    v.coordinateGroupCaption = dxf ? "DXF File Mode" : "Coordinate Mode";
    v.absCaption = dxf ? "Mill" : "Abs";
    v.incCaption = dxf ? "Lathe" : "Incr";
    const bool numeric =
        machType == machinetype::Mill || machType == machinetype::BendixMill || machType == machinetype::Lathe;
    v.coordinateMode = numeric || dxf;
    v.format = v.digitsLeft = v.digitsRight = v.arcCenter = numeric;
    v.rapidCode = v.linearCode = v.clockwise = v.counterClockwise = numeric;
    v.sequenceNumbers = v.feedDigits = numeric;
    v.latheFormat = machType == machinetype::Lathe;
    return v;
}

DeviceTypeView deviceTypeView(int deviceType)
{
    const bool terminal = deviceType == devicetype::HubTerminal || deviceType == devicetype::ShopTerminal;
    return {deviceType == devicetype::RemoteCnc, deviceType == devicetype::DirectFileTransfer,
            terminal ? "Time Out  " : "Char Delay", terminal ? "Term Lines" : "Line Delay"};
}

std::optional<std::string> stepLeaderLength(const std::string& text, int delta, std::string& error)
{
    const auto value = platform::parseInteger(text);
    if (!value || *value > 1'000'000'000 || *value < -1'000'000'000) {
        error = "'" + text + "' is not a valid integer value";
        return std::nullopt;
    }
    return std::to_string(std::clamp<std::int64_t>(*value + delta, 0, MaxLeaderLength));
}

bool leaderLengthAcceptable(const std::string& text, std::string& error)
{
    const auto value = platform::parseInteger(text);
    if (value && *value > MaxLeaderLength) {
        error = "The leader length must be from 0 to " + std::to_string(MaxLeaderLength) + " inches";
        return false;
    }
    return true;
}

bool ConfirmFolderExists(const std::string& folder, const std::string& label, platform::Prompter& prompter)
{
    const std::string path = platform::resolveStoredPath(folder);
    if (!path.empty() && platform::setCurrentFolder(path))
        return true;
    if (!prompter.ask(Caption, "Folder for \"" + label + "\" Does Not Exist, Create ?"))
        return false;
    if (!path.empty() && ::mkdir(path.c_str(), 0777) == 0)
        return true;
    prompter.message(Caption, "Error Creating Folder \"" + folder + "\"", platform::MessageKind::Error,
                     platform::Buttons::Ok);
    return false;
}

bool CheckDefaultFolders(const MachineSettings& s, platform::Prompter& prompter)
{
    return ConfirmFolderExists(s.DirUPL, "Default Upload", prompter)
           && ConfirmFolderExists(s.DirDNL, "Default Download", prompter)
           && ConfirmFolderExists(s.DirLS, "Default Load/Save", prompter);
}

bool ConfirmSaveMachine(WorkspaceGlobals& g, platform::Prompter& prompter)
{
    if (!g.Machine.modified())
        return true;
    if (prompter.message(Caption, "Save Current Machine Settings?", platform::MessageKind::Information,
                         platform::Buttons::YesNo)
        != platform::Button::Yes)
        return false;
    try {
        SaveMachine(g, g.CurrentMachineName);
    } catch (const platform::IniWriteError& e) {
        g.Machine.setModified(true);
        prompter.message(Caption, e.what(), platform::MessageKind::Error, platform::Buttons::Ok);
        return false;
    }
    return true;
}

namespace {

bool copyDatabase(const std::string& from, const std::string& to, platform::Prompter& prompter)
{
    const auto bytes = platform::readFileBytes(from);
    if (!bytes) {
        prompter.message(Caption, "Cannot read \"" + from + "\"", platform::MessageKind::Error, platform::Buttons::Ok);
        return false;
    }
    if (platform::fileExists(to) && !prompter.ask(Caption, "Replace the existing file \"" + to + "\" ?"))
        return false;
    std::string error;
    if (!platform::saveFileAtomic(to, *bytes, &error)) {
        prompter.message(Caption, "Cannot write \"" + to + "\": " + error, platform::MessageKind::Error,
                         platform::Buttons::Ok);
        return false;
    }
    return true;
}

} // namespace

bool backupMachineDatabase(const std::string& databasePath, const std::string& folder, platform::Prompter& prompter)
{
    const std::string target =
        platform::resolveCaseInsensitive(platform::joinPath(platform::toNativeSeparators(folder), DatabaseFileName));
    return copyDatabase(databasePath, target, prompter);
}

bool restoreMachineDatabase(const std::string& databasePath, const std::string& folder,
                            platform::Prompter& prompter)
{
    const std::string source =
        platform::resolveCaseInsensitive(platform::joinPath(platform::toNativeSeparators(folder), DatabaseFileName));
    return copyDatabase(source, databasePath, prompter);
}

} // namespace mrw
