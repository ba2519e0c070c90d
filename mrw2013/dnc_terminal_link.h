#pragma once
// MRW2013 as one program: the editor's main window with the DNC terminal behind its DNC menu.
class TMainForm;

namespace dnc {
class TMDNCTERM;
}

namespace mrw2013 {

// From now on every main window makes its DNC terminal when first needed.
void installDncTerminal();
// The terminal of a main window, made when first needed.
dnc::TMDNCTERM* terminalOf(TMainForm& form);

} // namespace mrw2013
