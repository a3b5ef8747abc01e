// BriefLZ, one block's compressed stream: literal bytes and matches, told
// apart by bits of 16-bit tag words (read low byte first, bits used most
// significant first, a new word read at the moment a bit is needed and none
// is left; the reader starts with one pending bit of value 0, so a block
// begins with a literal). A match is a gamma number G1, a gamma number G2
// and a byte B: length G1 + 2 (at least 4), offset (G2 − 2) × 256 + B + 1
// bytes back in the output. A gamma number (at least 2) is 1 followed by
// pairs of bits: the next binary digit, then 1 when more digits follow.
//
// The block container (tools/BriefLzCodec.cpp) frames these streams.
//
// Plain C++: no Qt.
#pragma once

#include <cstdint>
#include <vector>

namespace hx {

// The packer's block length: the container cuts its input into blocks of this many bytes.
inline constexpr int64_t BriefLzBlockLength = int64_t(1) << 20;
inline constexpr int64_t BriefLzHeaderLength = 24;

// The most bytes a stream of n input bytes can take: every byte a literal
// (a byte and a tag bit each), plus slack.
inline int64_t BriefLzPackedBound(int64_t n) { return n + n / 8 + 64; }

// Our encoder: LZ77 over the block with hash chains, a match taken only when
// its bits cost less than its bytes as literals would.
class BriefLzPacker {
public:
    // Packs n bytes (at most BriefLzBlockLength) into out, which has room for
    // BriefLzPackedBound(n) bytes; returns the stream's length (0 for n = 0).
    int64_t pack(const uint8_t *in, int64_t n, uint8_t *out);

private:
    std::vector<int32_t> head_;   // per hash: the last position with it, -1 none
    std::vector<int32_t> prev_;   // per position: the previous one with the same hash
};

struct BriefLzUnpacked {
    bool ok = false;
    // ok: the stream's bytes that were read (the rest of packed is not part of it);
    // else: the offset in packed where the stream went wrong.
    int64_t at = 0;
};

// Unpacks a stream into exactly length bytes at out. Refuses (ok false) a
// stream that ends before length bytes are made, a match that reaches back
// before the first byte or past length, and a gamma number too large for
// any block; nothing is read or written outside packed and out.
BriefLzUnpacked BriefLzUnpack(const uint8_t *packed, int64_t packedLength, uint8_t *out, int64_t length);

}  // namespace hx
