// Table-driven decoding of the code trees: the next kTableBits bits of the
// buffer index a table that gives the symbol and its code length at once.
// A longer code gives a subtable of 4 entries for the 2 bits after them;
// codes longer still (very rare symbols) give the node reached after
// kDeepBits steps, and the walk goes on there a bit at a time. So the
// decoder reads the tree itself almost never, and the tree may be built on
// another processor without its nodes travelling back and forth.
#ifndef CORVANE_ENGINE_DECODE_TABLE_H
#define CORVANE_ENGINE_DECODE_TABLE_H

#include <stdint.h>

#include "engine/code_tree.h"
#include "payload/bit_buffer.h"

const int kTableBits = 10;
const int kTableSize = 1 << kTableBits;
const int kSubBits = 2;
const int kSubSize = 1 << kSubBits;
const int kDeepBits = kTableBits + kSubBits;
// Entries: length << 9 | symbol; or kLongCode | subtable in the table,
// kLongCode | node in a subtable.
const uint16_t kLongCode = 0x8000;
const int kLengthShift = 9;
const int kNeedMoreBits = -2 * kNodes;

struct DecodeTable {
  uint16_t entry[kTableSize];
  // One subtable per inner node at depth kTableBits; there are fewer inner
  // nodes than symbols.
  uint16_t sub[kSymbols * kSubSize];
};

// The stub's fill, a level at a time with the table doubled in between:
// the least code.
void FillDecodeTableByLevels(const CodeTree* t, DecodeTable* d);

// Reads the tree's pool as the last build left it. Outside the stub it is
// the same walk in fewer steps a node (decode_table_fast.cpp); the tables
// come out the same.
#if defined(CORVANE_COMPACT)
inline void FillDecodeTable(const CodeTree* t, DecodeTable* d) { FillDecodeTableByLevels(t, d); }
#else
void FillDecodeTable(const CodeTree* t, DecodeTable* d);
#endif

// The rest of a code longer than kDeepBits, from the node reached after
// kDeepBits steps.
int WalkLongCode(const CodeTree* t, int node, BitBuffer* b);

// What the next bits of a buffer holding `avail` of them code: a symbol,
// with *length its code length; or, for a code longer than kDeepBits,
// -1 - the node reached after kDeepBits bits, with *length kDeepBits; or
// kNeedMoreBits when the bits held do not tell yet. Bits above `avail`
// (0, or the stream's next bits) never decide anything: the codes are a
// prefix code, so an entry whose code is no longer than `avail` is the
// code of the bits held, whatever follows them.
inline int LookUpCode(const DecodeTable* d, uint64_t bits, int avail, int* length) {
  uint16_t e = d->entry[bits & (kTableSize - 1)];
  if (e & kLongCode) {
    if (avail <= kTableBits) return kNeedMoreBits;
    e = d->sub[(e & (kLongCode - 1)) << kSubBits | ((bits >> kTableBits) & (kSubSize - 1))];
    if (e & kLongCode) {
      if (avail < kDeepBits) return kNeedMoreBits;
      *length = kDeepBits;
      return -1 - (e & (kLongCode - 1));
    }
  }
  int n = e >> kLengthShift;
  if (n > avail) return kNeedMoreBits;
  *length = n;
  return e & (kSymbols - 1);
}

inline int DecodeSymbol(const CodeTree* t, const DecodeTable* d,
                        BitBuffer* b) {
  for (;;) {
    int length;
    int r = LookUpCode(d, b->bits, b->avail, &length);
    if (r != kNeedMoreBits) {
      DropBits(b, length);
      return r >= 0 ? r : WalkLongCode(t, -1 - r, b);
    }
    // Too few bits left for this code: it goes on in the next byte.
    MoreBits(b);
  }
}

#endif
