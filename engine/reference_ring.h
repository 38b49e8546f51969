// The reference ring of a run: the first bytes of the last 256 files, from
// which a later file borrows its first K bytes and a preset history (the
// bounds are the format's, in payload/format.h).
#ifndef CORVANE_ENGINE_REFERENCE_RING_H
#define CORVANE_ENGINE_REFERENCE_RING_H

#include <stdint.h>

#include "payload/format.h"

struct ReferenceSlot {
  int32_t storedLength;  // min(file size, 16384)
  uint8_t data[kSlotBytes];
};

#endif
