// Files too large to hold, coded as they are read: they make the very
// archive that holding them whole makes, at every level, protected or
// not, whatever the number of threads, and extract as they went in
// through both decoders, from memory and from disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "tests/roundtrip/patchwork.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "writer/payload_writer.h"

namespace {

Bytes Prefix(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + (long)n); }

// Limits small enough that most files here are coded as they are read,
// in many segments.
PayloadTuning SmallLimits() {
  PayloadTuning t;
  t.wholeFileLimit = 50000;
  t.segmentBytes = 20000;
  return t;
}

// Large files (for SmallLimits) between small ones and folders: one that
// borrows the start of the one before, one just at the limit and one
// just past it, an empty one, and small files that borrow from a large
// one.
std::vector<ArchiveEntry> LargeAmongSmall() {
  Bytes a = Patchwork(10, 300000);
  Bytes c = Patchwork(12, 90000);
  return {FileEntry("first.txt", TextLike(20, 20000), Moment(1), Moment(2), Moment(3)),
          FolderEntry("big"),
          FileEntry("big\\a", a, Moment(4), Moment(5), Moment(6)),
          FileEntry("big\\b", Concat(Prefix(a, 3000), Patchwork(11, 120000))),
          FileEntry("big\\at-limit", Patchwork(13, 50000)),
          FileEntry("big\\past-limit", Patchwork(14, 50001)),
          FileEntry("big\\empty", Bytes()),
          FileEntry("big\\c", c),
          FileEntry("small-after-a", Concat(Prefix(a, 2000), TextLike(21, 5000))),
          FileEntry("small-after-c", Prefix(c, 12000))};
}

// BuildPayload fills in the expected size, which WritePayload leaves to
// its caller: the rest must be the same.
void ExpectSamePayload(const Bytes& got, const Bytes& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  ASSERT_GE(got.size(), (size_t)kExpectedSizeBytes) << what;
  EXPECT_TRUE(std::equal(got.begin() + kExpectedSizeBytes, got.end(),
                         want.begin() + kExpectedSizeBytes))
      << what;
}

struct Case {
  int level;
  std::string password;
};

class LargeFiles : public ::testing::TestWithParam<Case> {};

TEST_P(LargeFiles, CodedAsReadTheyMakeTheArchiveThatHoldingThemWholeMakes) {
  const Case c = GetParam();
  std::vector<ArchiveEntry> entries = LargeAmongSmall();
  ArchiveOptions options = AtLevel(c.level);
  options.password = c.password;
  // At the usual limits every file here is held whole; the archive
  // extracts through both decoders.
  TempDir dir;
  Extracted whole = RoundTrip(dir, entries, options, B(c.password));
  EXPECT_EQ(whole.items.at(3).distance, 1);  // big\b borrows from big\a
  EXPECT_GE(whole.items.at(3).shared, 3000);

  uint64_t inputBytes = 0;
  for (const ArchiveEntry& e : entries) inputBytes += e.data.size();
  for (int threads : {1, 2, 3}) {
    options.threads = threads;
    Bytes streamed;
    VectorSink sink(&streamed);
    WriterStats stats;
    std::string error;
    ASSERT_TRUE(WritePayload(entries, options, &sink, &stats, &error, SmallLimits())) << error;
    ExpectSamePayload(streamed, whole.payload, std::to_string(threads) + " threads");
    EXPECT_EQ(stats.files, 9);
    EXPECT_EQ(stats.folders, 1);
    EXPECT_EQ(stats.inputBytes, inputBytes);
    EXPECT_EQ(stats.payloadBytes, streamed.size());
  }
}

INSTANTIATE_TEST_SUITE_P(LevelsAndKeys, LargeFiles,
                         ::testing::Values(Case{1, ""}, Case{1, "secret"}, Case{2, ""},
                                           Case{2, "secret"}, Case{3, ""}, Case{3, "x"}));

// At the usual limits: a file on disk past the whole-file limit, several
// segments long, between files that borrow from it and from the one
// before it.
TEST(LargeFiles, AFilePastTheUsualLimitRoundTripsFromDisk) {
  TempDir dir;
  Bytes data = Patchwork(40, (size_t)kWholeFileLimit + 3 * BodyEncoder::kDefaultSegment / 2);
  Bytes before = Prefix(data, 12000);
  ArchiveEntry big = FileEntry("big.bin", Bytes(), Moment(7), Moment(8), Moment(9));
  big.hostPath = dir / "big.bin";
  WriteFileBytes(big.hostPath, data);
  std::vector<ArchiveEntry> entries = {
      FileEntry("before.bin", before), big,
      FileEntry("after.bin", Concat(Prefix(data, 14000), TextLike(41, 3000)))};
  Bytes first;
  for (int level = 1; level <= 3; level++) {
    ArchiveOptions options = AtLevel(level);
    if (level == 2) options.password = "key";
    TempDir out;
    Extracted x = RoundTrip(out, entries, options, B(options.password));
    ASSERT_EQ(x.items.size(), 3u);
    EXPECT_EQ(x.items[1].size, (int32_t)data.size());
    EXPECT_EQ(x.items[1].distance, 1);   // the large file borrows its start...
    EXPECT_EQ(x.items[1].shared, 12000);
    EXPECT_EQ(x.items[2].distance, 1);   // ...and lends its own
    EXPECT_GE(x.items[2].shared, 14000);
    if (level == 1) first = x.payload;
  }
  // Whatever the number of threads.
  ArchiveOptions options = AtLevel(1);
  options.threads = 3;
  Bytes threaded;
  std::string error;
  ASSERT_TRUE(BuildPayload(entries, options, &threaded, nullptr, &error)) << error;
  EXPECT_TRUE(threaded == first);
}

}  // namespace
