#include "tools/BriefLz.h"

#include <algorithm>
#include <cstring>

namespace hx {

namespace {

constexpr int HashBits = 17;
constexpr int MaxChain = 32;       // candidates looked at per position
constexpr int64_t MinMatch = 4;    // G1 >= 2
constexpr int64_t LiteralBits = 9; // a tag bit and the byte

uint32_t Read32(const uint8_t *p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t Hash(const uint8_t *p) { return (Read32(p) * 2654435761u) >> (32 - HashBits); }

int TopBit(uint64_t v) { return 63 - __builtin_clzll(v); }

// A gamma number v >= 2 takes two bits per binary digit after the leading 1.
int64_t GammaBits(uint64_t v) { return 2 * TopBit(v); }

int64_t MatchBits(int64_t length, int64_t offset) {
    return 1 + GammaBits(static_cast<uint64_t>(length - 2)) + GammaBits(static_cast<uint64_t>(((offset - 1) >> 8) + 2)) + 8;
}

// Equal bytes at a and b, up to limit.
int64_t MatchLength(const uint8_t *a, const uint8_t *b, int64_t limit) {
    int64_t n = 0;
    while (n + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

// Writes bytes and tag bits in the order the reader takes them: a tag word's
// two bytes are reserved at the place where the reader will fetch it, when
// the first of its bits is written, and filled in when it is full.
class StreamWriter {
public:
    explicit StreamWriter(uint8_t *out) : out_(out) {}

    void bit(unsigned b) {
        if (bitsLeft_ == 0) {
            flushTag();
            tagAt_ = pos_;
            pos_ += 2;
            tag_ = 0;
            bitsLeft_ = 16;
        }
        --bitsLeft_;
        tag_ |= (b & 1u) << bitsLeft_;
    }

    void gamma(uint64_t v) {
        for (int i = TopBit(v) - 1; i >= 0; --i) {
            bit(static_cast<unsigned>(v >> i) & 1u);
            bit(i > 0);
        }
    }

    void byte(uint8_t b) { out_[pos_++] = b; }

    int64_t finish() {
        flushTag();
        return pos_;
    }

private:
    void flushTag() {
        if (tagAt_ < 0) return;
        out_[tagAt_] = static_cast<uint8_t>(tag_);
        out_[tagAt_ + 1] = static_cast<uint8_t>(tag_ >> 8);
    }

    uint8_t *out_;
    int64_t pos_ = 0;
    int64_t tagAt_ = -1;   // none yet: the reader's first bit is its own pending 0
    uint32_t tag_ = 0;
    int bitsLeft_ = 1;
};

}  // namespace

int64_t BriefLzPacker::pack(const uint8_t *in, int64_t n, uint8_t *out) {
    if (n <= 0) return 0;
    head_.assign(size_t(1) << HashBits, -1);
    prev_.resize(static_cast<size_t>(n));
    auto insert = [&](int64_t i) {
        if (i + MinMatch > n) return;
        const uint32_t h = Hash(in + i);
        prev_[static_cast<size_t>(i)] = head_[h];
        head_[h] = static_cast<int32_t>(i);
    };

    StreamWriter w(out);
    w.bit(0);   // the first item is a literal, on the reader's pending bit
    w.byte(in[0]);
    insert(0);
    for (int64_t i = 1; i < n;) {
        int64_t bestLength = 0, bestOffset = 0, bestGain = 0;
        if (i + MinMatch <= n) {
            const int64_t limit = n - i;
            int32_t c = head_[Hash(in + i)];
            for (int chain = 0; c >= 0 && chain < MaxChain; ++chain, c = prev_[static_cast<size_t>(c)]) {
                if (Read32(in + c) != Read32(in + i)) continue;
                const int64_t length = MinMatch + MatchLength(in + c + MinMatch, in + i + MinMatch, limit - MinMatch);
                const int64_t offset = i - c;
                const int64_t gain = LiteralBits * length - MatchBits(length, offset);
                if (gain > bestGain) {
                    bestGain = gain;
                    bestLength = length;
                    bestOffset = offset;
                }
                if (length == limit) break;
            }
        }
        if (bestGain <= 0) {
            w.bit(0);
            w.byte(in[i]);
            insert(i);
            ++i;
            continue;
        }
        w.bit(1);
        w.gamma(static_cast<uint64_t>(bestLength - 2));
        w.gamma(static_cast<uint64_t>(((bestOffset - 1) >> 8) + 2));
        w.byte(static_cast<uint8_t>((bestOffset - 1) & 0xFF));
        for (int64_t k = 0; k < bestLength; ++k) insert(i + k);
        i += bestLength;
    }
    return w.finish();
}

BriefLzUnpacked BriefLzUnpack(const uint8_t *packed, int64_t packedLength, uint8_t *out, int64_t length) {
    int64_t ip = 0, op = 0;
    uint32_t tag = 0;
    int bitsLeft = 1;   // one pending bit of value 0: the first item is a literal
    bool bad = false;
    auto bit = [&]() -> unsigned {
        if (bitsLeft == 0) {
            if (packedLength - ip < 2) {
                bad = true;
                return 0;
            }
            tag = packed[ip] | (uint32_t(packed[ip + 1]) << 8);
            ip += 2;
            bitsLeft = 16;
        }
        --bitsLeft;
        return (tag >> bitsLeft) & 1u;
    };
    // A gamma number, or 0 (bad set) when the stream ends inside it or it
    // grows past limit; limit keeps it far from overflowing.
    auto gamma = [&](uint64_t limit) -> uint64_t {
        uint64_t v = 1;
        do {
            v = (v << 1) + bit();
            if (bad || v > limit) {
                bad = true;
                return 0;
            }
        } while (bit());
        return bad ? 0 : v;
    };

    while (op < length) {
        if (!bit()) {
            if (bad || ip >= packedLength) return {false, ip};
            out[op++] = packed[ip++];
            continue;
        }
        if (bad) return {false, ip};
        // The match must end within the block and start after its first byte.
        const uint64_t g1 = gamma(static_cast<uint64_t>(std::max<int64_t>(length - op - 2, 0)));
        if (bad) return {false, ip};
        const uint64_t g2 = gamma(static_cast<uint64_t>((op - 1) / 256 + 2));
        if (bad || ip >= packedLength) return {false, ip};
        const int64_t offset = static_cast<int64_t>((g2 - 2) * 256) + packed[ip++] + 1;
        const int64_t n = static_cast<int64_t>(g1) + 2;
        if (offset > op) return {false, ip - 1};
        const uint8_t *from = out + op - offset;
        if (offset >= n) {
            std::memcpy(out + op, from, static_cast<size_t>(n));
        } else {
            for (int64_t k = 0; k < n; ++k) out[op + k] = from[k];   // overlapping: repeats the last offset bytes
        }
        op += n;
    }
    return {true, ip};
}

}  // namespace hx
