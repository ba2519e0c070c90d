#pragma once
// The line tests of the DNC terminal's debugging tools: a generated test program, a hex
// view of received characters, a raw block-wise send of a disk file and a raw binary
// capture of whatever arrives.
#include <functional>
#include <optional>
#include <string>

namespace dnc {

class ComPort;
class DncSession;

// The test program of `kilobytes` K: "%", "O7777", kilobytes x 1024 div 15 lines
// "G01X1.5Y2.5Z3.5", "M30" and "%", every line ended by CR LF.
std::string testPatternText(int kilobytes);
// The size typed for the test pattern: a whole number of 0 to 9999 K, else nothing.
std::optional<int> testPatternSize(const std::string& typed);

// A received character as the hex view shows it: "<lf>", "<cr>", or the character
// followed by "[", its code in two hex digits and "],".
std::string hexShown(char c);

// Sends a disk file as it is, in blocks of at most 256 bytes, each put into the port's
// output once there is room for it; `block` is called after each. False when the file
// cannot be read, is no regular file (never opened then), or the port closed on the way.
bool sendFileInBlocks(DncSession& session, const std::string& path, const std::function<void()>& block);

// Writes every byte arriving at the port to `path` until `stop` says so, sleeping on the
// event loop between bytes. The file is made afresh: whatever stood under the name (a
// link, another user's file) is neither followed nor truncated. XON and XOFF are data
// here: the port's software flow control is switched off first (until the port is opened
// again). False when the file cannot be written.
bool captureBinary(ComPort& port, const std::string& path, const std::function<bool()>& stop);

} // namespace dnc
