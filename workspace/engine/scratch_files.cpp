#include "workspace/engine/scratch_files.h"

#include "platform/folders.h"
#include "platform/linestream.h"
#include "platform/paths.h"
#include "platform/scratch_file.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace mrw {

std::string enterTempFolder(const std::string& tempDir, const std::string& programFolder)
{
    if (!tempDir.empty() && platform::setCurrentFolder(platform::toNativeSeparators(tempDir)))
        return platform::currentFolder();
    std::string folder = programFolder;
    if (!folder.empty() && !platform::isSeparator(folder.back()))
        folder += '/';
    return folder;
}

std::string createScratchFile(const std::string& folder)
{
    static unsigned counter = 0;
    // Start each search at a different number, as the names are taken one by one.
    const auto seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 0x10000; ++attempt) {
        const unsigned unique = ((seed >> 4) + counter++ + attempt) & 0xFFFF;
        if (unique == 0)
            continue;
        char name[16];
        std::snprintf(name, sizeof name, "MRW%X.TMP", unique);
        const std::string path = platform::joinPath(folder, name);
        // Taken only when nothing stands under the name, not even a link.
        platform::LineWriter made;
        if (made.createNew(path)) {
            made.close();
            return path;
        }
        if (!platform::folderExists(folder))
            break;
    }
    return {};
}

bool writeScratchLines(const std::string& path, const std::vector<std::string>& lines, std::string* errorText)
{
    platform::LineWriter writer;
    if (!writer.adopt(platform::createScratchStream(path, errorText), path))
        return false;
    for (const std::string& line : lines)
        writer.writeLine(line);
    if (writer.close())
        return true;
    if (errorText)
        *errorText = "Cannot write " + path;
    return false;
}

ScratchFiles createScratchFiles(const std::string& folder)
{
    ScratchFiles files;
    files.SendBufferFile = createScratchFile(folder);
    files.SendSourceFile = createScratchFile(folder);
    if (files.SendBufferFile.empty() || files.SendSourceFile.empty()) {
        deleteScratchFiles(files);
        throw std::runtime_error("Cannot create a scratch file in " + folder);
    }
    return files;
}

void deleteScratchFiles(const ScratchFiles& files)
{
    for (const std::string& name : {files.SendBufferFile, files.SendSourceFile,
                                    files.SendSourceFile.empty() ? std::string() : files.SendSourceFile + ".XXX"})
        if (!name.empty())
            std::remove(name.c_str());
}

} // namespace mrw
