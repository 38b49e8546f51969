#include "engine/code_tree.h"

void ResetCodeTree(CodeTree* t) {
  for (int i = 0; i < kSymbols; i++) {
    t->counts[i] = 1;
    t->builtCounts[i] = 1;
    t->leafOrder[i] = i;
    // The leaves' fields but the count never change; builds leave them.
    t->pool[i].symbol = i;
    t->pool[i].firstChild = kNoChild;
    t->pool[i].secondChild = kNoChild;
  }
}

static inline int32_t WrappingSum(int32_t a, int32_t b) {
  return (int32_t)((uint32_t)a + (uint32_t)b);
}

// The stable sort by descending count from the previous order, in time
// close to linear. The previous order is sorted by the counts the last
// build saw, so the leaves whose count has not moved are still in order;
// only the others need sorting, and the two lists then merge.
//
// Each leaf gets the key (2^31 - 1 - count) * 2^32 + previous place:
// ascending keys are descending counts with ties in their previous order,
// a total order, so lists of keys merge and sort without stability rules.
// `sorted` comes in holding the previous order.
static inline uint64_t SortKey(int32_t count, int place) {
  return (uint64_t)(uint32_t)(INT32_MAX - (int64_t)count) << 32 | (uint32_t)place;
}

static void SortLeaves(CodeTree* t, int16_t* sorted) {
  const int32_t* counts = t->counts;
  uint64_t still[kSymbols + 1];  // [0] is below every key
  uint64_t moved[kSymbols];
  still[0] = 0;
  int nStill = 0, nMoved = 0;
  int32_t low = INT32_MAX, high = INT32_MIN;
  for (int p = 0; p < kSymbols; p++) {
    int16_t s = sorted[p];
    int32_t c = counts[s];
    uint64_t key = SortKey(c, p);
    bool same = c == t->builtCounts[s];
    still[nStill + 1] = key;
    moved[nMoved] = key;
    nStill += same;
    nMoved += !same;
    if (!same) {
      low = c < low ? c : low;
      high = c > high ? c : high;
    }
  }
  if (nMoved == 0) return;

  uint64_t order[kSymbols];
  if ((int64_t)high - low < kSymbols * 2) {
    // Counting sort on the count; places come in ascending already.
    uint16_t start[kSymbols * 2 + 1];
    int range = high - low + 1;
    for (int k = 0; k <= range; k++) start[k] = 0;
    for (int k = 0; k < nMoved; k++)
      start[high - (int32_t)(INT32_MAX - (moved[k] >> 32)) + 1]++;
    for (int k = 1; k <= range; k++) start[k] = (uint16_t)(start[k] + start[k - 1]);
    for (int k = 0; k < nMoved; k++)
      order[start[high - (int32_t)(INT32_MAX - (moved[k] >> 32))]++] = moved[k];
  } else {
    // Wide counts come late in a body, where they have moved little.
    for (int k = 0; k < nMoved; k++) {
      uint64_t key = moved[k];
      int j = k;
      while (j > 0 && order[j - 1] > key) {
        order[j] = order[j - 1];
        j--;
      }
      order[j] = key;
    }
  }

  // Merge from the back; the larger key goes last.
  uint64_t* stillAt = still + 1;
  int i = nStill - 1, j = nMoved - 1;
  int16_t previous[kSymbols];
  for (int p = 0; p < kSymbols; p++) previous[p] = sorted[p];
  for (int out = kSymbols - 1; out >= 0; out--) {
    uint64_t ks = stillAt[i];  // stillAt[-1] is 0: no unmoved left
    uint64_t km = j >= 0 ? order[j] : 0;
    bool takeStill = ks > km;
    uint64_t key = takeStill ? ks : km;
    sorted[out] = previous[(uint32_t)key];
    i -= takeStill;
    j -= !takeStill;
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
// Inner node i is pool entry kSymbols + i. Unmerged ones are [lo, hi) (what
// is left of a run of equal counts that merging has begun, taken from its
// newest end) and [rest, made) (not touched yet; runEnd is the newest of
// the run of equal counts that starts at rest). A run that merging has
// begun never grows: a later node's count exceeds the run's.
static void MergeInLinearTime(CodeNode* pool, const int16_t* sorted,
                              const int32_t* counts) {
  int32_t leafCount[kSymbols + 1];  // [0] stands for "no leaf left"
  leafCount[0] = INT32_MAX;
  for (int p = 0; p < kSymbols; p++) leafCount[p + 1] = counts[sorted[p]];
  int32_t innerCount[kSymbols];
  int leaf = kSymbols;  // leaves 1 .. leaf of leafCount are unmerged
  int lo = 0, hi = 0, rest = 0, runEnd = 0;
  for (int made = 0; made < kSymbols - 1; made++) {
    int16_t pair[2];
    int32_t sum = 0;
    for (int k = 0; k < 2; k++) {
      int cand = hi > lo ? hi - 1 : (rest < made ? runEnd : -1);
      if (cand >= 0 && innerCount[cand] <= leafCount[leaf]) {
        if (hi > lo) {
          hi--;
        } else {
          lo = rest;
          hi = runEnd;
          rest = runEnd + 1;
          runEnd = rest;
          while (runEnd + 1 < made && innerCount[runEnd + 1] == innerCount[rest])
            runEnd++;
        }
        pair[k] = (int16_t)(kSymbols + cand);
        sum += innerCount[cand];
      } else {
        pair[k] = sorted[leaf - 1];
        sum += leafCount[leaf];
        leaf--;
      }
    }
    CodeNode* n = &pool[kSymbols + made];
    n->count = sum;
    n->firstChild = pair[1];
    n->secondChild = pair[0];
    innerCount[made] = sum;
    if (rest == made || (runEnd == made - 1 && sum == innerCount[rest]))
      runEnd = made;
  }
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
    pool[i].count = c;
    t->builtCounts[i] = c;
    total += c;
    positive &= c > 0;
  }
  for (int p = 0; p < kSymbols; p++) t->leafOrder[sorted[p]] = p;

  if (positive && total <= INT32_MAX) {
    MergeInLinearTime(pool, sorted, t->counts);
    list[0] = (int16_t)kRootNode;
  } else {
    for (int p = 0; p < kSymbols; p++) list[p] = sorted[p];
    MergeByInsertion(pool, list);
  }
}
