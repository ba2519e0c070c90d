#pragma once
// The math library both programs link: number text, the flagged trigonometric and
// hyperbolic routines the expression evaluator uses, and the plane geometry of the
// analyzer. All angles are radians.
#include <chrono>
#include <string>
#include <string_view>

namespace platform {
class Prompter;
}

namespace vork {

inline constexpr double Pi = 3.141592653589793;
inline constexpr double HalfPi = 1.5707963267948966;
inline constexpr double ThreeHalfPi = 4.71238898038469;
inline constexpr double TwoPi = 6.283185307179586;
// Direction of a vector too short to have one.
inline constexpr double NoAngle = -9999.0;
// A length typed with "%" is millimetres.
inline constexpr double MillimetresToInches = 0.039370078;
inline constexpr double NearZeroTolerance = 5e-05;

// The outcome flags of one evaluation. The routines below raise them and give 0 instead
// of failing; only the caller that owns the flags clears them.
struct EvalFlags {
    bool defined = true;   // false: "Result is undefined"
    bool tooLarge = false; // "Result is too large"
    bool complex = false;  // "Result is complex"
    bool divZero = false;  // "Division by zero"
    bool metric = false;   // the text held "%"

    void clear() { *this = EvalFlags{}; }
    bool failed() const { return !defined || tooLarge || complex || divZero; }
};

// ---- Number text -----------------------------------------------------------------

// The decimal conversion of number text: optional leading blanks, optional sign, digits
// with an optional "." and exponent, nothing after. errorIndex is 0 when the text was
// read, else the 1-based index of the first character that could not be taken.
struct RealConversion {
    double value = 0.0;
    int errorIndex = 0;
    bool overflow = false; // a well-formed number beyond the range of reals
};
RealConversion ConvertReal(std::string_view text);

// The text as a real; on a conversion error 0, and the message
// "Integer/Real String Conversion Error" goes to `prompter` when one is given.
double StrToReal(std::string_view text, platform::Prompter* prompter = nullptr);

std::string IntToShortStr(long long value);
// The real with 5 decimals; with stripZeros trailing "0"s are dropped (12.5, 3.).
std::string RealToShortStr(bool stripZeros, double value);

// "a".."z" become "A".."Z"; nothing else changes.
void UpperCaseInPlace(std::string& text);
// Deletes every blank and tab.
void StripBlanks(std::string& text);

inline bool IsNearZero(double x) { return x < NearZeroTolerance && x > -NearZeroTolerance; }

// "hh:mm:ss  mm/dd/yy" of the given moment (local time), of now when not given.
std::string DateTimeStamp();
std::string DateTimeStamp(std::chrono::system_clock::time_point when);

// ---- Flagged routines ------------------------------------------------------------

double ArcSine(double x, EvalFlags& flags);
// Rounding noise just past +-1 counts as +-1.
double ArcCosine(double x, EvalFlags& flags);
double Tangent(double x, EvalFlags& flags);
double Cotangent(double x, EvalFlags& flags);
double Secant(double x, EvalFlags& flags);
double Cosecant(double x, EvalFlags& flags);
double HypSine(double x, EvalFlags& flags);
double HypCosine(double x, EvalFlags& flags);
double HypTangent(double x, EvalFlags& flags);
double HypSecant(double x, EvalFlags& flags);
double HypCosecant(double x, EvalFlags& flags);
double HypCotangent(double x, EvalFlags& flags);
// n! for a whole n from 0 to 32.
double Factorial(double x, EvalFlags& flags);

// The same for callers that look only at the value (a failure gives 0).
inline double ArcSine(double x) { EvalFlags f; return ArcSine(x, f); }
inline double ArcCosine(double x) { EvalFlags f; return ArcCosine(x, f); }
inline double Tangent(double x) { EvalFlags f; return Tangent(x, f); }
inline double Factorial(double x) { EvalFlags f; return Factorial(x, f); }

// The range check before an arithmetic operation (limit 1e37): true when `left op right`
// would leave the range. op is one of + - * /.
bool OverflowsOperation(char op, double left, double right);

// ---- Plane geometry (analyzer) ---------------------------------------------------

inline int SignOf(double x) { return x > 0.0 ? 1 : (x < 0.0 ? -1 : 0); }
inline double MinReal(double a, double b) { return a < b ? a : b; }
inline double MaxReal(double a, double b) { return a > b ? a : b; }
inline void SwapReals(double& a, double& b)
{
    const double t = a;
    a = b;
    b = t;
}

// 0 when the squared distance is at most 1e-6.
double Distance2D(double x1, double y1, double x2, double y2);
// Direction in [0, 2pi); NoAngle when both components are near zero.
double VectorAngle(double dx, double dy);
// Turns (x, y) counter-clockwise about (cx, cy).
void RotatePoint(double& x, double& y, double cx, double cy, double angle);

struct TurnAngle {
    int turn = 0;       // 1 counter-clockwise, -1 clockwise, 0 in line
    double angle = 0.0; // the angle at the middle point, 0..pi
};
TurnAngle ThreePointAngle(double x1, double y1, double x2, double y2, double x3, double y3);

// Signed distance of P from the line through A and B: positive to the right of A->B.
double PointLineDistance(double px, double py, double ax, double ay, double bx, double by);

struct Intersection {
    // LineCircleIntersect: 0 found, 1 radius not positive, 2 no line, 3 line misses.
    // LineLineIntersect: 0 found, 1 a line of two equal points, 4 parallel.
    int status = 0;
    double x1 = 0.0, y1 = 0.0; // the (first) point
    double x2 = 0.0, y2 = 0.0; // the second point of a secant
    bool tangent = false;      // the line touches the circle at (x1, y1)
};
Intersection LineCircleIntersect(double x1, double y1, double x2, double y2, double cx, double cy,
                                 double r);
// The crossing of the unbounded lines P1P2 and P3P4.
Intersection LineLineIntersect(double x1, double y1, double x2, double y2, double x3, double y3,
                               double x4, double y4);

// 1..4 for an angle in [0, 2pi] (2pi counts as 0), 0 for any other.
int AngleQuadrant(double angle);

struct Extents {
    double xmin = 0.0, ymin = 0.0, xmax = 0.0, ymax = 0.0;
};
// Bounding box of the counter-clockwise arc about (cx, cy) from start to end angle.
Extents ArcExtents(double cx, double cy, double r, double startAngle, double endAngle);

} // namespace vork
