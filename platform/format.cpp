#include "platform/format.h"

#include "platform/numbers.h"

#include <cstdio>

namespace platform {

namespace {
std::string pad(std::string text, int width, bool left)
{
    if (width > static_cast<int>(text.size())) {
        const std::size_t n = static_cast<std::size_t>(width) - text.size();
        if (left)
            text.append(n, ' ');
        else
            text.insert(0, n, ' ');
    }
    return text;
}

std::string withThousands(const std::string& fixed)
{
    std::size_t start = fixed[0] == '-' ? 1 : 0;
    std::size_t dot = fixed.find('.');
    if (dot == std::string::npos)
        dot = fixed.size();
    std::string out = fixed.substr(dot);
    for (std::size_t i = dot, count = 0; i > start; --i, ++count) {
        if (count > 0 && count % 3 == 0)
            out.insert(0, 1, ',');
        out.insert(0, 1, fixed[i - 1]);
    }
    if (start)
        out.insert(0, 1, '-');
    return out;
}

std::string scientific(double value, int precision)
{
    // Mantissa with `precision` significant digits and at least three exponent digits.
    if (precision <= 0)
        precision = 15;
    const std::string s = strScientific(value);
    const bool negative = s[0] == '-';
    const std::size_t e = s.find('E');
    const double mantissa = std::stod(s.substr(1, e - 1)) * (negative ? -1 : 1);
    int exponent = std::stoi(s.substr(e + 1));
    std::string m = formatFixed(mantissa, precision - 1);
    if (m == "10" || m.rfind("10.", 0) == 0 || m.rfind("-10", 0) == 0) {
        ++exponent;
        m = formatFixed(mantissa / 10, precision - 1);
    }
    std::string exp = std::to_string(exponent < 0 ? -exponent : exponent);
    if (exp.size() < 3)
        exp.insert(0, 3 - exp.size(), '0');
    return m + "E" + (exponent < 0 ? "-" : "+") + exp;
}
}

std::string format(std::string_view pattern, std::initializer_list<FormatArg> args)
{
    std::string out;
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        ++i;
        if (pattern[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false;
        if (pattern[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
            width = width * 10 + (pattern[i++] - '0');
        int precision = -1;
        if (i < pattern.size() && pattern[i] == '.') {
            precision = 0;
            ++i;
            while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9')
                precision = precision * 10 + (pattern[i++] - '0');
        }
        if (i >= pattern.size())
            break;
        const char conv = static_cast<char>(pattern[i] | 0x20);
        if (next == args.end())
            continue;
        const auto& v = (next++)->value();
        std::string text;
        switch (conv) {
        case 'd':
        case 'u':
        case 'x': {
            std::int64_t n = 0;
            if (auto p = std::get_if<std::int64_t>(&v))
                n = *p;
            else if (auto d = std::get_if<double>(&v))
                n = truncToInt(*d);
            else
                break;
            if (conv == 'x') {
                char buffer[32];
                std::snprintf(buffer, sizeof buffer, pattern[i] == 'X' ? "%llX" : "%llx",
                              static_cast<unsigned long long>(n));
                text = buffer;
            } else {
                text = std::to_string(n < 0 ? -n : n);
            }
            if (precision > 0 && static_cast<int>(text.size()) < precision)
                text.insert(0, static_cast<std::size_t>(precision) - text.size(), '0');
            if (n < 0 && conv != 'x')
                text.insert(0, 1, '-');
            break;
        }
        case 'f':
        case 'n':
        case 'e': {
            double d = 0;
            if (auto p = std::get_if<double>(&v))
                d = *p;
            else if (auto n = std::get_if<std::int64_t>(&v))
                d = static_cast<double>(*n);
            else
                break;
            if (conv == 'e')
                text = scientific(d, precision < 0 ? 15 : precision);
            else {
                text = formatFixed(d, precision < 0 ? 2 : precision);
                if (conv == 'n')
                    text = withThousands(text);
            }
            break;
        }
        case 's':
            if (auto s = std::get_if<std::string>(&v))
                text = precision >= 0 ? s->substr(0, static_cast<std::size_t>(precision)) : *s;
            break;
        default:
            break;
        }
        out += pad(std::move(text), width, left);
    }
    return out;
}

} // namespace platform
