// Evaluations per second of a few typical entry-field and macro expressions.
#include "math/engine/expression.h"
#include "workspace/engine/bmacro_expression.h"

#include <chrono>
#include <cstdio>
#include <string_view>

namespace {

template <typename Evaluate>
void measure(const char* label, std::string_view text, Evaluate evaluate)
{
    constexpr int Rounds = 1'000'000;
    double sum = 0.0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Rounds; ++i)
        sum += evaluate(text).value;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-10s %-28s %12.0f evaluations/s  (sum %g)\n", label, std::string(text).c_str(),
                Rounds / elapsed.count(), sum);
}

} // namespace

int main()
{
    const auto analyzer = [](std::string_view t) { return vork::EvaluateExpression(t); };
    const auto macro = [](std::string_view t) { return mrw::EvaluateMacroExpression(t); };
    measure("analyzer", "1.25", analyzer);
    measure("analyzer", "2.5+3*4/2-1", analyzer);
    measure("analyzer", "25.4%", analyzer);
    measure("analyzer", "SQRT(3^2+4^2)*COS(30DR)", analyzer);
    measure("b-macro", "12.5*SIN30+ROUND(2.5)", macro);
    measure("b-macro", "[1.5+2]*[3-0.25]/FUP2.1", macro);
    return 0;
}
