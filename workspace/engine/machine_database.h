#pragma once
// The machine database WPOSTS.INI: one section per machine, the list of machine names
// in [MACHINE NAMES], and the hub sections [HUB1]..[HUB4]. Every change is one save,
// merged with what other programs wrote meanwhile (see platform::IniFile::edit).
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/host.h"

#include <functional>
#include <string>
#include <vector>

namespace mrw {

inline constexpr const char* NotUsedSlot = "Not Used";
inline constexpr const char* MachineNamesSection = "MACHINE NAMES";
// The most slots the editors use, whatever NUMBER says.
inline constexpr int MaxMachineSlots = 9999;

class MachineDatabase {
public:
    // path: MachineDatabasePath (a full name, or the bare name for the Windows directory).
    explicit MachineDatabase(std::string path);
    // The file actually read and written.
    const std::string& path() const { return m_path; }

    // Reads section `name` into the settings, every key with its default; values that
    // select nothing leave the box without a selection (-1), a parity letter or FLOW
    // value that is not known leaves that box as it was. Never throws. Gives the values
    // that did not read (platform::IniReader::unreadValues).
    std::vector<std::string> loadMachine(const std::string& name, MachineSettings& s) const;
    // Writes every key into section `name` (the NC-code macro keys are left alone).
    // Throws platform::IniWriteError when the file cannot be written.
    void saveMachine(const std::string& name, const MachineSettings& s) const;

    // The machines in slot order: "Number" (default 25) slots, "Not Used" skipped.
    std::vector<std::string> machineNames() const;
    // The same, sorted as the machine boxes show them.
    std::vector<std::string> sortedMachineNames() const;
    // Puts a name into the first free slot, or into a new slot after the last.
    void addMachineName(const std::string& name) const;
    // Erases the section (macros included) and frees the first slot holding the name.
    void eraseMachine(const std::string& name) const;
    // Sets the first slot holding exactly this name to "Not Used".
    void freeSlot(const std::string& name) const;
    // Puts a new name into the slot of an old one (a new slot when the old is not listed).
    void renameSlot(const std::string& oldName, const std::string& newName) const;
    // True when the name is listed (exact comparison).
    bool isListed(const std::string& name) const;
    // Copies a whole section (every key, macros included) under a new name.
    void copySection(const std::string& from, const std::string& to) const;
    // Moves the whole section (macros included) and its slot to a new name, in one save.
    void renameMachine(const std::string& oldName, const std::string& newName) const;
    // True when the file exists but cannot be read: it is then never written.
    bool unreadable() const;

private:
    std::string m_path;
};

// The database of the run (MachineDatabasePath of the globals).
MachineDatabase machineDatabase(const WorkspaceGlobals& g);

// LoadMachine: the named machine into the current settings; clears the modified mark,
// sets the three folder-first-time flags and tells the windows showing the settings.
// Gives the values that did not read.
std::vector<std::string> LoadMachine(WorkspaceGlobals& g, const std::string& name);
// SaveMachine: the current settings into the named section; clears the modified mark.
// Throws platform::IniWriteError.
void SaveMachine(WorkspaceGlobals& g, const std::string& name);

// The questions a machine command may need to ask before it changes the database.
struct MachineCommandHooks {
    // ConfirmSaveMachine: false when the person wants to keep the current machine.
    std::function<bool()> confirmSave = [] { return true; };
    // CheckDefaultFolders (its answer is not used by the commands).
    std::function<bool()> checkDefaultFolders = [] { return true; };
};

// Add: asks for a new name; an empty name or one already listed is refused with a
// message and nothing is added; Cancel adds nothing. On success the name is listed,
// becomes CurrentMachineName, and true is returned (its section is written by the
// next Save or OK).
bool AddMachine(WorkspaceGlobals& g, platform::Prompter& prompter, const MachineCommandHooks& hooks = {});
// Rename: asks for the new name; refuses empty and listed names; keeps the whole
// section (NC-code macros included) under the new name and saves the current settings.
bool RenameMachine(WorkspaceGlobals& g, platform::Prompter& prompter, const MachineCommandHooks& hooks = {});
// DeleteMachine: with `ask`, "Delete Current Machine ?" first (No gives false).
// Erases the section and frees the slot; clears the modified mark.
bool DeleteMachine(WorkspaceGlobals& g, const std::string& name, bool ask, platform::Prompter& prompter);
// Delete command of the setup dialog: deletes CurrentMachineName with the question and
// then loads the first machine of the sorted list (none when the list is empty).
bool DeleteCurrentMachine(WorkspaceGlobals& g, platform::Prompter& prompter);

} // namespace mrw
