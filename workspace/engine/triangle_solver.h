#pragma once
// The triangle solver of the Calculators menu: completes a triangle from three of its
// six values (at least one of them a side) and writes the report the operator pastes
// into the results window. Angles are degrees; angle A lies opposite side a.
#include <string>

namespace mrw {

// What the operator typed: 0 means unknown, negative values count by their magnitude.
struct TriangleInput {
    double sideA = 0, sideB = 0, sideC = 0;
    double angleA = 0, angleB = 0, angleC = 0;
};

enum TriangleError {
    TriangleSolved = 0,
    TriangleNoSide = 1,      // "Error, At least one side must be given"
    TriangleTooFewValues = 2, // "Error, Less than 3 numbers entered"
    TriangleBadSides = 3,    // no triangle has these sides
    TriangleBadAngles = 4,   // the angles leave nothing for the third one
};

struct TriangleSolution {
    int error = TriangleSolved;
    double a = 0, b = 0, c = 0; // sides
    double A = 0, B = 0, C = 0; // angles in degrees
    bool solved() const { return error == TriangleSolved; }
};

TriangleSolution SolveTriangle(const TriangleInput& input);

// The message box text of an error code.
std::string triangleErrorText(int error);

// An angle in whole degrees, minutes and seconds as the report writes it.
struct DegreesMinutesSeconds {
    long long degrees = 0, minutes = 0, seconds = 0;
};
DegreesMinutesSeconds toDegreesMinutesSeconds(double angle);

// The report of a solved triangle: perimeter, area, inscribed and circumscribed circle
// diameters, the sides and the angles; lines end with CR LF and one empty line closes it.
std::string triangleReport(const TriangleSolution& t);

} // namespace mrw
