#include "HexText.h"

#include <limits>
#include <string>

namespace hx {

LenientNumber ReadLenientNumber(std::string_view text, uint64_t positiveLimit, bool zeroX) {
    LenientNumber number;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        number.sign = text[i] == '-' ? -1 : 1;
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    } else if (zeroX && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
               HexDigitValue(text[i + 2]) >= 0) {
        base = 16;
        i += 2;
    }
    // The magnitude is accumulated unsigned so that INT64_MIN is reachable;
    // anything beyond the limit saturates instead of wrapping.
    const uint64_t limit = number.sign < 0 ? uint64_t{1} << 63 : positiveLimit;
    for (; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0 || digit >= base) break;
        number.digits = true;
        if (number.magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            number.magnitude = limit;
            continue;
        }
        number.magnitude = number.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return number;
}

int64_t ReadNumber(std::string_view text) {
    const LenientNumber number = ReadLenientNumber(text, uint64_t(std::numeric_limits<int64_t>::max()));
    if (number.sign >= 0) return static_cast<int64_t>(number.magnitude);
    if (number.magnitude == uint64_t{1} << 63) return std::numeric_limits<int64_t>::min();
    return -static_cast<int64_t>(number.magnitude);
}

ByteBuffer HexToBytes(std::string_view text) {
    if (text.size() < 2) return {};
    const int64_t n = static_cast<int64_t>(text.size() / 2);
    ByteBuffer out = ByteBuffer::zeroed(n);
    if (!out) return out;
    uint8_t *dst = out.data();
    const char *src = text.data();
    for (int64_t i = 0; i < n; ++i) dst[i] = HexPairValue(src[2 * i], src[2 * i + 1]);
    return out;
}

namespace {

bool IsHexSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':' || c == ',' || c == '-';
}

// Length of a "0x" or "\x" prefix at text[i] (either x case), else 0.
size_t HexPrefixLength(std::string_view text, size_t i) {
    if (i + 1 >= text.size() || (text[i + 1] != 'x' && text[i + 1] != 'X')) return 0;
    return text[i] == '0' || text[i] == '\\' ? 2 : 0;
}

}  // namespace

bool ReadPastedHex(std::string_view text, std::string &bytes) {
    bytes.clear();
    std::string out;
    out.reserve(text.size() / 2);
    size_t i = 0;
    while (i < text.size()) {
        if (IsHexSeparator(text[i])) {
            ++i;
            continue;
        }
        // A prefix without digits after it is refused below with the empty run.
        i += HexPrefixLength(text, i);
        const size_t start = i;
        while (i < text.size() && HexDigitValue(text[i]) >= 0) ++i;
        const size_t digits = i - start;
        if (digits == 0 || digits % 2 != 0) return false;
        for (size_t k = start; k < i; k += 2)
            out += static_cast<char>(HexDigitValue(text[k]) * 16 + HexDigitValue(text[k + 1]));
        // A run ends at a separator, the end, or the next "\x" run.
        if (i < text.size() && !IsHexSeparator(text[i]) && !(text[i] == '\\' && HexPrefixLength(text, i)))
            return false;
    }
    bytes = std::move(out);
    return true;
}

std::string BytesToHex(const uint8_t *bytes, int64_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    if (length <= 0) return out;
    out.resize(static_cast<size_t>(length) * 2);
    for (int64_t i = 0; i < length; ++i) {
        out[static_cast<size_t>(2 * i)] = digits[bytes[i] >> 4];
        out[static_cast<size_t>(2 * i + 1)] = digits[bytes[i] & 15];
    }
    return out;
}

}  // namespace hx
