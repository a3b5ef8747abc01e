// Counting byte values fast.
//
// A count is one read-modify-write of a counter per byte, and a processor
// retires only about one store to a random place in its cache per cycle: the
// plain loop already runs at that rate on varied data. Counting faster means
// fewer stores, so large pieces are counted two bytes at a time: each pair of
// neighbouring bytes {a, b} bumps one counter of a table of unordered pairs,
// and each pair counter is added to both of its values at the end.
//
//  - Unordered pairs need 256 × 257 / 2 = 32896 counters; as bytes they fit in
//    the first-level cache beside the data stream (an ordered 65536-entry
//    table would not, and 16-bit counters would not either).
//  - A byte counter wraps after 255. The wrap is seen on the increment itself
//    (the result is 0) and then adds 256 to both values of the pair at once.
//  - The pair keys of a block are computed with vector instructions into a
//    small buffer, which the scalar loop then reads.
//  - When the same pair comes again at once (runs of one value, short
//    repeating patterns), every increment waits for the one before on the
//    same counter. Such blocks go to eight interleaved 64-bit tables instead,
//    one per byte position in a group of eight, where equal neighbours land
//    on different counters.
#include "Histogram.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define HX_PAIR_COUNTING 1
#endif

namespace hx {

namespace {

// Each interleaved table is padded by 16 counters (128 bytes): with tables
// exactly 2 KiB apart, the same counter of tables two apart would share the
// low 12 address bits, and the processor would take the later load for one
// that depends on the earlier store.
constexpr int Tables = 8;
constexpr int TableStride = 256 + 16;

struct Interleaved {
    alignas(64) uint64_t tables[Tables * TableStride] = {};

    void count(const uint8_t *p, const uint8_t *end) {
        while (end - p >= 16) {
            for (int k = 0; k < 16; ++k) ++tables[(k % Tables) * TableStride + p[k]];
            p += 16;
        }
        for (; p < end; ++p) ++tables[*p];
    }
    void addTo(ByteCounts &counts) const {
        for (int value = 0; value < 256; ++value) {
            uint64_t sum = 0;
            for (int t = 0; t < Tables; ++t) sum += tables[t * TableStride + value];
            counts[value] += sum;
        }
    }
};

#if HX_PAIR_COUNTING

constexpr int BlockBytes = 1024;
constexpr int BlockPairs = BlockBytes / 2;
constexpr int PairKeys = 256 * 257 / 2;

// The key of {a, b} with a <= b is b (b + 1) / 2 + a: row b of a triangle,
// column a. Keys run from 0 to PairKeys − 1.
constexpr int PairKey(int a, int b) { return a <= b ? b * (b + 1) / 2 + a : a * (a + 1) / 2 + b; }
static_assert(PairKey(255, 255) == PairKeys - 1);

// How many of the first SampledPairs pairs of a block may repeat the key of
// one of the two pairs before them before the block is counted with the
// interleaved tables. Random bytes repeat a key about once in 16000 pairs; a
// run of one value, or a pattern of two or four bytes, repeats on every pair.
constexpr int SampledPairs = 128;
constexpr int MostRepeats = 8;

// The pair keys of one block. Two entries past the block hold a key that no
// pair has, so that the repeat check may look two ahead of the last pair.
struct alignas(64) BlockKeys {
    uint16_t key[BlockPairs + 16];
    BlockKeys() { std::fill(std::begin(key), std::end(key), uint16_t(0xFFFF)); }
};

// Reading ahead of the block helps the memory keep up with the counting.
constexpr int PrefetchDistance = 4096;

void BlockKeysSse2(const uint8_t *block, uint16_t *keys) {
    const __m128i low = _mm_set1_epi16(0xFF);
    const __m128i one = _mm_set1_epi16(1);
    for (int i = 0; i < BlockBytes; i += 16) {
        if (i % 64 == 0) _mm_prefetch(reinterpret_cast<const char *>(block + i + PrefetchDistance), _MM_HINT_T0);
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        const __m128i a = _mm_and_si128(x, low);
        const __m128i b = _mm_srli_epi16(x, 8);
        const __m128i lo = _mm_min_epi16(a, b);
        const __m128i hi = _mm_max_epi16(a, b);
        const __m128i row = _mm_srli_epi16(_mm_mullo_epi16(hi, _mm_add_epi16(hi, one)), 1);
        _mm_store_si128(reinterpret_cast<__m128i *>(keys + i / 2), _mm_add_epi16(row, lo));
    }
}

[[gnu::target("avx2")]] void BlockKeysAvx2(const uint8_t *block, uint16_t *keys) {
    const __m256i low = _mm256_set1_epi16(0xFF);
    const __m256i one = _mm256_set1_epi16(1);
    for (int i = 0; i < BlockBytes; i += 32) {
        if (i % 64 == 0) _mm_prefetch(reinterpret_cast<const char *>(block + i + PrefetchDistance), _MM_HINT_T0);
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + i));
        const __m256i a = _mm256_and_si256(x, low);
        const __m256i b = _mm256_srli_epi16(x, 8);
        const __m256i lo = _mm256_min_epi16(a, b);
        const __m256i hi = _mm256_max_epi16(a, b);
        const __m256i row = _mm256_srli_epi16(_mm256_mullo_epi16(hi, _mm256_add_epi16(hi, one)), 1);
        _mm256_store_si256(reinterpret_cast<__m256i *>(keys + i / 2), _mm256_add_epi16(row, lo));
    }
}

using BlockKeysFunction = void (*)(const uint8_t *, uint16_t *);

BlockKeysFunction ChooseBlockKeys() {
    return __builtin_cpu_supports("avx2") ? BlockKeysAvx2 : BlockKeysSse2;
}

// Whether the sampled pairs of a block repeat keys often enough that the
// increments would wait on each other.
bool Repetitive(const uint16_t *keys) {
    __m128i repeats = _mm_setzero_si128();
    for (int j = 0; j < SampledPairs; j += 8) {
        const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i *>(keys + j));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(keys + j + 1));
        const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i *>(keys + j + 2));
        repeats = _mm_sub_epi16(repeats, _mm_or_si128(_mm_cmpeq_epi16(k, next), _mm_cmpeq_epi16(k, after)));
    }
    alignas(16) uint16_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i *>(lanes), repeats);
    int total = 0;
    for (uint16_t n : lanes) total += n;
    return total > MostRepeats;
}

struct PairTable {
    // Padded by 16 bytes so that the last row may be read 16 bytes at a time.
    alignas(64) uint8_t counter[PairKeys + 16] = {};

    // A counter that wrapped to 0 had counted 256 more pairs.
    [[gnu::cold, gnu::noinline]] static void wrapped(const uint8_t *pair, ByteCounts &counts) {
        counts[pair[0]] += 256;
        counts[pair[1]] += 256;
    }

    void count(const uint8_t *block, const uint16_t *keys, ByteCounts &counts) {
#pragma GCC unroll 8
        for (int j = 0; j < BlockPairs; ++j) {
            if (__builtin_expect(++counter[keys[j]] == 0, 0)) wrapped(block + 2 * j, counts);
        }
    }

    // Adds row b's counters to value b and each counter of the row to its
    // column a (the diagonal {b, b} counts twice, once per byte). Columns
    // gather in 16-bit sums: 256 rows of at most 255.
    void addTo(ByteCounts &counts) const {
        alignas(16) uint16_t columns[256] = {};
        const __m128i positions = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const __m128i zero = _mm_setzero_si128();
        for (int b = 0; b < 256; ++b) {
            const uint8_t *row = counter + b * (b + 1) / 2;
            const int length = b + 1;
            __m128i rowSum = zero;
            for (int a = 0; a < length; a += 16) {
                __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + a));
                if (length - a < 16)   // the bytes past the row belong to the next row
                    x = _mm_and_si128(x, _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(length - a)), positions));
                rowSum = _mm_add_epi64(rowSum, _mm_sad_epu8(x, zero));
                auto *column = reinterpret_cast<__m128i *>(columns + a);
                _mm_store_si128(column, _mm_add_epi16(_mm_load_si128(column), _mm_unpacklo_epi8(x, zero)));
                _mm_store_si128(column + 1, _mm_add_epi16(_mm_load_si128(column + 1), _mm_unpackhi_epi8(x, zero)));
            }
            counts[b] += static_cast<uint64_t>(_mm_cvtsi128_si64(rowSum)) +
                         static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(rowSum, rowSum)));
        }
        for (int a = 0; a < 256; ++a) counts[a] += columns[a];
    }
};

// Below this the pair table's clearing and adding up cost more than it saves.
constexpr int64_t PairCountingFrom = 256 * 1024;

#endif

}  // namespace

void CountBytes(const uint8_t *bytes, int64_t length, ByteCounts &counts, CountingPath path) {
    if (!bytes || length <= 0) return;
    Interleaved interleaved;
    const uint8_t *p = bytes;
    const uint8_t *const end = bytes + length;
#if HX_PAIR_COUNTING
    if (length >= PairCountingFrom) {
        static const BlockKeysFunction fastest = ChooseBlockKeys();
        const BlockKeysFunction blockKeys = path == CountingPath::Baseline ? BlockKeysSse2 : fastest;
        PairTable pairs;
        BlockKeys keys;
        for (; end - p >= BlockBytes; p += BlockBytes) {
            blockKeys(p, keys.key);
            if (Repetitive(keys.key))
                interleaved.count(p, p + BlockBytes);
            else
                pairs.count(p, keys.key, counts);
        }
        pairs.addTo(counts);
    }
#else
    (void)path;
#endif
    interleaved.count(p, end);
    interleaved.addTo(counts);
}

}  // namespace hx
