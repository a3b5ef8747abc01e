// The fingerprint tool: window 2 ("Result") shows the digest of a byte range
// of the main view's document, computed with an algorithm of the fingerprint
// registry. The Fingerprint menu entries compute over the selection at once
// (over the whole document when nothing is selected); in the window the user
// picks the algorithm and the range and presses Update.
//
// A digest on show always belongs to what the window says: a line below the
// result names the algorithm and the range it covers, and a change of the
// algorithm, of the range (typed, or the main view's selection mirrored into
// the fields), of the document or of its bytes takes the digest away. "Copy"
// puts it on the clipboard as lower-case hexadecimal text.
#pragma once

#include <cstdint>
#include <string>

#include "app/toolwindows/ToolRun.h"
#include "document/ByteBuffer.h"

namespace hx {

struct AlgorithmRecord;
struct Binary;
struct HexView;

inline constexpr int FingerprintWindowNumber = 2;
inline constexpr int FingerprintWindowWidth = 490;
// 170 as first laid out, and a row below for the range line and Copy.
inline constexpr int FingerprintWindowHeight = 200;

// Control numbers of window 2. The loop knows 29 to 32 and 34; the group, the
// labels, the progress bar and Cancel have no number of their own in the
// loop's tables and take numbers from 2000 + k (window 2's range).
enum FingerprintControl : int {
    FingerprintAlgorithmList = 29,
    FingerprintPositionField = 30,
    FingerprintLengthField = 31,
    FingerprintResultField = 32,   // a read-only hex view
    FingerprintUpdateButton = 34,
    FingerprintGroupBox = 2001,
    FingerprintAlgorithmLabel = 2002,
    FingerprintPositionLabel = 2003,
    FingerprintLengthLabel = 2004,
    FingerprintResultLabel = 2005,
    FingerprintProgressBar = 2006,
    FingerprintCancelButton = 2007,
    FingerprintRangeLabel = 2008,    // which algorithm and range the digest on show covers
    FingerprintCopyButton = 2009,    // the digest on show as lower-case hex to the clipboard
};

struct FingerprintOutcome {
    ToolRunResult result = ToolRunResult::ReadFailed;
    ByteBuffer digest;   // valid only when result is Done
};

// The computation as the tool runs it: Start (context 0), the walk over the
// clamped range in slices through Process, and Finish only when every byte of
// the range went through Process. run.slice is set here; run's window, Cancel
// button and progress bar are used as RunOverRange describes. A record
// without its callbacks, a refused Start or a Finish that gives no digest is
// Stopped; a piece that could not be read is ReadFailed.
FingerprintOutcome FingerprintOfRange(const AlgorithmRecord &record, Binary *store, int64_t position,
                                      int64_t length, ToolRun run);

// Shows the window with the digest of position ... position + length of the
// view's current document: selects the record in the drop-down, writes the
// range into the fields, runs in the busy state (other windows disabled,
// Cancel instead of Update) and puts the digest into the result field. A run
// that is cancelled or closed shows nothing; one that could not read its
// range shows a message and no digest. A second call while a run is in
// progress does nothing.
void ComputeFingerprint(const AlgorithmRecord *record, HexView *view, int64_t position, int64_t length);

// The digest on show as lower-case hexadecimal text; "" when none is shown.
std::string ShownFingerprintHex();

}  // namespace hx
