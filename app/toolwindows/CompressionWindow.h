// The compression tool: window 8 ("Compression") packs or unpacks a byte
// range of the main view's document with Zip, LZMA or BriefLZ and puts the
// result in place of the range as one undoable replace, the written bytes
// selected. The Compress menu's entries open the window preset for their
// format and the selection (the whole document when nothing is selected);
// "Compress" and "Decompress" run it, with progress and Cancel.
//
// A window of its own rather than more entries in the Transformation window:
// compression has a direction and settings of its own (container, level)
// and nothing of a cipher's (mask, key, vector), and it ends in messages of
// its own (where the data went wrong, how large the output grows).
//
// Decompression asks before its output grows past 16 times the range's
// length (at least 64 MB), which the window says, and stops where the output
// would not fit in the memory the system has free: no decompression bomb
// fills memory unnoticed. A refusal names the offset in the document where
// the data went wrong; nothing is written then.
#pragma once

#include <cstdint>

#include "app/toolwindows/ToolRun.h"
#include "tools/Codec.h"

namespace hx {

struct Document;

inline constexpr int CompressionWindowNumber = 8;
inline constexpr int CompressionWindowWidth = 565;
inline constexpr int CompressionWindowHeight = 185;

// Control numbers of window 8 (its range 8000 + k).
enum CompressionControl : int {
    CompressionGroup = 8001,
    CompressionFormatLabel = 8002,
    CompressionFormatList = 8003,
    CompressionPositionLabel = 8004,
    CompressionPositionField = 8005,
    CompressionLengthLabel = 8006,
    CompressionLengthField = 8007,
    CompressionContainerLabel = 8008,
    CompressionContainerList = 8009,
    CompressionLevelLabel = 8010,
    CompressionLevelList = 8011,
    CompressionNote = 8012,
    CompressionProgressBar = 8013,
    CompressionCompressButton = 8014,
    CompressionDecompressButton = 8015,
    CompressionCancelButton = 8016,
};

// The output that asks first: 16 times the input, at least 64 MB (a round
// figure as the window shows sizes, on a base of 1000).
inline constexpr int64_t AskAboveFactor = 16;
inline constexpr int64_t AskAboveAtLeast = 64'000'000;
inline int64_t AskAboveFor(int64_t inputLength) {
    return inputLength > AskAboveAtLeast / AskAboveFactor ? inputLength * AskAboveFactor : AskAboveAtLeast;
}

// Opens the window for a format (making it the first time): selects the
// format, lays out its settings, copies the main view's selection (or the
// whole document) into Offset and Length and shows the window.
void ShowCompression(CodecFormat format);

// "Compress" (true) or "Decompress" (false) over the range of the Offset and
// Length fields (read leniently) of the main view's document, with the
// window's settings. Nothing happens for a Length of 0 or less or an empty
// clamped range. Refusals (invalid data, memory, a range that could not be
// read) are told in a message and change nothing; so do Cancel, the close
// box and a "no" to the question about a large output.
void ApplyCompression(bool compress);

enum class CompressionResult {
    Written,      // the range was replaced (one history entry), the written bytes selected
    Cancelled,    // Cancel or the close box
    ReadFailed,   // part of the range could not be read
    Refused,      // the codec refused: status says why (invalid data, limits, memory)
    NoMemory,     // memory ran out while keeping the output or recording the edit
    NoSpace,      // the scratch file could not take the output beyond the memory budget
};

struct CompressionOutcome {
    CompressionResult result = CompressionResult::Refused;
    CodecStatus status;
    int64_t written = 0;   // bytes that replaced the range
};

// The run without the window: the walk over position ... position + length
// of doc's store (events served between slices as events says), the codec
// over the slices, and the replace of the range as entered by the output
// blocks as one history entry (they become the document's chunks without a
// copy; in memory within the edits' budget, in the scratch file beyond it),
// the written bytes selected afterwards. Anything but Written leaves
// the document exactly as it was.
CompressionOutcome RunCompression(Document &doc, const CodecSettings &settings, int64_t position, int64_t length,
                                  const ToolRun &events, OutputLimits limits);

// Adds the Compress submenu to the menu being built: BriefLZ (id 25), Zip
// and LZMA (automatic ids), each opening the window for its format. The main
// menu and the view's pop-up menu each call it once.
void AddCompressionMenu();

}  // namespace hx
