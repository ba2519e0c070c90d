#pragma once
// printf-like formatting of texts the programs show and write, free of the locale and
// with the programs' rounding: %d %u %x %s %f %n %e %%, each with optional "-", width
// and ".precision". "%.3d" pads with zeros to three digits, "%2.1f" rounds ties away
// from zero (see formatFixed), "%n" is %f with thousands separated by ",".
// A missing or mismatched argument writes nothing for its conversion.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace platform {

class FormatArg {
public:
    FormatArg(int v) : m_value(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : m_value(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : m_value(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : m_value(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long v) : m_value(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : m_value(v) {}
    FormatArg(const char* v) : m_value(std::string(v)) {}
    FormatArg(std::string v) : m_value(std::move(v)) {}
    FormatArg(std::string_view v) : m_value(std::string(v)) {}

    const std::variant<std::int64_t, double, std::string>& value() const { return m_value; }

private:
    std::variant<std::int64_t, double, std::string> m_value;
};

std::string format(std::string_view pattern, std::initializer_list<FormatArg> args = {});

} // namespace platform
