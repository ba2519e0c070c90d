#include "analyzer/ui/later_windows.h"

#include "analyzer/ui/main_window.h"

namespace vork {

bool LoadOperationFile(Tmdvform& window, const std::string& fileName)
{
    return window.operations().Loadfile(fileName, &window.prompter());
}

bool LoadLastOperationFile(Tmdvform& window)
{
    return window.operations().LoadLastFile(&window.prompter());
}

void SolidsVerification(Tmdvform& window) { window.notAvailable("Solids verification"); }

bool OutputDxfFile(Tmdvform& window)
{
    window.notAvailable("The DXF output");
    return false;
}

void ExportDifFile(Tmdvform& window) { window.notAvailable("The DIF export"); }

void PrintDataFile(Tmdvform& window) { window.notAvailable("Printing the data file"); }

} // namespace vork
