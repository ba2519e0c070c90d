#include "workspace/engine/editor_file.h"

#include "platform/paths.h"
#include "platform/textfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace mrw {

std::string editorTextFromFile(std::string_view bytes)
{
    std::string text = platform::joinLinesCrLf(platform::splitLines(bytes));
    // The editor shows a file without a final line end as it is.
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r' && text.size() >= 2)
        text.resize(text.size() - 2);
    return text;
}

std::string fileBytesFromEditorText(std::string_view text)
{
    auto lines = platform::splitLines(text);
    std::string bytes = platform::joinLinesCrLf(lines);
    for (char& c : bytes)
        if (c == '\0')
            c = ' ';
    return bytes;
}

std::string withoutNuls(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c == '\0')
            c = ' ';
    return out;
}

std::string backupNameOf(const std::string& path)
{
    return platform::changeFileExtension(path, ".BAK");
}

bool saveWithBackup(const std::string& path, std::string_view bytes, bool backup, std::string* errorText)
{
    const std::string backupName = backupNameOf(path);
    if (!backup || backupName == path || !platform::fileExists(path))
        return platform::saveFileAtomic(path, bytes, errorText);

    // The new text, complete and on the disk, before the old file is touched.
    const std::string temp = path + ".~new" + std::to_string(::getpid());
    if (!platform::saveFileAtomic(temp, bytes, errorText))
        return false;
    auto fail = [&](const std::string& what) {
        if (errorText)
            *errorText = what + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    };
    if (std::remove(backupName.c_str()) != 0 && errno != ENOENT)
        return fail("Cannot delete " + backupName);
    if (std::rename(path.c_str(), backupName.c_str()) != 0)
        return fail("Cannot rename " + path + " to " + backupName);
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        std::rename(backupName.c_str(), path.c_str()); // put the old file back
        errno = saved;
        return fail("Cannot replace " + path);
    }
    return true;
}

} // namespace mrw
