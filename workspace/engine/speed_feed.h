#pragma once
// The speed and feed calculator: spindle speed, surface speed, feeds, chip load and the
// cut time kept consistent while the operator edits any of them, with acceleration and
// chip thinning; and the report pasted into the results window.
#include <string>

namespace mrw {

struct SpeedFeed {
    double D = 0.5;      // tool (or turned) diameter
    double z = 4;        // number of teeth
    double f = 0.04;     // chip load per tooth
    double N = 763.94373; // RPM
    double V = 100;      // surface speed: feet or metres a minute
    double F = 122.231;  // feed a minute
    double fr = 0.16;    // feed a revolution
    double L = 1;        // cut length
    double acc = 0.2;    // acceleration in g
    double e = 0.09;     // radial depth of cut
    bool metric = false;

    // Results of the last recalculation.
    double cutTime = 0;          // minutes
    double adjustedChipLoad = 0; // chip thinning, 0 when none
    double adjustedFeed = 0;
};

// What the edited field drives (the calculator's recalculation cases).
enum SpeedFeedCase {
    FromSurfaceSpeed = 1, // diameter, teeth, surface speed, cut length or acceleration edited
    FromRpm = 3,
    FromFeedPerMinute = 5,
    FromFeedPerRevolution = 6,
};

// Recalculates after an edit. A quotient whose divisor (RPM, teeth, diameter) is 0
// comes out 0, so no field ever shows an infinity.
void RecalcSpeedFeed(SpeedFeed& s, int recalcCase);

// "Cut Time = 0 Minutes, 0.98 Seconds".
std::string cutTimeText(double minutes);

// The calculator's fields as they stand, in report order.
struct SpeedFeedTexts {
    std::string diameter, teeth, chipLoad, rpm, surfaceSpeed, feedPerMinute, feedPerRevolution;
    std::string acceleration, cutLength, radialDepth, adjustedChipLoad, adjustedFeed;
    std::string cutTime; // the cut-time label
};

// The report, each line ending in CR LF; the unit names follow `metric`.
std::string speedFeedReport(const SpeedFeedTexts& t, bool metric);

} // namespace mrw
