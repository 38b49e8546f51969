// The code tree build and walk in their plainest form, the reference the
// engine's fast builder and table decoder are checked against: a bubble
// sort whose passes run from the end of the list toward the front with a
// moving lower bound, and an insertion merge.
#ifndef CORVANE_TESTS_REFERENCE_PLAIN_TREE_H
#define CORVANE_TESTS_REFERENCE_PLAIN_TREE_H

#include "engine/code_tree.h"
#include "tests/reference/plain_bit_reader.h"

void PlainBuildCodeTree(CodeTree* t);

// One bit per step from the root.
inline int PlainDecodeSymbol(const CodeTree* t, BitReader* b) {
  int node = kRootNode;
  do {
    node = ReadBit(b) ? t->pool[node].secondChild : t->pool[node].firstChild;
  } while (t->pool[node].firstChild != kNoChild);
  return t->pool[node].symbol;
}

#endif
