#include "Fingerprints.h"

#include <isa-l/crc.h>
#include <libdeflate.h>
#include <lzma.h>
#include <openssl/evp.h>
#include <xxhash.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>

#include "platform/File.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

namespace {

constexpr int OnlyContext = 0;

// One incremental EVP digest (MD5 or SHA1) for context 0. The EVP context is
// made on the first Start and kept for the life of the program; Start resets it.
class EvpDigest {
public:
    explicit EvpDigest(const EVP_MD *(*algorithm)()) : algorithm_(algorithm) {}

    int start(int context) {
        started_ = false;
        if (context != OnlyContext) return 0;
        if (!ctx_) ctx_.reset(EVP_MD_CTX_new());
        if (!ctx_ || EVP_DigestInit_ex(ctx_.get(), algorithm_(), nullptr) != 1) return 0;
        started_ = true;
        return 1;
    }

    int process(const uint8_t *piece, int32_t length, int context) {
        if (context != OnlyContext || !started_ || length < 0 || (length > 0 && !piece)) return 0;
        if (length == 0) return 1;
        if (EVP_DigestUpdate(ctx_.get(), piece, static_cast<size_t>(length)) == 1) return 1;
        started_ = false;   // the computation is lost: no digest may come of it
        return 0;
    }

    ByteBuffer finish(int context) {
        if (context != OnlyContext || !started_) return {};
        started_ = false;
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(ctx_.get(), digest, &size) != 1) return {};
        return ByteBuffer::copyOf(digest, size);
    }

private:
    struct Free {
        void operator()(EVP_MD_CTX *ctx) const { EVP_MD_CTX_free(ctx); }
    };
    const EVP_MD *(*algorithm_)();
    std::unique_ptr<EVP_MD_CTX, Free> ctx_;
    bool started_ = false;
};

// A running check value of 4 or 8 bytes (CRC32, Adler32, CRC-32C, CRC-64)
// for context 0. update takes the value so far and returns it with the bytes
// added, as zlib's crc32 does: the value between calls is the finished value.
class Checksum {
public:
    using Update = uint64_t (*)(uint64_t running, const uint8_t *bytes, size_t length);
    Checksum(Update update, uint64_t initial, int width) : update_(update), initial_(initial), width_(width) {}

    int start(int context) {
        started_ = context == OnlyContext;
        value_ = initial_;
        return started_ ? 1 : 0;
    }

    int process(const uint8_t *piece, int32_t length, int context) {
        if (context != OnlyContext || !started_ || length < 0 || (length > 0 && !piece)) return 0;
        if (length > 0) value_ = update_(value_, piece, static_cast<size_t>(length));
        return 1;
    }

    // Most significant byte first, as the value is printed.
    ByteBuffer finish(int context) {
        if (context != OnlyContext || !started_) return {};
        started_ = false;
        uint8_t bytes[8];
        for (int i = 0; i < width_; ++i) bytes[i] = static_cast<uint8_t>(value_ >> (8 * (width_ - 1 - i)));
        return ByteBuffer::copyOf(bytes, width_);
    }

private:
    Update update_;
    uint64_t initial_;
    int width_;
    uint64_t value_ = 0;
    bool started_ = false;
};

uint64_t Crc32Update(uint64_t crc, const uint8_t *bytes, size_t n) {
    return libdeflate_crc32(static_cast<uint32_t>(crc), bytes, n);
}

uint64_t Adler32Update(uint64_t sum, const uint8_t *bytes, size_t n) {
    return libdeflate_adler32(static_cast<uint32_t>(sum), bytes, n);
}

// ISA-L's CRC-32C runs without the initial and final inversion and takes an
// int length: the inversions are applied here, and longer pieces are cut.
uint64_t Crc32cUpdate(uint64_t crc, const uint8_t *bytes, size_t n) {
    auto running = static_cast<unsigned int>(~static_cast<uint32_t>(crc));
    while (n > 0) {
        const size_t piece = std::min<size_t>(n, INT_MAX);
        running = crc32_iscsi(const_cast<uint8_t *>(bytes), static_cast<int>(piece), running);
        bytes += piece;
        n -= piece;
    }
    return static_cast<uint32_t>(~running);
}

uint64_t Crc64Update(uint64_t crc, const uint8_t *bytes, size_t n) { return lzma_crc64(bytes, n, crc); }

// One streaming xxHash (XXH64 or XXH3 with 64-bit output, seed 0) for
// context 0; the digest is the hash's canonical form (most significant byte
// first), as xxhsum prints it.
template <typename State, State *(*Create)(), XXH_errorcode (*Free)(State *), XXH_errorcode (*Reset)(State *),
          XXH_errorcode (*Feed)(State *, const void *, size_t), XXH64_hash_t (*Digest)(const State *)>
class XxHash {
public:
    int start(int context) {
        started_ = false;
        if (context != OnlyContext) return 0;
        if (!state_) state_.reset(Create());
        if (!state_ || Reset(state_.get()) != XXH_OK) return 0;
        started_ = true;
        return 1;
    }

    int process(const uint8_t *piece, int32_t length, int context) {
        if (context != OnlyContext || !started_ || length < 0 || (length > 0 && !piece)) return 0;
        if (length == 0) return 1;
        if (Feed(state_.get(), piece, static_cast<size_t>(length)) == XXH_OK) return 1;
        started_ = false;
        return 0;
    }

    ByteBuffer finish(int context) {
        if (context != OnlyContext || !started_) return {};
        started_ = false;
        XXH64_canonical_t canonical;
        XXH64_canonicalFromHash(&canonical, Digest(state_.get()));
        return ByteBuffer::copyOf(canonical.digest, sizeof canonical.digest);
    }

private:
    struct Release {
        void operator()(State *state) const { Free(state); }
    };
    std::unique_ptr<State, Release> state_;
    bool started_ = false;
};

XXH_errorcode Xxh64Reset(XXH64_state_t *state) { return XXH64_reset(state, 0); }

using Xxh64 = XxHash<XXH64_state_t, XXH64_createState, XXH64_freeState, Xxh64Reset, XXH64_update, XXH64_digest>;
using Xxh3 = XxHash<XXH3_state_t, XXH3_createState, XXH3_freeState, XXH3_64bits_reset, XXH3_64bits_update,
                    XXH3_64bits_digest>;

EvpDigest &Md5() {
    static EvpDigest digest(EVP_md5);
    return digest;
}

EvpDigest &Sha1() {
    static EvpDigest digest(EVP_sha1);
    return digest;
}

// CRC-32 starts from 0 and Adler-32 from 1, as in zlib.
Checksum &Crc32() {
    static Checksum sum(Crc32Update, 0, 4);
    return sum;
}

Checksum &Adler32() {
    static Checksum sum(Adler32Update, 1, 4);
    return sum;
}

// The digests that came after the first four. Each is one object with its
// own state, reached through the three plain functions of the registry.
struct LaterDigest {
    const char *name;
    int (*start)(int);
    int (*process)(const uint8_t *, int32_t, int);
    ByteBuffer (*finish)(int);
};

template <const EVP_MD *(*Algorithm)()>
EvpDigest &Evp() {
    static EvpDigest digest(Algorithm);
    return digest;
}

template <typename Object, Object &(*Get)()>
constexpr LaterDigest Entry(const char *name) {
    return {name, [](int c) { return Get().start(c); },
            [](const uint8_t *p, int32_t n, int c) { return Get().process(p, n, c); },
            [](int c) { return Get().finish(c); }};
}

template <uint64_t (*Update)(uint64_t, const uint8_t *, size_t), int Width>
Checksum &Sum() {
    static Checksum sum(Update, 0, Width);
    return sum;
}

template <typename Hash>
Hash &Xxh() {
    static Hash hash;
    return hash;
}

const LaterDigest LaterDigests[] = {
    Entry<EvpDigest, Evp<EVP_sha224>>("SHA224"),
    Entry<EvpDigest, Evp<EVP_sha256>>("SHA256"),
    Entry<EvpDigest, Evp<EVP_sha384>>("SHA384"),
    Entry<EvpDigest, Evp<EVP_sha512>>("SHA512"),
    Entry<EvpDigest, Evp<EVP_sha3_256>>("SHA3-256"),
    Entry<EvpDigest, Evp<EVP_sha3_512>>("SHA3-512"),
    Entry<EvpDigest, Evp<EVP_blake2b512>>("BLAKE2b512"),
    Entry<EvpDigest, Evp<EVP_blake2s256>>("BLAKE2s256"),
    Entry<Checksum, Sum<Crc32cUpdate, 4>>("CRC32C"),
    Entry<Checksum, Sum<Crc64Update, 8>>("CRC64"),
    Entry<Xxh64, Xxh<Xxh64>>("XXH64"),
    Entry<Xxh3, Xxh<Xxh3>>("XXH3"),
};

// A name as the command line compares it: lower case, without "-", "_" and blanks.
std::string LooseName(const std::string &name) {
    std::string loose;
    for (char c : name)
        if (c != '-' && c != '_' && c != ' ') loose += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return loose;
}

constexpr int64_t FileSliceLength = int64_t(4) << 20;

}  // namespace

int Md5Start(int context) { return Md5().start(context); }
int Md5Process(const uint8_t *piece, int32_t length, int context) { return Md5().process(piece, length, context); }
ByteBuffer Md5Finish(int context) { return Md5().finish(context); }

int Crc32Start(int context) { return Crc32().start(context); }
int Crc32Process(const uint8_t *piece, int32_t length, int context) { return Crc32().process(piece, length, context); }
ByteBuffer Crc32Finish(int context) { return Crc32().finish(context); }

int Sha1Start(int context) { return Sha1().start(context); }
int Sha1Process(const uint8_t *piece, int32_t length, int context) { return Sha1().process(piece, length, context); }
ByteBuffer Sha1Finish(int context) { return Sha1().finish(context); }

int Adler32Start(int context) { return Adler32().start(context); }
int Adler32Process(const uint8_t *piece, int32_t length, int context) {
    return Adler32().process(piece, length, context);
}
ByteBuffer Adler32Finish(int context) { return Adler32().finish(context); }

void RegisterBuiltinFingerprints() {
    RegisterFingerprint("MD5", Md5Start, Md5Process, Md5Finish);
    RegisterFingerprint("CRC32", Crc32Start, Crc32Process, Crc32Finish);
    RegisterFingerprint("SHA1", Sha1Start, Sha1Process, Sha1Finish);
    RegisterFingerprint("Adler32", Adler32Start, Adler32Process, Adler32Finish);
    for (const LaterDigest &d : LaterDigests) RegisterFingerprint(d.name, d.start, d.process, d.finish);
}

const AlgorithmRecord *FindFingerprintByName(const std::string &name) {
    const std::string wanted = LooseName(name);
    if (wanted.empty()) return nullptr;
    for (const auto &record : FingerprintRegistry().records())
        if (LooseName(record->Name) == wanted && HasCallbacks(*record)) return record.get();
    return nullptr;
}

std::optional<ByteBuffer> DigestOfFile(const AlgorithmRecord &record, const std::string &path) {
    FileHandle file = FileHandle::openReadOnly(path);
    if (!file || !file.isRegular()) return std::nullopt;
    return DigestOfStream(record, file);
}

std::optional<ByteBuffer> DigestOfStream(const AlgorithmRecord &record, FileHandle &file) {
    if (!record.StartFingerprint || !record.ProcessFingerprint || !record.FinishFingerprint) return std::nullopt;
    ByteBuffer slice = ByteBuffer::uninitialised(FileSliceLength, FileSliceLength);
    if (!slice) return std::nullopt;
    if (record.StartFingerprint(OnlyContext) != 1) return std::nullopt;
    for (;;) {
        const int64_t got = file.read(slice.data(), FileSliceLength);
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        if (record.ProcessFingerprint(slice.data(), static_cast<int32_t>(got), OnlyContext) != 1)
            return std::nullopt;
    }
    ByteBuffer digest = record.FinishFingerprint(OnlyContext);
    if (!digest) return std::nullopt;
    return digest;
}

}  // namespace hx
