// A rebuild point of a coded body: both code trees rebuilt from their
// counts and their decode tables filled. Its two halves share nothing, so
// they may run in either order.
#ifndef CORVANE_ENGINE_REBUILD_POINT_H
#define CORVANE_ENGINE_REBUILD_POINT_H

#include "engine/working_set.h"

// The literal and length tree and its table.
void RebuildLiteralHalf(ExtractionWork* w);

// The distance tree: its counts brought up to date (the body's reset, the
// logged symbols), the tree rebuilt and its table filled.
void RebuildDistanceHalf(ExtractionWork* w);

// Both halves: what a rebuild point does.
inline void RebuildTrees(ExtractionWork* w) {
  RebuildLiteralHalf(w);
  RebuildDistanceHalf(w);
}

// Fills the table of the trees every body starts with; once per run.
void PrepareStartingTable(ExtractionWork* w);

#endif
