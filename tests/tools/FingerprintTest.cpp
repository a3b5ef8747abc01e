// The fingerprint algorithms through their registered callbacks: known
// answers from the standards, the contract of Start / Process / Finish, the
// same digest whatever the piece boundaries, and the digest of a file.
#include <gtest/gtest.h>

#include <isa-l/crc.h>
#include <lzma.h>
#include <openssl/evp.h>
#include <unistd.h>
#include <xxhash.h>
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

// Every registered name, in registration order.
std::vector<std::string> AllNames() {
    if (FingerprintRegistry().records().empty()) RegisterBuiltinAlgorithms();
    std::vector<std::string> names;
    for (const auto &record : FingerprintRegistry().records()) names.push_back(record->Name);
    return names;
}

std::string HexOf(uint64_t value, int width) {
    char text[17];
    std::snprintf(text, sizeof text, "%0*llX", 2 * width, static_cast<unsigned long long>(value));
    return text;
}

// The digest of one buffer by a one-shot call of a library (the same
// libraries for the later digests, but no streaming state: what piece
// boundaries could break is not involved).
std::string Reference(const std::string &name, const std::vector<uint8_t> &bytes) {
    std::vector<uint8_t> copy = bytes;   // ISA-L takes a pointer to writable bytes
    if (name == "CRC32C") return HexOf(~crc32_iscsi(copy.data(), static_cast<int>(copy.size()), ~0u) & 0xFFFFFFFFu, 4);
    if (name == "CRC64") return HexOf(lzma_crc64(bytes.data(), bytes.size(), 0), 8);
    if (name == "XXH64") return HexOf(XXH64(bytes.data(), bytes.size(), 0), 8);
    if (name == "XXH3") return HexOf(XXH3_64bits(bytes.data(), bytes.size()), 8);
    const std::pair<const char *, const char *> evpNames[] = {
        {"MD5", "MD5"},         {"SHA1", "SHA1"},         {"SHA224", "SHA224"},         {"SHA256", "SHA256"},
        {"SHA384", "SHA384"},   {"SHA512", "SHA512"},     {"SHA3-256", "SHA3-256"},     {"SHA3-512", "SHA3-512"},
        {"BLAKE2b512", "BLAKE2B-512"}, {"BLAKE2s256", "BLAKE2S-256"},
    };
    for (const auto &[ours, evp] : evpNames) {
        if (name != ours) continue;
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_Digest(bytes.data(), bytes.size(), md, &size, EVP_get_digestbyname(evp), nullptr);
        return BytesToHex(md, size);
    }
    // CRC32 and Adler32 by zlib (the algorithm uses libdeflate).
    uLong v = name == "CRC32" ? crc32(0, nullptr, 0) : adler32(0, nullptr, 0);
    v = name == "CRC32" ? crc32(v, bytes.data(), static_cast<uInt>(bytes.size()))
                        : adler32(v, bytes.data(), static_cast<uInt>(bytes.size()));
    return HexOf(v, 4);
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
//   SHA-224, SHA-256 ("abc" and the two-block message of 448 bits), SHA-384
//     and SHA-512 ("abc" and the two-block message of 896 bits): FIPS 180-4,
//     NIST's example computations for each algorithm.
//   SHA3-256 and SHA3-512 of "abc" and of the empty message: FIPS 202, NIST's
//     example computations (SHA3-256_Msg0 / _Msg24, SHA3-512_Msg0 / _Msg24).
//   BLAKE2b-512 and BLAKE2s-256 of "abc": RFC 7693, appendices A and B.
//   CRC-32C and CRC-64/XZ of "123456789": the check values of the CRC
//     catalogue's CRC-32/ISCSI and CRC-64/XZ entries (E3069283,
//     995DC9BBDF1939FA); the empty input gives 0 for both.
//   XXH64 and XXH3-64 of the empty input, seed 0: the reference values of
//     xxHash's own test suite (EF46DB3751D8E999, 2D06800538D394C2).
const char TwoBlocks448[] = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const char TwoBlocks896[] =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

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
        {"SHA224", "abc", "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7"},
        {"SHA224", TwoBlocks448, "75388B16512776CC5DBA5DA1FD890150B0C6455CB4F58B1952522525"},
        {"SHA256", "abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"SHA256", TwoBlocks448, "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {"SHA384", "abc",
         "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7"},
        {"SHA384", TwoBlocks896,
         "09330C33F71147E83D192FC782CD1B4753111B173B3B05D22FA08086E3B0F712FCC7C71A557E2DB966C3E9FA91746039"},
        {"SHA512", "abc",
         "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
         "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
        {"SHA512", TwoBlocks896,
         "8E959B75DAE313DA8CF4F72814FC143F8F7779C6EB9F7FA17299AEADB6889018"
         "501D289E4900F7E4331B99DEC4B5433AC7D329EEB6DD26545E96E55B874BE909"},
        {"SHA3-256", "", "A7FFC6F8BF1ED76651C14756A061D662F580FF4DE43B49FA82D80A4B80F8434A"},
        {"SHA3-256", "abc", "3A985DA74FE225B2045C172D6BD390BD855F086E3E9D525B46BFE24511431532"},
        {"SHA3-512", "",
         "A69F73CCA23A9AC5C8B567DC185A756E97C982164FE25859E0D1DCC1475C80A6"
         "15B2123AF1F5F94C11E3E9402C3AC558F500199D95B6D3E301758586281DCD26"},
        {"SHA3-512", "abc",
         "B751850B1A57168A5693CD924B6B096E08F621827444F70D884F5D0240D2712E"
         "10E116E9192AF3C91A7EC57647E3934057340B4CF408D5A56592F8274EEC53F0"},
        {"BLAKE2b512", "abc",
         "BA80A53F981C4D0D6A2797B69F12F6E94C212F14685AC4B74B12BB6FDBFFA2D1"
         "7D87C5392AAB792DC252D5DE4533CC9518D38AA8DBF1925AB92386EDD4009923"},
        {"BLAKE2s256", "abc", "508C5E8C327C14E2E1A72BA34EEB452F37458B209ED63A294D999B4C86675982"},
        {"CRC32C", "", "00000000"},
        {"CRC32C", "123456789", "E3069283"},
        {"CRC64", "", "0000000000000000"},
        {"CRC64", "123456789", "995DC9BBDF1939FA"},
        {"XXH64", "", "EF46DB3751D8E999"},
        {"XXH3", "", "2D06800538D394C2"},
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

TEST(FingerprintNames, LooseNamesFindTheirAlgorithm) {
    AllNames();
    const std::pair<const char *, const char *> cases[] = {
        {"sha256", "SHA256"},   {"SHA-256", "SHA256"},       {"sha3_256", "SHA3-256"}, {"Sha3-512", "SHA3-512"},
        {"blake2b-512", "BLAKE2b512"}, {"crc-32c", "CRC32C"}, {"crc32", "CRC32"},       {"xxh3", "XXH3"},
        {"adler32", "Adler32"}, {"md5", "MD5"},
    };
    for (const auto &[typed, name] : cases) {
        const AlgorithmRecord *record = FindFingerprintByName(typed);
        ASSERT_NE(record, nullptr) << typed;
        EXPECT_EQ(record->Name, name) << typed;
    }
    for (const char *unknown : {"", "-", "sha", "sha2", "crc", "md55"})
        EXPECT_EQ(FindFingerprintByName(unknown), nullptr) << unknown;
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
    for (const std::string &name : AllNames()) {
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
    for (const std::string &name : AllNames()) {
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
    for (const std::string &name : AllNames()) {
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
