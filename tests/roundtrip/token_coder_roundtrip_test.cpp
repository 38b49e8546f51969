// The encoder's codes against the core's decoder walk: codes of every
// depth, including paths longer than 64 steps, and prices that are the
// bits really written.
#include <gtest/gtest.h>

#include <random>

#include "engine/code_tree.h"
#include "engine/decode_table.h"
#include "payload/block_reader.h"
#include "tests/test_files.h"
#include "writer/token_coder.h"

namespace {

// Decodes `count` symbols of `tree` from the bytes, through the core's
// block reader, bit buffer and table decoder.
std::vector<int> DecodeWithCore(const CodeTree& tree, const Bytes& bits, int count) {
  TempDir dir;
  std::string path = dir / "stream";
  WriteFileBytes(path, MakeBlockStream(bits));
  OsFile f = OsOpenNative(path.c_str());
  EXPECT_NE(f, kNoFile);
  static BlockReader reader;
  BeginBlockStream(&reader, f, false, nullptr, 0);
  BitBuffer b;
  BeginBodyBits(&b, &reader);
  static DecodeTable table;
  FillDecodeTable(&tree, &table);
  std::vector<int> symbols;
  for (int i = 0; i < count; i++) symbols.push_back(DecodeSymbol(&tree, &table, &b));
  EXPECT_EQ(reader.status, kReadOk);
  OsClose(f);
  return symbols;
}

// Counts that wrapped past 2^31 sort last and merge into a chain: the
// tree becomes hundreds of levels deep, with codes of every length.
void BuildDeepTree(CodeTree* tree, SymbolCodes* codes) {
  ResetCodeTree(tree);
  for (int i = 0; i < kSymbols; i++) tree->counts[i] = i < 8 ? 100 - i : -i;
  BuildCodeTree(tree);
  ReadCodes(*tree, codes);
}

TEST(TokenCodes, PathsDeeperThan64StepsAreWrittenStepByStep) {
  static CodeTree tree;
  static SymbolCodes codes;
  BuildDeepTree(&tree, &codes);
  ASSERT_TRUE(codes.anyLong);
  int deepest = 0;
  for (int i = 0; i < kSymbols; i++) deepest = std::max<int>(deepest, codes.length[i]);
  EXPECT_GT(deepest, 400);

  std::vector<int> sent = {0, 7, 8, 100, 511, 510, 63, 64, 65, 300, 1, 511};
  Bytes out;
  BitWriter w(&out);
  uint64_t expectedBits = 0;
  for (int s : sent) {
    PutSymbol(tree, codes, s, &w);
    expectedBits += codes.length[s];
  }
  w.Finish();
  EXPECT_EQ(w.bitsWritten(), expectedBits);
  EXPECT_EQ(DecodeWithCore(tree, out, (int)sent.size()), sent);
}

// A code that ends on the stream's last bit is read without a bit more:
// whether the table, its subtables or the walk below them decode it.
TEST(TokenCodes, CodesOfEveryLengthEndingTheStreamNeedNoFurtherBits) {
  static CodeTree tree;
  static SymbolCodes codes;
  BuildDeepTree(&tree, &codes);
  int filler = -1;  // a symbol of odd length lines any code up with a byte
  for (int s = 0; s < kSymbols && filler < 0; s++)
    if (codes.length[s] % 2 == 1 && codes.length[s] < 16) filler = s;
  ASSERT_GE(filler, 0);
  int tested = 0;
  for (int length = 1; length <= 20; length++) {
    int last = -1;
    for (int s = 0; s < kSymbols && last < 0; s++)
      if (codes.length[s] == length) last = s;
    if (last < 0) continue;
    std::vector<int> sent;
    uint64_t bits = 0;
    while ((bits + length) % 8 != 0) {
      sent.push_back(filler);
      bits += codes.length[filler];
    }
    sent.push_back(last);
    Bytes out;
    BitWriter w(&out);
    for (int s : sent) PutSymbol(tree, codes, s, &w);
    w.Finish();
    ASSERT_EQ(out.size() * 8, bits + length);
    EXPECT_EQ(DecodeWithCore(tree, out, (int)sent.size()), sent) << "length " << length;
    tested++;
  }
  EXPECT_GE(tested, 15);
}

// Over a long run of tokens, with rebuilds at 0, 256, ... 2048, 3072 ...,
// the price asked before each token is what that token costs.
TEST(TokenCodes, PricesAreTheBitsWrittenAcrossRebuilds) {
  std::mt19937 rng(77);
  Bytes out;
  BitWriter w(&out);
  static TokenCoder coder;
  coder.Begin(&w);
  uint64_t priced = 0;
  for (int t = 0; t < 6000; t++) {
    uint64_t before = w.bitsWritten();
    if (rng() % 3 == 0) {
      int length = 2 + (int)(rng() % 300) * (rng() % 15 == 0 ? 14 : 1);
      int distance = 1 + (int)(rng() % 8192) / (1 + (int)(rng() % 50));
      priced = (uint64_t)coder.MatchPrice(length, distance);
      coder.PutMatch(length, distance);
    } else {
      uint8_t byte = (uint8_t)(rng() % 40 + (rng() % 7 == 0 ? 150 : 60));
      priced = (uint64_t)coder.LiteralPrice(byte);
      coder.PutLiteral(byte);
    }
    ASSERT_EQ(w.bitsWritten() - before, priced) << "token " << t;
  }
  EXPECT_EQ(coder.tokens(), 6000);
}

}  // namespace
