#pragma once
// 8-bit text files as the programs and the machines expect them: one character a byte,
// lines ended by CR LF, LF or a lone CR when read, always CR LF when written.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits bytes into lines. CR LF, LF and a lone CR each end a line; a last line
// without an end is kept; a final line end does not make an extra empty line.
std::vector<std::string> splitLines(std::string_view bytes);

// The whole file as bytes, or nothing when it cannot be read or is not a regular file
// (a FIFO or device is never opened in a way that blocks).
std::optional<std::string> readFileBytes(const std::string& path);

// The file's lines (see splitLines), or nothing when it cannot be read.
std::optional<std::vector<std::string>> readTextLines(const std::string& path);

// Joins lines with CR LF after each one.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// Replaces the file by `bytes` as replaceFile (platform/file_replace.h) does: whole or
// not at all, keeping its mode, through a link to its target, never a file the user may
// not write. False when it was not replaced; errorText says why. A durable save also
// waits until the data is on the disk (user files); settings files skip that.
bool saveFileAtomic(const std::string& path, std::string_view bytes, std::string* errorText = nullptr,
                    bool durable = true);

bool saveTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                         std::string* errorText = nullptr);

} // namespace platform
