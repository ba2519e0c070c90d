#pragma once
// A home of the test process's own. Widgets, file dialogs and the programs the tests start
// keep their settings under the home of whoever runs them (~/.config/QtProject.conf, the
// Windows directory ~/.config/marrowin): while it lives, HOME and the XDG folders point
// into a fresh temporary folder, removed with all it holds at the end, so a test run
// changes nothing of the user's. The test mains make one before anything reads them.
#include "support/temp_folder.h"

#include <string>
#include <vector>

namespace testsupport {

class OwnHome {
public:
    OwnHome();
    ~OwnHome();
    OwnHome(const OwnHome&) = delete;
    OwnHome& operator=(const OwnHome&) = delete;

    // The home folder, with a trailing "/".
    const std::string& path() const { return m_folder.path(); }

private:
    TempFolder m_folder;
    // Each variable set, with what it was before.
    struct Saved {
        std::string name;
        bool wasSet;
        std::string value;
    };
    std::vector<Saved> m_saved;
};

} // namespace testsupport
