#include "workspace/engine/triangle_solver.h"

#include "platform/numbers.h"

#include <array>
#include <cmath>

namespace mrw {

namespace {

// The solver's own conversion constants; its reports have always been computed with them.
constexpr double DegreesToRadians = 0.0174532925;
constexpr double RadiansToDegrees = 57.29577951;

// Sides and angles by index: 0 is a/A, 1 is b/B, 2 is c/C.
struct Triangle {
    std::array<double, 3> side{};
    std::array<double, 3> angle{};
};

double sinDegrees(double angle) { return std::sin(angle * DegreesToRadians); }

// The angle of a cosine from the law of cosines; false when no angle has it.
bool angleOfCosine(double cosine, double& angle)
{
    if (cosine == 0) {
        angle = 90;
        return true;
    }
    if (std::fabs(cosine) >= 1)
        return false;
    angle = std::atan(std::sqrt(1 - cosine * cosine) / cosine) * RadiansToDegrees;
    if (cosine < 0)
        angle += 180;
    return true;
}

// The third angle from the other two, then every unknown side by the law of sines from
// a known one: for a the side b when known, else c; for b the side c, else a; for c the
// side b, else a.
int completeAnglesAndSides(Triangle& t)
{
    for (std::size_t i = 0; i < 3; ++i) {
        if (t.angle[i] != 0)
            continue;
        const double sum = t.angle[(i + 1) % 3] + t.angle[(i + 2) % 3];
        if (sum >= 180)
            return TriangleBadAngles;
        t.angle[i] = 180 - sum;
        break;
    }
    static constexpr std::array<std::array<std::size_t, 2>, 3> Known{{{1, 2}, {2, 0}, {1, 0}}};
    for (std::size_t i = 0; i < 3; ++i) {
        if (t.side[i] != 0)
            continue;
        const std::size_t k = t.side[Known[i][0]] != 0 ? Known[i][0] : Known[i][1];
        t.side[i] = sinDegrees(t.angle[i]) * t.side[k] / sinDegrees(t.angle[k]);
    }
    return TriangleSolved;
}

int solveThreeSides(Triangle& t)
{
    const auto& [a, b, c] = t.side;
    const std::array<double, 3> cosines{(b * b + c * c - a * a) / (2 * b * c), (a * a + c * c - b * b) / (2 * a * c),
                                        (b * b + a * a - c * c) / (2 * b * a)};
    for (std::size_t i = 0; i < 3; ++i)
        if (!angleOfCosine(cosines[i], t.angle[i]))
            return TriangleBadSides;
    return TriangleSolved;
}

// The angle opposite the side `far` when the angle g lies opposite the side `near`
// (law of sines). Of the two angles with that sine the obtuse one is taken when the far
// side is the longer. False when no triangle exists.
bool angleOppositeFarSide(double g, double near, double far, double& angle)
{
    const double r = far * std::sin(g) / near;
    if (std::fabs(r) > 1.00001)
        return false;
    angle = std::fabs(r) >= 0.99999 ? 90 : std::atan(r / std::sqrt(1 - r * r)) * RadiansToDegrees;
    if (far > near)
        angle = 180 - angle;
    return true;
}

int solveTwoSides(Triangle& t)
{
    // The unknown side u and the two known ones in the order the solver has always used.
    static constexpr std::array<std::array<std::size_t, 2>, 3> Others{{{1, 2}, {0, 2}, {1, 0}}};
    std::size_t u = 0;
    while (t.side[u] != 0)
        ++u;
    const std::size_t i2 = Others[u][0], i3 = Others[u][1];
    const double s2 = t.side[i2], s3 = t.side[i3];
    std::size_t gi = 0;
    while (t.angle[gi] == 0)
        ++gi;
    const double g = t.angle[gi] * DegreesToRadians;
    if (gi == u) {
        // The angle between the two known sides.
        const double denominator = s2 - s3 * std::cos(g);
        double angle = 90;
        if (denominator != 0)
            angle = std::atan(s3 * std::sin(g) / denominator) * RadiansToDegrees;
        if (angle < 0)
            angle += 180;
        t.angle[i3] = angle;
    } else if (gi == i2) {
        if (!angleOppositeFarSide(g, s2, s3, t.angle[i3]))
            return TriangleBadSides;
    } else if (!angleOppositeFarSide(g, s3, s2, t.angle[i2])) {
        return TriangleBadSides;
    }
    return completeAnglesAndSides(t);
}

} // namespace

TriangleSolution SolveTriangle(const TriangleInput& in)
{
    Triangle t;
    t.side = {std::fabs(in.sideA), std::fabs(in.sideB), std::fabs(in.sideC)};
    const std::array<double, 3> typedAngles{in.angleA, in.angleB, in.angleC};
    int sides = 0;
    for (double s : t.side)
        sides += s != 0 ? 1 : 0;

    TriangleSolution out;
    if (sides == 0) {
        out.error = TriangleNoSide;
        return out;
    }
    if (sides < 3) {
        // Angles count in the order A, B, C until three values are known.
        int known = sides;
        for (std::size_t i = 0; i < 3; ++i) {
            if (typedAngles[i] != 0 && known < 3) {
                t.angle[i] = std::fabs(typedAngles[i]);
                ++known;
            }
        }
        if (known < 3) {
            out.error = TriangleTooFewValues;
            return out;
        }
    }
    out.error = sides == 3 ? solveThreeSides(t) : sides == 2 ? solveTwoSides(t) : completeAnglesAndSides(t);
    if (out.solved()) {
        out.a = t.side[0];
        out.b = t.side[1];
        out.c = t.side[2];
        out.A = t.angle[0];
        out.B = t.angle[1];
        out.C = t.angle[2];
    }
    return out;
}

std::string triangleErrorText(int error)
{
    switch (error) {
    case TriangleNoSide:
        return "Error, At least one side must be given";
    case TriangleTooFewValues:
        return "Error, Less than 3 numbers entered";
    case TriangleBadSides:
        return "Error, Bad Sides";
    case TriangleBadAngles:
        return "Error, Bad Angles";
    default:
        return {};
    }
}

DegreesMinutesSeconds toDegreesMinutesSeconds(double angle)
{
    DegreesMinutesSeconds dms;
    dms.degrees = platform::truncToInt(angle + 0.000138889);
    const double whole = static_cast<double>(dms.degrees);
    dms.minutes = platform::truncToInt((angle - whole) * 60 + 0.008333333);
    dms.seconds = platform::truncToInt((angle - whole - static_cast<double>(dms.minutes) / 60) * 3600 + 0.5);
    return dms;
}

std::string triangleReport(const TriangleSolution& t)
{
    const auto number = [](double x) { return platform::strFixed(x, 9, 6); };
    const double s0 = (t.a + t.b + t.c) / 2;
    const double product = s0 * (s0 - t.a) * (s0 - t.b) * (s0 - t.c);
    const double area = std::sqrt(product > 0 ? product : 0);
    const double inscribed = area / s0;
    const double circumscribed = t.a / (2 * sinDegrees(t.A));

    std::string r = " Triangle results :\r\n";
    r += "                                         Perimeter = " + platform::formatFixed(2 * s0, 6) + "\r\n";
    r += " Side  A = " + number(t.a) + "                          Area = " + number(area) + "\r\n";
    r += " Side  B = " + number(t.b) + "              Inscribed Circle = " + number(2 * inscribed) + "\r\n";
    r += " Side  C = " + number(t.c) + "          Circumscribed Circle = " + number(2 * circumscribed) + "\r\n";
    const std::array<std::pair<const char*, double>, 3> angles{{{"a", t.A}, {"b", t.B}, {"c", t.C}}};
    for (const auto& [letter, angle] : angles) {
        const DegreesMinutesSeconds dms = toDegreesMinutesSeconds(angle);
        r += std::string(" Angle ") + letter + " = " + number(angle) + " Deg = " + platform::strInt(dms.degrees, 4) +
             " Min = " + platform::strInt(dms.minutes, 4) + " Sec = " + platform::strInt(dms.seconds, 4) + "\r\n";
    }
    return r + "\r\n";
}

} // namespace mrw
