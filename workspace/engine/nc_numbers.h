#pragma once
// The NC number format of MRW2013: how a value is written into, and read back from,
// the digits of an address word under a machine's number format. The NC utilities,
// the insert dialogs and the editor commands all write words through these.
#include <optional>
#include <string>
#include <string_view>

namespace mrw {

// Number format modes (the setup dialog's zero-format buttons, and the integer form).
namespace ncformat {
inline constexpr int Decimal = 1;         // explicit point, trailing zeros dropped
inline constexpr int LeadingZeros = 2;    // implied point after L digits
inline constexpr int TrailingZeros = 3;   // implied point before the last R digits
inline constexpr int LeadingTrailing = 4; // implied point, both paddings
inline constexpr int Integer = 5;         // whole part only
}

// The digits of a word for `value` under (mode, L digits left, R digits right), without
// the address letter: mode 1 (L 3, R 4) writes 1.5 as "1.5", mode 2 "0015", mode 3
// "15000", mode 4 "0015000". The fraction is rounded at R decimals, ties away from
// zero, and carries into the whole part (0.99996 -> "1."). Mode 5 with R = 0 writes the
// rounded magnitude without sign or padding. A value that is not finite gives "0".
std::string FormatNCNumber(int mode, int L, int R, double value);

// The value of a word's text under (mode, L, R); a leading letter is ignored. Empty
// text and text that does not read as a number under the mode give nothing.
std::optional<double> ReadNCNumber(std::string_view text, int mode, int L, int R);
// The same with 0 for nothing ("X1.5" in mode 2 gives 0).
double ParseNCNumber(std::string_view text, int mode, int L, int R);

// A letter A-Z or a-z (no other byte counts, whatever the locale).
bool isAsciiLetter(char c);

// base^exponent; 0 for a base near zero, 1 for an exponent near zero.
double RaiseToPower(double base, double exponent);

} // namespace mrw
