// The rebuild point's two halves, and the table every body starts with.
#include "engine/rebuild_point.h"

// The trees before token 0 are the same in every body (all counts equal,
// identity order): their table is filled once per run.
void PrepareStartingTable(ExtractionWork* w) {
  ResetCodeTree(&w->literalTree);
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->startingTable);
}

void RebuildLiteralHalf(ExtractionWork* w) {
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->literalTable);
}

void RebuildDistanceHalf(ExtractionWork* w) {
  CodeTree* t = &w->distanceTree;
  if (w->distanceFresh) {
    ResetCodeTree(t);
    w->distanceFresh = false;
  }
  for (int32_t k = 0; k < w->distanceLogged; k++) CountSymbol(t, w->distanceLog[k]);
  w->distanceLogged = 0;
  BuildCodeTree(t);
  FillDecodeTable(t, &w->distanceTable);
}
