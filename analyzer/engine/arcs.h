#pragma once
// Arcs of the run. A block in motion mode 2 (clockwise) or 3 (counter-clockwise) finds
// its centre by the control's centre method, is checked against the machine's tolerance
// and degree limit, is drawn as a chain of chords in its plane (a helix when the axis
// across the plane changes), with its arrow and tool image, and goes to the DXF output
// and the motion file; it leaves its length (and on a lathe in constant surface speed
// its time) for the time model.
#include "analyzer/engine/run_services.h"

#include <array>
#include <string_view>

namespace vork {

struct TRunState;
struct TMachineSetup;
struct AnalyzerSettings;
class NCInput;
class MotionFile;

// An arc's angles put in its direction: clockwise the start lies above the end,
// counter-clockwise below it; equal angles make a full turn (the end moves by 2 pi).
struct ArcAngles {
    double start = 0, end = 0;
    double sweep = 0; // 0 < sweep <= 2 pi
};
ArcAngles OrderArcAngles(double startAngle, double endAngle, bool clockwise);
inline double ArcSweep(double startAngle, double endAngle, bool clockwise)
{
    return OrderArcAngles(startAngle, endAngle, clockwise).sweep;
}

class ArcInterpolator : public ArcInterpolation {
public:
    // services must be complete (every service set) by the time an arc runs.
    ArcInterpolator(TRunState& state, const TMachineSetup& setup, const AnalyzerSettings& settings,
                    RunServices& services, NCInput& input, MotionFile& motion);

    // The whole arc of the block: the end point is set, the start is the previous
    // position. After an error answered with Retry the arc is abandoned and leaves
    // the plane, the points and the centre words as they were.
    void CircularInterpolation() override;

    // The centre (X, Y, Z) of the last arc drawn; centre methods that compute none
    // take it over.
    const std::array<double, 3>& LastCentre() const { return m_lastCentre; }

private:
    struct Arc;

    Arc beginArc() const;
    bool readLength(std::string_view address, double& value);
    bool readCentreWords(std::array<bool, 3>& present);
    bool endFromAngles(Arc& arc, bool& centreKnown);
    bool centreByMethod(Arc& arc);
    bool centreFromRadius(Arc& arc, double radius);
    bool centreUnsigned(Arc& arc);
    void measure(Arc& arc) const;
    bool checkDegreeLimit(const Arc& arc);
    bool drawArc(Arc& arc);
    std::array<double, 3> lineTo(const Arc& arc, std::array<double, 3> point);
    void setEndPoint(const Arc& arc);
    void writeMotionRecord(const Arc& arc);
    DxfArc dxfArc(const Arc& arc) const;
    void surfaceSpeedTime(const Arc& arc);
    bool failed(int error, double shownValue); // true when the block is to run again

    TRunState& m_state;
    const TMachineSetup& m_setup;
    const AnalyzerSettings& m_settings;
    RunServices& m_services;
    NCInput& m_input;
    MotionFile& m_motion;
    std::array<double, 3> m_lastCentre{};
};

} // namespace vork
