// The reference ring: the first bytes of the last 256 files of a run, from
// which a later file borrows its first K bytes and a preset history.
#ifndef CORVANE_ENGINE_REFERENCE_RING_H
#define CORVANE_ENGINE_REFERENCE_RING_H

#include <stdint.h>

const int kRingSlots = 256;
const int kSlotBytes = 16384;
const int kMaxPreset = 8192;
const int kPresetAfterShared = 7168;  // the most taken from behind K

struct ReferenceSlot {
  int32_t storedLength;  // min(file size, 16384); -1 while never filled
  uint8_t data[kSlotBytes];
};

// Where the preset history lies in the referenced slot: bytes start to
// start + length - 1. Up to 7168 bytes that follow the shared K bytes,
// then as many of the K bytes before them as make up 8192.
struct PresetBounds {
  int32_t start;   // S
  int32_t length;  // P
};

inline PresetBounds PresetHistoryBounds(int32_t shared, int32_t stored) {
  int32_t after = stored - shared;
  if (after > kPresetAfterShared) after = kPresetAfterShared;
  int32_t before = kMaxPreset - after;
  if (before > shared) before = shared;
  PresetBounds b = {shared - before, after + before};
  return b;
}

#endif
