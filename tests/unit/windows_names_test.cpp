// Item names with separators as Windows reads them: '/' separates as '\'
// does, a run of separators is one, and a folder chain that meets an
// empty level fails at it where the folder before it exists, as the
// Windows extractor's chain does (the name that ends with a separator is
// no existing folder there, and making that folder again fails).
#include <gtest/gtest.h>

#include <string>

#include "platform/host_platform.h"
#include "tests/test_host.h"
#include "tests/unit/item_bytes.h"

namespace {

const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"

std::string Mapped(const char* archivePath) {
  char out[256];
  int n = MapArchivePath(archivePath, out, sizeof out);
  return n < 0 ? "error " + std::to_string(n) : std::string(out, (size_t)n);
}

class WindowsNamesTest : public ItemsExtractionTest {
 protected:
  static void AddFile(Bytes* items, const std::string& name) {
    AppendFileEntry(items, B(name), 1, 2, 3, 1, 0, 0, kBodyA);
  }
};

}  // namespace

TEST(MapArchivePath, SeparatorsAsWindowsReadsThem) {
  EXPECT_EQ(Mapped("a\\b.txt"), "a/b.txt");
  EXPECT_EQ(Mapped("a\\\\b.txt"), "a/b.txt");       // an empty level
  EXPECT_EQ(Mapped("a/\\b.txt"), "a/b.txt");        // a slash before a backslash
  EXPECT_EQ(Mapped("a\\/\\//b.txt"), "a/b.txt");
  EXPECT_EQ(Mapped(".\\a\\\\"), "a/");              // one separator stays at the end
  EXPECT_EQ(Mapped("a\\.\\b\\."), "a/b");             // levels "." go
  EXPECT_EQ(Mapped(".\\"), "");
  EXPECT_EQ(Mapped("\\\\srv\\x"), "/srv/x");
  // 表 (0x95 0x5C) is one character whose second byte is no separator.
  EXPECT_EQ(Mapped("\x95\x5C\\\\\x95\x5C.txt"), "\xE8\xA1\xA8/\xE8\xA1\xA8.txt");
  EXPECT_EQ(Mapped("\x95\x5C"), "\xE8\xA1\xA8");
  EXPECT_EQ(Mapped("a\\\x81"), "error -1");         // a lead byte at the end
}

TEST_F(WindowsNamesTest, SlashBeforeBackslashLandsAsOneLevel) {
  Bytes items;
  AddFile(&items, "a/\\b.txt");
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail << " " << o.failedPrefix;
  EXPECT_EQ(ReadFileBytes(out_ + "/a/b.txt"), B("A"));
  EXPECT_EQ(TreeContents(out_).size(), 2u);  // a/ and a/b.txt, nothing else
}

TEST_F(WindowsNamesTest, SlashAloneSeparatesBelowAFolderThatExists) {
  // The chain splits at backslashes only, so "x/" is never made for
  // "x/y.txt"; the file lands where "x" exists, and fails where it does
  // not, as on Windows.
  Bytes items;
  AppendFolderEntry(&items, B("x\\."));
  AddFile(&items, "x/y.txt");
  AddFile(&items, "none/z.txt");
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractWriteFailed);
  EXPECT_EQ(o.where, ".\\none/z.txt");
  EXPECT_EQ(ReadFileBytes(out_ + "/x/y.txt"), B("A"));
  EXPECT_FALSE(PathExists(out_ + "/none"));
}

TEST_F(WindowsNamesTest, AnEmptyLevelStopsTheChainWhereTheFolderBeforeItExists) {
  // "a\\b.txt": the chain makes "a", then asks for "a\" once more.
  Bytes items;
  AddFile(&items, "first.txt");
  AddFile(&items, "a\\\\b.txt");
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\a\\");
  EXPECT_EQ(ReadFileBytes(out_ + "/first.txt"), B("A"));
  EXPECT_TRUE(PathExists(out_ + "/a"));
  EXPECT_FALSE(PathExists(out_ + "/a/b.txt"));
}

TEST_F(WindowsNamesTest, ASlashLevelWorksOnceThenMeetsItsOwnFolder) {
  // "a/" is made while "a" is missing; the next name through "a/" asks to
  // make it again.
  Bytes items;
  AddFile(&items, "a/\\b.txt");
  AddFile(&items, "a/\\c.txt");
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\a/");
  EXPECT_EQ(ReadFileBytes(out_ + "/a/b.txt"), B("A"));
  EXPECT_FALSE(PathExists(out_ + "/a/c.txt"));
}

TEST_F(WindowsNamesTest, FolderEntryWithAnEmptyLevelFailsAtIt) {
  Bytes items;
  AppendFolderEntry(&items, B("p\\\\q\\."));
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractFolderFailed);
  EXPECT_EQ(o.failedPrefix, ".\\p\\");
  EXPECT_FALSE(PathExists(out_ + "/p/q"));
}

TEST_F(WindowsNamesTest, ANameEndingInADoubleByteTailIsNoFolderPath) {
  // 表 (0x95 0x5C) ends the folder's name: it is a folder like any other,
  // found again for the second file.
  Bytes items;
  AddFile(&items, "\x95\x5C\\x.txt");
  AddFile(&items, "\x95\x5C\\y.txt");
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail << " " << o.failedPrefix;
  EXPECT_EQ(ReadFileBytes(out_ + "/\xE8\xA1\xA8/x.txt"), B("A"));
  EXPECT_EQ(ReadFileBytes(out_ + "/\xE8\xA1\xA8/y.txt"), B("A"));
}

TEST_F(WindowsNamesTest, AFileNameEndingWithASeparatorIsNoFile) {
  Bytes items;
  AddFile(&items, "f/");
  ExtractOutcome o = Extract(items);
  EXPECT_EQ(o.result, kExtractWriteFailed);
  EXPECT_FALSE(PathExists(out_ + "/f"));
}

TEST_F(WindowsNamesTest, WindowsBytesOfCodePage932AreNamesToo) {
  // 0x80, 0xA0 and 0xFD-0xFF map on Windows (U+0080, U+F8F0-U+F8F3), and
  // so a user-defined character (0xF040, U+E000).
  Bytes items;
  AddFile(&items, "\x80\xA0\xFD\xFE\xFF.txt");
  AddFile(&items, "\xF0\x40.txt");
  ExtractOutcome o = Extract(items);
  ASSERT_EQ(o.result, kExtractFinished) << o.detail;
  EXPECT_EQ(ReadFileBytes(out_ + "/\xC2\x80\xEF\xA3\xB0\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3.txt"),
            B("A"));
  EXPECT_EQ(ReadFileBytes(out_ + "/\xEE\x80\x80.txt"), B("A"));
}
