#include "workspace/engine/nc_word_utilities.h"

#include "workspace/engine/machine_database.h"
#include "workspace/engine/nc_numbers.h"

#include "math/engine/mathlib.h"

#include <cmath>

namespace mrw {

namespace {

bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

bool isDigitOrPoint(char c)
{
    return (c >= '0' && c <= '9') || c == '.';
}

// The end of the word that begins with the letter at `at`.
std::size_t wordEnd(std::string_view text, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < text.size() && isNumberChar(text[end]))
        ++end;
    return end;
}

// `letter` + the value in a format, or nothing when the value is not finite.
std::optional<std::string> wordFor(char letter, int mode, int L, int R, double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    return std::string(1, letter) + FormatNCNumber(mode, L, R, value);
}

// Where a motion code stands as a code of its own: not followed by a digit or a point
// (so "G0" is not found inside "G02").
std::size_t findCode(std::string_view text, std::string_view code)
{
    if (code.empty())
        return std::string_view::npos;
    for (std::size_t at = text.find(code); at != std::string_view::npos; at = text.find(code, at + 1)) {
        const std::size_t after = at + code.size();
        if (after >= text.size() || !isDigitOrPoint(text[after]))
            return at;
    }
    return std::string_view::npos;
}

// True when the code was found (and replaced).
bool replaceCode(std::string& text, const std::string& oldCode, const std::string& newCode)
{
    const std::size_t at = findCode(text, oldCode);
    if (at == std::string::npos)
        return false;
    text.replace(at, oldCode.size(), newCode);
    return true;
}

} // namespace

void rewriteRegisterWords(std::string& line, const CommentMarks& marks, const std::function<bool(char)>& isRegister,
                          const std::function<std::optional<std::string>(std::string_view word)>& rewrite)
{
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (marks.opensComment(c)) {
            i = marks.runEnd(line, i);
            continue;
        }
        if (!isRegister(c)) {
            ++i;
            continue;
        }
        std::size_t end = wordEnd(line, i);
        if (end > i + 1) {
            if (const auto word = rewrite(std::string_view(line).substr(i, end - i))) {
                line.replace(i, end - i, *word);
                end = i + word->size();
            }
        }
        i = end;
    }
}

std::optional<NcConventions> readConventions(const MachineSettings& s, platform::Prompter& prompter)
{
    const auto left = readWholeNumber(s.Digl, "Digits Left", 0, 15, prompter);
    const auto right = left ? readWholeNumber(s.Digr, "Digits Right", 0, 15, prompter) : std::nullopt;
    const auto feed = right ? readWholeNumber(s.FeedDigits, "Feed Digits", 0, 15, prompter) : std::nullopt;
    if (!feed)
        return std::nullopt;
    return NcConventions{commentMarksOf(s), s.RapCode,  s.Lincode,
                         s.CWcode,          s.CCwcode,  NumberFormatMode(s),
                         static_cast<int>(*left), static_cast<int>(*right), static_cast<int>(*feed)};
}

// ---- Feed / speed override -----------------------------------------------------------

void DoFeedSpeedOverride(BatchContext& context, const MachineSettings& machine, int feedPercent, int speedPercent)
{
    const auto format = readConventions(machine, context.prompter);
    if (!format)
        return;
    const double feedFactor = feedPercent / 100.0;
    const double speedFactor = speedPercent / 100.0;
    const CommentMarks& marks = format->comments;
    runLineBatch(context, "Overriding Feeds/Speeds ...", [&](std::string& line) {
        rewriteRegisterWords(line, marks, [](char c) { return c == 'F'; }, [&](std::string_view word) {
            const auto value = ReadNCNumber(word, format->mode, format->digitsLeft, format->feedDigits);
            return value ? wordFor('F', format->mode, format->digitsLeft, format->feedDigits, *value * feedFactor)
                         : std::nullopt;
        });
        rewriteRegisterWords(line, marks, [](char c) { return c == 'S'; }, [&](std::string_view word) {
            const auto value = ReadNCNumber(word, ncformat::Decimal, 3, 4);
            return value ? wordFor('S', ncformat::Integer, 4, 0, *value * speedFactor) : std::nullopt;
        });
    });
}

// ---- Arithmetic ----------------------------------------------------------------------

void DoArithmetic(BatchContext& context, const MachineSettings& machine)
{
    const ArithmeticOptions& o = machine.Arith;
    const double amount = vork::StrToReal(o.Amount, &context.prompter);
    const auto format = readConventions(machine, context.prompter);
    if (!format)
        return;
    const std::string registers = o.Regs;
    const int operation = o.Operation;
    runLineBatch(context, "Arithmetic ...", [&](std::string& line) {
        rewriteRegisterWords(
            line, format->comments,
            [&](char c) { return isAsciiLetter(c) && registers.find(c) != std::string::npos; },
            [&](std::string_view word) -> std::optional<std::string> {
                const auto value = ReadNCNumber(word, format->mode, format->digitsLeft, format->digitsRight);
                if (!value)
                    return std::nullopt;
                double result = *value;
                switch (operation) {
                case 1: result += amount; break;
                case 2: result -= amount; break;
                case 3: result *= amount; break;
                case 4: result /= amount; break;
                default: break;
                }
                return wordFor(word.front(), format->mode, format->digitsLeft, format->digitsRight, result);
            });
    });
}

// ---- Reformat ------------------------------------------------------------------------

void ReformatStep::operator()(std::string& line) const
{
    auto [code, comments] = from.comments.splitCodeAndComments(line);
    if (options.Cbgcode) {
        replaceCode(code, from.rapid, to.rapid);
        replaceCode(code, from.linear, to.linear);
        const bool clockwiseChanged = replaceCode(code, from.clockwise, to.clockwise);
        // When the arc codes swap, the clockwise code just written must not be turned
        // back; a line that held only the old counter-clockwise code still changes.
        if (!(clockwiseChanged && from.counterClockwise == to.clockwise))
            replaceCode(code, from.counterClockwise, to.counterClockwise);
    }
    if (options.Cbrefreg) {
        for (const char letter : options.Regs) {
            const std::size_t at = code.find(letter);
            if (at == std::string::npos)
                continue;
            const std::size_t end = wordEnd(code, at);
            const std::string word = code.substr(at, end - at);
            const bool feed = letter == 'F';
            const int rOld = feed ? from.feedDigits : from.digitsRight;
            const int rNew = feed ? to.feedDigits : to.digitsRight;
            auto value = word.size() > 1 ? ReadNCNumber(word, from.mode, from.digitsLeft, rOld) : std::nullopt;
            if (!value)
                continue;
            if (mixedOk && from.mode == ncformat::Decimal && word.find('.') == std::string::npos)
                *value /= RaiseToPower(10.0, rOld);
            if (const auto newWord = wordFor(letter, to.mode, to.digitsLeft, rNew, *value))
                code.replace(at, word.size(), *newWord);
        }
    }
    if (options.Cbusesub) {
        for (const SubstitutionRow& row : options.Rows) {
            if (row.Old.empty())
                continue;
            const std::size_t at = code.find(row.Old);
            if (at != std::string::npos)
                code.replace(at, row.Old.size(), row.New);
        }
    }
    if (options.Cbcmt && !comments.empty()) {
        const std::size_t head = std::min(from.comments.start.size(), comments.size());
        const std::size_t tail = std::min(from.comments.end.size(), comments.size() - head);
        const std::string inner = comments.substr(head, comments.size() - head - tail);
        comments = inner.empty() ? std::string() : to.comments.start + inner + to.comments.end;
    }
    line = code + comments;
}

void DoReformat(BatchContext& context, WorkspaceGlobals& globals, ReformatOptions options, bool mixedOk,
                std::string newMachine, const SelectMachine& selectMachine)
{
    // Both machines are checked before anything is loaded.
    const auto from = readConventions(globals.Machine.settings(), context.prompter);
    if (!from)
        return;
    MachineSettings target;
    machineDatabase(globals).loadMachine(newMachine, target);
    if (!readConventions(target, context.prompter))
        return;

    const MachineSettings oldSettings = globals.Machine.settings();
    const bool oldModified = globals.Machine.modified();
    LoadMachine(globals, newMachine);
    const auto to = readConventions(globals.Machine.settings(), context.prompter);
    if (!to) {
        // The database changed under us: every window goes back to the old machine.
        globals.Machine.settings() = oldSettings;
        globals.Machine.setModified(oldModified);
        globals.Machine.notifyReloaded();
        return;
    }
    const ReformatStep step{std::move(options), mixedOk, *from, *to};
    runLineBatch(context, "Reformatting ...", step);
    globals.CurrentMachineName = selectMachine(newMachine);
}

} // namespace mrw
