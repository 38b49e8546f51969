// The engine's large working set (about 4.3 MB), taken once per run: the
// reference ring, the two code trees with their decode tables, and the
// output window.
#ifndef CORVANE_ENGINE_WORKING_SET_H
#define CORVANE_ENGINE_WORKING_SET_H

#include <stdint.h>

#include "engine/code_tree.h"
#include "engine/decode_table.h"
#include "engine/output_window.h"
#include "engine/reference_ring.h"

struct ExtractionWork {
  ReferenceSlot ring[kRingSlots];
  CodeTree literalTree;
  CodeTree distanceTree;
  // The distance symbols decoded since the last rebuild point, counted
  // into the distance tree only when it is next built (nothing reads the
  // counts between builds), and whether its counts still need their reset
  // for the body in hand. The decoding loop then never touches the
  // distance tree's counts, which keeps its stores few.
  uint16_t distanceLog[1024];
  int32_t distanceLogged;
  bool distanceFresh;
  DecodeTable literalTable;
  DecodeTable distanceTable;
  DecodeTable startingTable;  // the trees of token 0, the same in every body
  OutputWindow window;
};

#endif
