#pragma once
// The real programs in tests: started offscreen on a program folder of their own, in a
// session of their own, and ended with their whole group when the test is done with them;
// and a watch on the files they make.
#include "support/temp_folder.h"

#include <QProcess>

#include <csignal>
#include <fnmatch.h>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

namespace testsupport {

// Files matching a pattern as they are created in one folder.
class CreationWatch {
public:
    CreationWatch(const std::string& folder, std::string pattern)
        : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)), m_pattern(std::move(pattern))
    {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE);
    }
    ~CreationWatch() { ::close(m_fd); }
    // Waits, up to a generous bound, until `count` matching files were created in all.
    bool waitFor(int count)
    {
        for (int waited = 0; m_seen < count && waited < 600; ++waited) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            alignas(inotify_event) char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && ::fnmatch(m_pattern.c_str(), event->name, 0) == 0)
                    ++m_seen;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return m_seen >= count;
    }

private:
    int m_fd;
    std::string m_pattern;
    int m_seen = 0;
};

// One of the programs, offscreen, in a session of its own, ended with its group when the
// test is done with it.
class ProgramRun {
public:
    ProgramRun(const char* program, const QStringList& arguments, const TempFolder& folder,
               const TempFolder& windows, const QString& temporaryFolder = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MRW_PROGRAM_DIR", QString::fromStdString(folder.path()));
        env.insert("MRW_WINDOWS_DIR", QString::fromStdString(windows.path()));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!temporaryFolder.isEmpty())
            env.insert("TMPDIR", temporaryFolder);
        m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([] { ::setsid(); });
        m_process.start(QString(MRW_PROGRAM_FOLDER "/") + program, arguments);
        m_started = m_process.waitForStarted();
    }
    ~ProgramRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(-static_cast<pid_t>(m_process.processId()), SIGKILL);
            m_process.waitForFinished();
        }
    }
    bool started() const { return m_started; }
    void signal(int signal) { ::kill(static_cast<pid_t>(m_process.processId()), signal); }
    bool ended() { return m_process.waitForFinished(60000); }
    bool endedCleanly() { return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0; }
    std::string standardError() { return m_process.readAllStandardError().toStdString(); }

private:
    QProcess m_process;
    bool m_started = false;
};

} // namespace testsupport
