#include "engine/decode_table.h"

void FillDecodeTable(const CodeTree* t, DecodeTable* d) {
  // Depth-first from the root; `code` holds the steps taken, the first in
  // bit 0, as the buffer presents them.
  struct Step {
    int16_t node;
    uint8_t depth;
    uint16_t code;
  };
  Step stack[kTableBits + 2];
  int top = 0;
  stack[top++] = {(int16_t)kRootNode, 0, 0};
  while (top > 0) {
    Step s = stack[--top];
    const CodeNode& n = t->pool[s.node];
    if (n.firstChild == kNoChild) {
      uint16_t e = (uint16_t)(s.depth << kLengthShift | n.symbol);
      for (int i = s.code; i < kTableSize; i += 1 << s.depth) d->entry[i] = e;
    } else if (s.depth == kTableBits) {
      d->entry[s.code] = (uint16_t)(kLongCode | s.node);
    } else {
      uint8_t depth = (uint8_t)(s.depth + 1);
      stack[top++] = {n.secondChild, depth, (uint16_t)(s.code | 1 << s.depth)};
      stack[top++] = {n.firstChild, depth, s.code};
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
