#include "platform/fixed_text.h"

#include "platform/numbers.h"

#include <cmath>
#include <string_view>

namespace platform {

namespace {

constexpr double PowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int MaxFastDecimals = 12;
constexpr int MaxSignificant = 15;

// Writes the digits of n (n >= 0) backwards from `end`; returns the first digit.
char* writeDigits(char* end, std::uint64_t n)
{
    do {
        *--end = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    return end;
}

void appendPadded(std::string& out, const char* text, std::size_t length, int width)
{
    if (width > 0 && static_cast<std::size_t>(width) > length)
        out.append(static_cast<std::size_t>(width) - length, ' ');
    out.append(text, length);
}

} // namespace

void appendRight(std::string& out, std::string_view text, int width)
{
    appendPadded(out, text.data(), text.size(), width);
}

void appendInt(std::string& out, std::int64_t value, int width)
{
    char buffer[24];
    char* end = buffer + sizeof buffer;
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* first = writeDigits(end, magnitude);
    if (value < 0)
        *--first = '-';
    appendPadded(out, first, static_cast<std::size_t>(end - first), width);
}

void appendFixed(std::string& out, double value, int width, int decimals)
{
    // The platform writes the value rounded to 15 significant digits, then rounds it half
    // away from zero to the decimals. Straight rounding gives the same digits except for
    // fractions near one half (how near depends on where the 15th digit falls), and those
    // are left to the platform, as are values with more than 15 digits in all.
    const double magnitude = std::fabs(value);
    if (decimals >= 0 && decimals <= MaxFastDecimals && std::isfinite(value) &&
        magnitude < PowersOfTen[MaxSignificant - decimals]) {
        const double whole = std::floor(magnitude);
        int wholeDigits = 0;
        while (wholeDigits < MaxSignificant && whole >= PowersOfTen[wholeDigits])
            ++wholeDigits;
        const int lastDigit = MaxSignificant - wholeDigits; // decimal place of the 15th digit
        const double window = lastDigit > decimals ? 0.5 / PowersOfTen[lastDigit - decimals] : 0.0;
        const double scaled = (magnitude - whole) * PowersOfTen[decimals];
        const double units = std::floor(scaled);
        const double fraction = scaled - units;
        if (std::fabs(fraction - 0.5) > window + 1e-3) {
            std::uint64_t n = static_cast<std::uint64_t>(whole) * static_cast<std::uint64_t>(PowersOfTen[decimals]) +
                              static_cast<std::uint64_t>(units) + (fraction > 0.5 ? 1 : 0);
            const bool zero = n == 0;
            char buffer[48];
            char* end = buffer + sizeof buffer;
            char* first = end;
            for (int i = 0; i < decimals; ++i) {
                *--first = static_cast<char>('0' + n % 10);
                n /= 10;
            }
            if (decimals > 0)
                *--first = '.';
            first = writeDigits(first, n);
            if (std::signbit(value) && !zero)
                *--first = '-';
            appendPadded(out, first, static_cast<std::size_t>(end - first), width);
            return;
        }
    }
    const std::string text = formatFixed(value, decimals);
    appendPadded(out, text.data(), text.size(), width);
}

std::string fixedText(double value, int decimals)
{
    std::string out;
    appendFixed(out, value, 0, decimals);
    return out;
}

} // namespace platform
