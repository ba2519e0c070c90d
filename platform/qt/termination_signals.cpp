#include "platform/qt/termination_signals.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};
int wakeFds[2] = {-1, -1};
std::atomic<bool> pending{false};
bool watched = false; // one watcher per program
std::atomic<bool> endDone{false};

void noteSignal(int signal)
{
    if (pending.exchange(true))
        std::_Exit(128 + signal); // asked twice: the first is stuck
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

} // namespace

void catchTerminationSignals()
{
    if (wakeFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, wakeFds) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Handled)
        sigaction(s, &action, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    catchTerminationSignals();
    if (wakeFds[1] < 0 || watched)
        return;
    watched = true;
    m_notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::deliver);
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
    watched = false;
}

bool TerminationSignals::signalled() const
{
    return pending;
}

namespace {

// Closes every modal dialog showing, as its Cancel or Esc would: the code that showed it
// goes on as if the user had cancelled it, once this call returns to its event loop.
void cancelModalDialogs()
{
    // A dialog that refuses to go is left, rather than looped on.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* dialog = qobject_cast<QDialog*>(window);
        if (!dialog || !dialog->isVisible() || !dialog->isModal())
            continue;
        if (const auto* box = qobject_cast<QMessageBox*>(dialog))
            std::fprintf(stderr, "%s: %s\n", box->windowTitle().toLocal8Bit().constData(),
                         box->text().toLocal8Bit().constData());
        dialog->reject();
    }
}

} // namespace

void TerminationSignals::deliver()
{
    unsigned char byte = 0;
    if (::read(wakeFds[1], &byte, 1) != 1)
        return;
    m_notifier->setEnabled(false);
    cancelModalDialogs();
    if (m_onSignal)
        m_onSignal(byte);
}

void armEndGuard(int seconds)
{
    // Once the program leaves main() its end is done: the guard no longer speaks of it.
    static std::once_flag leaving;
    std::call_once(leaving, [] { std::atexit([] { endDone = true; }); });
    const std::string program = QCoreApplication::applicationName().toStdString();
    std::thread([seconds, program] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        if (endDone)
            std::_Exit(0);
        const std::string line = program + ": ending took longer than " + std::to_string(seconds) +
                                 " seconds; ended without finishing it\n";
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
        std::_Exit(1);
    }).detach();
}

bool EndingPrompter::ending() const
{
    return m_ending || pending;
}

Button EndingPrompter::message(const std::string& caption, const std::string& text, MessageKind kind,
                               Buttons buttons)
{
    if (!ending() && m_normal)
        return m_normal->message(caption, text, kind, buttons);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    switch (buttons) {
    case Buttons::Ok:
        return Button::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo:
        return Button::No;
    case Buttons::AbortRetryIgnore:
        return Button::Abort;
    default:
        return Button::Cancel;
    }
}

bool EndingPrompter::inputString(const std::string& caption, const std::string& prompt, std::string& value)
{
    if (!ending() && m_normal)
        return m_normal->inputString(caption, prompt, value);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), prompt.c_str());
    return false;
}

void EndingPrompter::beep()
{
    if (!ending() && m_normal)
        m_normal->beep();
}

} // namespace platform
