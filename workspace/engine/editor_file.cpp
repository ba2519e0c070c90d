#include "workspace/engine/editor_file.h"

#include "platform/file_replace.h"
#include "platform/textfile.h"

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

bool saveWithBackup(const std::string& path, std::string_view bytes, bool backup, std::string* errorText,
                    std::string* noticeText)
{
    platform::ReplaceOptions options;
    if (backup)
        options.backupExtension = ".BAK";
    const platform::ReplaceResult result = platform::replaceFile(path, bytes, options);
    if (!result && errorText)
        *errorText = result.error;
    if (noticeText)
        *noticeText = result.notice;
    return static_cast<bool>(result);
}

} // namespace mrw
