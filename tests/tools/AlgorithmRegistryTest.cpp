#include <gtest/gtest.h>

#include "tools/AlgorithmRegistry.h"

using namespace hx;

static std::vector<std::string> Names(const AlgorithmRegistry &r) {
    std::vector<std::string> out;
    for (const auto &rec : r.records()) out.push_back(rec->Name);
    return out;
}

TEST(AlgorithmRegistry, BuiltinNamesInRegistrationOrder) {
    RegisterBuiltinAlgorithms();
    // The first four keep their places; the later digests follow them.
    EXPECT_EQ(Names(FingerprintRegistry()),
              (std::vector<std::string>{"MD5", "CRC32", "SHA1", "Adler32", "SHA224", "SHA256", "SHA384", "SHA512",
                                        "SHA3-256", "SHA3-512", "BLAKE2b512", "BLAKE2s256", "CRC32C", "CRC64",
                                        "XXH64", "XXH3"}));
    EXPECT_EQ(Names(TransformationRegistry()),
              (std::vector<std::string>{"XOr", "AESEncoder", "AESDecoder", "Base64Encoder", "Base64Decoder"}));
    // Registering again starts from empty registries instead of listing twice.
    RegisterBuiltinAlgorithms();
    EXPECT_EQ(FingerprintRegistry().records().size(), 16u);
}

TEST(AlgorithmRegistry, LaterRegistrationWinsTheNameButBothAreListed) {
    AlgorithmRegistry r;
    AlgorithmRecord *first = r.add("X");
    AlgorithmRecord *second = r.add("X");
    EXPECT_EQ(r.find("X"), second);
    EXPECT_NE(first, second);
    EXPECT_EQ(r.records().size(), 2u);
    EXPECT_EQ(r.find("x"), nullptr);  // names are exact
}
