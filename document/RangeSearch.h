// Finding a pattern in a range of a store: forward through the store's range
// walk, backward through reads of bounded pieces, so that a file of any size
// is searched without holding more than a few MiB of it.
//
// Matches never overlap when stepping: forward, after a match at p the next
// is looked for from p + k on; backward, the next one must end at or before
// p. Every operation clamps its range to the store and stops early when its
// serve callback says so.
#pragma once

#include <cstdint>
#include <functional>

#include "BytePattern.h"

namespace hx {

struct Binary;

// The bytes handed to the pattern at a time. serve is called at least every
// this many bytes and at least every SearchServeIntervalMs while a range is
// searched, so that a window can answer its Cancel button in time.
inline constexpr int64_t SearchPieceLength = int64_t{4} << 20;
inline constexpr int SearchServeIntervalMs = 30;

// Told how many bytes of the range were searched so far; returning false
// stops the search.
using SearchServe = std::function<bool(int64_t searched)>;
// Told each match in order; returning false ends the scan after it.
using SearchVisit = std::function<bool(int64_t position)>;
// Told each piece of the range in order, after the matches that end in it:
// its position, bytes and length (valid during the call). Returning false
// stops the scan (Stopped).
using SearchPieceVisit = std::function<bool(int64_t position, const uint8_t *bytes, int64_t n)>;

enum class SearchStatus {
    Done,         // the range was searched (or the visitor ended the scan)
    Stopped,      // serve returned false
    ReadFailed,   // part of the range could not be read: the answer would not be true
};

struct SearchScan {
    SearchStatus status = SearchStatus::Done;
    int64_t count = 0;       // matches visited
    int64_t position = -1;   // the last match visited, -1 when none
};

// Visits every match in [from, to) stepping forward from `from`: each match
// lies wholly in the range, and after a match at p the next starts at
// p + k or later. visit may be empty (the scan then counts); so may piece.
SearchScan ScanForward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                       const SearchVisit &visit, const SearchServe &serve, const SearchPieceVisit &piece = {});

// The first match in [from, to): position -1 when there is none.
SearchScan FindForward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                       const SearchServe &serve);

// The last match that lies wholly in [from, to), looked for from `to`
// backward: position -1 when there is none.
SearchScan FindBackward(Binary *store, const BytePattern &pattern, int64_t from, int64_t to,
                        const SearchServe &serve);

}  // namespace hx
