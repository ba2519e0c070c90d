#pragma once
// The folder MRW2013 works in (the TEMPDIR setting) and its two scratch files: the
// first holds the send image, the second the text to be sent.
#include <string>
#include <vector>

namespace mrw {

// Makes tempDir the current folder and returns it (with a trailing "/"); when it
// cannot be entered the current folder stays as it was and programFolder is returned.
std::string enterTempFolder(const std::string& tempDir, const std::string& programFolder);

// Creates a new empty file "MRW<hex>.TMP" in folder. The name is taken only when no
// file of that name exists (exclusive creation), so two programs never share one.
// Returns the full name, or "" when no file could be created.
std::string createScratchFile(const std::string& folder);

// Writes lines, each ended by CR LF, to a file MRW2013 keeps under a fixed name in a
// folder other users share (the text to send, the setup report, the B-macro variables):
// whatever stands under the name, a planted link or another user's file, is removed,
// never followed or truncated, and the file is made afresh. False with errorText when it
// cannot be written.
bool writeScratchLines(const std::string& path, const std::vector<std::string>& lines, std::string* errorText = nullptr);

struct ScratchFiles {
    std::string SendBufferFile; // the send image
    std::string SendSourceFile; // the text to send
};

// Both scratch files in folder; throws std::runtime_error when one cannot be made.
ScratchFiles createScratchFiles(const std::string& folder);
// Deletes both, and SendSourceFile + ".XXX" when it exists.
void deleteScratchFiles(const ScratchFiles& files);

} // namespace mrw
