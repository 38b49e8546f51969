// The output window of one file: match history (8192 bytes back stay
// readable), write buffer (written in pieces of 32768 bytes) and feeder of
// the file's reference slot, all in one 40960-byte array.
//
// Coordinates: the preset history takes 0 to P - 1, body byte j lands at
// P + j and is byte K + j of the file. The byte at a coordinate is at
// window index coordinate - base.
#ifndef CORVANE_ENGINE_OUTPUT_WINDOW_H
#define CORVANE_ENGINE_OUTPUT_WINDOW_H

#include <stdint.h>

#include <string.h>

#include "engine/output_sink.h"
#include "engine/reference_ring.h"

const int kWindowBytes = 40960;
const int kFlushBytes = 32768;
const int kHistoryBytes = kWindowBytes - kFlushBytes;

struct OutputWindow {
  uint8_t window[kWindowBytes];
  int32_t position;  // coordinate of the next byte
  int32_t base;      // coordinate of window[0]; grows 32768 per flush
  int32_t head;      // leading bytes never written: P, then 0
  int32_t presetLength;  // P
  int32_t shared;        // K
  const OutputSink* sink;  // where the bytes go; null: nowhere
  bool writeFailed;        // a flush failed; the file is lost
  ReferenceSlot* slot;     // the slot of the file in hand
  int32_t slotFed;         // coordinate up to which the slot has its bytes
};

// Starts a file: the preset history goes in front, unwritten. A null sink
// writes nothing (a skipped file).
void BeginFile(OutputWindow* w, const uint8_t* preset, int32_t presetLength,
               int32_t shared, ReferenceSlot* slot, const OutputSink* sink);

// Writes window[head .. 32767], keeps the last 8192 bytes as history.
// The slot takes its bytes first.
void FlushWindow(OutputWindow* w);

// Gives the slot the file's bytes output since it last had them, as far
// as it keeps them. The slot is fed in pieces, at each flush and when the
// body ends, rather than byte by byte.
void FeedSlot(OutputWindow* w);

inline void PutByte(OutputWindow* w, uint8_t b) {
  // Full is tested before the store: a window that has just filled is
  // flushed by the next byte, or by FlushRest when none comes.
  if (w->position - w->base >= kWindowBytes) FlushWindow(w);
  w->window[w->position - w->base] = b;
  w->position++;
}

// Slack that CopyWithin needs behind the end of its copy.
const int kCopySlack = 32;

// Copies `length` bytes from `distance` (1 to 8192) back to dst, as a byte
// by byte copy would: a distance below the length repeats the bytes the
// copy has just made. It may store up to 31 bytes past dst + length
// (bytes not output yet, overwritten later), so the caller leaves
// kCopySlack bytes of room there.
inline void CopyWithin(uint8_t* dst, int32_t distance, int32_t length) {
  const uint8_t* src = dst - distance;
#if !defined(CORVANE_COMPACT)
  if (distance >= 32) {
    // Most matches are short: one or two pieces, no loop.
    memcpy(dst, src, 32);
    for (int32_t k = 32; k < length; k += 32) memcpy(dst + k, src + k, 32);
  } else
#endif
  // The stub's 32-bit code, built for size, makes a string move of a
  // 32-byte piece, which costs more than several 8-byte ones.
  if (distance >= 8) {
    // Each piece reads bytes at least 8 behind: all final already.
    for (int32_t k = 0; k < length; k += 8) memcpy(dst + k, src + k, 8);
  } else if (distance == 1) {
    memset(dst, *src, (size_t)length);
  } else {
    for (int32_t k = 0; k < length; k++) dst[k] = src[k];
  }
}

// Copies a match into the window, through a flush where the window fills
// on the way.
void CopyMatch(OutputWindow* w, int32_t distance, int32_t length);

// The byte `distance` (1 to 8192) before the next output position.
inline uint8_t ByteBehind(const OutputWindow* w, int32_t distance) {
  return w->window[w->position - distance - w->base];
}

// How far back the history reaches from the next output position.
inline int32_t HistoryAvailable(const OutputWindow* w) {
  return w->position - w->base;
}

// Writes what the window still holds, and feeds the slot. False when this or an earlier write
// of the file failed.
bool FlushRest(OutputWindow* w);

#endif
