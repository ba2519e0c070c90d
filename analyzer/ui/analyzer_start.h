#pragma once
// The analyzer's start: the main window in the program folder, the about box as a splash
// until the first tick of the 2-second timer, then the run-speed delay, and the reload of
// the job MRW2013 handed over when it started the analyzer.
#include <QStringList>

#include <memory>
#include <string>

namespace platform {
class Prompter;
}

namespace vork {

class Tmdvform;

class AnalyzerStart {
public:
    // programFolder "": the program folder of the platform rule (MRW_PROGRAM_DIR or the
    // executable's folder). splash false leaves the about box out (tests).
    // prompter: as for the main window.
    explicit AnalyzerStart(const QStringList& arguments, const std::string& programFolder = {}, bool splash = true,
                           platform::Prompter* prompter = nullptr);
    ~AnalyzerStart();
    Tmdvform& window() { return *m_window; }

private:
    std::unique_ptr<Tmdvform> m_window;
};

} // namespace vork
