#include "Fingerprints.h"

#include <libdeflate.h>
#include <openssl/evp.h>

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

// A running 32-bit check value (CRC32 or Adler32) for context 0.
class Checksum32 {
public:
    using Update = uint32_t (*)(uint32_t running, const void *buffer, size_t length);
    Checksum32(Update update, uint32_t initial) : update_(update), initial_(initial) {}

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
        const uint8_t bytes[4] = {static_cast<uint8_t>(value_ >> 24), static_cast<uint8_t>(value_ >> 16),
                                  static_cast<uint8_t>(value_ >> 8), static_cast<uint8_t>(value_)};
        return ByteBuffer::copyOf(bytes, 4);
    }

private:
    Update update_;
    uint32_t initial_;
    uint32_t value_ = 0;
    bool started_ = false;
};

EvpDigest &Md5() {
    static EvpDigest digest(EVP_md5);
    return digest;
}

EvpDigest &Sha1() {
    static EvpDigest digest(EVP_sha1);
    return digest;
}

// CRC-32 starts from 0 and Adler-32 from 1, as in zlib.
Checksum32 &Crc32() {
    static Checksum32 sum(libdeflate_crc32, 0);
    return sum;
}

Checksum32 &Adler32() {
    static Checksum32 sum(libdeflate_adler32, 1);
    return sum;
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
}

std::optional<ByteBuffer> DigestOfFile(const AlgorithmRecord &record, const std::string &path) {
    if (!record.StartFingerprint || !record.ProcessFingerprint || !record.FinishFingerprint) return std::nullopt;
    FileHandle file = FileHandle::openReadOnly(path);
    if (!file || !file.isRegular()) return std::nullopt;
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
