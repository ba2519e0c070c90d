#pragma once
// The run's own services for every place its caller leaves empty: the time model, the
// NC error report, the readouts, the data listing, the DXF output of the path and the
// fixture display are the real ones (the window attaches its error dialog, readout view
// and DXF file to them); a run given no drawing draws nowhere, and one given no
// operation table finds no operation for any tool.
#include "analyzer/engine/run_services.h"

#include <memory>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct AnalyzerSettings;
class DialogErrorReporter;
class RunReadouts;
class TDxfOutput;

class DefaultRunServices {
public:
    DefaultRunServices(TRunState& state, const TMachineSetup& setup, AnalyzerSettings& settings);
    ~DefaultRunServices();
    DefaultRunServices(const DefaultRunServices&) = delete;
    DefaultRunServices& operator=(const DefaultRunServices&) = delete;

    // `given` with the run's own service in every place it leaves empty (prompter and
    // pump stay as given: without them nothing is shown and nothing waits; arcs and
    // cycles are the run session's own).
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
