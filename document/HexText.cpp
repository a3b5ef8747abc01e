#include "HexText.h"

#include <limits>
#include <string>

namespace hx {

int64_t ReadNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    // Accumulate the magnitude as unsigned so that INT64_MIN is reachable;
    // anything beyond 2^63 saturates.
    const uint64_t limit = negative ? uint64_t{1} << 63 : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        int digit = HexDigitValue(text[i]);
        if (digit < 0 || digit >= base) break;
        if (saturated) continue;
        if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            saturated = true;
            magnitude = limit;
            continue;
        }
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (!negative) return static_cast<int64_t>(magnitude);
    if (magnitude == uint64_t{1} << 63) return std::numeric_limits<int64_t>::min();
    return -static_cast<int64_t>(magnitude);
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
