// The values editor's texts for the bytes at a cursor, and typed texts back
// to bytes: no window involved.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "app/toolwindows/ValueFormats.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

ValueTexts Describe(const Bytes &bytes, bool sign, bool bigEndian) {
    return DescribeBytes(bytes.data(), static_cast<int64_t>(bytes.size()), ValueOrder{sign, bigEndian});
}

TEST(ValueFormats, IntegersFollowSignAndByteOrder) {
    const Bytes counting{1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        Bytes bytes;
        bool sign, big;
        const char *byte, *word, *dword, *qword;
    } cases[] = {
        {counting, false, false, "1", "513", "67305985", "578437695752307201"},
        {counting, false, true, "1", "258", "16909060", "72623859790382856"},
        {counting, true, true, "1", "258", "16909060", "72623859790382856"},
        {Bytes(8, 0xFF), true, false, "-1", "-1", "-1", "-1"},
        {Bytes(8, 0xFF), false, false, "255", "65535", "4294967295", "18446744073709551615"},
        {{0x80, 0, 0, 0, 0, 0, 0, 0x80}, true, true, "-128", "-32768", "-2147483648", "-9223372036854775680"},
    };
    for (const Case &c : cases) {
        ValueTexts t = Describe(c.bytes, c.sign, c.big);
        SCOPED_TRACE(std::string(c.qword) + (c.sign ? " signed" : " unsigned") + (c.big ? " big" : " little"));
        EXPECT_EQ(t.byte, c.byte);
        EXPECT_EQ(t.word, c.word);
        EXPECT_EQ(t.dword, c.dword);
        EXPECT_EQ(t.qword, c.qword);
    }
}

TEST(ValueFormats, RowsNeedingMoreBytesThanRemainAreEmpty) {
    const Bytes bytes{0x41, 0x05, 0x00, 0x00, 0, 0, 0, 0};
    for (int available : {0, 1, 2, 3, 4, 7, 8}) {
        SCOPED_TRACE(available);
        ValueTexts t = DescribeBytes(bytes.data(), available, ValueOrder{});
        EXPECT_EQ(t.character, available >= 1 ? 0x41 : -1);
        EXPECT_EQ(t.bits, available >= 1 ? 0x41 : 0);
        EXPECT_EQ(t.byte.empty(), available < 1);
        EXPECT_EQ(t.word.empty(), available < 2);
        for (const std::string *row : {&t.dword, &t.single, &t.timestamp}) EXPECT_EQ(row->empty(), available < 4);
        EXPECT_EQ(t.hasColour, available >= 4);
        EXPECT_EQ(t.qword.empty(), available < 8);
        EXPECT_EQ(t.dbl.empty(), available < 8);
    }
}

TEST(ValueFormats, FloatsAreLittleEndianWhateverTheOrder) {
    const Bytes one{0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00};
    for (bool big : {false, true}) {
        EXPECT_EQ(Describe(one, true, big).single, "1.0000000");
        EXPECT_EQ(Describe({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, true, big).dbl, "1.0000000000000000");
    }
}

TEST(ValueFormats, FloatTexts) {
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    const float finf = std::numeric_limits<float>::infinity();
    const double dinf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(FormatSingle(finf), "+Inf");
    EXPECT_EQ(FormatSingle(-finf), "-Inf");
    EXPECT_EQ(FormatSingle(fnan), "NaN");
    EXPECT_EQ(FormatSingle(-fnan), "NaN");
    EXPECT_EQ(FormatDouble(dinf), "+Infinity");
    EXPECT_EQ(FormatDouble(-dinf), "-Infinity");
    EXPECT_EQ(FormatDouble(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(FormatSingle(-2.5f), "-2.5000000");
    EXPECT_EQ(FormatSingle(-0.0f), "-0.0000000");
    EXPECT_EQ(FormatSingle(16777216.0f), "16777216.0000000");
    EXPECT_EQ(FormatDouble(0.5), "0.5000000000000000");
    // Too small for 7 decimals: the shortest exact text instead of a zero.
    EXPECT_EQ(FormatSingle(1e-10f), "1e-10");
    EXPECT_EQ(FormatDouble(1e-300), "1e-300");
}

TEST(ValueFormats, TimestampIsUtcAndReachesBackBefore1970) {
    const std::pair<int64_t, const char *> cases[] = {
        {0, "01.01.1970 00:00:00"},
        {-1, "31.12.1969 23:59:59"},
        {951782400, "29.02.2000 00:00:00"},
        {2147483647, "19.01.2038 03:14:07"},
        {-2147483648LL, "13.12.1901 20:45:52"},
        {4294967295LL, "07.02.2106 06:28:15"},
    };
    for (auto [seconds, text] : cases) EXPECT_EQ(FormatTimestamp(seconds), text) << seconds;
    // The DWord row's value is taken as signed seconds, whatever "Sign" says.
    EXPECT_EQ(Describe({0, 0, 0, 0}, false, false).timestamp, "01.01.1970 00:00:00");
    EXPECT_EQ(Describe({0xFF, 0xFF, 0xFF, 0xFF}, false, false).timestamp, "31.12.1969 23:59:59");
}

TEST(ValueFormats, ColourIsTheDWordValueInTheChosenOrder) {
    const Bytes rgba{0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(Describe(rgba, true, false).colour, 0x44332211u);
    EXPECT_EQ(Describe(rgba, false, true).colour, 0x11223344u);
}

TEST(ValueFormats, IntegersAreReadLeniently) {
    const std::pair<const char *, std::optional<uint64_t>> cases[] = {
        {"255", 255},
        {"-1", ~uint64_t{0}},
        {" \t+42xyz", 42},
        {"$ff", 255},
        {"-$10", uint64_t(-16)},
        {"%1010", 10},
        {"18446744073709551615", ~uint64_t{0}},
        {"99999999999999999999999", ~uint64_t{0}},   // saturates
        {"-99999999999999999999999", uint64_t{1} << 63},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"%2", std::nullopt},
        {" ", std::nullopt},
    };
    for (auto [text, value] : cases) EXPECT_EQ(ReadInteger(text), value) << '"' << text << '"';
}

TEST(ValueFormats, FloatsAreReadWithAPointAndTheWindowsOwnWords) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char *, std::optional<double>> cases[] = {
        {"1.5", 1.5},
        {"  -2.25e2 kg", -225.0},
        {".5", 0.5},
        {"1,5", 1.0},   // the comma ends the number: "." is the point
        {"+Inf", inf},
        {"-Inf", -inf},
        {"+Infinity", inf},
        {"-infinity", -inf},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"--1", std::nullopt},
        {"1e999", std::nullopt},   // beyond the range: not silently an infinity
    };
    for (auto [text, value] : cases) EXPECT_EQ(ReadDouble(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isnan(ReadSingle("NaN").value_or(0)));
    EXPECT_EQ(ReadSingle("1e39"), std::nullopt);
    EXPECT_EQ(ReadSingle("3.4028234e38"), std::numeric_limits<float>::max());
}

TEST(ValueFormats, SetBytesOfEachRow) {
    struct Case {
        ValueRow row;
        const char *text;
        bool big;
        Bytes bytes;
    } cases[] = {
        {ValueRow::Byte, "-1", false, {0xFF}},
        {ValueRow::Byte, "255", false, {0xFF}},
        {ValueRow::Byte, "300", true, {0x2C}},
        {ValueRow::Word, "1", true, {0x00, 0x01}},
        {ValueRow::Word, "1", false, {0x01, 0x00}},
        {ValueRow::Word, "65535", false, {0xFF, 0xFF}},
        {ValueRow::DWord, "$11223344", false, {0x44, 0x33, 0x22, 0x11}},
        {ValueRow::DWord, "$11223344", true, {0x11, 0x22, 0x33, 0x44}},
        {ValueRow::QWord, "-2", true, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
        {ValueRow::Single, "1", true, {0x00, 0x00, 0x80, 0x3F}},
        {ValueRow::Single, "-Inf", false, {0x00, 0x00, 0x80, 0xFF}},
        {ValueRow::Double, "1", true, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncodeValue(c.row, c.text, c.big), c.bytes);
    }
    for (ValueRow row : {ValueRow::Byte, ValueRow::QWord, ValueRow::Single, ValueRow::Double})
        EXPECT_EQ(EncodeValue(row, "abc", false), std::nullopt);
}

TEST(ValueFormats, NanKeepsTheNanAlreadyAtTheCursor) {
    const Bytes signalling{0x01, 0x00, 0x80, 0xFF};
    EXPECT_EQ(EncodeValue(ValueRow::Single, "NaN", false, signalling.data(), 4), signalling);
    // Over a number, the typed NaN.
    const Bytes number{0, 0, 0x80, 0x3F};
    auto written = EncodeValue(ValueRow::Single, "NaN", false, number.data(), 4);
    ASSERT_TRUE(written);
    uint32_t bits = (*written)[0] | (*written)[1] << 8 | (*written)[2] << 16 | uint32_t((*written)[3]) << 24;
    EXPECT_TRUE(std::isnan(std::bit_cast<float>(bits)));
}

// Every row's shown text, read back as that row writes it, gives the bytes
// it was shown for: random bytes, with extra weight on NaNs, infinities and
// the values too small for the fixed decimals.
TEST(ValueFormats, ShownTextsWriteBackTheSameBytes) {
    const uint32_t seed = 20240517;
    std::mt19937 random(seed);
    const Bytes specials[] = {
        {0, 0, 0xC0, 0x7F, 0, 0, 0xF8, 0x7F},    // quiet NaNs
        {1, 0, 0x80, 0xFF, 0, 0, 0xF0, 0xFF},    // signalling NaNs with payload and sign
        {0, 0, 0x80, 0x7F, 0, 0, 0, 0},          // single +Inf
        {0, 0, 0x80, 0xFF, 0, 0, 0, 0},          // single -Inf
        {0, 0, 0, 0, 0, 0, 0xF0, 0x7F},          // double +Infinity
        {0, 0, 0, 0, 0, 0, 0xF0, 0xFF},          // double -Infinity
        {1, 0, 0, 0, 0, 0, 0, 0},                // smallest subnormals
        {0, 0, 0, 0x80, 0, 0, 0, 0x80},          // negative zero, tiny negative double
    };
    auto check = [&](const Bytes &bytes) {
        for (bool sign : {false, true})
            for (bool big : {false, true}) {
                ValueTexts t = Describe(bytes, sign, big);
                const struct {
                    ValueRow row;
                    const std::string &text;
                    size_t width;
                } rows[] = {{ValueRow::Byte, t.byte, 1},   {ValueRow::Word, t.word, 2},
                            {ValueRow::DWord, t.dword, 4}, {ValueRow::QWord, t.qword, 8},
                            {ValueRow::Single, t.single, 4}, {ValueRow::Double, t.dbl, 8}};
                for (const auto &r : rows) {
                    auto written = EncodeValue(r.row, r.text, big, bytes.data(), static_cast<int64_t>(bytes.size()));
                    ASSERT_TRUE(written) << r.text << " seed " << seed;
                    ASSERT_EQ(*written, Bytes(bytes.begin(), bytes.begin() + r.width))
                        << "text " << r.text << " seed " << seed;
                }
            }
    };
    for (const Bytes &bytes : specials) check(bytes);
    for (int i = 0; i < 3000; ++i) {
        Bytes bytes(8);
        for (uint8_t &b : bytes) b = static_cast<uint8_t>(random());
        check(bytes);
    }
}

TEST(ValueFormats, CharacterEntriesPadTheValue) {
    const std::string name = "Space";
    EXPECT_EQ(CharacterEntry(65, nullptr), "[065] A");
    EXPECT_EQ(CharacterEntry(32, &name), "[032] Space");
    EXPECT_EQ(CharacterEntry(255, nullptr), std::string("[255] \xFF"));
}

}  // namespace
