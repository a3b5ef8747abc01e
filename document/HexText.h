// Reading numbers and hexadecimal text the way the user types them.
#pragma once

#include <cstdint>
#include <string_view>

#include "ByteBuffer.h"

namespace hx {

// Reads a signed 64-bit number leniently: leading blanks and tabs are skipped,
// then an optional sign, then decimal digits, or "$" and hexadecimal digits,
// or "%" and binary digits; reading stops at the first other character. Empty
// text (or text without digits) reads as 0.
// A value beyond the 64-bit range saturates at INT64_MAX (or INT64_MIN for a
// negative number) instead of wrapping.
int64_t ReadNumber(std::string_view text);

// A number read by the same rules, in parts: sign (0 when none was typed,
// else +1 or -1), the magnitude saturated at positiveLimit (at 2^63 for a
// negative number), and whether any digit was there. With zeroX, "0x" before
// a hexadecimal digit also introduces hexadecimal digits.
struct LenientNumber {
    int sign = 0;
    uint64_t magnitude = 0;
    bool digits = false;
};
LenientNumber ReadLenientNumber(std::string_view text, uint64_t positiveLimit, bool zeroX = false);

// The value of one hexadecimal digit, or -1.
inline int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the pair of characters at text[0], text[1]: read as a hexadecimal
// number that stops at the first non-hexadecimal character ("4z" gives 4,
// "z4" gives 0).
inline uint8_t HexPairValue(char high, char low) {
    int h = HexDigitValue(high);
    if (h < 0) return 0;
    int l = HexDigitValue(low);
    if (l < 0) return static_cast<uint8_t>(h);
    return static_cast<uint8_t>(h * 16 + l);
}

// A new block of text.size() / 2 bytes, byte i decoded from characters 2i and
// 2i + 1 with HexPairValue; a last odd character is ignored. Text shorter than
// 2 characters gives none (an invalid buffer).
ByteBuffer HexToBytes(std::string_view text);

// Reads hexadecimal text as users paste it: pairs of digits (either case),
// runs of pairs written together ("DEADBEEF"), each run optionally written
// "0x" or "\x" first, runs separated by any number of blanks, tabs, line
// breaks, ":", "," or "-" (or by nothing before a "\x"). Anything else (another
// character, a run of an odd number of digits, a prefix without digits) makes
// the whole text unreadable: false, and bytes is left empty. Text holding only
// separators reads as no bytes. The result is at most half the text's length.
bool ReadPastedHex(std::string_view text, std::string &bytes);

// Writes the bytes as upper-case hexadecimal pairs without separators.
std::string BytesToHex(const uint8_t *bytes, int64_t length);

}  // namespace hx
