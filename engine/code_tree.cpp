// The code tree builder: the leaf sort and the Huffman merge with their exact tie rules.
#include "engine/code_tree.h"

void ResetCodeTree(CodeTree* t) {
  for (int i = 0; i < kSymbols; i++) t->counts[i] = 1;
  t->fresh = true;
}

void TakeResetForBuild(CodeTree* t) {
  if (!t->fresh) return;
  t->fresh = false;
  for (int i = 0; i < kSymbols; i++) {
    t->builtCounts[i] = 1;
    t->leafAt[i] = (int16_t)i;
    // The leaves' fields but the count never change; builds leave them.
    t->pool[i].symbol = i;
    t->pool[i].count = 1;
    t->pool[i].firstChild = kNoChild;
    t->pool[i].secondChild = kNoChild;
  }
  t->builtTotal = kSymbols;
  t->builtPositive = true;
  t->builtOnes = kSymbols;
}

static inline int32_t WrappingSum(int32_t a, int32_t b) {
  return (int32_t)((uint32_t)a + (uint32_t)b);
}

// The leaves in their new order and their counts, place p at index p + 1;
// index 0 holds a count above every real one, so that the merge, taking
// leaves from the back, stops there without a bound test.
struct SortedLeaves {
  int16_t node[kSymbols + 1];
  int32_t count[kSymbols + 1];
};

// Sorts `n` leaves, given in their previous order, stably by descending
// count. Ties keep the order they come in.
static void StableSortByCount(const int16_t* in, const int32_t* inCount, int n,
                              int32_t low, int32_t high, int16_t* out,
                              int32_t* outCount) {
#if !defined(__OPTIMIZE_SIZE__)  // the stub sorts even a few leaves by digits
  if (n <= 24) {
    for (int k = 0; k < n; k++) {
      int16_t s = in[k];
      int32_t c = inCount[k];
      int j = k;
      while (j > 0 && outCount[j - 1] < c) {
        out[j] = out[j - 1];
        outCount[j] = outCount[j - 1];
        j--;
      }
      out[j] = s;
      outCount[j] = c;
    }
    return;
  }
#endif
  // Least significant digit first, 8 bits of (high - count) per pass; a
  // narrow range is a single counting pass. The passes alternate between
  // `out` and a scratch list so that the last one lands in `out`.
  uint32_t range = (uint32_t)high - (uint32_t)low;
  int digitBits = range < 2 * kSymbols ? 10 : 8;
  int passes = 1;
  while (passes * digitBits < 32 && range >> (passes * digitBits) != 0) passes++;
  int16_t scratchNode[kSymbols];
  int32_t scratchCount[kSymbols];
  const int16_t* fromNode = in;
  const int32_t* fromCount = inCount;
  for (int pass = 0; pass < passes; pass++) {
    bool toOut = (passes - pass) % 2 == 1;
    int16_t* toNode = toOut ? out : scratchNode;
    int32_t* toCount = toOut ? outCount : scratchCount;
    int shift = pass * digitBits;
    uint32_t top = range >> shift;
    int buckets = top < (1u << digitBits) ? (int)top + 1 : 1 << digitBits;
    uint32_t mask = (1u << digitBits) - 1;
    uint16_t start[(1 << 10) + 1];
    for (int b = 0; b <= buckets; b++) start[b] = 0;
    for (int k = 0; k < n; k++)
      start[((((uint32_t)high - (uint32_t)fromCount[k]) >> shift) & mask) + 1]++;
    for (int b = 1; b <= buckets; b++) start[b] = (uint16_t)(start[b] + start[b - 1]);
    for (int k = 0; k < n; k++) {
      int at = start[(((uint32_t)high - (uint32_t)fromCount[k]) >> shift) & mask]++;
      toNode[at] = fromNode[k];
      toCount[at] = fromCount[k];
    }
    fromNode = toNode;
    fromCount = toCount;
  }
}

// The sort when, since a build over counts of 1 or more, no count has
// fallen: the usual case in a body. The leaves of count 1 are last in the
// previous order; those still at 1 stay there, in their order, as nothing
// goes behind them. Everything else, the leaves before them and the ones
// that have grown, is sorted stably by count in the previous order, which
// here is a counting sort or a few radix passes over a few hundred leaves.
// False, with nothing changed, when a count fell or the total would pass
// the signed 32-bit range; the general sort handles that.
static bool SortGrownLeaves(CodeTree* t, SortedLeaves* out) {
  const int32_t* counts = t->counts;
  const int32_t* built = t->builtCounts;
  const int16_t* leafAt = t->leafAt;
  int16_t head[kSymbols];
  int32_t headCount[kSymbols];
  int16_t ones[kSymbols];
  int onesFrom = kSymbols - t->builtOnes;
  bool fell = false;
  int64_t total = 0;
  int32_t high = 0;
  for (int p = 0; p < onesFrom; p++) {
    int16_t s = leafAt[p];
    int32_t c = counts[s];
    head[p] = s;
    headCount[p] = c;
    fell |= c < built[s];
    total += c;
    high = c > high ? c : high;
  }
  int nHead = onesFrom, nOnes = 0;
  for (int p = onesFrom; p < kSymbols; p++) {
    int16_t s = leafAt[p];
    int32_t c = counts[s];
    bool grew = c != 1;
    head[nHead] = s;
    headCount[nHead] = c;
    nHead += grew;
    ones[nOnes] = s;
    nOnes += !grew;
    fell |= c < 1;
  }
  for (int k = onesFrom; k < nHead; k++) {
    int32_t c = headCount[k];
    total += c;
    high = c > high ? c : high;
  }
  total += nOnes;
  if (fell || total > INT32_MAX) return false;

  int16_t* node = out->node + 1;
  int32_t* count = out->count + 1;
  out->count[0] = INT32_MAX;
  if (nHead > 0) StableSortByCount(head, headCount, nHead, 2, high, node, count);
  for (int k = 0; k < nOnes; k++) {
    node[nHead + k] = ones[k];
    count[nHead + k] = 1;
  }
  for (int k = 0; k < nHead; k++) {
    int16_t s = node[k];
    t->builtCounts[s] = count[k];
    t->pool[s].count = count[k];
  }
  for (int p = 0; p < kSymbols; p++) t->leafAt[p] = node[p];
  t->builtTotal = total;
  t->builtOnes = nOnes;
  return true;
}

// The sort for any counts, wrapped ones included. The previous order is
// sorted by the counts the last build saw, so the leaves whose count has
// not moved are still in order; only the others need sorting, and the two
// lists then merge.
//
// Each leaf gets the key (2^31 - 1 - count) * 2^32 + previous place:
// ascending keys are descending counts with ties in their previous order,
// a total order, so lists of keys merge and sort without stability rules.
static inline uint64_t SortKey(int32_t count, int place) {
  return (uint64_t)(uint32_t)(INT32_MAX - (int64_t)count) << 32 | (uint32_t)place;
}

static void SortAnyLeaves(CodeTree* t, SortedLeaves* out) {
  const int32_t* counts = t->counts;
  const int16_t* previous = t->leafAt;
  uint64_t still[kSymbols + 1];  // [0] is below every key
  uint64_t moved[kSymbols];
  still[0] = 0;
  int nStill = 0, nMoved = 0;
  for (int p = 0; p < kSymbols; p++) {
    int16_t s = previous[p];
    uint64_t key = SortKey(counts[s], p);
    bool same = counts[s] == t->builtCounts[s];
    still[nStill + 1] = key;
    moved[nMoved] = key;
    nStill += same;
    nMoved += !same;
  }
  uint64_t order[kSymbols];
  for (int k = 0; k < nMoved; k++) {
    uint64_t key = moved[k];
    int j = k;
    while (j > 0 && order[j - 1] > key) {
      order[j] = order[j - 1];
      j--;
    }
    order[j] = key;
  }
  // Merge from the back; the larger key goes last.
  int16_t* node = out->node + 1;
  const uint64_t* stillAt = still + 1;  // stillAt[-1] is 0: below all
  int i = nStill - 1, at = kSymbols - 1;
  for (int j = nMoved - 1; j >= 0; j--) {
    uint64_t km = order[j];
    while (stillAt[i] > km) node[at--] = previous[(uint32_t)stillAt[i--]];
    node[at--] = previous[(uint32_t)km];
  }
  while (i >= 0) node[at--] = previous[(uint32_t)stillAt[i--]];

  out->count[0] = INT32_MAX;
  int64_t total = 0;
  bool positive = true;
  int ones = 0;
  for (int s = 0; s < kSymbols; s++) {
    int32_t c = counts[s];
    t->pool[s].count = c;
    t->builtCounts[s] = c;
    total += c;
    positive &= c > 0;
    ones += c == 1;
  }
  for (int p = 0; p < kSymbols; p++) {
    out->count[p + 1] = counts[node[p]];
    t->leafAt[p] = node[p];
  }
  t->builtTotal = total;
  t->builtPositive = positive;
  t->builtOnes = ones;
}

// The merge as the list defines it: the node made in a step moves toward
// the front past strictly smaller counts only. Quadratic when many counts
// are equal; used when counts are not all positive or their sum wraps,
// where sums need not grow.
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
static void MergeInLinearTime(CodeNode* pool, const SortedLeaves* leaves) {
  const int32_t* leafCount = leaves->count;
  const int16_t* leafNode = leaves->node;
  int32_t innerCount[kSymbols];
  int16_t runStart[kSymbols + 1];
  int runs = 0, r = 0, taken = 0, made = 0;
  int leaf = kSymbols;  // leaves 1 .. leaf are unmerged
  runStart[0] = 0;
  int16_t items[kSymbols];
  CodeNode* inner = pool + kSymbols;
  // The leaves of count 1 (a body's unused symbols, most of the leaves in
  // its early builds) pair up among themselves first, in one run of 2s.
  int pairs = 0;
  while (leaf - 2 * pairs - 1 >= 1 && leafCount[leaf - 2 * pairs - 1] == 1) pairs++;
  if (pairs > 0) {
    for (int k = 0; k < pairs; k++) {
      CodeNode* m = &inner[k];
      m->count = 2;
      m->secondChild = leafNode[leaf - 2 * k];
      m->firstChild = leafNode[leaf - 2 * k - 1];
      innerCount[k] = 2;
    }
    leaf -= 2 * pairs;
    made = pairs;
    runs = 1;
    runStart[1] = (int16_t)made;
  }
  while (made < kSymbols - 1) {
    int newest = 0;
    int32_t ic = INT32_MAX;
    if (r < runs) {
      newest = runStart[r + 1] - 1 - taken;
      ic = innerCount[newest];
    }
    int32_t c = leafCount[leaf] < ic ? leafCount[leaf] : ic;

    int n = 0;
    if (ic == c) {
      for (int i = newest; i >= runStart[r]; i--) items[n++] = (int16_t)(kSymbols + i);
      r++;
      taken = 0;
    }
    while (leafCount[leaf] == c) items[n++] = leafNode[leaf--];

    int pairs = n >> 1;
    if (pairs > 0) {
      int32_t sum = 2 * c;
      if (made == 0 || innerCount[made - 1] != sum) runStart[runs++] = (int16_t)made;
      for (int k = 0; k < pairs; k++) {
        CodeNode* m = &inner[made + k];
        m->count = sum;
        m->secondChild = items[2 * k];
        m->firstChild = items[2 * k + 1];
        innerCount[made + k] = sum;
      }
      made += pairs;
      runStart[runs] = (int16_t)made;
    }
    if (n & 1) {
      // The odd one out pairs with the smallest entry after it.
      int16_t partner;
      int32_t pc;
      if (r < runs) newest = runStart[r + 1] - 1 - taken;
      if (r < runs && innerCount[newest] <= leafCount[leaf]) {
        partner = (int16_t)(kSymbols + newest);
        pc = innerCount[newest];
        if (newest == runStart[r]) {
          r++;
          taken = 0;
        } else {
          taken++;
        }
      } else {
        partner = leafNode[leaf];
        pc = leafCount[leaf--];
      }
      int32_t sum = c + pc;
      if (made == 0 || innerCount[made - 1] != sum) runStart[runs++] = (int16_t)made;
      CodeNode* m = &inner[made];
      m->count = sum;
      m->secondChild = items[n - 1];
      m->firstChild = partner;
      innerCount[made++] = sum;
      runStart[runs] = (int16_t)made;
    }
  }
}

void BuildCodeTree(CodeTree* t) {
  TakeResetForBuild(t);
  SortedLeaves leaves;
  if (!t->builtPositive || !SortGrownLeaves(t, &leaves)) SortAnyLeaves(t, &leaves);
  if (t->builtPositive && t->builtTotal <= INT32_MAX) {
    MergeInLinearTime(t->pool, &leaves);
    t->workList[0] = (int16_t)kRootNode;
  } else {
    for (int p = 0; p < kSymbols; p++) t->workList[p] = leaves.node[p + 1];
    MergeByInsertion(t->pool, t->workList);
  }
}
