#include "workspace/engine/bmacro_expression.h"

#include <gtest/gtest.h>

#include <cmath>

using mrw::EvaluateMacroExpression;

TEST(BMacroExpressionTest, Table)
{
    struct Case {
        const char* text;
        double value;
        int code;
        int position;
    };
    const Case cases[] = {
        {"2+3*4", 14, 0, 0},
        {"-2^2", -4, 0, 0},
        {"3*-2^2", 12, 0, 0},
        {"2^3^2", 64, 0, 0},
        // degree trigonometry through the decimal constants
        {"SIN30", 0.4999999994818579, 0, 0},
        {"SIN 30", 0.4999999994818579, 0, 0},
        {"SIN[30]", 0.4999999994818579, 0, 0},
        {"ACOS0", 89.9999999951583, 0, 0},
        {"ATAN1", 44.99999999757915, 0, 0},
        {"ASIN1", 89.9999999951583, 0, 0},
        {"ACOS(-1)", 3.141592653589793 * 57.29577951, 0, 0},
        {"COS60", std::cos(60 * 0.0174532925), 0, 0},
        {"TAN45", std::sin(45 * 0.0174532925) / std::cos(45 * 0.0174532925), 0, 0},
        {"SEC0", 1, 0, 0},
        {"SEC60", 1 / std::cos(60.0), 0, 0},
        {"COT0", 0, 9, 4},
        {"ASIN2", 0, 8, 5},
        {"SIN-30", 0, 2, 4},
        {"23DR", 23 * 0.0174532925, 0, 0},
        {"2SIN30", 2 * 0.4999999994818579, 0, 0},
        // rounding names
        {"ROUND2.5", 2, 0, 0},
        {"ROUND3.5", 4, 0, 0},
        {"FIX-2.7", 0, 2, 4},
        {"FIX(-2.7)", -2, 0, 0},
        {"FUP2.1", 3, 0, 0},
        {"FUP(-2.5)", -2.5, 0, 0},
        {"FUP3", 3, 0, 0},
        {"INT 7.9", 7, 0, 0},
        // errors and edge cases
        {"0^2", 0, 0, 0},
        {"(-8)^(1/3)", 0, 8, 10},
        {"(-2)^3", -8, 0, 0},
        {"FACT33", 0, 7, 6},
        {"FACT2.5", 0, 6, 7},
        {"3!", 6, 0, 0},
        {"SIN30!", 0, 6, 6},
        {"%25.4", 25.4 * 0.039370078, 0, 0},
        {"%25.4%", 0, 1, 5},
        {"1..5", 0, 1, 5},
        {"2,5", 0, 1, 2},
        {"sin30", 0, 1, 1},
        {"2EXP1", 2 * std::exp(1.0), 0, 0},
        {"1E3", 1000, 0, 0},
        {"1E", 0, 4, 2},
        {"(2]", 2, 0, 0},
        {"(2", 0, 3, 3},
        {"FOO", 0, 5, 1},
        {"2)", 0, 2, 2},
        {"", 0, 2, 1},
        {"1/0", 0, 9, 3},
        {"2 3", 23, 0, 0},
        {"(1/0", 0, 9, 4},
    };
    for (const Case& c : cases) {
        const vork::ExpressionResult r = EvaluateMacroExpression(c.text);
        EXPECT_EQ(r.code, c.code) << '"' << c.text << '"';
        EXPECT_EQ(r.position, c.position) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(r.value, c.value) << '"' << c.text << '"';
    }
}

TEST(BMacroExpressionTest, ErrorTexts)
{
    EXPECT_EQ(mrw::MacroEvalErrorText(4), "Incorrect real format");
    EXPECT_EQ(mrw::MacroEvalErrorText(5), "Illegal function");
    EXPECT_EQ(mrw::MacroEvalErrorText(-1), "Undefined");
}
