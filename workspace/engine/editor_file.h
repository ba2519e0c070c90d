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

// Saves bytes under path as platform::replaceFile does (whole or not at all, keeping
// the file's mode, through a link to its target, never a file the user may not write).
// With `backup` and an existing file, the old file also becomes its backup name (an
// older backup goes). False with errorText when it was not saved; the old file is then
// as it was. `noticeText` gets what the user is told although the file was saved (a
// backup that could not be kept in a folder the user may not write).
bool saveWithBackup(const std::string& path, std::string_view bytes, bool backup, std::string* errorText,
                    std::string* noticeText = nullptr);

} // namespace mrw
