#pragma once
// The run's time model: the time of a move with the machine's acceleration, the time of
// each block by machine type and motion mode, and the booking of a run segment into the
// totals, the cost and the per-tool table; and the bars of the per-tool chart.
#include "analyzer/engine/run_services.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct TToolTimeTable;

// Minutes to travel `distance` inches at `rate` inches per minute, accelerating and
// braking at `accelerationG` (0: at full rate at once). No rate, no time.
double MoveTime(double distance, double rate, double accelerationG);

// The run's times, totals and per-tool table, cleared: what another program or another
// machine starts from.
void ClearTimeTable(TRunState& state);

class CycleTimeModel : public TimeModel {
public:
    // NC error 12 (no feed rate) goes to `errors`, a slot that may be filled later.
    CycleTimeModel(TRunState& state, const TMachineSetup& setup, ErrorReporter* const& errors);

    void ResetTimes() override;
    void BlockTime() override;
    void BookSegment(bool toolChange) override;

private:
    // A time, rate or cost parameter: one the machine does not set counts as 0.
    double machineRate(int n) const;
    double moveTime(double distance, double rate) const;
    // A rapid along the axes given, each with the distance it moves and the parameter of
    // its rapid rate.
    struct RapidAxis {
        double distance;
        int rate;
    };
    double rapidTime(std::initializer_list<RapidAxis> axes) const;
    void add(double minutes);
    // Reports error 12; true when the block is to run again (the time stops there).
    bool noFeed();
    bool millTime(bool move3D, double dX, double dY);
    bool cycleTime();
    void punchTime();
    void latheTime();

    TRunState& m_state;
    const TMachineSetup& m_setup;
    ErrorReporter* const& m_errors;
};

// One bar of the per-tool chart: consecutive rows of one tool make one bar.
struct ToolTimeBar {
    std::string label; // "T" and the tool number
    double minutes = 0;
    bool lime = false; // else blue
};
std::vector<ToolTimeBar> ToolTimeBars(const TToolTimeTable& table);

// The chart's three title lines.
std::vector<std::string> ToolTimeTitles(const std::string& ncFileName, double totalMinutes);

} // namespace vork
