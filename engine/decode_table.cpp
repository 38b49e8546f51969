// Filling the decode tables from a built tree by levels (the stub's way), and the long codes past them.
#include "engine/decode_table.h"

#include <string.h>

void FillDecodeTableByLevels(const CodeTree* t, DecodeTable* d) {
  // Level by level from the root. The entries for `dep` bits are the
  // first 2^dep of the table; a level deeper, each of them stands for two,
  // so the first half is copied once into the second, and then the nodes
  // one level down overwrite the entries that lead to them. An inner node
  // writes a long-code entry, which is final only at the table's depth:
  // above it, its children overwrite it a level later.
  uint16_t* e = d->entry;
  int16_t nodesA[kSymbols], nodesB[kSymbols];
  uint16_t codesA[kSymbols], codesB[kSymbols];
  int16_t* nodes = nodesA;
  uint16_t* codes = codesA;
  int16_t* next = nodesB;
  uint16_t* nextCodes = codesB;
  nodes[0] = (int16_t)kRootNode;
  codes[0] = 0;
  int n = 1;
  int dep = 0;
  for (; dep < kTableBits && n > 0; dep++) {
    memcpy(e + (1 << dep), e, sizeof(uint16_t) << dep);
    uint16_t leafLength = (uint16_t)((dep + 1) << kLengthShift);
    int m = 0;
    for (int k = 0; k < n; k++) {
      const CodeNode& node = t->pool[nodes[k]];
      for (int bit = 0; bit < 2; bit++) {
        int16_t child = bit ? node.secondChild : node.firstChild;
        uint16_t code = (uint16_t)(codes[k] | bit << dep);
        bool isInner = child >= kSymbols;
        e[code] = (uint16_t)(child | (isInner ? kLongCode : leafLength));
        next[m] = child;
        nextCodes[m] = code;
        m += isInner;
      }
    }
    int16_t* swapNodes = nodes;
    nodes = next;
    next = swapNodes;
    uint16_t* swapCodes = codes;
    codes = nextCodes;
    nextCodes = swapCodes;
    n = m;
  }
  // A tree shallower than the table: the rest repeats what is there.
  for (; dep < kTableBits; dep++) memcpy(e + (1 << dep), e, sizeof(uint16_t) << dep);

  // The inner nodes at the table's depth (left in `nodes`) get a subtable
  // each for the next two bits: bit kTableBits picks the child, the bit
  // after it the grandchild.
  for (int k = 0; k < n; k++) {
    e[codes[k]] = (uint16_t)(kLongCode | k);
    uint16_t* sub = d->sub + k * kSubSize;
    const CodeNode& node = t->pool[nodes[k]];
    for (int bit = 0; bit < 2; bit++) {
      int16_t child = bit ? node.secondChild : node.firstChild;
      if (child < kSymbols) {
        sub[bit] = sub[bit + 2] = (uint16_t)((kTableBits + 1) << kLengthShift | child);
        continue;
      }
      const CodeNode& inner = t->pool[child];
      for (int next = 0; next < 2; next++) {
        int16_t grandchild = next ? inner.secondChild : inner.firstChild;
        sub[bit + 2 * next] = (uint16_t)(grandchild < kSymbols
                                             ? kDeepBits << kLengthShift | grandchild
                                             : kLongCode | grandchild);
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
