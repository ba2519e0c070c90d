#pragma once
// File names as the programs store and build them. Stored paths may use "\" or "/";
// names the program builds or is handed are looked up without regard to letter case
// when the exact name does not exist, as users of these files expect.
#include <string>
#include <string_view>

namespace platform {

bool isSeparator(char c);

// "\" becomes "/"; nothing else changes.
std::string toNativeSeparators(std::string_view path);

// The part after the last separator ("\" or "/").
std::string fileNamePart(std::string_view path);

// Everything up to and including the last separator ("" when there is none).
std::string folderPart(std::string_view path);

// The extension with its dot (".TAP"), taken from the file name only; "" when none.
std::string fileExtension(std::string_view path);

// Replaces (or adds) the extension of the file name only; a dot in a folder name is
// never touched. newExt carries its dot (".OPF") or is empty to remove the extension.
std::string changeFileExtension(std::string_view path, std::string_view newExt);

// Joins a folder and a name with exactly one "/" between them; an empty folder gives name.
std::string joinPath(std::string_view folder, std::string_view name);

// True when the name holds no separator at all.
bool isBareName(std::string_view path);

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// The path of an existing file (or folder) that matches path, separators normalised:
// the exact name when it exists, else the first entry of each folder level whose
// name equals the wanted one without regard to case. When nothing matches, the
// normalised path is returned unchanged, so that a new file gets the name as spelled.
std::string resolveCaseInsensitive(std::string_view path);

// Blanks (spaces and tabs) around a text removed, as INI values and numbers are read.
bool isBlank(char c);
std::string_view trimBlanks(std::string_view text);

// ASCII upper case of a byte string (8-bit bytes above 127 are left as they are).
std::string upperAscii(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);

} // namespace platform
