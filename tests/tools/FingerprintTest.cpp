// The four fingerprint algorithms through their registered callbacks: known
// answers from the standards, the contract of Start / Process / Finish, the
// same digest whatever the piece boundaries, and the digest of a file.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/Binary.h"
#include "document/HexText.h"
#include "tools/AlgorithmRegistry.h"
#include "tools/Fingerprints.h"

using namespace hx;

namespace {

const AlgorithmRecord &Algorithm(const std::string &name) {
    if (!FingerprintRegistry().find(name)) RegisterBuiltinAlgorithms();
    const AlgorithmRecord *record = FingerprintRegistry().find(name);
    EXPECT_NE(record, nullptr) << name;
    return *record;
}

std::string Hex(const ByteBuffer &b) { return b ? BytesToHex(b.data(), b.size()) : std::string("<none>"); }

// Start, Process in pieces of at most `piece` bytes, Finish.
std::string Digest(const std::string &name, const std::string &input, size_t piece = SIZE_MAX) {
    const AlgorithmRecord &r = Algorithm(name);
    EXPECT_EQ(r.StartFingerprint(0), 1);
    const auto *bytes = reinterpret_cast<const uint8_t *>(input.data());
    for (size_t done = 0; done < input.size();) {
        const size_t n = std::min(piece, input.size() - done);
        EXPECT_EQ(r.ProcessFingerprint(bytes + done, static_cast<int32_t>(n), 0), 1);
        done += n;
    }
    return Hex(r.FinishFingerprint(0));
}

std::string Reference(const std::string &name, const std::vector<uint8_t> &bytes) {
    if (name == "CRC32" || name == "Adler32") {
        uLong v = name == "CRC32" ? crc32(0, nullptr, 0) : adler32(0, nullptr, 0);
        v = name == "CRC32" ? crc32(v, bytes.data(), static_cast<uInt>(bytes.size()))
                            : adler32(v, bytes.data(), static_cast<uInt>(bytes.size()));
        char text[9];
        std::snprintf(text, sizeof text, "%08lX", v);
        return text;
    }
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), md, &size, name == "MD5" ? EVP_md5() : EVP_sha1(), nullptr);
    return BytesToHex(md, size);
}

struct KnownAnswer {
    const char *algorithm;
    std::string input;
    const char *digest;
};

// Sources:
//   RFC 1321, appendix A.5 "Test suite" (MD5).
//   FIPS 180-2, appendix A (SHA-1): "abc" (A.1), the two-block message (A.2),
//     one million "a" (A.3); the empty message from NIST CAVP SHAVS
//     SHA1ShortMsg.rsp, Len = 0.
//   CRC-32 (ISO-HDLC, as zlib) check value of "123456789": R. Williams, "A
//     Painless Guide to CRC Error Detection Algorithms", and the CRC
//     catalogue's CRC-32/ISO-HDLC entry; the empty input keeps the initial 0.
//   Adler-32 of "123456789": RFC 1950's algorithm, printed check value
//     091E01DE; the empty input keeps the initial value 1 (RFC 1950, 8.2).
const std::vector<KnownAnswer> &KnownAnswers() {
    static const std::vector<KnownAnswer> answers = {
        {"MD5", "", "D41D8CD98F00B204E9800998ECF8427E"},
        {"MD5", "a", "0CC175B9C0F1B6A831C399E269772661"},
        {"MD5", "abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"MD5", "message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"MD5", "abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"MD5", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"MD5", "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
        {"SHA1", "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"SHA1", "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"SHA1", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"SHA1", std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
        {"CRC32", "", "00000000"},
        {"CRC32", "123456789", "CBF43926"},
        {"Adler32", "", "00000001"},
        {"Adler32", "123456789", "091E01DE"},
    };
    return answers;
}

TEST(FingerprintKnownAnswers, WholeInputAndOddPiecesGiveTheStandardDigest) {
    for (const KnownAnswer &k : KnownAnswers()) {
        SCOPED_TRACE(std::string(k.algorithm) + " of " + std::to_string(k.input.size()) + " bytes");
        EXPECT_EQ(Digest(k.algorithm, k.input), k.digest);
        EXPECT_EQ(Digest(k.algorithm, k.input, 7), k.digest);   // pieces across the 64-byte blocks
    }
}

TEST(FingerprintKnownAnswers, EmptyRangeWithoutAnyProcessCall) {
    for (const KnownAnswer &k : KnownAnswers()) {
        if (!k.input.empty()) continue;
        const AlgorithmRecord &r = Algorithm(k.algorithm);
        ASSERT_EQ(r.StartFingerprint(0), 1);
        EXPECT_EQ(Hex(r.FinishFingerprint(0)), k.digest) << k.algorithm;
    }
}

// ---- the callback contract -------------------------------------------------

TEST(FingerprintContract, RefusesOtherContextsMissingStartAndBadPieces) {
    const uint8_t byte = 'a';
    for (const char *name : {"MD5", "CRC32", "SHA1", "Adler32"}) {
        SCOPED_TRACE(name);
        const AlgorithmRecord &r = Algorithm(name);
        EXPECT_EQ(r.StartFingerprint(1), 0);
        EXPECT_EQ(r.ProcessFingerprint(&byte, 1, 0), 0);   // no run was started
        EXPECT_FALSE(r.FinishFingerprint(0).valid());

        ASSERT_EQ(r.StartFingerprint(0), 1);
        EXPECT_EQ(r.ProcessFingerprint(&byte, 1, 1), 0);
        EXPECT_EQ(r.ProcessFingerprint(&byte, -1, 0), 0);
        EXPECT_EQ(r.ProcessFingerprint(nullptr, 1, 0), 0);
        EXPECT_EQ(r.ProcessFingerprint(nullptr, 0, 0), 1);
        EXPECT_FALSE(r.FinishFingerprint(1).valid());
        // The refused calls left the run alone: it is the digest of "a".
        EXPECT_EQ(r.ProcessFingerprint(&byte, 1, 0), 1);
        const std::string digest = Hex(r.FinishFingerprint(0));
        EXPECT_EQ(digest, Digest(name, "a"));
        EXPECT_FALSE(r.FinishFingerprint(0).valid());   // a run finishes once
    }
}

TEST(FingerprintContract, AbandonedRunLeavesNothingForTheNext) {
    const std::vector<uint8_t> abc = {'a', 'b', 'c'};
    const uint8_t junk[5] = {1, 2, 3, 4, 5};
    for (const char *name : {"MD5", "CRC32", "SHA1", "Adler32"}) {
        const AlgorithmRecord &r = Algorithm(name);
        ASSERT_EQ(r.StartFingerprint(0), 1);
        ASSERT_EQ(r.ProcessFingerprint(junk, 5, 0), 1);   // cancelled: no Finish
        EXPECT_EQ(Digest(name, "abc"), Reference(name, abc)) << name;
    }
}

// ---- piece boundaries --------------------------------------------------------

TEST(FingerprintPieces, TinyChunksAndRandomCutsGiveTheDigestOfOneBuffer) {
    const unsigned seed = 20240514;
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    // A document of 13-byte chunks, grown by inserts at random places so that
    // its chunks are of every length.
    Binary *store = CreateBinary(-1, 13);
    ASSERT_NE(store, nullptr);
    std::vector<uint8_t> model;
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> piece(random() % 40);
        for (uint8_t &b : piece) b = static_cast<uint8_t>(random());
        const size_t at = model.empty() ? 0 : random() % (model.size() + 1);
        ASSERT_EQ(InsertBinary(store, static_cast<int64_t>(at), piece.data(), static_cast<int64_t>(piece.size())),
                  BinaryOk);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), piece.begin(), piece.end());
    }
    for (const char *name : {"MD5", "CRC32", "SHA1", "Adler32"}) {
        const AlgorithmRecord &r = Algorithm(name);
        for (int round = 0; round < 20; ++round) {
            const int64_t size = static_cast<int64_t>(model.size());
            const int64_t position = random() % (size + 1);
            const int64_t length = random() % (size + 1);   // may run past the end: clamped
            const int64_t end = std::min(size, position + length);
            ASSERT_EQ(r.StartFingerprint(0), 1);
            ExamineBinary(store, position, length);
            while (NextBinaryBlock(store)) {
                const uint8_t *bytes = BinaryBlockBuffer(store);
                const int64_t n = BinaryBlockLength(store);
                // Each piece cut again at random points, empty slices included.
                for (int64_t done = 0; done < n;) {
                    const int64_t cut = std::min<int64_t>(n - done, random() % 9);
                    ASSERT_EQ(r.ProcessFingerprint(bytes + done, static_cast<int32_t>(cut), 0), 1);
                    done += cut;
                }
            }
            ASSERT_FALSE(BinaryWalkFailed(store));
            const std::vector<uint8_t> expected(model.begin() + position, model.begin() + end);
            EXPECT_EQ(Hex(r.FinishFingerprint(0)), Reference(name, expected))
                << name << " over " << position << " + " << length;
        }
    }
    FreeBinary(store);
}

// ---- whole files ---------------------------------------------------------------

TEST(FingerprintFile, DigestOfFileReadsEverySliceAndReportsFailureAsNone) {
    const std::filesystem::path temp =
        std::filesystem::temp_directory_path() / ("hexaloom-fingerprint-" + std::to_string(::getpid()));
    std::filesystem::create_directories(temp);
    const std::string folder = temp.string();
    const std::string abc = folder + "/abc.bin", big = folder + "/big.bin";
    std::ofstream(abc, std::ios::binary) << "abc";
    // Just over two 4 MiB slices, so that the last one is short.
    std::vector<uint8_t> bytes((size_t(8) << 20) + 3);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 13));
    std::ofstream(big, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));

    std::optional<ByteBuffer> md5 = DigestOfFile(Algorithm("MD5"), abc);
    ASSERT_TRUE(md5.has_value());
    EXPECT_EQ(Hex(*md5), "900150983CD24FB0D6963F7D28E17F72");
    std::optional<ByteBuffer> crc = DigestOfFile(Algorithm("CRC32"), big);
    ASSERT_TRUE(crc.has_value());
    EXPECT_EQ(Hex(*crc), Reference("CRC32", bytes));

    EXPECT_FALSE(DigestOfFile(Algorithm("SHA1"), folder + "/missing.bin").has_value());
    EXPECT_FALSE(DigestOfFile(Algorithm("SHA1"), folder).has_value());   // a folder
    AlgorithmRecord withoutCallbacks;
    withoutCallbacks.Name = "MD5";
    EXPECT_FALSE(DigestOfFile(withoutCallbacks, abc).has_value());
    std::filesystem::remove_all(temp);
}

}  // namespace
