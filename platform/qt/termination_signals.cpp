#include "platform/qt/termination_signals.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};
int wakeFds[2] = {-1, -1};
std::atomic<bool> pending{false};

void noteSignal(int signal)
{
    if (pending.exchange(true))
        std::_Exit(128 + signal); // asked twice: the first is stuck
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    if (wakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0)
        return; // one watcher per program
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::deliver);
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Handled)
        sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (int s : Handled)
        std::signal(s, SIG_DFL);
    ::close(wakeFds[0]);
    ::close(wakeFds[1]);
    wakeFds[0] = wakeFds[1] = -1;
    pending = false;
}

void TerminationSignals::deliver()
{
    unsigned char byte = 0;
    if (::read(wakeFds[1], &byte, 1) != 1)
        return;
    m_notifier->setEnabled(false);
    if (m_onSignal)
        m_onSignal(byte);
}

} // namespace platform
