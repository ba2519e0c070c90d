#include "analyzer/ui/later_windows.h"
#include "analyzer/ui/main_window.h"

namespace vork {

void SolidsVerification(Tmdvform& window) { window.notAvailable("Solids verification"); }

} // namespace vork
