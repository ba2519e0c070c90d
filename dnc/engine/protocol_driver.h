#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "dnc/engine/transfer_engine.h"

namespace dnc {

// The file a receive writes: the scratch file beside the one the operator chose,
// whatever name the sender announced.  It is made afresh, exclusively: whatever
// stood under its name (a link, another user's file) is neither followed nor
// truncated.  What arrived stays in the file when a transfer fails.
class ReceivedFile {
public:
    explicit ReceivedFile(std::string path);
    ~ReceivedFile();
    ReceivedFile(const ReceivedFile&) = delete;
    ReceivedFile& operator=(const ReceivedFile&) = delete;

    bool open();
    bool append(const std::string& bytes);
    bool close();
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

// Reads a whole file to send; false when it cannot be read.
bool readFileToSend(const std::string& path, std::string& data);

// Runs an engine over a file descriptor (a tty or pty in raw mode, or a pipe
// pair) until it finishes.  Blocks the calling thread; progress() is called
// after every step that changed the status.
class FdTransferDriver {
public:
    FdTransferDriver(int readFd, int writeFd) : readFd_(readFd), writeFd_(writeFd) {}

    // Received bytes go to sink (may be null for a send).  Returns the result code.
    int run(TransferEngine& engine, ReceivedFile* sink = nullptr);

    std::function<void(const TransferStatus&)> progress;
    std::function<bool()> cancelRequested;

private:
    int readFd_;
    int writeFd_;
};

}  // namespace dnc
