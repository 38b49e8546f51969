// Table-driven decoding of the code trees: the next kTableBits bits of the
// buffer index a table that gives the symbol and its code length at once.
// Codes longer than that (rare symbols) give the node reached after
// kTableBits steps, and the walk goes on there a bit at a time.
#ifndef CORVANE_ENGINE_DECODE_TABLE_H
#define CORVANE_ENGINE_DECODE_TABLE_H

#include <stdint.h>

#include "engine/code_tree.h"
#include "payload/bit_buffer.h"

const int kTableBits = 10;
const int kTableSize = 1 << kTableBits;
const uint16_t kLongCode = 0x8000;  // entry: kLongCode | node
const int kLengthShift = 9;         // entry: length << 9 | symbol

struct DecodeTable {
  uint16_t entry[kTableSize];
};

// Reads the tree's pool as the last build left it.
void FillDecodeTable(const CodeTree* t, DecodeTable* d);

// The rest of a long code, from the node reached after kTableBits steps.
int WalkLongCode(const CodeTree* t, int node, BitBuffer* b);

inline int DecodeSymbol(const CodeTree* t, const DecodeTable* d,
                        BitBuffer* b) {
  for (;;) {
    uint16_t e = d->entry[b->bits & (kTableSize - 1)];
    if (!(e & kLongCode)) {
      int length = e >> kLengthShift;
      if (length <= b->avail) {
        DropBits(b, length);
        return e & (kSymbols - 1);
      }
    } else if (b->avail >= kTableBits) {
      DropBits(b, kTableBits);
      return WalkLongCode(t, e & (kLongCode - 1), b);
    }
    // Too few bits left for this code: it goes on in the next byte.
    MoreBits(b);
  }
}

#endif
