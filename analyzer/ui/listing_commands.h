#pragma once
// The listing and export commands of the analyzer's main window: "Print &Data File",
// "Export &Dif File" and "&Output DXF File". Each command asks for its target and hands
// it to the function below it, which does the work.
#include <string>

class QPrinter;

namespace vork {

class Tmdvform;

// Prints the data listing on the printer (or PDF) as it is set up; false, said in a
// message, when there is no listing or the printer cannot be started.
bool PrintListingTo(Tmdvform& window, QPrinter& printer, int* pages = nullptr);
// Writes the DIF file; a failure names the file and keeps an old one.
bool ExportDifTo(Tmdvform& window, const std::string& fileName);
// Starts a new DXF output file; a file that cannot be created is named and the output
// stays as it was. True when the output is on afterwards.
bool StartDxfOutput(Tmdvform& window, const std::string& fileName);

} // namespace vork
