// Folder-path forms and the folder existence test.
#include <gtest/gtest.h>

#include <string>

#include "paths/path_utils.h"
#include "tests/test_files.h"

static std::string Ensure(const std::string& in) {
  char out[64];
  int n = EnsureTrailingBackslash(in.c_str(), out, 60);
  EXPECT_EQ(n, (int)strlen(out));
  return std::string(out, (size_t)n);
}

TEST(EnsureTrailingBackslash, AddsAtMostOneAndKnowsDoubleByteTails) {
  EXPECT_EQ(Ensure(""), ".\\");
  EXPECT_EQ(Ensure("C:"), "C:\\");
  EXPECT_EQ(Ensure("a\\b"), "a\\b\\");
  EXPECT_EQ(Ensure("a\\b\\"), "a\\b\\");
  EXPECT_EQ(Ensure("a\\\\"), "a\\\\");
  EXPECT_EQ(Ensure("a/"), "a/\\");
  // 表 is 0x95 0x5C: its second byte is no separator.
  EXPECT_EQ(Ensure("x\x95\x5C"), "x\x95\x5C\\");
  char tight[4];
  EXPECT_EQ(EnsureTrailingBackslash("abcd", tight, 3), -1);
}

TEST(FolderPartOf, StopsAtTheLastRealSeparator) {
  EXPECT_EQ(FolderPartOf(""), 0);
  EXPECT_EQ(FolderPartOf("name"), 0);
  EXPECT_EQ(FolderPartOf("a\\b\\"), 4);
  EXPECT_EQ(FolderPartOf(".\\dir\\file.txt"), 6);
  EXPECT_EQ(FolderPartOf(".\\dir\\\x95\x5C"), 6);  // the file is 表
  EXPECT_EQ(FolderPartOf(".\\\x83\x5C\\\x94\x5C\\\x8F\x5C"), 8);  // ソ\能\十
  // A lead byte at the very end steps onto the terminator, not past it.
  EXPECT_EQ(FolderPartOf("a\\\x95"), 2);
}

TEST(ProbeFolder, DriveRootsFoldersFilesAndNothing) {
  TempDir dir;
  WriteFileBytes(dir / "file", B("x"));
  char root[] = "q:\\", bad[] = "1:\\";
  EXPECT_EQ(ProbeFolder(nullptr, root), FolderPresent);  // no drive q needed
  EXPECT_EQ(ProbeFolder(nullptr, bad), FolderAbsent);
  // The POSIX layer maps backslashes to slashes, so a host path works.
  std::string folder = dir.path() + "\\";
  std::string file = dir.path() + "\\file\\";
  std::string none = dir.path() + "\\none\\";
  EXPECT_EQ(ProbeFolder(nullptr, &folder[0]), FolderPresent);
  EXPECT_EQ(ProbeFolder(nullptr, &file[0]), NotAFolder);
  EXPECT_EQ(ProbeFolder(nullptr, &none[0]), FolderAbsent);
  EXPECT_EQ(file, dir.path() + "\\file\\");  // restored
  char current[] = ".\\";
  EXPECT_EQ(ProbeFolder(nullptr, current), FolderPresent);
}

TEST(RootLength, DrivesSharesAndDevicePaths) {
  EXPECT_EQ(RootLength("C:\\dest\\"), 3);
  EXPECT_EQ(RootLength("C:"), 2);
  EXPECT_EQ(RootLength("\\dest\\"), 1);
  EXPECT_EQ(RootLength("dest\\"), 0);
  EXPECT_EQ(RootLength("1:\\"), 0);
  EXPECT_EQ(RootLength("\\\\srv\\share\\dest\\"), (int)strlen("\\\\srv\\share\\"));
  EXPECT_EQ(RootLength("\\\\srv\\share"), (int)strlen("\\\\srv\\share"));
  EXPECT_EQ(RootLength("\\\\?\\C:\\dest\\"), (int)strlen("\\\\?\\C:\\"));
  EXPECT_EQ(RootLength("\\\\?\\UNC\\srv\\share\\d\\"), (int)strlen("\\\\?\\UNC\\srv\\share\\"));
  // A server named with 表 (0x95 0x5C): its second byte separates nothing.
  EXPECT_EQ(RootLength("\\\\\x95\x5C\\s\\d\\"), (int)strlen("\\\\\x95\x5C\\s\\"));
}

TEST(ProbeFolder, ShareAndDeviceRootsArePresentWithoutASearch) {
  // Nothing of these names exists here: only the form decides.
  char share[] = "\\\\srv\\share\\", device[] = "\\\\?\\Q:\\";
  char below[] = "\\\\srv\\share\\dest\\";
  EXPECT_EQ(ProbeFolder(nullptr, share), FolderPresent);
  EXPECT_EQ(ProbeFolder(nullptr, device), FolderPresent);
  EXPECT_EQ(ProbeFolder(nullptr, below), FolderAbsent);
}
