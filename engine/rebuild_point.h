// A rebuild point of a coded body: both code trees rebuilt from their
// counts and their decode tables filled.
#ifndef CORVANE_ENGINE_REBUILD_POINT_H
#define CORVANE_ENGINE_REBUILD_POINT_H

#include "engine/working_set.h"

// The literal and length tree, then the distance tree when a distance has
// been counted since its last build: from the same counts it would come
// out the same, table and all.
void RebuildTrees(ExtractionWork* w, bool distancesCounted);

// Fills the table of the trees every body starts with; once per run.
void PrepareStartingTable(ExtractionWork* w);

#endif
