// A folder the run has made is answered for from what the run put there,
// without asking the disk: those answers must be the disk's, and anything
// put there behind the run's back must never be overwritten.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"
#include "tests/test_files.h"

namespace {

EntryKind OnDisk(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return kEntryNone;
  return S_ISDIR(st.st_mode) ? kEntryFolder : kEntryFile;
}

bool Make(OsRoot* root, const char* archivePath, bool fresh = false) {
  OsFile f = fresh ? OsCreateNewFile(root, archivePath) : OsCreateFile(root, archivePath);
  return f != kNoFile && OsClose(f);
}

class MadeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = OsOpenRoot(dir_.path().c_str());
    ASSERT_NE(root_, nullptr);
    ASSERT_TRUE(OsCreateFolder(root_, "m\\"));
  }
  void TearDown() override { OsCloseRoot(root_); }

  // Every name the steps use, probed through the run and on disk.
  void ExpectProbesAsOnDisk(const std::string& step) {
    for (const char* name : {"a", "b", "t", "s", "missing"})
      EXPECT_EQ(OsProbeEntry(root_, ("m\\" + std::string(name)).c_str()),
                OnDisk(dir_ / ("m/" + std::string(name))))
          << step << ": " << name;
  }

  TempDir dir_;
  OsRoot* root_ = nullptr;
};

TEST_F(MadeFolderTest, ProbesAnswerAsTheDiskDoesThroughEveryChangeTheRunMakes) {
  ExpectProbesAsOnDisk("made");
  ASSERT_TRUE(Make(root_, "m\\a"));
  ASSERT_TRUE(Make(root_, "m\\b"));
  ExpectProbesAsOnDisk("two files");
  ASSERT_TRUE(OsCreateFolder(root_, "m\\s\\"));
  ExpectProbesAsOnDisk("a folder inside");
  // A replacement as the disk output makes it: a new name, moved over.
  ASSERT_TRUE(Make(root_, "m\\t", true));
  ExpectProbesAsOnDisk("temporary");
  ASSERT_TRUE(OsReplaceFile(root_, "m\\t", "m\\a"));
  ExpectProbesAsOnDisk("moved over");
  ASSERT_TRUE(OsDeleteFile(root_, "m\\b"));
  ExpectProbesAsOnDisk("deleted");
  // A name the run used is made again over its own file.
  ASSERT_TRUE(Make(root_, "m\\b"));
  ASSERT_TRUE(Make(root_, "m\\b"));
  ExpectProbesAsOnDisk("made twice");
  // The folder inside is listed too, once files go into it.
  ASSERT_TRUE(Make(root_, "m\\s\\a"));
  EXPECT_EQ(OsProbeEntry(root_, "m\\s\\a"), kEntryFile);
  EXPECT_EQ(OsProbeEntry(root_, "m\\s\\b"), kEntryNone);
}

TEST_F(MadeFolderTest, AFileSlippedInBehindTheRunsBackIsNeverOverwritten) {
  WriteFileBytes(dir_ / "m/a", B("not ours"));
  // The run does not know of it; making the name fails instead of
  // emptying that file.
  EXPECT_FALSE(Make(root_, "m\\a"));
  EXPECT_EQ(ReadFileBytes(dir_ / "m/a"), B("not ours"));
  // From then on the folder is asked on disk.
  EXPECT_EQ(OsProbeEntry(root_, "m\\a"), kEntryFile);
  WriteFileBytes(dir_ / "m/b", B("not ours either"));
  EXPECT_EQ(OsProbeEntry(root_, "m\\b"), kEntryFile);
}

TEST_F(MadeFolderTest, AFolderLetGoOfIsAskedOnDiskAgain) {
  // More folders made after it than are held open at once.
  for (int i = 0; i < 20; i++)
    ASSERT_TRUE(OsCreateFolder(root_, ("f" + std::to_string(i) + "\\").c_str()));
  WriteFileBytes(dir_ / "m/a", B("not ours"));
  EXPECT_EQ(OsProbeEntry(root_, "m\\a"), kEntryFile);
}

}  // namespace
