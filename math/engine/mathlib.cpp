#include "math/engine/mathlib.h"

#include "platform/format.h"
#include "platform/host.h"
#include "platform/numbers.h"

#include <charconv>
#include <cmath>
#include <ctime>

namespace vork {

namespace {

constexpr double RangeLimit = 1e37;
// The hyperbolic functions and powers give up above e^85.
constexpr double ExponentLimit = 85.0;
// How far past +-1 a cosine may stray by rounding and still count as +-1.
constexpr double CosineNoise = 1e-12;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

// ---- Number text -----------------------------------------------------------------

RealConversion ConvertReal(std::string_view text)
{
    RealConversion result;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const std::size_t numberStart = i;
    const auto fail = [&](std::size_t at) {
        result.errorIndex = static_cast<int>(at) + 1;
        result.value = 0.0;
        return result;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return fail(i);
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i >= text.size() || !isDigit(text[i]))
            return fail(i);
        while (i < text.size() && isDigit(text[i]))
            ++i;
    }
    if (i != text.size())
        return fail(i);

    // from_chars takes no "+"; the long double range keeps tiny values from failing.
    std::size_t from = numberStart;
    if (text[from] == '+')
        ++from;
    long double value = 0.0L;
    const auto [end, ec] = std::from_chars(text.data() + from, text.data() + text.size(), value);
    (void)end;
    if (ec != std::errc() || !std::isfinite(static_cast<double>(value))) {
        result.overflow = true;
        return fail(text.size());
    }
    result.value = static_cast<double>(value);
    return result;
}

double StrToReal(std::string_view text, platform::Prompter* prompter)
{
    const RealConversion conversion = ConvertReal(text);
    if (conversion.errorIndex == 0)
        return conversion.value;
    if (prompter) {
        prompter->message("Warning",
                          "Integer/Real String Conversion Error\nS = [" + std::string(text) +
                              "]\nEr = " + std::to_string(conversion.errorIndex),
                          platform::MessageKind::Warning, platform::Buttons::Ok);
    }
    return 0.0;
}

std::string IntToShortStr(long long value) { return std::to_string(value); }

std::string RealToShortStr(bool stripZeros, double value)
{
    std::string text = platform::formatFixed(value, 5);
    if (stripZeros) {
        while (!text.empty() && text.back() == '0')
            text.pop_back();
    }
    return text;
}

void UpperCaseInPlace(std::string& text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
}

void StripBlanks(std::string& text)
{
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t'; });
}

std::string DateTimeStamp() { return DateTimeStamp(std::chrono::system_clock::now()); }

std::string DateTimeStamp(std::chrono::system_clock::time_point when)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return platform::format("%.2d:%.2d:%.2d  %.2d/%.2d/%.2d",
                            {local.tm_hour, local.tm_min, local.tm_sec, local.tm_mon + 1,
                             local.tm_mday, local.tm_year % 100});
}

// ---- Flagged routines ------------------------------------------------------------

bool OverflowsOperation(char op, double left, double right)
{
    switch (op) {
    case '+':
        return right > 0.0 ? left > RangeLimit - right : left < -RangeLimit - right;
    case '-':
        return right >= 0.0 ? left < right - RangeLimit : left > right + RangeLimit;
    case '*':
        return std::fabs(left) > 1.0 && std::fabs(right) > RangeLimit / std::fabs(left);
    case '/':
        if (right == 0.0)
            return true;
        return std::fabs(left) > 1.0 && std::fabs(left / right) > RangeLimit;
    default:
        return true;
    }
}

double ArcSine(double x, EvalFlags& flags)
{
    const double a = std::fabs(x);
    if (a > 1.0) {
        flags.complex = true;
        return 0.0;
    }
    if (a == 1.0)
        return x / a * HalfPi;
    return std::atan(x / std::sqrt(1.0 - x * x));
}

double ArcCosine(double x, EvalFlags& flags)
{
    if (std::fabs(x) > 1.0) {
        if (std::fabs(x) - 1.0 > CosineNoise) {
            flags.complex = true;
            return 0.0;
        }
        x = x > 0.0 ? 1.0 : -1.0;
    }
    if (x == 0.0)
        return HalfPi;
    if (x == 1.0)
        return 0.0;
    if (x == -1.0)
        return Pi;
    const double t = std::atan(std::sqrt(1.0 - x * x) / x);
    return x < 0.0 ? t + Pi : t;
}

namespace {

// a / b, with the division-by-zero flag for an exact zero divisor and the range check.
double flaggedQuotient(double a, double b, EvalFlags& flags)
{
    if (b == 0.0) {
        flags.divZero = true;
        return 0.0;
    }
    if (OverflowsOperation('/', a, b)) {
        flags.tooLarge = true;
        return 0.0;
    }
    return a / b;
}

bool hyperbolicInRange(double x, EvalFlags& flags)
{
    if (std::fabs(x) > ExponentLimit) {
        flags.tooLarge = true;
        return false;
    }
    return true;
}

} // namespace

double Tangent(double x, EvalFlags& flags) { return flaggedQuotient(std::sin(x), std::cos(x), flags); }
double Cotangent(double x, EvalFlags& flags) { return flaggedQuotient(std::cos(x), std::sin(x), flags); }
double Secant(double x, EvalFlags& flags) { return flaggedQuotient(1.0, std::cos(x), flags); }
double Cosecant(double x, EvalFlags& flags) { return flaggedQuotient(1.0, std::sin(x), flags); }

double HypSine(double x, EvalFlags& flags)
{
    return hyperbolicInRange(x, flags) ? (std::exp(x) - std::exp(-x)) / 2.0 : 0.0;
}

double HypCosine(double x, EvalFlags& flags)
{
    return hyperbolicInRange(x, flags) ? (std::exp(x) + std::exp(-x)) / 2.0 : 0.0;
}

double HypTangent(double x, EvalFlags& flags)
{
    if (!hyperbolicInRange(x, flags))
        return 0.0;
    return flaggedQuotient(HypSine(x, flags), HypCosine(x, flags), flags);
}

double HypSecant(double x, EvalFlags& flags)
{
    if (!hyperbolicInRange(x, flags))
        return 0.0;
    return flaggedQuotient(1.0, HypCosine(x, flags), flags);
}

double HypCosecant(double x, EvalFlags& flags)
{
    if (!hyperbolicInRange(x, flags))
        return 0.0;
    return flaggedQuotient(1.0, HypSine(x, flags), flags);
}

double HypCotangent(double x, EvalFlags& flags)
{
    if (!hyperbolicInRange(x, flags))
        return 0.0;
    return flaggedQuotient(HypCosine(x, flags), HypSine(x, flags), flags);
}

double Factorial(double x, EvalFlags& flags)
{
    if (x < 0.0 || x != std::trunc(x) || x > 32767.0) {
        flags.defined = false;
        return 0.0;
    }
    if (x >= 33.0) {
        flags.tooLarge = true;
        return 0.0;
    }
    double product = 1.0;
    for (int n = 2; n <= static_cast<int>(x); ++n)
        product *= n;
    return product;
}

// ---- Plane geometry --------------------------------------------------------------

double Distance2D(double x1, double y1, double x2, double y2)
{
    const double d2 = (x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1);
    return d2 <= 1e-6 ? 0.0 : std::sqrt(d2);
}

double VectorAngle(double dx, double dy)
{
    const bool flatX = IsNearZero(dx);
    const bool flatY = IsNearZero(dy);
    if (flatX && flatY)
        return NoAngle;
    if (flatX)
        return dy > 0.0 ? HalfPi : ThreeHalfPi;
    if (flatY)
        return dx > 0.0 ? 0.0 : Pi;
    const double t = std::atan(dy / dx);
    if (dx < 0.0)
        return t + Pi;
    if (dy < 0.0)
        return t + TwoPi;
    return t;
}

void RotatePoint(double& x, double& y, double cx, double cy, double angle)
{
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double dx = x - cx;
    const double dy = y - cy;
    x = cx + c * dx - s * dy;
    y = cy + c * dy + s * dx;
}

TurnAngle ThreePointAngle(double x1, double y1, double x2, double y2, double x3, double y3)
{
    TurnAngle result;
    result.turn = SignOf((x2 - x1) * (y3 - y2) - (y2 - y1) * (x3 - x2));
    if (result.turn == 0)
        return result;
    const double c = Distance2D(x1, y1, x3, y3);
    const double a = Distance2D(x1, y1, x2, y2);
    const double b = Distance2D(x2, y2, x3, y3);
    if (IsNearZero(2.0 * a * b))
        return result;
    result.angle = ArcCosine((a * a + b * b - c * c) / (2.0 * a * b));
    return result;
}

double PointLineDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = ax - bx;
    const double dy = ay - by;
    if (IsNearZero(dx) && IsNearZero(dy))
        return Distance2D(px, py, ax, ay);
    const double k = 1.0 / std::sqrt(dx * dx + dy * dy);
    return -dy * k * px + dx * k * py + (bx * ay - ax * by) * k;
}

Intersection LineCircleIntersect(double x1, double y1, double x2, double y2, double cx, double cy,
                                 double r)
{
    Intersection result;
    if (r <= 0.0) {
        result.status = 1;
        return result;
    }
    const double dx = x1 - x2;
    const double dy = y1 - y2;
    const bool vertical = IsNearZero(dx);
    const bool horizontal = IsNearZero(dy);
    if (vertical && horizontal) {
        result.status = 2;
        return result;
    }
    double fx = 0.0;
    double fy = 0.0;
    double m = 0.0;
    if (vertical) {
        fx = x1;
        fy = cy;
    } else if (horizontal) {
        m = dy / dx;
        fx = cx;
        fy = y1;
    } else {
        m = dy / dx;
        const double n = -dx / dy;
        const double b1 = y1 - m * x1;
        const double b2 = cy - n * cx;
        fx = (b2 - b1) / (m - n);
        fy = (b2 * m - b1 * n) / (m - n);
    }
    const double d2 = (fx - cx) * (fx - cx) + (fy - cy) * (fy - cy);
    const double h2 = r * r - d2;
    if (h2 < -NearZeroTolerance) {
        result.status = 3;
        return result;
    }
    result.x1 = fx;
    result.y1 = fy;
    if (h2 < NearZeroTolerance) {
        result.x2 = fx;
        result.y2 = fy;
        result.tangent = true;
        return result;
    }
    double ox = 0.0;
    double oy = 0.0;
    if (vertical) {
        oy = std::sqrt(h2);
    } else {
        ox = std::sqrt(h2 / (m * m + 1.0));
        oy = ox * m;
    }
    result.x1 = fx + ox;
    result.y1 = fy + oy;
    result.x2 = fx - ox;
    result.y2 = fy - oy;
    return result;
}

Intersection LineLineIntersect(double x1, double y1, double x2, double y2, double x3, double y3,
                               double x4, double y4)
{
    Intersection result;
    constexpr double tiny = 1e-7;
    const auto samePoint = [](double ax, double ay, double bx, double by) {
        return std::fabs(ax - bx) < tiny && std::fabs(ay - by) < tiny;
    };
    if (samePoint(x1, y1, x2, y2) || samePoint(x3, y3, x4, y4)) {
        result.status = 1;
        return result;
    }
    const double a = x4 - x3;
    const double b = y4 - y3;
    const double c = x2 - x1;
    const double d = y2 - y1;
    const double e = x3 - x1;
    const double f = y3 - y1;
    const double den = a * d - b * c;
    if (std::fabs(den) < tiny) {
        result.status = 4;
        return result;
    }
    const double t = (a * f - b * e) / den;
    result.x1 = x1 + c * t;
    result.y1 = y1 + d * t;
    result.x2 = result.x1;
    result.y2 = result.y1;
    return result;
}

int AngleQuadrant(double angle)
{
    if (angle > TwoPi || IsNearZero(angle - TwoPi))
        angle -= TwoPi;
    if (angle >= 0.0 && angle < HalfPi)
        return 1;
    if (angle >= HalfPi && angle < Pi)
        return 2;
    if (angle >= Pi && angle < ThreeHalfPi)
        return 3;
    if (angle >= ThreeHalfPi && angle < TwoPi)
        return 4;
    return 0;
}

namespace {

// The quadrant of any angle: turned into [0, 2pi) first, just short of 2pi counting as 0.
int quadrantOfAnyAngle(double angle)
{
    angle = std::fmod(angle, TwoPi);
    if (angle < 0.0)
        angle += TwoPi;
    if (IsNearZero(angle - TwoPi))
        angle = 0.0;
    const int q = AngleQuadrant(angle);
    return q == 0 ? 1 : q;
}

} // namespace

Extents ArcExtents(double cx, double cy, double r, double startAngle, double endAngle)
{
    const double x1 = cx + r * std::cos(startAngle);
    const double y1 = cy + r * std::sin(startAngle);
    const double x2 = cx + r * std::cos(endAngle);
    const double y2 = cy + r * std::sin(endAngle);
    const int q1 = quadrantOfAnyAngle(startAngle);
    const int q2 = quadrantOfAnyAngle(endAngle);

    Extents box{MinReal(x1, x2), MinReal(y1, y2), MaxReal(x1, x2), MaxReal(y1, y2)};
    const Extents circle{cx - r, cy - r, cx + r, cy + r};
    if (q1 == q2) {
        const bool staysInside = q1 <= 2 ? x1 > x2 : x2 > x1;
        return staysInside ? box : circle;
    }
    for (int q = q1; q != q2; q = q % 4 + 1) {
        switch (q) {
        case 1: box.ymax = circle.ymax; break;
        case 2: box.xmin = circle.xmin; break;
        case 3: box.ymin = circle.ymin; break;
        default: box.xmax = circle.xmax; break;
        }
    }
    return box;
}

} // namespace vork
