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

  // Merge from the back; the larger key goes last. The unmoved leaves
  // come in long runs between the moved ones.
  int16_t previous[kSymbols];
  for (int p = 0; p < kSymbols; p++) previous[p] = sorted[p];
  const uint64_t* stillAt = still + 1;  // stillAt[-1] is 0: below all
  int i = nStill - 1, out = kSymbols - 1;
  for (int j = nMoved - 1; j >= 0; j--) {
    uint64_t km = order[j];
    while (stillAt[i] > km) sorted[out--] = previous[(uint32_t)stillAt[i--]];
    sorted[out--] = previous[(uint32_t)km];
  }
  while (i >= 0) sorted[out--] = previous[(uint32_t)stillAt[i--]];
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
// Inner node i is pool entry kSymbols + i; the inner nodes form runs of
// equal counts, run q being [runStart[q], runStart[q + 1]) with
// runStart[runs] = made. Run r is the one merging takes from, newest
// first, `taken` of its members gone. A run that merging has begun never
// grows: a later node's count exceeds the run's.
//
// The merge goes by counts: all entries of the least count c pair up in
// the order they come off the list (each pair a node of 2c that cannot
// take part in this count), and an odd one left pairs with whatever is
// smallest after them.
struct InnerRuns {
  int32_t count[kSymbols];
  int16_t runStart[kSymbols + 1];
  int runs, r, taken, made;
};

static inline void AddInner(CodeNode* pool, InnerRuns* q, int16_t second,
                            int16_t first, int32_t sum) {
  CodeNode* n = &pool[kSymbols + q->made];
  n->count = sum;
  n->firstChild = first;
  n->secondChild = second;
  if (q->made == 0 || sum != q->count[q->made - 1]) q->runStart[q->runs++] = (int16_t)q->made;
  q->count[q->made++] = sum;
  q->runStart[q->runs] = (int16_t)q->made;
}

static void MergeInLinearTime(CodeNode* pool, const int16_t* sorted,
                              const int32_t* counts) {
  int32_t leafCount[kSymbols + 1];  // [0] stands for "no leaf left"
  int16_t leafNode[kSymbols + 1];
  leafCount[0] = INT32_MAX;
  for (int p = 0; p < kSymbols; p++) {
    leafNode[p + 1] = sorted[p];
    leafCount[p + 1] = counts[sorted[p]];
  }
  int leaf = kSymbols;  // leaves 1 .. leaf are unmerged
  InnerRuns q;
  q.runs = q.r = q.taken = q.made = 0;
  q.runStart[0] = 0;
  int16_t items[kSymbols];
  while (q.made < kSymbols - 1) {
    bool innerLeft = q.r < q.runs;
    int newest = q.runStart[q.r + 1] - 1 - q.taken;
    int32_t c = leafCount[leaf];
    if (innerLeft && q.count[newest] <= c) c = q.count[newest];

    int n = 0;
    if (innerLeft && q.count[newest] == c) {
      for (int i = newest; i >= q.runStart[q.r]; i--) items[n++] = (int16_t)(kSymbols + i);
      q.r++;
      q.taken = 0;
    }
    while (leafCount[leaf] == c && leaf > 0) items[n++] = leafNode[leaf--];
    for (int k = 0; k + 1 < n; k += 2) AddInner(pool, &q, items[k], items[k + 1], 2 * c);
    if (n & 1) {
      // The odd one out pairs with the smallest entry after it.
      int16_t partner;
      int32_t pc;
      newest = q.runStart[q.r + 1] - 1 - q.taken;
      if (q.r < q.runs && q.count[newest] <= leafCount[leaf]) {
        partner = (int16_t)(kSymbols + newest);
        pc = q.count[newest];
        if (newest == q.runStart[q.r]) {
          q.r++;
          q.taken = 0;
        } else {
          q.taken++;
        }
      } else {
        partner = leafNode[leaf];
        pc = leafCount[leaf--];
      }
      AddInner(pool, &q, items[n - 1], partner, c + pc);
    }
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
