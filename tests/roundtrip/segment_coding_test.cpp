// Coding through a sliding window: a file's body is the same whatever the
// segment size and whether the file is held whole or coded as it is read,
// and the coding stops when its input fails or its output says so.
#include <gtest/gtest.h>

#include <random>

#include "tests/roundtrip/patchwork.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "writer/file_encoder.h"

namespace {

// An earlier file, then the file under test, which starts with the
// earlier file's first 5000 bytes: a reference with a shared start and a
// preset history.
struct Pair {
  Bytes earlier = Patchwork(1, 30000);
  Bytes file = Concat(Bytes(earlier.begin(), earlier.begin() + 5000), Patchwork(2, 250000));
};

// Plans the pair with a fresh ring; the file's job holds `held` bytes of
// it (all of them when held is the file's size).
FileJob PlanPair(const Pair& p, const LevelSettings& settings, size_t held) {
  ReferenceChooser chooser(settings.choice);
  FileJob first;
  PlanFile(&chooser, p.earlier, &first);
  FileJob job;
  PlanFileStart(&chooser, Bytes(p.file.begin(), p.file.begin() + held),
                (int32_t)p.file.size(), &job);
  return job;
}

class SegmentCoding : public ::testing::TestWithParam<int> {};

TEST_P(SegmentCoding, TheBodyIsTheSameWhateverTheSegmentSize) {
  const LevelSettings settings = SettingsForLevel(GetParam());
  Pair p;
  FileJob whole = PlanPair(p, settings, p.file.size());
  EncodedFile reference;
  FileEncoder(settings).Encode(whole, &reference);
  ASSERT_EQ(reference.distance, 1);
  ASSERT_GE(reference.shared, 5000);
  ASSERT_GT(reference.body.size(), 1000u);

  for (int32_t segment : {337, 4096, 65536}) {
    FileEncoder encoder(settings, segment);
    EncodedFile held;
    encoder.Encode(whole, &held);
    EXPECT_TRUE(held.body == reference.body) << "whole, segment " << segment;

    // As it is read: the job holds the start, the rest comes as needed,
    // and the body is taken out between segments.
    FileJob start = PlanPair(p, settings, (size_t)kPlannedBytes);
    EncodedFile chosen;
    const FileJob::Option& option = encoder.Choose(start, &chosen);
    EXPECT_EQ(chosen.size, reference.size);
    EXPECT_EQ(chosen.distance, reference.distance);
    EXPECT_EQ(chosen.shared, reference.shared);
    MemorySource rest(p.file.data() + kPlannedBytes, p.file.size() - kPlannedBytes);
    Bytes body, taken;
    int segments = 0;
    auto takeOut = [&] {
      segments++;
      taken.insert(taken.end(), body.begin(), body.end());
      body.clear();
      return true;
    };
    ASSERT_TRUE(encoder.EncodeRest(start, option, &rest, &body, takeOut)) << segment;
    taken.insert(taken.end(), body.begin(), body.end());
    EXPECT_TRUE(taken == reference.body) << "as read, segment " << segment;
    // The window slid all along the file: a segment's worth at least,
    // and at most that and the look-ahead, at a time.
    EXPECT_GE(segments, (int)(p.file.size() / ((size_t)segment + 16384))) << segment;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, SegmentCoding, ::testing::Values(1, 2, 3));

// Counts the bytes taken from another source.
class CountingSource : public BodySource {
 public:
  explicit CountingSource(BodySource* inner) : inner_(inner) {}
  bool Read(uint8_t* into, size_t n) override {
    taken += n;
    return inner_->Read(into, n);
  }
  size_t taken = 0;

 private:
  BodySource* inner_;
};

TEST(SegmentCoding, StopsWhenTheInputFailsOrTheOutputSaysSo) {
  const LevelSettings settings = SettingsForLevel(2);
  Pair p;
  FileJob start = PlanPair(p, settings, (size_t)kPlannedBytes);
  FileEncoder encoder(settings, 4096);
  EncodedFile chosen;
  const FileJob::Option& option = encoder.Choose(start, &chosen);
  const size_t restLength = p.file.size() - kPlannedBytes;
  Bytes body;

  // The input ends 1000 bytes early.
  MemorySource shortRest(p.file.data() + kPlannedBytes, restLength - 1000);
  EXPECT_FALSE(encoder.EncodeRest(start, option, &shortRest, &body, nullptr));

  // The output refuses after the third segment: the coding ends there,
  // long before the input does.
  body.clear();
  MemorySource rest(p.file.data() + kPlannedBytes, restLength);
  CountingSource counted(&rest);
  int segments = 0;
  auto refuse = [&] { return ++segments < 3; };
  EXPECT_FALSE(encoder.EncodeRest(start, option, &counted, &body, refuse));
  EXPECT_EQ(segments, 3);
  EXPECT_LT(counted.taken, restLength / 4);

  // And the same encoder codes the next body in full, as a fresh one does.
  body.clear();
  MemorySource again(p.file.data() + kPlannedBytes, restLength);
  EXPECT_TRUE(encoder.EncodeRest(start, option, &again, &body, nullptr));
  EncodedFile fresh;
  FileEncoder(settings).Encode(PlanPair(p, settings, p.file.size()), &fresh);
  EXPECT_TRUE(body == fresh.body);
}

}  // namespace
