#pragma once
// Replacing a user's file so that it stays the user's: the new text is written whole
// beside the file and renamed over it, the file keeps its mode (and owner and group
// where we may set them), a symbolic link is followed and its target replaced, a file
// the user may not write is refused, and at every instant the name holds a whole file.
#include <string>
#include <string_view>

namespace platform {

struct ReplaceOptions {
    // Keep the old file under its name with this extension (".BAK"), beside the file
    // replaced; empty for no backup. A file that already has it is saved without one.
    std::string backupExtension;
    // Wait until the data is on the disk (user files); settings files skip that.
    bool durable = true;
};

struct ReplaceResult {
    enum class Status { Replaced, WriteProtected, Failed };
    Status status = Status::Failed;
    std::string error; // what the user is told when the file was not replaced
    explicit operator bool() const { return status == Status::Replaced; }
};

// Writes `bytes` under `path`. When it is not Replaced, the old file is as it was.
ReplaceResult replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// The file a save of `path` writes: the end of its chain of symbolic links, or the
// path itself.
std::string replacementTarget(const std::string& path);

// A file that is never replaced: its owner may not write it, or we may not.
bool writeProtected(const std::string& path);
// What the user is told when a save would have replaced such a file.
std::string writeProtectedText(const std::string& path);

// Removes the temporary files in `folder` that a save of a process no longer running
// left behind (a save cut off by a kill). Files of running processes stay.
void removeStaleTemporaryFiles(const std::string& folder);

} // namespace platform
