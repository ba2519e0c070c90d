#pragma once
// Numbers in files, on the serial line and in the windows never depend on the user's
// locale: these helpers always use "." and never consult LC_NUMERIC.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Whole number nearest to x, ties to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Values beyond the 64-bit range saturate; NaN gives 0.
std::int64_t roundHalfEven(double x);

// Whole part of x (towards zero), saturating like roundHalfEven.
std::int64_t truncToInt(double x);

// Reads a decimal number: optional blanks around, optional sign, digits with an optional
// "." and an optional exponent. The whole text must be the number.
std::optional<double> parseReal(std::string_view text);

// Reads a whole decimal number with optional sign and blanks around; the whole text must be it.
std::optional<std::int64_t> parseInteger(std::string_view text);

// x with exactly `decimals` digits after the ".", ties rounded away from zero on the
// decimal value as written with 15 significant digits (0.125 -> "0.13", 2.675 -> "2.68",
// -0.125 -> "-0.13"). A result that rounds to zero has no minus sign. NaN and infinities
// are written "NAN", "+INF", "-INF".
std::string formatFixed(double x, int decimals);

// Shortest text that reads back as the same double ("0.1", "1e+20").
std::string formatShortest(double x);

// Field formatting as the programs always wrote numbers into text: right-aligned in
// `width` characters (no truncation when longer).
std::string strInt(std::int64_t value, int width = 0);
std::string strFixed(double value, int width, int decimals);
// A real without decimals given: scientific form with 15 significant digits and a
// four-digit exponent, " 1.50000000000000E+0000", right-aligned in width (at least 23
// characters wide when width is smaller).
std::string strScientific(double value, int width = 0);

} // namespace platform
