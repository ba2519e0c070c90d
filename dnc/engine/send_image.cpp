#include "dnc/engine/send_image.h"

#include "dnc/engine/code_string.h"
#include "platform/scratch_file.h"
#include "platform/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace dnc {

namespace {

const char* lineEnd(TapeCode code, std::size_t& length)
{
    switch (code) {
    case TapeCode::Eia: length = 1; return "\x80";
    case TapeCode::Ascii: length = 2; return "\x8D\x0A";
    case TapeCode::Iso: break;
    }
    length = 2;
    return "\r\n";
}

// Refuses a character without an EIA code in the NC words of a line: the control would
// read the substitute as "0". Inside a comment it changes nothing the control reads.
void checkEiaCodes(std::string_view line, std::size_t lineNumber, const SendOptions& o)
{
    bool inComment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const std::string_view rest = line.substr(i);
        const std::string& delimiter = inComment ? o.commentEnd : o.commentStart;
        if (!delimiter.empty() && rest.starts_with(delimiter)) {
            inComment = !inComment;
            i += delimiter.size() - 1;
            continue;
        }
        const auto c = static_cast<unsigned char>(line[i]);
        if (!inComment && !hasEiaCode(c))
            throw NoEiaCode("Line " + std::to_string(lineNumber), lineNumber, i + 1, c);
    }
}

// Converts and appends one line of the source, unless it is skipped or stripped.
void appendLine(std::string& out, const std::string& line, std::size_t lineNumber, const SendOptions& o)
{
    if (!line.empty() && o.skipMarker.size() == 1 && line[0] == o.skipMarker[0])
        return;
    if (line.empty() && o.stripBlankLines)
        return;
    if (o.tapeCode == TapeCode::Eia)
        checkEiaCodes(line, lineNumber, o);
    out += ConvertLineToTapeCode(line, o.tapeCode);
    std::size_t n = 0;
    const char* end = lineEnd(o.tapeCode, n);
    out.append(end, n);
}

std::string systemErrorText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

std::string readSource(const std::string& path)
{
    if (platform::fileKind(path) == platform::FileKind::NotRegular)
        throw SendError(platform::notRegularFileText(path));
    auto bytes = platform::readFileBytes(path);
    if (!bytes)
        throw SendError(systemErrorText("Cannot read", path));
    return std::move(*bytes);
}

void writeWhole(const std::string& path, std::string_view bytes)
{
    std::string error;
    if (!platform::saveFileAtomic(path, bytes, &error, false))
        throw SendError(error);
}

} // namespace

std::string convertSendTextBytes(std::string_view source, const SendOptions& options)
{
    const std::size_t end = std::min(source.find('\x1A'), source.size());
    std::string out;
    out.reserve(end + end / 8 + 16);
    std::string line;
    std::size_t lineNumber = 1;
    for (std::size_t i = 0; i < end; ++i) {
        const char c = source[i];
        if (c == '\r') {
            appendLine(out, line, lineNumber++, options);
            line.clear();
            if (i + 1 < end && source[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            const bool redundant = line.empty() || (i + 1 < end && source[i + 1] == '\r');
            if (options.stripLineFeeds && redundant)
                continue;
            appendLine(out, line, lineNumber++, options);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty())
        appendLine(out, line, lineNumber, options);
    return out;
}

std::string leaderBytes(int leaderLength)
{
    if (leaderLength <= 0)
        return {};
    return std::string(static_cast<std::size_t>(std::min(leaderLength, mrw::MaxLeaderLength)) * 10 + 1, '\0');
}

std::string codeStringImage(std::string_view codeString, TapeCode code, const std::string& what)
{
    return readCodeString(codeString, code, what).bytes();
}

std::string buildSendImage(std::string_view convertedText, const SendOptions& options)
{
    const std::string start = codeStringImage(options.startSendCodes, options.tapeCode, "Start Send Codes");
    const std::string end = codeStringImage(options.endSendCodes, options.tapeCode, "End Send Codes");
    const std::string leader = leaderBytes(options.leaderLength);
    std::string image;
    image.reserve(start.size() + 2 * leader.size() + convertedText.size() + end.size());
    image += start;
    image += leader;
    image += convertedText;
    image += leader;
    image += end;
    return image;
}

std::string sendWorkFileName(const std::string& sendSourceFile) { return sendSourceFile + ".XXX"; }

std::string ConvertSendText(const std::string& sourcePath, const ScratchFiles& files, const SendOptions& options)
{
    std::string converted = convertSendTextBytes(readSource(sourcePath), options);
    const std::string work = sendWorkFileName(files.sendSourceFile);
    writeWhole(work, converted);
    if (std::rename(work.c_str(), files.sendSourceFile.c_str()) != 0) {
        const std::string error = systemErrorText("Cannot replace", files.sendSourceFile);
        std::remove(work.c_str());
        throw SendError(error);
    }
    return converted;
}

void prepareSendImage(const std::string& sourcePath, const ScratchFiles& files, const SendOptions& options)
{
    try {
        buildSendImage({}, options); // the code strings can be sent, before anything is written
        const std::string converted = ConvertSendText(sourcePath, files, options);
        writeWhole(files.sendBufferFile, buildSendImage(converted, options));
    } catch (const std::bad_alloc&) {
        throw SendError("Not enough memory to prepare " + sourcePath + " for sending");
    }
}

} // namespace dnc
