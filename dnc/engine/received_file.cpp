#include "dnc/engine/received_file.h"

#include "platform/textfile.h"

#include <cstdint>
#include <filesystem>
#include <unistd.h>

namespace dnc {

namespace {

bool endsLine(std::uint8_t c) { return c == 0x0D || c == 0x80 || c == 0x8D; }

} // namespace

std::string convertReceivedText(std::string_view tape, TapeCode code)
{
    if (code == TapeCode::Iso)
        return std::string(tape);
    std::string text;
    text.reserve(tape.size() + tape.size() / 16);
    bool lineEnded = false;
    for (const char ch : tape) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (code == TapeCode::Ascii && c == 0x1A)
            break;
        if (c == 0x0A)
            continue;
        if (endsLine(c)) {
            if (!lineEnded)
                text += "\r\n";
            lineEnded = true;
            continue;
        }
        const std::uint8_t out = code == TapeCode::Ascii ? static_cast<std::uint8_t>(c & 0x7F) : EiaToAscii(c);
        if (code == TapeCode::Eia && out == 0)
            continue;
        text.push_back(static_cast<char>(out));
        lineEnded = false;
    }
    return text;
}

std::string partialReceiveName(const std::string& target)
{
    return target + ".~UP";
}

bool writeProtected(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status))
        return false;
    // The owner's write bit decides even for a user (root) whom the system lets write anyway.
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none || ::access(path.c_str(), W_OK) != 0;
}

std::string writeProtectedText(const std::string& path)
{
    return "File [" + path + "] Is Write-Protected and Was Not Replaced";
}

void ConvertReceivedFile(const std::string& path, TapeCode code)
{
    if (code == TapeCode::Iso)
        return;
    const auto tape = platform::readFileBytes(path);
    if (!tape)
        throw ReceivedFileError("Cannot read " + path);
    std::string error;
    if (!platform::saveFileAtomic(path, convertReceivedText(*tape, code), &error))
        throw ReceivedFileError(error);
}

} // namespace dnc
