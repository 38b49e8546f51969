// The item stream as the writer lays it out: Shift-JIS names, name reuse,
// folder entries, empty files, an empty input, and block boundaries.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "tests/roundtrip/roundtrip_support.h"
#include "writer/block_writer.h"
#include "writer/byte_sink.h"
#include "writer/item_stream_writer.h"

namespace {

// 表 ソ 能 十: double-byte characters whose second byte is 0x5C, the
// backslash.
const std::string kHyo = "\x95\x5C", kSo = "\x83\x5C", kNou = "\x94\x5C", kJuu = "\x8F\x5C";

TEST(Names, ShiftJisNamesWithBackslashTrailBytesInFilesAndFolders) {
  TempDir dir;
  std::string folder = kHyo + "\x8E\xA6";            // 表示
  std::string inner = folder + "\\" + kSo + "\x83\x74\x83\x67";  // ソフト
  std::vector<ArchiveEntry> entries = {
      FolderEntry(folder),
      FolderEntry(inner),
      FileEntry(inner + "\\" + kNou + "\x97\xCD.txt", TextLike(400, 5000), Moment(1), Moment(2), Moment(3)),
      FileEntry(inner + "\\" + kJuu, B("ten"), Moment(4), Moment(5), Moment(6)),
      FileEntry(folder + "\\" + kJuu + kHyo, Bytes(), Moment(7), Moment(8), Moment(9)),
  };
  Extracted x = RoundTrip(dir, entries);
  // The folders are there under their UTF-8 names on the host.
  EXPECT_TRUE(PathExists(x.outDir + "/表示/ソフト/能力.txt"));
  EXPECT_TRUE(PathExists(x.outDir + "/表示/十表"));
}

// Reuse takes N + 2 bytes of the previous name for N from 0 to 255.
TEST(Names, ReuseCountsZeroAndTwoHundredFiftyFive) {
  TempDir dir;
  std::vector<ArchiveEntry> entries = {
      FileEntry("ab1", B("one")),
      FileEntry("ab2", B("two")),                    // shares exactly "ab": * 0
      FileEntry("xy", B("three")),                   // shares nothing
      FolderEntry(std::string(200, 'L')),            // "LL..L\."
      FolderEntry(std::string(200, 'L') + "\\" + std::string(40, 'M')),
  };
  Extracted x = RoundTrip(dir, entries);
  Bytes items = ItemStreamOf(x.payload);
  std::string s(items.begin(), items.end());
  // ab2 right after ab1's record: "*", 0, "2", 0.
  EXPECT_NE(s.find(std::string("*\0" "2\0", 4)), std::string::npos);
  // The second folder shares 201 bytes with "LL..L\.": * 199.
  EXPECT_NE(s.find(std::string("*\xC7", 2) + std::string(40, 'M') + "\\."), std::string::npos);

  // Names longer than Windows takes are refused by the writer's checks, so
  // the longest reuse is written through the item stream alone: a name
  // sharing 292 bytes with the one before reuses only 257 (* 255) and
  // spells out the rest.
  Bytes stream;
  VectorSink sink(&stream);
  BlockWriter blocks(&sink, "");
  ItemStreamWriter writer(&blocks);
  std::string folder = std::string(200, 'L') + "\\" + std::string(90, 'M');
  writer.PutFolder(folder);
  writer.PutFile(folder + "\\f", FileRecord(), {});
  blocks.Finish();
  std::string plain(stream.begin(), stream.end() - 2);  // one block, its check behind
  EXPECT_NE(plain.find(std::string("*\xFF", 2) + std::string(34, 'M') + "\\f"),
            std::string::npos);
}

TEST(Items, EmptyFilesAndAFileThatIsAllSharedStart) {
  TempDir dir;
  Bytes data = TextLike(500, 3000);
  Bytes prefix(data.begin(), data.begin() + 1234);
  std::vector<ArchiveEntry> entries = {
      FileEntry("empty1", Bytes(), Moment(10), Moment(20), Moment(30)), FileEntry("data", data, Moment(1), Moment(2), Moment(3)),
      FileEntry("empty2", Bytes(), Moment(40), Moment(50), Moment(60)), FileEntry("prefix", prefix, Moment(4), Moment(5), Moment(6)),
      FileEntry("same", data, Moment(7), Moment(8), Moment(9))};
  for (int level = 1; level <= 3; level++) {
    TempDir each;
    Extracted x = RoundTrip(each, entries, AtLevel(level));
    ASSERT_EQ(x.items.size(), 5u);
    EXPECT_EQ(x.items[0].distance, 0);
    EXPECT_EQ(x.items[2].distance, 0);
    // Size equals K: nothing but the shared start.
    EXPECT_EQ(x.items[3].distance, 2);
    EXPECT_EQ(x.items[3].shared, 1234);
    EXPECT_EQ(x.items[4].shared, 3000);
  }
}

TEST(Items, AnEmptyInputStillExtracts) {
  TempDir dir;
  Extracted x = BuildAndExtract(dir, {});
  ASSERT_EQ(x.outcome.result, kExtractFinished) << x.outcome.detail;
  EXPECT_EQ(x.names, std::vector<std::string>{"."});
  EXPECT_EQ(x.outcome.folders, 1);
  EXPECT_EQ(x.outcome.files, 0);
}

TEST(Items, TheRootFolderEntryIsWrittenAsADot) {
  TempDir dir;
  std::vector<ArchiveEntry> entries = {FolderEntry("."), FileEntry("a", B("x"))};
  Extracted x = RoundTrip(dir, entries);
}

// Empty files cost 30 bytes of record plus the name, so names of chosen
// lengths make an item stream of an exact size.
std::vector<ArchiveEntry> EmptyFilesOfStreamLength(size_t total) {
  std::vector<ArchiveEntry> entries;
  const size_t kRecord = 1 + 24 + 4 + 1;  // name's zero, times, size, distance
  const int kFiles = 16;
  size_t names = total - kFiles * kRecord;
  for (int i = 0; i < kFiles; i++) {
    size_t len = names / kFiles + (i < (int)(names % kFiles) ? 1 : 0);
    // Distinct first letters: no name reuses another.
    entries.push_back(FileEntry(std::string(1, (char)('a' + i)) + std::string(len - 1, 'n'),
                                Bytes()));
  }
  return entries;
}

TEST(Blocks, StreamsOfExactlyOneBlockAndOneByteMore) {
  for (size_t total : {(size_t)4096, (size_t)4097}) {
    TempDir dir;
    std::vector<ArchiveEntry> entries = EmptyFilesOfStreamLength(total);
    Extracted x = RoundTrip(dir, entries);
    EXPECT_EQ(ItemStreamOf(x.payload).size(), total);
    // One full block, then (for 4097) a block of one byte and its trailer.
    size_t header = HeaderLengthOf(x.payload);
    EXPECT_EQ(x.payload.size(), header + (total == 4096 ? 4098u : 4098u + 3u));
  }
}

}  // namespace

namespace {

int OpenDescriptorCount() {
  return (int)std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                            std::filesystem::directory_iterator());
}

}  // namespace

// Files dealt out over more folders than the extractor keeps open, and
// back to each folder after it was dropped: every file lands in its own
// folder, and nothing stays open after the run.
TEST(Items, FilesDealtOverManyFoldersLandInTheirOwnAndNoFolderStaysOpen) {
  TempDir dir;
  std::vector<ArchiveEntry> entries;
  const int kFolders = 40;
  for (int f = 0; f < kFolders; f++) entries.push_back(FolderEntry("d" + std::to_string(f)));
  for (int round = 0; round < 3; round++)
    for (int f = 0; f < kFolders; f++) {
      std::string folder = "d" + std::to_string((f * 7 + round) % kFolders);
      entries.push_back(FileEntry(folder + "\\sub" + std::to_string(round % 2) + "\\f" +
                                      std::to_string(round) + "-" + std::to_string(f),
                                  TextLike((uint32_t)(round * 100 + f), 300)));
    }
  int before = OpenDescriptorCount();
  RoundTrip(dir, entries);
  EXPECT_EQ(OpenDescriptorCount(), before);
}
