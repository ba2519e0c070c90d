#include "workspace/engine/bmacro_expression.h"

#include <array>
#include <cmath>

namespace mrw {

namespace {

using vork::EvalFlags;
using vork::WorkspaceDegreesToRadians;
using vork::WorkspaceRadiansToDegrees;

double sineDegrees(double x, EvalFlags&) { return std::sin(x * WorkspaceDegreesToRadians); }
double cosineDegrees(double x, EvalFlags&) { return std::cos(x * WorkspaceDegreesToRadians); }

double tangentDegrees(double x, EvalFlags& flags)
{
    const double c = std::cos(x * WorkspaceDegreesToRadians);
    if (c == 0.0) {
        flags.divZero = true;
        return 0.0;
    }
    return std::sin(x * WorkspaceDegreesToRadians) / c;
}

double arcSineDegrees(double x, EvalFlags& flags) { return vork::ArcSine(x, flags) * WorkspaceRadiansToDegrees; }
double arcCosineDegrees(double x, EvalFlags& flags) { return vork::ArcCosine(x, flags) * WorkspaceRadiansToDegrees; }
double arcTangentDegrees(double x, EvalFlags&) { return std::atan(x) * WorkspaceRadiansToDegrees; }

// The workspace table with the six degree functions in place of the radian ones.
std::array<vork::ExpressionName, 31> makeMacroNames()
{
    const auto& workspace = vork::WorkspaceExpressions().names;
    std::array<vork::ExpressionName, 31> names{};
    std::copy(workspace.begin(), workspace.end(), names.begin());
    struct Replacement {
        std::string_view name;
        double (*function)(double, EvalFlags&);
    };
    static constexpr std::array<Replacement, 6> degreeFunctions{{
        {"SIN", sineDegrees},
        {"COS", cosineDegrees},
        {"TAN", tangentDegrees},
        {"ASIN", arcSineDegrees},
        {"ACOS", arcCosineDegrees},
        {"ATAN", arcTangentDegrees},
    }};
    for (vork::ExpressionName& entry : names) {
        for (const Replacement& r : degreeFunctions) {
            if (entry.name == r.name)
                entry.function = r.function;
        }
    }
    return names;
}

} // namespace

const vork::ExpressionDialect& MacroExpressions()
{
    static const std::array<vork::ExpressionName, 31> names = makeMacroNames();
    static const vork::ExpressionDialect dialect{names};
    return dialect;
}

vork::ExpressionResult EvaluateMacroExpression(std::string_view text)
{
    return vork::EvaluateExpression(text, MacroExpressions());
}

std::string MacroEvalErrorText(int code) { return vork::EvalErrorText(code); }

} // namespace mrw
