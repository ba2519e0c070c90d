#pragma once
// The arithmetic expression language of every numeric entry field: one recursive-descent
// parser that computes as it reads; the names it knows (functions and constants) come
// from a table, so the analyzer, the workspace program and the B-macro interpreter each
// pass their own.
#include "math/engine/mathlib.h"

#include <span>
#include <string>
#include <string_view>

namespace platform {
class Prompter;
}

namespace vork {

// One name of a table: a constant when `function` is null, else a function of one argument
// that raises flags instead of failing.
struct ExpressionName {
    std::string_view name;
    double constant = 0.0;
    double (*function)(double, EvalFlags&) = nullptr;
};

// The names a dialect knows, tried in table order: the first name the text begins with wins.
struct ExpressionDialect {
    std::span<const ExpressionName> names;
};

// The degree constants DR and RD of the workspace program and the B-macro interpreter,
// exactly these decimal values.
inline constexpr double WorkspaceDegreesToRadians = 0.0174532925;
inline constexpr double WorkspaceRadiansToDegrees = 57.29577951;

// The analyzer's table: 28 names, angles in radians.
const ExpressionDialect& AnalyzerExpressions();
// The workspace program's table: the analyzer's with ROUND, FIX and FUP, and the shorter
// degree constants DR and RD.
const ExpressionDialect& WorkspaceExpressions();

// Error codes of an evaluation.
enum ExpressionError {
    ExprOk = 0,
    ExprIllegalCharacter = 1,
    ExprSyntax = 2,
    ExprParenthesis = 3,
    ExprRealFormat = 4,
    ExprIllegalFunction = 5,
    ExprUndefined = 6,
    ExprTooLarge = 7,
    ExprComplex = 8,
    ExprDivisionByZero = 9,
};

struct ExpressionResult {
    double value = 0.0;
    int code = ExprOk;
    // 1-based index of the character in front of which the error lies (at most one past
    // the end of the evaluated text, which is the text without its first "%"); 0 when ok.
    int position = 0;
    bool ok() const { return code == ExprOk; }
};

// Evaluates `text`. "%" anywhere marks millimetres: the first one is removed and the
// value converted to inches. The text must already be upper case.
ExpressionResult EvaluateExpression(std::string_view text,
                                    const ExpressionDialect& dialect = AnalyzerExpressions());

// "Illegal character" .. "Division by zero" for codes 1..9, "Undefined" for any other.
std::string EvalErrorText(int code);

// The text with " >>" put in front of the character at `position` (clamped to the text).
std::string MarkErrorPosition(std::string_view text, int position, std::string_view marker);

// An entry field that takes an expression.
class ExpressionEntry {
public:
    virtual ~ExpressionEntry() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void takeFocus() = 0;
};

// Evaluates the field's text (empty counts as 0). On success the field shows the value
// with 5 decimals and the value is returned; on an error the prompter shows a warning
// with the marked text, the field gets the focus back, keeps its text, and 0 is returned.
double EvalEditExpression(ExpressionEntry& field, platform::Prompter& prompter,
                          const ExpressionDialect& dialect = AnalyzerExpressions());

} // namespace vork
