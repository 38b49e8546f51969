// The decode table's fill outside the stub against the stub's fill by levels, entry by entry.
#include <gtest/gtest.h>

#include <string.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/code_tree.h"
#include "engine/decode_table.h"

namespace {

// Both fills over one tree. The subtables are compared as far as the
// table uses them: one for each long-code entry.
void ExpectSameTables(const CodeTree& t, const std::string& where) {
  auto fast = std::make_unique<DecodeTable>();
  auto levels = std::make_unique<DecodeTable>();
  memset(fast.get(), 0xA5, sizeof *fast);
  memset(levels.get(), 0x5A, sizeof *levels);
  FillDecodeTable(&t, fast.get());
  FillDecodeTableByLevels(&t, levels.get());
  int subtables = 0;
  for (int i = 0; i < kTableSize; i++) {
    ASSERT_EQ(fast->entry[i], levels->entry[i]) << where << " entry " << i;
    if (levels->entry[i] & kLongCode) subtables++;
  }
  for (int i = 0; i < subtables * kSubSize; i++)
    ASSERT_EQ(fast->sub[i], levels->sub[i]) << where << " subtable entry " << i;
}

// The deepest leaf, to tell the trees' shapes apart.
int Depth(const CodeTree& t, int node) {
  const CodeNode& n = t.pool[node];
  if (n.firstChild == kNoChild) return 0;
  int a = Depth(t, n.firstChild), b = Depth(t, n.secondChild);
  return 1 + (a > b ? a : b);
}

}  // namespace

TEST(DecodeTable, FillMatchesTheFillByLevelsForTheStartingTree) {
  // Every code 9 bits: the table is the first 512 entries twice.
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  BuildCodeTree(t.get());
  ASSERT_EQ(Depth(*t, kRootNode), 9);
  ExpectSameTables(*t, "start");
}

TEST(DecodeTable, FillMatchesTheFillByLevelsOverBodiesCountSequences) {
  // Counts as a body's grow: a skewed alphabet, builds every 256 tokens up
  // to 2048, then every 1024; some bodies use few symbols (long codes for
  // the rest), some many.
  std::mt19937 rng(404);
  auto t = std::make_unique<CodeTree>();
  int deepest = 0;
  for (int body = 0; body < 24; body++) {
    ResetCodeTree(t.get());
    int used = 4 + (int)(rng() % 300);
    double skew = 0.6 + (body % 5) * 0.3;
    std::vector<double> weights;
    for (int i = 0; i < used; i++) weights.push_back(1.0 / std::pow(i + 1, skew));
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    int offset = (int)(rng() % kSymbols);
    for (int tokens = 256; tokens <= 24576; tokens += tokens < 2048 ? 256 : 1024) {
      for (int k = 0; k < (tokens <= 2048 ? 256 : 1024); k++)
        CountSymbol(t.get(), (offset + pick(rng)) % kSymbols);
      BuildCodeTree(t.get());
      int depth = Depth(*t, kRootNode);
      deepest = depth > deepest ? depth : deepest;
      ExpectSameTables(*t, "body " + std::to_string(body) + " at " + std::to_string(tokens));
      if (HasFatalFailure()) return;
    }
  }
  // The sequences reach codes longer than the table and its subtables.
  EXPECT_GT(deepest, kDeepBits);
}

TEST(DecodeTable, FillMatchesTheFillByLevelsForAVeryLopsidedTree) {
  // Counts doubling from one symbol to the next: a chain, one leaf a level,
  // so that the table's depth holds a single inner node and every long
  // code goes past the subtables.
  auto t = std::make_unique<CodeTree>();
  ResetCodeTree(t.get());
  for (int s = 0; s < 30; s++) t->counts[s] = 1 << (30 - s);
  BuildCodeTree(t.get());
  ASSERT_GT(Depth(*t, kRootNode), kDeepBits);
  ExpectSameTables(*t, "chain");
}
