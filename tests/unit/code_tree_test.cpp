#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/code_tree.h"

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
    ASSERT_EQ(t->leafOrder[s], s);
  }
}

TEST(CodeTree, OneHeavierSymbolMovesFirstAndGetsEightZeroBits) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  t->counts[300] = 3;
  BuildCodeTree(t.get());
  EXPECT_EQ(t->leafOrder[300], 0);
  EXPECT_EQ(Code(*t, 300), "00000000");
  // Everyone else keeps the order among themselves.
  EXPECT_EQ(t->leafOrder[0], 1);
  EXPECT_EQ(t->leafOrder[299], 300);
  EXPECT_EQ(t->leafOrder[301], 301);
}

TEST(CodeTree, TiesKeepThePreviousBuildsOrderNotSymbolOrder) {
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  t->counts[10] = 5;
  t->counts[20] = 4;
  BuildCodeTree(t.get());
  EXPECT_LT(t->leafOrder[10], t->leafOrder[20]);
  // Now 20 overtakes 10, then they tie: 20 stays in front of 10.
  t->counts[20] = 6;
  BuildCodeTree(t.get());
  EXPECT_LT(t->leafOrder[20], t->leafOrder[10]);
  t->counts[10] = 6;
  BuildCodeTree(t.get());
  EXPECT_EQ(t->leafOrder[20], 0);
  EXPECT_EQ(t->leafOrder[10], 1);
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
      ASSERT_EQ(t->leafOrder[order[s]], s) << "round " << round;
      ASSERT_EQ(Code(*t, s).size(), (size_t)depth[s]) << "round " << round << " symbol " << s;
    }
  }
}
