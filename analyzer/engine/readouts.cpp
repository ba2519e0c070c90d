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

Units unitsOf(bool metric)
{
    return metric ? Units{MillimetresPerInch, 3} : Units{1.0, 4};
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

ReadoutValues TakeReadoutValues(const TRunState& s, bool useRotary, int toolShape)
{
    ReadoutValues v;
    v.mode = s.Mode;
    v.x = s.CurX;
    v.y = s.CurY;
    v.z = s.CurZ;
    v.a = s.RotA;
    v.b = s.RotB;
    v.c = s.RotC;
    v.feed = s.Feed;
    v.segmentTime = s.SegTime;
    v.totalTime = s.TotalTime;
    v.tool = s.Tool;
    v.toolShape = toolShape;
    v.metric = s.Metric;
    v.lathe = s.LatheMachine;
    v.useRotary = useRotary;
    return v;
}

StatusReadoutTexts MakeStatusTexts(const ReadoutValues& v)
{
    const Units u = unitsOf(v.metric);
    const auto value = [&](double x) { return platform::formatFixed(x * u.factor, u.decimals); };
    StatusReadoutTexts t;
    t.mode = ModeName(v.mode);
    t.x = "X" + value(v.x);
    t.y = v.lathe ? "D" + value(2 * v.x) : "Y" + value(v.y);
    t.z = "Z" + value(v.z);
    if (v.useRotary) {
        t.a = "A" + platform::formatFixed(v.a * DegreesPerRadian, 2);
        t.b = "B" + platform::formatFixed(v.b * DegreesPerRadian, 2);
        t.c = "C" + platform::formatFixed(v.c * DegreesPerRadian, 2);
    } else {
        t.a = "A --";
        t.b = "B --";
        t.c = "C --";
    }
    // Millimetres per minute in metric mode, as the data listing shows the feed.
    t.feed = v.metric ? "MPM" + platform::formatFixed(v.feed * MillimetresPerInch, 2)
                      : "IPM" + platform::formatFixed(v.feed, 2);
    t.segmentTime = MinutesToHMS(v.segmentTime);
    t.totalTime = MinutesToHMS(v.totalTime);
    t.tool = "T" + std::to_string(v.tool);
    t.toolShape = ToolTypeName(v.toolShape);
    return t;
}

CoordinateReadoutTexts MakeCoordinateTexts(const ReadoutValues& v)
{
    const Units u = unitsOf(v.metric);
    const auto value = [&](double x) { return inField(platform::formatFixed(x * u.factor, u.decimals)); };
    return {"X" + value(v.x), "Y" + value(v.y), "Z" + value(v.z)};
}

RunReadouts::RunReadouts(const TRunState& state, const AnalyzerSettings& settings)
    : m_state(state), m_settings(settings)
{
}

void RunReadouts::UpdateReadouts(bool segmentEnd)
{
    if (!m_view)
        return;
    const bool coordinates = m_view->CoordinateReadoutVisible();
    const bool status = m_settings.positionUpdate || segmentEnd;
    if (!coordinates && !status)
        return;
    const int shape = m_operations ? m_operations->CurrentToolShape(m_state.OpSlot) : NoToolShape;
    const ReadoutValues values = TakeReadoutValues(m_state, m_settings.useRotary, shape);
    if (coordinates)
        m_view->ShowCoordinates(values);
    if (status)
        m_view->ShowStatus(values);
}

} // namespace vork
