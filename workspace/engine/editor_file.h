#pragma once
// NC files as the editor loads and saves them: 8-bit bytes, one character a byte.
// The editor holds the text with CR LF line ends; a saved file has CR LF after every
// line (an empty last line is not written) and NUL characters become blanks.
#include <optional>
#include <string>
#include <string_view>

namespace mrw {

// The editor text of a file's bytes: its lines (CR LF, LF or a lone CR) joined by CR LF.
std::string editorTextFromFile(std::string_view bytes);

// The bytes a save writes for an editor text.
std::string fileBytesFromEditorText(std::string_view text);

// Text copied out of the editor: NUL characters become blanks, everything else stays.
std::string withoutNuls(std::string_view text);

// The backup name of a file: the same name with the extension ".BAK".
std::string backupNameOf(const std::string& path);

// Saves bytes under path without ever leaving a half-written file: the new text is
// written completely beside the target first. With `backup` and an existing file, an
// older backup is deleted and the file is renamed to its backup name before the new
// text takes its place. False with errorText when any step fails; the old file is
// then still there (under its own name or as the backup).
bool saveWithBackup(const std::string& path, std::string_view bytes, bool backup, std::string* errorText);

} // namespace mrw
