// Throughput of the block protocols against the standard programs, over a pty pair.
//   bench_protocols [size]
// Each protocol is timed in both directions twice: once with the standard programs
// on both ends, once with ours on one end. Every program runs on pipes behind socat,
// the two socats meet at a pty, so both runs have the same path. The ratio is the
// standard time over ours: 1 or more means ours is at least as fast.
//   bench_protocols --peer send|receive PROTOCOL FILE
// runs one of our engines on standard input and output (used by the timing runs).
#include "dnc/engine/protocol_driver.h"
#include "dnc/engine/transfer_protocols.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Standard {
    dnc::ProtocolType type;
    const char* name;
    const char* send;     // sends in.bin
    const char* receive;  // receives into its folder
    const char* arrives;  // the name it receives under
};

const Standard standards[] = {
    {dnc::ProtocolType::XmodemCrc, "XMODEM-CRC", "sx -b in.bin", "rx -c -b -y in.bin", "in.bin"},
    {dnc::ProtocolType::Ymodem, "YMODEM", "sb -b in.bin", "rb -b -y", "in.bin"},
    {dnc::ProtocolType::Zmodem, "ZMODEM", "sz -b in.bin", "rz -b -y", "in.bin"},
    {dnc::ProtocolType::Kermit, "Kermit", "gkermit -q -i -P -s in.bin", "gkermit -q -i -P -w -r", "in.bin"},
};

int runPeer(const std::string& side, int protocol, const std::string& file)
{
    auto type = static_cast<dnc::ProtocolType>(protocol);
    dnc::FdTransferDriver driver(0, 1);
    if (side == "send") {
        std::string data;
        if (!dnc::readFileToSend(file, data))
            return 3;
        auto engine = dnc::makeSendEngine(type, std::move(data), "in.bin");
        return driver.run(*engine) == dnc::ProtocolOk ? 0 : 1;
    }
    dnc::ReceivedFile sink(file);
    if (!sink.open())
        return 3;
    auto engine = dnc::makeReceiveEngine(type);
    return driver.run(*engine, &sink) == dnc::ProtocolOk ? 0 : 1;
}

pid_t spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // A session of its own: no controlling terminal for a peer to talk to, and one group to end.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? pid : -1;
}

// False when the process had to be stopped.
bool waitExit(pid_t pid, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 2) {
        int status = 0;
        // socat's own status tells of a program that left before its last input came
        // (gkermit); the received file decides whether the transfer worked.
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        ::usleep(2000);
    }
    ::kill(-pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::kill(-pid, SIGKILL); // what socat ran may outlive it
    return false;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One transfer: the receiving program behind the pty's socat, the sender behind a
// second socat that opens the pty. Seconds, or a negative number on failure.
double timeTransfer(const std::string& dir, const std::string& sender, const std::string& receiver,
                    const std::string& arrives, const std::string& expected)
{
    const std::string rx = dir + "/rx";
    std::system(("rm -rf '" + rx + "' && mkdir -p '" + rx + "'").c_str());
    const std::string link = dir + "/ttyA";
    ::unlink(link.c_str());
    const auto start = Clock::now();
    // socat reports a program that closed its pipes before the last bytes came ("Broken
    // pipe"); the received file decides, so its messages go to a log in the folder.
    pid_t receiving = spawn({"socat", "-lf", dir + "/socat.log", "-t", "0.1", "pty,raw,echo=0,link=" + link,
                             "SYSTEM:cd '" + rx + "' && exec " + receiver + " 2>/dev/null"});
    struct stat st{};
    for (int i = 0; i < 2000 && ::stat(link.c_str(), &st) != 0; ++i)
        ::usleep(1000);
    // Held open so that the pty does not hang up on the receiver when the sender's
    // side closes first.
    const int holder = ::open(link.c_str(), O_RDWR | O_NOCTTY);
    pid_t sending = spawn({"socat", "-lf", dir + "/socat.log", "-t", "0.1", "FILE:" + link + ",raw,echo=0",
                           "SYSTEM:cd '" + dir + "' && exec " + sender + " 2>/dev/null"});
    const bool sent = waitExit(sending, 120000);
    const bool received = waitExit(receiving, 120000);
    if (holder >= 0)
        ::close(holder);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!sent || !received)
        return -1;
    std::string got = readAll(rx + "/" + arrives);
    got.resize(std::min(got.size(), expected.size()));  // XMODEM's standard receiver keeps the padding
    return got == expected ? seconds : -2;
}

double best(int runs, const std::string& dir, const std::string& sender, const std::string& receiver,
            const std::string& arrives, const std::string& expected)
{
    double fastest = -1;
    for (int i = 0; i < runs; ++i) {
        double t = timeTransfer(dir, sender, receiver, arrives, expected);
        if (t < 0)
            return t;
        if (fastest < 0 || t < fastest)
            fastest = t;
    }
    return fastest;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::string(argv[1]) == "--peer")
        return runPeer(argv[2], std::atoi(argv[3]), argv[4]);

    const std::size_t size = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : (1u << 20);
    char folder[] = "/tmp/bench_protocols.XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i & 0xFF);
    std::ofstream(dir + "/in.bin", std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));

    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    const std::string me(self, static_cast<std::size_t>(n));

    std::printf("%zu bytes of all 256 values, best of 3, seconds (standard / ours = ratio)\n", size);
    int failures = 0;
    for (const Standard& s : standards) {
        const std::string number = std::to_string(static_cast<int>(s.type));
        const double standard = best(3, dir, s.send, s.receive, s.arrives, data);
        const double oursSending = best(3, dir, me + " --peer send " + number + " in.bin", s.receive, s.arrives, data);
        const double oursReceiving = best(3, dir, s.send, me + " --peer receive " + number + " got.bin", "got.bin", data);
        auto line = [&](const char* direction, double ours) {
            if (standard < 0 || ours < 0) {
                ++failures;
                std::printf("%-10s %-8s FAILED (standard %.3f, ours %.3f)\n", s.name, direction, standard, ours);
            } else {
                std::printf("%-10s %-8s standard %7.3f  ours %7.3f  ratio %.2f\n", s.name, direction, standard, ours,
                            standard / ours);
            }
        };
        line("send", oursSending);
        line("receive", oursReceiving);
        std::fflush(stdout);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return failures ? 1 : 0;
}
