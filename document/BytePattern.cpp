#include "BytePattern.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hx {

namespace {

bool IsLetter(uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

uint64_t Load64(const uint8_t *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

}  // namespace

std::vector<uint8_t> SearchBytes(const uint8_t *field, int64_t n, SearchText text) {
    if (!field || n <= 0) return {};
    if (text == SearchText::Bytes) return std::vector<uint8_t>(field, field + n);
    std::vector<uint8_t> units(static_cast<size_t>(n) * 2, 0);
    const size_t low = text == SearchText::Utf16LE ? 0 : 1;
    for (int64_t i = 0; i < n; ++i) units[static_cast<size_t>(2 * i) + low] = field[i];
    return units;
}

BytePattern::BytePattern(const uint8_t *bytes, int64_t n, bool matchCase) {
    if (!bytes || n <= 0) return;
    bytes_.assign(bytes, bytes + n);
    fold_.assign(bytes_.size(), 0);
    value_ = bytes_;
    if (matchCase) return;
    for (size_t i = 0; i < bytes_.size(); ++i) {
        if (!IsLetter(bytes_[i])) continue;
        fold_[i] = 0x20;
        value_[i] = static_cast<uint8_t>(bytes_[i] | 0x20);
        folds_ = true;
    }
}

bool BytePattern::matchesAt(const uint8_t *p) const {
    const size_t k = bytes_.size();
    if (!folds_) return std::memcmp(p, bytes_.data(), k) == 0;
    size_t i = 0;
    for (; i + 8 <= k; i += 8)
        if ((Load64(p + i) | Load64(fold_.data() + i)) != Load64(value_.data() + i)) return false;
    for (; i < k; ++i)
        if ((p[i] | fold_[i]) != value_[i]) return false;
    return true;
}

int64_t BytePattern::findFirst(const uint8_t *bytes, int64_t n, int64_t from) const {
    const int64_t k = length();
    if (k == 0 || !bytes || from < 0 || n - from < k) return -1;
    if (!folds_ && k == 1) {
        const void *hit = std::memchr(bytes + from, bytes_[0], static_cast<size_t>(n - from));
        return hit ? static_cast<const uint8_t *>(hit) - bytes : -1;
    }
    if (!folds_) {
        const void *hit = memmem(bytes + from, static_cast<size_t>(n - from), bytes_.data(), static_cast<size_t>(k));
        return hit ? static_cast<const uint8_t *>(hit) - bytes : -1;
    }
    const int64_t last = k - 1;
    int64_t i = from;
#if defined(__SSE2__)
    // Sixteen candidate starts i ... i + 15 at a time: their first bytes and
    // their last bytes (i + last ...) each in one register.
    const __m128i foldFirst = _mm_set1_epi8(static_cast<char>(fold_[0]));
    const __m128i valueFirst = _mm_set1_epi8(static_cast<char>(value_[0]));
    const __m128i foldLast = _mm_set1_epi8(static_cast<char>(fold_[last]));
    const __m128i valueLast = _mm_set1_epi8(static_cast<char>(value_[last]));
    for (; i + last + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i + last));
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, foldFirst), valueFirst),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, foldLast), valueLast));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask; mask &= mask - 1) {
            const int64_t at = i + __builtin_ctz(mask);
            if (matchesAt(bytes + at)) return at;
        }
    }
#endif
    for (; i + k <= n; ++i)
        if ((bytes[i] | fold_[0]) == value_[0] && matchesAt(bytes + i)) return i;
    return -1;
}

int64_t BytePattern::findLast(const uint8_t *bytes, int64_t end) const {
    const int64_t k = length();
    if (k == 0 || !bytes || end < k) return -1;
    const int64_t last = k - 1;
    // Candidate starts run from end - k down to 0.
    int64_t top = end - k;   // highest start not yet tried
#if defined(__SSE2__)
    const __m128i foldFirst = _mm_set1_epi8(static_cast<char>(fold_[0]));
    const __m128i valueFirst = _mm_set1_epi8(static_cast<char>(value_[0]));
    const __m128i foldLast = _mm_set1_epi8(static_cast<char>(fold_[last]));
    const __m128i valueLast = _mm_set1_epi8(static_cast<char>(value_[last]));
    for (; top >= 15; top -= 16) {
        const int64_t i = top - 15;   // the block holds the starts i ... top
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i + last));
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, foldFirst), valueFirst),
                                           _mm_cmpeq_epi8(_mm_or_si128(b, foldLast), valueLast));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask;) {
            const int bit = 31 - __builtin_clz(mask);
            if (matchesAt(bytes + i + bit)) return i + bit;
            mask &= ~(1u << bit);
        }
    }
#endif
    for (; top >= 0; --top)
        if ((bytes[top] | fold_[0]) == value_[0] && matchesAt(bytes + top)) return top;
    return -1;
}

}  // namespace hx
