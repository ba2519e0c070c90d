#pragma once
// The send image: the bytes a serial send transmits. It is the machine's start codes,
// a leader of NUL bytes, the NC text converted line by line into the tape code, a
// trailer like the leader and the end codes.
#include "dnc/engine/tape_code.h"
#include "workspace/engine/machine_record.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace dnc {

// What the conversion of a text for sending reads from the current machine.
struct SendOptions {
    TapeCode tapeCode = TapeCode::Eia;
    int leaderLength = 0;            // inches; 10 NUL bytes an inch, plus one (at most MaxLeaderLength)
    std::string startSendCodes;      // code strings
    std::string endSendCodes;
    bool stripLineFeeds = false;     // "Filter Redundant Line Feeds"
    bool stripBlankLines = false;    // "Strip Blank Lines While Sending"
    std::string skipMarker = "<";    // a line that begins with it is not sent
    std::string commentStart = "(";  // the machine's comment delimiters
    std::string commentEnd = ")";
};

// The text converted for sending. A line ends at CR, CR LF or a bare LF; with
// stripLineFeeds an LF that would make an empty line, or that stands just before a CR,
// is dropped instead. The text ends at a Ctrl-Z byte. Skipped and stripped lines are
// left out; each line that stays is converted by the tape code and ended by 80h (EIA),
// 8Dh 0Ah (ASCII) or CR LF (ISO). In EIA a character without a code of its own is
// refused with NoEiaCode (line numbers count every line of the source), except inside a
// comment, which the control does not read: there it goes as EiaNoCode.
std::string convertSendTextBytes(std::string_view source, const SendOptions& options);

// LeaderLength x 10 + 1 NUL bytes; none for a length of 0 or less, and a length
// beyond MaxLeaderLength counts as that.
std::string leaderBytes(int leaderLength);

// A code string as it goes into a send image in the tape code. Throws NoEiaCode
// naming `what` ("Start Send Codes").
std::string codeStringImage(std::string_view codeString, TapeCode code, const std::string& what);

// Start codes, leader, converted text, trailer, end codes.
std::string buildSendImage(std::string_view convertedText, const SendOptions& options);

// The two scratch files of the send: the send image, and the text to be sent.
struct ScratchFiles {
    std::string sendBufferFile;
    std::string sendSourceFile;
};

// The one name of the conversion's work file beside the text to be sent; whatever
// cleans up the scratch files removes it by this name.
std::string sendWorkFileName(const std::string& sendSourceFile);

// Rewrites the text to be sent from `sourcePath` (which may be that file itself): the
// converted text is written completely into the work file, which then replaces it. On
// any error the text to be sent is left as it was. Gives the converted text. Throws SendError.
std::string ConvertSendText(const std::string& sourcePath, const ScratchFiles& files, const SendOptions& options);

// Converts `sourcePath` into the text to be sent and builds the send image from it. The
// code strings are checked first, so that nothing is written when one cannot be sent.
// Throws SendError; the send image is then left as it was.
void prepareSendImage(const std::string& sourcePath, const ScratchFiles& files, const SendOptions& options);

} // namespace dnc
