#pragma once
// The far end of a serial line for tests and benchmarks: a linked pty pair made by socat,
// and a simulated CNC control on one end of it. The control reads what arrives into a
// small buffer, consumes it at a fixed character rate, sends XOFF when the buffer is
// nearly full and XON when it has drained, and counts every byte that arrived while the
// buffer was full (an overrun: a real control would have lost it).
#include <QProcess>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace simcontrol {

// Two ptys joined by socat: bytes written to one end come out of the other.
class PtyPair {
public:
    PtyPair()
    {
        char pattern[] = "/tmp/mrw-pty-XXXXXX";
        if (const char* made = ::mkdtemp(pattern))
            m_folder = made;
        m_ends[0] = m_folder + "/a";
        m_ends[1] = m_folder + "/b";
        m_socat.setChildProcessModifier([] { ::setsid(); }); // no controlling terminal of ours
        m_socat.start("socat", {"pty,raw,echo=0,link=" + QString::fromStdString(m_ends[0]),
                                "pty,raw,echo=0,link=" + QString::fromStdString(m_ends[1])});
        m_socat.waitForStarted(5000);
        for (int i = 0; i < 500 && !ready(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PtyPair()
    {
        m_socat.terminate();
        if (!m_socat.waitForFinished(2000))
            m_socat.kill();
        m_socat.waitForFinished(2000);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ready() const { return std::filesystem::exists(m_ends[0]) && std::filesystem::exists(m_ends[1]); }
    // The end the program opens, and the end the control sits on.
    const std::string& pcEnd() const { return m_ends[0]; }
    const std::string& machineEnd() const { return m_ends[1]; }

private:
    std::string m_folder;
    std::string m_ends[2];
    QProcess m_socat;
};

struct ControlSettings {
    int bufferSize = 256;
    int xoffLevel = 192;          // XOFF when the buffer holds this many bytes
    int xonLevel = 64;            // XON when it has drained to this many
    double drainPerSecond = 960;  // a 9600-baud line's characters a second
};

class SimControl {
public:
    SimControl(const std::string& path, ControlSettings settings) : m_settings(settings)
    {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio{};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
        m_thread = std::thread([this] { run(); });
    }
    ~SimControl()
    {
        m_stop = true;
        m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // Sends bytes to the PC (a control punching out a program).
    void send(const std::string& bytes)
    {
        std::lock_guard lock(m_writeMutex);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Everything consumed so far, in order of arrival.
    std::string program() const
    {
        std::lock_guard lock(m_mutex);
        return m_program;
    }
    std::size_t consumed() const
    {
        std::lock_guard lock(m_mutex);
        return m_program.size();
    }
    // Waits (wall time) until `count` bytes were consumed or `timeoutMs` passed.
    bool waitConsumed(std::size_t count, int timeoutMs) const
    {
        for (int waited = 0; consumed() < count; waited += 2) {
            if (waited >= timeoutMs)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    long overruns() const { return m_overruns; }
    long xoffsSent() const { return m_xoffs; }
    // Seconds from the first byte that arrived to the last byte consumed.
    double busySeconds() const
    {
        std::lock_guard lock(m_mutex);
        return std::chrono::duration<double>(m_lastConsumed - m_firstArrived).count();
    }

private:
    using Clock = std::chrono::steady_clock;

    void run()
    {
        std::string buffer;
        bool holding = false;
        double credit = 0;
        auto last = Clock::now();
        bool started = false;
        char chunk[4096];
        while (!m_stop) {
            pollfd watch{m_fd, POLLIN, 0};
            ::poll(&watch, 1, 1);
            for (;;) {
                const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                if (!started) {
                    std::lock_guard lock(m_mutex);
                    m_firstArrived = Clock::now();
                    last = m_firstArrived;
                    started = true;
                }
                for (ssize_t i = 0; i < n; ++i) {
                    if (static_cast<int>(buffer.size()) >= m_settings.bufferSize)
                        ++m_overruns;
                    else
                        buffer.push_back(chunk[i]);
                }
            }
            const auto now = Clock::now();
            credit += std::chrono::duration<double>(now - last).count() * m_settings.drainPerSecond;
            last = now;
            const std::size_t take = std::min(buffer.size(), static_cast<std::size_t>(credit));
            if (take > 0) {
                std::lock_guard lock(m_mutex);
                m_program.append(buffer, 0, take);
                m_lastConsumed = now;
                buffer.erase(0, take);
                credit -= static_cast<double>(take);
            }
            if (buffer.empty())
                credit = std::min(credit, 1.0); // an idle control banks no time
            const int count = static_cast<int>(buffer.size());
            if (!holding && count >= m_settings.xoffLevel) {
                holding = true;
                ++m_xoffs;
                send("\x13");
            } else if (holding && count <= m_settings.xonLevel) {
                holding = false;
                send("\x11");
            }
        }
    }

    ControlSettings m_settings;
    int m_fd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_overruns{0};
    std::atomic<long> m_xoffs{0};
    mutable std::mutex m_mutex;
    std::mutex m_writeMutex;
    std::string m_program;
    Clock::time_point m_firstArrived{};
    Clock::time_point m_lastConsumed{};
};

} // namespace simcontrol
