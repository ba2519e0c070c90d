#include "analyzer/engine/fixed_text.h"

#include "platform/numbers.h"

#include <cmath>
#include <string_view>

namespace vork {

namespace {

constexpr double PowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};
constexpr int MaxFastDecimals = 12;
// Beyond this many units of the last decimal the product may carry rounding errors
// that matter; such numbers take the exact path.
constexpr double FastLimit = 1e12;

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
    if (decimals >= 0 && decimals <= MaxFastDecimals && std::isfinite(value)) {
        const double scaled = std::fabs(value) * PowersOfTen[decimals];
        if (scaled < FastLimit) {
            const double whole = std::floor(scaled);
            const double fraction = scaled - whole;
            // The platform rounds the value as written with 15 digits: only a fraction
            // close to one half can come out either way, and that is left to it.
            if (std::fabs(fraction - 0.5) > 1e-3) {
                std::uint64_t units = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
                char buffer[40];
                char* end = buffer + sizeof buffer;
                char* first = end;
                for (int i = 0; i < decimals; ++i) {
                    *--first = static_cast<char>('0' + units % 10);
                    units /= 10;
                }
                if (decimals > 0)
                    *--first = '.';
                first = writeDigits(first, units);
                const bool zero = scaled < 0.5;
                if (std::signbit(value) && !zero)
                    *--first = '-';
                appendPadded(out, first, static_cast<std::size_t>(end - first), width);
                return;
            }
        }
    }
    const std::string text = platform::formatFixed(value, decimals);
    appendPadded(out, text.data(), text.size(), width);
}

std::string fixedText(double value, int decimals)
{
    std::string out;
    appendFixed(out, value, 0, decimals);
    return out;
}

} // namespace vork
