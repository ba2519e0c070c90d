#include "analyzer/engine/run_control.h"

#include "analyzer/engine/run_loop.h"

namespace vork {

bool RunControl::Active() const
{
    return m_session.state.Running;
}

void RunControl::Start()
{
    if (runStarting)
        runStarting();
    m_session.Start();
    afterLoop();
}

void RunControl::Single()
{
    if (runStarting)
        runStarting();
    m_session.Single();
    afterLoop();
}

void RunControl::Stop()
{
    m_session.Stop();
}

void RunControl::AutoFit()
{
    if (Active())
        return;
    m_session.AutoFit();
    afterLoop();
}

bool RunControl::CloseQuery()
{
    TRunState& s = m_session.state;
    if (Active()) {
        s.CloseRequest = true;
        s.StartPressed = true;
        m_closeAfterRun = true;
        return false;
    }
    return m_session.Close();
}

void RunControl::afterLoop()
{
    if (Active() || !m_closeAfterRun)
        return;
    m_closeAfterRun = false;
    if (closeNow)
        closeNow();
}

} // namespace vork
