#pragma once
// The analyzer's windows and exports that the main window's commands open: one function
// a command, defined with its window (the operation files' loading here).
#include <string>

namespace vork {

class Tmdvform;

void ShowOperationsManager(Tmdvform& window);
// Loads an operation file into the run's table; false when it could not.
bool LoadOperationFile(Tmdvform& window, const std::string& fileName);
// Reloads the most recent operation file; false when it does not exist.
bool LoadLastOperationFile(Tmdvform& window);
void ShowCycleTimeGraph(Tmdvform& window);
// Shows or hides the coordinate readout; false when it cannot be shown.
bool ShowReadout(Tmdvform& window, bool visible);
void ShowMachineSetupEditor(Tmdvform& window);
// The NC editor on the program, modal; false when it was not shown.
bool EditInNCEditor(Tmdvform& window, const std::string& fileName);
void SolidsVerification(Tmdvform& window);
// Starts or stops the DXF output; true when it is on afterwards.
bool OutputDxfFile(Tmdvform& window);
void ExportDifFile(Tmdvform& window);
void PrintDataFile(Tmdvform& window);

} // namespace vork
