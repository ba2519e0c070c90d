#include "analyzer/engine/run_loop.h"

#include "platform/paths.h"

namespace vork {

RunSession::RunSession(TMachineSetup& setup, const RunServices& given, const std::string& workFolder)
    : m_pending(state, settings), services(m_pending.complete(given)), input(state, setup, services),
      interpreter(state, setup, settings, services, input, motion)
{
    state.DataFileOn = !workFolder.empty();
    if (state.DataFileOn) {
        state.DataFileName = platform::joinPath(workFolder, "NCCODE.DAT");
        motion.recreate(platform::joinPath(workFolder, "VORK.MOT"));
    }
}

void RunSession::LoadFile(const std::string& ncFileName)
{
    motion.recreate();
    if (state.WorkCopyOpen)
        input.CloseNCFile();
    state.DataFile.close();
    state.DataFileOpen = false;
    state.KeepFileName = false;
    input.OpenNCFile(ncFileName);
    state.RestartPending = true;
    state.EndOfProgram = false;
    state.PrevBlock.clear();
}

void RunSession::runAnalyzer()
{
    state.StopRequest = false;
    if (state.Running) {
        state.StartPressed = true;
        return;
    }
    if (state.RestartPending) {
        if (prepareFreshRun && !prepareFreshRun())
            return;
        state.StartPressed = false;
        interpreter.ResetMachineState();
    }
    interpreter.RunBlocks();
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
