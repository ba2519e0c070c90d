#include "proto_noise_relay.h"

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>

#include "proto_peer.h"

namespace prototest {
namespace {

bool openPty(int& master, int& slave)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        return false;
    const char* name = ::ptsname(master);
    slave = name ? openRawTty(name) : -1;
    return slave >= 0;
}

// Gives up when stop is set: the reader may have finished for good.
void writeAll(int fd, const std::string& bytes, const std::atomic<bool>& stop)
{
    std::size_t done = 0;
    while (done < bytes.size() && !stop) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return;
        else
            ::usleep(1000);
    }
}

}  // namespace

NoisyLink::NoisyLink(double dropRate, double changeRate, std::uint32_t seed)
    : dropRate_(dropRate), changeRate_(changeRate), seed_(seed)
{
    if (openPty(masterA_, slaveA_) && openPty(masterB_, slaveB_))
        thread_ = std::thread([this] { relay(); });
}

NoisyLink::NoisyLink(int farEnd, double dropRate, double changeRate, std::uint32_t seed)
    : masterA_(farEnd), ownsA_(false), dropRate_(dropRate), changeRate_(changeRate), seed_(seed)
{
    ::fcntl(farEnd, F_SETFL, ::fcntl(farEnd, F_GETFL) | O_NONBLOCK);
    if (openPty(masterB_, slaveB_))
        thread_ = std::thread([this] { relay(); });
}

NoisyLink::~NoisyLink()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    for (int fd : {slaveA_, slaveB_, masterB_, ownsA_ ? masterA_ : -1})
        if (fd >= 0)
            ::close(fd);
}

void NoisyLink::relay()
{
    std::mt19937 random(seed_);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::uniform_int_distribution<int> change(1, 255);
    char buffer[4096];
    while (!stop_) {
        pollfd fds[2] = {{masterA_, POLLIN, 0}, {masterB_, POLLIN, 0}};
        if (::poll(fds, 2, 20) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            std::string out;
            out.reserve(static_cast<std::size_t>(n));
            for (ssize_t k = 0; k < n; ++k) {
                double r = chance(random);
                if (r < dropRate_) {
                    ++damaged_;
                    continue;
                }
                char c = buffer[k];
                if (r < dropRate_ + changeRate_) {
                    c = static_cast<char>(c ^ change(random));
                    ++damaged_;
                }
                out.push_back(c);
            }
            writeAll(i == 0 ? masterB_ : masterA_, out, stop_);
        }
    }
}

}  // namespace prototest
