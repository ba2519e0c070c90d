// Test entry for suites that need a QApplication (widgets, timers, socket notifiers).
// These suites start other programs too (serial peers, the programs themselves, converters):
// a run must leave none of them behind, grandchildren included. The run and all it starts
// get a home of their own.
#include "support/own_home.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The processes whose parent is this one; orphans of our children count too, since this
// process takes them in (a child subreaper).
std::vector<pid_t> children()
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    while (dirent* entry = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto close = line.rfind(')'); // the command name may hold spaces and ')'
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == ::getpid())
            found.push_back(pid);
    }
    ::closedir(proc);
    return found;
}

std::string commandLine(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    return text;
}

// Reaps what has ended and gives the rest a few seconds to end; what still lives then is
// named and ended. Returns whether nothing was left.
bool nothingLeftBehind()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<pid_t> alive;
    for (;;) {
        alive.clear();
        for (pid_t pid : children())
            if (::waitpid(pid, nullptr, WNOHANG) == 0)
                alive.push_back(pid);
        if (alive.empty())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (pid_t pid : alive) {
        std::fprintf(stderr, "A test left process %d behind: %s\n", static_cast<int>(pid), commandLine(pid).c_str());
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    testsupport::OwnHome home;
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (!nothingLeftBehind())
        result = 1;
    return result;
}
