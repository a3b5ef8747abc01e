// The codecs of the Compress menu: round trips over many lengths and kinds of
// data cut into random pieces, the BriefLZ reference samples, the command-line
// tools reading our output and we theirs, every refusal with its offset, and
// the limits that keep a decompression bomb from filling memory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/BriefLz.h"
#include "tools/Codec.h"

using namespace hx;

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    CodecStatus status;
    Bytes output;
};

// One run as the tool does it: process in pieces of random lengths (0 to
// maxPiece), then finish; stops at the first fault as the tool does.
Outcome RunCodec(const CodecSettings &settings, const Bytes &input, std::mt19937 &random, int64_t maxPiece = 70000,
            OutputLimits limits = {}) {
    CodecOutput output(std::move(limits));
    std::unique_ptr<Codec> codec = MakeCodec(settings, output, static_cast<int64_t>(input.size()));
    bool ok = true;
    for (size_t done = 0; ok && done < input.size();) {
        const size_t n = std::min<size_t>(input.size() - done, random() % (maxPiece + 1));
        ok = codec->process(input.data() + done, static_cast<int64_t>(n));
        done += n;
    }
    if (ok) ok = codec->finish();
    Outcome outcome{codec->status(), {}};
    EXPECT_EQ(ok, outcome.status.fault == CodecFault::None);
    for (const ByteBuffer &block : output.take()) outcome.output.insert(outcome.output.end(), block.data(), block.data() + block.size());
    return outcome;
}

CodecSettings Compress(CodecFormat format, int container = 0, int level = 1) { return {format, true, container, level}; }
CodecSettings Decompress(CodecFormat format) { return {format, false, 0, 0}; }

Bytes Make(const std::string &kind, size_t n, std::mt19937 &random) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) {
        if (kind == "random") b[i] = static_cast<uint8_t>(random());
        else if (kind == "zeros") b[i] = 0;
        else if (kind == "pattern") b[i] = static_cast<uint8_t>("abcdefg"[i % 7]);
        else b[i] = static_cast<uint8_t>(" etaoinshr"[(i * 7 + (i >> 5)) % 10] ^ (random() % 16 == 0));   // text-like
    }
    return b;
}

std::string Folder() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("hexaloom-codec-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

Bytes ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

bool Have(const char *tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

const struct Writer {
    const char *name;
    CodecSettings settings;
} Writers[] = {
    {"zlib", Compress(CodecFormat::Zip, int(ZipContainer::Zlib))},
    {"raw DEFLATE", Compress(CodecFormat::Zip, int(ZipContainer::Raw))},
    {"gzip level 9", Compress(CodecFormat::Zip, int(ZipContainer::Gzip), 9)},
    {"stored", Compress(CodecFormat::Zip, int(ZipContainer::Zlib), 0)},
    {"xz", Compress(CodecFormat::Lzma, int(LzmaContainer::Xz))},
    {"lzma", Compress(CodecFormat::Lzma, int(LzmaContainer::Lzma), 0)},
    {"BriefLZ", Compress(CodecFormat::BriefLz)},
};

TEST(CodecRoundTrip, ManyLengthsAndKindsCutAnywhereComeBackExactly) {
    const unsigned seed = 31;
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const size_t lengths[] = {1, 2, 3, 4, 5, 17, 255, 256, 257, 4096, 65537, size_t(BriefLzBlockLength) + 1234};
    for (const Writer &w : Writers) {
        for (const char *kind : {"random", "zeros", "pattern", "text"}) {
            for (size_t n : lengths) {
                SCOPED_TRACE(std::string(w.name) + ", " + kind + ", " + std::to_string(n));
                const Bytes input = Make(kind, n, random);
                const Outcome packed = RunCodec(w.settings, input, random);
                ASSERT_EQ(packed.status.fault, CodecFault::None);
                const Outcome unpacked = RunCodec(Decompress(w.settings.format), packed.output, random, 1 + random() % 5000);
                ASSERT_EQ(unpacked.status.fault, CodecFault::None) << unpacked.status.offset;
                ASSERT_TRUE(unpacked.output == input);
            }
        }
    }
}

TEST(CodecRoundTrip, EmptyInputGivesAValidStreamOfNothing) {
    std::mt19937 random(1);
    for (const Writer &w : Writers) {
        const Outcome packed = RunCodec(w.settings, {}, random);
        ASSERT_EQ(packed.status.fault, CodecFault::None) << w.name;
        // BriefLZ writes nothing for nothing, as its packer does.
        EXPECT_EQ(packed.output.empty(), w.settings.format == CodecFormat::BriefLz) << w.name;
        const Outcome unpacked = RunCodec(Decompress(w.settings.format), packed.output, random);
        EXPECT_EQ(unpacked.status.fault, CodecFault::None) << w.name;
        EXPECT_TRUE(unpacked.output.empty()) << w.name;
    }
}

// Every sample of the reference packer (1 MiB blocks without checks, and
// 16 KiB blocks with both CRC-32 fields) unpacks to its .bin, in pieces of
// every size; our packer's output of the same .bin unpacks to it too.
TEST(BriefLzSamples, EveryReferenceSampleUnpacksExactly) {
    const std::string folder = std::string(HEXALOOM_SOURCE_DIR) + "/tests/tools/data/brieflz/";
    std::mt19937 random(7);
    int samples = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".blz") continue;
        std::string stem = entry.path().stem().string();
        if (stem.size() > 5 && stem.ends_with(".c16k")) stem.resize(stem.size() - 5);
        const Bytes expected = ReadFile(folder + stem + ".bin");
        SCOPED_TRACE(path);
        for (int64_t piece : {int64_t(1), int64_t(7), int64_t(100000)}) {
            const Outcome unpacked = RunCodec(Decompress(CodecFormat::BriefLz), ReadFile(path), random, piece);
            ASSERT_EQ(unpacked.status.fault, CodecFault::None) << unpacked.status.offset;
            EXPECT_TRUE(unpacked.output == expected);
        }
        const Outcome ours = RunCodec(Compress(CodecFormat::BriefLz), expected, random);
        EXPECT_TRUE(RunCodec(Decompress(CodecFormat::BriefLz), ours.output, random).output == expected);
        ++samples;
    }
    EXPECT_EQ(samples, 16);
}

// gzip and xz read what we write, and we read what they write (with -c on
// two files: two gzip members, two .xz streams).
TEST(CodecInterop, CommandLineToolsAndWeReadEachOther) {
    if (!Have("gzip") || !Have("xz")) GTEST_SKIP() << "gzip or xz missing";
    const std::string dir = Folder();
    std::mt19937 random(5);
    Bytes input = Make("text", 300000, random);
    const Bytes tail = Make("random", 5000, random);
    input.insert(input.end(), tail.begin(), tail.end());
    WriteFile(dir + "/in", input);
    const struct {
        const char *name;
        CodecSettings settings;
        const char *theirDecoder;   // reads dir/ours, writes dir/back
        const char *theirEncoder;   // writes dir/theirs from dir/in
    } cases[] = {
        {"gzip", Compress(CodecFormat::Zip, int(ZipContainer::Gzip), 6), "gzip -dc < ours > back",
         "gzip -c in > theirs && gzip -1c in >> theirs"},
        {"xz", Compress(CodecFormat::Lzma, int(LzmaContainer::Xz), 6), "xz -dc < ours > back",
         "xz -c in > theirs && xz -0c in >> theirs"},
        {"lzma", Compress(CodecFormat::Lzma, int(LzmaContainer::Lzma), 2), "xz --format=lzma -dc < ours > back",
         "xz --format=lzma -c in > theirs"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome ours = RunCodec(c.settings, input, random);
        ASSERT_EQ(ours.status.fault, CodecFault::None);
        WriteFile(dir + "/ours", ours.output);
        ASSERT_EQ(std::system(("cd " + dir + " && " + c.theirDecoder).c_str()), 0);
        EXPECT_TRUE(ReadFile(dir + "/back") == input);

        ASSERT_EQ(std::system(("cd " + dir + " && " + c.theirEncoder).c_str()), 0);
        const Outcome theirs = RunCodec(Decompress(c.settings.format), ReadFile(dir + "/theirs"), random);
        ASSERT_EQ(theirs.status.fault, CodecFault::None) << theirs.status.offset;
        Bytes expected = input;
        if (std::string(c.name) != "lzma") expected.insert(expected.end(), input.begin(), input.end());
        EXPECT_TRUE(theirs.output == expected);
    }
    std::filesystem::remove_all(dir);
}

// Bytes of a valid stream of the format, to spoil in the refusals below.
Bytes Packed(const CodecSettings &settings, const Bytes &input) {
    std::mt19937 random(3);
    return RunCodec(settings, input, random).output;
}

TEST(CodecRefusals, InvalidInputIsRefusedWithTheOffsetWhereItWentWrong) {
    std::mt19937 random(11);
    const Bytes text = Make("text", 5000, random);
    const Bytes zlib = Packed(Compress(CodecFormat::Zip, int(ZipContainer::Zlib)), text);
    const Bytes gzip = Packed(Compress(CodecFormat::Zip, int(ZipContainer::Gzip)), text);
    const Bytes xz = Packed(Compress(CodecFormat::Lzma, int(LzmaContainer::Xz)), text);
    const Bytes lzma = Packed(Compress(CodecFormat::Lzma, int(LzmaContainer::Lzma)), text);
    const Bytes blz = Packed(Compress(CodecFormat::BriefLz), text);   // one block with both CRC fields
    auto with = [](Bytes b, size_t at, uint8_t value) {
        b[at] = value;
        return b;
    };
    auto cut = [](Bytes b, size_t n) {
        b.resize(b.size() - n);
        return b;
    };
    auto plus = [](Bytes b, std::initializer_list<uint8_t> more) {
        b.insert(b.end(), more);
        return b;
    };
    auto big32 = [](Bytes b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
        return b;
    };
    const int64_t z = static_cast<int64_t>(zlib.size()), g = static_cast<int64_t>(gzip.size());
    const int64_t x = static_cast<int64_t>(xz.size()), b = static_cast<int64_t>(blz.size());
    const struct {
        const char *what;
        CodecFormat format;
        Bytes input;
        CodecFault fault;
        int64_t offset;   // -1: anywhere from minOffset to the input's end
        int64_t minOffset = 0;
    } cases[] = {
        {"zlib cut short", CodecFormat::Zip, cut(zlib, 3), CodecFault::Truncated, z - 3},
        {"zlib with a byte after it", CodecFormat::Zip, plus(zlib, {0}), CodecFault::TrailingData, z},
        {"zlib with a wrong check value", CodecFormat::Zip, with(zlib, z - 1, zlib[z - 1] ^ 1), CodecFault::BadInput, -1, z - 4},
        {"zlib asking for a dictionary", CodecFormat::Zip, {0x78, 0xBB, 0, 0, 0, 1}, CodecFault::BadInput, 1},
        {"raw DEFLATE with a reserved block type", CodecFormat::Zip, {0x07, 0x00}, CodecFault::BadInput, -1, 0},
        {"one byte", CodecFormat::Zip, {0x03}, CodecFault::Truncated, 1},
        {"gzip and a stray byte", CodecFormat::Zip, plus(gzip, {0x1F}), CodecFault::TrailingData, g},
        {"gzip and not another member", CodecFormat::Zip, plus(gzip, {0x1F, 0x00, 0x00}), CodecFault::TrailingData, g},
        {"gzip with a wrong length", CodecFormat::Zip, with(gzip, g - 1, 0x55), CodecFault::BadInput, -1, g - 8},
        {"neither xz nor lzma", CodecFormat::Lzma, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!'},
         CodecFault::BadInput, -1, 0},
        {"xz cut short", CodecFormat::Lzma, cut(xz, 10), CodecFault::Truncated, x - 10},
        {"xz with a changed byte", CodecFormat::Lzma, with(xz, xz.size() / 2, xz[xz.size() / 2] ^ 0x40), CodecFault::BadInput, -1, 12},
        {"lzma with bytes after its stated length", CodecFormat::Lzma, plus(lzma, {1, 2, 3}), CodecFault::TrailingData,
         static_cast<int64_t>(lzma.size())},
        {"BriefLZ with another signature", CodecFormat::BriefLz, with(blz, 3, 0x1B), CodecFault::BadInput, 0},
        {"BriefLZ version 2", CodecFormat::BriefLz, big32(blz, 4, 2), CodecFault::BadInput, 4},
        {"BriefLZ block longer than the input", CodecFormat::BriefLz, big32(blz, 8, uint32_t(b - 23)), CodecFault::BadInput, 8},
        {"BriefLZ stream of nothing", CodecFormat::BriefLz, big32(blz, 16, 0), CodecFault::BadInput, 8},
        {"BriefLZ stream CRC", CodecFormat::BriefLz, with(blz, 40, blz[40] ^ 1), CodecFault::BadChecksum, 12},
        {"BriefLZ original CRC", CodecFormat::BriefLz, with(blz, 23, blz[23] ^ 1), CodecFault::BadChecksum, 20},
        {"BriefLZ header cut short", CodecFormat::BriefLz, plus(blz, {0x62, 0x6C}), CodecFault::Truncated, b + 2},
        {"BriefLZ block of more bytes than its stream makes", CodecFormat::BriefLz,
         big32(big32(big32(blz, 12, 0), 20, 0), 16, uint32_t(text.size() + 1)), CodecFault::BadInput, -1, 24},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        for (int64_t piece : {int64_t(1), int64_t(1) << 20}) {
            const Outcome outcome = RunCodec(Decompress(c.format), c.input, random, piece);
            EXPECT_EQ(outcome.status.fault, c.fault);
            if (c.offset >= 0) EXPECT_EQ(outcome.status.offset, c.offset);
            else EXPECT_TRUE(outcome.status.offset >= c.minOffset && outcome.status.offset <= static_cast<int64_t>(c.input.size()))
                     << outcome.status.offset;
        }
    }
}

// Streams that lie inside a block: each refused where it goes wrong, nothing
// read or written outside the block (run under the sanitizers).
TEST(BriefLzStream, LiesAreRefusedWithinTheBlock) {
    const struct {
        const char *what;
        Bytes packed;
        int64_t length;
        int64_t at;
    } cases[] = {
        {"ends before its bytes are made", {'a'}, 2, 1},
        {"tag word cut in half", {'a', 0x00}, 3, 1},
        // Tag words are read low byte first, their bits from the top: the bits
        // of 00 80 are 1 (a match), 00 (G1 2), 00 (G2 2); B 1 makes offset 2.
        {"match reaching back before the first byte", {'a', 0x00, 0x80, 0x01}, 10, 3},
        // 1, then G1 3 (length 5) where only 4 bytes are left.
        {"match running past the block", {'a', 0x00, 0xC0, 0x00}, 5, 3},
        {"bytes left in the stream", {'a', 0x00, 0x00, 'b', 'c'}, 2, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out(static_cast<size_t>(c.length));
        const BriefLzUnpacked result = BriefLzUnpack(c.packed.data(), static_cast<int64_t>(c.packed.size()), out.data(), c.length);
        if (std::string(c.what) == "bytes left in the stream") {
            EXPECT_TRUE(result.ok);
            EXPECT_EQ(result.at, 4);   // the container refuses the rest
            continue;
        }
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.at, c.at);
    }
}

// A small input that unpacks to much: the limit that asks is asked once and
// the output stops there when the answer is no; room is never passed.
TEST(CodecLimits, DecompressionAsksBeforeItPassesTheLimitAndStopsAtTheRoom) {
    std::mt19937 random(13);
    const Bytes zeros(int64_t(9) << 20, 0);
    for (const Writer &w : Writers) {
        if (w.settings.format == CodecFormat::Zip && w.settings.level == 0) continue;   // stored: no bomb
        SCOPED_TRACE(w.name);
        const Bytes packed = Packed(w.settings, zeros);
        ASSERT_LT(packed.size(), zeros.size() / 16);
        for (bool yes : {false, true}) {
            int asked = 0;
            int64_t producedWhenAsked = -1;
            OutputLimits limits;
            limits.askAbove = int64_t(2) << 20;
            limits.ask = [&](int64_t produced) {
                ++asked;
                producedWhenAsked = produced;
                return yes;
            };
            const Outcome outcome = RunCodec(Decompress(w.settings.format), packed, random, 4096, limits);
            EXPECT_EQ(asked, 1);
            EXPECT_LE(producedWhenAsked, limits.askAbove);
            EXPECT_EQ(outcome.status.fault, yes ? CodecFault::None : CodecFault::OutputRefused);
            EXPECT_EQ(outcome.output.size(), yes ? zeros.size() : size_t(producedWhenAsked));
        }
        OutputLimits room;
        room.room = int64_t(3) << 20;
        const Outcome stopped = RunCodec(Decompress(w.settings.format), packed, random, 4096, room);
        EXPECT_EQ(stopped.status.fault, CodecFault::OutputTooLarge);
        EXPECT_LE(stopped.output.size(), size_t(room.room));
    }
}

}  // namespace

namespace {

// With a sink, each full block leaves the output while the codec runs (so
// the output holds one block at a time) and the rest at flush(); a sink that
// refuses a block stops the codec at once.
TEST(CodecOutputSink, BlocksLeaveAsTheyFillAndARefusalStopsTheCodec) {
    std::mt19937 random(17);
    const Bytes zeros(int64_t(9) << 20, 0);
    const Bytes packed = Packed(Compress(CodecFormat::Zip), zeros);
    for (int refuseAt : {0, 3}) {
        SCOPED_TRACE(refuseAt);
        Bytes taken;
        int blocks = 0;
        CodecOutput output({}, [&](ByteBuffer &&block) {
            if (++blocks == refuseAt) return false;
            taken.insert(taken.end(), block.data(), block.data() + block.size());
            return true;
        });
        std::unique_ptr<Codec> codec = MakeCodec(Decompress(CodecFormat::Zip), output, static_cast<int64_t>(packed.size()));
        bool ok = true;
        for (size_t done = 0; ok && done < packed.size(); done += 4096)
            ok = codec->process(packed.data() + done, std::min<int64_t>(4096, packed.size() - done));
        if (refuseAt) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(output.fault(), OutputFault::Sink);
            EXPECT_EQ(blocks, refuseAt);
            EXPECT_FALSE(output.flush());
            continue;
        }
        ASSERT_TRUE(ok && codec->finish());
        EXPECT_GE(taken.size(), zeros.size() - CodecOutput::BlockLength);   // passed on before the end
        ASSERT_TRUE(output.flush());
        EXPECT_EQ(taken, zeros);
        EXPECT_TRUE(output.take().empty());
    }
}

}  // namespace
