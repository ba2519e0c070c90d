#pragma once
// Plain stand-ins for the services a run calls that are not connected: they do the
// least that keeps a run honest (a cycle not yet simulated is drawn as a straight
// line and said so in the code list; an NC error goes to a message box).
#include "analyzer/engine/run_services.h"

#include <memory>

namespace vork {

struct TRunState;
struct AnalyzerSettings;
struct TMachineSetup;
class TDxfOutput;

class PendingServices {
public:
    PendingServices(TRunState& state, AnalyzerSettings& settings, const TMachineSetup& setup);
    ~PendingServices();
    PendingServices(const PendingServices&) = delete;
    PendingServices& operator=(const PendingServices&) = delete;

    // `given` with a stand-in in every place it leaves empty (prompter and pump stay
    // as given: without them nothing is shown and nothing waits; arcs and cycles are
    // the run session's own).
    RunServices complete(const RunServices& given);

    // The DXF output of the path, which the main window starts and finishes.
    TDxfOutput& dxfOutput();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

// Reports an NC error in a message box with Abort, Retry and Ignore when EDIT is on;
// Retry lets the block be edited in an input box and runs it again.
class PrompterErrorReporter : public ErrorReporter {
public:
    PrompterErrorReporter(TRunState& state, AnalyzerSettings& settings, platform::Prompter*& prompter);
    void ReportNCError(int n) override;

private:
    TRunState& m_state;
    AnalyzerSettings& m_settings;
    platform::Prompter*& m_prompter;
};

} // namespace vork
