#include "core/format.h"

#include <gtest/gtest.h>

namespace orlomat {
namespace {

TEST(FormatOneDecimal, RoundsHalfAwayFromZeroOnTheExactValue) {
    EXPECT_EQ(FormatOneDecimal(1.25f), "1.3"); // printf would give 1.2 (ties to even)
    EXPECT_EQ(FormatOneDecimal(-1.25f), "-1.3");
    EXPECT_EQ(FormatOneDecimal(0.05f), "0.1"); // 0.05f is slightly above 0.05
    EXPECT_EQ(FormatOneDecimal(0.15f), "0.2"); // 0.15f is slightly above 0.15
    EXPECT_EQ(FormatOneDecimal(0.35f), "0.3"); // 0.35f is slightly below 0.35
    EXPECT_EQ(FormatOneDecimal(123.4f), "123.4");
    EXPECT_EQ(FormatOneDecimal(10000.0f), "10000.0");
    EXPECT_EQ(FormatOneDecimal(0.0f), "0.0");
}

TEST(FormatOneDecimal, NoSignOnAValueThatRoundsToZero) {
    EXPECT_EQ(FormatOneDecimal(-0.04f), "0.0");
    EXPECT_EQ(FormatOneDecimal(-0.0f), "0.0");
    EXPECT_EQ(FormatOneDecimal(-0.05f), "-0.1");
}

TEST(FormatOneDecimal, UsesTheGivenSeparatorAndCopesWithHugeValues) {
    EXPECT_EQ(FormatOneDecimal(123.4f, ','), "123,4");
    EXPECT_EQ(FormatOneDecimal(-21474836.0f), "-21474836.0");
    EXPECT_EQ(FormatOneDecimal(1e30f, ','), "1000000015047466219876688855040,0");
}

} // namespace
} // namespace orlomat
