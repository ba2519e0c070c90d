#pragma once
// The rules of the machine setup dialog that do not depend on its widgets: which
// groups a machine type enables, what a device type shows, the leader spinner, the
// checks of the default folders, and the backup and restore of the machine database.
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <optional>
#include <string>

namespace mrw {

// The twelve groups that depend on the machine type, and the captions of the
// coordinate-mode group and its two buttons.
struct MachineTypeView {
    bool coordinateMode = false;
    bool format = false;
    bool digitsLeft = false;
    bool digitsRight = false;
    bool latheFormat = false;
    bool arcCenter = false;
    bool rapidCode = false;
    bool linearCode = false;
    bool clockwise = false;
    bool counterClockwise = false;
    bool sequenceNumbers = false;
    bool feedDigits = false;
    std::string coordinateGroupCaption; // "Coordinate Mode" or "DXF File Mode"
    std::string absCaption;             // "Abs" or "Mill"
    std::string incCaption;             // "Incr" or "Lathe"

    bool operator==(const MachineTypeView&) const = default;
};
// UpdateMachineTypeLabels for a machine type index (-1: no selection).
MachineTypeView machineTypeView(int machType);

// What the device type changes in the dialog.
struct DeviceTypeView {
    bool remotePageEnabled = false;
    bool dftAskVisible = false;
    std::string charDelayLabel; // "Char Delay" or "Time Out  "
    std::string lineDelayLabel; // "Line Delay" or "Term Lines"

    bool operator==(const DeviceTypeView&) const = default;
};
DeviceTypeView deviceTypeView(int deviceType);

// The leader spinner: the number in `text` plus `delta`, never below 0 nor above
// MaxLeaderLength. A text that is not a whole number gives nothing and the conversion
// message in `error`.
std::optional<std::string> stepLeaderLength(const std::string& text, int delta, std::string& error);

// The leader text as the dialog accepts it: true unless it is a number above
// MaxLeaderLength, which gives the refusal in `error`. A text that is no number
// stands for no leader, as before.
bool leaderLengthAcceptable(const std::string& text, std::string& error);

// ConfirmFolderExists: true when the folder, a stored path, can be entered (it becomes
// the current directory). Otherwise asks "Folder for "<label>" Does Not Exist, Create ?" and
// creates it on Yes; a folder that cannot be created is reported and gives false.
bool ConfirmFolderExists(const std::string& folder, const std::string& label, platform::Prompter& prompter);
// CheckDefaultFolders: the upload, download and load/save folders in turn, stopping
// at the first that does not exist afterwards.
bool CheckDefaultFolders(const MachineSettings& s, platform::Prompter& prompter);

// ConfirmSaveMachine: true when nothing was changed; else asks "Save Current Machine
// Settings?" and saves on Yes (false on No). A failed save is reported and gives false.
bool ConfirmSaveMachine(WorkspaceGlobals& g, platform::Prompter& prompter);

// Backup and Restore of the machine database the program uses (databasePath): a copy
// into, or from, WPOSTS.INI of the chosen folder. An existing target is replaced only
// after a Yes. Failures are reported; true when the copy was made.
bool backupMachineDatabase(const std::string& databasePath, const std::string& folder, platform::Prompter& prompter);
bool restoreMachineDatabase(const std::string& databasePath, const std::string& folder,
                            platform::Prompter& prompter);

} // namespace mrw
