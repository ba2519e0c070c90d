#pragma once
// The tool path as a DXF drawing: a header of line types, then a LINE, POINT, ARC or
// CIRCLE per move of every run, on layer 0, in inches. Whenever a run pauses the file
// is made whole (its trailer written and the next entity written over it), so that the
// drawing can be read while the analyzer stays open.
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

    // Starts a new file with the header. An open file is finished first. When the new
    // file cannot be created the output stays as it was; false and errorText then.
    bool OpenOutputFile(const std::string& path, std::string* errorText = nullptr);
    // A run has returned: the file on disk is made complete; the next element replaces
    // the trailer.
    void Checkpoint();
    // The program closes: the trailer ends the file.
    void Finish();
    const std::string& path() const { return m_path; }

private:
    void writeLines(const std::vector<std::string>& lines);
    void writeElement(const std::function<void(std::string&)>& append);
    void writeBuffer();
    void failed();

    platform::Prompter*& m_prompter;
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_buffer;
};

} // namespace vork
