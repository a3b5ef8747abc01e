// The digests of the fingerprint registry, computed incrementally piece by
// piece (Start, Process for every piece, Finish), and a digest of a whole
// file for the command line: MD5, CRC32, SHA1 and Adler32, then SHA-224,
// SHA-256, SHA-384, SHA-512, SHA3-256, SHA3-512, BLAKE2b-512, BLAKE2s-256
// (OpenSSL), CRC-32C (Castagnoli, ISA-L), CRC-64 (ECMA-182 as xz computes it,
// liblzma), XXH64 and XXH3 with 64-bit output (libxxhash, seed 0).
//
// Digest bytes as Finish returns them: the hashes in their usual order; the
// check values (CRC32, Adler32, CRC32C: 4 bytes; CRC64: 8 bytes) and the
// xxHash values (8 bytes) with the most significant byte first, so that they
// read like the printed value (CRC32 of "123456789" is CB F4 39 26, Adler32
// is 09 1E 01 DE, CRC32C E3 06 92 83, CRC64 99 5D C9 BB DF 19 39 FA).
//
// State: each algorithm keeps one computation, that of context 0 (the only
// context the tools use). Any other context is refused: Start and Process
// return 0 and Finish returns none. Process before Start (or after Finish)
// returns 0 and Finish without Start returns none, so a run that lost its
// Start can never show a digest. Start always begins afresh, so a run that was
// cancelled without Finish leaves nothing behind for the next one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/ByteBuffer.h"

namespace hx {

class FileHandle;

struct AlgorithmRecord;

// Process: a null piece with a length above 0, or a negative length, returns 0
// and leaves the computation as it was; a length of 0 returns 1.
int Md5Start(int context);
int Md5Process(const uint8_t *piece, int32_t length, int context);
ByteBuffer Md5Finish(int context);

int Crc32Start(int context);
int Crc32Process(const uint8_t *piece, int32_t length, int context);
ByteBuffer Crc32Finish(int context);

int Sha1Start(int context);
int Sha1Process(const uint8_t *piece, int32_t length, int context);
ByteBuffer Sha1Finish(int context);

int Adler32Start(int context);
int Adler32Process(const uint8_t *piece, int32_t length, int context);
ByteBuffer Adler32Finish(int context);

// Registers "MD5", "CRC32", "SHA1", "Adler32", "SHA224", "SHA256",
// "SHA384", "SHA512", "SHA3-256", "SHA3-512", "BLAKE2b512", "BLAKE2s256",
// "CRC32C", "CRC64", "XXH64" and "XXH3" in that order.
void RegisterBuiltinFingerprints();

// The registered fingerprint with callbacks whose name equals name when case,
// "-", "_" and blanks are ignored ("sha256", "SHA-256", "sha3_256",
// "blake2b-512"); nullptr when there is none.
const AlgorithmRecord *FindFingerprintByName(const std::string &name);

// The digest of a whole file through the record's callbacks (context 0),
// reading it in slices of 4 MiB. None when the record lacks a callback, the
// file cannot be opened or is not a regular file, a read fails, or a callback
// refuses. Uses the algorithm's context 0: not while a tool run is in progress.
std::optional<ByteBuffer> DigestOfFile(const AlgorithmRecord &record, const std::string &path);
// The same over whatever an open file gives until its end (a pipe, standard input).
std::optional<ByteBuffer> DigestOfStream(const AlgorithmRecord &record, FileHandle &file);

}  // namespace hx
