#include "workspace/engine/nc_syntax.h"

#include <gtest/gtest.h>

namespace {
// One letter per character: a address colour, n number, c comment.
std::string colours(std::string_view line, const mrw::NcCommentMarks& marks)
{
    std::vector<mrw::NcColour> out;
    mrw::colourNcLine(line, marks, out);
    std::string s;
    for (auto c : out)
        s += c == mrw::NcColour::Address ? 'a' : (c == mrw::NcColour::Number ? 'n' : 'c');
    return s;
}
}

TEST(NcSyntax, LinesAndTheirColours)
{
    const auto parens = mrw::ncCommentMarks("(", ")", "<");
    struct Case { const char* line; const char* colours; };
    const Case cases[] = {
        {"N10 G01 X-1.5 (FINISH) Y2", "annaannaannnnaccccccccaan"},
        {"N10 (OPEN COMMENT", "annaccccccccccccc"},
        {"<N10 G01", "cccccccc"},
        {"N10 <X1", "annaccc"},
        {"X+.5)", "annna"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(colours(c.line, parens), c.colours) << c.line;
}

TEST(NcSyntax, EmptyCommentTextsUseBraceAndBar)
{
    const auto marks = mrw::ncCommentMarks("", "", "<");
    EXPECT_EQ(marks.start, '{');
    EXPECT_EQ(marks.end, "|");
    EXPECT_EQ(colours("X1{A|Y2", marks), "ancccan");
    EXPECT_EQ(colours("X1(A)", marks), "anaaa");
}

TEST(NcSyntax, CommentEndOfSeveralCharactersMustBeOnTheLine)
{
    const auto marks = mrw::ncCommentMarks("[#", "*]", "");
    // Only the first character of the start counts; the end closes at its first character.
    EXPECT_EQ(colours("X1[A*]Y2", marks), "ancccaan");
    EXPECT_EQ(colours("X1[A*Y2", marks), "anccccc");
    // A marker of more than one character never starts a comment.
    EXPECT_EQ(colours("<<X1", mrw::ncCommentMarks("(", ")", "<<")), "aaan");
}
