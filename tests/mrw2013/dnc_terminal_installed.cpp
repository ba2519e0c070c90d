// The program's windows under test have their DNC terminal, as MRW2013 gives them.
#include "mrw2013/dnc_terminal_link.h"

namespace {
const bool installed = [] {
    mrw2013::installDncTerminal();
    return true;
}();
} // namespace
