#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "platform/paths.h"

namespace mrw {

namespace {
std::string withTrailingSeparator(std::string folder)
{
    if (folder.empty() || !platform::isSeparator(folder.back()))
        folder += '/';
    return platform::toNativeSeparators(folder);
}
}

std::string machineDatabasePathFor(const std::string& programFolder)
{
    const std::string inProgramFolder =
        platform::resolveCaseInsensitive(withTrailingSeparator(programFolder) + "WPOSTS.INI");
    return platform::fileExists(inProgramFolder) ? inProgramFolder : std::string("WPOSTS.INI");
}

void initializeWorkspaceGlobals(WorkspaceGlobals& g, const std::string& programFolder)
{
    g = WorkspaceGlobals{};
    g.CurrentMachine = g.DefaultMachine;
    g.ProgramFolder = withTrailingSeparator(programFolder);
    g.ProgramIniPath = g.ProgramFolder + "MRW2013.INI";
    g.HelpFile = g.ProgramFolder + "MRW2013.HLP";
    g.MachineDatabasePath = machineDatabasePathFor(g.ProgramFolder);
}

WorkspaceGlobals& workspaceGlobals()
{
    static WorkspaceGlobals globals = [] {
        WorkspaceGlobals g;
        initializeWorkspaceGlobals(g, platform::programFolder());
        return g;
    }();
    return globals;
}

} // namespace mrw
