#include "analyzer/engine/nc_resequence.h"

#include "platform/numbers.h"

#include <optional>

namespace vork {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string notWholeNumber(const char* field, std::string_view text)
{
    return std::string(field) + ": \"" + std::string(text) + "\" is not a valid whole number.";
}

// Hands out the block numbers: past the widest number the sequence starts again at the
// increment (9990, then 10, 20 with four digits).
class NumberSequence {
public:
    explicit NumberSequence(const ResequenceOptions& options)
        : m_options(options), m_next(options.start)
    {
    }

    std::string next()
    {
        std::string t = std::to_string(m_next);
        if (t.size() > static_cast<std::size_t>(m_options.digits)) {
            m_next = m_options.increment;
            t = std::to_string(m_next);
        }
        if (m_options.leadingZeros && t.size() < static_cast<std::size_t>(m_options.digits))
            t.insert(0, static_cast<std::size_t>(m_options.digits) - t.size(), '0');
        m_next += m_options.increment;
        return t;
    }

private:
    const ResequenceOptions& m_options;
    std::int64_t m_next;
};

void resequenceLine(std::string& line, const ResequenceOptions& options, NumberSequence& numbers)
{
    if (line.empty())
        return;
    const char c = line[0];
    const bool blockLetter =
        c == '/' || c == 'H' || c == 'N' || (options.resequenceOBlocks && c == 'O');
    bool slash = false;
    char letter = 'N';
    std::size_t oldLength = 0; // the old number text is always the start of the line
    if (blockLetter) {
        std::size_t pos = 1;
        if (c == '/') {
            slash = true;
            if (line.size() > 1 && (line[1] == 'H' || line[1] == 'N' || line[1] == 'O')) {
                letter = line[1];
                pos = 2;
            }
        } else {
            letter = c;
        }
        while (pos < line.size() && (isDigit(line[pos]) || (options.remove && line[pos] == ' ')))
            ++pos;
        oldLength = pos;
    } else if (options.skipCharacters.find(c) != std::string::npos) {
        return;
    }

    const std::string number = numbers.next(); // counted even when removing
    std::string t;
    if (!options.remove)
        t = letter + number;
    // The block-delete mark is part of the program, not of the number: removing the
    // numbers must not make optional blocks run every time.
    if (slash)
        t.insert(0, 1, '/');
    line.replace(0, oldLength, t);
}

} // namespace

std::string ReadResequenceNumbers(std::string_view start, std::string_view increment,
                                  std::string_view digits, ResequenceOptions& options)
{
    const std::optional<std::int64_t> n = platform::parseInteger(start);
    if (!n)
        return notWholeNumber(ResequenceStartField, start);
    const std::optional<std::int64_t> d = platform::parseInteger(increment);
    if (!d)
        return notWholeNumber(ResequenceIncrementField, increment);
    const std::optional<std::int64_t> m = platform::parseInteger(digits);
    if (!m)
        return notWholeNumber(ResequenceDigitsField, digits);
    options.start = *n;
    options.increment = *d;
    options.digits = *m;
    return {};
}

std::string CheckResequenceOptions(const ResequenceOptions& options)
{
    if (options.start < 0)
        return std::string(ResequenceStartField) + " must be 0 or more.";
    if (options.increment < 1)
        return std::string(ResequenceIncrementField) + " must be 1 or more.";
    if (options.digits < 1 || options.digits > 9)
        return std::string(ResequenceDigitsField) + " must be from 1 to 9.";
    // A wider increment would give every line the same number, wider than allowed.
    if (std::to_string(options.increment).size() > static_cast<std::size_t>(options.digits))
        return std::string(ResequenceIncrementField) + " must have at most " +
               std::to_string(options.digits) + " digits.";
    return {};
}

std::string ResequenceLines(std::vector<std::string>& lines, const ResequenceOptions& options)
{
    std::string error = CheckResequenceOptions(options);
    if (!error.empty())
        return error;
    NumberSequence numbers(options);
    for (std::string& line : lines)
        resequenceLine(line, options, numbers);
    return {};
}

} // namespace vork
