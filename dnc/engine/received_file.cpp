#include "dnc/engine/received_file.h"

#include "platform/textfile.h"

#include <cstdint>

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
