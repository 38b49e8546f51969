// The code tree builder: the leaf sort and the Huffman merge with their exact tie rules.
#include "engine/code_tree.h"

#include <stddef.h>
#include <string.h>
// CORVANE_SCALAR_ONES builds the loop without a vector unit, as where
// none is known, so that the tests can hold it to the plain builder too.
#if defined(__SSE2__) && !defined(CORVANE_SCALAR_ONES)
#define CORVANE_VECTOR_ONES 1
#endif
#if defined(CORVANE_VECTOR_ONES) && !defined(CORVANE_COMPACT)
#include <emmintrin.h>
#endif

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
#if !defined(CORVANE_COMPACT)
  t->onesBySymbol = true;
  t->insertionRest = 0;
  t->mergeRuns = 0;
#endif
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
  // Outside the stub: the leaves of count 1 at the end, when every count
  // is positive. The stub's merge counts them itself, in less code.
  int ones;
};

// Sorts `n` leaves, given in their previous order, stably by descending
// count into out, by insertion: false, with out in any state, once more
// than `budget` leaves have been moved.
static bool SortByInsertion(const int16_t* in, const int32_t* inCount, int n, int budget,
                            int16_t* out, int32_t* outCount) {
  for (int k = 0; k < n; k++) {
    int16_t s = in[k];
    int32_t c = inCount[k];
    int j = k;
    while (j > 0 && outCount[j - 1] < c) {
      if (--budget < 0) return false;
      out[j] = out[j - 1];
      outCount[j] = outCount[j - 1];
      j--;
    }
    out[j] = s;
    outCount[j] = c;
  }
  return true;
}

// Moves an insertion may make before the digit sort takes over: about the
// cost of two digit passes over a few hundred leaves.
const int kInsertionMoves = 256;
#if !defined(CORVANE_COMPACT)
const int8_t kBuildsWithoutInsertion = 8;
// Runs of equal inner counts, of 511 inner nodes, from which a tree's next
// merge goes by entries: a body's early builds have fewer than 100,
// builds over bytes that do not repeat much 200 or more.
const int kRunsForMergeByEntries = 200;
#endif

static inline int Digit(int32_t count, uint32_t high, int shift, uint32_t mask) {
  return (int)((((uint32_t)high - (uint32_t)count) >> shift) & mask);
}

// One counting pass of the digit sort: the leaves go stably by the digit
// of (high - count) at `shift` into `buckets` buckets.
static void DigitPass(const int16_t* fromNode, const int32_t* fromCount, int n, uint32_t high,
                      int shift, uint32_t mask, int buckets, int16_t* toNode,
                      int32_t* toCount) {
#if defined(CORVANE_COMPACT)
  uint16_t start[(1 << 10) + 1];
  for (int b = 0; b <= buckets; b++) start[b] = 0;
  for (int k = 0; k < n; k++) start[Digit(fromCount[k], high, shift, mask) + 1]++;
  for (int b = 1; b <= buckets; b++) start[b] = (uint16_t)(start[b] + start[b - 1]);
  for (int k = 0; k < n; k++) {
    int at = start[Digit(fromCount[k], high, shift, mask)]++;
    toNode[at] = fromNode[k];
    toCount[at] = fromCount[k];
  }
#else
  // Equal counts come in runs, and with one list of bucket starts each
  // leaf's place waits for the last one's to be stored. So the two halves
  // of the list keep starts of their own, the second's behind the first's
  // in every bucket, and go in turn: two chains, the same order.
  uint16_t first[1 << 10], second[1 << 10];
  int half = n >> 1;
  const int16_t* node2 = fromNode + half;
  const int32_t* count2 = fromCount + half;
  int n2 = n - half;
  for (int b = 0; b < buckets; b++) first[b] = second[b] = 0;
  for (int k = 0; k < half; k++) {
    first[Digit(fromCount[k], high, shift, mask)]++;
    second[Digit(count2[k], high, shift, mask)]++;
  }
  if (n2 > half) second[Digit(count2[half], high, shift, mask)]++;
  int running = 0;
  for (int b = 0; b < buckets; b++) {
    int inFirst = first[b], inSecond = second[b];
    first[b] = (uint16_t)running;
    second[b] = (uint16_t)(running + inFirst);
    running += inFirst + inSecond;
  }
  for (int k = 0; k < half; k++) {
    int at = first[Digit(fromCount[k], high, shift, mask)]++;
    toNode[at] = fromNode[k];
    toCount[at] = fromCount[k];
    int at2 = second[Digit(count2[k], high, shift, mask)]++;
    toNode[at2] = node2[k];
    toCount[at2] = count2[k];
  }
  if (n2 > half) {
    int at = second[Digit(count2[half], high, shift, mask)]++;
    toNode[at] = node2[half];
    toCount[at] = count2[half];
  }
#endif
}

// Sorts `n` leaves, given in their previous order, stably by descending
// count. Ties keep the order they come in.
static void StableSortByCount(const int16_t* in, const int32_t* inCount, int n,
                              int32_t low, int32_t high, int8_t* insertionRest,
                              int16_t* out, int32_t* outCount) {
  // Least significant digit first, 8 bits of (high - count) per pass; a
  // narrow range is a single counting pass. The passes alternate between
  // `out` and a scratch list so that the last one lands in `out`.
  uint32_t range = (uint32_t)high - (uint32_t)low;
  int digitBits = range < 2 * kSymbols ? 10 : 8;
  int passes = 1;
  while (passes * digitBits < 32 && range >> (passes * digitBits) != 0) passes++;
  // The leaves come in the order of the last build's counts, which have
  // grown by at most a thousand since. Where the counts need more than one
  // digit pass they are large beside that growth: mostly still in order,
  // so insertion moves few leaves. Where they have reordered more, the
  // digit sort, whose cost does not depend on the order, starts over. A
  // few leaves go by insertion anyway. The stub, whose digit passes cost
  // more beside it, tries insertion first whatever the counts.
#if defined(CORVANE_COMPACT)
  (void)insertionRest;
  if (SortByInsertion(in, inCount, n, kInsertionMoves, out, outCount)) return;
#else
  // Where counts keep changing places, as in data that does not compress,
  // insertion gives up at every build: after it has, the next builds of
  // the tree go straight to the digit passes.
  bool tryInsertion = n <= 24 || (passes > 1 && *insertionRest == 0);
  if (passes > 1 && *insertionRest > 0) --*insertionRest;
  if (tryInsertion) {
    if (SortByInsertion(in, inCount, n, kInsertionMoves, out, outCount)) return;
    *insertionRest = kBuildsWithoutInsertion;
  }
#endif
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
    DigitPass(fromNode, fromCount, n, (uint32_t)high, shift, (1u << digitBits) - 1, buckets,
              toNode, toCount);
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
  if (nHead > 0) StableSortByCount(head, headCount, nHead, 2, high, &t->insertionRest, node, count);
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
#if !defined(CORVANE_COMPACT)
  out->ones = nOnes;
#endif
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
#if !defined(CORVANE_COMPACT)
  out->ones = ones;
  t->onesBySymbol = false;  // the order of the leaves of count 1 is any now
#endif
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

static_assert(offsetof(CodeNode, secondChild) == offsetof(CodeNode, firstChild) + 2,
              "a node's children are written as one word");

// Sets a node's children from two entries next to each other in a list,
// the first child's first: one copy of both.
static inline void ChildrenFrom(CodeNode* m, const int16_t* firstThenSecond) {
  memcpy(&m->firstChild, firstThenSecond, 2 * sizeof(int16_t));
}

// The first `pairs` inner nodes: the last 2 * pairs leaves, all of count
// 1, paired from the back.
static inline void PairTheOnes(CodeNode* inner, const int16_t* leafNode, int pairs) {
  for (int k = 0; k < pairs; k++) {
    CodeNode* m = &inner[k];
    m->count = 2;
    ChildrenFrom(m, &leafNode[kSymbols - 2 * k - 1]);
  }
}

// Takes the smallest entry left: the newest node of run r (`taken` of it
// gone) when its count is no more than the last unmerged leaf's, else that
// leaf. Its count goes to *count.
static inline int16_t TakeSmallest(const CodeNode* inner, const int16_t* runStart, int runs,
                                   int* r, int* taken, const int32_t* leafCount,
                                   const int16_t* leafNode, int* leaf, int32_t* count) {
  int newest = *r < runs ? runStart[*r + 1] - 1 - *taken : 0;
  if (*r < runs && inner[newest].count <= leafCount[*leaf]) {
    *count = inner[newest].count;
    if (newest == runStart[*r]) {
      ++*r;
      *taken = 0;
    } else {
      ++*taken;
    }
    return (int16_t)(kSymbols + newest);
  }
  *count = leafCount[*leaf];
  return leafNode[(*leaf)--];
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
    PairTheOnes(inner, leafNode, pairs);
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
      ic = inner[newest].count;
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
      if (made == 0 || inner[made - 1].count != sum) runStart[runs++] = (int16_t)made;
      for (int k = 0; k < pairs; k++) {
        CodeNode* m = &inner[made + k];
        m->count = sum;
        m->secondChild = items[2 * k];
        m->firstChild = items[2 * k + 1];
      }
      made += pairs;
      runStart[runs] = (int16_t)made;
    }
    if (n & 1) {
      // The odd one out pairs with the smallest entry after it.
      int32_t pc;
      int16_t partner = TakeSmallest(inner, runStart, runs, &r, &taken, leafCount, leafNode,
                                     &leaf, &pc);
      int32_t sum = c + pc;
      if (made == 0 || inner[made - 1].count != sum) runStart[runs++] = (int16_t)made;
      CodeNode* m = &inner[made];
      m->count = sum;
      m->secondChild = items[n - 1];
      m->firstChild = partner;
      made++;
      runStart[runs] = (int16_t)made;
    }
  }
}

// The merge of the sorted leaves, by the fastest rule their counts allow.
static void MergeSortedLeaves(CodeTree* t, const SortedLeaves* leaves) {
  if (t->builtPositive && t->builtTotal <= INT32_MAX) {
    MergeInLinearTime(t->pool, leaves);
    t->workList[0] = (int16_t)kRootNode;
  } else {
    for (int p = 0; p < kSymbols; p++) t->workList[p] = leaves->node[p + 1];
    MergeByInsertion(t->pool, t->workList);
  }
}

void BuildCodeTreeCompact(CodeTree* t) {
  TakeResetForBuild(t);
  SortedLeaves leaves;
  if (!t->builtPositive || !SortGrownLeaves(t, &leaves)) SortAnyLeaves(t, &leaves);
  MergeSortedLeaves(t, &leaves);
}

#if !defined(CORVANE_COMPACT)
// The leaves still at 1 and those that grew from 1, each in symbol order,
// from the counts and those of the last build; a leaf that was at 1 but
// is no longer counts as grown, whatever its count now. The lists take 4
// entries of slack: the vector loop stores 4 at a time.
static const int kListSlack = 4;

#if defined(CORVANE_VECTOR_ONES)
// For each 4-bit mask, the positions of its set bits packed into 16-bit
// lanes, lowest first, and how many there are: 4 symbols are then listed
// with one store whichever of them qualify.
struct LanePicks {
  uint64_t lanes[16];
  uint8_t count[16];
};

static constexpr LanePicks MakeLanePicks() {
  LanePicks p{};
  for (int m = 0; m < 16; m++) {
    int n = 0;
    for (int i = 0; i < 4; i++) {
      if (!(m >> i & 1)) continue;
      p.lanes[m] |= (uint64_t)i << (16 * n);
      n++;
    }
    p.count[m] = (uint8_t)n;
  }
  return p;
}

static constexpr LanePicks kLanePicks = MakeLanePicks();

static void SplitOnes(const int32_t* counts, const int32_t* built, int16_t* ones, int* nOnes,
                      int16_t* grown, int* nGrown) {
  const __m128i one = _mm_set1_epi32(1);
  int no = 0, ng = 0;
  for (int s = 0; s < kSymbols; s += 4) {
    __m128i c = _mm_loadu_si128((const __m128i*)(counts + s));
    __m128i b = _mm_loadu_si128((const __m128i*)(built + s));
    __m128i isOne = _mm_cmpeq_epi32(c, one);
    __m128i grew = _mm_andnot_si128(isOne, _mm_cmpeq_epi32(b, one));
    int mo = _mm_movemask_ps(_mm_castsi128_ps(isOne));
    int mg = _mm_movemask_ps(_mm_castsi128_ps(grew));
    uint64_t first = (uint64_t)s * 0x0001000100010001ull;  // s in every lane
    uint64_t pickedOnes = first + kLanePicks.lanes[mo];
    uint64_t pickedGrown = first + kLanePicks.lanes[mg];
    memcpy(ones + no, &pickedOnes, sizeof pickedOnes);
    memcpy(grown + ng, &pickedGrown, sizeof pickedGrown);
    no += kLanePicks.count[mo];
    ng += kLanePicks.count[mg];
  }
  *nOnes = no;
  *nGrown = ng;
}
#else
static void SplitOnes(const int32_t* counts, const int32_t* built, int16_t* ones, int* nOnes,
                      int16_t* grown, int* nGrown) {
  int no = 0, ng = 0;
  for (int s = 0; s < kSymbols; s++) {
    bool isOne = counts[s] == 1;
    ones[no] = (int16_t)s;
    grown[ng] = (int16_t)s;
    no += isOne;
    ng += !isOne & (built[s] == 1);
  }
  *nOnes = no;
  *nGrown = ng;
}
#endif

// The stub's sort of grown leaves, with the leaves of count 1 found by
// symbol instead of by place. While counts only grow, the leaves of count
// 1 at the end of the order are in symbol order: all are there, in
// identity order, after a reset, and each build keeps the order of those
// that stay and takes out those that grow. So they are simply the symbols
// still at 1, and the grown ones, in the order they stood, are the symbols
// that were at 1 and are no longer: both come from one pass over the
// counts in symbol order, 4 at a time, instead of one that follows the
// previous order a leaf at a time. Needs t->onesBySymbol; false, with
// nothing changed, where SortGrownLeaves would be.
static bool SortGrownLeavesBySymbol(CodeTree* t, SortedLeaves* out) {
  const int32_t* counts = t->counts;
  const int32_t* built = t->builtCounts;
  const int16_t* leafAt = t->leafAt;
  int16_t head[kSymbols];
  int32_t headCount[kSymbols];
  int16_t ones[kSymbols + kListSlack], grown[kSymbols + kListSlack];
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
  int nOnes, nGrown;
  SplitOnes(counts, built, ones, &nOnes, grown, &nGrown);
  if (onesFrom + nGrown > kSymbols) return false;  // not where a build left them
  int nHead = onesFrom;
  for (int k = 0; k < nGrown; k++) {
    int16_t s = grown[k];
    int32_t c = counts[s];
    head[nHead++] = s;
    headCount[nHead - 1] = c;
    fell |= c < 1;
    total += c;
    high = c > high ? c : high;
  }
  total += nOnes;
  // A fall anywhere shows: in the head, against the last count; among the
  // leaves that were at 1, as a grown leaf below 1. The lists are right
  // only without one.
  if (fell || total > INT32_MAX || nHead + nOnes != kSymbols) return false;

  int16_t* node = out->node + 1;
  int32_t* count = out->count + 1;
  out->count[0] = INT32_MAX;
  if (nHead > 0) StableSortByCount(head, headCount, nHead, 2, high, &t->insertionRest, node, count);
  memcpy(node + nHead, ones, sizeof(int16_t) * nOnes);
  // The merge pairs the leaves of count 1 by their number and reads the
  // count of none of them but the first, left over when they are odd.
  if (nOnes > 0) count[nHead] = 1;
  for (int k = 0; k < nHead; k++) {
    int16_t s = node[k];
    t->builtCounts[s] = count[k];
    t->pool[s].count = count[k];
  }
  memcpy(t->leafAt, node, sizeof(int16_t) * kSymbols);
  t->builtTotal = total;
  t->builtOnes = nOnes;
  out->ones = nOnes;
  return true;
}

// Makes the next inner node, of count `sum`, from two entries in the
// order they were taken (the first taken is the second child), and keeps
// the runs: a node whose count differs from the last one's starts a run.
static inline void MakeNode(CodeNode* inner, int16_t* runStart, int* runs, int* made,
                            int32_t sum, int16_t takenFirst, int16_t takenSecond) {
  if (*made == 0 || inner[*made - 1].count != sum) runStart[(*runs)++] = (int16_t)*made;
  CodeNode* m = &inner[*made];
  m->count = sum;
  m->secondChild = takenFirst;
  m->firstChild = takenSecond;
  ++*made;
  runStart[*runs] = (int16_t)*made;
}

// The start of the merges outside the stub: the leaves of count 1 paired,
// one run of 2s. Sets the runs and the last unmerged leaf; the nodes made.
static inline int StartWithTheOnes(CodeNode* inner, const SortedLeaves* leaves,
                                   int16_t* runStart, int* runs, int* leaf) {
  int pairs = leaves->ones >> 1;
  PairTheOnes(inner, leaves->node, pairs);
  *leaf = kSymbols - 2 * pairs;
  *runs = pairs > 0 ? 1 : 0;
  runStart[0] = 0;
  runStart[1] = (int16_t)pairs;
  return pairs;
}

// The linear merge outside the stub, the same steps without copying each
// count's entries to a list first. They are the run's inner nodes from
// the newest back, then the leaves of that count from the last, and they
// pair in that order; the inner nodes of a run are consecutive in the
// pool, so their pairs and the leaves' are written straight from where
// they stand. One pair may take the run's oldest node and the first leaf.
//
// That pays where many counts are equal (a body's early builds). Where
// they are mostly apart, most counts have a single entry, and `byEntries`
// takes the two smallest entries for each node instead, which costs less
// than finding each count's entries. The runs of equal inner counts made.
static int MergeInLinearTimeDirect(CodeNode* pool, const SortedLeaves* leaves, bool byEntries) {
  const int32_t* leafCount = leaves->count;
  const int16_t* leafNode = leaves->node;
  int16_t runStart[kSymbols + 1];
  int runs, r = 0, taken = 0, leaf;  // leaves 1 .. leaf are unmerged
  CodeNode* inner = pool + kSymbols;
  int made = StartWithTheOnes(inner, leaves, runStart, &runs, &leaf);
  while (byEntries && made < kSymbols - 1) {
    int32_t secondCount, firstCount;
    int16_t second = TakeSmallest(inner, runStart, runs, &r, &taken, leafCount, leafNode,
                                  &leaf, &secondCount);
    int16_t first = TakeSmallest(inner, runStart, runs, &r, &taken, leafCount, leafNode,
                                 &leaf, &firstCount);
    MakeNode(inner, runStart, &runs, &made, secondCount + firstCount, second, first);
  }
  while (made < kSymbols - 1) {
    int newest = 0;
    int32_t ic = INT32_MAX;
    if (r < runs) {
      newest = runStart[r + 1] - 1 - taken;
      ic = inner[newest].count;
    }
    int32_t c = leafCount[leaf] < ic ? leafCount[leaf] : ic;

    int fromRun = 0;  // the run's nodes newest, newest - 1, ...
    if (ic == c) {
      fromRun = newest - runStart[r] + 1;
      r++;
      taken = 0;
    }
    int fromLeaves = 0;  // the leaves leaf, leaf - 1, ...
    while (leafCount[leaf - fromLeaves] == c) fromLeaves++;
    int n = fromRun + fromLeaves;
    // The odd one out, if any: the last of those entries.
    int16_t last = n > fromRun ? leafNode[leaf - (n - 1 - fromRun)]
                               : (int16_t)(kSymbols + newest - (n - 1));

    int pairs = n >> 1;
    if (pairs > 0) {
      int32_t sum = 2 * c;
      if (made == 0 || inner[made - 1].count != sum) runStart[runs++] = (int16_t)made;
      CodeNode* m = &inner[made];
      int runPairs = fromRun >> 1;
      if (runPairs > pairs) runPairs = pairs;
      int16_t runNode = (int16_t)(kSymbols + newest);
      // Both children in one word: runNode - 2k - 1, then runNode - 2k.
      uint32_t runChildren = (uint16_t)(runNode - 1) | (uint32_t)(uint16_t)runNode << 16;
      for (int k = 0; k < runPairs; k++) {
        m[k].count = sum;
        memcpy(&m[k].firstChild, &runChildren, sizeof runChildren);
        runChildren -= 0x20002u;
      }
      int k = runPairs;
      const int16_t* leafAt = leafNode + leaf;  // leafAt[-j] is the j-th leaf taken
      int j = 0;
      if ((fromRun & 1) && k < pairs) {
        m[k].count = sum;
        m[k].secondChild = (int16_t)(runNode - (fromRun - 1));
        m[k].firstChild = leafAt[0];
        k++;
        j = 1;
      }
      for (; k < pairs; k++, j += 2) {
        m[k].count = sum;
        ChildrenFrom(&m[k], &leafAt[-j - 1]);
      }
      made += pairs;
      runStart[runs] = (int16_t)made;
    }
    leaf -= fromLeaves;
    if (n & 1) {
      // The odd one out pairs with the smallest entry after it.
      int32_t pc;
      int16_t partner = TakeSmallest(inner, runStart, runs, &r, &taken, leafCount, leafNode,
                                     &leaf, &pc);
      MakeNode(inner, runStart, &runs, &made, c + pc, last, partner);
    }
  }
  return runs;
}

void BuildCodeTree(CodeTree* t) {
  TakeResetForBuild(t);
  SortedLeaves leaves;
  bool sorted = t->builtPositive && (t->onesBySymbol ? SortGrownLeavesBySymbol(t, &leaves)
                                                     : SortGrownLeaves(t, &leaves));
  if (!sorted) SortAnyLeaves(t, &leaves);
  if (t->builtPositive && t->builtTotal <= INT32_MAX) {
    // The runs of the last merge tell how many counts were equal.
    t->mergeRuns = (int16_t)MergeInLinearTimeDirect(t->pool, &leaves,
                                                    t->mergeRuns >= kRunsForMergeByEntries);
    t->workList[0] = (int16_t)kRootNode;
  } else {
    MergeSortedLeaves(t, &leaves);
  }
}
#endif
