#pragma once
// The moves the block interpreter hands on: a mill's drilling cycle with its repeats, a
// lathe's threading cycle, a mill's rotary index and a lathe move that turns the C axis;
// and the turn of every drawn point by the rotary angles. Each draws its move and adds
// the time that the general time model does not cover.
#include "analyzer/engine/run_services.h"

#include <cstdint>
#include <string_view>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct AnalyzerSettings;
class NCInput;

class Cycles : public CycleRoutines {
public:
    Cycles(TRunState& state, const TMachineSetup& setup, const AnalyzerSettings& settings, RunServices& services,
           NCInput& input);

    void DrillCycle(const std::function<void()>& recordHole) override;
    bool ResumeRepeats(const std::function<void()>& recordHole) override;
    void ThreadCycle() override;
    void RotaryMoveTime() override;
    void DrawCAxisWrap() override;
    void RotatePointForRotaryAxes(double& xr, double& yr, double& zr, double x, double y, double z) override;

private:
    struct Point {
        double x, y, z;
    };
    // A coordinate word in inches times `scale`; 0 when the word is absent.
    double readLength(std::string_view letter, double scale, bool& found);
    Point turned(double x, double y, double z);
    void drawHole();
    void drillRepeats(std::int64_t holes, double stepX, double stepY, const std::function<void()>& recordHole,
                      double previousRPlane, double previousBottom);
    bool stopAsked(std::int64_t hole);
    void rapidTo(const Point& p);
    void toolImageAt(const Point& p);

    TRunState& m_state;
    const TMachineSetup& m_setup;
    const AnalyzerSettings& m_settings;
    RunServices& m_services;
    NCInput& m_input;
};

// Adds the pecking time of a deep-drilling cycle to SegTime: each peck is fed from R53
// above the depth reached, and each retract and return runs at the drilling rapid R52.
void PeckTime(TRunState& state, const TMachineSetup& setup);

} // namespace vork
