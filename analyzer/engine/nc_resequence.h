#pragma once
// Renumbering and removal of block numbers over a whole NC text. The line rule
// (`BlockNumbering`) serves the analyzer's editor and MRW2013's NC utilities alike; the
// programs differ only in which letters they take for block numbers.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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

// The one line rule for block numbers. A line that begins with "/" keeps that mark
// (block delete): the number goes after it, and removing the number leaves the "/".
struct BlockNumberRule {
    std::string letters;      // a line beginning with one of these carries a block number
    std::string slashLetters; // letters taken as the number's letter right after "/"
    char newLetter = 'N';     // letter of a number put in front of a line
    std::string skipCharacters;
    bool remove = false;      // drop the numbers (and the blanks after them)
    bool leadingZeros = false;
    std::int64_t start = 10;
    std::int64_t increment = 10;
    std::int64_t digits = 4;  // widest number; past it the sequence starts again at the increment
};

class BlockNumbering {
public:
    explicit BlockNumbering(BlockNumberRule rule) : m_rule(std::move(rule)), m_next(m_rule.start) {}

    // Renumbers (or unnumbers) one line in place. Empty lines and lines that begin with
    // a skip character are left alone and use no number.
    void apply(std::string& line);

private:
    std::string nextNumber();

    BlockNumberRule m_rule;
    std::int64_t m_next;
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
