#pragma once
// Number fields appended to a line in place: the same text as strFixed and strInt
// (right-aligned, never cut, ties of the decimals rounded away from zero), written without
// building a string per number, so that a listing line of a million-block run costs a
// fraction of a microsecond.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Appends `value` with exactly `decimals` decimals, right-aligned in `width`.
void appendFixed(std::string& out, double value, int width, int decimals);
// Appends `value` right-aligned in `width`.
void appendInt(std::string& out, std::int64_t value, int width);
// Appends `text` right-aligned in `width` (never cut).
void appendRight(std::string& out, std::string_view text, int width);

// The text alone, for callers that want a string.
std::string fixedText(double value, int decimals);

} // namespace platform
