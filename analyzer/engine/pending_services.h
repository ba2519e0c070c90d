#pragma once
// Plain stand-ins for the services a run calls that are not connected: they do the
// least that keeps a run honest (a cycle not yet simulated is drawn as a straight
// line and said so in the code list). The time model, the NC error report and the
// readouts are the real ones: error dialog and readout view are attached through
// errorReporter() and readouts().
#include "analyzer/engine/run_services.h"

#include <memory>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct AnalyzerSettings;
class DialogErrorReporter;
class RunReadouts;
class TDxfOutput;

class PendingServices {
public:
    PendingServices(TRunState& state, const TMachineSetup& setup, AnalyzerSettings& settings);
    ~PendingServices();
    PendingServices(const PendingServices&) = delete;
    PendingServices& operator=(const PendingServices&) = delete;

    // `given` with a stand-in in every place it leaves empty (prompter and pump stay
    // as given: without them nothing is shown and nothing waits; arcs and cycles are
    // the run session's own).
    RunServices complete(const RunServices& given);

    // The run's own error report and readouts, for the window to attach its views to.
    DialogErrorReporter& errorReporter();
    RunReadouts& readouts();
    // The DXF output of the path, which the main window starts and finishes.
    TDxfOutput& dxfOutput();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

} // namespace vork
