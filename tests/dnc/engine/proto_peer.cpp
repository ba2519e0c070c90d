#include "proto_peer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace prototest {

int openRawTty(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return -1;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

PeerLink::PeerLink(const std::string& folder, const std::string& workFolder, const std::string& command)
{
    std::string link = folder + "/ttyA";
    std::string ptyAddress = "pty,raw,echo=0,link=" + link;
    std::string system = "SYSTEM:cd '" + workFolder + "' && exec " + command + " 2>>'" + folder + "/peer.log'";
    const char* argv[] = {"socat", ptyAddress.c_str(), system.c_str(), nullptr};
    // A session of its own: the peer has no controlling terminal (gkermit would talk to the
    // caller's /dev/tty instead of its pipes), and its whole group can be ended at once.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const int spawned = ::posix_spawnp(&pid_, "socat", nullptr, &attributes, const_cast<char* const*>(argv), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        pid_ = -1;
        return;
    }
    group_ = pid_;
    for (int i = 0; i < 500; ++i) {
        struct stat st{};
        if (::stat(link.c_str(), &st) == 0) {
            fd_ = openRawTty(link);
            if (fd_ >= 0)
                return;
        }
        ::usleep(10000);
    }
}

PeerLink::~PeerLink()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (pid_ > 0 && waitExit(2000) == -1) {
        ::kill(-pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    // socat may have ended before the program it ran (a gkermit spinning on a closed line);
    // a group id is not given to another process while any member of the group lives.
    if (group_ > 0)
        ::kill(-group_, SIGKILL);
}

int PeerLink::waitExit(int timeoutMs)
{
    if (pid_ <= 0)
        return -1;
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        ::usleep(10000);
    }
    return -1;
}

bool waitForFile(const std::string& path, const std::string& data)
{
    for (int i = 0; i < 300; ++i) {
        std::ifstream in(path, std::ios::binary);
        if (std::string(std::istreambuf_iterator<char>(in), {}) == data)
            return true;
        ::usleep(10000);
    }
    return false;
}

std::string allByteValues(std::size_t n)
{
    std::string data(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        data[i] = static_cast<char>(i & 0xFF);
    return data;
}

}  // namespace prototest
