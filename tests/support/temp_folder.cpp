#include "temp_folder.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace testsupport {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mrwtest-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern + "/";
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const
{
    std::ofstream out(file(name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolder::read(const std::string& name) const
{
    return platform::readFileBytes(file(name)).value_or(std::string());
}

std::string readFixture(const std::string& fixtureFolder, const std::string& name)
{
    auto bytes = platform::readFileBytes(fixtureFolder + "/" + name);
    if (!bytes)
        throw std::runtime_error("missing fixture " + name);
    return *bytes;
}

std::string examplePath(const std::string& name)
{
    const std::string examples = std::string(MRW_SOURCE_DIR) + "/examples/";
    if (platform::fileExists(examples + name))
        return examples + name;
    return examples + "NC/" + name;
}

std::string exampleFile(const std::string& name)
{
    auto bytes = platform::readFileBytes(examplePath(name));
    if (!bytes)
        throw std::runtime_error("missing example " + name);
    return *bytes;
}

} // namespace testsupport
