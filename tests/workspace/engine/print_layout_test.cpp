#include "workspace/engine/print_layout.h"

#include <gtest/gtest.h>

using namespace mrw;

namespace {

// Records what a print would draw; every character is 10 pixels wide, 12 when bold.
class RecordingSurface : public PrintSurface {
public:
    struct Text {
        int page, x, y;
        std::string text;
        PrintStyle style;
    };
    int bottom = 1000;
    std::vector<Text> texts;
    std::vector<int> frameTops;
    int page = 1;

    int dpiX() const override { return 100; }
    int dpiY() const override { return 100; }
    int pageWidth() const override { return 850; }
    int pageBottom() const override { return bottom; }
    int lineHeight() const override { return 20; }
    int charWidth(char, const PrintStyle& style) const override { return style.bold ? 12 : 10; }
    void drawText(int x, int y, std::string_view text, const PrintStyle& style) override
    {
        texts.push_back({page, x, y, std::string(text), style});
    }
    void drawFrame(int, int top, int, int) override { frameTops.push_back(top); }
    void newPage() override { ++page; }
};

PrintOptions options(bool colour)
{
    PrintOptions o;
    o.commentStart = "(";
    o.commentEnd = ")";
    o.colour = colour;
    o.addressColor = 1;
    o.numberColor = 2;
    o.commentColor = 3;
    return o;
}

} // namespace

TEST(PrintHeader, SizeLineOfA2400ByteFile)
{
    const auto lines = printHeaderLines("O1001.TAP", "12/10/2026 1:02:03 AM", 3, 2400);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "     File Name : O1001.TAP");
    EXPECT_EQ(lines[1], "     Time/Date : 12/10/2026 1:02:03 AM                           Page # 3");
    EXPECT_EQ(lines[2], "     File Size : 2400 Chars,  20.0 Feet,   6.0 Meters");
    EXPECT_EQ(printHeaderLines("A", "", 1, 1234567)[2], "     File Size : 1234567 Chars, 10288.1 Feet, 3086.4 Meters");
}

TEST(PlainPrint, MarginBlanks)
{
    EXPECT_EQ(plainMarginBlanks(600, 1.0, 50), 12);
    EXPECT_EQ(plainMarginBlanks(600, 0.0, 50), 0);
    EXPECT_EQ(plainMarginBlanks(300, 0.5, 60), 2); // 150 / 60 = 2.5, ties to even
    EXPECT_EQ(plainMarginBlanks(600, 1.0, 0), 0);
}

TEST(PrettyPrintLayout, HeaderOnEveryPageAndEmptyLinesWithoutAPageCheck)
{
    RecordingSurface s;
    s.bottom = 300; // top margin 50, bottom margin 50: lines below y 230 go to the next page
    PrettyPrintLayout layout(s, options(true), "O1.TAP", "now", 10);
    layout.start();
    // Header: frame at 50, lines at 60, 80, 100; body from 140.
    EXPECT_EQ(s.frameTops, std::vector<int>{50});
    EXPECT_EQ(layout.y(), 140);
    for (int i = 0; i < 5; ++i)
        layout.printLine("N1");
    EXPECT_EQ(layout.y(), 240);
    layout.printLine(""); // empty: no page check, y still grows
    EXPECT_EQ(layout.y(), 260);
    EXPECT_EQ(layout.pages(), 1);
    layout.printLine("N2");
    EXPECT_EQ(layout.pages(), 2);
    EXPECT_EQ(s.frameTops, (std::vector<int>{50, 50}));
    EXPECT_EQ(s.texts.back().page, 2);
    EXPECT_EQ(s.texts.back().y, 140);
    EXPECT_EQ(layout.y(), 160);
    // The header of page 2 says so.
    bool page2 = false;
    for (const auto& t : s.texts)
        if (t.page == 2 && t.text.find("Page # 2") != std::string::npos)
            page2 = t.x == 10;
    EXPECT_TRUE(page2);
}

TEST(PrettyPrintLayout, StyleAndAdvanceOfEachCharacter)
{
    struct Case {
        const char* what;
        bool colour;
        const char* commentStart;
        std::vector<PrintStyle> styles; // for "X1.(A)B"
        std::vector<int> xs;
    };
    using K = PrintStyle::Kind;
    const PrintStyle a{K::Address, true, 1, false, false}, n{K::Number, true, 2, false, false},
        c{K::Comment, true, 3, false, false};
    const PrintStyle ab{K::Address, false, 0, true, false}, np{K::Number, false, 0, false, false},
        ci{K::Comment, false, 0, false, true};
    const Case cases[] = {
        // Comment characters advance by 1.1 widths (11 pixels).
        {"colour", true, "(", {a, n, n, c, c, c, a}, {100, 110, 120, 130, 141, 152, 163}},
        {"plain bold italic", false, "(", {ab, np, np, ci, ci, ci, ab}, {100, 112, 122, 132, 143, 154, 165}},
        {"no comment marks", true, "", {a, n, n, a, a, a, a}, {100, 110, 120, 130, 140, 150, 160}},
    };
    for (const Case& cs : cases) {
        RecordingSurface s;
        PrintOptions o = options(cs.colour);
        o.commentStart = cs.commentStart;
        o.commentEnd = *cs.commentStart ? ")" : "";
        PrettyPrintLayout layout(s, o, "F", "T", 1);
        layout.start();
        const std::size_t header = s.texts.size();
        layout.printLine("X1.(A)B");
        ASSERT_EQ(s.texts.size(), header + 7) << cs.what;
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(s.texts[header + i].style, cs.styles[i]) << cs.what << " char " << i;
            EXPECT_EQ(s.texts[header + i].x, cs.xs[i]) << cs.what << " char " << i;
        }
    }
}

TEST(PrettyPrintLayout, CommentNeedsTheWholeStartText)
{
    RecordingSurface s;
    PrintOptions o = options(true);
    o.commentStart = "((";
    o.commentEnd = "))";
    PrettyPrintLayout layout(s, o, "F", "T", 1);
    layout.start();
    const std::size_t header = s.texts.size();
    layout.printLine("X(1"); // a lone "(" starts nothing
    EXPECT_EQ(s.texts[header + 1].style.kind, PrintStyle::Kind::Address);
    EXPECT_EQ(s.texts[header + 2].style.kind, PrintStyle::Kind::Number);
}

TEST(PrintRange, AllLinesOrTheSelectionClipped)
{
    const std::vector<std::string> lines = {"N10 G00 X1.", "N20\tY2.", "N30 Z3.", "N40 M30"};
    EXPECT_EQ(printRangeLines(lines, {}, 4), (std::vector<std::string>{"N10 G00 X1.", "N20 Y2.", "N30 Z3.", "N40 M30"}));
    struct Case {
        PrintRange range;
        std::vector<std::string> out;
    };
    const Case cases[] = {
        {{true, 0, 4, 2, 3}, {"    G00 X1.", "N20 Y2.", "N30"}},
        {{true, 1, 4, 1, 6}, {"    Y2"}},     // after the tab: blanks up to its column
        {{true, 1, 3, 1, 5}, {"    Y"}},      // from the tab: it stays, expanded to one blank
        {{true, 2, 0, 3, 0}, {"N30 Z3.", ""}}, // ends at the start of a line
    };
    for (const Case& c : cases)
        EXPECT_EQ(printRangeLines(lines, c.range, 4), c.out) << c.range.firstLine << ":" << c.range.firstIndex;
}
