#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <string>

namespace testsupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing "/".
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + name; }

    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::string m_path;
};

// The bytes of a fixture file of the calling test folder.
std::string readFixture(const std::string& fixtureFolder, const std::string& name);

// A file of the example program folder: its settings and machine files at the top, its
// programs and operations files in NC/.
std::string examplePath(const std::string& name);
std::string exampleFile(const std::string& name);

} // namespace testsupport
