#pragma once
// Recording stand-ins for what a run calls outside itself, for tests of the run.
#include "analyzer/engine/machine_setup.h"
#include "analyzer/engine/nc_errors.h"
#include "analyzer/engine/run_services.h"
#include "platform/numbers.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace runtest {

class RecordingCodeList : public vork::CodeList {
public:
    std::vector<std::string> lines;
    int selected = 0;
    void add(const std::string& line) override { lines.push_back(line); }
    void removeFirst() override { lines.erase(lines.begin()); }
    int count() const override { return static_cast<int>(lines.size()); }
    void selectLast() override { ++selected; }
    void clear() override { lines.clear(); }
};

// Records each drawing call as a line of text: "L 1 2 0" (line to), "M ..." (move to),
// "C 3" (colour), "S 3" (line style), "label 1 2 0.125 TEXT", "arrow x y angle", "cross 1 2 0.1",
// "thread ...".
class RecordingDrawing : public vork::RunDrawing {
public:
    std::vector<std::string> calls;
    int color = 0;
    double scale = 1.0;

    static std::string num(double v) { return platform::formatShortest(v); }
    void Moveto(double x, double y, double z) override { draw("M " + num(x) + " " + num(y) + " " + num(z)); }
    void Lineto(double x, double y, double z) override { draw("L " + num(x) + " " + num(y) + " " + num(z)); }
    void SetColor(int p) override
    {
        color = p;
        draw("C " + std::to_string(p));
    }
    int GetColor() const override { return color; }
    void Setlinestyle(int s) override { draw("S " + std::to_string(s)); }
    double Getscale() const override { return scale; }
    void DrawArrow(double x, double y, double, double angle) override
    {
        draw("arrow " + num(x) + " " + num(y) + " " + num(angle));
    }
    void DrawCross(double x, double y, double z) override
    {
        draw("cross " + num(x) + " " + num(y) + " " + num(z));
    }
    void DrawThread(double sx, double sy, double fx, double fy, double lead, bool) override
    {
        draw("thread " + num(sx) + " " + num(sy) + " " + num(fx) + " " + num(fy) + " " + num(lead));
    }
    void Drawlabel(double x, double y, double, double s, const std::string& text) override
    {
        draw("label " + num(x) + " " + num(y) + " " + num(s) + " " + text);
    }
    void Reset_Drawn_Extents() override { calls.push_back("reset extents"); }
    void Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double) override { x = y = xx = yy = 0; }
    void Set_Extents_To_Drawn(double) override { calls.push_back("fit extents"); }
    void SetupCanvas() override {}
    void ClearDisplay() override { calls.push_back("clear"); }
    // Measuring, the drawing window draws nothing: neither does this.
    void SetMeasuring(bool on) override { measuring = on; }
    bool measuring = false;

    void draw(std::string call)
    {
        if (!measuring)
            calls.push_back(std::move(call));
    }

    std::vector<std::string> only(char kind) const
    {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.size() > 1 && c[0] == kind && c[1] == ' ')
                out.push_back(c);
        return out;
    }
};

// A run that is not timed: for tests of what the run draws and reports, where a move
// without a feed is no error.
class NoTimes : public vork::TimeModel {
public:
    void ResetTimes() override {}
    void BlockTime() override {}
    void BookSegment(bool) override {}
};

// The error dialog answered from a script: each report takes the next answer (and, for
// Retry, the edited block when one is given); with none left the error is ignored (a
// closed dialog would retry the block for ever).
class ScriptedErrorDialog : public vork::ErrorDialogView {
public:
    struct Answer {
        vork::ErrorAnswer answer;
        std::string edited; // empty: the block unchanged
    };
    std::deque<Answer> answers;
    std::vector<std::string> messages, blocks;
    vork::ErrorAnswer ShowError(const std::string& message, std::string& block) override
    {
        messages.push_back(message);
        blocks.push_back(block);
        if (answers.empty())
            return vork::ErrorAnswer::Ignore;
        const Answer a = answers.front();
        answers.pop_front();
        if (!a.edited.empty())
            block = a.edited;
        return a.answer;
    }
};

// The analyzer's tables as a new machine in the editor would have them, changed by lines.
inline vork::TMachineSetup defaultMachine(const std::vector<std::string>& changes = {})
{
    vork::MachineSetupWorkingCopy copy;
    copy.SetDefaults();
    vork::TMachineSetup m;
    vork::LoadMachineLines(m, "DEFAULT.MCH", vork::FormatMachineFile(copy));
    vork::LoadMachineLines(m, "DEFAULT.MCH", changes);
    return m;
}

} // namespace runtest
