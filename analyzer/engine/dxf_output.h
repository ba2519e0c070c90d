#pragma once
// The tool path as a DXF drawing: a header of line types, then a LINE, POINT, ARC or
// CIRCLE per move of every run, on layer 0, in inches. The drawing grows in a file
// beside the chosen one; whenever a run pauses, and at the end, a whole copy with its
// trailer replaces the chosen file, so that at every instant that name holds a whole
// drawing (an older one until the first pause) and a failed write leaves it as it was.
#include "analyzer/engine/run_services.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace vork {

// The header's lines, up to the ENTITIES section.
const std::vector<std::string>& DxfHeaderLines();
// The trailer that closes the file.
const std::vector<std::string>& DxfTrailerLines();
// One element's lines, each with CR LF, appended to `out` (nothing for a mode that
// writes nothing); and the same as lines.
void AppendDxfElement(std::string& out, int mode, double p1, double p2, double p3, double p4, double p5, double p6);
std::vector<std::string> DxfElementLines(int mode, double p1, double p2, double p3, double p4, double p5, double p6);
// An arc in its own plane: an ARC (a CIRCLE for a full turn) whose extrusion direction
// is the plane's normal, its centre and angles in that plane's object coordinates.
void AppendDxfArc(std::string& out, int mode, const DxfArc& arc);
std::vector<std::string> DxfArcLines(int mode, const DxfArc& arc);

class TDxfOutput : public DxfOutput {
public:
    // A write error is reported once through the prompter (when there is one).
    explicit TDxfOutput(platform::Prompter*& prompter) : m_prompter(prompter) {}
    ~TDxfOutput() override;
    TDxfOutput(const TDxfOutput&) = delete;
    TDxfOutput& operator=(const TDxfOutput&) = delete;

    bool DxfOutputOn() const override { return m_file != nullptr; }
    void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5, double p6) override;
    void WriteOutputArc(int mode, const DxfArc& arc) override;

    // Starts a new drawing with the header; the chosen file is not touched before the
    // first pause. An open output is finished first. When the new drawing cannot be
    // started (or the file may not be written) the output stays as it was; false and
    // errorText then. A name that is no regular file (a device) is written straight.
    bool OpenOutputFile(const std::string& path, std::string* errorText = nullptr);
    // A run has returned: the chosen file is replaced by the drawing so far, whole.
    void Checkpoint();
    // The program closes: the chosen file gets the whole drawing, and the output ends.
    void Finish();
    const std::string& path() const { return m_path; }

private:
    void writeLines(const std::vector<std::string>& lines);
    void writeElement(const std::function<void(std::string&)>& append);
    void writeBuffer();
    // Replaces the chosen file by the drawing so far with its trailer.
    bool publish();
    void failed(const std::string& reason);
    void closeBody();

    platform::Prompter*& m_prompter;
    std::FILE* m_file = nullptr; // the growing drawing (the chosen file itself when direct)
    std::string m_path;          // as chosen
    std::string m_target;        // the file replaced: a link's target
    std::string m_bodyPath;      // the growing drawing beside it; empty when direct
    bool m_changed = false;      // written since the chosen file was last replaced
    std::string m_buffer;
};

} // namespace vork
