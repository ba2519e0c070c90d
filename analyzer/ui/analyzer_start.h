#pragma once
// The analyzer's start: the main window in the program folder, the about box as a splash
// until the first tick of the 2-second timer, then the run-speed delay, and the reload of
// the job MRW2013 handed over when it started the analyzer. A logout or Ctrl+C ends it as
// its close does, without asking anything.
#include "platform/qt/qthost.h"
#include "platform/qt/termination_signals.h"

#include <QStringList>

#include <memory>
#include <string>

namespace vork {

class Tmdvform;

class AnalyzerStart {
public:
    // programFolder "": the program folder of the platform rule (MRW_PROGRAM_DIR or the
    // executable's folder). splash false leaves the about box out (tests).
    // prompter: as for the main window. endOnSignals: the program's own start, which a
    // logout or Ctrl+C ends from the moment the window exists.
    explicit AnalyzerStart(const QStringList& arguments, const std::string& programFolder = {}, bool splash = true,
                           platform::Prompter* prompter = nullptr, bool endOnSignals = false);
    ~AnalyzerStart();
    Tmdvform& window() { return *m_window; }
    // A signal ended the program (also before its event loop ran).
    bool ending() const { return m_prompter.ending(); }

private:
    // Settings kept, the work copy back in the NC file's place, the scratch files removed
    // when the window goes; nothing asked, failures reported on standard error.
    void endWithoutAsking();

    platform::QtPrompter m_boxes;
    platform::EndingPrompter m_prompter;
    bool m_endStarted = false;
    bool m_windowClosed = false;
    // Goes after the window: a signal while the window ends waits instead of cutting its
    // end short.
    std::unique_ptr<platform::TerminationSignals> m_termination;
    std::unique_ptr<Tmdvform> m_window;
};

} // namespace vork
