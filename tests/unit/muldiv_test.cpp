#include "app/base.h"

#include <gtest/gtest.h>

namespace {

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(3, 1, 2), 2);    // 1.5
    EXPECT_EQ(MulDiv(5, 1, 2), 3);    // 2.5
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // -1.5
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, -1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(7, 1, 4), 2);    // 1.75
    EXPECT_EQ(MulDiv(5, 1, 4), 1);    // 1.25
    EXPECT_EQ(MulDiv(-5, 1, 4), -1);
    EXPECT_EQ(MulDiv(-7, 1, 4), -2);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);    // 0.67
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(0, -5, 3), 0);
}

TEST(MulDiv, DpiScalingFigures)
{
    EXPECT_EQ(MulDiv(10, 96, 72), 13);
    EXPECT_EQ(MulDiv(42, 96, 72), 56);
    EXPECT_EQ(MulDiv(10, 120, 72), 17);
    EXPECT_EQ(MulDiv(42, 120, 72), 70);
    EXPECT_EQ(MulDiv(10, 144, 72), 20);
    EXPECT_EQ(MulDiv(42, 144, 72), 84);
    EXPECT_EQ(MulDiv(480, 120, 96), 600);
    EXPECT_EQ(MulDiv(13, 120, 96), 16); // 16.25
    EXPECT_EQ(MulDiv(14, 120, 96), 18); // 17.5
}

TEST(MulDiv, WidensTheProductAndReportsFailureAsMinusOne)
{
    EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);
    EXPECT_EQ(MulDiv(-2000000000, 2000000000, 2000000000), -2000000000);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);
    EXPECT_EQ(MulDiv(-2147483647, 2, 1), -1);
    EXPECT_EQ(MulDiv(2147483647, 1, 1), 2147483647);
    EXPECT_EQ(MulDiv(-2147483647 - 1, 1, -1), -1);
    EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 2), -1073741824);
}

} // namespace
