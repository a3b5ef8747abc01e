#include <gtest/gtest.h>

#include "app/shell/Globals.h"

using namespace hx;

TEST(SizeSteps, ThirtyFourValuesEndingAtEightBillion) {
    const auto &s = SizeSteps();
    EXPECT_EQ(s[0], 1);
    EXPECT_EQ(s[7], 125);
    EXPECT_EQ(s[10], 1000);
    EXPECT_EQ(s[19], 500000);
    EXPECT_EQ(s[22], 4000000);
    EXPECT_EQ(s[29], 500000000);
    EXPECT_EQ(s[32], 4000000000LL);  // beyond the signed 32-bit range
    EXPECT_EQ(s[33], 8000000000LL);
    for (int i = 1; i < SizeStepCount; ++i) EXPECT_LT(s[i - 1], s[i]) << "at " << i;
}

TEST(SizeSteps, IndexByDecimalText) {
    EXPECT_EQ(SizeStepIndex("4000000"), 22);
    EXPECT_EQ(SizeStepIndex("8000000000"), 33);
    EXPECT_EQ(SizeStepIndex("1"), 0);
    EXPECT_EQ(SizeStepIndex("67108864"), -1);  // the default history size is no step
    EXPECT_EQ(SizeStepIndex("+4000000"), -1);
    for (int i = 0; i < SizeStepCount; ++i) EXPECT_EQ(SizeStepIndex(std::to_string(SizeSteps()[i])), i);
}
