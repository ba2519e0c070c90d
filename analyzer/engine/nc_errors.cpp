#include "analyzer/engine/nc_errors.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "analyzer/engine/run_state.h"

namespace vork {

std::string NCErrorMessage(int n, const TRunState& s)
{
    switch (n) {
    case 1:
        return "Circular interpolation error = " + RealToShortStr(false, s.ArcError);
    case 2:
        return "-X- Axis over travel";
    case 3:
        return "-X- Axis under travel";
    case 4:
        return "-Y- Axis over travel";
    case 5:
        return "-Y- Axis under travel";
    case 6:
        return "-Z- Axis over travel";
    case 7:
        return "-Z- Axis under travel";
    case 8:
        return std::string("Bad format for -") + s.BadFormatLetter + "- Code";
    case 9:
        return "Dwell amount not found";
    case 10:
        return "Warning Threading in Css Mode";
    case 11:
        return "Thread lead NOT found";
    case 12:
        if (s.FeedMode == FeedPerMinute)
            return "No feedrate specified S=" + RealToShortStr(true, s.Rpm) + ",IPM=" + RealToShortStr(true, s.Feed);
        return "No feedrate specified S=" + RealToShortStr(true, s.Rpm) + ",IPR=" +
               RealToShortStr(true, s.FeedPerRev);
    case NCErrorRepeatsCapped:
        return "Repeat count over 9999, taken as 9999";
    case 14:
        return "Tool number too great, number = " + IntToShortStr(s.Tool);
    case 15:
        return "Circular degree error  = " + RealToShortStr(false, s.ArcError);
    case 16:
        return "Sub program file not found";
    case 17:
        return "Peck Drill Increment NOT found";
    case 18:
        return "Sub program level > 3";
    default:
        return {};
    }
}

DialogErrorReporter::DialogErrorReporter(TRunState& state, AnalyzerSettings& settings)
    : m_state(state), m_settings(settings)
{
}

void DialogErrorReporter::ReportNCError(int n)
{
    TRunState& s = m_state;
    if (!m_settings.edit || !m_dialog) {
        s.Retry = false; // errors are silent: the block goes on
        return;
    }
    if (n < 1 || n > 18 || n == 10)
        return; // a warning (or no error) that changes nothing
    s.Retry = n != 13;
    std::string edited = s.RawBlock;
    const ErrorAnswer answer = m_dialog->ShowError(NCErrorMessage(n, s), edited);
    if (answer == ErrorAnswer::Abort) {
        s.SegmentEnd = true;
        s.Retry = false;
        m_settings.skip = false;
        return;
    }
    if (answer == ErrorAnswer::Retry) {
        // Only main-program lines reach the work copy.
        if (edited != s.RawBlock && s.SubLevel == 0)
            s.ProgramEdited = true;
        s.RawBlock = edited;
    }
    s.Block = s.RawBlock;
    if (n == 13)
        s.PrevBlock = s.RawBlock;
    if (answer == ErrorAnswer::Ignore)
        s.Retry = false;
    if (s.Retry) {
        // The block runs again from where it started, rotary angles included.
        s.Mode = s.LastMode;
        s.CurX = s.PrevX;
        s.CurY = s.PrevY;
        s.CurZ = s.PrevZ;
        s.RotA = s.PrevRotA;
        s.RotB = s.PrevRotB;
        s.RotC = s.PrevRotC;
    }
}

} // namespace vork
