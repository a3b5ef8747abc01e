#include "Transformations.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace hx {

namespace {

TransformStatus Status;

void Fail(TransformFault fault, int64_t offset = -1) {
    if (Status.Fault != TransformFault::None) return;  // the first fault is the one to tell
    Status.Fault = fault;
    Status.Offset = offset;
}

// ---- XOr ----------------------------------------------------------------------------

// The working mask is the mask repeated to a length W that is a multiple of 4
// (L, 2L or 4L), so that whole 32-bit words of input meet whole words of mask.
// For speed the loop reads the mask from `wide`: the working mask repeated
// k + 1 times with k × W >= 256. From any position p < W, the stretch
// wide[p, p + k × W) is the mask as it continues from p, and since its length
// is a multiple of W the position after it is p again. So the bytes come out
// exactly as the word-by-word description gives them, in long runs that the
// compiler vectorises.
struct XorState {
    ByteBuffer wide;
    int64_t working = 0;   // W
    int64_t stretch = 0;   // k × W
    int64_t position = 0;  // running mask position, 0 ... W - 1, carried across pieces
};
XorState Xor;

void XorRun(uint8_t *__restrict out, const uint8_t *__restrict in, const uint8_t *__restrict mask, int64_t n) {
    for (int64_t i = 0; i < n; ++i) out[i] = in[i] ^ mask[i];
}

// ---- AES ------------------------------------------------------------------------------

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX *context) const { EVP_CIPHER_CTX_free(context); }
};
std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> Aes;

const EVP_CIPHER *AesCipher(int64_t keyLength, bool chaining) {
    switch (keyLength) {
    case 16: return chaining ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24: return chaining ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32: return chaining ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default: return nullptr;
    }
}

// ---- Base64 -------------------------------------------------------------------------

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Two output characters for every 12-bit value: one lookup and one 16-bit
// store per half of a 3-byte group.
struct PairTable {
    std::array<std::array<char, 2>, 4096> pairs{};
    PairTable() {
        for (int v = 0; v < 4096; ++v) pairs[v] = {Alphabet[v >> 6], Alphabet[v & 63]};
    }
};
const PairTable &Pairs() {
    static const PairTable table;
    return table;
}

// Decoder classes of the 256 byte values: 0 ... 63 the digit's value, then:
enum : uint8_t { ClassSpace = 64, ClassPad = 65, ClassBad = 66 };
struct ClassTable {
    std::array<uint8_t, 256> of{};
    ClassTable() {
        of.fill(ClassBad);
        for (int i = 0; i < 64; ++i) of[static_cast<uint8_t>(Alphabet[i])] = static_cast<uint8_t>(i);
        for (uint8_t c : {'\r', '\n', ' ', '\t'}) of[c] = ClassSpace;
        of['='] = ClassPad;
    }
};
const ClassTable &Classes() {
    static const ClassTable table;
    return table;
}

struct EncoderState {
    uint8_t pending[2] = {};
    int count = 0;   // bytes of an unfinished 3-byte group
};
EncoderState Encoder;

void EncodeGroup(char *out, uint32_t b0, uint32_t b1, uint32_t b2) {
    const uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    std::memcpy(out, Pairs().pairs[v >> 12].data(), 2);
    std::memcpy(out + 2, Pairs().pairs[v & 0xFFF].data(), 2);
}

enum class Quantum { Open, AwaitPad, Closed };
struct DecoderState {
    uint32_t bits = 0;       // the digits of the current quantum, 6 bits each
    int count = 0;           // digits in the current quantum
    Quantum state = Quantum::Open;
    int64_t consumed = 0;    // input bytes of earlier pieces
    int64_t quantumStart = -1;
    int64_t padOffset = -1;  // the "=" that waits for its partner
    bool failed = false;
};
DecoderState Decoder;

}  // namespace

const TransformStatus &TransformationStatus() { return Status; }

void ReleaseTransformation() {
    Xor = XorState{};
    Aes.reset();
    Encoder = EncoderState{};
    Decoder = DecoderState{};
}

// ---- XOr ----------------------------------------------------------------------------

void XorStart(TransformParameters *parameters) {
    Status = {};
    Xor = XorState{};
    if (!parameters || !parameters->Parameter1.valid() || parameters->Parameter1.size() <= 0) return;
    const ByteBuffer &mask = parameters->Parameter1;
    const int64_t length = mask.size();
    const int64_t working = length % 4 == 0 ? length : length % 2 == 0 ? 2 * length : 4 * length;
    const int64_t k = std::max<int64_t>(1, (256 + working - 1) / working);
    ByteBuffer wide = ByteBuffer::uninitialised((k + 1) * working, (k + 1) * working);
    if (!wide.valid()) {
        Fail(TransformFault::NoMemory);
        return;
    }
    for (int64_t at = 0; at < wide.size(); at += length)
        std::memcpy(wide.data() + at, mask.data(), static_cast<size_t>(length));
    Xor.wide = std::move(wide);
    Xor.working = working;
    Xor.stretch = k * working;
}

ByteBuffer XorProcess(const uint8_t *piece, int64_t length, int) {
    if (length <= 0 || !piece || Xor.working == 0) return {};
    ByteBuffer out = ByteBuffer::uninitialised(length, length);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        return {};
    }
    const uint8_t *mask = Xor.wide.data() + Xor.position;
    int64_t done = 0;
    for (; length - done >= Xor.stretch; done += Xor.stretch)
        XorRun(out.data() + done, piece + done, mask, Xor.stretch);
    const int64_t tail = length - done;
    XorRun(out.data() + done, piece + done, mask, tail);
    Xor.position = (Xor.position + tail) % Xor.working;
    return out;
}

ByteBuffer XorFinish(TransformParameters *parameters) {
    Xor = XorState{};
    if (parameters) parameters->Parameter1.reset();
    return {};
}

// ---- AES ------------------------------------------------------------------------------

void AesStart(TransformParameters *parameters) {
    Status = {};
    Aes.reset();
    if (!parameters) return Fail(TransformFault::CipherFailed);
    const ByteBuffer &key = parameters->Parameter1;
    const ByteBuffer &vector = parameters->Parameter2;
    const int32_t mode = parameters->Mode;
    const bool chaining = (mode & AesChaining) != 0;
    if (chaining == ((mode & AesCodeBook) != 0) || ((mode & AesEncode) != 0) == ((mode & AesDecode) != 0))
        return Fail(TransformFault::CipherFailed);
    const EVP_CIPHER *cipher = key.valid() ? AesCipher(key.size(), chaining) : nullptr;
    if (!cipher) return Fail(TransformFault::BadKey);
    if (chaining && (!vector.valid() || vector.size() < AesBlockLength)) return Fail(TransformFault::BadVector);
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter> context(EVP_CIPHER_CTX_new());
    if (!context) return Fail(TransformFault::NoMemory);
    const int encrypt = (mode & AesEncode) != 0 ? 1 : 0;
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), chaining ? vector.data() : nullptr,
                          encrypt) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return Fail(TransformFault::CipherFailed);
    Aes = std::move(context);
}

ByteBuffer AesProcess(const uint8_t *piece, int64_t length, int) {
    if (length <= 0 || !piece || !Aes) return {};
    // Bytes of an unfinished block from the last piece come out with this one.
    ByteBuffer out = ByteBuffer::uninitialised(length + AesBlockLength, length + AesBlockLength);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        Aes.reset();
        return {};
    }
    int64_t produced = 0;
    for (int64_t done = 0; done < length;) {
        // EVP counts in int; pieces are a few MiB, but a caller may hand more.
        const int n = static_cast<int>(std::min<int64_t>(length - done, int64_t{1} << 30));
        int written = 0;
        if (EVP_CipherUpdate(Aes.get(), out.data() + produced, &written, piece + done, n) != 1) {
            Fail(TransformFault::CipherFailed);
            Aes.reset();
            return {};
        }
        produced += written;
        done += n;
    }
    if (produced == 0) return {};
    out.resize(produced);
    return out;
}

ByteBuffer AesFinish(TransformParameters *parameters) {
    if (parameters) {
        parameters->Parameter1.reset();
        parameters->Parameter2.reset();
    }
    if (!Aes) return {};
    uint8_t last[AesBlockLength * 2];
    int written = 0;
    // Without padding the final call only checks that no partial block is left.
    const bool whole = EVP_CipherFinal_ex(Aes.get(), last, &written) == 1;
    Aes.reset();
    if (!whole) Fail(TransformFault::PartialBlock);
    if (!whole || written <= 0) return {};
    ByteBuffer out = ByteBuffer::copyOf(last, written);
    if (!out.valid()) Fail(TransformFault::NoMemory);
    return out;
}

// ---- Base64 encoder -------------------------------------------------------------------

void Base64EncoderStart(TransformParameters *) {
    Status = {};
    Encoder = EncoderState{};
}

ByteBuffer Base64EncoderProcess(const uint8_t *piece, int64_t length, int) {
    if (length <= 0 || !piece) return {};
    const int64_t total = Encoder.count + length;
    const int64_t groups = total / 3;
    if (groups == 0) {
        for (int64_t i = 0; i < length; ++i) Encoder.pending[Encoder.count++] = piece[i];
        return {};
    }
    ByteBuffer out = ByteBuffer::uninitialised(groups * 4, groups * 4);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        return {};
    }
    char *o = reinterpret_cast<char *>(out.data());
    int64_t i = 0;
    // A group begun in the last piece is finished first.
    if (Encoder.count > 0) {
        uint8_t group[3] = {Encoder.pending[0], Encoder.pending[1], 0};
        for (int k = Encoder.count; k < 3; ++k) group[k] = piece[i++];
        EncodeGroup(o, group[0], group[1], group[2]);
        o += 4;
        Encoder.count = 0;
    }
    for (; length - i >= 3; i += 3, o += 4) EncodeGroup(o, piece[i], piece[i + 1], piece[i + 2]);
    for (; i < length; ++i) Encoder.pending[Encoder.count++] = piece[i];
    return out;
}

ByteBuffer Base64EncoderFinish(TransformParameters *) {
    const EncoderState e = Encoder;
    Encoder = EncoderState{};
    const int count = e.count;
    if (count == 0) return {};
    ByteBuffer out = ByteBuffer::uninitialised(4, 4);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        return {};
    }
    const uint32_t b0 = e.pending[0], b1 = count == 2 ? e.pending[1] : 0;
    char *o = reinterpret_cast<char *>(out.data());
    o[0] = Alphabet[b0 >> 2];
    o[1] = Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
    o[2] = count == 2 ? Alphabet[(b1 & 15) << 2] : '=';
    o[3] = '=';
    return out;
}

// ---- Base64 decoder -------------------------------------------------------------------

void Base64DecoderStart(TransformParameters *) {
    Status = {};
    Decoder = DecoderState{};
}

ByteBuffer Base64DecoderProcess(const uint8_t *piece, int64_t length, int) {
    if (length <= 0 || !piece || Decoder.failed) return {};
    // At most three digits wait from earlier pieces: (3 + length) / 4 quanta.
    const int64_t room = (length + 3) / 4 * 3;
    ByteBuffer out = ByteBuffer::uninitialised(room, room);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        Decoder.failed = true;
        return {};
    }
    const auto &of = Classes().of;
    uint8_t *o = out.data();
    DecoderState &d = Decoder;
    auto bad = [&](int64_t i) {
        Fail(TransformFault::BadInput, d.consumed + i);
        d.failed = true;
        return ByteBuffer();
    };
    for (int64_t i = 0; i < length; ++i) {
        // Whole quanta of four digits in a row: the common case, taken at once.
        if (d.count == 0 && d.state == Quantum::Open) {
            while (length - i >= 4) {
                const uint32_t a = of[piece[i]], b = of[piece[i + 1]], c = of[piece[i + 2]], e = of[piece[i + 3]];
                if ((a | b | c | e) >= 64) break;
                const uint32_t v = (a << 18) | (b << 12) | (c << 6) | e;
                o[0] = static_cast<uint8_t>(v >> 16);
                o[1] = static_cast<uint8_t>(v >> 8);
                o[2] = static_cast<uint8_t>(v);
                o += 3;
                i += 4;
            }
            if (i >= length) break;
        }
        const uint8_t c = of[piece[i]];
        if (c == ClassSpace) continue;
        if (c < 64) {
            if (d.state != Quantum::Open) return bad(i);
            if (d.count == 0) d.quantumStart = d.consumed + i;
            d.bits = (d.bits << 6) | c;
            if (++d.count == 4) {
                *o++ = static_cast<uint8_t>(d.bits >> 16);
                *o++ = static_cast<uint8_t>(d.bits >> 8);
                *o++ = static_cast<uint8_t>(d.bits);
                d.bits = 0;
                d.count = 0;
            }
            continue;
        }
        if (c != ClassPad) return bad(i);
        if (d.state == Quantum::Closed || (d.state == Quantum::Open && d.count < 2)) return bad(i);
        if (d.state == Quantum::Open && d.count == 2) {
            d.state = Quantum::AwaitPad;
            d.padOffset = d.consumed + i;
            continue;
        }
        if (d.state == Quantum::AwaitPad) {
            *o++ = static_cast<uint8_t>(d.bits >> 4);            // two digits: 12 bits, one byte
        } else {
            *o++ = static_cast<uint8_t>(d.bits >> 10);           // three digits: 18 bits, two bytes
            *o++ = static_cast<uint8_t>(d.bits >> 2);
        }
        d.state = Quantum::Closed;
        d.bits = 0;
        d.count = 0;
    }
    d.consumed += length;
    const int64_t produced = o - out.data();
    if (produced == 0) return {};
    out.resize(produced);
    return out;
}

ByteBuffer Base64DecoderFinish(TransformParameters *) {
    const DecoderState d = Decoder;
    Decoder = DecoderState{};
    if (d.failed) return {};
    if (d.state == Quantum::AwaitPad) {
        Fail(TransformFault::BadInput, d.padOffset);
        return {};
    }
    if (d.count == 1) {
        Fail(TransformFault::BadInput, d.quantumStart);
        return {};
    }
    if (d.count == 0) return {};
    ByteBuffer out = ByteBuffer::uninitialised(d.count - 1, d.count - 1);
    if (!out.valid()) {
        Fail(TransformFault::NoMemory);
        return {};
    }
    if (d.count == 2) {
        out[0] = static_cast<uint8_t>(d.bits >> 4);
    } else {
        out[0] = static_cast<uint8_t>(d.bits >> 10);
        out[1] = static_cast<uint8_t>(d.bits >> 2);
    }
    return out;
}

}  // namespace hx
