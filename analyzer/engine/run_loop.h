#pragma once
// One analyzer run as the main window drives it: the run state, the NC input, the motion
// file and the block interpreter over a machine setup, with Start, Single and Stop.
// Services that are not given are the run's own defaults, so a run also goes headless.
#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/arcs.h"
#include "analyzer/engine/cycles.h"
#include "analyzer/engine/interpreter.h"
#include "analyzer/engine/motion_file.h"
#include "analyzer/engine/nc_errors.h"
#include "analyzer/engine/nc_input.h"
#include "analyzer/engine/default_run_services.h"
#include "analyzer/engine/dxf_run_ledger.h"
#include "analyzer/engine/readouts.h"
#include "analyzer/engine/run_services.h"
#include "analyzer/engine/run_state.h"

#include <functional>
#include <string>

namespace vork {

struct TMachineSetup;

class RunSession {
public:
    // The motion file VORK.MOT and the data listing NCCODE.DAT are kept in workFolder;
    // with no folder there is neither. A program whose own folder cannot be written has
    // its work copy there too.
    RunSession(TMachineSetup& setup, const RunServices& services, const std::string& workFolder);

    // A program loaded for a fresh run (a missing file starts typed entry). False when
    // it cannot be read: it was reported, and Start does nothing until a load succeeds.
    bool LoadFile(const std::string& ncFileName);
    // Another machine was loaded: the last run is not this machine's. Its times, its
    // picture and its readouts go, and a loaded program runs afresh on the next Start.
    void MachineLoaded();
    // Start: runs on (a fresh run when one is pending); while a run is active it only
    // releases the waiting loop.
    void Start();
    // Single: one block at a time.
    void Single();
    // The Stop toggle.
    void Stop() { state.StopRequest = !state.StopRequest; }
    // Runs the program unseen to fit the view to its path, then runs it drawn; the
    // drawn pass adds nothing to the DXF output that the run had written already.
    void AutoFit();
    // The window closes: an active loop returns, the program file gets the work copy.
    // False when the program file could not be closed; the close does not go ahead then
    // and later runs are not cut short.
    bool Close();

    // Called before a fresh run is prepared: the main window makes sure a program and a
    // machine are there and readies the picture; false leaves the run unstarted.
    std::function<bool()> prepareFreshRun;

    // The DXF output of the path (off until the user starts it).
    TDxfOutput& dxfOutput() { return m_defaults.dxfOutput(); }
    // Starts a new DXF file (see TDxfOutput::OpenOutputFile); the run's moves from now
    // on go into it.
    bool OpenDxfOutput(const std::string& path, std::string* errorText = nullptr);

    TRunState state;
    AnalyzerSettings settings;

    // The run's own NC error report and readouts, for the window's dialog and labels.
    DialogErrorReporter& errorReporter() { return m_defaults.errorReporter(); }
    RunReadouts& readouts() { return m_defaults.readouts(); }

private:
    void runAnalyzer();

    TMachineSetup& m_setup;
    DefaultRunServices m_defaults;

public:
    RunServices services;
    NCInput input;
    Cycles cycles; // in services.cycles unless the caller gave its own
    MotionFile motion;
    ArcInterpolator arcs; // the run's arcs, unless the caller gave others
    BlockInterpreter interpreter;

private:
    DxfRunLedger m_dxfRun; // the run's DXF elements, each written once
};

} // namespace vork
