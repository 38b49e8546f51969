// The rebuild point, and the table every body starts with.
#include "engine/rebuild_point.h"

// The trees before token 0 are the same in every body (all counts equal,
// identity order): their table is filled once per run.
void PrepareStartingTable(ExtractionWork* w) {
  ResetCodeTree(&w->literalTree);
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->startingTable);
}

void RebuildTrees(ExtractionWork* w, bool distancesCounted) {
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->literalTable);
  if (!distancesCounted) return;
  BuildCodeTree(&w->distanceTree);
  FillDecodeTable(&w->distanceTree, &w->distanceTable);
}
