#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "document/HexText.h"

using namespace hx;

struct NumberCase {
    const char *text;
    int64_t value;
};

class ReadNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberTest, ReadsLeniently) {
    EXPECT_EQ(ReadNumber(GetParam().text), GetParam().value) << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReadNumberTest,
    ::testing::Values(NumberCase{"$10", 16}, NumberCase{"%11", 3}, NumberCase{"  -5x", -5},
                      NumberCase{"", 0}, NumberCase{"+7", 7}, NumberCase{"\t 42", 42},
                      NumberCase{"$fF", 255}, NumberCase{"-$10", -16}, NumberCase{"%102", 2},
                      NumberCase{"x5", 0}, NumberCase{"-", 0}, NumberCase{"$", 0},
                      NumberCase{"12 34", 12}, NumberCase{"9223372036854775807", INT64_MAX},
                      NumberCase{"-9223372036854775808", INT64_MIN},
                      // Beyond the range the value saturates instead of wrapping.
                      NumberCase{"9223372036854775808", INT64_MAX},
                      NumberCase{"99999999999999999999999", INT64_MAX},
                      NumberCase{"-9223372036854775809", INT64_MIN},
                      NumberCase{"$FFFFFFFFFFFFFFFFFF", INT64_MAX}));

TEST(HexToBytes, DecodesPairsAndStopsAtInvalidCharacters) {
    ByteBuffer one = HexToBytes("0a1");
    ASSERT_TRUE(one);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(one[0], 0x0A);

    ByteBuffer mixed = HexToBytes("4zz4FfG1");
    ASSERT_EQ(mixed.size(), 4);
    EXPECT_EQ(mixed[0], 0x04);  // the digit before the invalid character counts
    EXPECT_EQ(mixed[1], 0x00);  // a pair starting with an invalid character is 0
    EXPECT_EQ(mixed[2], 0xFF);
    EXPECT_EQ(mixed[3], 0x00);
}

TEST(HexToBytes, ShortTextGivesNone) {
    EXPECT_FALSE(HexToBytes(""));
    EXPECT_FALSE(HexToBytes("A"));
}

TEST(BytesToHex, UpperCasePairsWithoutSeparators) {
    const uint8_t bytes[] = {0x0A, 0xFF, 0x10};
    EXPECT_EQ(BytesToHex(bytes, 3), "0AFF10");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
}
