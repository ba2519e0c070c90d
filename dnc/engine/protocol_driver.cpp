#include "dnc/engine/protocol_driver.h"

#include "platform/scratch_file.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace dnc {

ReceivedFile::ReceivedFile(std::string path) : path_(std::move(path)) {}

ReceivedFile::~ReceivedFile() { close(); }

bool ReceivedFile::open()
{
    close();
    file_ = platform::createScratchStream(path_);
    return file_ != nullptr;
}

bool ReceivedFile::append(const std::string& bytes)
{
    if (bytes.empty())
        return true;
    return file_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
}

bool ReceivedFile::close()
{
    if (!file_)
        return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

bool readFileToSend(const std::string& path, std::string& data)
{
    std::FILE* f = platform::openRegularFile(path); // never blocks on a FIFO or device
    if (!f)
        return false;
    data.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

namespace {

using Clock = std::chrono::steady_clock;

// Writes as much as the descriptor takes now; false on a hard error.
bool writeSome(int fd, std::string& pending)
{
    while (!pending.empty()) {
        ssize_t n = ::write(fd, pending.data(), pending.size());
        if (n > 0) {
            pending.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

}  // namespace

int FdTransferDriver::run(TransferEngine& engine, ReceivedFile* sink)
{
    for (int fd : {readFd_, writeFd_})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    std::string pending;
    unsigned timerSerial = engine.timerSerial();
    Clock::time_point deadline = Clock::time_point::max();
    std::int64_t lastReported = -1;
    bool fileFailed = false;

    auto afterStep = [&] {
        pending += engine.takeOutput();
        if (sink && !sink->append(engine.takeReceivedData()) && !fileFailed) {
            fileFailed = true;
            engine.guarded([&] { engine.cancel(); });
            pending += engine.takeOutput();
        }
        if (engine.timerSerial() != timerSerial) {
            timerSerial = engine.timerSerial();
            deadline = engine.timerMs() < 0 ? Clock::time_point::max()
                                            : Clock::now() + std::chrono::milliseconds(engine.timerMs());
        }
        if (progress && engine.status().bytesTransferred != lastReported) {
            lastReported = engine.status().bytesTransferred;
            progress(engine.status());
        }
    };

    engine.guarded([&] { engine.start(); });
    afterStep();
    char buffer[65536];
    while (!engine.finished()) {
        if (cancelRequested && cancelRequested()) {
            engine.guarded([&] { engine.cancel(); });
            afterStep();
            break;
        }
        const std::size_t before = pending.size();
        if (!writeSome(writeFd_, pending)) {
            engine.guarded([&] { engine.cancel(); });
            afterStep();
            pending.clear();
            break;
        }
        if (pending.size() < before) {
            engine.guarded([&] { engine.outputMoved(); });
            afterStep();
        }
        if (pending.empty()) {
            engine.guarded([&] { engine.outputDrained(); });
            afterStep();
            if (!pending.empty())
                continue;
        }
        int waitMs = 200;  // also the pace at which a cancel is noticed
        if (deadline != Clock::time_point::max()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = static_cast<int>(std::max<long long>(0, std::min<long long>(left, waitMs)));
        }
        pollfd fds[2] = {{readFd_, POLLIN, 0}, {writeFd_, POLLOUT, 0}};
        nfds_t count = 1;
        if (!pending.empty()) {
            if (readFd_ == writeFd_)
                fds[0].events |= POLLOUT;
            else
                count = 2;
        }
        int ready = ::poll(fds, count, waitMs);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = ::read(readFd_, buffer, sizeof buffer);
            if (n > 0) {
                engine.guarded([&] { engine.receive(std::string_view(buffer, static_cast<std::size_t>(n))); });
                afterStep();
                continue;
            }
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                // The line is gone: whatever the engine waits for will not come.
                ::poll(nullptr, 0, 10);
            }
        }
        if (Clock::now() >= deadline) {
            deadline = Clock::time_point::max();
            engine.guarded([&] { engine.timerExpired(); });
            afterStep();
        }
    }
    // Let the last answer reach the other side.
    auto flushUntil = Clock::now() + std::chrono::seconds(5);
    while (!pending.empty() && Clock::now() < flushUntil) {
        if (!writeSome(writeFd_, pending))
            break;
        if (!pending.empty()) {
            pollfd out{writeFd_, POLLOUT, 0};
            ::poll(&out, 1, 100);
        }
    }
    if (sink && !sink->close() && engine.result() == ProtocolOk)
        return ProtocolFileError;
    if (fileFailed)
        return ProtocolFileError;
    return engine.result();
}

}  // namespace dnc
