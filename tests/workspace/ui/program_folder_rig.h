#pragma once
// A program folder and a Windows directory of their own for MRW2013's windows under test:
// the folder rules of the environment point at them, the named example files are copied
// in and the workspace globals are read from them; the current folder and the
// environment are put back afterwards. Declare it before the main window it serves.
#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "support/temp_folder.h"

#include <QApplication>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace testsupport {

// One of the example files of the tree.
inline std::string example(const std::string& name)
{
    return exampleFile(name);
}

// Lets queued work (status updates, deferred closes) run.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class ProgramFolderRig {
public:
    explicit ProgramFolderRig(std::initializer_list<const char*> examples = {})
        : m_previousFolder(platform::currentFolder())
    {
        ::setenv("MRW_WINDOWS_DIR", windows.path().c_str(), 1);
        ::setenv("MRW_PROGRAM_DIR", program.path().c_str(), 1);
        for (const char* name : examples)
            program.write(name, example(name));
        mrw::initializeWorkspaceGlobals(mrw::workspaceGlobals(), program.path());
    }
    ~ProgramFolderRig()
    {
        platform::setCurrentFolder(m_previousFolder);
        ::unsetenv("MRW_PROGRAM_DIR");
        ::unsetenv("MRW_WINDOWS_DIR");
    }
    ProgramFolderRig(const ProgramFolderRig&) = delete;
    ProgramFolderRig& operator=(const ProgramFolderRig&) = delete;

    TempFolder program;
    TempFolder windows;

private:
    std::string m_previousFolder;
};

} // namespace testsupport
