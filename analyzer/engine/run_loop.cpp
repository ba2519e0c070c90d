#include "analyzer/engine/run_loop.h"

#include "analyzer/engine/cycle_time.h"
#include "analyzer/engine/dxf_output.h"
#include "analyzer/engine/machine_setup.h"
#include "platform/paths.h"

namespace vork {

RunSession::RunSession(TMachineSetup& setup, const RunServices& given, const std::string& workFolder)
    : m_setup(setup), m_defaults(state, setup, settings), services(m_defaults.complete(given)), input(state, setup, services),
      cycles(state, setup, settings, services, input), arcs(state, setup, settings, services, input, motion),
      interpreter(state, setup, settings, services, input, motion), m_dxfRun(services.dxf)
{
    if (!services.arcs)
        services.arcs = &arcs;
    if (!services.cycles)
        services.cycles = &cycles;
    services.dxf = &m_dxfRun;
    if (!workFolder.empty())
        state.WorkCopyFolders = {workFolder};
    state.DataFileOn = !workFolder.empty();
    if (state.DataFileOn) {
        state.DataFileName = platform::joinPath(workFolder, "NCCODE.DAT");
        motion.recreate(platform::joinPath(workFolder, "VORK.MOT"));
    }
}

bool RunSession::LoadFile(const std::string& ncFileName)
{
    motion.recreate();
    if (state.WorkCopyOpen)
        input.CloseNCFile();
    state.DataFile.close();
    state.DataFileOpen = false;
    state.KeepFileName = false;
    const bool opened = input.OpenNCFile(ncFileName);
    state.RestartPending = true;
    state.EndOfProgram = false;
    // The chart, its title and the DIF export show this program's times, none yet.
    ClearTimeTable(state);
    return opened;
}

void RunSession::MachineLoaded()
{
    ClearTimeTable(state);
    // A run the last machine paused cannot go on on this one.
    if (state.ProgramLoaded && !state.RestartPending && !state.Running)
        LoadFile(state.NCFileName);
    // What the readouts show until the next run: this machine at its home, no tool.
    state.LatheMachine = m_setup.isLathe();
    state.Metric = m_setup.I(20) != 0;
    state.Mode = ModeRapid;
    state.CurX = m_setup.R(19);
    state.CurY = m_setup.R(20);
    state.CurZ = m_setup.R(21);
    state.RotA = state.RotB = state.RotC = 0;
    state.Feed = state.Rpm = 0;
    state.Tool = 0;
    state.OpSlot = -1;
    if (services.drawing)
        services.drawing->ClearDisplay();
    if (services.readouts)
        services.readouts->UpdateReadouts(true);
}

void RunSession::runAnalyzer()
{
    state.StopRequest = false;
    if (state.Running) {
        state.StartPressed = true;
        return;
    }
    // A fresh run with no program (none chosen yet, or the last load failed) first asks
    // for one.
    if (state.RestartPending && prepareFreshRun && !prepareFreshRun())
        return;
    if (!state.ProgramLoaded)
        return; // nothing to run
    if (state.RestartPending) {
        state.StartPressed = false;
        interpreter.ResetMachineState();
        m_dxfRun.RunStarted();
    }
    interpreter.RunBlocks();
    state.DataFile.flush(); // paused or ended: the listing so far is on the disk
}

void RunSession::Start()
{
    state.SingleBlock = false;
    runAnalyzer();
}

void RunSession::Single()
{
    state.SingleBlock = true;
    runAnalyzer();
}

void RunSession::AutoFit()
{
    if (state.Running || !state.ProgramLoaded)
        return;
    // A run under way (or ended) is run again from its first block; a pending one starts.
    if (state.RestartPending)
        m_dxfRun.RunStarted();
    else
        m_dxfRun.RunRepeated();
    interpreter.AutoFitExtents();
}

bool RunSession::OpenDxfOutput(const std::string& path, std::string* errorText)
{
    if (!dxfOutput().OpenOutputFile(path, errorText))
        return false;
    m_dxfRun.FileStarted();
    return true;
}

bool RunSession::Close()
{
    state.CloseRequest = true;
    state.StartPressed = true;
    bool closed = true;
    if (state.WorkCopyOpen)
        closed = input.CloseNCFile();
    state.DataFile.close();
    state.DataFileOpen = false;
    state.StopRequest = false;
    motion.close();
    if (!closed)
        state.CloseRequest = false;
    return closed;
}

} // namespace vork
