#include "workspace/engine/speed_feed.h"

#include "math/engine/mathlib.h"
#include "platform/numbers.h"

#include <cmath>

namespace mrw {

namespace {

constexpr double FullPi = 3.1415926535897932385;

// a / b, or 0 when b is 0.
double quotient(double a, double b) { return b == 0 ? 0 : a / b; }

double cutTimeOf(const SpeedFeed& s)
{
    if (std::fabs(s.F) <= 0.00001)
        return 0;
    if (vork::IsNearZero(s.acc))
        return s.L / s.F;
    // Up to speed and down again at `acc`: a move too short to reach the feed is
    // modelled as 2L/F.
    const double a = s.acc * 43200;
    const double t1 = s.F / a;
    const double d1 = t1 * t1 * a / 2;
    if (2 * d1 > s.L)
        return s.L * 0.5 * (t1 / d1) * 2;
    return (s.L - 2 * d1) / s.F + 2 * t1;
}

} // namespace

void RecalcSpeedFeed(SpeedFeed& s, int recalcCase)
{
    const double k = s.metric ? 1000 : 12;
    switch (recalcCase) {
    case FromSurfaceSpeed:
        s.N = quotient(s.V * k, s.D * FullPi);
        s.fr = s.f * s.z;
        s.F = s.fr * s.N;
        break;
    case FromRpm:
        s.F = s.f * s.z * s.N;
        s.V = s.D * FullPi * s.N / k;
        break;
    case FromFeedPerMinute:
        s.fr = quotient(s.F, s.N);
        s.f = quotient(s.fr, s.z);
        break;
    case FromFeedPerRevolution:
        s.F = s.N * s.fr;
        s.f = quotient(s.fr, s.z);
        break;
    default:
        break;
    }
    // Values beyond the range of reals show as 0 too.
    for (double* value : {&s.N, &s.V, &s.F, &s.fr, &s.f})
        if (!std::isfinite(*value))
            *value = 0;
    const double t = cutTimeOf(s);
    s.cutTime = std::isfinite(t) ? t : 0;

    s.adjustedChipLoad = 0;
    s.adjustedFeed = 0;
    if (s.D / 2 > s.e && s.e > 0) {
        const double ratio = s.D / s.e;
        s.adjustedChipLoad = ratio * 0.5 / std::sqrt(ratio - 1) * s.f;
        s.adjustedFeed = s.adjustedChipLoad * s.z * s.N;
        if (!std::isfinite(s.adjustedChipLoad) || !std::isfinite(s.adjustedFeed))
            s.adjustedChipLoad = s.adjustedFeed = 0;
    }
}

std::string cutTimeText(double minutes)
{
    const double whole = std::trunc(minutes);
    return "Cut Time = " + std::to_string(platform::truncToInt(minutes)) + " Minutes, " +
           platform::formatFixed((minutes - whole) * 60, 2) + " Seconds";
}

std::string speedFeedReport(const SpeedFeedTexts& t, bool metric)
{
    const auto line = [](const char* label, const std::string& value) { return label + value + "\r\n"; };
    std::string r = "Speed & Feed Calculation\r\n";
    r += line("Tool Diameter       : ", t.diameter);
    r += line("Number of Teeth     : ", t.teeth);
    r += line("Chip Load Per Tooth : ", t.chipLoad);
    r += line("RPM                 : ", t.rpm);
    r += line(metric ? "M/min               : " : "FPM                 : ", t.surfaceSpeed);
    r += line(metric ? "MM/min              : " : "IPM                 : ", t.feedPerMinute);
    r += line(metric ? "MM/rev              : " : "IPR                 : ", t.feedPerRevolution);
    r += line("Acceleration (g)    : ", t.acceleration);
    r += line("Cut Length          : ", t.cutLength);
    r += line("Radial Depth of Cut : ", t.radialDepth);
    r += line("Adjusted Chip Load  : ", t.adjustedChipLoad);
    r += line("Adjusted IPM        : ", t.adjustedFeed);
    return r + t.cutTime + "\r\n";
}

} // namespace mrw
