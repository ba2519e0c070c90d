#include "math/engine/expression.h"

#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vork;

namespace {

struct Case {
    const char* text;
    double value;
    int code;
    int position;
};

void expectCases(const std::vector<Case>& cases, const ExpressionDialect& dialect)
{
    for (const Case& c : cases) {
        const ExpressionResult r = EvaluateExpression(c.text, dialect);
        EXPECT_EQ(r.code, c.code) << '"' << c.text << '"';
        EXPECT_EQ(r.position, c.position) << '"' << c.text << '"';
        EXPECT_NEAR(r.value, c.value, 1e-12 * std::max(1.0, std::fabs(c.value))) << '"' << c.text << '"';
    }
}

} // namespace

TEST(ExpressionTest, AnalyzerDialectTable)
{
    const double e = std::exp(1.0);
    expectCases(
        {
            // grammar and precedence
            {"2+3*4", 14, 0, 0},
            {"2^3^2", 64, 0, 0},
            {"-2^2", -4, 0, 0},
            {"3*-2^2", 12, 0, 0},
            {"2--3", 5, 0, 0},
            {"2^-1", 0.5, 0, 0},
            {"+5", 5, 0, 0},
            {"--2", 2, 0, 0},
            {"3*--2", 0, 2, 4},
            // implicit multiplication and blanks
            {"2PI", 2 * Pi, 0, 0},
            {"2 3", 23, 0, 0},
            {"1 . 5", 1.5, 0, 0},
            {"(2)3", 6, 0, 0},
            {"2(3)", 6, 0, 0},
            {"(2)(3)", 6, 0, 0},
            {"1.2.3", 0.36, 0, 0},
            {"3SIN 1", 3 * std::sin(1.0), 0, 0},
            {"(2]", 2, 0, 0},
            {"{1+[2*(3)]}", 7, 0, 0},
            {".5", 0.5, 0, 0},
            {"5.", 5, 0, 0},
            // factorial
            {"5!", 120, 0, 0},
            {"SQRT 16!", 24, 0, 0},
            {"SQRT(16)!", 24, 0, 0},
            {"SIN(3!)", std::sin(6.0), 0, 0},
            {"0!", 1, 0, 0},
            {"33!", 0, 7, 3},
            {"2.5!", 0, 6, 4},
            {"SIN 30!", 0, 6, 7},
            {"PI!", 0, 6, 3},
            {"FACT 5", 120, 0, 0},
            // powers
            {"0^2", 0, 0, 0},
            {"0^0", 0, 8, 3},
            {"(-8)^(1/3)", 0, 8, 10},
            {"(-2)^3", -8, 0, 0},
            {"(-2)^2", 4, 0, 0},
            {"10^37", 0, 7, 5},
            // errors
            {"1/0", 0, 9, 3},
            {"1/0*2", 0, 9, 3},
            {"LN 0", 0, 7, 4},
            {"LN(-1)", 0, 8, 6},
            {"LN -1", 0, 2, 4},
            {"SQRT(-4)", 0, 8, 8},
            {"EXP(-100)", 0, 0, 0},
            {"EXP 85", 0, 7, 6},
            {"1E5", 100000, 0, 0},
            {"1E-2", 0.01, 0, 0},
            {"1E", 0, 4, 2},
            {"1E+", 0, 4, 4},
            {"2EXP1", 2 * e, 0, 0},
            {"ABC", 0, 5, 1},
            {"2+", 0, 2, 3},
            {"*2", 0, 2, 1},
            {"(2", 0, 3, 3},
            {"(SINX)", 0, 3, 5},
            {"2)", 0, 2, 2},
            {"1..2", 0, 1, 5},
            {"sin 1", 0, 1, 1},
            {"2,5", 0, 1, 2},
            {"", 0, 2, 1},
            {"1\r", 0, 1, 2},
            {"1\t+2", 0, 1, 2},
            // metric
            {"25.4%", 25.4 * MillimetresToInches, 0, 0},
            {"%25.4", 25.4 * MillimetresToInches, 0, 0},
            {"10%%", 0, 1, 3},
            // the names and their order
            {"DR", 0.017453292519943295, 0, 0},
            {"RD", 57.29577951308232, 0, 0},
            {"D", 0.5, 0, 0},
            {"FT", 12, 0, 0},
            {"SQR 3", 9, 0, 0},
            {"SQR(-1E19)", 0, 7, 10},
            {"SINH 1", std::sinh(1.0), 0, 0},
            {"COSH 86", 0, 7, 7},
            {"CSCH 0", 0, 9, 6},
            {"INT(-2.7)", -2, 0, 0},
            {"ROUND 2.5", 0, 5, 1},
            {"ASIN 1", Pi / 2, 0, 0},
            {"ACOS(-1)", Pi, 0, 0},
            {"ACOS 2", 0, 8, 6},
            {"ATAN 1", Pi / 4, 0, 0},
            {"LOG 100", 2, 0, 0},
            {"ABS(-3)", 3, 0, 0},
            // the range of reals
            {"1E30*1E30", 0, 7, 9},
            {"1E30*1E30+1", 0, 7, 9},
            {"1E400", 0, 7, 5},
            {"1E-400", 0, 0, 0},
        },
        AnalyzerExpressions());
}

TEST(ExpressionTest, WorkspaceDialectAddsRoundFixFupAndShortDegreeConstants)
{
    expectCases(
        {
            {"ROUND 2.5", 2, 0, 0},
            {"ROUND3.5", 4, 0, 0},
            {"ROUND(-2.5)", -2, 0, 0},
            {"FIX 2.7", 2, 0, 0},
            {"FIX(-2.7)", -2, 0, 0},
            {"FIX 0.5", 0, 0, 0},
            {"FUP 2.1", 3, 0, 0},
            {"FUP 0.5", 1, 0, 0},
            {"FUP(-2.5)", -2.5, 0, 0},
            {"FUP 3", 3, 0, 0},
            {"DR", 0.0174532925, 0, 0},
            {"RD", 57.29577951, 0, 0},
            {"SIN(PI/2)", 1, 0, 0},
            {"FT+D", 12.5, 0, 0},
            {"FOO", 0, 5, 1},
        },
        WorkspaceExpressions());
}

TEST(ExpressionTest, DeepNestingIsRefusedNotOverflowingTheStack)
{
    const std::string deep(100000, '(');
    const ExpressionResult r = EvaluateExpression(deep + "1");
    EXPECT_EQ(r.code, ExprParenthesis);
    EXPECT_LE(r.position, static_cast<int>(deep.size()) + 2);

    std::string functions;
    for (int i = 0; i < 10000; ++i)
        functions += "ABS";
    EXPECT_NE(EvaluateExpression(functions + "1").code, ExprOk);

    EXPECT_DOUBLE_EQ(EvaluateExpression(std::string(50, '(') + "2" + std::string(50, ')')).value, 2.0);
}

TEST(ExpressionTest, ErrorMarkerStaysInsideTheText)
{
    EXPECT_EQ(MarkErrorPosition("1/0", 3, " >>"), "1/ >>0");
    EXPECT_EQ(MarkErrorPosition("(2", 3, " >>"), "(2 >>");
    EXPECT_EQ(MarkErrorPosition("(2", 99, " >>"), "(2 >>");
    EXPECT_EQ(MarkErrorPosition("ab", 0, ">>"), ">>ab");
    for (const char* text : {"1E+", "1E", "9E99999", "(((", "1 2 3 .. 4", "%1E+%"}) {
        const ExpressionResult r = EvaluateExpression(text);
        EXPECT_LE(r.position, static_cast<int>(std::string_view(text).size()) + 1) << text;
    }
}

TEST(ExpressionTest, ErrorTexts)
{
    EXPECT_EQ(EvalErrorText(1), "Illegal character");
    EXPECT_EQ(EvalErrorText(3), "Illegal or missing parenthese");
    EXPECT_EQ(EvalErrorText(9), "Division by zero");
    EXPECT_EQ(EvalErrorText(0), "Undefined");
    EXPECT_EQ(EvalErrorText(10), "Undefined");
}

namespace {

class FakeEntry : public ExpressionEntry {
public:
    explicit FakeEntry(std::string t) : value(std::move(t)) {}
    std::string text() const override { return value; }
    void setText(const std::string& t) override { value = t; }
    void takeFocus() override { ++focused; }
    std::string value;
    int focused = 0;
};

} // namespace

TEST(ExpressionTest, EditFieldIsRewrittenOrReported)
{
    testsupport::ScriptedPrompter prompter;
    FakeEntry empty("");
    EXPECT_EQ(EvalEditExpression(empty, prompter), 0.0);
    EXPECT_EQ(empty.value, "0.00000");

    FakeEntry sum("12+0.5");
    EXPECT_EQ(EvalEditExpression(sum, prompter), 12.5);
    EXPECT_EQ(sum.value, "12.50000");

    FakeEntry lower("sqrt 16");
    EXPECT_EQ(EvalEditExpression(lower, prompter), 4.0);
    EXPECT_TRUE(prompter.shown.empty());

    FakeEntry wrong("1/0");
    EXPECT_EQ(EvalEditExpression(wrong, prompter), 0.0);
    EXPECT_EQ(wrong.value, "1/0");
    EXPECT_EQ(wrong.focused, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Error in Expression      \n\nDivision by zero\n\n1/ >>0");
    EXPECT_EQ(prompter.shown[0].kind, platform::MessageKind::Warning);

    // The marker lands on the character typed, also behind a "%".
    FakeEntry metric("%1/0");
    EvalEditExpression(metric, prompter);
    EXPECT_EQ(prompter.shown.back().text, "Error in Expression      \n\nDivision by zero\n\n%1/ >>0");

    FakeEntry round("round 2.5");
    EXPECT_EQ(EvalEditExpression(round, prompter, WorkspaceExpressions()), 2.0);
}
