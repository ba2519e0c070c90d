#include "platform/numbers.h"

#include "platform/paths.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {
std::int64_t saturate(double r)
{
    if (std::isnan(r))
        return 0;
    if (r >= 9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::max();
    if (r <= -9.2233720368547758e18)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}


std::string padLeft(std::string text, int width)
{
    if (width > 0 && static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// Decimal digits and exponent of |x| with `significant` digits, exactly rounded.
struct Decimal {
    std::string digits; // no leading zeros unless x is 0
    int exponent = 0;   // value = 0.d1d2d3... * 10^exponent
};

Decimal toDecimal(double x, int significant)
{
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x),
                                   std::chars_format::scientific, significant - 1);
    const std::string s(buffer, res.ptr);
    Decimal d;
    const auto e = s.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (s[i] != '.')
            d.digits += s[i];
    d.exponent = std::stoi(s.substr(e + 1)) + 1;
    return d;
}
}

std::int64_t roundHalfEven(double x)
{
    return saturate(std::nearbyint(x));
}

std::int64_t truncToInt(double x)
{
    return saturate(std::trunc(x));
}

std::optional<double> parseReal(std::string_view text)
{
    std::string_view t = trimBlanks(text);
    if (!t.empty() && t.front() == '+') {
        t.remove_prefix(1);
        if (!t.empty() && (t.front() == '+' || t.front() == '-'))
            return std::nullopt;
    }
    if (t.empty())
        return std::nullopt;
    // from_chars accepts "inf" and "nan"; a number here is digits only.
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    std::string_view t = trimBlanks(text);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    if (t.empty())
        return std::nullopt;
    std::int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return std::nullopt;
    return value;
}

std::string formatFixed(double x, int decimals)
{
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x > 0 ? "+INF" : "-INF";
    if (decimals < 0)
        decimals = 0;
    const bool negative = std::signbit(x) && x != 0;
    std::string digits; // the fixed-point digits of |x| with `decimals` decimals
    if (x != 0) {
        Decimal d = toDecimal(x, 15);
        // Number of digits kept: those before the point plus the decimals.
        const int keep = d.exponent + decimals;
        if (keep < 0) {
            digits = "0";
        } else {
            std::string kept = d.digits.substr(0, static_cast<std::size_t>(std::min<int>(keep, 15)));
            while (static_cast<int>(kept.size()) < keep)
                kept += '0';
            const bool roundUp = keep < 15 && d.digits[static_cast<std::size_t>(keep)] >= '5';
            if (kept.empty())
                kept = "0";
            if (roundUp) {
                int i = static_cast<int>(kept.size()) - 1;
                if (keep == 0) {
                    kept = "1";
                } else {
                    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9')
                        kept[static_cast<std::size_t>(i--)] = '0';
                    if (i < 0)
                        kept.insert(0, "1");
                    else
                        ++kept[static_cast<std::size_t>(i)];
                }
            }
            digits = kept;
        }
    } else {
        digits = "0";
    }
    // digits now holds the value times 10^decimals as a whole number.
    while (static_cast<int>(digits.size()) < decimals + 1)
        digits.insert(0, "0");
    std::string out = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
    const auto first = out.find_first_not_of('0');
    out = first == std::string::npos ? "0" : out.substr(first);
    if (decimals > 0)
        out += "." + digits.substr(digits.size() - static_cast<std::size_t>(decimals));
    const bool allZero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !allZero)
        out.insert(0, "-");
    return out;
}

std::string formatShortest(double x)
{
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, res.ptr);
}

std::string strInt(std::int64_t value, int width)
{
    return padLeft(std::to_string(value), width);
}

std::string strFixed(double value, int width, int decimals)
{
    return padLeft(formatFixed(value, decimals), width);
}

std::string strScientific(double value, int width)
{
    std::string out;
    if (std::isnan(value) || std::isinf(value)) {
        out = formatFixed(value, 0);
    } else {
        const Decimal d = toDecimal(value, 15);
        const int exponent = value == 0 ? 0 : d.exponent - 1;
        out = std::signbit(value) && value != 0 ? "-" : " ";
        out += d.digits.substr(0, 1) + "." + d.digits.substr(1);
        const int absExp = exponent < 0 ? -exponent : exponent;
        std::string e = std::to_string(absExp);
        while (e.size() < 4)
            e.insert(0, "0");
        out += std::string("E") + (exponent < 0 ? "-" : "+") + e;
    }
    return padLeft(out, width);
}

} // namespace platform
