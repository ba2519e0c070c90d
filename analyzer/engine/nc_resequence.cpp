#include "analyzer/engine/nc_resequence.h"

#include "platform/numbers.h"

#include <optional>
#include <utility>

namespace vork {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string notWholeNumber(const char* field, std::string_view text)
{
    return std::string(field) + ": \"" + std::string(text) + "\" is not a valid whole number.";
}

} // namespace

// Past the widest number the sequence starts again at the increment (9990, then 10, 20
// with four digits).
std::string BlockNumbering::nextNumber()
{
    std::string t = std::to_string(m_next);
    if (t.size() > static_cast<std::size_t>(m_rule.digits)) {
        m_next = m_rule.increment;
        t = std::to_string(m_next);
    }
    if (m_rule.leadingZeros && t.size() < static_cast<std::size_t>(m_rule.digits))
        t.insert(0, static_cast<std::size_t>(m_rule.digits) - t.size(), '0');
    m_next += m_rule.increment;
    return t;
}

void BlockNumbering::apply(std::string& line)
{
    if (line.empty())
        return;
    const char c = line[0];
    const bool slash = c == '/';
    char letter = m_rule.newLetter;
    std::size_t oldLength = 0; // the old number text is always the start of the line
    if (slash || m_rule.letters.find(c) != std::string::npos) {
        std::size_t pos = 1;
        if (!slash)
            letter = c;
        else if (line.size() > 1 && m_rule.slashLetters.find(line[1]) != std::string::npos) {
            letter = line[1];
            pos = 2;
        }
        while (pos < line.size() && (isDigit(line[pos]) || (m_rule.remove && line[pos] == ' ')))
            ++pos;
        oldLength = pos;
    } else if (m_rule.skipCharacters.find(c) != std::string::npos) {
        return;
    }

    const std::string number = nextNumber(); // counted even when removing
    std::string t;
    if (!m_rule.remove)
        t = letter + number;
    // The block-delete mark is part of the program, not of the number: removing the
    // numbers must not make optional blocks run every time.
    if (slash)
        t.insert(0, 1, '/');
    line.replace(0, oldLength, t);
}

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
    BlockNumberRule rule;
    rule.letters = options.resequenceOBlocks ? "HNO" : "HN";
    rule.slashLetters = "HNO";
    rule.skipCharacters = options.skipCharacters;
    rule.remove = options.remove;
    rule.leadingZeros = options.leadingZeros;
    rule.start = options.start;
    rule.increment = options.increment;
    rule.digits = options.digits;
    BlockNumbering numbering(std::move(rule));
    for (std::string& line : lines)
        numbering.apply(line);
    return {};
}

} // namespace vork
