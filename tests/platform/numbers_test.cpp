#include "platform/format.h"
#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

namespace {
// Runs the body under a decimal-comma locale when the machine has one.
class CommaLocale {
public:
    CommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
            if (std::setlocale(LC_NUMERIC, name)) {
                active = true;
                break;
            }
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, "C"); }
    bool active = false;
};
}

TEST(Numbers, RoundIsHalfToEven)
{
    struct Case { double x; std::int64_t r; };
    for (const Case c : {Case{2.5, 2}, Case{3.5, 4}, Case{-2.5, -2}, Case{0.5, 0}, Case{1.5, 2},
                         Case{2.4999, 2}, Case{-0.6, -1}, Case{1e30, INT64_MAX}, Case{-1e30, INT64_MIN}})
        EXPECT_EQ(platform::roundHalfEven(c.x), c.r) << c.x;
    EXPECT_EQ(platform::truncToInt(-2.9), -2);
}

TEST(Numbers, FixedDecimalsRoundTiesAwayFromZero)
{
    struct Case { double x; int d; const char* text; };
    const Case cases[] = {
        {0.125, 2, "0.13"}, {-0.125, 2, "-0.13"}, {2.675, 2, "2.68"}, {1.005, 2, "1.01"},
        {0.5, 0, "1"},      {1.5, 0, "2"},        {2.5, 0, "3"},      {-0.004, 2, "0.00"},
        {9.9995, 3, "10.000"}, {123.0, 0, "123"}, {0.0, 4, "0.0000"}, {1234567.891, 1, "1234567.9"},
        {0.05, 1, "0.1"},   {1e-9, 3, "0.000"},   {999.99988, 4, "999.9999"}, {-1.0, 1, "-1.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::formatFixed(c.x, c.d), c.text) << c.x << " " << c.d;
}

TEST(Numbers, ReadingAndWritingIgnoreTheLocale)
{
    CommaLocale comma;
    if (!comma.active)
        GTEST_SKIP() << "no decimal-comma locale on this machine";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_EQ(std::string(probe), "1,5") << "the locale is not in effect";
    EXPECT_EQ(platform::formatFixed(1.5, 2), "1.50");
    EXPECT_EQ(platform::parseReal("1.25").value(), 1.25);
    EXPECT_FALSE(platform::parseReal("1,25"));
    EXPECT_EQ(platform::format("%6.3f|%s", {2.0, "x"}), " 2.000|x");
    EXPECT_EQ(platform::strScientific(1.5), " 1.50000000000000E+0000");
}

TEST(Numbers, ParsingIsStrict)
{
    EXPECT_EQ(platform::parseReal(" -1.5e2 ").value(), -150.0);
    EXPECT_EQ(platform::parseReal(".5").value(), 0.5);
    EXPECT_EQ(platform::parseReal("+2").value(), 2.0);
    for (const char* bad : {"", "abc", "1.5x", "inf", "nan", "--1", "+-1"})
        EXPECT_FALSE(platform::parseReal(bad)) << bad;
    EXPECT_EQ(platform::parseInteger(" 42 ").value(), 42);
    EXPECT_FALSE(platform::parseInteger("4.2"));
}

TEST(Numbers, FieldFormatting)
{
    EXPECT_EQ(platform::strInt(7, 4), "   7");
    EXPECT_EQ(platform::strInt(12345, 2), "12345");
    EXPECT_EQ(platform::strFixed(3.14159, 8, 3), "   3.142");
    EXPECT_EQ(platform::strScientific(-0.00125), "-1.25000000000000E-0003");
    EXPECT_EQ(platform::strScientific(0.0), " 0.00000000000000E+0000");
}

TEST(Format, Conversions)
{
    struct Case { const char* pattern; std::string expected; };
    using platform::format;
    EXPECT_EQ(format("%2d|%.3d|%-4d|%d", {5, 7, 3, -12}), " 5|007|3   |-12");
    EXPECT_EQ(format("%2.2d:%2.2d:%2.2d", {2, 5, 30}), "02:05:30");
    EXPECT_EQ(format("%3.1f days", {2.25}), "2.3 days");
    EXPECT_EQ(format("  Pass %d  %3.1f %%", {1, 12.34}), "  Pass 1  12.3 %");
    EXPECT_EQ(format("%3d: %s", {4, "G01"}), "  4: G01");
    EXPECT_EQ(format("%.2n", {1234567.125}), "1,234,567.13");
    EXPECT_EQ(format("%x %X", {255, 255}), "ff FF");
    EXPECT_EQ(format("%d %s", {1}), "1 ");
}
