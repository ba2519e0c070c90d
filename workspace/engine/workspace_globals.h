#pragma once
// The values MRW2013 shares between its windows for the whole run: where its files
// are, the built-in and current machine records, the current machine's name and
// settings. They are set up once, before any window.
#include "workspace/engine/machine_record.h"
#include "workspace/engine/machine_settings.h"

#include <string>

namespace mrw {

struct WorkspaceGlobals {
    MachComRec DefaultMachine;   // built-in defaults; copied into undefined hub entries
    MachComRec CurrentMachine;   // the machine in use by the DNC terminal
    // The section LoadMachine last loaded; the machine selectors set it.
    std::string CurrentMachineName;
    // The current machine's settings (the setup dialog and the option dialogs edit them).
    MachineModel Machine;

    std::string ProgramFolder;       // with a trailing "/"
    std::string ProgramIniPath;      // ProgramFolder + "MRW2013.INI"
    std::string HelpFile;            // ProgramFolder + "MRW2013.HLP"
    std::string MachineDatabasePath; // fixed for the run, see machineDatabasePathFor
    std::string RemoteName = "REMOTE";

    // The next upload, download or load/save file dialog starts in the machine's folder.
    bool UploadFolderFirstTime = true;
    bool DownloadFolderFirstTime = true;
    bool LoadSaveFolderFirstTime = true;

    bool RemoteStartFlag = false; // started with "CNCREMOTE"
    // The settings of MRW2013.INI (AUTOREMOTE, NCWARN, PPRINT, CPRINT, the print margins
    // and the line-skip marker LCOMMENTCHAR, "<" at start) are held by ProgramSettings.
};

// The machine database in the program folder when it exists there at start, else the
// bare name "WPOSTS.INI", which lies in the Windows directory. Chosen once per run.
std::string machineDatabasePathFor(const std::string& programFolder);

// Sets every value to its start value for a program folder (with or without trailing "/").
void initializeWorkspaceGlobals(WorkspaceGlobals& g, const std::string& programFolder);

// The one instance of the run, initialised on first use from platform::programFolder().
WorkspaceGlobals& workspaceGlobals();

} // namespace mrw
