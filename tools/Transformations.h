// The transformations of the "Cipher" tool: XOr with a cyclic mask, AES
// (encrypt and decrypt, CBC or ECB, 128/192/256-bit keys) and Base64 of
// RFC 4648 (encode and decode). Each is a Start / Process / Finish set for the
// transformation registry; the output does not depend on where the range is
// cut into pieces.
//
// One run of each set at a time: the state of a run (working mask, cipher
// context, bytes of an unfinished group) is global. A run that ends without
// Finish (cancelled, or stopped by a fault) must call ReleaseTransformation,
// which frees that state.
//
// Faults: Start and Process cannot return an error themselves, so they leave
// it in TransformationStatus(); a caller looks at it after every call. A
// faulty run returns no further output.
//
// Plain C++ (OpenSSL's EVP interface for AES): no Qt.
#pragma once

#include <cstdint>

#include "document/ByteBuffer.h"
#include "tools/AlgorithmRegistry.h"

namespace hx {

// TransformParameters::Mode bits of the AES entries.
enum AesModeBit : int32_t {
    AesDecode = 1,
    AesEncode = 2,
    AesChaining = 4,   // CBC
    AesCodeBook = 8,   // ECB
};
inline constexpr int64_t AesBlockLength = 16;

enum class TransformFault {
    None,
    NoMemory,        // an output block or the run's state could not be allocated
    BadInput,        // Base64 decoder: a byte outside the alphabet or padding out of place
    BadKey,          // AES: the key is not 16, 24 or 32 bytes
    BadVector,       // AES CBC: fewer than 16 bytes of initialisation vector
    PartialBlock,    // AES: the run's length is not a whole number of 16-byte blocks
    CipherFailed,    // the cipher library refused
};

struct TransformStatus {
    TransformFault Fault = TransformFault::None;
    // BadInput: the offset of the first bad byte, counted from the first byte
    // of the run (pieces counted together).
    int64_t Offset = -1;
};

// The fault of the current (or last) run; reset by every Start.
const TransformStatus &TransformationStatus();
// Frees the state of whichever run is in progress. Harmless when there is none.
void ReleaseTransformation();

// XOr: output byte i = input byte i XOR mask[i mod L], i counted from the run's
// first byte. Start takes Parameter1 as the mask (an empty mask is a caller's
// error: the run then copies nothing and Process returns none).
void XorStart(TransformParameters *parameters);
ByteBuffer XorProcess(const uint8_t *piece, int64_t length, int context);
ByteBuffer XorFinish(TransformParameters *parameters);

// AES without padding: key = Parameter1 (16, 24 or 32 bytes: AES-128/192/256),
// initialisation vector = the first 16 bytes of Parameter2 (CBC only), Mode as
// AesModeBit. Whole blocks only: Finish reports PartialBlock when the run's
// length was not a multiple of 16 (callers refuse such a run beforehand).
void AesStart(TransformParameters *parameters);
ByteBuffer AesProcess(const uint8_t *piece, int64_t length, int context);
ByteBuffer AesFinish(TransformParameters *parameters);

// Base64 encoder: standard alphabet, "=" padding, no line breaks; output of
// 4 × ceil(n / 3) bytes for n input bytes.
void Base64EncoderStart(TransformParameters *parameters);
ByteBuffer Base64EncoderProcess(const uint8_t *piece, int64_t length, int context);
ByteBuffer Base64EncoderFinish(TransformParameters *parameters);

// Base64 decoder: skips CR, LF, blanks and tabs. Refused (BadInput with the
// offset): any other byte outside the alphabet; "=" in the first or second
// place of a quantum, a lone "=" after the third, or anything but whitespace
// after a padded quantum; a last quantum of a single character. A last
// quantum of two or three characters without its padding decodes as if it
// were padded (the bytes are unambiguous).
void Base64DecoderStart(TransformParameters *parameters);
ByteBuffer Base64DecoderProcess(const uint8_t *piece, int64_t length, int context);
ByteBuffer Base64DecoderFinish(TransformParameters *parameters);

// 4 × ceil(n / 3): the encoder's output for n bytes (n >= 0).
inline int64_t Base64EncodedLength(int64_t n) { return (n / 3 + (n % 3 != 0)) * 4; }

}  // namespace hx
