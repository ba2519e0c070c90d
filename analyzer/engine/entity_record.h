#pragma once
// One drawing entity held in memory: a fixture entity read from a DXF drawing, or one
// element of the tool image. The geometry sits in val1..val6 by kind:
//  - point: val1..val3 the position;
//  - arc: val1..val3 the centre, val4 the start and val5 the end angle (radians, the arc
//    runs counter-clockwise from start to end), val6 the radius;
//  - line: val1..val3 the start, val4..val6 the end point;
//  - text: val1..val3 the position, val4 the height, val5 the angle (radians), and text.
#include "math/engine/mathlib.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace vork {

enum EntityKind : std::uint8_t { EntityFree = 0, EntityPoint = 1, EntityArc = 2, EntityLine = 3, EntityText = 4 };

inline constexpr std::size_t EntityTextLength = 80;

struct TEntityRecord {
    std::int16_t entnum = 0; // running number within its kind; with kind the entity's key
    std::uint8_t color = 0;
    std::uint8_t layer = 0;
    std::uint8_t style = 0; // always 0, solid
    std::uint8_t kind = EntityFree;
    double val1 = 0, val2 = 0, val3 = 0, val4 = 0, val5 = 0, val6 = 0;
    std::string text; // at most EntityTextLength characters
};

// An arc whose start and end points coincide: it is drawn as a whole circle.
inline bool IsFullCircle(const TEntityRecord& arc)
{
    return IsNearZero(arc.val6 * std::cos(arc.val4) - arc.val6 * std::cos(arc.val5)) &&
           IsNearZero(arc.val6 * std::sin(arc.val4) - arc.val6 * std::sin(arc.val5));
}

} // namespace vork
