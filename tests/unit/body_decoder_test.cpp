// The body decoder on hand-made bodies: literals, matches, malformed ones.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/reference_ring.h"
#include "engine/symbol_decoder.h"
#include "tests/test_host.h"
#include "tests/unit/item_bytes.h"

class BodyDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTestHost();
    mkdir((dir_ / "out").c_str(), 0777);
  }
  ExtractOutcome Extract(const Bytes& items) {
    return ExtractItems(dir_, items, dir_ / "out");
  }
  TempDir dir_;
};

TEST_F(BodyDecoderTest, SingleLiteralUnderTheStartingTrees) {
  Bytes items;
  AppendFileEntry(&items, B("a"), 1, 2, 3, 1, 0, 0, {0xAE, 0x01});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/a"), B("A"));
  EXPECT_EQ(CurrentTestHost().pumps, 1);  // the rebuild before token 0
}

TEST_F(BodyDecoderTest, LiteralThenOverlappingMatch) {
  Bytes items;
  AppendFileEntry(&items, B("a"), 1, 2, 3, 4, 0, 0, {0xA6, 0x57, 0xAB, 0x02});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/a"), B("aaaa"));
}

TEST_F(BodyDecoderTest, EmptyBodyReadsNoBitsAndRebuildsNothing) {
  Bytes items;
  AppendFileEntry(&items, B("empty"), 1, 2, 3, 0, 0, 0, {});
  AppendFileEntry(&items, B("b"), 1, 2, 3, 1, 0, 0, {0xAE, 0x01});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/empty"), Bytes());
  EXPECT_EQ(ReadFileBytes(dir_ / "out/b"), B("A"));
  EXPECT_EQ(CurrentTestHost().pumps, 1);
}

TEST_F(BodyDecoderTest, AMatchBeforeTheStartOfTheFileIsDamage) {
  // The length symbol 257 as the first token: there is no history.
  Bytes items;
  AppendFileEntry(&items, B("a"), 1, 2, 3, 3, 0, 0, {0xAB, 0x55, 0x01});
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractDamaged);
  EXPECT_FALSE(PathExists(dir_ / "out/a"));
}

TEST_F(BodyDecoderTest, ALastMatchPastTheSizeIsCutAtTheSize) {
  // "a" and a match of 3 at distance 1, in a file recorded as 2 bytes.
  Bytes items;
  AppendFileEntry(&items, B("a"), 1, 2, 3, 2, 0, 0, {0xA6, 0x57, 0xAB, 0x02});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/a"), B("aa"));
}

TEST(RebuildSchedule, EveryQuarterKiloTokenThenEveryKiloToken) {
  std::vector<int> points;
  for (int t = 0; t <= 6144; t++)
    if (IsRebuildPoint(t)) points.push_back(t);
  EXPECT_EQ(points, (std::vector<int>{0, 256, 512, 768, 1024, 1280, 1536, 1792,
                                      2048, 3072, 4096, 5120, 6144}));
  EXPECT_FALSE(IsRebuildPoint(2304));
  EXPECT_FALSE(IsRebuildPoint(2560));
  EXPECT_FALSE(IsRebuildPoint(2816));
  // The decoder steps from point to point; the steps land on the same ones.
  std::vector<int> stepped;
  for (int t = 0; t <= 6144; t = NextRebuildPoint(t)) stepped.push_back(t);
  EXPECT_EQ(stepped, points);
}

TEST(PresetHistory, BoundsFollowKAndTheStoredLength) {
  PresetBounds b = PresetHistoryBounds(1000, 16384);
  EXPECT_EQ(b.length, 8168);  // A = 7168, B = 1000
  EXPECT_EQ(b.start, 0);
  b = PresetHistoryBounds(12288, 16384);
  EXPECT_EQ(b.length, 8192);  // A = 4096, B = 4096
  EXPECT_EQ(b.start, 8192);
  // A short reference gives less after K; B fills up as far as K allows.
  b = PresetHistoryBounds(3000, 5000);
  EXPECT_EQ(b.length, 5000);  // A = 2000, B = 3000
  EXPECT_EQ(b.start, 0);
  b = PresetHistoryBounds(10000, 11000);
  EXPECT_EQ(b.length, 8192);  // A = 1000, B = 7192
  EXPECT_EQ(b.start, 2808);
  b = PresetHistoryBounds(0, 0);
  EXPECT_EQ(b.length, 0);
}
