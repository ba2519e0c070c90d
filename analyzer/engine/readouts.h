#pragma once
// The run's readouts: the texts of the main window's status labels (mode, position,
// rotary angles, feed, segment and total time, tool) and of the coordinate readout
// window, built from the run state for a view. With no view nothing is formatted.
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

// The six-character name of a motion mode; six blanks for one without a name.
std::string ModeName(int mode);
StatusReadoutTexts MakeStatusTexts(const TRunState& state, bool useRotary, const std::string& toolShape);
CoordinateReadoutTexts MakeCoordinateTexts(const TRunState& state);

class ReadoutView {
public:
    virtual ~ReadoutView() = default;
    // The coordinate readout window is on.
    virtual bool CoordinateReadoutVisible() const = 0;
    virtual void ShowCoordinates(const CoordinateReadoutTexts& texts) = 0;
    virtual void ShowStatus(const StatusReadoutTexts& texts) = 0;
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
