// A search pattern compiled for finding: k >= 1 bytes, each matched exactly,
// or, when case is ignored, a letter A-Z / a-z matching the same letter in
// either case (bytes of every other value, those of 128 and above included,
// still match exactly).
//
// Finding works on one contiguous buffer, forward and backward; the searches
// over a whole store (RangeSearch.h) and the view's match marks build on it.
// Exact forward finding is memmem; the rest compares two anchor bytes of the
// pattern against sixteen positions at once and checks the whole pattern only
// where both anchors match.
#pragma once

#include <cstdint>
#include <vector>

namespace hx {

// How the pattern field's bytes become the bytes searched for.
enum class SearchText : int32_t {
    Bytes = 0,     // the field's bytes as they stand
    Utf16LE = 1,   // each byte as the 16-bit unit of its character, low byte first
    Utf16BE = 2,   // the same, high byte first
};

// The bytes searched for when the field holds n bytes. The field's character
// column shows byte b as the character U+00bb (Latin-1), so in UTF-16 each
// byte becomes the unit 00 bb. Empty for n <= 0 or a null field.
std::vector<uint8_t> SearchBytes(const uint8_t *field, int64_t n, SearchText text);

class BytePattern {
public:
    BytePattern() = default;
    // n <= 0 or a null source gives an empty pattern, which finds nothing.
    BytePattern(const uint8_t *bytes, int64_t n, bool matchCase);

    int64_t length() const { return static_cast<int64_t>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    // The bytes as given (letters in the case they were typed).
    const uint8_t *data() const { return bytes_.data(); }
    // True when case is ignored and the pattern holds a letter, so that some
    // position matches two byte values.
    bool foldsCase() const { return folds_; }

    // Whether the k bytes at p match.
    bool matchesAt(const uint8_t *p) const;
    // Offset of the first match that starts at or after from and lies wholly
    // within bytes[0, n); -1 when there is none (also for an empty pattern).
    int64_t findFirst(const uint8_t *bytes, int64_t n, int64_t from = 0) const;
    // Offset of the last match that lies wholly within bytes[0, end); -1 when
    // there is none.
    int64_t findLast(const uint8_t *bytes, int64_t end) const;

private:
    std::vector<uint8_t> bytes_;
    // Per position: 0x20 where a letter matches both cases (else 0), and the
    // byte with that bit set. A byte b matches position i exactly when
    // (b | fold_[i]) == value_[i]: for a letter only its two cases give the
    // lower-case value, for other bytes fold is 0 and the test is b == value.
    std::vector<uint8_t> fold_;
    std::vector<uint8_t> value_;
    bool folds_ = false;
};

}  // namespace hx
