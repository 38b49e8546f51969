// The platform layer over memory, on which the fuzz targets' checks rest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fuzz/memory_platform.h"

namespace {

std::vector<uint8_t> Program() { return {'M', 'Z', 1, 2, 3, 4, 5}; }

OsFile WriteFile(const char* path, const std::string& text) {
  OsFile f = OsCreateFile(nullptr, path);
  int put = 0;
  if (f != kNoFile) {
    EXPECT_TRUE(OsWrite(f, text.data(), (int)text.size(), &put));
  }
  return f;
}

std::string Contents(const char* path) {
  MemoryEntry e;
  if (!MemoryLookUp(path, &e)) return "<none>";
  return std::string(e.data.begin(), e.data.end());
}

class MemoryPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override { MemoryReset(program_.data(), program_.size(), 1000); }
  std::vector<uint8_t> program_ = Program();
};

TEST_F(MemoryPlatformTest, AnyNativePathOpensTheProgramReadOnly) {
  OsFile f = OsOpenNative("whatever.exe");
  ASSERT_NE(f, kNoFile);
  EXPECT_EQ(OsFileSize(f), 7);
  ASSERT_TRUE(OsSeek(f, 5));
  uint8_t buf[8];
  int got = -1;
  ASSERT_TRUE(OsRead(f, buf, 8, &got));
  EXPECT_EQ(got, 2);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(OsTell(f), 7);
  int put = -1;
  EXPECT_FALSE(OsWrite(f, buf, 1, &put));
  EXPECT_FALSE(OsSetFileTimes(f, 1, 2, 3));
  EXPECT_EQ(MemoryOpenFiles(), 1);
  EXPECT_TRUE(OsClose(f));
  EXPECT_FALSE(OsClose(f));
  EXPECT_EQ(MemoryOpenFiles(), 0);
}

TEST_F(MemoryPlatformTest, FilesNeedTheirFolderAndSpellingsMeetInOneEntry) {
  EXPECT_EQ(OsCreateFile(nullptr, ".\\a\\f"), kNoFile);
  ASSERT_TRUE(OsCreateFolder(nullptr, ".\\a\\"));
  EXPECT_FALSE(OsCreateFolder(nullptr, "a"));  // exists already
  OsFile f = WriteFile(".\\a\\f", "abc");
  ASSERT_NE(f, kNoFile);
  ASSERT_TRUE(OsSetFileTimes(f, 10, 20, 30));
  ASSERT_TRUE(OsClose(f));
  EXPECT_EQ(Contents("a/f"), "abc");
  EXPECT_EQ(OsProbeEntry(nullptr, "a\\.\\\\f"), kEntryFile);
  EXPECT_EQ(OsProbeEntry(nullptr, ".\\a"), kEntryFolder);
  EXPECT_EQ(OsProbeEntry(nullptr, ".\\"), kEntryFolder);
  MemoryEntry e;
  ASSERT_TRUE(MemoryLookUp("a\\f", &e));
  EXPECT_EQ(e.path, "a\\f");
  EXPECT_EQ(e.creationTime, 10u);
  EXPECT_EQ(e.accessTime, 20u);
  EXPECT_EQ(e.writeTime, 30u);
  EXPECT_EQ(OsCreateFile(nullptr, "a"), kNoFile);  // a folder is there
  EXPECT_EQ(OsCreateNewFile(nullptr, "a\\f"), kNoFile);
}

TEST_F(MemoryPlatformTest, TheSecondByteOfADoubleByteCharacterIsNoSeparator) {
  // 表 is 0x95 0x5C: one level at the root, not a folder "\x95".
  OsFile f = WriteFile(".\\\x95\x5C", "x");
  ASSERT_NE(f, kNoFile);
  OsClose(f);
  std::vector<MemoryEntry> all = MemoryEntries();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].path, "\x95\x5C");
  EXPECT_FALSE(all[0].isFolder);
  // 0xEE 0x3A is one character too: its 0x3A is no colon.
  EXPECT_TRUE(OsCreateFolder(nullptr, "\xEE\x3A"));
  EXPECT_EQ(MemoryEscapes(), 0);
}

TEST_F(MemoryPlatformTest, PathsThatLeaveTheDestinationAreRefusedAndCounted) {
  ASSERT_TRUE(OsCreateFolder(nullptr, "a"));
  EXPECT_EQ(OsCreateFile(nullptr, "a\\..\\..\\x"), kNoFile);
  EXPECT_EQ(OsCreateFile(nullptr, "\\x"), kNoFile);
  EXPECT_FALSE(OsCreateFolder(nullptr, "C:x"));
  EXPECT_EQ(OsProbeEntry(nullptr, "a/../a"), kEntryNone);
  EXPECT_EQ(MemoryEscapes(), 4);
  EXPECT_EQ(MemoryEntries().size(), 1u);
}

TEST_F(MemoryPlatformTest, WritesPastTheQuotaFailAndDeletingGivesRoomBack) {
  OsFile f = OsCreateFile(nullptr, "big");
  ASSERT_NE(f, kNoFile);
  std::string chunk(600, 'x');
  int put = -1;
  ASSERT_TRUE(OsWrite(f, chunk.data(), 600, &put));
  EXPECT_FALSE(OsWrite(f, chunk.data(), 600, &put));  // 1000 bytes in all
  EXPECT_EQ(put, 0);
  EXPECT_TRUE(OsSeek(f, 0));
  EXPECT_TRUE(OsWrite(f, chunk.data(), 600, &put));  // overwriting costs nothing
  EXPECT_FALSE(OsSeek(f, -1));
  ASSERT_TRUE(OsClose(f));
  size_t used = MemoryBytesUsed();
  EXPECT_GE(used, 600u);
  ASSERT_TRUE(OsDeleteFile(nullptr, "big"));
  EXPECT_FALSE(OsDeleteFile(nullptr, "big"));
  EXPECT_EQ(MemoryBytesUsed(), 0u);
}

TEST_F(MemoryPlatformTest, ReplaceMovesAFileOverAnotherInOneStep) {
  OsClose(WriteFile("old", "old"));
  OsClose(WriteFile("new.tmp", "new"));
  ASSERT_TRUE(OsReplaceFile(nullptr, "new.tmp", "old"));
  EXPECT_EQ(Contents("old"), "new");
  EXPECT_EQ(OsProbeEntry(nullptr, "new.tmp"), kEntryNone);
  ASSERT_TRUE(OsCreateFolder(nullptr, "d"));
  EXPECT_FALSE(OsReplaceFile(nullptr, "old", "d"));
  EXPECT_FALSE(OsReplaceFile(nullptr, "missing", "old"));
  EXPECT_EQ(Contents("old"), "new");
}

TEST_F(MemoryPlatformTest, AllocationsAreCountedAndCanBeMadeToFail) {
  void* p = OsAlloc(1 << 20);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(MemoryLiveAllocs(), 1);
  OsFree(p);
  EXPECT_EQ(MemoryLiveAllocs(), 0);
  void* again = OsAlloc(1 << 20);  // the block kept from before
  ASSERT_NE(again, nullptr);
  OsFree(again);
  MemoryFailAllocs(true);
  EXPECT_EQ(OsAlloc(16), nullptr);
  EXPECT_EQ(MemoryLiveAllocs(), 0);
}

TEST(MemoryCharNext, StepsOverDoubleByteCharactersButNotPastTheEnd) {
  const char* s = "\x95\x5C" "a";
  EXPECT_EQ(OsCharNext(s), s + 2);
  EXPECT_EQ(OsCharNext(s + 2), s + 3);
  EXPECT_EQ(OsCharNext(s + 3), s + 3);
  const char* cut = "\x95";
  EXPECT_EQ(OsCharNext(cut), cut + 1);
}

}  // namespace

namespace {

FileTime CreationOf(const char* path) {
  MemoryEntry e;
  return MemoryLookUp(path, &e) ? e.creationTime : 0;
}

}  // namespace

TEST_F(MemoryPlatformTest, ANameUsedAgainTakesTheCreationTimeOfTheFileItHeld) {
  OsFile f = WriteFile("a", "old");
  ASSERT_TRUE(OsSetFileTimes(f, 100, 200, 300));
  OsClose(f);
  // Moved over: the new file takes the old one's creation time...
  f = WriteFile("new", "new");
  ASSERT_TRUE(OsSetFileTimes(f, 555, 666, 777));
  OsClose(f);
  ASSERT_TRUE(OsReplaceFile(nullptr, "new", "a"));
  EXPECT_EQ(CreationOf("a"), 100u);
  // ...until times are set on it in its place.
  f = OsOpenExisting(nullptr, "a");
  ASSERT_NE(f, kNoFile);
  ASSERT_TRUE(OsSetFileTimes(f, 555, 666, 777));
  OsClose(f);
  EXPECT_EQ(CreationOf("a"), 555u);
  // Deleted, then made again under the same name.
  ASSERT_TRUE(OsDeleteFile(nullptr, "a"));
  OsClose(WriteFile("a", "again"));
  EXPECT_EQ(CreationOf("a"), 555u);
}

TEST_F(MemoryPlatformTest, AReadOnlyFileOrAFolderCannotBeReplaced) {
  OsClose(WriteFile("ro", "kept"));
  ASSERT_TRUE(OsCreateFolder(nullptr, "dir"));
  OsClose(WriteFile("other", "x"));
  EXPECT_TRUE(OsCanReplace(nullptr, "ro"));
  EXPECT_TRUE(OsCanReplace(nullptr, "missing"));
  ASSERT_TRUE(MemorySetReadOnly("ro", true));
  EXPECT_FALSE(OsCanReplace(nullptr, "ro"));
  EXPECT_FALSE(OsCanReplace(nullptr, "dir"));
  EXPECT_EQ(OsCreateFile(nullptr, "ro"), kNoFile);
  EXPECT_FALSE(OsReplaceFile(nullptr, "other", "ro"));
  EXPECT_FALSE(OsDeleteFile(nullptr, "ro"));
  EXPECT_EQ(Contents("ro"), "kept");
  ASSERT_TRUE(MemorySetReadOnly("ro", false));
  EXPECT_TRUE(OsReplaceFile(nullptr, "other", "ro"));
  EXPECT_EQ(Contents("ro"), "x");
}
