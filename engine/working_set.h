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
  DecodeTable literalTable;
  DecodeTable distanceTable;
  DecodeTable startingTable;  // the trees of token 0, the same in every body
  OutputWindow window;
};

#endif
