#include "dnc/engine/line_tests.h"

#include "dnc/engine/comport.h"
#include "dnc/engine/dnc_session.h"

#include "platform/paths.h"
#include "platform/file_replace.h"
#include "platform/scratch_file.h"

#include <cstdio>
#include <memory>

namespace dnc {

namespace {

constexpr const char* PatternLine = "G01X1.5Y2.5Z3.5";
constexpr int PatternLineLength = 15;
constexpr int MaxPatternKilobytes = 9999;
constexpr int BlockSize = 256;

} // namespace

std::string testPatternText(int kilobytes)
{
    std::string text = "%\r\nO7777\r\n";
    const int lines = kilobytes * 1024 / PatternLineLength;
    text.reserve(text.size() + static_cast<std::size_t>(lines) * (PatternLineLength + 2) + 12);
    for (int i = 0; i < lines; ++i)
        text.append(PatternLine).append("\r\n");
    return text + "M30\r\n%\r\n";
}

std::optional<int> testPatternSize(const std::string& typed)
{
    const std::string_view text = platform::trimBlanks(typed);
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > MaxPatternKilobytes)
        return std::nullopt;
    return value;
}

std::string hexShown(char c)
{
    if (c == '\n')
        return "<lf>";
    if (c == '\r')
        return "<cr>";
    static const char digits[] = "0123456789ABCDEF";
    const auto code = static_cast<unsigned char>(c);
    return std::string(1, c) + "[" + digits[code >> 4] + digits[code & 15] + "],";
}

bool sendFileInBlocks(DncSession& session, const std::string& path, const std::function<void()>& block)
{
    // Never a FIFO or device: opening one could wait for good.
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(platform::openRegularFile(path), std::fclose);
    if (!in)
        return false;
    ComPort& port = session.port();
    char buffer[BlockSize];
    for (;;) {
        const int size = static_cast<int>(std::fread(buffer, 1, BlockSize, in.get()));
        if (size == 0)
            return !std::ferror(in.get());
        session.clock().waitFor([&port, size] { return !port.isOpen() || port.outFree() >= size; }, -1, true);
        if (!port.isOpen() || !port.putBlock(buffer, size))
            return false;
        if (block)
            block();
    }
}

bool captureBinary(ComPort& port, const std::string& path, const std::function<bool()>& stop)
{
    port.setSoftwareFlow(SoftwareFlow::None);
    // The file the user chose is replaced as every saved file is: it keeps its old text
    // until the capture ends, and a link is followed to its target.
    platform::FileReplacement replacement;
    std::FILE* file = replacement.begin(path) ? replacement.openStream() : nullptr;
    if (!file)
        return false;
    bool written = true;
    while (!stop() && port.isOpen()) {
        port.clock().waitFor([&port, &stop] { return port.charReady() || stop() || !port.isOpen(); }, 1000, true);
        const std::string bytes = port.getBlock(port.inCount());
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
            written = false;
    }
    return std::fclose(file) == 0 && written && replacement.commit();
}

} // namespace dnc
