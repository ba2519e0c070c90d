#pragma once
// The operations of the example jobs, one per tool, as examples/BRACKET.OPF and
// examples/SHAFT.OPF hold them.
#include "analyzer/engine/operation_table.h"

#include <string>

namespace exampleops {

inline vork::TOperationRecord operation(int opnum, int tool, int color, const std::string& description)
{
    vork::TOperationRecord r = vork::OperationTemplate();
    r.opnum = static_cast<std::int16_t>(opnum);
    r.color = static_cast<std::uint8_t>(color);
    r.toolnum = static_cast<float>(tool);
    r.offsetnum = static_cast<float>(tool);
    r.desc[0] = description;
    return r;
}

// The mill bracket: tools 1 to 3, home at the machine's home (0, 0, 5).
inline void fillBracket(vork::TOperationTable& table)
{
    table.clearops();
    vork::TOperationRecord& profile = table.slot(1) = operation(10, 1, 1, "1/2 END MILL - OUTSIDE PROFILE");
    profile.tooldia = 0.5f;
    profile.feed = 20;
    profile.speed = 2500;
    profile.p[0] = 1.5f; // length
    profile.desc[1] = "CLIMB CUT, ONE PASS AT Z-.25";

    vork::TOperationRecord& holes = table.slot(2) = operation(20, 2, 4, "#7 DRILL - THREE HOLES");
    holes.tshape = vork::ShapeDrill;
    holes.tooldia = 0.201f;
    holes.feed = 8;
    holes.speed = 1800;
    holes.p[0] = 1.25f; // length
    holes.p[1] = 118;   // point angle

    vork::TOperationRecord& pockets = table.slot(3) = operation(30, 3, 2, "3/16 END MILL - POCKETS");
    pockets.tooldia = 0.1875f;
    pockets.cornerrad = 0.03125f;
    pockets.feed = 12;
    pockets.speed = 3000;
    pockets.p[0] = 0.75f;
    for (int n = 1; n <= 3; ++n)
        table.slot(n).zhome = 5;
}

// The lathe shaft: T0101 turns, T0303 threads; home at X2 Z3.
inline void fillShaft(vork::TOperationTable& table)
{
    table.clearops();
    vork::TOperationRecord& turn = table.slot(1) = operation(10, 1, 1, "OD TURN AND FACE");
    turn.optype = 0;
    turn.tshape = vork::ShapeDiamond;
    turn.lcomp = 1; // OD turning
    turn.tooldia = 0.0625f;
    turn.feed = 0.008f;
    turn.feedmode = 2;
    turn.speed = 500;
    turn.spindle = 2; // constant surface speed
    turn.p = {80, 5, 0.75f, 0.03125f, 3, 1, 0.5f};

    vork::TOperationRecord& thread = table.slot(2) = operation(20, 3, 4, "OD THREAD 3/4-10");
    thread.optype = 0;
    thread.tshape = vork::ShapeThreading;
    thread.lcomp = 1;
    thread.feed = 0.1f;
    thread.feedmode = 2;
    thread.speed = 800;
    thread.p = {0.25f, 60, 0.75f, 0.125f, 3, 1, 0};
    for (int n = 1; n <= 2; ++n) {
        table.slot(n).xhome = 2;
        table.slot(n).zhome = 3;
    }
}

} // namespace exampleops
