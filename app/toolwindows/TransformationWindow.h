// The transformation tool: window 3 ("Transformation") rewrites a byte range
// of the main view's document with an algorithm of the transformation
// registry (XOr, AES, Base64) and puts the result in place of the range as one
// undoable replace, the written bytes selected. The Cipher menu entries open
// the window preset for the algorithm and the selection; Apply runs it.
#pragma once

#include <cstdint>

#include "app/toolwindows/ToolRun.h"
#include "tools/Transformations.h"

namespace hx {

struct AlgorithmRecord;
struct Document;

inline constexpr int TransformationWindowNumber = 3;
inline constexpr int TransformationWindowWidth = 565;
inline constexpr int TransformationWindowHeight = 120;

// Control numbers of window 3. The loop's tables name 38 to 49; the group,
// the labels, the block-mode list, the progress bar and Cancel take numbers
// from window 3's own range 3000 + k.
enum TransformationControl : int {
    TransformAlgorithmList = 38,
    TransformPositionField = 39,
    TransformLengthField = 40,
    TransformMaskField = 42,      // hex view
    TransformKeySizeList = 45,
    TransformKeyField = 46,       // hex view
    TransformVectorField = 47,    // hex view
    TransformApplyButton = 49,
    TransformCipherGroup = 3001,
    TransformAlgorithmLabel = 3002,
    TransformPositionLabel = 3003,
    TransformLengthLabel = 3004,
    TransformMaskLabel = 3005,
    TransformModeLabel = 3006,
    TransformBlockModeList = 3007,
    TransformKeyLabel = 3008,
    TransformVectorLabel = 3009,
    TransformProgressBar = 3010,
    TransformCancelButton = 3011,
};

// Opens the window for an algorithm: selects it in the list, copies the main
// view's selection into Position and Length, lays the window out for it
// (heights 120 Base64, 210 XOr, 325 AES; others keep the layout) and shows it.
void ShowTransformation(const AlgorithmRecord *record);

// Runs the algorithm over the range of the Position and Length fields (read
// leniently) of the main view's document. Nothing happens for a Length of 0
// or less, an empty mask or an algorithm without callbacks. Refused with a
// message, the document unchanged: an AES key that is not 16, 24 or 32 bytes,
// a CBC vector under 16 bytes, an AES range that is not a whole number of
// blocks, bad Base64 (with its offset), a result the scratch folder has no
// room for (before the run), memory or the scratch folder running out, a
// range that could not be read. Cancel or the close box during the run leave
// the document as it was. Otherwise the range is replaced in one undo step
// and the written bytes are selected.
void ApplyTransformation(const AlgorithmRecord *record);

enum class TransformationResult {
    Written,          // the range was replaced (one history entry), the written bytes selected
    NothingWritten,   // the run gave no bytes (an empty clamped range): nothing recorded
    Cancelled,        // Cancel or the close box
    ReadFailed,       // part of the range could not be read
    Refused,          // the algorithm refused (status tells why)
    NoMemory,         // memory ran out while gathering the output or recording the edit
    NoSpace,          // the scratch file could not take the output
};
struct TransformationOutcome {
    TransformationResult result = TransformationResult::NothingWritten;
    TransformStatus status;
};

// The run itself, without the window's controls: Start, the walk over
// position ... position + length of doc's store (events served between the
// slices as events says), Process per slice, Finish, and the replace of the
// range as entered by the blocks they returned as one history entry
// (ReplaceBytesMoving: the blocks become the document's chunks without being
// copied, in memory or, beyond the edits' memory budget, in the scratch
// file; the replaced range leaves as the chunks that held it), the written
// bytes selected afterwards. parameters.OutputLength
// receives the number of bytes the run gave; parameters.Output is not used
// (and freed). Anything but Written leaves the document exactly as it was.
// The callback set's state is released whatever the path out.
TransformationOutcome RunTransformation(Document &doc, const AlgorithmRecord &record, TransformParameters &parameters,
                                        int64_t position, int64_t length, const ToolRun &events);

// The key-size list's choice k (0, 1, 2): key and vector fields set to exactly
// 16 + 8k bytes, keeping their bytes from the start (cut or zero-filled).
void ChangeKeySize(int k);

}  // namespace hx
