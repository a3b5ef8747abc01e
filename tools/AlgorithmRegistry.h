// The two registries of algorithms that the tools run over a byte range:
// fingerprints (digests) and transformations. Each keeps its records in
// registration order (menus and lists walk them) and by exact name.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document/ByteBuffer.h"

namespace hx {

// The parameters of one transformation run.
struct TransformParameters {
    ByteBuffer Parameter1;      // XOr: the mask; AES: the key
    ByteBuffer Parameter2;      // AES: the initialisation vector
    int32_t Mode = 0;           // AES: 4 chaining, 8 code book, + 2 encode or + 1 decode
    ByteBuffer Output;
    int64_t OutputLength = 0;
};

using FingerprintStart = int (*)(int context);
using FingerprintProcess = int (*)(const uint8_t *piece, int32_t length, int context);
using FingerprintFinish = ByteBuffer (*)(int context);

using TransformStart = void (*)(TransformParameters *parameters);
using TransformProcess = ByteBuffer (*)(const uint8_t *piece, int64_t length, int context);
using TransformFinish = ByteBuffer (*)(TransformParameters *parameters);

struct AlgorithmRecord {
    std::string Name;
    // Fingerprint registry callbacks (none for transformations).
    FingerprintStart StartFingerprint = nullptr;
    FingerprintProcess ProcessFingerprint = nullptr;
    FingerprintFinish FinishFingerprint = nullptr;
    // Transformation registry callbacks (none for fingerprints).
    TransformStart StartTransform = nullptr;
    TransformProcess ProcessTransform = nullptr;
    TransformFinish FinishTransform = nullptr;
};

class AlgorithmRegistry {
public:
    // Appends a record; a second registration under the same name makes the
    // name map point at the newer record (both stay listed).
    AlgorithmRecord *add(const std::string &name);
    // The record registered last under name, or nullptr.
    const AlgorithmRecord *find(const std::string &name) const;
    // Registration order.
    const std::vector<std::unique_ptr<AlgorithmRecord>> &records() const { return records_; }
    void clear();

private:
    std::vector<std::unique_ptr<AlgorithmRecord>> records_;
    std::map<std::string, AlgorithmRecord *> byName_;
};

AlgorithmRegistry &FingerprintRegistry();
AlgorithmRegistry &TransformationRegistry();

void RegisterFingerprint(const std::string &name, FingerprintStart start, FingerprintProcess process,
                         FingerprintFinish finish);
void RegisterTransformation(const std::string &name, TransformStart start, TransformProcess process,
                            TransformFinish finish);

// Fills both registries with the program's algorithms, in their fixed order:
// MD5, CRC32, SHA1, Adler32; XOr, AESEncoder, AESDecoder, Base64Encoder,
// Base64Decoder, each with its callbacks. A record registered without them
// (tests do) is listed but never run: tools check HasCallbacks first.
void RegisterBuiltinAlgorithms();

inline bool HasCallbacks(const AlgorithmRecord &r) {
    return (r.StartFingerprint && r.ProcessFingerprint && r.FinishFingerprint) ||
           (r.StartTransform && r.ProcessTransform && r.FinishTransform);
}

}  // namespace hx
