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

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> readFileBytes(const std::string& path);

// The file's lines (see splitLines), or nothing when it cannot be read.
std::optional<std::vector<std::string>> readTextLines(const std::string& path);

// Joins lines with CR LF after each one.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// Writes bytes to a temporary file beside the target, then renames it over the
// target, so that a failed save leaves the old file whole. Returns false (and
// removes the temporary file) when any step fails; errorText says why. A durable
// save also waits until the data is on the disk (user files); settings files skip that.
bool saveFileAtomic(const std::string& path, std::string_view bytes, std::string* errorText = nullptr,
                    bool durable = true);

bool saveTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines,
                         std::string* errorText = nullptr);

} // namespace platform
