// Contents of every kind through the writer and back through the core:
// random and text-like data, files long enough to make the output window
// flush, long runs, and every compression level.
#include <gtest/gtest.h>

#include <random>

#include "tests/roundtrip/roundtrip_support.h"

namespace {

struct LevelCase {
  int level;
  uint32_t seed;
};

class DataRoundTrip : public ::testing::TestWithParam<LevelCase> {};

// Lengths around the edges of the output window (40960 bytes, flushed in
// pieces of 32768) and of the reference slot (16384).
const size_t kLengths[] = {1, 2, 3, 255, 4096, 16383, 16384, 16385,
                           40959, 40960, 40961, 98304 + 17};

TEST_P(DataRoundTrip, RandomAndTextLikeFilesComeBackExactly) {
  const LevelCase c = GetParam();
  TempDir dir;
  std::vector<ArchiveEntry> entries;
  uint32_t seed = c.seed;
  for (size_t n : kLengths) {
    FileTime t = TimeOf(1500000000 + seed, seed * 1000);
    entries.push_back(FileEntry("random" + std::to_string(n), RandomBytes(seed++, n),
                                t, t + 10000000, t + 20000000));
    entries.push_back(FileEntry("text" + std::to_string(n), TextLike(seed++, n),
                                t + 30000000, t + 40000000, t + 50000000));
  }
  RoundTrip(dir, entries, AtLevel(c.level));
}

INSTANTIATE_TEST_SUITE_P(Levels, DataRoundTrip,
                         ::testing::Values(LevelCase{1, 11}, LevelCase{1, 12},
                                           LevelCase{2, 21}, LevelCase{2, 22},
                                           LevelCase{3, 31}, LevelCase{3, 32}));

// Bytes of 128 to 255 in which no three in a row occur twice: nothing in
// them, nor between them and text, for the coder to match.
Bytes WithoutRepeats(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  std::vector<bool> seen(1 << 21);
  Bytes out = {0x80, 0x81};
  while (out.size() < n) {
    uint32_t prefix = (out[out.size() - 2] & 0x7F) << 14 | (out[out.size() - 1] & 0x7F) << 7;
    uint32_t b = rng() & 0x7F;
    for (int tries = 0; seen[prefix | b] && tries < 128; tries++) b = (b + 1) & 0x7F;
    seen[prefix | b] = true;
    out.push_back((uint8_t)(0x80 | b));
  }
  return out;
}

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Rebuild points with no match since the distance tree's last build, at a
// body's start after a body that had its own distance table, and in the
// middle of one, each followed by matches again.
TEST(DataRoundTripMatchless, StretchesWithoutMatchesKeepTheDistanceTable) {
  for (int level = 1; level <= 3; level++) {
    TempDir dir;
    RoundTrip(dir,
              {FileEntry("before", TextLike(70, 20000)),
               FileEntry("starts-without",
                         Joined({WithoutRepeats(71, 3500), TextLike(72, 20000)})),
               FileEntry("without-in-the-middle",
                         Joined({TextLike(73, 20000), WithoutRepeats(74, 6000),
                                 TextLike(75, 20000)}))},
              AtLevel(level));
  }
}

// Text must really shrink and random data must not grow much: the coder
// is the point of the writer, not a stored format.
TEST(Compression, TextShrinksAndRandomDataStaysNearItsSize) {
  for (int level = 1; level <= 3; level++) {
    std::vector<uint8_t> payload;
    std::string error;
    ArchiveOptions options = AtLevel(level);
    ASSERT_TRUE(BuildPayload({FileEntry("t", TextLike(5, 200000))}, options, &payload,
                             nullptr, &error))
        << error;
    EXPECT_LT(payload.size(), 200000u * 45 / 100) << "level " << level;
    ASSERT_TRUE(BuildPayload({FileEntry("r", RandomBytes(6, 200000))}, options, &payload,
                             nullptr, &error))
        << error;
    EXPECT_LT(payload.size(), 200000u * 104 / 100) << "level " << level;
  }
}

TEST(Compression, HigherLevelsDoNotLoseOnText) {
  Bytes text = TextLike(9, 300000);
  size_t sizes[4] = {};
  for (int level = 1; level <= 3; level++) {
    std::vector<uint8_t> payload;
    std::string error;
    ArchiveOptions options = AtLevel(level);
    ASSERT_TRUE(BuildPayload({FileEntry("t", text)}, options, &payload, nullptr, &error));
    sizes[level] = payload.size();
  }
  EXPECT_LE(sizes[2], sizes[1]);
  EXPECT_LE(sizes[3], sizes[2]);
}

// Runs longer than the longest match (4352) and repeats at the farthest
// distance (8192) must be coded as matches, and come back exactly.
TEST(LongMatches, RunsAndFarRepeatsAreMatchedAndRestored) {
  TempDir dir;
  Bytes run(3 * 4352 + 5000, 'x');
  Bytes pattern = RandomBytes(40, 8192);
  Bytes repeated = pattern;
  for (int i = 0; i < 4; i++) repeated.insert(repeated.end(), pattern.begin(), pattern.end());
  Bytes mixed = RandomBytes(41, 1000);
  Bytes tail(4353, 'y');
  mixed.insert(mixed.end(), tail.begin(), tail.end());
  std::vector<ArchiveEntry> entries = {FileEntry("run", run), FileEntry("repeated", repeated),
                                       FileEntry("mixed", mixed)};
  for (int level = 1; level <= 3; level++) {
    TempDir each;
    Extracted x = RoundTrip(each, entries, AtLevel(level));
    // The runs and the four repeats cost next to nothing beyond the
    // random bytes: 8 KB of the pattern and the 1000 of "mixed".
    EXPECT_LT(x.payload.size(), (8192u + 1000) * 103 / 100 + 400) << "level " << level;
  }
}

// Bytes in which no pair of neighbours occurs twice (a path through all
// 65536 pairs, each symbol followed by the largest one not yet used after
// it): nothing in them can be matched.
Bytes WithoutRepeats(size_t n) {
  std::vector<int> nextAfter(256, 255);
  Bytes out = {0};
  while (out.size() < n) {
    int& next = nextAfter[out.back()];
    if (next < 0) break;
    out.push_back((uint8_t)next--);
  }
  return out;
}

// Literals alone for tens of thousands of tokens between stretches of
// text: the distance tree stands still over many rebuild points, and the
// extractor must build the same trees as the writer after it.
TEST(LongMatches, ALongStretchOfLiteralsBetweenMatchedText) {
  Bytes plain = WithoutRepeats(30000);
  ASSERT_EQ(plain.size(), 30000u);
  Bytes data = TextLike(50, 6000);
  data.insert(data.end(), plain.begin(), plain.end());
  Bytes more = TextLike(51, 9000);
  data.insert(data.end(), more.begin(), more.end());
  for (int level = 1; level <= 3; level++) {
    TempDir dir;
    RoundTrip(dir, {FileEntry("mixed", data)}, AtLevel(level));
  }
}

}  // namespace
