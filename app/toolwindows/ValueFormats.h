// The values editor's conversions, without any window: the bytes at a cursor
// as the texts of its rows, and a typed text back to the bytes a row writes.
//
// Integers follow the sign and byte-order choice; Single and Double are
// always little-endian; the colour and the time stamp take the DWord row's
// 32-bit value. Every text here uses "." as the decimal point whatever the
// process locale is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hx {

struct ValueOrder {
    bool sign = true;         // integers shown as signed numbers
    bool bigEndian = false;   // integers (and colour, time stamp) most significant byte first
};

// What the window shows for up to 8 bytes at a cursor. Rows that need more
// bytes than are available are empty strings.
struct ValueTexts {
    int character = -1;        // the byte's entry in the character list; -1 none
    uint8_t bits = 0;          // bit i set: toggle i down
    std::string byte, word, dword, qword, single, dbl, timestamp;
    bool hasColour = false;    // false: fewer than 4 bytes
    uint32_t colour = 0;       // red in the low byte, then green, blue, alpha
};

// available is the number of bytes from the cursor to the end of the document
// (bytes[0 ... min(available, 8) - 1] are read; 0 or less gives empty rows).
ValueTexts DescribeBytes(const uint8_t *bytes, int64_t available, ValueOrder order);

// Fixed-point with 7 (Single) or 16 (Double) decimals. When that text would
// read back as a different number (the value is too small or too finely
// placed for the decimals, "0.0000000" for 1e-10), the shortest text that
// reads back exactly is given instead ("1e-10"), so that writing a shown
// value back never changes the bytes. Infinities give "+Inf" / "-Inf" and
// "+Infinity" / "-Infinity", a NaN "NaN".
std::string FormatSingle(float value);
std::string FormatDouble(double value);
// Seconds since 1 January 1970 UTC as "dd.mm.yyyy hh:ii:ss"; negative values
// are the dates before 1970 (a signed 32-bit value reaches back to 13.12.1901).
std::string FormatTimestamp(int64_t seconds);

// Reads a typed integer leniently: blanks and tabs skipped, optional sign,
// then decimal digits, "$" and hexadecimal or "%" and binary digits; reading
// stops at the first other character. Gives the two's-complement 64 bits, so
// "-1" and "18446744073709551615" both give all ones. A magnitude beyond the
// range saturates (at 2^64 - 1, or at -2^63 for a negative number). No digit
// at all (empty text, "abc", "-", "$") gives nothing.
std::optional<uint64_t> ReadInteger(std::string_view text);
// Reads a typed floating-point number: blanks and tabs skipped, optional
// sign, then a decimal number with "." as the point and an optional exponent,
// or "Inf", "Infinity", "NaN" in any case; reading stops at the first other
// character. Gives nothing for text without a number and for a number beyond
// the type's range (it would otherwise become an infinity or a zero).
std::optional<float> ReadSingle(std::string_view text);
std::optional<double> ReadDouble(std::string_view text);

enum class ValueRow { Byte, Word, DWord, QWord, Single, Double };

// The bytes the row's Set writes for text: the low 8, 16, 32 or 64 bits of
// the integer (byte order applied to Word, DWord, QWord), or the IEEE 754
// single or double, little-endian. Nothing when the text holds no number.
// A NaN names no particular bit pattern: when the bytes at the cursor
// (current, available of them) already hold a NaN of the row's width, they
// are written back as they are; otherwise the typed NaN is written.
std::optional<std::vector<uint8_t>> EncodeValue(ValueRow row, std::string_view text, bool bigEndian,
                                                const uint8_t *current = nullptr, int64_t available = 0);

// Why a typed text cannot be written by a row.
enum class ValueProblem {
    None,
    NotANumber,   // no number, or other characters after it ("12abc", "1,5")
    OutOfRange,   // a number the row cannot hold
};
// Checks text before a row's Set writes it. Integers: decimal numbers must lie
// in the row's range for the sign shown (-128 ... 127 or 0 ... 255 for Byte);
// "$" hexadecimal and "%" binary numbers without a minus are the row's bits
// and may take its whole unsigned range. Single and Double: a number within
// the type's range (not one that would become an infinity or a zero).
// Blanks and tabs around the number are allowed.
ValueProblem CheckValueText(ValueRow row, std::string_view text, bool sign);
// The lowest and highest decimal value of an integer row for the sign
// ("-128" and "127"); empty texts for Single and Double.
std::pair<std::string, std::string> RowRange(ValueRow row, bool sign);

// The character list's entry n (0 ... 255): "[" + n padded to 3 digits + "] "
// + name, or the single character with code n (Latin-1) when name is null.
std::string CharacterEntry(int n, const std::string *name);

}  // namespace hx
