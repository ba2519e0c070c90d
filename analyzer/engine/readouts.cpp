#include "analyzer/engine/readouts.h"

#include "analyzer/engine/analyzer_routines.h"
#include "analyzer/engine/analyzer_settings.h"
#include "analyzer/engine/operation_table.h"
#include "analyzer/engine/run_state.h"
#include "analyzer/engine/tool_image.h"
#include "platform/numbers.h"

namespace vork {

namespace {
constexpr double MillimetresPerInch = 25.4;
constexpr double DegreesPerRadian = 57.29577951308232;
constexpr std::size_t ReadoutField = 8;

struct Units {
    double factor;
    int decimals;
};

Units unitsOf(const TRunState& s)
{
    return s.Metric ? Units{MillimetresPerInch, 3} : Units{1.0, 4};
}

std::string inField(std::string text)
{
    if (text.size() < ReadoutField)
        text.insert(0, ReadoutField - text.size(), ' ');
    return text;
}
} // namespace

std::string ModeName(int mode)
{
    switch (mode) {
    case ModeRapid:
        return "Rapid ";
    case ModeLinear:
        return "Linear";
    case ModeCW:
        return "CW    ";
    case ModeCCW:
        return "CCW   ";
    case ModeCycle:
        return "Cycle ";
    case ModeThread:
        return "Thread";
    case ModeLatheCycle:
        return "LCycle";
    case ModeDwell:
        return "Dwell ";
    case ModeRevDwell:
        return "RDwell";
    case ModePreset:
        return "Preset";
    case 12:
        return "Maxrpm";
    default:
        return "      ";
    }
}

StatusReadoutTexts MakeStatusTexts(const TRunState& s, bool useRotary, const std::string& toolShape)
{
    const Units u = unitsOf(s);
    const auto value = [&](double v) { return platform::formatFixed(v * u.factor, u.decimals); };
    StatusReadoutTexts t;
    t.mode = ModeName(s.Mode);
    t.x = "X" + value(s.CurX);
    t.y = s.LatheMachine ? "D" + value(2 * s.CurX) : "Y" + value(s.CurY);
    t.z = "Z" + value(s.CurZ);
    if (useRotary) {
        t.a = "A" + platform::formatFixed(s.RotA * DegreesPerRadian, 2);
        t.b = "B" + platform::formatFixed(s.RotB * DegreesPerRadian, 2);
        t.c = "C" + platform::formatFixed(s.RotC * DegreesPerRadian, 2);
    } else {
        t.a = "A --";
        t.b = "B --";
        t.c = "C --";
    }
    // Millimetres per minute in metric mode, as the data listing shows the feed.
    t.feed = s.Metric ? "MPM" + platform::formatFixed(s.Feed * MillimetresPerInch, 2)
                      : "IPM" + platform::formatFixed(s.Feed, 2);
    t.segmentTime = MinutesToHMS(s.SegTime);
    t.totalTime = MinutesToHMS(s.TotalTime);
    t.tool = "T" + std::to_string(s.Tool);
    t.toolShape = toolShape;
    return t;
}

CoordinateReadoutTexts MakeCoordinateTexts(const TRunState& s)
{
    const Units u = unitsOf(s);
    const auto value = [&](double v) { return inField(platform::formatFixed(v * u.factor, u.decimals)); };
    return {"X" + value(s.CurX), "Y" + value(s.CurY), "Z" + value(s.CurZ)};
}

RunReadouts::RunReadouts(const TRunState& state, const AnalyzerSettings& settings)
    : m_state(state), m_settings(settings)
{
}

void RunReadouts::UpdateReadouts(bool segmentEnd)
{
    if (!m_view)
        return;
    if (m_view->CoordinateReadoutVisible())
        m_view->ShowCoordinates(MakeCoordinateTexts(m_state));
    if (!m_settings.positionUpdate && !segmentEnd)
        return;
    const std::string shape =
        m_operations ? ToolTypeName(m_operations->CurrentToolShape(m_state.OpSlot)) : std::string();
    m_view->ShowStatus(MakeStatusTexts(m_state, m_settings.useRotary, shape));
}

} // namespace vork
