#include "app/toolwindows/ValueFormats.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "document/HexText.h"

namespace hx {

namespace {

// The first width bytes as an unsigned number in the given order.
uint64_t LoadUnsigned(const uint8_t *bytes, int width, bool bigEndian) {
    uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        int index = bigEndian ? i : width - 1 - i;
        value = (value << 8) | bytes[index];
    }
    return value;
}

void StoreUnsigned(uint64_t value, int width, bool bigEndian, uint8_t *out) {
    for (int i = 0; i < width; ++i) {
        int index = bigEndian ? width - 1 - i : i;
        out[index] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// The width-byte integer as signed or unsigned decimal.
std::string IntegerText(uint64_t value, int width, bool sign) {
    if (!sign) return std::to_string(value);
    const int shift = 64 - 8 * width;
    // Sign-extend by moving the top bit of the width to bit 63 and back.
    const int64_t extended = static_cast<int64_t>(value << shift) >> shift;
    return std::to_string(extended);
}

size_t SkipBlanks(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return i;
}

// A floating-point number read from text: the value, or none with
// outOfRange telling a number beyond the type apart from no number; used is
// where reading stopped.
template <typename T>
struct FloatingScan {
    std::optional<T> value;
    bool outOfRange = false;
    size_t used = 0;
};

template <typename T>
FloatingScan<T> ScanFloating(std::string_view text) {
    FloatingScan<T> scan;
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string_view rest = text.substr(i);
    // from_chars takes a "-" of its own; a second sign is no number.
    if (rest.empty() || rest[0] == '+' || rest[0] == '-') return scan;
    T value{};
    // from_chars is locale-independent ("." always) and reads "inf",
    // "infinity" and "nan" in any case; the first other character ends it.
    auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
    scan.outOfRange = error == std::errc::result_out_of_range;
    if (error != std::errc()) return scan;
    scan.value = negative ? -value : value;
    scan.used = i + static_cast<size_t>(end - rest.data());
    return scan;
}

template <typename T>
std::optional<T> ReadFloating(std::string_view text) {
    return ScanFloating<T>(text).value;
}

// Nothing but blanks and tabs from i on.
bool OnlyBlanksFrom(std::string_view text, size_t i) { return i >= text.size() || SkipBlanks(text.substr(i)) == text.size() - i; }

int RowWidth(ValueRow row) {
    switch (row) {
    case ValueRow::Byte: return 1;
    case ValueRow::Word: return 2;
    case ValueRow::DWord:
    case ValueRow::Single: return 4;
    case ValueRow::QWord:
    case ValueRow::Double: return 8;
    }
    return 8;
}

// The row's integer range: lowest as a magnitude below zero (0 for none),
// highest as an unsigned number.
struct IntegerRange {
    uint64_t belowZero = 0;
    uint64_t highest = 0;
};

IntegerRange RangeOf(ValueRow row, bool sign) {
    const int bits = 8 * RowWidth(row);
    const uint64_t all = bits == 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t{1} << bits) - 1;
    if (!sign) return {0, all};
    return {uint64_t{1} << (bits - 1), all >> 1};
}

ValueProblem CheckInteger(ValueRow row, std::string_view text, bool sign) {
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == '%')) base = text[i++] == '$' ? 16 : 2;
    uint64_t magnitude = 0;
    bool digits = false, overflow = false;
    for (; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0 || digit >= base) break;
        digits = true;
        if (magnitude > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(digit)) / base) overflow = true;
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (!digits || !OnlyBlanksFrom(text, i)) return ValueProblem::NotANumber;
    if (overflow) return ValueProblem::OutOfRange;
    // Hexadecimal and binary digits without a sign are the row's bits: they
    // may fill its whole width whatever the sign shows ($FF is a Byte).
    const IntegerRange range = RangeOf(row, sign && !(base != 10 && !negative));
    if (negative) return magnitude <= range.belowZero ? ValueProblem::None : ValueProblem::OutOfRange;
    return magnitude <= range.highest ? ValueProblem::None : ValueProblem::OutOfRange;
}

template <typename T>
ValueProblem CheckFloating(std::string_view text) {
    const FloatingScan<T> scan = ScanFloating<T>(text);
    if (scan.outOfRange) return ValueProblem::OutOfRange;
    if (!scan.value || !OnlyBlanksFrom(text, scan.used)) return ValueProblem::NotANumber;
    return ValueProblem::None;
}

template <typename T, typename Bits>
bool SameBits(T a, T b) {
    return std::bit_cast<Bits>(a) == std::bit_cast<Bits>(b);
}

template <typename T, typename Bits>
std::string FormatFloating(T value, int decimals, const char *infinity) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return std::string(value > 0 ? "+" : "-") + infinity;
    // The fixed text of the largest double has 309 digits before the point.
    char buffer[400];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (error == std::errc()) {
        std::string fixed(buffer, end);
        std::optional<T> back = ReadFloating<T>(fixed);
        if (back && SameBits<T, Bits>(*back, value)) return fixed;
    }
    auto shortest = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, shortest.ptr);
}

// Days since 1970-01-01 to a proleptic Gregorian date (eras of 400 years
// that start on 1 March, so that the leap day is the last day of a year).
void DateOfDays(int64_t days, int *year, int *month, int *day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;   // 0 is March
    *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

template <typename T, typename Bits>
std::vector<uint8_t> FloatingBytes(T value, const uint8_t *current, int64_t available) {
    constexpr int width = sizeof(T);
    std::vector<uint8_t> out(width);
    if (std::isnan(value) && current && available >= width) {
        Bits bits = static_cast<Bits>(LoadUnsigned(current, width, false));
        if (std::isnan(std::bit_cast<T>(bits))) {
            out.assign(current, current + width);
            return out;
        }
    }
    StoreUnsigned(std::bit_cast<Bits>(value), width, false, out.data());
    return out;
}

}  // namespace

ValueTexts DescribeBytes(const uint8_t *bytes, int64_t available, ValueOrder order) {
    ValueTexts texts;
    if (!bytes || available <= 0) return texts;
    const uint8_t b = bytes[0];
    texts.byte = IntegerText(b, 1, order.sign);
    texts.character = b;
    texts.bits = b;
    if (available >= 2) texts.word = IntegerText(LoadUnsigned(bytes, 2, order.bigEndian), 2, order.sign);
    if (available >= 4) {
        const auto value = static_cast<uint32_t>(LoadUnsigned(bytes, 4, order.bigEndian));
        texts.dword = IntegerText(value, 4, order.sign);
        texts.single = FormatSingle(std::bit_cast<float>(static_cast<uint32_t>(LoadUnsigned(bytes, 4, false))));
        texts.hasColour = true;
        texts.colour = value;
        texts.timestamp = FormatTimestamp(static_cast<int32_t>(value));
    }
    if (available >= 8) {
        texts.qword = IntegerText(LoadUnsigned(bytes, 8, order.bigEndian), 8, order.sign);
        texts.dbl = FormatDouble(std::bit_cast<double>(LoadUnsigned(bytes, 8, false)));
    }
    return texts;
}

std::string FormatSingle(float value) { return FormatFloating<float, uint32_t>(value, 7, "Inf"); }

std::string FormatDouble(double value) { return FormatFloating<double, uint64_t>(value, 16, "Infinity"); }

std::string FormatTimestamp(int64_t seconds) {
    // Floor division, so that -1 is 23:59:59 of the day before.
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int year = 0, month = 0, day = 0;
    DateOfDays(days, &year, &month, &day);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d", day, month, year,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return buffer;
}

std::optional<uint64_t> ReadInteger(std::string_view text) {
    // The unsigned range is accepted so that an unsigned QWord as shown can be
    // typed back; a negative number reaches down to -2^63.
    const LenientNumber number = ReadLenientNumber(text, std::numeric_limits<uint64_t>::max());
    if (!number.digits) return std::nullopt;
    return number.sign < 0 ? uint64_t{0} - number.magnitude : number.magnitude;
}

std::optional<float> ReadSingle(std::string_view text) { return ReadFloating<float>(text); }

std::optional<double> ReadDouble(std::string_view text) { return ReadFloating<double>(text); }

std::optional<std::vector<uint8_t>> EncodeValue(ValueRow row, std::string_view text, bool bigEndian,
                                                const uint8_t *current, int64_t available) {
    switch (row) {
    case ValueRow::Single: {
        std::optional<float> value = ReadSingle(text);
        if (!value) return std::nullopt;
        return FloatingBytes<float, uint32_t>(*value, current, available);
    }
    case ValueRow::Double: {
        std::optional<double> value = ReadDouble(text);
        if (!value) return std::nullopt;
        return FloatingBytes<double, uint64_t>(*value, current, available);
    }
    default: break;
    }
    std::optional<uint64_t> value = ReadInteger(text);
    if (!value) return std::nullopt;
    const int width = row == ValueRow::Byte ? 1 : row == ValueRow::Word ? 2 : row == ValueRow::DWord ? 4 : 8;
    std::vector<uint8_t> out(static_cast<size_t>(width));
    StoreUnsigned(*value, width, bigEndian, out.data());
    return out;
}

std::string CharacterEntry(int n, const std::string *name) {
    n &= 255;
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "[%03d] ", n);
    if (name) return prefix + *name;
    return prefix + std::string(1, static_cast<char>(n));
}

}  // namespace hx

namespace hx {

ValueProblem CheckValueText(ValueRow row, std::string_view text, bool sign) {
    if (row == ValueRow::Single) return CheckFloating<float>(text);
    if (row == ValueRow::Double) return CheckFloating<double>(text);
    return CheckInteger(row, text, sign);
}

std::pair<std::string, std::string> RowRange(ValueRow row, bool sign) {
    if (row == ValueRow::Single || row == ValueRow::Double) return {};
    const IntegerRange range = RangeOf(row, sign);
    return {range.belowZero ? "-" + std::to_string(range.belowZero) : "0", std::to_string(range.highest)};
}

}  // namespace hx
