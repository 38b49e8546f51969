// The decode table's fill outside the stub: the levels fill in fewer steps.
#include "engine/decode_table.h"

#include <stddef.h>
#include <string.h>

#if !defined(CORVANE_COMPACT)

static_assert(kSymbols == 512 && kNodes <= 1024, "an inner node is told by bit 9");
static_assert(offsetof(CodeNode, secondChild) == offsetof(CodeNode, firstChild) + 2,
              "a node's children are read as one word");

// The entries for `dep` bits, doubled to stand for dep + 1: fixed copies
// of 16 bytes, as a library copy of a size it learns at run time starts
// slowly, and ten of these run per table.
static inline void DoubleEntries(uint16_t* e, int dep) {
  int half = 1 << dep;
  if (half < 8) {
    for (int i = 0; i < half; i++) e[half + i] = e[i];
    return;
  }
  for (int i = 0; i < half; i += 8) memcpy(e + half + i, e + i, 16);
}

// The walk of the levels fill, with the table doubled after each level,
// in fewer steps a node: an entry of the walk's lists holds the node with
// its code (node | code << 16), a node's two children are read together,
// both children's entries are written whatever they are (an inner node's
// is overwritten a level later by the entries below it) and the inner
// ones are kept by counting rather than by a branch.
void FillDecodeTable(const CodeTree* t, DecodeTable* d) {
  const CodeNode* pool = t->pool;
  uint16_t* e = d->entry;
  uint32_t listA[kSymbols], listB[kSymbols];
  uint32_t* nodes = listA;
  uint32_t* next = listB;
  nodes[0] = (uint32_t)kRootNode;
  int n = 1;
  int dep = 0;
  for (; dep < kTableBits && n > 0; dep++) {
    DoubleEntries(e, dep);
    uint16_t* secondHalf = e + (1 << dep);  // a second child's entry
    uint32_t secondCode = (uint32_t)1 << (dep + 16);
    uint32_t lengths = (uint32_t)((dep + 1) << kLengthShift) * 0x10001u;  // for both children
    uint32_t* out = next;
    for (const uint32_t *item = nodes, *stop = nodes + n; item != stop; item++) {
      uint32_t children;  // firstChild | secondChild << 16
      memcpy(&children, &pool[*item & 0xFFFF].firstChild, sizeof children);
      uint32_t code = *item >> 16;
      uint32_t entries = children | lengths;
      e[code] = (uint16_t)entries;
      secondHalf[code] = (uint16_t)(entries >> 16);
      uint32_t codeBits = *item & 0xFFFF0000u;
      *out = (children & 0xFFFF) | codeBits;
      out += (children >> 9) & 1;  // 512 to 1022 are inner nodes
      *out = (children >> 16) | (codeBits + secondCode);
      out += children >> 25;
    }
    int m = (int)(out - next);
    uint32_t* swap = nodes;
    nodes = next;
    next = swap;
    n = m;
  }
  // A tree shallower than the table: the rest repeats what is there.
  for (; dep < kTableBits; dep++) DoubleEntries(e, dep);

  // The inner nodes at the table's depth, in the order of their paths
  // from the root, get a subtable each: bit kTableBits picks the child,
  // the bit after it the grandchild. Both ways are worked out and one
  // chosen, as whether a child is a leaf follows no pattern; a child's
  // two entries are worked out together, one in each half of a word,
  // where an inner grandchild (512 or more) is told by its bit 9.
  const uint32_t deepLeaves = (uint32_t)(kDeepBits << kLengthShift) * 0x10001u;
  const uint32_t toLongCode = kLongCode - (kDeepBits << kLengthShift);
  for (int k = 0; k < n; k++) {
    uint32_t item = nodes[k];
    e[item >> 16] = (uint16_t)(kLongCode | k);
    uint32_t children;
    memcpy(&children, &pool[item & 0xFFFF].firstChild, sizeof children);
    uint32_t picked[2];  // per child: grandchild 0's entry, grandchild 1's << 16
    for (int bit = 0; bit < 2; bit++) {
      uint32_t child = bit ? children >> 16 : children & 0xFFFF;
      uint32_t grand;  // a leaf's children are kNoChild: this is then unused
      memcpy(&grand, &pool[child].firstChild, sizeof grand);
      uint32_t inner = (grand >> 9) & 0x00010001u;
      uint32_t below = grand | (deepLeaves + inner * toLongCode);
      uint32_t asLeaf = ((kTableBits + 1) << kLengthShift | child) * 0x10001u;
      picked[bit] = child < kSymbols ? asLeaf : below;
    }
    uint32_t atZero = (picked[0] & 0xFFFF) | picked[1] << 16;
    uint32_t atOne = (picked[0] >> 16) | (picked[1] & 0xFFFF0000u);
    uint16_t* sub = d->sub + k * kSubSize;
    memcpy(sub, &atZero, sizeof atZero);
    memcpy(sub + 2, &atOne, sizeof atOne);
  }
}

#endif
