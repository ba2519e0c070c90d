#include "workspace/engine/bmacro_interpreter.h"

#include "workspace/engine/bmacro_expression.h"
#include "workspace/engine/scratch_files.h"

#include "math/engine/mathlib.h"
#include "platform/file_replace.h"
#include "platform/scratch_file.h"
#include "platform/format.h"
#include "platform/linestream.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace mrw {

namespace {

constexpr const char* ErrorCaption = "Error";
constexpr int AlarmVariable = 3000;
constexpr int PositionX = 5001;
constexpr int LargestVariable = 32767;

// The argument letters of a call and the variables they set.
struct ArgumentLetter {
    char letter;
    int variable;
};
constexpr std::array<ArgumentLetter, 21> ArgumentLetters{{
    {'A', 1},  {'B', 2},  {'C', 3},  {'I', 4},  {'J', 5},  {'K', 6},  {'D', 7},
    {'E', 8},  {'F', 9},  {'H', 11}, {'M', 13}, {'Q', 17}, {'R', 18}, {'S', 19},
    {'T', 20}, {'U', 21}, {'V', 22}, {'W', 23}, {'X', 24}, {'Y', 25}, {'Z', 26},
}};

// The argument variables saved at a call and restored at its return, in this order.
constexpr std::array<int, 21> SavedArguments{1, 2, 3, 7, 8, 9, 11, 4, 5, 6, 13, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isNumberChar(char c) { return isDigit(c) || c == '+' || c == '-' || c == '.'; }
bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool isModalMotion(std::int64_t g)
{
    return (g >= 0 && g <= 3) || (g >= 40 && g <= 42) || (g >= 81 && g <= 91) || g == 94 || g == 95;
}

// The value of a word: the character after the letter's first occurrence and every
// further digit, sign or point; nothing when that does not read as a number.
std::optional<double> wordValue(std::string_view line, char letter)
{
    const auto at = line.find(letter);
    if (at == std::string_view::npos || at + 1 >= line.size())
        return std::nullopt;
    std::size_t end = at + 2;
    while (end < line.size() && isNumberChar(line[end]))
        ++end;
    return platform::parseReal(line.substr(at + 1, end - at - 1));
}

// The index of the "]" that closes the "[" at `open`, or npos.
std::size_t matchingBracket(std::string_view text, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        if (text[i] == '[')
            ++depth;
        else if (text[i] == ']' && --depth == 0)
            return i;
    }
    return std::string_view::npos;
}

void eraseFirst(std::string& text, std::string_view word)
{
    const auto at = text.find(word);
    if (at != std::string::npos)
        text.erase(at, word.size());
}

// The lines in front of a called program's first block: a file as it comes from a tape
// starts with "%" (and may hold blank lines), and its program number follows, which a
// control would take for the start of a new program if it were written. A file without
// a program-number line starts its blocks right after the "%".
int programHead(const std::vector<std::string>& lines)
{
    std::size_t head = 0;
    while (head < lines.size()) {
        const std::string_view text = platform::trimBlanks(lines[head]);
        if (!text.empty() && text != "%")
            break;
        ++head;
    }
    if (head < lines.size()) {
        const std::string_view text = platform::trimBlanks(lines[head]);
        if (text.size() > 1 && (text[0] == 'O' || text[0] == 'o') && text[1] >= '0' && text[1] <= '9')
            ++head;
    }
    return static_cast<int>(head);
}

} // namespace

std::string SubProgramFileName(int format, std::int64_t number)
{
    const std::string n = std::to_string(number);
    switch (format) {
    case 1:
        return "O" + n;
    case 2:
        return n + ".TAP";
    case 3:
        return n;
    case 4:
        return n + ".SUB";
    case 5:
        return "O" + n + ".SUB";
    default:
        return "O" + n + ".TAP";
    }
}

std::optional<int> DigitsRightFromText(std::string_view text)
{
    const vork::RealConversion conversion = vork::ConvertReal(platform::trimBlanks(text));
    if (conversion.errorIndex != 0 || conversion.overflow)
        return std::nullopt;
    const std::int64_t digits = platform::roundHalfEven(conversion.value);
    if (digits < 0 || digits > 15)
        return std::nullopt;
    return static_cast<int>(digits);
}

// ---- The interpreter -------------------------------------------------------------

// Counts the warning and error boxes shown through it.
class BMacroInterpreter::Boxes : public platform::Prompter {
public:
    explicit Boxes(platform::Prompter& inner) : m_inner(inner) {}
    platform::Button message(const std::string& caption, const std::string& text, platform::MessageKind kind,
                             platform::Buttons buttons) override
    {
        if (kind == platform::MessageKind::Error || kind == platform::MessageKind::Warning)
            ++errors;
        return m_inner.message(caption, text, kind, buttons);
    }
    bool inputString(const std::string& caption, const std::string& prompt, std::string& value) override
    {
        return m_inner.inputString(caption, prompt, value);
    }
    int errors = 0;

private:
    platform::Prompter& m_inner;
};


BMacroInterpreter::BMacroInterpreter(BMacroOptions options, BMacroSink& sink, BMacroConsole& console,
                                     platform::Prompter& prompter)
    : m_options(std::move(options)), m_sink(sink), m_console(console),
      m_boxes(std::make_unique<Boxes>(prompter))
{
}

BMacroInterpreter::~BMacroInterpreter() = default;

std::optional<double> BMacroInterpreter::variable(int number) const { return lookUp(number); }

void BMacroInterpreter::reset()
{
    for (tcodebuff& level : ncfiles) {
        level.fname.clear();
        level.owned.clear();
        level.buff = &m_noLines;
        level.nlines = 0;
        level.lnum = 1;
        level.ntimes = 0;
        level.itype = 0;
        level.lvars.fill(0.0);
        level.head = 1;
    }
    inputlevel = 0;
    Line = 0;
    varlist.fill(Slot{});
    m_slotOf.fill(-1);
    m_used = 0;
    store(PositionX, 0.0);
    store(PositionX + 1, 0.0);
    store(PositionX + 2, 0.0);
    Gmode = -1;
    G66Mode = false;
    thestate = States::sNormal;
    m_result = BMacroResult{};
    m_boxes->errors = 0;
}

void BMacroInterpreter::finish(BMacroEnd how)
{
    if (thestate == States::sDone)
        return;
    thestate = States::sDone;
    m_result.end = how;
}

void BMacroInterpreter::showError(const std::string& text)
{
    m_boxes->message(ErrorCaption, text, platform::MessageKind::Error, platform::Buttons::Ok);
}

void BMacroInterpreter::fail(const std::string& text)
{
    showError(text);
    finish(BMacroEnd::Error);
}

double BMacroInterpreter::toReal(std::string_view text) { return vork::StrToReal(text, m_boxes.get()); }

BMacroResult BMacroInterpreter::run(const std::vector<std::string>& memo, const std::vector<std::string>& program)
{
    reset();
    for (const std::string& line : memo) {
        if (thestate == States::sDone)
            break;
        Linest = line;
        prepareLine(Linest, true);
        executeLine(Linest);
    }

    const int g = static_cast<int>(program.size());
    ncfiles[0].buff = &program;
    ncfiles[0].nlines = g;
    Line = 0;
    if (g == 0)
        finish(BMacroEnd::EndOfProgram);
    while (thestate != States::sDone) {
        ++Line;
        const std::string text = fetchLine(Line);
        const auto percent = std::clamp<std::int64_t>(platform::roundHalfEven(100.0 * Line / g), 0, 100);
        m_console.showLine(Line, text, static_cast<int>(percent));
        if (thestate == States::sDone)
            break;
        Linest = text;
        prepareLine(Linest, true);
        executeLine(Linest);
        if (inputlevel == 0 && ncfiles[0].nlines <= Line)
            finish(BMacroEnd::EndOfProgram);
        if (m_console.stopRequested())
            finish(BMacroEnd::Cancelled);
    }
    ncfiles[0].buff = &m_noLines;
    for (tcodebuff& level : ncfiles)
        level.owned = {};
    m_result.errorShown = m_boxes->errors > 0;
    return m_result;
}

std::string BMacroInterpreter::fetchLine(int n)
{
    const tcodebuff& level = ncfiles[static_cast<std::size_t>(inputlevel)];
    if (n < 1 || n > level.nlines) {
        finish(inputlevel == 0 ? BMacroEnd::EndOfProgram : BMacroEnd::OutOfLines);
        return {};
    }
    return (*level.buff)[static_cast<std::size_t>(n - 1)];
}

const std::string& BMacroInterpreter::levelLine(int n) const
{
    return (*ncfiles[static_cast<std::size_t>(inputlevel)].buff)[static_cast<std::size_t>(n - 1)];
}

void BMacroInterpreter::prepareLine(std::string& line, bool keepComment)
{
    oldcmt.clear();
    const std::string& start = m_options.CmtStart;
    if (!start.empty()) {
        std::size_t at;
        while ((at = line.find(start)) != std::string::npos) {
            // The comment ends with the whole end mark, however many characters it has.
            std::size_t end = line.size();
            if (!m_options.CmtEnd.empty()) {
                const auto close = line.find(m_options.CmtEnd, at + start.size());
                if (close != std::string::npos)
                    end = close + m_options.CmtEnd.size();
            }
            if (keepComment)
                oldcmt = line.substr(at, end - at);
            line.erase(at, end - at);
        }
    }
    vork::StripBlanks(line);
    if (!line.empty() && line.front() == 'N') {
        std::size_t end = 1;
        while (end < line.size() && isNumberChar(line[end]))
            ++end;
        line.erase(0, end);
    }
}

void BMacroInterpreter::executeLine(std::string line)
{
    // A holding IF leaves the rest of its line to this same table: a loop, not a call,
    // so a line may chain any number of IFs. IFs at the start are passed over by
    // position and the line is cut once, so a long chain costs no more than its length.
    for (;;) {
        std::size_t from = 0;
        while (line.compare(from, 2, "IF") == 0) {
            const std::optional<std::size_t> after = conditionAt(line, from);
            if (!after)
                return;
            from = *after;
            if (line.compare(from, 4, "THEN") == 0)
                from += 4;
            else if (const auto then = line.find("THEN", from); then != std::string::npos)
                line.erase(then, 4);
        }
        line.erase(0, from);
        if (contains(line, "DEBUG"))
            return;
        if (contains(line, "POPEN") || contains(line, "PCLOS") || contains(line, "DPRNT"))
            return;
        if (contains(line, "G67")) {
            G66Mode = false;
            return;
        }
        if (contains(line, "G65") || contains(line, "G66")) {
            const int kind = contains(line, "G66") ? 66 : 65;
            if (substitute(line))
                call(line, kind);
            return;
        }
        if (contains(line, "M98")) {
            if (substitute(line))
                call(line, 98);
            return;
        }
        if (contains(line, "M99")) {
            returnFromCall();
            return;
        }
        if (contains(line, "IF")) {
            if (!condition(line))
                return;
            eraseFirst(line, "THEN");
            continue;
        }
        if (contains(line, "WHILE")) {
            if (!condition(line))
                skipPastEnd(line);
            return;
        }
        if (contains(line, "DO"))
            return;
        if (contains(line, "END")) {
            jumpBackToDo(line);
            return;
        }
        if (contains(line, "GOTO")) {
            gotoLine(std::move(line));
            return;
        }
        if (contains(line, "=")) {
            assign(std::move(line));
            return;
        }
        writeLine(std::move(line));
        return;
    }
}

// ---- Variables and substitution --------------------------------------------------

std::optional<double> BMacroInterpreter::lookUp(int number) const
{
    if (number < 0 || number > LargestVariable)
        return std::nullopt;
    const int slot = m_slotOf[static_cast<std::size_t>(number)];
    if (slot < 0)
        return std::nullopt;
    return varlist[static_cast<std::size_t>(slot)].value;
}

bool BMacroInterpreter::store(int number, double value)
{
    std::int16_t& slot = m_slotOf[static_cast<std::size_t>(number)];
    if (slot < 0) {
        if (m_used >= VariableCount) {
            fail(platform::format("More than %d] Variables Defined", {VariableCount}));
            return false;
        }
        slot = static_cast<std::int16_t>(m_used++);
        varlist[static_cast<std::size_t>(slot)].number = static_cast<std::int16_t>(number);
    }
    varlist[static_cast<std::size_t>(slot)].value = value;
    return true;
}

std::string BMacroInterpreter::valueText(double value) const { return platform::formatFixed(value, m_options.Digr); }

bool BMacroInterpreter::substituteVariables(std::string& text)
{
    std::size_t from = 0;
    std::size_t at;
    while ((at = text.find('#', from)) != std::string::npos) {
        std::size_t end = at + 1;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        std::optional<long long> number;
        for (std::size_t i = at + 1; i < end; ++i)
            number = std::min<long long>(number.value_or(0) * 10 + (text[i] - '0'), LargestVariable + 1);
        if (!number || *number > LargestVariable) {
            showError("Bad variable Reference\n" + text);
            return false;
        }
        const auto value = lookUp(static_cast<int>(*number));
        if (!value) {
            showError(platform::format("Variable [%d] Not Defined", {*number}));
            return false;
        }
        std::string replacement = valueText(*value);
        std::size_t replaceFrom = at;
        // A sign in front of a negative value combines with it.
        if (replacement.front() == '-' && at > 0 && (text[at - 1] == '-' || text[at - 1] == '+')) {
            const char sign = text[at - 1];
            const std::string size = replacement.substr(1);
            const bool binary = at >= 2 && (isDigit(text[at - 2]) || text[at - 2] == '.' || text[at - 2] == ']' ||
                                            text[at - 2] == ')');
            replaceFrom = at - 1;
            if (sign == '+')
                replacement = "-" + size;
            else
                replacement = binary ? "+" + size : size;
        }
        text.replace(replaceFrom, end - replaceFrom, replacement);
        from = replaceFrom + replacement.size();
    }
    return true;
}

bool BMacroInterpreter::substituteBrackets(std::string& text)
{
    std::size_t open;
    while ((open = text.find('[')) != std::string::npos) {
        const std::size_t close = matchingBracket(text, open);
        if (close == std::string::npos) {
            showError("Unbalanced Brackets [] in Expression\n" + text);
            return false;
        }
        const std::string group = text.substr(open, close - open + 1);
        const vork::ExpressionResult result = EvaluateMacroExpression(group);
        if (!result.ok()) {
            showError("Cannot Evaluate Expression\n" + MacroEvalErrorText(result.code) + "\n" +
                      vork::MarkErrorPosition(group, result.position, ">>"));
            return false;
        }
        text.replace(open, group.size(), valueText(result.value));
    }
    return true;
}

// ---- Conditions, loops and jumps -------------------------------------------------

bool BMacroInterpreter::condition(std::string& line)
{
    const std::optional<std::size_t> after = conditionAt(line, 0);
    if (after)
        line.erase(0, *after);
    return after.has_value();
}

std::optional<std::size_t> BMacroInterpreter::conditionAt(const std::string& line, std::size_t from)
{
    const std::size_t open = line.find('[', from);
    const std::size_t close = open == std::string::npos ? open : matchingBracket(line, open);
    if (close == std::string::npos) {
        showError("Unbalanced Brackets [] in Expression\n" + line.substr(from));
        return std::nullopt;
    }
    const std::string text = line.substr(open, close - open + 1);
    static constexpr std::array<std::string_view, 6> operators{"EQ", "NE", "GT", "LT", "GE", "LE"};
    std::size_t split = std::string::npos;
    std::string_view op;
    for (std::string_view candidate : operators) {
        split = text.find(candidate);
        if (split != std::string::npos) {
            op = candidate;
            break;
        }
    }
    if (split == std::string::npos) {
        showError("Invalid Logical Operator\n" + line.substr(from));
        return std::nullopt;
    }
    std::string left = text.substr(0, split) + "]";
    std::string right = "[" + text.substr(split + 2);
    if (!substitute(left) || !substitute(right))
        return std::nullopt;
    const double a = toReal(left);
    const double b = toReal(right);
    bool holds = false;
    if (op == "EQ")
        holds = vork::IsNearZero(a - b);
    else if (op == "NE")
        holds = !vork::IsNearZero(a - b);
    else if (op == "GT")
        holds = a > b;
    else if (op == "LT")
        holds = a < b;
    else if (op == "GE")
        holds = a >= b;
    else
        holds = a <= b;
    if (!holds)
        return std::nullopt;
    return close + 1;
}

std::optional<int> BMacroInterpreter::loopNumber(const std::string& line, std::string_view word)
{
    const auto at = line.find(word);
    if (at == std::string::npos)
        return std::nullopt;
    const std::int64_t n = platform::roundHalfEven(toReal(std::string_view(line).substr(at + word.size())));
    return static_cast<int>(std::clamp<std::int64_t>(n, -1000000, 1000000));
}

bool BMacroInterpreter::checkLoopNumber(const std::optional<int>& number, const std::string& line)
{
    if (!number) {
        fail("Invalid \"DO/END\" Statement\n" + line);
        return false;
    }
    if (*number < 1 || *number > 3) {
        fail(platform::format("\"DO/END\" Number out or Range [%d]", {*number}));
        return false;
    }
    return true;
}

void BMacroInterpreter::skipPastEnd(const std::string& line)
{
    const auto number = loopNumber(line, "DO");
    if (!checkLoopNumber(number, line))
        return;
    for (int i = Line + 1; i <= ncfiles[static_cast<std::size_t>(inputlevel)].nlines; ++i) {
        std::string candidate = levelLine(i);
        prepareLine(candidate, false);
        if (loopNumber(candidate, "END") == number) {
            Line = i;
            return;
        }
    }
    fail(platform::format("Target DO/END number [%d] Not Found", {*number}));
}

void BMacroInterpreter::jumpBackToDo(const std::string& line)
{
    const auto number = loopNumber(line, "END");
    if (!checkLoopNumber(number, line))
        return;
    for (int i = Line - 1; i >= 1; --i) {
        std::string candidate = levelLine(i);
        prepareLine(candidate, false);
        if (loopNumber(candidate, "DO") == number) {
            Line = i - 1;
            return;
        }
    }
    fail(platform::format("Target DO/END number [%d] Not Found", {*number}));
}

void BMacroInterpreter::gotoLine(std::string line)
{
    eraseFirst(line, "GOTO");
    const std::string target = std::to_string(platform::roundHalfEven(toReal(line)));
    for (int i = 1; i <= ncfiles[static_cast<std::size_t>(inputlevel)].nlines; ++i) {
        std::string candidate = levelLine(i);
        vork::StripBlanks(candidate);
        if (candidate.empty() || candidate.front() != 'N')
            continue;
        std::size_t end = 1;
        while (end < candidate.size() && isDigit(candidate[end]))
            ++end;
        if (end == 1)
            continue;
        std::string_view digits = std::string_view(candidate).substr(1, end - 1);
        while (digits.size() > 1 && digits.front() == '0')
            digits.remove_prefix(1);
        if (digits == target) {
            Line = i - 1;
            return;
        }
    }
    fail("GOTO: Target Line \"N" + target + "\" Not Found");
}

// ---- Assignment and writing ------------------------------------------------------

void BMacroInterpreter::assign(std::string line)
{
    if (line.front() != '#') {
        fail("First Character of a Variable Assignment Must be \"#\"\n" + line);
        return;
    }
    const std::string statement = line;
    line.erase(0, 1);
    const std::size_t equals = line.find('=');
    std::string left = line.substr(0, equals);
    substituteVariables(left);
    const vork::ExpressionResult number = EvaluateMacroExpression(left);
    if (!number.ok()) {
        fail("Cannot Evaluate Left Side of Assignment\n" + MacroEvalErrorText(number.code) + "\n" +
             vork::MarkErrorPosition(left, number.position, ">>"));
        return;
    }
    std::string right = line.substr(equals + 1);
    substituteVariables(right);
    const vork::ExpressionResult value = EvaluateMacroExpression(right);
    if (!value.ok()) {
        fail("Cannot Evaluate Right Side of Assignment\n" + MacroEvalErrorText(value.code) + "\n" +
             vork::MarkErrorPosition(right, value.position, ">>"));
        return;
    }
    const std::int64_t variableNumber = platform::roundHalfEven(number.value);
    if (variableNumber < 0 || variableNumber > LargestVariable) {
        fail("Bad variable Reference\n" + statement);
        return;
    }
    double result = value.value;
    if (contains(oldcmt, "??") && !m_console.askValue(oldcmt, result)) {
        fail("Macro Alarm #3000\nMSG= \nNUM= " + valueText(0.0));
        return;
    }
    if (variableNumber == AlarmVariable) {
        fail("Macro Alarm #3000\nMSG= " + oldcmt + "\nNUM= " + valueText(result));
        return;
    }
    store(static_cast<int>(variableNumber), result);
}

void BMacroInterpreter::writeLine(std::string line)
{
    if (substitute(line)) {
        const auto g = line.find('G');
        if (g != std::string::npos && g + 1 < line.size()) {
            std::size_t end = g + 2;
            while (end < line.size() && isNumberChar(line[end]))
                ++end;
            const auto word = std::string_view(line).substr(g + 1, end - g - 1);
            const auto code = contains(word, ".") ? std::nullopt : platform::parseInteger(word);
            if (code && isModalMotion(*code))
                Gmode = static_cast<int>(*code);
        }
        if (Gmode >= 0) {
            static constexpr std::array<char, 3> absolute{'X', 'Y', 'Z'};
            static constexpr std::array<char, 3> incremental{'U', 'V', 'W'};
            for (std::size_t axis = 0; axis < 3; ++axis) {
                const int variable = PositionX + static_cast<int>(axis);
                if (const auto v = wordValue(line, absolute[axis]))
                    store(variable, *v);
                if (const auto v = wordValue(line, incremental[axis]))
                    store(variable, lookUp(variable).value_or(0.0) + *v);
            }
        }
        std::string written = line;
        if (m_options.KeepComments)
            written += oldcmt;
        if (!written.empty() && !m_sink.writeLine(written))
            finish(BMacroEnd::Error);
    }
    if (!m_options.StopCode.empty() && contains(line, m_options.StopCode))
        finish(BMacroEnd::StopCode);
}

// ---- Calls and returns -----------------------------------------------------------

void BMacroInterpreter::call(const std::string& line, int kind)
{
    const std::int64_t program = platform::truncToInt(wordValue(line, 'P').value_or(0.0));
    const std::string wanted =
        platform::joinPath(m_options.SubFolder, SubProgramFileName(m_options.SubFormat, program));
    const std::string path = platform::resolveCaseInsensitive(wanted);
    if (!platform::fileExists(path)) {
        m_boxes->message("Information", "Sub File Not Found: " + path, platform::MessageKind::Information,
                         platform::Buttons::Ok);
        fail("Sub Program File Not Found " + path);
        return;
    }
    if (inputlevel >= MaxLevel) {
        fail(platform::format("Sub Program Nested Greater Than %d Levels", {MaxLevel}));
        return;
    }
    auto lines = platform::readTextLines(path);
    if (!lines) {
        fail("Cannot Read Sub Program File " + path);
        return;
    }
    tcodebuff& caller = ncfiles[static_cast<std::size_t>(inputlevel)];
    caller.lnum = Line;
    for (std::size_t i = 0; i < SavedArguments.size(); ++i)
        caller.lvars[i] = lookUp(SavedArguments[i]).value_or(0.0);
    ++inputlevel;
    tcodebuff& called = ncfiles[static_cast<std::size_t>(inputlevel)];
    const auto times = wordValue(line, 'L');
    called.ntimes = times ? platform::truncToInt(*times) : 1;
    called.fname = path;
    called.owned = std::move(*lines);
    called.buff = &called.owned;
    called.nlines = static_cast<int>(called.owned.size());
    called.head = programHead(called.owned);
    Line = called.head;
    called.itype = kind;
    if (kind == 65 || kind == 66)
        passArguments(line);
    if (kind == 66) {
        G66Mode = true;
        ncfiles[0].lnum -= 1;
    }
}

void BMacroInterpreter::passArguments(const std::string& line)
{
    for (const ArgumentLetter& argument : ArgumentLetters) {
        const auto value = wordValue(line, argument.letter);
        if (!value)
            continue;
        if (!store(argument.variable, *value))
            return;
        if (argument.letter >= 'X')
            store(PositionX + (argument.letter - 'X'), *value);
    }
}

void BMacroInterpreter::returnFromCall()
{
    if (inputlevel == 0) {
        finish(BMacroEnd::MainReturn);
        return;
    }
    if (G66Mode) {
        tcodebuff& main = ncfiles[0];
        main.lnum += 1;
        Line = ncfiles[static_cast<std::size_t>(inputlevel)].head;
        if (main.lnum < 0 || main.lnum >= main.nlines) {
            // The G67 never came: the main program has no argument line left.
            finish(BMacroEnd::EndOfProgram);
            return;
        }
        std::string arguments = (*main.buff)[static_cast<std::size_t>(main.lnum)];
        prepareLine(arguments, false);
        if (substitute(arguments))
            passArguments(arguments);
        if (!contains(arguments, "G67"))
            return;
        G66Mode = false;
    }
    tcodebuff& current = ncfiles[static_cast<std::size_t>(inputlevel)];
    if (current.ntimes > 1) {
        --current.ntimes;
        Line = current.head;
        return;
    }
    const tcodebuff& caller = ncfiles[static_cast<std::size_t>(inputlevel - 1)];
    if (current.itype == 65 || current.itype == 66) {
        for (std::size_t i = 0; i < SavedArguments.size(); ++i)
            if (!store(SavedArguments[i], caller.lvars[i]))
                return;
    }
    current.owned = {};
    current.buff = &m_noLines;
    current.nlines = 0;
    --inputlevel;
    Line = caller.lnum;
}

// ---- One run into a file ---------------------------------------------------------

namespace {

class FileSink : public BMacroSink {
public:
    explicit FileSink(platform::LineWriter& writer) : m_writer(writer) {}
    bool writeLine(std::string_view line) override
    {
        m_writer.writeLine(line);
        return true;
    }

private:
    platform::LineWriter& m_writer;
};

// The output while a run writes it: a file beside the output, put in its place only when
// the run finishes, so the output's name never holds a program cut short (it holds the
// earlier run's program until then). A device or other special file is written as it is.
class PendingOutput {
public:
    explicit PendingOutput(std::string path) : m_target(std::move(path)) {}
    ~PendingOutput() { discard(); }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    // False when the output cannot be written (also an existing file the user may not
    // write, and a name that is no file: a FIFO or device).
    bool open()
    {
        m_replacement = std::make_unique<platform::FileReplacement>();
        return m_replacement->begin(m_target) &&
               m_writer.adopt(m_replacement->openStream(), m_target);
    }
    platform::LineWriter& writer() { return m_writer; }
    // True when the output is written beside its name, so that what stands under the name
    // is kept when the run does not finish.
    bool beside() const { return m_replacement != nullptr; }
    bool close() { return m_writer.close(); }
    bool commit() { return !beside() || static_cast<bool>(m_replacement->commit()); }
    void discard()
    {
        m_writer.close();
        m_replacement.reset(); // an uncommitted replacement leaves no file
    }

private:
    std::string m_target;
    std::unique_ptr<platform::FileReplacement> m_replacement;
    platform::LineWriter m_writer;
};

// Why a run that did not finish left the output as it was, and what stands under its name.
std::string unfinishedText(BMacroEnd end, const std::string& path, bool earlierOutput)
{
    const char* why = end == BMacroEnd::Cancelled    ? "The run was cancelled."
                      : end == BMacroEnd::OutOfLines ? "A called program ran past its last line without M99."
                                                     : "The run ended on an error.";
    return std::string(why) + "\n" +
           (earlierOutput ? "The earlier output " + path + " was kept as it was."
                          : "Nothing was written to " + path + ".");
}

} // namespace

bool BMacroResult::finished() const
{
    return end == BMacroEnd::EndOfProgram || end == BMacroEnd::StopCode || end == BMacroEnd::MainReturn;
}

BMacroResult RunBMacroJob(BMacroJob job, const std::vector<std::string>& program, BMacroConsole& console,
                          platform::Prompter& prompter)
{
    BMacroResult result;
    const auto digits = DigitsRightFromText(job.Digr);
    if (!digits) {
        prompter.message(ErrorCaption,
                         "Digits Right \"" + job.Digr + "\" must be a whole number from 0 to 15\n"
                                                        "Correct it in the Setup and run again",
                         platform::MessageKind::Error, platform::Buttons::Ok);
        result.errorShown = true;
        return result;
    }
    if (platform::fileKind(job.OutputFile) == platform::FileKind::NotRegular) {
        prompter.message(ErrorCaption, platform::notRegularFileText(job.OutputFile), platform::MessageKind::Error,
                         platform::Buttons::Ok);
        result.errorShown = true;
        return result;
    }
    const bool earlierOutput = platform::fileExists(job.OutputFile);
    if (earlierOutput &&
        prompter.message("Information", "Output File Already Exists, Overwrite", platform::MessageKind::Information,
                         platform::Buttons::YesNo) != platform::Button::Yes)
        return result;

    std::string why;
    if (!job.VariablesFile.empty() && !writeScratchLines(job.VariablesFile, job.Memo, &why))
        prompter.message("Warning", "Cannot Save the Pre-Defined Variables to " + job.VariablesFile + "\n" + why,
                         platform::MessageKind::Warning, platform::Buttons::Ok);

    PendingOutput output(job.OutputFile);
    if (!output.open()) {
        prompter.message(ErrorCaption, "Cannot Create Output File " + job.OutputFile, platform::MessageKind::Error,
                         platform::Buttons::Ok);
        result.errorShown = true;
        return result;
    }
    job.Options.Digr = *digits;
    job.Options.SubFolder = platform::folderPart(job.OutputFile);
    FileSink sink(output.writer());
    BMacroInterpreter interpreter(job.Options, sink, console, prompter);
    result = interpreter.run(job.Memo, program);
    if (!output.close() || (result.finished() && !output.commit())) {
        prompter.message(ErrorCaption, "Cannot Write Output File " + job.OutputFile, platform::MessageKind::Error,
                         platform::Buttons::Ok);
        result.end = BMacroEnd::Error;
        result.errorShown = true;
    }
    if (!result.finished() && output.beside()) {
        output.discard();
        prompter.message("Information", unfinishedText(result.end, job.OutputFile, earlierOutput),
                         platform::MessageKind::Information, platform::Buttons::Ok);
    }
    return result;
}

} // namespace mrw
