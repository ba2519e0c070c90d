#pragma once
// The B-macro interpreter's expressions: the workspace evaluator's grammar and names, but
// SIN, COS and TAN take degrees and ASIN, ACOS and ATAN give degrees (through the
// decimal constants DR and RD). Variables are replaced by their values before evaluation.
#include "math/engine/expression.h"

#include <string>
#include <string_view>

namespace mrw {

const vork::ExpressionDialect& MacroExpressions();

// Value, error code 0..9 and error position of one macro expression.
vork::ExpressionResult EvaluateMacroExpression(std::string_view text);

// The message of an error code; "Undefined" for a code outside 1..9.
std::string MacroEvalErrorText(int code);

} // namespace mrw
