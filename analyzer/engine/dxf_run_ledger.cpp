#include "analyzer/engine/dxf_run_ledger.h"

namespace vork {

void DxfRunLedger::RunStarted()
{
    m_next = 0;
    m_written.clear();
}

bool DxfRunLedger::take()
{
    const std::size_t place = m_next++;
    if (!m_output || !m_output->DxfOutputOn())
        return false;
    if (place < m_written.size() && m_written[place])
        return false;
    if (place >= m_written.size())
        m_written.resize(place + 1, false);
    m_written[place] = true;
    return true;
}

void DxfRunLedger::WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6)
{
    if (take())
        m_output->WriteOutputElement(mode, p1, p2, p3, p4, p5, p6);
}

void DxfRunLedger::WriteOutputArc(int mode, const DxfArc& arc)
{
    if (take())
        m_output->WriteOutputArc(mode, arc);
}

} // namespace vork
