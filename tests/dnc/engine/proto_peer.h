#pragma once

#include <string>
#include <sys/types.h>

namespace prototest {

// A standard transfer program run by socat on pipes behind a pty; the pty's
// link appears in the folder as "ttyA" and fd() is our raw end of it.
class PeerLink {
public:
    PeerLink(const std::string& folder, const std::string& workFolder, const std::string& command);
    ~PeerLink();
    PeerLink(const PeerLink&) = delete;
    PeerLink& operator=(const PeerLink&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Waits for socat to end (it ends with the program); its exit status or -1.
    int waitExit(int timeoutMs);

private:
    pid_t pid_ = -1;
    pid_t group_ = -1; // socat's session and process group, the program's too
    int fd_ = -1;
};

// Opens a path to a tty in raw 8-bit mode without echo; -1 on failure.
int openRawTty(const std::string& path);

// Waits a little for a file to hold `data`: a standard receiver may close its file
// after its stream is closed.
bool waitForFile(const std::string& path, const std::string& data);

// n bytes running through all 256 values.
std::string allByteValues(std::size_t n);

}  // namespace prototest
