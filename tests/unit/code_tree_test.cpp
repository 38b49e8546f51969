// The code tree builder against the plain one, and its tie rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/code_tree.h"
#include "tests/reference/plain_tree.h"

// The bits from the root to a symbol's leaf, found by searching the tree.
static bool PathTo(const CodeTree& t, int node, int symbol, std::string* bits) {
  const CodeNode& n = t.pool[node];
  if (n.firstChild == kNoChild) return n.symbol == symbol;
  bits->push_back('0');
  if (PathTo(t, n.firstChild, symbol, bits)) return true;
  bits->back() = '1';
  if (PathTo(t, n.secondChild, symbol, bits)) return true;
  bits->pop_back();
  return false;
}

// Where a symbol's leaf stood after the last sort.
static int PlaceOf(const CodeTree& t, int symbol) {
  for (int p = 0; p < kSymbols; p++)
    if (t.leafAt[p] == symbol) return p;
  return -1;
}

static std::string Code(const CodeTree& t, int symbol) {
  std::string bits;
  EXPECT_TRUE(PathTo(t, kRootNode, symbol, &bits)) << symbol;
  return bits;
}

TEST(CodeTree, EqualCountsGiveNineBitCodesInAlternatingPattern) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  BuildCodeTree(t.get());
  EXPECT_EQ(t->workList[0], kRootNode);
  EXPECT_EQ(Code(*t, 0), "010101010");
  EXPECT_EQ(Code(*t, 511), "101010101");
  for (int s = 0; s < kSymbols; s++) {
    ASSERT_EQ(Code(*t, s).size(), 9u) << s;
    ASSERT_EQ(PlaceOf(*t, s), s);
  }
}

TEST(CodeTree, OneHeavierSymbolMovesFirstAndGetsEightZeroBits) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  t->counts[300] = 3;
  BuildCodeTree(t.get());
  EXPECT_EQ(PlaceOf(*t, 300), 0);
  EXPECT_EQ(Code(*t, 300), "00000000");
  // Everyone else keeps the order among themselves.
  EXPECT_EQ(PlaceOf(*t, 0), 1);
  EXPECT_EQ(PlaceOf(*t, 299), 300);
  EXPECT_EQ(PlaceOf(*t, 301), 301);
}

TEST(CodeTree, TiesKeepThePreviousBuildsOrderNotSymbolOrder) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  t->counts[10] = 5;
  t->counts[20] = 4;
  BuildCodeTree(t.get());
  EXPECT_LT(PlaceOf(*t, 10), PlaceOf(*t, 20));
  // Now 20 overtakes 10, then they tie: 20 stays in front of 10.
  t->counts[20] = 6;
  BuildCodeTree(t.get());
  EXPECT_LT(PlaceOf(*t, 20), PlaceOf(*t, 10));
  t->counts[10] = 6;
  BuildCodeTree(t.get());
  EXPECT_EQ(PlaceOf(*t, 20), 0);
  EXPECT_EQ(PlaceOf(*t, 10), 1);
}

static int ParentOf(const CodeTree& t, int child) {
  for (int n = kSymbols; n < kNodes; n++)
    if (t.pool[n].firstChild == child || t.pool[n].secondChild == child) return n;
  return -1;
}

TEST(CodeTree, MergedNodeStaysBehindEqualCountsAndIsMergedSooner) {
  // Four symbols of count 2, the rest 1: the first merge makes a count-2
  // node, which lines up behind the four leaves of count 2, so it is
  // merged again before they are.
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  for (int s : {1, 2, 3, 4}) t->counts[s] = 2;
  BuildCodeTree(t.get());
  EXPECT_EQ(t->pool[512].count, 2);
  EXPECT_EQ(t->pool[t->pool[512].firstChild].symbol, 510);
  EXPECT_EQ(t->pool[t->pool[512].secondChild].symbol, 511);
  EXPECT_LT(ParentOf(*t, 512), ParentOf(*t, 4));
  EXPECT_LT(ParentOf(*t, 513), ParentOf(*t, 1));
}

// A plain model of the build, written from the rules without the shared
// code: a stable sort by count, then repeatedly merging the last two and
// inserting the new node behind every entry of equal count.
struct ModelTree {
  std::vector<int> order;  // symbols in the order of the last sort
  std::vector<int> depth;
};

static std::vector<int> ModelDepths(std::vector<int>* order,
                                    const std::vector<int32_t>& counts) {
  std::stable_sort(order->begin(), order->end(),
                   [&](int a, int b) { return counts[a] > counts[b]; });
  struct Item { int64_t count; std::vector<int> leaves; };
  std::vector<Item> list;
  for (int s : *order) list.push_back({counts[s], {s}});
  std::vector<int> depth(kSymbols, 0);
  while (list.size() > 1) {
    Item b = list.back(); list.pop_back();
    Item a = list.back(); list.pop_back();
    Item m{a.count + b.count, a.leaves};
    m.leaves.insert(m.leaves.end(), b.leaves.begin(), b.leaves.end());
    for (int s : m.leaves) depth[s]++;
    size_t pos = list.size();
    while (pos > 0 && list[pos - 1].count < m.count) pos--;
    list.insert(list.begin() + (long)pos, m);
  }
  return depth;
}

TEST(CodeTree, AgreesWithAPlainModelOverLongRandomCountSequences) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  std::vector<int> order(kSymbols);
  for (int i = 0; i < kSymbols; i++) order[i] = i;
  std::vector<int32_t> counts(kSymbols, 1);
  uint32_t seed = 12345;
  for (int round = 0; round < 60; round++) {
    // Skewed increments with many ties: a few hot symbols, many cold ones.
    for (int k = 0; k < 256; k++) {
      seed = seed * 1103515245u + 12345u;
      int s = (int)((seed >> 16) % (round % 3 == 0 ? 24 : kSymbols));
      t->counts[s]++;
      counts[s]++;
    }
    BuildCodeTree(t.get());
    std::vector<int> depth = ModelDepths(&order, counts);
    for (int s = 0; s < kSymbols; s++) {
      ASSERT_EQ(t->leafAt[s], order[s]) << "round " << round;
      ASSERT_EQ(Code(*t, s).size(), (size_t)depth[s]) << "round " << round << " symbol " << s;
    }
  }
}

// The engine's builder against the plain one (bubble sort, insertion
// merge) over long runs of rebuilds: every node of the pool, the leaf order
// and the root must agree after every build. The stub's builder
// (BuildCodeTreeCompact) runs alongside on a tree of its own, so that both
// of the engine's builders are held to the plain one.
namespace {

struct TreePair {
  std::unique_ptr<CodeTree> fast = std::make_unique<CodeTree>();
  std::unique_ptr<CodeTree> compact = std::make_unique<CodeTree>();
  std::unique_ptr<CodeTree> plain = std::make_unique<CodeTree>();
  TreePair() { Reset(); }
  void Reset() {
    for (CodeTree* t : {fast.get(), compact.get(), plain.get()}) ResetCodeTree(t);
  }
  void Add(int symbol, int32_t by) {
    for (CodeTree* t : {fast.get(), compact.get(), plain.get()})
      t->counts[symbol] = (int32_t)((uint32_t)t->counts[symbol] + (uint32_t)by);
  }
  static void Compare(const CodeTree& a, const CodeTree& b, const std::string& where) {
    ASSERT_EQ(a.workList[0], b.workList[0]) << where;
    for (int p = 0; p < kSymbols; p++)
      ASSERT_EQ(a.leafAt[p], b.leafAt[p]) << where << " place " << p;
    for (int n = 0; n < kNodes; n++) {
      const CodeNode& x = a.pool[n];
      const CodeNode& y = b.pool[n];
      ASSERT_EQ(x.firstChild, y.firstChild) << where << " node " << n;
      ASSERT_EQ(x.secondChild, y.secondChild) << where << " node " << n;
      ASSERT_EQ(x.count, y.count) << where << " node " << n;
      if (x.firstChild == kNoChild) ASSERT_EQ(x.symbol, y.symbol) << where;
    }
  }
  void BuildAndCompare(const std::string& where) {
    BuildCodeTree(fast.get());
    BuildCodeTreeCompact(compact.get());
    PlainBuildCodeTree(plain.get());
    Compare(*fast, *plain, where + " (fast)");
    Compare(*compact, *plain, where + " (compact)");
  }
};

}  // namespace

TEST(CodeTree, FastBuildMatchesThePlainBuildOverLongRandomCountSequences) {
  std::mt19937 rng(20261208);
  // Each shape of count growth runs as a file would: 2048 tokens with a
  // build every 256, then builds every 1024, and a fresh start per file.
  for (int file = 0; file < 48; file++) {
    TreePair trees;
    int shape = file % 4;
    int hot = 1 + (int)(rng() % 40);
    for (int tokens = 0, build = 0; tokens < 40000; build++) {
      int step = tokens < 2048 ? 256 : 1024;
      for (int k = 0; k < step; k++) {
        int s;
        switch (shape) {
          case 0: s = (int)(rng() % (uint32_t)hot); break;         // few symbols, many ties
          case 1: s = (int)(rng() % kSymbols); break;              // everything moves a little
          case 2: s = (int)std::min<uint32_t>(511, (uint32_t)std::geometric_distribution<int>(0.05)(rng)); break;
          default: s = (int)((rng() % 2) ? rng() % 8 : 256 + rng() % 16); break;  // two clusters
        }
        trees.Add(s, 1);
      }
      tokens += step;
      trees.BuildAndCompare("file " + std::to_string(file) + " build " + std::to_string(build));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(CodeTree, FastBuildMatchesThePlainBuildWhenCountsWrap) {
  // Counts near the top of the signed range: sums wrap, some counts turn
  // negative, and the builder must still agree with the plain one.
  std::mt19937 rng(7);
  for (int round = 0; round < 8; round++) {
    TreePair trees;
    for (int s = 0; s < kSymbols; s++)
      if (rng() % 4 == 0) trees.Add(s, (int32_t)(rng() % 0x7FFFFFFF));
    for (int b = 0; b < 6; b++) {
      for (int k = 0; k < 64; k++) trees.Add((int)(rng() % kSymbols), (int32_t)(rng() % 0x10000000));
      trees.BuildAndCompare("round " + std::to_string(round) + " build " + std::to_string(b));
      if (HasFatalFailure()) return;
    }
  }
  // A total just at and just past the limit of the linear merge.
  for (int32_t extra : {0, 1}) {
    TreePair trees;
    int32_t base = (INT32_MAX - kSymbols) / kSymbols;
    for (int s = 0; s < kSymbols; s++) trees.Add(s, base);
    int64_t total = (int64_t)kSymbols * (base + 1);
    trees.Add(3, (int32_t)(INT32_MAX - total + extra));
    trees.BuildAndCompare("limit " + std::to_string(extra));
  }
}

TEST(CodeTree, FastBuildMatchesThePlainBuildInEarlyBuildsWithMostCountsAtOne) {
  // A body's first builds: a handful of symbols seen, the rest still at 1,
  // and a few more leaving 1 at every build, so the leaves of count 1 lose
  // members all along their list (first, last, in between).
  std::mt19937 rng(31);
  for (int file = 0; file < 24; file++) {
    TreePair trees;
    int used = 2 + (int)(rng() % 60);
    std::vector<int> alphabet(kSymbols);
    for (int i = 0; i < kSymbols; i++) alphabet[i] = i;
    std::shuffle(alphabet.begin(), alphabet.end(), rng);
    if (file % 3 == 0) alphabet[0] = 0, alphabet[1] = 511;  // the list's two ends
    for (int build = 0; build < 40; build++) {
      int tokens = file % 2 ? 16 : 256;
      for (int k = 0; k < tokens; k++) {
        // Mostly the symbols in use, now and then one never seen before.
        int s = rng() % 8 ? alphabet[rng() % used] : alphabet[used + rng() % (kSymbols - used)];
        trees.Add(s, 1);
      }
      trees.BuildAndCompare("file " + std::to_string(file) + " build " + std::to_string(build));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(CodeTree, FastBuildMatchesThePlainBuildWhenCountsFallToZeroAndGrowAgain) {
  // Counts brought down to 0 or below (as wrapping leaves them) take the
  // general sort; once they are positive again the builds go on from the
  // order it left, whose leaves of count 1 need not be in symbol order.
  std::mt19937 rng(5);
  for (int round = 0; round < 12; round++) {
    TreePair trees;
    for (int k = 0; k < 600; k++) trees.Add((int)(rng() % 64), 1);
    trees.BuildAndCompare("round " + std::to_string(round) + " start");
    // A few leaves of count 1 and a few counted ones drop to 0 or lower.
    for (int k = 0; k < 1 + round % 4; k++) trees.Add(64 + (int)(rng() % 448), -1 - (int)(rng() % 3));
    for (int k = 0; k < round % 3; k++) trees.Add((int)(rng() % 64), -100000);
    trees.BuildAndCompare("round " + std::to_string(round) + " fallen");
    if (HasFatalFailure()) return;
    // Back up to 1 or more, then builds over growing counts.
    for (int s = 0; s < kSymbols; s++)
      if (trees.fast->counts[s] < 1) trees.Add(s, 1 - trees.fast->counts[s] + (int32_t)(rng() % 2));
    for (int build = 0; build < 12; build++) {
      for (int k = 0; k < 128; k++) trees.Add((int)(rng() % (build % 2 ? 64 : kSymbols)), 1);
      trees.BuildAndCompare("round " + std::to_string(round) + " build " + std::to_string(build));
      if (HasFatalFailure()) return;
    }
    // A reset brings back the identity order and the fast sort.
    trees.Reset();
    for (int build = 0; build < 6; build++) {
      for (int k = 0; k < 64; k++) trees.Add((int)(rng() % kSymbols), 1);
      trees.BuildAndCompare("round " + std::to_string(round) + " after reset " + std::to_string(build));
      if (HasFatalFailure()) return;
    }
  }
}

TEST(CodeTree, FastBuildMatchesThePlainBuildWhenALeafFallsBackToOne) {
  // A counted leaf back at exactly 1 is a fall, not one of the leaves at 1:
  // it must not be taken for one of them by symbol.
  TreePair trees;
  for (int s : {3, 70, 200, 400}) trees.Add(s, 5);
  trees.BuildAndCompare("grown");
  trees.Add(70, -5);
  trees.Add(200, 2);
  trees.BuildAndCompare("70 back at 1");
  trees.Add(9, 1);
  trees.BuildAndCompare("after");
}
