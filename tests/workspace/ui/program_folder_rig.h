#pragma once
// A program folder and a Windows directory of their own for MRW2013's windows under test:
// the folder rules of the environment point at them, the named example files are copied
// in and the workspace globals are read from them; the current folder and the
// environment are put back afterwards. Declare it before the main window it serves.
#include "workspace/engine/users.h"
#include "workspace/engine/workspace_globals.h"

#include "platform/folders.h"
#include "support/temp_folder.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

// The user list of the run's session. The session reads TKZPWL.INI from the Windows
// directory it first met and keeps that file for the whole run: in a test program that is
// the folder of whichever test used it first, whose rig may have removed it since. A test
// that gives the session users puts them at path(); the folder is made again when it is
// gone, and the list with whatever was made for it is removed at the end.
class SessionUsers {
public:
    SessionUsers() : m_path(mrw::userSession().database().path())
    {
        namespace fs = std::filesystem;
        fs::path missing;
        for (fs::path folder = fs::path(m_path).parent_path(); !folder.empty() && !fs::exists(folder);
             folder = folder.parent_path())
            missing = folder;
        if (!missing.empty()) {
            fs::create_directories(fs::path(m_path).parent_path());
            m_made = missing.string();
        }
        std::remove(m_path.c_str());
    }
    ~SessionUsers()
    {
        std::error_code ec;
        if (m_made.empty())
            std::filesystem::remove(m_path, ec);
        else
            std::filesystem::remove_all(m_made, ec);
    }
    SessionUsers(const SessionUsers&) = delete;
    SessionUsers& operator=(const SessionUsers&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
    std::string m_made; // the top folder made for the list, if any
};

} // namespace testsupport
