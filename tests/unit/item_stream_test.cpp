// The item stream on hand-made archives: names, entries, references, damage.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/test_host.h"
#include "tests/unit/item_bytes.h"

// The one-literal body 0xAE 0x01 ("A"), the smallest non-empty body.
static const Bytes kBodyA = {0xAE, 0x01};

class ItemStreamTest : public ItemsExtractionTest {};

TEST_F(ItemStreamTest, FolderEntryThenNameReuse) {
  Bytes items = {0x61, 0x5C, 0x2E, 0x00};  // a\.
  Bytes reused = {0x2A, 0x00, 0x62};       // "*" 0: the first 2 bytes, then b
  AppendFileEntry(&items, reused, 1, 2, 3, 1, 0, 0, kBodyA);
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(o.folders, 1);
  EXPECT_EQ(o.files, 1);
  EXPECT_EQ(ReadFileBytes(out_ + "/a/b"), B("A"));
  EXPECT_EQ(CurrentTestHost().itemNames, (std::vector<std::string>{"a\\.", "a\\b"}));
  // Folder entries never change the status line.
  EXPECT_EQ(CurrentTestHost().statusLines,
            (std::vector<std::string>{"examining:.\\a\\b", "expanding:.\\a\\b"}));
}

TEST_F(ItemStreamTest, ReuseCountsAndAFirstItemThatReuses) {
  std::string longName(300, 'n');
  Bytes items;
  // The first item may start with "*": there is nothing to reuse.
  AppendFileEntry(&items, B("*\x05" "first"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFolderEntry(&items, B(longName.substr(0, 255) + "\\."));
  // 255 reuses 257 bytes: the 255 n's, the backslash and the dot.
  AppendFileEntry(&items, B("*\xFF" "x"), 1, 2, 3, 1, 0, 0, kBodyA);
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  const auto& names = CurrentTestHost().itemNames;
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "first");
  EXPECT_EQ(names[2], longName.substr(0, 255) + "\\.x");
  EXPECT_TRUE(PathExists(out_ + "/" + longName.substr(0, 255) + "/.x"));
}

TEST_F(ItemStreamTest, DotFolderEnsuresTheDestinationAndTimesAreSet) {
  Bytes items = {'.', 0};
  uint64_t c = FileTimeOf(1000000000, 1234567), a = FileTimeOf(1200000000, 7654321),
           w = FileTimeOf(1300000000, 5);
  AppendFileEntry(&items, B("empty.txt"), c, a, w, 0, 0, 0, {});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  struct stat st;
  ASSERT_EQ(stat((out_ + "/empty.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_atim.tv_sec, 1200000000);
  EXPECT_EQ(st.st_atim.tv_nsec, 765432100);
  EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 500);
  ASSERT_EQ(CurrentTestHost().items.size(), 2u);
  EXPECT_EQ(CurrentTestHost().items[1].creationTime, c);
}

TEST_F(ItemStreamTest, SharedBytesComeFromTheReferencedFile) {
  Bytes items;
  Bytes body4 = {0xA6, 0x57, 0xAB, 0x02};  // "aaaa"
  AppendFileEntry(&items, B("one"), 1, 2, 3, 4, 0, 0, body4);
  AppendFolderEntry(&items, B("d\\."));  // folders take no slot
  // Size equals K: the shared bytes only, no body.
  AppendFileEntry(&items, B("two"), 1, 2, 3, 3, 1, 3, {});
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(out_ + "/two"), B("aaa"));
}

TEST_F(ItemStreamTest, MalformedReferencesAreDamage) {
  struct Case { uint8_t distance; uint16_t shared; int32_t size; };
  for (Case c : {Case{2, 1, 1},      // nothing was ever in that slot
                 Case{1, 5, 5},      // K beyond the slot's stored length
                 Case{1, 2, 1},      // K beyond the file's size
                 Case{0, 0, -1}}) {  // a negative size
    ResetTestHost();
    Bytes items;
    AppendFileEntry(&items, B("one"), 1, 2, 3, 4, 0, 0, {0xA6, 0x57, 0xAB, 0x02});
    AppendFileEntry(&items, B("two"), 1, 2, 3, c.size, c.distance, c.shared, {});
    ExtractOutcome o = Extract(items);
    EXPECT_EQ(o.result, kExtractDamaged) << (int)c.distance << " " << c.shared;
    EXPECT_EQ(ReadFileBytes(out_ + "/one"), B("aaaa"));
    EXPECT_FALSE(PathExists(out_ + "/two"));
  }
}

TEST_F(ItemStreamTest, OverwriteAnswers) {
  Bytes items;
  AppendFileEntry(&items, B("keep"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("replace"), 1, 2, FileTimeOf(5), 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("later"), 1, 2, 3, 1, 0, 0, kBodyA);
  WriteFileBytes(out_ + "/keep", B("old"));
  WriteFileBytes(out_ + "/replace", B("old"));
  WriteFileBytes(out_ + "/later", B("old"));
  CurrentTestHost().answers = {kOverwriteNo, kOverwriteYes, kOverwriteCancel};
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractCancelled);
  EXPECT_EQ(ReadFileBytes(out_ + "/keep"), B("old"));
  EXPECT_EQ(ReadFileBytes(out_ + "/replace"), B("A"));
  EXPECT_EQ(ReadFileBytes(out_ + "/later"), B("old"));  // nothing deleted
  const auto& s = CurrentTestHost().statusLines;
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[1], "skipping:.\\keep");
  EXPECT_EQ(s[3], "expanding:.\\replace");
}

TEST_F(ItemStreamTest, CancelDuringABodyDeletesThatFileOnly) {
  Bytes items;
  AppendFileEntry(&items, B("first"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("second"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("third"), 1, 2, 3, 1, 0, 0, kBodyA);
  int pumps = 0;
  CurrentTestHost().onPump = [&](Extraction* x) {
    if (++pumps == 2) x->cancelRequested = 1;
  };
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractCancelled);
  EXPECT_EQ(ReadFileBytes(out_ + "/first"), B("A"));
  // The token in hand finishes, the file is closed and then deleted.
  EXPECT_FALSE(PathExists(out_ + "/second"));
  EXPECT_FALSE(PathExists(out_ + "/third"));
}

TEST_F(ItemStreamTest, FolderThatCannotBeMadeStopsWithItsPrefix) {
  WriteFileBytes(out_ + "/blocker", B("x"));
  Bytes items;
  AppendFileEntry(&items, B("ok"), 1, 2, 3, 1, 0, 0, kBodyA);
  AppendFileEntry(&items, B("blocker\\inner"), 1, 2, 3, 1, 0, 0, kBodyA);
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\blocker");
  EXPECT_TRUE(PathExists(out_ + "/ok"));
}

TEST_F(ItemStreamTest, FolderNameEndingInsideADoubleByteCharacterIsDamage) {
  Bytes items = {'x', 0x95, 0x5C, '.', 0};  // "x表." passes the byte test only
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractDamaged);
}

TEST_F(ItemStreamTest, ADamagedLaterBlockKeepsEarlierFilesAndDropsTheCurrentOne) {
  Bytes items;
  for (int i = 0; i < 100; i++)
    AppendFileEntry(&items, B("early" + std::to_string(i)), 1, 2, 3, 1, 0, 0, kBodyA);
  ASSERT_LT(items.size(), 4096u);
  // 255 long matches of the byte 'c': a body of about 1 KB that runs from
  // the first block into the second.
  FirstTreeBodyWriter body;
  body.Literal('c');
  for (int i = 0; i < 255; i++) body.LongMatch(4352, 1);
  const int32_t size = 1 + 255 * 4352;
  Bytes coded = body.Finish();
  AppendFileEntry(&items, B("current"), 1, 2, 3, size, 0, 0, coded);
  ASSERT_GT(items.size(), 4096u + 100u);
  {
    // Undamaged, the same stream gives the whole file.
    ExtractOutcome whole = Extract(items);
    ASSERT_EQ(whole.result, kExtractFinished) << whole.detail;
    EXPECT_EQ(ReadFileBytes(out_ + "/current"), Bytes((size_t)size, 'c'));
    std::filesystem::remove_all(out_);
    mkdir(out_.c_str(), 0777);
  }
  ProgramFile p;
  p.blockStream = MakeBlockStream(items);
  p.blockStream[4098 + 100] ^= 1;
  WriteFileBytes(dir_ / "p.exe", MakeProgramFile(p));
  ExtractOutcome o = ExtractProgramFile(dir_ / "p.exe", out_);
  EXPECT_EQ(o.result, kExtractDamaged);
  for (int i = 0; i < 100; i++)
    ASSERT_EQ(ReadFileBytes(out_ + "/early" + std::to_string(i)), B("A"));
  EXPECT_FALSE(PathExists(out_ + "/current"));
}
