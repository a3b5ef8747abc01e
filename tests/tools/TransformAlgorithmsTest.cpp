// The transformation callbacks run the way the tool runs them: Start, Process
// per piece, Finish, with the range cut at random places.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "document/HexText.h"
#include "tools/Transformations.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string &hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(HexPairValue(hex[i], hex[i + 1]));
    return out;
}
Bytes FromText(const std::string &text) { return Bytes(text.begin(), text.end()); }
std::string ToText(const Bytes &b) { return std::string(b.begin(), b.end()); }

ByteBuffer Block(const Bytes &b) { return ByteBuffer::copyOf(b.data(), static_cast<int64_t>(b.size())); }

struct Algorithm {
    TransformStart start;
    TransformProcess process;
    TransformFinish finish;
};
const Algorithm XOr{XorStart, XorProcess, XorFinish};
const Algorithm Aes{AesStart, AesProcess, AesFinish};
const Algorithm Encoder{Base64EncoderStart, Base64EncoderProcess, Base64EncoderFinish};
const Algorithm Decoder{Base64DecoderStart, Base64DecoderProcess, Base64DecoderFinish};

void Append(Bytes &out, const ByteBuffer &block) {
    if (block.valid()) out.insert(out.end(), block.data(), block.data() + block.size());
}

// Runs the algorithm over input cut before each of the given offsets (sorted).
Bytes Transform(const Algorithm &a, const Bytes &input, const std::vector<size_t> &cuts, TransformParameters p = {}) {
    Bytes out;
    a.start(&p);
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(input.size());
    for (size_t end : ends) {
        if (end < from) continue;
        Append(out, a.process(input.data() + from, static_cast<int64_t>(end - from), 0));
        from = end;
    }
    if (TransformationStatus().Fault == TransformFault::None) Append(out, a.finish(&p));
    ReleaseTransformation();
    return out;
}

std::vector<size_t> RandomCuts(std::mt19937 &rng, size_t length) {
    std::vector<size_t> cuts;
    if (length == 0) return cuts;
    const int count = static_cast<int>(rng() % 6);
    for (int i = 0; i < count; ++i) cuts.push_back(rng() % (length + 1));
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

Bytes RandomBytes(std::mt19937 &rng, size_t n) {
    Bytes b(n);
    for (auto &x : b) x = static_cast<uint8_t>(rng());
    return b;
}

TransformParameters WithMask(const Bytes &mask) {
    TransformParameters p;
    p.Parameter1 = Block(mask);
    return p;
}

TransformParameters ForAes(const Bytes &key, const Bytes &vector, int32_t mode) {
    TransformParameters p;
    p.Parameter1 = Block(key);
    p.Parameter2 = Block(vector);
    p.Mode = mode;
    return p;
}

}  // namespace

// ---- XOr ------------------------------------------------------------------------------

TEST(TransformXor, MaskRepeatsFromTheRangeStartWhereverThePiecesAreCut) {
    const Bytes zeros(7, 0);
    for (size_t cut = 0; cut <= 7; ++cut)
        EXPECT_EQ(Transform(XOr, zeros, {cut}, WithMask({1, 2, 3})), (Bytes{1, 2, 3, 1, 2, 3, 1})) << "cut " << cut;
    const Bytes some{0x00, 0x0F, 0xF0, 0x5A, 0xFF};
    EXPECT_EQ(Transform(XOr, some, {2}, WithMask({0xFF})), (Bytes{0xFF, 0xF0, 0x0F, 0xA5, 0x00}));
}

TEST(TransformXor, MasksOfOneToNineBytesMatchTheCyclicDefinitionAtRandomCuts) {
    std::mt19937 rng(20240515);
    for (size_t maskLength = 1; maskLength <= 9; ++maskLength) {
        for (int round = 0; round < 20; ++round) {
            const Bytes mask = RandomBytes(rng, maskLength);
            const Bytes input = RandomBytes(rng, rng() % 700);
            Bytes expected(input.size());
            for (size_t i = 0; i < input.size(); ++i) expected[i] = input[i] ^ mask[i % maskLength];
            const auto cuts = RandomCuts(rng, input.size());
            ASSERT_EQ(Transform(XOr, input, cuts, WithMask(mask)), expected)
                << "seed 20240515, mask length " << maskLength << ", round " << round;
        }
    }
}

TEST(TransformXor, WithoutMaskNothingComesOut) {
    EXPECT_TRUE(Transform(XOr, Bytes(5, 1), {}, TransformParameters{}).empty());
}

// ---- AES --------------------------------------------------------------------------------

namespace {

// NIST SP 800-38A, Appendix F: the four-block plaintext shared by all examples.
const char *const NistPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
const char *const NistVector = "000102030405060708090a0b0c0d0e0f";
const char *const Key128 = "2b7e151628aed2a6abf7158809cf4f3c";
const char *const Key192 = "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b";
const char *const Key256 = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";

struct NistCase {
    const char *section;
    const char *key;
    int32_t mode;   // chaining or code book
    const char *cipher;
};

const NistCase NistCases[] = {
    {"F.1.1/F.1.2 ECB-AES128", Key128, AesCodeBook,
     "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
     "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
    {"F.1.3/F.1.4 ECB-AES192", Key192, AesCodeBook,
     "bd334f1d6e45f25ff712a214571fa5cc974104846d0ad3ad7734ecb3ecee4eef"
     "ef7afd2270e2e60adce0ba2face6444e9a4b41ba738d6c72fb16691603c18e0e"},
    {"F.1.5/F.1.6 ECB-AES256", Key256, AesCodeBook,
     "f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
     "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7"},
    {"F.2.1/F.2.2 CBC-AES128", Key128, AesChaining,
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
    {"F.2.3/F.2.4 CBC-AES192", Key192, AesChaining,
     "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
     "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd"},
    {"F.2.5/F.2.6 CBC-AES256", Key256, AesChaining,
     "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
     "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
};

}  // namespace

TEST(TransformAes, NistKnownAnswersBothWaysAtRandomCuts) {
    std::mt19937 rng(800038);
    const Bytes plain = FromHex(NistPlain), vector = FromHex(NistVector);
    for (const NistCase &c : NistCases) {
        const Bytes key = FromHex(c.key), cipher = FromHex(c.cipher);
        for (int round = 0; round < 8; ++round) {
            const auto cuts = round == 0 ? std::vector<size_t>{} : RandomCuts(rng, plain.size());
            EXPECT_EQ(Transform(Aes, plain, cuts, ForAes(key, vector, c.mode | AesEncode)), cipher) << c.section;
            EXPECT_EQ(Transform(Aes, cipher, cuts, ForAes(key, vector, c.mode | AesDecode)), plain) << c.section;
        }
    }
}

TEST(TransformAes, OnlyTheFirstSixteenBytesOfTheVectorCountAndEcbIgnoresIt) {
    const Bytes plain = FromHex(NistPlain), key = FromHex(Key128);
    Bytes longVector = FromHex(NistVector);
    longVector.resize(32, 0xEE);
    EXPECT_EQ(Transform(Aes, plain, {}, ForAes(key, longVector, AesChaining | AesEncode)), FromHex(NistCases[3].cipher));
    EXPECT_EQ(Transform(Aes, plain, {}, ForAes(key, {}, AesCodeBook | AesEncode)), FromHex(NistCases[0].cipher));
}

TEST(TransformAes, RefusesBadKeysShortVectorsAndPartialBlocks) {
    struct Case {
        Bytes key, vector;
        size_t length;
        TransformFault fault;
    } cases[] = {
        {Bytes(15, 1), Bytes(16, 0), 32, TransformFault::BadKey},
        {Bytes(33, 1), Bytes(16, 0), 32, TransformFault::BadKey},
        {Bytes(), Bytes(16, 0), 32, TransformFault::BadKey},
        {Bytes(16, 1), Bytes(15, 0), 32, TransformFault::BadVector},
        {Bytes(16, 1), Bytes(16, 0), 33, TransformFault::PartialBlock},
    };
    for (const Case &c : cases) {
        TransformParameters p = ForAes(c.key, c.vector, AesChaining | AesEncode);
        AesStart(&p);
        const Bytes input(c.length, 7);
        if (TransformationStatus().Fault == TransformFault::None) {
            AesProcess(input.data(), static_cast<int64_t>(input.size()), 0);
            AesFinish(&p);
        }
        EXPECT_EQ(TransformationStatus().Fault, c.fault) << "key " << c.key.size() << ", length " << c.length;
        ReleaseTransformation();
    }
}

// ---- Base64 -----------------------------------------------------------------------------

TEST(TransformBase64, Rfc4648Section10VectorsBothWaysAtEveryCut) {
    const std::pair<const char *, const char *> vectors[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto &[plain, encoded] : vectors) {
        const Bytes p = FromText(plain), e = FromText(encoded);
        for (size_t cut = 0; cut <= std::max(p.size(), e.size()); ++cut) {
            EXPECT_EQ(ToText(Transform(Encoder, p, {std::min(cut, p.size())})), encoded) << plain << " cut " << cut;
            EXPECT_EQ(ToText(Transform(Decoder, e, {std::min(cut, e.size())})), plain) << encoded << " cut " << cut;
        }
        EXPECT_EQ(Base64EncodedLength(static_cast<int64_t>(p.size())), static_cast<int64_t>(e.size()));
    }
}

TEST(TransformBase64, RandomDataOfEveryLengthUpTo64RoundTripsAtRandomCuts) {
    std::mt19937 rng(4648);
    for (size_t length = 0; length <= 64; ++length) {
        for (int round = 0; round < 4; ++round) {
            const Bytes data = RandomBytes(rng, length);
            const Bytes encoded = Transform(Encoder, data, RandomCuts(rng, data.size()));
            ASSERT_EQ(static_cast<int64_t>(encoded.size()), Base64EncodedLength(static_cast<int64_t>(length)));
            ASSERT_EQ(Transform(Decoder, encoded, RandomCuts(rng, encoded.size())), data)
                << "seed 4648, length " << length << ", round " << round;
        }
    }
}

TEST(TransformBase64, DecoderSkipsLineBreaksBlanksAndTabsAndTakesMissingPadding) {
    EXPECT_EQ(ToText(Transform(Decoder, FromText("\r\nZm9v\r\n Ym E=\t\n"), {5})), "fooba");
    EXPECT_EQ(ToText(Transform(Decoder, FromText("Zm9vYg= =\n"), {})), "foob");
    EXPECT_EQ(ToText(Transform(Decoder, FromText("Zm9vYmE"), {})), "fooba");
    EXPECT_EQ(ToText(Transform(Decoder, FromText("Zm9vYg"), {3})), "foob");
}

TEST(TransformBase64, DecoderRefusesBadInputAtTheOffsetOfTheFirstBadByte) {
    const std::pair<const char *, int64_t> cases[] = {
        {"Zm9v!Zm9v", 4},        // outside the alphabet
        {"Zm9v-_", 4},           // the URL-safe alphabet is not ours
        {"=m9v", 0},             // padding first in a quantum
        {"Zm9vZ===", 5},         // padding second
        {"Zm=v", 3},             // a digit where the second "=" belongs
        {"Zm9vYg==Zg==", 8},     // data after a padded quantum
        {"Zm9=\r\n=", 6},        // a third "="
        {"Zm9vY", 4},            // a last quantum of one digit
        {"Zm9vYg=", 6},          // a lone "=" at the end
        {"Zm9v\x80", 4},         // a byte above 127
    };
    std::mt19937 rng(17);
    for (const auto &[text, offset] : cases) {
        const Bytes input = FromText(text);
        for (int round = 0; round < 4; ++round) {
            Base64DecoderStart(nullptr);
            size_t from = 0;
            for (size_t end : RandomCuts(rng, input.size())) {
                Base64DecoderProcess(input.data() + from, static_cast<int64_t>(end - from), 0);
                from = end;
            }
            Base64DecoderProcess(input.data() + from, static_cast<int64_t>(input.size() - from), 0);
            if (TransformationStatus().Fault == TransformFault::None) Base64DecoderFinish(nullptr);
            EXPECT_EQ(TransformationStatus().Fault, TransformFault::BadInput) << text;
            EXPECT_EQ(TransformationStatus().Offset, offset) << text;
            ReleaseTransformation();
        }
    }
}
