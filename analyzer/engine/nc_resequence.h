#pragma once
// Renumbering and removal of block numbers over a whole NC text for the analyzer's editor.
// MRW2013 has a resequencing of its own with different rules; nothing is shared with it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vork {

// A line whose first character is one of these keeps its text (unless it starts with a
// block letter).
inline constexpr const char* DefaultResequenceSkipCharacters = "<(%=$#OE\\^@:";

// Field captions, used to name the field in error messages.
inline constexpr const char* ResequenceStartField = "Start Number";
inline constexpr const char* ResequenceIncrementField = "Number Increment";
inline constexpr const char* ResequenceDigitsField = "Max number of Digits";

struct ResequenceOptions {
    std::int64_t start = 10;
    std::int64_t increment = 10;
    std::int64_t digits = 4;         // widest number; also the width for leading zeros
    std::string skipCharacters = DefaultResequenceSkipCharacters;
    bool remove = false;             // drop the numbers (and the blanks after them)
    bool leadingZeros = false;
    bool resequenceOBlocks = false;  // "O" lines are numbered like "N" lines
};

// Reads the three number fields as typed. Returns "" and sets them in options, or a
// message naming the first field that is not a whole number (options unchanged).
std::string ReadResequenceNumbers(std::string_view start, std::string_view increment,
                                  std::string_view digits, ResequenceOptions& options);

// "" when the options can be applied, otherwise a message naming the field.
std::string CheckResequenceOptions(const ResequenceOptions& options);

// Applies the line rule to every line, first to last, in one pass. Options are checked
// first: on error the message is returned and no line is changed.
std::string ResequenceLines(std::vector<std::string>& lines, const ResequenceOptions& options);

} // namespace vork
