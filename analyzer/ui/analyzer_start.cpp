#include "analyzer/ui/analyzer_start.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/ui/about_box.h"
#include "analyzer/ui/main_window.h"
#include "platform/folders.h"

#include <QApplication>
#include <QScreen>

namespace vork {

namespace {
constexpr int SplashMilliseconds = 2000;
}

AnalyzerStart::AnalyzerStart(const QStringList& arguments, const std::string& programFolder, bool splash,
                             platform::Prompter* prompter, bool endOnSignals)
    : m_prompter(prompter ? prompter : &m_boxes)
{
    // No display name: the desktop would add it to every title, which names the program already.
    QApplication::setApplicationName("VORK2013");
    // Watched before the window is made: a start-up message box must not hold a logout.
    if (endOnSignals)
        m_termination = std::make_unique<platform::TerminationSignals>([this](int) { endWithoutAsking(); });
    m_window = std::make_unique<Tmdvform>(programFolder.empty() ? platform::programFolder() : programFolder,
                                          &m_prompter);
    Tmdvform& w = *m_window;
    m_boxes.setParent(&w);
    if (ending()) {
        endWithoutAsking();
        return;
    }
    // Also where no window manager maximizes it, the window covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w.setGeometry(screen->availableGeometry());
    w.showMaximized();
    if (splash) {
        QCoreApplication::processEvents();
        w.aboutBox().show();
        QCoreApplication::processEvents();
        // The splash lasts until the first tick; the timer then paces the run.
        RunSession& session = w.session();
        w.timer1().start(SplashMilliseconds);
        session.state.PacingTick = false;
        platform::QtEventPump pump;
        while (!session.state.PacingTick && !ending())
            pump.waitPumping(20);
        w.ApplySpeed();
        w.aboutBox().hide();
    }
    std::vector<std::string> args;
    for (const QString& a : arguments)
        args.push_back(a.toStdString());
    if (IsHandOffStart(args) && !ending())
        w.Reloadthelastjob();
    if (ending()) // a signal that came during the start and was not delivered yet
        endWithoutAsking();
}

AnalyzerStart::~AnalyzerStart()
{
    // A run that was under way when the signal came has returned by now: the window closes
    // as it would have after the run (the DXF output is finished, for one).
    if (ending() && m_window->isVisible())
        m_window->close();
}

void AnalyzerStart::endWithoutAsking()
{
    if (!m_endStarted) {
        m_endStarted = true;
        platform::armEndGuard();
        m_prompter.end();
    }
    // As the window's close: a run under way returns first (its loop sees the close), and
    // what the close leaves to the window's end happens when the window goes. A window
    // still being made is closed once it is made.
    if (m_window && !m_windowClosed) {
        m_windowClosed = true;
        m_window->close();
    }
    QCoreApplication::exit(0);
}

} // namespace vork
