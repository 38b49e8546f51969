// The coded body of a file: literals and matches under two adaptive code
// trees, rebuilt before tokens 0, 256, ..., 1792, 2048 and then every 1024.
//
// Literal/length tree: 0-255 a literal, 256-510 a match of length s - 254,
// 511 a match of 257 plus a 12-bit field. Distance tree: d * 16 + 1 plus a
// 4-bit field, 1 to 8192.
#ifndef CORVANE_ENGINE_SYMBOL_DECODER_H
#define CORVANE_ENGINE_SYMBOL_DECODER_H

#include <stdint.h>

#include "engine/extraction.h"

const int kFirstLengthSymbol = 256;
const int kLongLengthSymbol = 511;
const int kMinMatch = 2;
const int kLongMatchBase = 257;
const int kLongLengthBits = 12;
const int kDistanceBits = 4;
const int kMaxMatch = kLongMatchBase + (1 << kLongLengthBits) - 1;  // 4352
const int kMaxDistance = 8192;

// Whether the trees are rebuilt before token number `tokens`.
inline bool IsRebuildPoint(int32_t tokens) {
  return (tokens & 255) == 0 && (tokens < 2048 || (tokens & 1023) == 0);
}

// The rebuild point after the one at `tokens`.
inline int32_t NextRebuildPoint(int32_t tokens) {
  return tokens + (tokens < 2048 ? 256 : 1024);
}

// Decodes body bytes into the output window until `length` bytes (the
// file's size less K) are out or the run is cancelled. False when the body
// is malformed (a match reaching before the history); read and write
// failures are left in the reader's status and the window's flag.
bool DecodeFileBody(Extraction* x, int32_t length);

// Rebuilds the literal and length tree, then the distance tree, and fills
// their tables: what a rebuild point does.
void RebuildTrees(ExtractionWork* w);

// Brings the distance tree's counts up to date (the body's reset, the
// logged symbols) and rebuilds it: the distance half of a rebuild point.
void RebuildDistanceTree(ExtractionWork* w);

// Fills the table of the trees every body starts with; once per run.
void PrepareStartingTable(ExtractionWork* w);

#endif
