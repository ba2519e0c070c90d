#pragma once
// Replacing a user's file so that it stays the user's: the new text is written whole
// beside the file and renamed over it, the file keeps its mode (and owner and group
// where we may set them; a group that cannot be kept gains no rights), a symbolic link
// is followed and its target replaced, a file the user may not write is refused, and at
// every instant the name holds a whole file.
//
// A file with several names (hard links), and a file the user may write in a folder that
// does not let the user replace it (a folder the user may not write, or another user's
// file in a sticky folder), is written in place instead, so that every name shows the new
// text and nothing is left in the folder: its old text is kept first (in the backup, and
// in memory), the new text goes over it whole, and a write that fails puts the old text
// back.
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>

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
    // What the user is told although the file was replaced: a backup that could not be
    // kept where the file's folder is not the user's to write.
    std::string notice = {}; // (a default: a result written as {status, error} needs no third)
    explicit operator bool() const { return status == Status::Replaced; }
};

// Writes `bytes` under `path`. When it is not Replaced, the old file is as it was.
ReplaceResult replaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// The same replacement for a text written piece by piece (a long output): the new text
// grows in a temporary file beside the file it replaces and takes its name only at
// commit(). Dropped, with the old file as it was, unless committed.
class FileReplacement {
public:
    FileReplacement();
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Prepares the replacement of `path`; Replaced when the writing may start.
    ReplaceResult begin(const std::string& path);
    // Where the new text goes while it is written: by descriptor, by a stream of its own
    // (closed by the caller before commit()), or by name (empty when the text is kept in
    // memory for a file written in place).
    int descriptor() const;
    std::FILE* openStream() const;
    const std::string& temporaryPath() const;
    // The file replaced: a link's target.
    const std::string& target() const { return m_target; }
    bool append(std::string_view bytes, std::string& error);
    // The new text takes the file's name (after the backup the options ask for).
    ReplaceResult commit(const ReplaceOptions& options = {});

private:
    struct Temporary;
    ReplaceResult writeInPlace(const Temporary& file, const ReplaceOptions& options);

    std::unique_ptr<Temporary> m_file;
    std::string m_path;
    std::string m_target;
    bool m_exists = false;
    struct stat m_old {};
};

// The file a save of `path` writes: the end of its chain of symbolic links, or the
// path itself.
std::string replacementTarget(const std::string& path);

// A file that is never replaced: its owner may not write it, or we may not.
bool writeProtected(const std::string& path);
// What the user is told when a save would have replaced such a file.
std::string writeProtectedText(const std::string& path);

// Removes the temporary files that a save of `fileName` (a name without folder) in
// `folder` left behind when its process no longer runs (a save cut off by a kill): only
// names of the exact shape a save makes (<file>.~<pid>-<six letters or digits>.mrwtmp)
// and only files of this user. Files of running processes, of other users and look-alike
// names stay.
void removeStaleTemporaryFiles(const std::string& folder, const std::string& fileName);

} // namespace platform
