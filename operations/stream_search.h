// Looking for a fixed text in a file that is read piece by piece. A match may
// straddle two reads, so the search carries its own state from one piece to
// the next (a Knuth-Morris-Pratt automaton) instead of re-reading an overlap.
//
// Windows writes OEM INF files either as 8-bit text or as UTF-16LE, so the
// same identifier is looked for in two forms: as bytes (unit size 1) and as
// 16-bit little-endian units (unit size 2), the latter only at even offsets
// from the start of the file, where the characters of such a file begin.
#ifndef OPERATIONS_STREAM_SEARCH_H
#define OPERATIONS_STREAM_SEARCH_H

#include <stddef.h>
#include <stdint.h>

enum { StreamSearchMaxUnits = 128 };

struct StreamSearch {
    uint16_t pattern[StreamSearchMaxUnits];
    uint16_t fallback[StreamSearchMaxUnits];  // longest proper border of pattern[0..i]
    unsigned length;      // units in the pattern; 0 never matches
    unsigned unitBytes;   // 1 or 2
    unsigned matched;     // units of the pattern matched by the latest input
    unsigned pendingLow;  // first byte of a 16-bit unit cut between two pieces
    int hasPending;
    int found;            // set once the pattern has occurred; stays set
};

// Prepares a search for patternBytes bytes of pattern taken as units of
// unitBytes (1 or 2, little-endian). Returns 0, and leaves a search that never
// matches, for an empty or too long pattern, a bad unit size, or a byte count
// that is not a whole number of units.
int streamSearchStart(StreamSearch* s, const void* pattern, size_t patternBytes, unsigned unitBytes);

// Feeds the next count bytes of the file; pieces may have any size.
void streamSearchFeed(StreamSearch* s, const void* bytes, size_t count);

#endif
