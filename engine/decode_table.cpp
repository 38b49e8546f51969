#include "engine/decode_table.h"

void FillDecodeTable(const CodeTree* t, DecodeTable* d) {
  // Parents are made after their children, so a sweep down the inner nodes
  // from the root reaches every node after its parent. `code` holds the
  // steps from the root, the first in bit 0, as the buffer presents them;
  // nodes deeper than the table are not followed.
  uint16_t code[kNodes];
  uint8_t depth[kNodes];
  code[kRootNode] = 0;
  depth[kRootNode] = 0;
  for (int node = kRootNode; node >= kSymbols; node--) {
    int dep = depth[node];
    const CodeNode& n = t->pool[node];
    if (dep >= kTableBits) {
      if (dep == kTableBits) d->entry[code[node]] = (uint16_t)(kLongCode | node);
      // Below the table: mark the inner children as such.
      depth[n.firstChild] = depth[n.secondChild] = kTableBits + 1;
      continue;
    }
    for (int bit = 0; bit < 2; bit++) {
      int child = bit ? n.secondChild : n.firstChild;
      uint16_t c = (uint16_t)(code[node] | bit << dep);
      if (child < kSymbols) {
        uint16_t e = (uint16_t)((dep + 1) << kLengthShift | child);
        for (int i = c; i < kTableSize; i += 2 << dep) d->entry[i] = e;
      } else {
        code[child] = c;
        depth[child] = (uint8_t)(dep + 1);
      }
    }
  }
}

int WalkLongCode(const CodeTree* t, int node, BitBuffer* b) {
  do {
    if (b->avail == 0) MoreBits(b);
    int bit = (int)(b->bits & 1);
    DropBits(b, 1);
    node = bit ? t->pool[node].secondChild : t->pool[node].firstChild;
  } while (t->pool[node].firstChild != kNoChild);
  return t->pool[node].symbol;
}
