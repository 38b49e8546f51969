// The ring that carries an extraction's items to the helper thread: every
// record arrives whole, in order, once, through the wrap and while the
// writer waits for room.
#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

#include "cli/idle_wait.h"
#include "cli/record_ring.h"

namespace {

// Record i holds its length in bytes derived from i.
uint8_t ByteOf(uint32_t i, size_t k) { return (uint8_t)(i * 131 + k * 7); }

TEST(RecordRing, RecordsCrossTheWrapWholeAndInOrder) {
  const uint32_t kRecords = 20000;
  RecordRing ring(4096);
  std::mt19937 random(99);
  std::vector<size_t> lengths(kRecords);
  for (auto& n : lengths) n = random() % (ring.largest() + 1);
  // The lengths end the records at every offset of the ring, so gaps of
  // every size appear.
  std::thread reader([&] {
    for (uint32_t i = 0; i < kRecords; i++) {
      size_t n = 0;
      const uint8_t* p;
      while (!(p = ring.Front(&n))) CpuPause();
      // On failure the reader goes on, so that the writer never hangs.
      EXPECT_EQ(n, lengths[i]) << "record " << i;
      size_t k = 0;
      while (k < n && k < lengths[i] && p[k] == ByteOf(i, k)) k++;
      EXPECT_EQ(k, lengths[i]) << "record " << i << " differs at byte " << k;
      ring.Pop();
    }
  });
  int waits = 0;
  for (uint32_t i = 0; i < kRecords; i++) {
    uint8_t* p;
    while (!(p = ring.Reserve(lengths[i]))) {
      waits++;
      CpuPause();
    }
    for (size_t k = 0; k < lengths[i]; k++) p[k] = ByteOf(i, k);
    ring.Commit();
  }
  reader.join();
  EXPECT_TRUE(ring.empty());
  EXPECT_GT(waits, 0) << "the writer never had to wait: the ring was not filled";
}

TEST(RecordRing, ARecordThatDoesNotFitWaitsForTheReader) {
  RecordRing ring(1024);
  ASSERT_NE(ring.Reserve(600), nullptr);
  ring.Commit();
  // 608 bytes are taken; the largest record fits neither behind them nor
  // at the start while the first record is unread.
  EXPECT_FALSE(ring.Fits(ring.largest()));
  EXPECT_EQ(ring.Reserve(ring.largest()), nullptr);
  size_t n = 0;
  ASSERT_NE(ring.Front(&n), nullptr);
  EXPECT_EQ(n, 600u);
  ring.Pop();
  EXPECT_TRUE(ring.empty());
  EXPECT_NE(ring.Reserve(ring.largest()), nullptr);
}

}  // namespace
