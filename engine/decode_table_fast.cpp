// The decode table's fill outside the stub: the levels fill in fewer steps.
#include "engine/decode_table.h"

#include <stddef.h>
#include <string.h>

#if !defined(__OPTIMIZE_SIZE__)

static_assert(kSymbols == 512 && kNodes <= 1024, "an inner node is told by bit 9");
static_assert(offsetof(CodeNode, secondChild) == offsetof(CodeNode, firstChild) + 2,
              "a node's children are read as one word");

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
    memcpy(e + (1 << dep), e, sizeof(uint16_t) << dep);
    uint16_t* secondHalf = e + (1 << dep);  // a second child's entry
    uint32_t secondCode = (uint32_t)1 << (dep + 16);
    uint32_t lengths = (uint32_t)((dep + 1) << kLengthShift) * 0x10001u;  // for both children
    int m = 0;
    for (int k = 0; k < n; k++) {
      uint32_t item = nodes[k];
      uint32_t children;  // firstChild | secondChild << 16
      memcpy(&children, &pool[item & 0xFFFF].firstChild, sizeof children);
      uint32_t code = item >> 16;
      uint32_t entries = children | lengths;
      e[code] = (uint16_t)entries;
      secondHalf[code] = (uint16_t)(entries >> 16);
      uint32_t codeBits = item & 0xFFFF0000u;
      next[m] = (children & 0xFFFF) | codeBits;
      m += (children >> 9) & 1;  // 512 to 1022 are inner nodes
      next[m] = (children >> 16) | (codeBits + secondCode);
      m += children >> 25;
    }
    uint32_t* swap = nodes;
    nodes = next;
    next = swap;
    n = m;
  }
  // A tree shallower than the table: the rest repeats what is there.
  for (; dep < kTableBits; dep++) memcpy(e + (1 << dep), e, sizeof(uint16_t) << dep);

  // The inner nodes at the table's depth, in the order of their paths
  // from the root, get a subtable each: bit kTableBits picks the child,
  // the bit after it the grandchild. Both ways are worked out and one
  // chosen, as whether a child is a leaf follows no pattern.
  for (int k = 0; k < n; k++) {
    e[nodes[k] >> 16] = (uint16_t)(kLongCode | k);
    uint16_t* sub = d->sub + k * kSubSize;
    const CodeNode& node = pool[nodes[k] & 0xFFFF];
    for (int bit = 0; bit < 2; bit++) {
      int16_t child = bit ? node.secondChild : node.firstChild;
      const CodeNode& inner = pool[child];  // a leaf's children are kNoChild
      int16_t g0 = inner.firstChild, g1 = inner.secondChild;
      uint16_t asLeaf = (uint16_t)((kTableBits + 1) << kLengthShift | child);
      uint16_t e0 = (uint16_t)(g0 < kSymbols ? kDeepBits << kLengthShift | g0 : kLongCode | g0);
      uint16_t e1 = (uint16_t)(g1 < kSymbols ? kDeepBits << kLengthShift | g1 : kLongCode | g1);
      bool leaf = child < kSymbols;
      sub[bit] = leaf ? asLeaf : e0;
      sub[bit + 2] = leaf ? asLeaf : e1;
    }
  }
}

#endif
