#include "workspace/engine/nc_numbers.h"

#include "math/engine/mathlib.h"

#include "platform/numbers.h"

#include <charconv>
#include <cmath>

namespace mrw {

namespace {

void padLeft(std::string& text, int width)
{
    if (width > 0 && text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
}

void dropTrailingZeros(std::string& text)
{
    while (!text.empty() && text.back() == '0')
        text.pop_back();
}

// The whole number `a` (already without fraction) in decimal, exact for any size.
std::string wholeText(double a)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, a, std::chars_format::fixed, 0);
    return std::string(buffer, result.ptr);
}

} // namespace

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string FormatNCNumber(int mode, int L, int R, double x)
{
    if (!std::isfinite(x))
        return "0";
    const int decimals = R > 0 ? R : 0;
    const bool negative = x < 0;
    const double a = std::fabs(x);
    double whole = std::trunc(a);
    std::string fraction = platform::formatFixed(a - whole, decimals);
    if (platform::parseReal(fraction).value_or(0.0) == 1.0) { // the rounded fraction carries
        whole += 1.0;
        fraction = platform::formatFixed(0.0, decimals);
    }
    std::string I = wholeText(whole);
    const std::size_t point = fraction.find('.');
    std::string F = point == std::string::npos ? std::string() : fraction.substr(point + 1);

    switch (mode) {
    case ncformat::Decimal:
        F = "." + F;
        dropTrailingZeros(F); // the point stays
        if (I == "0")
            I.clear();
        if (I.empty() && F == ".")
            F = "0";
        break;
    case ncformat::LeadingZeros:
        dropTrailingZeros(F);
        padLeft(I, L);
        break;
    case ncformat::TrailingZeros:
        if (I == "0")
            I.clear();
        break;
    case ncformat::LeadingTrailing:
    case ncformat::Integer:
        padLeft(I, L);
        break;
    default:
        break;
    }
    if (negative)
        I = "-" + I;
    if (mode == ncformat::Integer) {
        F.clear();
        if (R == 0)
            I = wholeText(whole);
    }
    return I + F;
}

std::optional<double> ReadNCNumber(std::string_view word, int mode, int L, int R)
{
    std::string text(word);
    if (!text.empty() && isAsciiLetter(text.front()))
        text.erase(0, 1);
    double sign = 1.0;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        if (text.front() == '-')
            sign = -1.0;
        text.erase(0, 1);
    }
    if (text.empty())
        return std::nullopt;
    // Only digits and a point make a word's number here; an exponent or a blank does not.
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.'))
            return std::nullopt;
    std::optional<double> value;
    switch (mode) {
    case ncformat::LeadingZeros: {
        const std::size_t left = L > 0 ? static_cast<std::size_t>(L) : 0;
        if (text.size() < left + 2)
            text.append(left + 2 - text.size(), '0');
        text.insert(left, ".");
        value = platform::parseReal(text);
        break;
    }
    case ncformat::TrailingZeros:
    case ncformat::LeadingTrailing:
        value = platform::parseReal(text);
        if (value && R > 0)
            *value /= RaiseToPower(10.0, R);
        break;
    default:
        if (text.back() == '.')
            text += '0';
        value = platform::parseReal(text);
        break;
    }
    if (!value)
        return std::nullopt;
    return *value * sign;
}

double ParseNCNumber(std::string_view text, int mode, int L, int R)
{
    return ReadNCNumber(text, mode, L, R).value_or(0.0);
}

double RaiseToPower(double base, double exponent)
{
    if (vork::IsNearZero(base))
        return 0.0;
    if (vork::IsNearZero(exponent))
        return 1.0;
    if (vork::IsNearZero(exponent - 1.0))
        return base;
    // e^(exponent x ln base), computed exactly where it can be (10^4 is 10000, not 9999.999...).
    return std::pow(base, exponent);
}

} // namespace mrw
