// Files that borrow from earlier files: the shared start K, the preset
// history, the ring of 256 slots and its wrap-around.
#include <gtest/gtest.h>

#include "engine/reference_ring.h"
#include "tests/roundtrip/roundtrip_support.h"

namespace {

// The slot that a file entry's record refers to, by file entry number.
int ReferencedFile(const std::vector<ItemRecord>& items, size_t index) {
  int fileNumber = 0;
  std::vector<int> numbers;
  for (size_t i = 0; i < items.size(); i++) numbers.push_back(items[i].isFolder ? -1 : fileNumber++);
  return numbers[index] - items[index].distance;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out = a;
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

class ReferenceRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(ReferenceRoundTrip, ASharedStartIsTakenFromTheEarlierFile) {
  TempDir dir;
  Bytes base = TextLike(100, 30000);
  Bytes edited = base;
  edited[20000] ^= 0x55;  // same first 20000 bytes: K is capped at 16384
  Bytes shortStart(base.begin(), base.begin() + 700);
  Bytes longer = Concat(shortStart, RandomBytes(101, 3000));
  std::vector<ArchiveEntry> entries = {
      FileEntry("base.txt", base), FolderEntry("sub"),
      FileEntry("sub\\edited.txt", edited), FileEntry("sub\\start.txt", shortStart),
      FileEntry("sub\\longer.txt", longer)};
  ArchiveOptions options = AtLevel(GetParam());
  Extracted x = RoundTrip(dir, entries, options);
  ASSERT_EQ(x.items.size(), 5u);
  // edited: the whole slot of base (16384 bytes) is its start.
  EXPECT_EQ(ReferencedFile(x.items, 2), 0);
  EXPECT_EQ(x.items[2].shared, kSlotBytes);
  // start.txt is base's first 700 bytes: size equals K, an empty body.
  EXPECT_NE(x.items[3].distance, 0);
  EXPECT_EQ(x.items[3].shared, 700);
  EXPECT_EQ(x.items[3].size, 700);
  // longer starts like both of them.
  EXPECT_NE(x.items[4].distance, 0);
  EXPECT_EQ(x.items[4].shared, 700);
  // base alone is paid for: the others add little.
  std::vector<uint8_t> alone;
  std::string error;
  ASSERT_TRUE(BuildPayload({entries[0]}, options, &alone, nullptr, &error));
  EXPECT_LT(x.payload.size(), alone.size() + 3000 * 103 / 100 + 13616 / 2 + 400);
}

TEST_P(ReferenceRoundTrip, AResemblingFileUsesThePresetHistory) {
  TempDir dir;
  // Two files with the same body of text behind different first lines:
  // no shared start worth the name, but the earlier file's first 8 KB
  // hold almost all of the later one.
  Bytes body = TextLike(200, 6000);
  Bytes first = Concat(B("first header line\n"), body);
  Bytes second = Concat(B("another opening\n"), body);
  Bytes unrelated = RandomBytes(201, 5000);
  std::vector<ArchiveEntry> entries = {FileEntry("a.txt", first), FileEntry("b.bin", unrelated),
                                       FileEntry("c.txt", second)};
  ArchiveOptions options = AtLevel(GetParam());
  Extracted x = RoundTrip(dir, entries, options);
  ASSERT_EQ(x.items.size(), 3u);
  EXPECT_EQ(ReferencedFile(x.items, 2), 0) << "c.txt should borrow from a.txt";
  EXPECT_LT(x.items[2].shared, 10);
  // c.txt then costs a few bytes instead of thousands.
  std::vector<uint8_t> withoutC;
  std::string error;
  ASSERT_TRUE(BuildPayload({entries[0], entries[1]}, options, &withoutC, nullptr, &error));
  EXPECT_LT(x.payload.size(), withoutC.size() + 200);
}

INSTANTIATE_TEST_SUITE_P(Levels, ReferenceRoundTrip, ::testing::Values(1, 2, 3));

// More than 256 files: slots are reused, references reach back at most
// 255 file entries, and every one of them still resolves to the right
// bytes. Folders in between take no slot.
TEST(ReferenceRing, ReferencesResolveAfterTheRingWraps) {
  TempDir dir;
  std::vector<ArchiveEntry> entries;
  // Families of files with the same start recur every 70 files. Besides
  // them, file 555 repeats file 300 (255 file entries back, the farthest
  // reach) and file 557 repeats file 301 (256 back: out of reach).
  Bytes far = RandomBytes(7000, 900), tooFar = RandomBytes(7001, 900);
  std::vector<size_t> index;  // entry index of each file
  for (int i = 0; i < 600; i++) {
    if (i % 97 == 0) entries.push_back(FolderEntry("d" + std::to_string(i)));
    Bytes data;
    if (i == 300 || i == 555) {
      data = far;
    } else if (i == 301 || i == 557) {
      data = tooFar;
    } else {
      // Members 70, 140 and 210 apart differ right after the start, so
      // the shared start is the same with each: the nearest is taken.
      int family = i % 70;
      Bytes own = Concat({(uint8_t)i}, RandomBytes(5000 + (uint32_t)i, (size_t)(i % 5) * 11));
      data = Concat(TextLike(1000 + (uint32_t)family, 300 + family * 7), own);
    }
    index.push_back(entries.size());
    entries.push_back(FileEntry("f" + std::to_string(i), data, TimeOf(1600000000 + i, 0),
                                TimeOf(1600000001 + i, 0), TimeOf(1600000002 + i, 0)));
  }
  Extracted x = RoundTrip(dir, entries, AtLevel(1));
  ASSERT_EQ(x.items.size(), entries.size());
  int referencing = 0;
  for (int i = 70; i < 600; i++) {
    const ItemRecord& it = x.items[index[i]];
    if (i == 300 || i == 301 || i == 557) {
      EXPECT_EQ(it.distance, 0) << "file " << i;
    } else if (i == 555) {
      EXPECT_EQ(it.distance, 255);
      EXPECT_EQ(it.shared, 900);
    } else {
      // 370 and 371 skip the special files in their families.
      EXPECT_EQ(it.distance, i == 370 || i == 371 ? 140 : 70) << "file " << i;
      EXPECT_GE(it.shared, 300) << "file " << i;
    }
    referencing += it.distance != 0;
  }
  EXPECT_EQ(referencing, 530 - 3);
}

}  // namespace
