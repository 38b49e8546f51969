// Coding on worker threads: the archive is the same byte for byte
// whatever the number of threads, at every level, and items keep their
// order however long each file takes to code.
#include <gtest/gtest.h>

#include <memory>

#include "tests/roundtrip/roundtrip_support.h"
#include "writer/ordered_file_coder.h"

namespace {

Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

// Files of very different coding times side by side, folders between
// them, families that borrow from each other, more files than the queue
// holds at once, and a run that outlives the ring (256 files).
std::vector<ArchiveEntry> MixedEntries() {
  std::vector<ArchiveEntry> entries;
  Bytes shared = TextLike(500, 3000);
  for (int i = 0; i < 300; i++) {
    if (i % 40 == 0) entries.push_back(FolderEntry("d" + std::to_string(i)));
    std::string name = "d" + std::to_string(i - i % 40) + "\\f" + std::to_string(i);
    Bytes data;
    switch (i % 6) {
      case 0: data = TextLike(600 + (uint32_t)i, 60000 + (size_t)i * 7); break;
      case 1: data = Concat(shared, TextLike(700 + (uint32_t)i, 500)); break;
      case 2: data = RandomBytes(800 + (uint32_t)i, (size_t)i * 13); break;
      case 3: data = Bytes(); break;
      case 4: data = Concat(TextLike(900, 100), RandomBytes(901 + (uint32_t)i, 40)); break;
      default: data = TextLike(1000 + (uint32_t)(i % 3), 20000); break;
    }
    entries.push_back(FileEntry(name, data, Moment(i), Moment(i + 1), Moment(i + 2)));
  }
  return entries;
}

class ThreadRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(ThreadRoundTrip, ArchivesAreTheSameWhateverTheNumberOfThreads) {
  std::vector<ArchiveEntry> entries = MixedEntries();
  ArchiveOptions options = AtLevel(GetParam());
  options.threads = 1;
  Bytes single;
  std::string error;
  ASSERT_TRUE(BuildPayload(entries, options, &single, nullptr, &error)) << error;
  for (int threads : {2, 3, 8}) {
    options.threads = threads;
    Bytes threaded;
    ASSERT_TRUE(BuildPayload(entries, options, &threaded, nullptr, &error)) << error;
    ASSERT_EQ(threaded.size(), single.size()) << threads << " threads";
    EXPECT_TRUE(threaded == single) << threads << " threads";
  }
  // And what the threads made extracts as it went in.
  TempDir dir;
  options.threads = 4;
  RoundTrip(dir, entries, options);
}

INSTANTIATE_TEST_SUITE_P(Levels, ThreadRoundTrip, ::testing::Values(1, 2, 3));

// The queue itself: items come out in the order they went in, folders
// (no job) in their place, with any number of workers, also when the
// byte bound lets only one file in at a time.
TEST(OrderedFileCoder, DeliversInInputOrderUnderEveryBound) {
  for (size_t bound : {(size_t)1, (size_t)100000, (size_t)64 << 20}) {
    for (int threads : {1, 2, 5}) {
      std::vector<size_t> order;
      std::vector<int32_t> sizes;
      ReferenceChooser chooser(SettingsForLevel(2).choice);
      {
        OrderedFileCoder coder(
            SettingsForLevel(2), threads,
            [&](size_t tag, const EncodedFile* coded) {
              order.push_back(tag);
              sizes.push_back(coded ? coded->size : -1);
            },
            bound);
        for (size_t i = 0; i < 120; i++) {
          if (i % 7 == 3) {
            coder.Add(i, nullptr);
            continue;
          }
          std::unique_ptr<FileJob> job(new FileJob);
          // Long and short files alternate, so later ones finish first.
          size_t n = i % 2 ? 50 : 30000 + i;
          PlanFile(&chooser, TextLike(2000 + (uint32_t)i, n), job.get());
          coder.Add(i, std::move(job));
        }
        coder.Finish();
      }
      ASSERT_EQ(order.size(), 120u) << bound << " " << threads;
      for (size_t i = 0; i < order.size(); i++) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(sizes[i], i % 7 == 3 ? -1 : (int32_t)(i % 2 ? 50 : 30000 + i)) << i;
      }
    }
  }
}

// A coder dropped before Finish (a read failure stops the writer midway)
// stops its workers and returns; what it delivered is a prefix of the
// input, in order.
TEST(OrderedFileCoder, StopsCleanlyWhenDroppedMidway) {
  ReferenceChooser chooser(SettingsForLevel(3).choice);
  std::vector<size_t> delivered;
  {
    OrderedFileCoder coder(SettingsForLevel(3), 3,
                           [&](size_t tag, const EncodedFile*) { delivered.push_back(tag); });
    for (size_t i = 0; i < 20; i++) {
      std::unique_ptr<FileJob> job(new FileJob);
      PlanFile(&chooser, TextLike(3000 + (uint32_t)i, 40000), job.get());
      coder.Add(i, std::move(job));
    }
  }
  for (size_t i = 0; i < delivered.size(); i++) EXPECT_EQ(delivered[i], i);
}

}  // namespace
