#include "platform/fixed_text.h"

#include "platform/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(FixedText, MatchesThePlatformFormattingEverywhere)
{
    // The fast path must give exactly the platform's text, ties and all.
    const double table[] = {0, -0.0, 0.125, -0.125, 2.675, 1.005, 0.5, 1.5, 2.5, -2.5, 0.0000049999, 0.000005,
                            -0.000004, 123456.789012, 1e12, 9.99999999, 1e-20, -1e300};
    for (double v : table)
        for (int d : {0, 2, 3, 5, 12})
            EXPECT_EQ(platform::fixedText(v, d), platform::formatFixed(v, d)) << v << " " << d;
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(-20000, 20000);
    const int decimals[] = {0, 1, 2, 3, 4, 5, 12};
    for (int i = 0; i < 300000; ++i) {
        // Values on a grid of halves of the last decimal put many ties in the sample;
        // the scale spreads the 15th digit over every place.
        const int d = decimals[random() % 7];
        double v = spread(random) / std::pow(10, static_cast<int>(random() % 8));
        if (i % 2)
            v = std::round(v * 2 * std::pow(10, d)) / (2 * std::pow(10, d));
        ASSERT_EQ(platform::fixedText(v, d), platform::formatFixed(v, d)) << v << " " << d;
    }
    std::string field = "x";
    platform::appendFixed(field, 1.5, 8, 2);
    platform::appendInt(field, -42, 5);
    platform::appendInt(field, 123456, 3);
    EXPECT_EQ(field, "x    1.50  -42123456");
}

} // namespace
