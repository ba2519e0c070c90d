#include "math/engine/expression.h"

#include "platform/host.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vork {

namespace {

// Brackets and function arguments nest at most this deep; deeper text is refused
// instead of exhausting the stack.
constexpr int MaxNesting = 200;
// The current character once the text is read to its end.
constexpr char EndOfText = '\0';

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool isOpener(char c) { return c == '(' || c == '[' || c == '{'; }
bool isCloser(char c) { return c == ')' || c == ']' || c == '}'; }
bool isOperator(char c) { return c == '*' || c == '+' || c == '-' || c == '/' || c == '^'; }

bool isLegal(char c)
{
    return isDigit(c) || isLetter(c) || isOpener(c) || isCloser(c) || isOperator(c) || c == ' ' ||
           c == '!' || c == '.';
}

// A result no operation may leave behind: infinity or not-a-number.
double keepFinite(double value, EvalFlags& flags)
{
    if (std::isfinite(value))
        return value;
    flags.tooLarge = true;
    return 0.0;
}

double power(double base, double exponent, EvalFlags& flags)
{
    const bool fractional = exponent != std::trunc(exponent);
    if (base == 0.0) {
        if (exponent > 0.0)
            return 0.0;
        flags.complex = true;
        return 0.0;
    }
    if (base < 0.0 && fractional) {
        flags.complex = true;
        return 0.0;
    }
    const long double logBase = std::log(static_cast<long double>(std::fabs(base)));
    if (OverflowsOperation('*', static_cast<double>(logBase), exponent)) {
        flags.tooLarge = true;
        return 0.0;
    }
    const long double product = logBase * exponent;
    if (product > 85.0L) {
        flags.tooLarge = true;
        return 0.0;
    }
    const double magnitude = static_cast<double>(std::exp(product));
    const bool odd = std::fmod(std::trunc(std::fabs(exponent)), 2.0) == 1.0;
    return base < 0.0 && odd ? -magnitude : magnitude;
}

class Parser {
public:
    Parser(std::string_view text, const ExpressionDialect& dialect, EvalFlags& flags)
        : m_text(text), m_size(static_cast<int>(text.size())), m_dialect(dialect), m_flags(flags)
    {
    }

    double run()
    {
        nextChar();
        const double value = parseExpression();
        if (ok() && m_ch != EndOfText)
            m_code = ExprSyntax;
        return value;
    }

    int code() const { return m_code; }
    int index() const { return m_index; }

private:
    bool ok() const { return m_code == ExprOk && !m_flags.failed(); }

    // Reads the next character that is not a blank; past the end the character is
    // EndOfText. An illegal character sets error 1 whatever was set before.
    void nextChar()
    {
        do {
            if (m_index > m_size) {
                m_ch = EndOfText;
                return;
            }
            ++m_index;
            if (m_index > m_size) {
                m_ch = EndOfText;
                return;
            }
            m_ch = m_text[static_cast<std::size_t>(m_index - 1)];
            if (!isLegal(m_ch))
                m_code = ExprIllegalCharacter;
        } while (m_ch == ' ');
    }

    // The current character stands for "*" and is read again after it.
    void implicitMultiply()
    {
        m_ch = '*';
        --m_index;
    }

    bool startsOperand(char c) const { return c == '.' || isDigit(c) || isOpener(c) || isLetter(c); }

    double apply(char op, double left, double right)
    {
        if (op == '/' && right == 0.0) {
            m_flags.divZero = true;
            return 0.0;
        }
        if (OverflowsOperation(op, left, right)) {
            m_flags.tooLarge = true;
            return 0.0;
        }
        switch (op) {
        case '+': return keepFinite(left + right, m_flags);
        case '-': return keepFinite(left - right, m_flags);
        case '*': return keepFinite(left * right, m_flags);
        default: return keepFinite(left / right, m_flags);
        }
    }

    double parseExpression()
    {
        if (!ok())
            return 0.0;
        const bool outerArgument = m_argumentPending;
        m_argumentPending = false;
        bool negate = false;
        if (m_ch == '+' || m_ch == '-') {
            negate = m_ch == '-';
            nextChar();
        }
        double value = parseTerm();
        if (negate)
            value = -value;
        while (ok() && (m_ch == '+' || m_ch == '-')) {
            const char op = m_ch;
            nextChar();
            const double right = parseTerm();
            value = apply(op, value, right);
        }
        m_argumentPending = outerArgument;
        return value;
    }

    double parseTerm()
    {
        if (!ok())
            return 0.0;
        double value = parsePower();
        if (ok() && startsOperand(m_ch))
            implicitMultiply();
        while (ok() && (m_ch == '*' || m_ch == '/')) {
            const char op = m_ch;
            nextChar();
            const double right = parsePower();
            value = apply(op, value, right);
            if (ok() && startsOperand(m_ch))
                implicitMultiply();
        }
        return value;
    }

    double parsePower()
    {
        if (!ok())
            return 0.0;
        double value = parseUnary();
        while (ok() && m_ch == '^') {
            nextChar();
            const double exponent = parseUnary();
            value = power(value, exponent, m_flags);
        }
        return value;
    }

    double parseUnary()
    {
        if (!ok())
            return 0.0;
        if (m_ch == '-') {
            nextChar();
            return -parseFactor();
        }
        return parseFactor();
    }

    double parseFactor()
    {
        if (!ok())
            return 0.0;
        if (m_nesting >= MaxNesting) {
            m_code = ExprParenthesis;
            return 0.0;
        }
        ++m_nesting;
        double value = 0.0;
        if (isDigit(m_ch) || m_ch == '.')
            value = parseNumber();
        else if (isOpener(m_ch))
            value = parseBracket();
        else
            value = parseName();
        if (ok() && !m_argumentPending && m_ch == '!') {
            value = Factorial(value, m_flags);
            nextChar();
        }
        --m_nesting;
        return value;
    }

    double parseNumber()
    {
        const int start = m_index;
        while (isDigit(m_ch))
            nextChar();
        if (m_ch == '.') {
            nextChar();
            while (isDigit(m_ch))
                nextChar();
        }
        if (m_ch == 'E') {
            const int exponentAt = m_index;
            nextChar();
            if (m_ch == 'X') {
                // The "E" begins EXP: 2EXP1 is 2 times e.
                m_index = exponentAt;
                m_ch = 'E';
            } else if (isDigit(m_ch) || m_ch == '+' || m_ch == '-') {
                nextChar();
                while (isDigit(m_ch))
                    nextChar();
            } else {
                m_code = ExprRealFormat;
                return 0.0;
            }
        }
        const int stop = std::min(m_index, m_size + 1);
        std::string number;
        for (int i = start; i < stop; ++i) {
            const char c = m_text[static_cast<std::size_t>(i - 1)];
            if (c != ' ')
                number.push_back(c);
        }
        if (number.front() == '.')
            number.insert(number.begin(), '0');
        if (number.back() == '.')
            number.push_back('0');
        const RealConversion conversion = ConvertReal(number);
        if (conversion.overflow) {
            m_flags.tooLarge = true;
            return 0.0;
        }
        if (conversion.errorIndex != 0) {
            m_code = ExprRealFormat;
            m_index = start + conversion.errorIndex;
            return 0.0;
        }
        return conversion.value;
    }

    double parseBracket()
    {
        nextChar();
        const double value = parseExpression();
        if (ok() && isCloser(m_ch)) {
            nextChar();
            if (ok() && startsOperand(m_ch) && !isOpener(m_ch))
                implicitMultiply();
            return value;
        }
        m_code = ExprParenthesis;
        return 0.0;
    }

    const ExpressionName* matchName() const
    {
        if (m_index > m_size)
            return nullptr;
        const std::string_view rest = m_text.substr(static_cast<std::size_t>(m_index - 1));
        for (const ExpressionName& entry : m_dialect.names) {
            if (rest.starts_with(entry.name))
                return &entry;
        }
        return nullptr;
    }

    double parseName()
    {
        const ExpressionName* entry = matchName();
        if (!entry) {
            m_code = isLetter(m_ch) ? ExprIllegalFunction : ExprSyntax;
            return 0.0;
        }
        m_index += static_cast<int>(entry->name.size()) - 1;
        nextChar();
        if (!entry->function)
            return entry->constant;
        m_argumentPending = true;
        const double argument = parseFactor();
        double value = ok() ? keepFinite(entry->function(argument, m_flags), m_flags) : 0.0;
        m_argumentPending = false;
        if (ok() && m_ch == '!') {
            value = Factorial(value, m_flags);
            nextChar();
        }
        return value;
    }

    std::string_view m_text;
    int m_size;
    const ExpressionDialect& m_dialect;
    EvalFlags& m_flags;
    int m_index = 0;
    char m_ch = EndOfText;
    int m_code = ExprOk;
    bool m_argumentPending = false;
    int m_nesting = 0;
};

// ---- The functions of the tables -------------------------------------------------

double absolute(double x, EvalFlags&) { return std::fabs(x); }

double squareRoot(double x, EvalFlags& flags)
{
    if (x < 0.0) {
        flags.complex = true;
        return 0.0;
    }
    return std::sqrt(x);
}

double square(double x, EvalFlags& flags)
{
    if (std::fabs(x) >= 1e19) {
        flags.tooLarge = true;
        return 0.0;
    }
    return x * x;
}

double naturalLog(double x, EvalFlags& flags)
{
    if (x < 0.0) {
        flags.complex = true;
        return 0.0;
    }
    if (x == 0.0) {
        flags.tooLarge = true;
        return 0.0;
    }
    return std::log(x);
}

double commonLog(double x, EvalFlags& flags) { return naturalLog(x, flags) / std::log(10.0); }

double exponential(double x, EvalFlags& flags)
{
    if (x >= 85.0) {
        flags.tooLarge = true;
        return 0.0;
    }
    return x <= -85.0 ? 0.0 : std::exp(x);
}

double wholePart(double x, EvalFlags&) { return std::trunc(x); }
double nearestEven(double x, EvalFlags&) { return std::nearbyint(x); }

double fractionUp(double x, EvalFlags&)
{
    const double whole = std::trunc(x);
    return x - whole > 0.0 ? whole + 1.0 : x;
}

double sine(double x, EvalFlags&) { return std::sin(x); }
double cosine(double x, EvalFlags&) { return std::cos(x); }
double arcTangent(double x, EvalFlags&) { return std::atan(x); }

constexpr double ExactDegrees = 0.017453292519943295;
constexpr double ExactRadians = 57.29577951308232;

constexpr std::array<ExpressionName, 28> AnalyzerNames{{
    {"PI", Pi},
    {"ABS", 0, absolute},
    {"SQRT", 0, squareRoot},
    {"SQR", 0, square},
    {"LN", 0, naturalLog},
    {"LOG", 0, commonLog},
    {"EXP", 0, exponential},
    {"FACT", 0, Factorial},
    {"DR", ExactDegrees},
    {"SINH", 0, HypSine},
    {"COSH", 0, HypCosine},
    {"TANH", 0, HypTangent},
    {"SECH", 0, HypSecant},
    {"CSCH", 0, HypCosecant},
    {"COTH", 0, HypCotangent},
    {"RD", ExactRadians},
    {"D", 0.5},
    {"FT", 12.0},
    {"INT", 0, wholePart},
    {"SIN", 0, sine},
    {"COS", 0, cosine},
    {"TAN", 0, Tangent},
    {"SEC", 0, Secant},
    {"CSC", 0, Cosecant},
    {"COT", 0, Cotangent},
    {"ASIN", 0, ArcSine},
    {"ACOS", 0, ArcCosine},
    {"ATAN", 0, arcTangent},
}};

// The workspace table: ROUND, FIX and FUP after INT, and the shorter degree constants.
constexpr std::array<ExpressionName, 31> makeWorkspaceNames()
{
    std::array<ExpressionName, 31> names{};
    std::size_t out = 0;
    for (const ExpressionName& entry : AnalyzerNames) {
        names[out++] = entry;
        if (entry.name == "INT") {
            names[out++] = {"ROUND", 0, nearestEven};
            names[out++] = {"FIX", 0, wholePart};
            names[out++] = {"FUP", 0, fractionUp};
        }
    }
    for (ExpressionName& entry : names) {
        if (entry.name == "DR")
            entry.constant = WorkspaceDegreesToRadians;
        if (entry.name == "RD")
            entry.constant = WorkspaceRadiansToDegrees;
    }
    return names;
}

constexpr std::array<ExpressionName, 31> WorkspaceNames = makeWorkspaceNames();

} // namespace

const ExpressionDialect& AnalyzerExpressions()
{
    static const ExpressionDialect dialect{AnalyzerNames};
    return dialect;
}

const ExpressionDialect& WorkspaceExpressions()
{
    static const ExpressionDialect dialect{WorkspaceNames};
    return dialect;
}

ExpressionResult EvaluateExpression(std::string_view text, const ExpressionDialect& dialect)
{
    EvalFlags flags;
    std::string withoutPercent;
    if (const std::size_t percent = text.find('%'); percent != std::string_view::npos) {
        flags.metric = true;
        withoutPercent = std::string(text.substr(0, percent)) + std::string(text.substr(percent + 1));
        text = withoutPercent;
    }

    Parser parser(text, dialect, flags);
    ExpressionResult result;
    const double value = parser.run();
    result.code = parser.code();
    if (!flags.defined)
        result.code = ExprUndefined;
    else if (flags.tooLarge)
        result.code = ExprTooLarge;
    else if (flags.complex)
        result.code = ExprComplex;
    else if (flags.divZero)
        result.code = ExprDivisionByZero;
    else if (text.find("..") != std::string_view::npos)
        result.code = ExprIllegalCharacter;

    if (result.code == ExprOk) {
        result.value = flags.metric ? value * MillimetresToInches : value;
        return result;
    }
    int position = parser.index();
    switch (result.code) {
    case ExprRealFormat:
    case ExprUndefined:
    case ExprTooLarge:
    case ExprComplex:
    case ExprDivisionByZero: --position; break;
    default: break;
    }
    result.position = std::clamp(position, 1, static_cast<int>(text.size()) + 1);
    return result;
}

std::string EvalErrorText(int code)
{
    static constexpr std::array<std::string_view, 9> texts{
        "Illegal character",   "Incorrect syntax",    "Illegal or missing parenthese",
        "Incorrect real format", "Illegal function",  "Result is undefined",
        "Result is too large", "Result is complex",   "Division by zero"};
    if (code < 1 || code > 9)
        return "Undefined";
    return std::string(texts[static_cast<std::size_t>(code - 1)]);
}

std::string MarkErrorPosition(std::string_view text, int position, std::string_view marker)
{
    const auto at = static_cast<std::size_t>(std::clamp(position, 1, static_cast<int>(text.size()) + 1) - 1);
    std::string marked(text.substr(0, at));
    marked += marker;
    marked += text.substr(at);
    return marked;
}

double EvalEditExpression(ExpressionEntry& field, platform::Prompter& prompter,
                          const ExpressionDialect& dialect)
{
    std::string text = field.text();
    if (text.empty())
        text = "0.0";
    UpperCaseInPlace(text);
    const ExpressionResult result = EvaluateExpression(text, dialect);
    if (result.ok()) {
        field.setText(RealToShortStr(false, result.value));
        return result.value;
    }
    // The position counts in the text without its first "%"; the field still holds it.
    int position = result.position;
    if (const std::size_t percent = text.find('%');
        percent != std::string::npos && static_cast<int>(percent) < position)
        ++position;
    prompter.message("Warning",
                     "Error in Expression      \n\n" + EvalErrorText(result.code) + "\n\n" +
                         MarkErrorPosition(text, position, " >>"),
                     platform::MessageKind::Warning, platform::Buttons::Ok);
    field.takeFocus();
    return 0.0;
}

} // namespace vork
