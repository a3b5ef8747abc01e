#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

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

TEST(ReadPastedHex, TakesPairsWithSeparatorsAndPrefixesAndRefusesAnythingElse) {
    struct Case {
        const char *text;
        bool readable;
        std::string bytes;
    } cases[] = {
        {"DE AD BE EF", true, "\xDE\xAD\xBE\xEF"},
        {"DEAD\nBEEF", true, "\xDE\xAD\xBE\xEF"},
        {"de:ad-be,ef\t\r\n", true, "\xDE\xAD\xBE\xEF"},
        {"0xDE, 0xAD", true, "\xDE\xAD"},
        {"\\xDE\\xAD", true, "\xDE\xAD"},
        {"0XDEAD", true, "\xDE\xAD"},
        {"00", true, std::string(1, '\0')},
        {"  \n", true, ""},
        {"ABC", false, ""},          // an odd number of digits
        {"DE AD B", false, ""},
        {"DE AG", false, ""},        // another character
        {"0x", false, ""},           // a prefix without digits
        {"0xDE0xAD", false, ""},
        {"DE;AD", false, ""},
        {"\xC3\xA4", false, ""},   // not even ASCII
    };
    for (const Case &c : cases) {
        std::string bytes = "stale";
        EXPECT_EQ(ReadPastedHex(c.text, bytes), c.readable) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
}
