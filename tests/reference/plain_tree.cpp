// The code tree build and walk in their plainest form.
#include "tests/reference/plain_tree.h"

void PlainBuildCodeTree(CodeTree* t) {
  TakeResetForBuild(t);
  CodeNode* pool = t->pool;
  int16_t* list = t->workList;
  for (int i = 0; i < kSymbols; i++) {
    pool[i].symbol = i;
    pool[i].count = t->counts[i];
    pool[i].firstChild = kNoChild;
    pool[i].secondChild = kNoChild;
  }

  for (int p = 0; p < kSymbols; p++) list[p] = t->leafAt[p];

  int lower = 0;
  while (lower <= kSymbols - 2) {
    int mark = kSymbols - 1;
    for (int j = kSymbols - 2; j >= lower; j--) {
      if (pool[list[j]].count < pool[list[j + 1]].count) {
        int16_t swap = list[j];
        list[j] = list[j + 1];
        list[j + 1] = swap;
        mark = j;
      }
    }
    lower = mark + 1;
  }
  for (int p = 0; p < kSymbols; p++) t->leafAt[p] = list[p];

  for (int a = kSymbols - 1; a >= 1; a--) {
    if (a < kSymbols - 1) {
      int16_t node = list[a];
      int pos = a;
      while (pos > 0 && pool[list[pos - 1]].count < pool[node].count) {
        list[pos] = list[pos - 1];
        pos--;
      }
      list[pos] = node;
    }
    CodeNode* n = &pool[kNodes - a];
    n->count = (int32_t)((uint32_t)pool[list[a - 1]].count +
                         (uint32_t)pool[list[a]].count);
    n->firstChild = list[a - 1];
    n->secondChild = list[a];
    list[a - 1] = (int16_t)(kNodes - a);
  }
  for (int i = 0; i < kSymbols; i++) t->builtCounts[i] = t->counts[i];
}
