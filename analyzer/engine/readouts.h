#pragma once
// The run's readouts: the texts of the main window's status labels (mode, position,
// rotary angles, feed, segment and total time, tool) and of the coordinate readout
// window, built from the run state for a view. The run hands the view the values of
// the moment, which cost next to nothing to take; the texts are made only when the view
// shows them. With no view nothing is taken.
#include "analyzer/engine/run_services.h"

#include <string>

namespace vork {

struct TRunState;
struct AnalyzerSettings;
class TOperationTable;

struct StatusReadoutTexts {
    std::string mode, x, y, z, a, b, c, feed, segmentTime, totalTime, tool, toolShape;
};

struct CoordinateReadoutTexts {
    std::string x = "X   0.0000", y = "Y   0.0000", z = "Z   0.0000";
};

constexpr int NoToolShape = -1;

// What the readouts show, as the run state held it at one moment.
struct ReadoutValues {
    int mode = 0;
    double x = 0, y = 0, z = 0, a = 0, b = 0, c = 0, feed = 0, segmentTime = 0, totalTime = 0;
    int tool = 0;
    int toolShape = NoToolShape;
    bool metric = false, lathe = false, useRotary = false;
};

// The six-character name of a motion mode; six blanks for one without a name.
std::string ModeName(int mode);
ReadoutValues TakeReadoutValues(const TRunState& state, bool useRotary, int toolShape = NoToolShape);
StatusReadoutTexts MakeStatusTexts(const ReadoutValues& values);
CoordinateReadoutTexts MakeCoordinateTexts(const ReadoutValues& values);

class ReadoutView {
public:
    virtual ~ReadoutView() = default;
    // The coordinate readout window is on.
    virtual bool CoordinateReadoutVisible() const = 0;
    virtual void ShowCoordinates(const ReadoutValues& values) = 0;
    virtual void ShowStatus(const ReadoutValues& values) = 0;
};

class RunReadouts : public Readouts {
public:
    RunReadouts(const TRunState& state, const AnalyzerSettings& settings);
    void setView(ReadoutView* view) { m_view = view; }
    // Where the current tool's shape is looked up (none: no shape).
    void setOperations(const TOperationTable* operations) { m_operations = operations; }
    // The main window's labels follow every move when POSUP is on, else only segment
    // ends; the readout window, when on, follows every move.
    void UpdateReadouts(bool segmentEnd) override;

private:
    const TRunState& m_state;
    const AnalyzerSettings& m_settings;
    ReadoutView* m_view = nullptr;
    const TOperationTable* m_operations = nullptr;
};

} // namespace vork
