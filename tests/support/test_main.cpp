// Test entry for suites without windows: the run gets a home of its own.
#include "support/own_home.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testsupport::OwnHome home;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
