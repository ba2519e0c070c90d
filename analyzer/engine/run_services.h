#pragma once
// What the NC run calls outside itself: the person (prompts, message boxes, the event
// pump), the code list under the drawing, the drawing window, the tool image, the
// operation table, arcs, cycles, the time model, error reports, readouts, the data
// listing, the DXF output and fixtures. Each is a small interface; RunServices bundles
// them, and DefaultRunServices fills each place a caller leaves empty with the run's own.
#include "analyzer/engine/figures.h"
#include "platform/host.h"

#include <array>
#include <functional>
#include <string>

namespace vork {

struct TRunState;
struct TMachineSetup;

// The one-column list of blocks and messages under the drawing area.
class CodeList {
public:
    virtual ~CodeList() = default;
    virtual void add(const std::string& line) = 0;
    virtual void removeFirst() = 0;
    virtual int count() const = 0;
    virtual void selectLast() = 0;
    virtual void clear() = 0;
};

// The drawing window on the analyzer's display canvas, as the run uses it.
class RunDrawing {
public:
    virtual ~RunDrawing() = default;
    virtual void Moveto(double x, double y, double z) = 0;
    virtual void Lineto(double x, double y, double z) = 0;
    virtual void SetColor(int paletteIndex) = 0;
    virtual int GetColor() const = 0;
    virtual void Setlinestyle(int style) = 0;
    // Paper inches per world unit: figures and chord steps keep their size on paper.
    virtual double Getscale() const = 0;
    // The chords of an arc of the path, a line to each chord end at the current scale.
    virtual void DrawPathArc(const PathArc& arc)
    {
        ForEachArcChord(arc, Getscale(), [this](double x, double y, double z) { Lineto(x, y, z); });
    }
    virtual void DrawArrow(double x, double y, double z, double angle) = 0;
    virtual void DrawCross(double x, double y, double z) = 0;
    virtual void DrawThread(double sx, double sy, double fx, double fy, double lead, bool external) = 0;
    virtual void Drawlabel(double x, double y, double z, double size, const std::string& text) = 0;
    virtual void Reset_Drawn_Extents() = 0;
    virtual void Get_Extents_Drawn(double& x, double& y, double& xx, double& yy, double frame) = 0;
    virtual void Set_Extents_To_Drawn(double frame) = 0;
    virtual void SetupCanvas() = 0;
    // The main window's ClearDisplay (restart, extent fit).
    virtual void ClearDisplay() = 0;
    // While on, moves and lines only grow the drawn extents: nothing is drawn or recorded.
    virtual void SetMeasuring(bool) {}
};

class ToolImage {
public:
    virtual ~ToolImage() = default;
    virtual void ResetToolImage() = 0;
    // The image forgets where it was last drawn, so that the next one erases nothing.
    virtual void ForgetLastPosition() = 0;
    // Takes the last picture off the screen (the tool moved without it) and forgets it.
    virtual void EraseToolImage() = 0;
    virtual void ShowToolImage(bool lathe, double x, double y, double z, bool animate) = 0;
};

struct OperationHome {
    double x = 0, y = 0, z = 0;
};

class OperationTable {
public:
    virtual ~OperationTable() = default;
    // The slot of the operation that uses the tool, -1 for none.
    virtual int Tooltoopnum(double tool, bool lathe) const = 0;
    virtual int CurrentOpcolor(int slot) const = 0;
    virtual void SetCurrentTIM(int slot) = 0;
    virtual int OperationNumber(int slot) const = 0;
    virtual OperationHome Home(int slot) const = 0;
};

class ArcInterpolation {
public:
    virtual ~ArcInterpolation() = default;
    virtual void CircularInterpolation() = 0;
};

class CycleRoutines {
public:
    virtual ~CycleRoutines() = default;
    // Draws every repeat of the block's drilling cycle and times all but the last;
    // recordHole runs at each hole, with the current position at the hole.
    virtual void DrillCycle(const std::function<void()>& recordHole) = 0;
    // Drills the repeats that a Stop left (RepeatsLeft) as DrillCycle does, from the
    // hole drilled last; false when none are left.
    virtual bool ResumeRepeats(const std::function<void()>& recordHole) = 0;
    virtual void ThreadCycle() = 0;
    virtual void RotaryMoveTime() = 0;
    virtual void DrawCAxisWrap() = 0;
    virtual void RotatePointForRotaryAxes(double& xr, double& yr, double& zr, double x, double y, double z) = 0;
};

class TimeModel {
public:
    virtual ~TimeModel() = default;
    // Clears the times, counts and totals and computes the time constants.
    virtual void ResetTimes() = 0;
    // Adds the block's time to SegTime.
    virtual void BlockTime() = 0;
    // Books the ended segment: deviation, totals, cost, a table row; the tool-change
    // time only when toolChange (a segment the user paused gets none).
    virtual void BookSegment(bool toolChange) = 0;
};

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Reports NC error n; on return the run state's Retry says whether the (edited)
    // block is to run again.
    virtual void ReportNCError(int n) = 0;
};

class Readouts {
public:
    virtual ~Readouts() = default;
    virtual void UpdateReadouts(bool segmentEnd) = 0;
};

class DataListing {
public:
    virtual ~DataListing() = default;
    virtual void WriteDataLine() = 0;
    virtual void WriteTapeSummary() = 0;
};

// An arc as the drawing holds it: in the plane of the unit vectors `first` and
// `second`, its angles measured from `first` toward `second` (radians), ordered as the
// run's arcs are (clockwise the start lies above the end).
struct DxfArc {
    std::array<double, 3> centre{};
    double radius = 0, start = 0, end = 0;
    std::array<double, 3> first{1, 0, 0}, second{0, 1, 0};
};

class DxfOutput {
public:
    virtual ~DxfOutput() = default;
    virtual bool DxfOutputOn() const = 0;
    virtual void WriteOutputElement(int mode, double p1, double p2, double p3, double p4, double p5,
                                    double p6) = 0;
    // An arc of mode 2 (clockwise) or 3 (counter-clockwise) in its own plane.
    virtual void WriteOutputArc(int mode, const DxfArc& arc) = 0;
};

class FixtureDisplay {
public:
    virtual ~FixtureDisplay() = default;
    // Draws the fixture when its display is on.
    virtual void DrawFixture() = 0;
};

// The run's numeric prompt: asks until the answer is a number or the user cancels.
class NumberPrompt {
public:
    virtual ~NumberPrompt() = default;
    virtual bool InputNumber(const std::string& prompt, double defaultValue, double& value) = 0;
};

struct RunServices {
    platform::Prompter* prompter = nullptr;
    platform::EventPump* pump = nullptr;
    CodeList* codeList = nullptr;
    RunDrawing* drawing = nullptr;
    ToolImage* toolImage = nullptr;
    OperationTable* operations = nullptr;
    ArcInterpolation* arcs = nullptr;
    CycleRoutines* cycles = nullptr;
    TimeModel* times = nullptr;
    ErrorReporter* errors = nullptr;
    Readouts* readouts = nullptr;
    DataListing* listing = nullptr;
    DxfOutput* dxf = nullptr;
    FixtureDisplay* fixtures = nullptr;
    NumberPrompt* numbers = nullptr;
};

} // namespace vork
