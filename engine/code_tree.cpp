#include "engine/code_tree.h"

void ResetCodeTree(CodeTree* t) {
  for (int i = 0; i < kSymbols; i++) {
    t->counts[i] = 1;
    t->builtCounts[i] = 1;
    t->leafOrder[i] = i;
  }
}

static inline int32_t WrappingSum(int32_t a, int32_t b) {
  return (int32_t)((uint32_t)a + (uint32_t)b);
}

// The stable sort by descending count from the previous order, in time
// close to linear. The previous order is sorted by the counts the last
// build saw, so the leaves whose count has not moved are still in order;
// only the others need sorting, and the two lists then merge. Equal counts
// keep their previous order in both lists and in the merge. `sorted` comes
// in holding the previous order and leafOrder still tells each leaf's
// previous place.
static void SortLeaves(CodeTree* t, int16_t* sorted) {
  int16_t* still = sorted;  // unmoved leaves, compacted to the front
  int16_t moved[kSymbols];
  int nStill = 0, nMoved = 0;
  for (int p = 0; p < kSymbols; p++) {
    int16_t s = sorted[p];
    if (t->counts[s] == t->builtCounts[s]) {
      still[nStill++] = s;
    } else {
      // Insertion by descending count; a count rises by its increments
      // since the last build, so entries travel a short way.
      int32_t c = t->counts[s];
      int k = nMoved;
      while (k > 0 && t->counts[moved[k - 1]] < c) {
        moved[k] = moved[k - 1];
        k--;
      }
      moved[k] = s;
      nMoved++;
    }
  }
  if (nMoved == 0) return;

  // Merge from the back so that the unmoved list can stay in place at the
  // front of `sorted`. At equal counts the later previous position goes
  // last.
  int i = nStill - 1, j = nMoved - 1;
  for (int out = kSymbols - 1; j >= 0; out--) {
    bool takeStill;
    if (i < 0) {
      takeStill = false;
    } else {
      int32_t cs = t->counts[still[i]], cm = t->counts[moved[j]];
      takeStill = cs < cm || (cs == cm && t->leafOrder[still[i]] >
                                              t->leafOrder[moved[j]]);
    }
    sorted[out] = takeStill ? still[i--] : moved[j--];
  }
}

// The merge as the list defines it: the node made in a step moves toward
// the front past strictly smaller counts only. Quadratic when many counts
// are equal; used when counts have wrapped, where sums need not grow.
static void MergeByInsertion(CodeNode* pool, int16_t* list) {
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

// The same merge in linear time, valid while every count is positive and
// no sum wraps. Then the sums of successive merges never fall, so the
// inner nodes, in the order they were made, are sorted by count, and the
// list's tail is decided by two rules: an inner node sits behind leaves of
// equal count, and behind older inner nodes of equal count. The smallest
// entry is therefore the last unmerged leaf or the newest of the oldest
// inner nodes of least count, the inner node winning ties.
//
// Unmerged inner nodes are made[lo .. hi) (what is left of a run of equal
// counts that merging has begun, taken from its newest end) and
// made[rest .. made) (not touched yet; runEnd is the newest of the run of
// equal counts that starts at rest). A run that merging has begun never
// grows: a later node's count exceeds the run's.
static void MergeInLinearTime(CodeNode* pool, const int16_t* sorted,
                              int16_t* list) {
  int16_t inner[kSymbols];
  int leaf = kSymbols - 1;
  int lo = 0, hi = 0, rest = 0, made = 0, runEnd = 0;
  for (int next = kSymbols; next < kNodes; next++) {
    int16_t pair[2];
    for (int k = 0; k < 2; k++) {
      int cand = hi > lo ? hi - 1 : (rest < made ? runEnd : -1);
      if (cand >= 0 &&
          (leaf < 0 || pool[inner[cand]].count <= pool[sorted[leaf]].count)) {
        if (hi > lo) {
          hi--;
        } else {
          lo = rest;
          hi = runEnd;
          rest = runEnd + 1;
          runEnd = rest;
          int32_t c = rest < made ? pool[inner[rest]].count : 0;
          while (runEnd + 1 < made && pool[inner[runEnd + 1]].count == c)
            runEnd++;
        }
        pair[k] = inner[cand];
      } else {
        pair[k] = sorted[leaf--];
      }
    }
    CodeNode* n = &pool[next];
    n->count = pool[pair[0]].count + pool[pair[1]].count;
    n->firstChild = pair[1];
    n->secondChild = pair[0];
    if (rest == made) {
      runEnd = made;
    } else if (runEnd == made - 1 && n->count == pool[inner[rest]].count) {
      runEnd = made;
    }
    inner[made++] = (int16_t)next;
  }
  list[0] = (int16_t)kRootNode;
}

void BuildCodeTree(CodeTree* t) {
  CodeNode* pool = t->pool;
  int16_t* list = t->workList;
  int16_t sorted[kSymbols];
  for (int i = 0; i < kSymbols; i++) sorted[t->leafOrder[i]] = (int16_t)i;
  SortLeaves(t, sorted);

  int64_t total = 0;
  bool positive = true;
  for (int i = 0; i < kSymbols; i++) {
    int32_t c = t->counts[i];
    pool[i].symbol = i;
    pool[i].count = c;
    pool[i].firstChild = kNoChild;
    pool[i].secondChild = kNoChild;
    t->builtCounts[i] = c;
    total += c;
    positive &= c > 0;
  }
  for (int p = 0; p < kSymbols; p++) t->leafOrder[sorted[p]] = p;

  if (positive && total <= INT32_MAX) {
    MergeInLinearTime(pool, sorted, list);
  } else {
    for (int p = 0; p < kSymbols; p++) list[p] = sorted[p];
    MergeByInsertion(pool, list);
  }
}
