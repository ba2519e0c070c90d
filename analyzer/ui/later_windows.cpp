#include "analyzer/ui/later_windows.h"

#include "analyzer/ui/main_window.h"

namespace vork {

void ShowOperationsManager(Tmdvform& window) { window.notAvailable("The operations manager"); }

bool LoadOperationFile(Tmdvform& window, const std::string& fileName)
{
    return window.operations().Loadfile(fileName, &window.prompter());
}

bool LoadLastOperationFile(Tmdvform& window)
{
    return window.operations().LoadLastFile(&window.prompter());
}

void ShowCycleTimeGraph(Tmdvform& window) { window.notAvailable("The cycle time graph"); }

bool ShowReadout(Tmdvform& window, bool visible)
{
    if (visible)
        window.notAvailable("The coordinate readout");
    return !visible;
}

void ShowMachineSetupEditor(Tmdvform& window) { window.notAvailable("The machine setup editor"); }

bool EditInNCEditor(Tmdvform& window, const std::string&)
{
    window.notAvailable("The NC editor");
    return false;
}

} // namespace vork
