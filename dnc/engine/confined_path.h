#pragma once
// Names that reach the PC from the serial line: a file name typed at the shop terminal,
// a file name or mask sent by a remote control, and the folder a control asks for. None
// of them may lead outside the machine's own folders, however it is spelled: each name
// is one plain name, a folder must lie inside the machine's download or upload folder,
// and after the lookup the real path (links followed) must still lie inside its folder.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dnc {

// One plain file name: 1 to 255 bytes, no "/" or "\", not "." or "..", no control byte
// (below 32, or 127). A mask may hold "*" and "?" as well; a name may not.
bool isPlainName(std::string_view name, bool mask = false);

// The program's own files (its settings and databases, logs, scratch and work files),
// which no control or terminal may fetch, overwrite or see listed, even where a machine's
// folder is the program folder. Letter case is ignored.
bool isProgramFile(std::string_view name);

// Appends "." + extension when the folder's text and the name hold no "." at all.
std::string withDefaultExtension(std::string_view folderText, const std::string& name,
                                 const std::string& extension);

// What a name comes to inside a folder.
struct ConfinedFile {
    enum Status { Ok, Missing, Refused };
    Status status = Refused;
    std::string path; // the file's path (Ok; Missing: where it would be created)
    bool notRegular = false; // Refused: a FIFO, device or folder inside the folder
};

// What the PC's terminal and its activity log say of a name refused for `machine`; a
// FIFO, device or folder under the name is named as such.
struct Refusal {
    std::string terminalLine;
    std::string logLine;
};
Refusal refusal(const std::string& name, const ConfinedFile& file, const std::string& machine);

// A file to read: an existing regular file inside `folder` (a resolved folder path).
ConfinedFile confinedSource(const std::string& folder, const std::string& name);
// A file to write: absent (Missing, with the path to create) or an existing regular file.
ConfinedFile confinedTarget(const std::string& folder, const std::string& name);

// A folder named by a control, read as a stored path; it must exist and lie inside one
// of `roots` (resolved folders) or be one of them. Gives its real path, or nothing.
std::optional<std::string> confinedFolder(std::string_view stored, const std::vector<std::string>& roots);

// True when `path` (real path, links followed) lies inside the real path of `folder`.
bool insideFolder(const std::string& path, const std::string& folder);

// The regular files of `folder` matching `mask` ("*" and "?", letter case ignored,
// "*.*" matching every name), sorted by name. Links leading outside the folder are left out.
struct FolderEntry {
    std::string name;
    std::uintmax_t size = 0;
};
std::vector<FolderEntry> confinedListing(const std::string& folder, const std::string& mask);

// Whether a file name matches a mask in the way the shop's controls and terminals expect.
bool maskMatches(std::string_view mask, std::string_view name);

} // namespace dnc
