#include "workspace/engine/nc_numbers.h"

#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mrw;

TEST(NcNumbers, FormatWritesEveryModeWithItsPaddingAndRounding)
{
    struct Case {
        int mode, L, R;
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1, 3, 4, 1.5, "1.5"},        {2, 3, 4, 1.5, "0015"},       {3, 3, 4, 1.5, "15000"},
        {4, 3, 4, 1.5, "0015000"},    {1, 3, 4, 12, "12."},         {2, 3, 4, 12, "012"},
        {1, 3, 4, 0.5, ".5"},         {3, 3, 4, 0.5, "5000"},       {1, 3, 4, 0, "0"},
        {2, 3, 4, 0, "000"},          {3, 3, 4, 0, "0000"},         {4, 3, 4, 0, "0000000"},
        {1, 3, 4, -2.25, "-2.25"},    {2, 3, 4, -2.25, "-00225"},   {3, 3, 4, -2.25, "-22500"},
        {4, 3, 4, -2.25, "-0022500"}, {1, 3, 4, 0.99996, "1."},     {1, 3, 4, -0.00001, "-0"},
        {1, 3, 2, 0.125, ".13"},      {5, 4, 0, 1139.5, "1140"},    {5, 4, 0, -3.6, "4"},
        {5, 3, 4, 12.7, "012"},       {3, 3, 4, 2.99999, "30000"},  {1, 3, 4, 1e20, "100000000000000000000."},
        {1, 3, 4, NAN, "0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNCNumber(c.mode, c.L, c.R, c.value), c.text)
            << "mode " << c.mode << " L " << c.L << " R " << c.R << " value " << c.value;
}

TEST(NcNumbers, ParseReadsTheDigitsOfAWordUnderItsMode)
{
    struct Case {
        const char* text;
        int mode, L, R;
        double value;
    };
    const Case cases[] = {
        {"X1.5", 1, 3, 4, 1.5},     {"X1.", 1, 3, 4, 1.0},       {"X0015", 2, 3, 4, 1.5},
        {"X001", 2, 3, 4, 1.0},     {"X1.5", 2, 3, 4, 0.0},      {"X15000", 3, 3, 4, 1.5},
        {"X-15000", 3, 3, 4, -1.5}, {"X1.5", 3, 3, 4, 0.00015},  {"x-.5", 1, 3, 4, -0.5},
        {"X", 1, 3, 4, 0.0},        {"X1.2.3", 1, 3, 4, 0.0},    {"+0022500", 4, 3, 4, 2.25},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(ParseNCNumber(c.text, c.mode, c.L, c.R), c.value) << c.text << " mode " << c.mode;
    EXPECT_FALSE(ReadNCNumber("X", 1, 3, 4));
    EXPECT_FALSE(ReadNCNumber("X1.5", 2, 3, 4));
    EXPECT_TRUE(ReadNCNumber("X0", 1, 3, 4));
}

TEST(NcNumbers, AWrittenWordReadsBackAsTheValueAtItsDecimals)
{
    const double values[] = {0.0, 1.5, -2.25, 12.0, 0.0625, 123.4567, -0.5, 999.9999};
    for (int mode = 1; mode <= 4; ++mode)
        for (const double v : values) {
            const double expected = std::round(v * 1e4) / 1e4;
            EXPECT_NEAR(ParseNCNumber("X" + FormatNCNumber(mode, 3, 4, v), mode, 3, 4), expected, 1e-12)
                << "mode " << mode << " value " << v;
        }
}

TEST(NcNumbers, RaiseToPowerTakesItsShortCuts)
{
    EXPECT_EQ(RaiseToPower(0.00001, 3), 0.0);
    EXPECT_EQ(RaiseToPower(7, 0.00001), 1.0);
    EXPECT_EQ(RaiseToPower(7, 1), 7.0);
    EXPECT_NEAR(RaiseToPower(10, 4), 10000.0, 1e-9);
}
