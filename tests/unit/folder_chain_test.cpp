// Folder chains: outermost first, double-byte names, the failing prefix.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "paths/folder_chain.h"
#include "tests/test_files.h"

static int Chain(std::string path) { return MakeFolderChain(nullptr, &path[0], 0); }

TEST(MakeFolderChain, CreatesOutermostFirstAndReportsTheFailingPrefix) {
  TempDir dir;
  std::string base = dir.path();
  EXPECT_EQ(Chain(""), 0);
  EXPECT_EQ(Chain(base + "\\a\\b\\c\\"), 0);
  EXPECT_TRUE(PathExists(dir / "a/b/c"));
  EXPECT_EQ(Chain(base + "\\a\\b\\c\\"), 0);  // all present: fine again

  WriteFileBytes(dir / "a/file", B("x"));
  std::string blocked = base + "\\a\\file\\deeper\\";
  EXPECT_EQ(Chain(blocked), (int)(base + "\\a\\file").size());
  EXPECT_FALSE(PathExists(dir / "a/file/deeper"));
}

TEST(MakeFolderChain, DoubleByteNamesStayWhole) {
  TempDir dir;
  // 表 (0x95 0x5C) and ソ (0x83 0x5C) hold 0x5C as their second byte.
  EXPECT_EQ(Chain(dir.path() + "\\\x95\x5C\\\x83\x5C\x83\x5C\\"), 0);
  EXPECT_TRUE(PathExists(dir / "表/ソソ"));
  EXPECT_FALSE(PathExists(dir / "\x95"));
}

TEST(MakeFolderChain, SkipsLeadingSeparatorAndDrivesAndKeepsDoubledOnes) {
  TempDir dir;
  // The first separator of an absolute path is passed over.
  EXPECT_EQ(Chain(dir.path() + "\\w\\y\\"), 0);
  EXPECT_TRUE(PathExists(dir / "w/y"));
  // A doubled one makes a prefix ending with a backslash: as on Windows it
  // is no existing folder, and making it again fails, so the chain stops
  // there, with the folder before it made.
  EXPECT_EQ(Chain(dir.path() + "\\x\\\\y\\"), (int)(dir.path().size() + 3));
  EXPECT_TRUE(PathExists(dir / "x"));
  EXPECT_FALSE(PathExists(dir / "x/y"));
  // A prefix right before a colon is a drive: not searched for. Only the
  // folder after it is made (relative to the current directory here).
  std::string cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(Chain("d:\\sub\\"), (int)strlen("d:\\sub"));  // "d:/sub" has no parent "d:"
  EXPECT_EQ(Chain("sub:\\"), 0);                           // nothing searched at all
  EXPECT_FALSE(PathExists(dir / "sub:"));
  std::filesystem::current_path(cwd);
}

TEST(MakeFolderChain, NeverSearchesForTheComponentsOfAShareOrDeviceRoot) {
  // On this host nothing of these exists; the first prefix tried, and the
  // one that fails, is the first folder below the root.
  EXPECT_EQ(Chain("\\\\srv\\share\\dest\\"), (int)strlen("\\\\srv\\share\\dest"));
  EXPECT_EQ(Chain("\\\\?\\Q:\\dest\\"), (int)strlen("\\\\?\\Q:\\dest"));
  EXPECT_EQ(Chain("\\\\srv\\share\\"), 0);
}

TEST(KnownFolderPrefix, StopsAtTheLastSharedSeparatorAndBeforeAnySlash) {
  EXPECT_EQ(KnownFolderPrefix("a\\b\\c\\", "a\\b\\d\\"), 4);
  EXPECT_EQ(KnownFolderPrefix("a\\b\\", "a\\b\\c\\"), 4);
  EXPECT_EQ(KnownFolderPrefix("a\\bc\\", "a\\b\\"), 2);  // "b" is not "bc"
  EXPECT_EQ(KnownFolderPrefix("a\\b\\", ""), 0);
  // A trail byte 0x5C counts: the walk from there still looks at the
  // folder that holds it.
  EXPECT_EQ(KnownFolderPrefix("\x95\x5C" "A\\", "\x95\x5C" "B\\"), 2);
  // A level made under a name that ends in a slash is not known again.
  EXPECT_EQ(KnownFolderPrefix("a\\b/\\c\\", "a\\b/\\d\\"), 2);
  EXPECT_EQ(KnownFolderPrefix("a/b\\c\\", "a/b\\d\\"), 0);
}
