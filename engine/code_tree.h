// The adaptive code trees of the coded bodies: 512 symbols, rebuilt from
// running counts at fixed token numbers. The build is a Huffman merge with
// exact tie rules, because the encoder builds the same trees from the same
// counts and any other tie-break changes every code after it:
//  - the leaves are sorted by descending count, stably, starting from the
//    order the previous build's sort left;
//  - each new inner node moves toward the front only past strictly smaller
//    counts, so it stays behind every entry of equal count.
#ifndef CORVANE_ENGINE_CODE_TREE_H
#define CORVANE_ENGINE_CODE_TREE_H

#include <stdint.h>

#include "payload/format.h"

const int kNodes = 2 * kSymbols - 1;
const int kRootNode = kNodes - 1;
const int16_t kNoChild = -1;

struct CodeNode {
  int32_t symbol;  // leaves only
  int32_t count;   // a leaf's count, or the sum of the children's
  int16_t firstChild;   // taken on bit 0; kNoChild for a leaf
  int16_t secondChild;  // taken on bit 1
};

struct CodeTree {
  // 0 to 511: the leaf of that symbol; 512 to 1022: inner nodes in the
  // order of their creation; the root is 1022.
  CodeNode pool[kNodes];
  int16_t workList[kSymbols];  // pool indices; after a build, [0] is root
  // The leaf order, kept as place -> symbol: the sort reads the leaves in
  // their previous order, and nothing needs the other direction.
  int16_t leafAt[kSymbols];
  int32_t counts[kSymbols];     // kept by the decoder (or the encoder)
  bool fresh;  // counts reset since the last build
  // What the last build saw, so that the next one touches only what moved.
  int32_t builtCounts[kSymbols];
  int64_t builtTotal;
  // The last build had every count at 1 or more; its order then ends with
  // the leaves of count 1, `builtOnes` of them.
  bool builtPositive;
  int32_t builtOnes;
  // Outside the stub: those leaves of count 1 are in symbol order, as they
  // are from a reset on while counts only grow (see BuildCodeTree).
  bool onesBySymbol;
  // Outside the stub: builds left before the leaf sort tries insertion
  // again after it gave up on this tree.
  int8_t insertionRest;
  // Outside the stub: the runs of equal inner counts the last merge made.
  int16_t mergeRuns;
};

// The state at the start of every file: all counts 1, identity leaf order.
// A build over it changes nothing in that order, so callers that keep the
// starting tree's codes may skip the first build.
//
// Only the counts are set here; the builder's own tables are reset by the
// next build, so that a build on another thread finds them where it left
// them instead of in the cache of the thread that counts.
void ResetCodeTree(CodeTree* t);

// The builder's part of a reset, when one is due; every build starts with
// it.
void TakeResetForBuild(CodeTree* t);

// Rebuilds the pool from the counts as they stand. The stub's build
// (BuildCodeTreeCompact) is the least code; elsewhere BuildCodeTree finds
// the leaves still at 1 by symbol, 4 at a time, and pairs the entries of
// the merge where they stand. Both give the same trees from the same notes
// about the last build.
void BuildCodeTreeCompact(CodeTree* t);
#if defined(CORVANE_COMPACT)
inline void BuildCodeTree(CodeTree* t) { BuildCodeTreeCompact(t); }
#else
void BuildCodeTree(CodeTree* t);
#endif

// Adds one to a symbol's count. Counts are signed 32-bit; they wrap as
// two's complement numbers would instead of overflowing.
inline void CountSymbol(CodeTree* t, int s) {
  t->counts[s] = (int32_t)((uint32_t)t->counts[s] + 1u);
}

#endif
