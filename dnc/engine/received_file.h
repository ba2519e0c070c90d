#pragma once
// A tape received from a machine turned back into text.
#include "dnc/engine/tape_code.h"
#include "platform/file_replace.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace dnc {

// The text of a received tape, lines ended by CR LF. 0Dh, 80h and 8Dh end a line, and
// a run of them (LF codes between them included) ends just one; LF codes are dropped.
// ASCII: bit 7 (the parity) is cleared and a Ctrl-Z byte ends the tape. EIA: each code
// becomes its character; codes that stand for no character (blank tape, leader and
// trailer, delete) are left out. ISO tapes are text already and come back unchanged.
std::string convertReceivedText(std::string_view tape, TapeCode code);

class ReceivedFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file is received under this temporary name beside the file it is meant for, and
// takes that name only once the transfer went through.
std::string partialReceiveName(const std::string& target);

// A file that a receive never replaces, and what the operator is told about it.
using platform::writeProtected;
using platform::writeProtectedText;

// Rewrites a received file as text (nothing for ISO). The text is written completely
// beside the file before it replaces the file, so the received tape is never lost.
// Throws ReceivedFileError.
void ConvertReceivedFile(const std::string& path, TapeCode code);

} // namespace dnc
