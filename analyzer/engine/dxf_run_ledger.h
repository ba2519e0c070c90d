#pragma once
// The DXF output as a run writes it: every element of the run reaches the drawing once.
// An extent fit runs the program again from its first block to draw it in the fitted
// view; what the run had already written is not written a second time, and only what it
// had not (a part run with the output off, or not yet reached) is added.
#include "analyzer/engine/run_services.h"

#include <cstddef>
#include <vector>

namespace vork {

class DxfRunLedger : public DxfOutput {
public:
    explicit DxfRunLedger(DxfOutput* output) : m_output(output) {}

    // A run from the first block: nothing of it is in the drawing yet.
    void RunStarted();
    // The same run again from its first block: what it wrote stays written once.
    void RunRepeated() { m_next = 0; }
    // A new drawing was begun: nothing of the run is in it.
    void FileStarted() { m_written.clear(); }

    // Every element is taken, also while the output is off, so that each keeps its
    // place in the run; only those the drawing lacks are passed on.
    bool DxfOutputOn() const override { return m_output != nullptr; }
    void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6) override;
    void WriteOutputArc(int mode, const DxfArc& arc) override;

private:
    bool take();

    DxfOutput* m_output;
    std::size_t m_next = 0;      // the place of the run's next element
    std::vector<bool> m_written; // by place: in the drawing already
};

} // namespace vork
