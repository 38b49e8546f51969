#include "engine/code_tree.h"

void ResetCodeTree(CodeTree* t) {
  for (int i = 0; i < kSymbols; i++) {
    t->counts[i] = 1;
    t->leafOrder[i] = i;
  }
}

static inline int32_t WrappingSum(int32_t a, int32_t b) {
  return (int32_t)((uint32_t)a + (uint32_t)b);
}

void BuildCodeTree(CodeTree* t) {
  CodeNode* pool = t->pool;
  int16_t* list = t->workList;

  for (int i = 0; i < kSymbols; i++) {
    pool[i].symbol = i;
    pool[i].count = t->counts[i];
    pool[i].firstChild = kNoChild;
    pool[i].secondChild = kNoChild;
    list[t->leafOrder[i]] = (int16_t)i;
  }

  // A stable sort by descending count. Insertion gives the same list as any
  // other stable sort from the same start, and the counts have moved only a
  // little since the last build, so few entries travel far.
  for (int j = 1; j < kSymbols; j++) {
    int16_t v = list[j];
    int32_t c = pool[v].count;
    int k = j;
    while (k > 0 && pool[list[k - 1]].count < c) {
      list[k] = list[k - 1];
      k--;
    }
    list[k] = v;
  }

  for (int p = 0; p < kSymbols; p++) t->leafOrder[list[p]] = p;

  // Merge the last two entries of the list, which is sorted by descending
  // count, until one node remains. The node made in a step sits at the end
  // of the shorter list and first moves forward past smaller counts only.
  int next = kSymbols;
  for (int a = kSymbols - 1; a >= 1; a--) {
    if (a < kSymbols - 1) {
      int16_t node = list[a];
      int32_t c = pool[node].count;
      int pos = a;
      while (pos > 0 && pool[list[pos - 1]].count < c) {
        list[pos] = list[pos - 1];
        pos--;
      }
      list[pos] = node;
    }
    CodeNode* n = &pool[next];
    n->count = WrappingSum(pool[list[a - 1]].count, pool[list[a]].count);
    n->firstChild = list[a - 1];
    n->secondChild = list[a];
    list[a - 1] = (int16_t)next;
    next++;
  }
}
