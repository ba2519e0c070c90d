#pragma once
// "Solids &Verification": the CL file of the last run for the solid-verification
// program, and the program started on it.
#include "analyzer/engine/solid_verification.h"

namespace vork {

class Tmdvform;

// Writes VORK2K.APT into SOLIDPATH with the stock given, while the main window takes no
// commands, and starts the verification program on it. A file that cannot be written
// is named and nothing is started. True when the program was started.
bool ExportAndVerify(Tmdvform& window, const VerifySettings& stock);

} // namespace vork
