// The platform layer's last error: a probe answers without taking the
// place of the error that a failed call before it left for the report.
#include <gtest/gtest.h>
#include <errno.h>

#include "platform/platform.h"
#include "platform/host_platform.h"
#include "tests/test_files.h"

TEST(PlatformErrorTest, AProbeKeepsTheErrorOfTheFailedCallBeforeIt) {
  TempDir dir;
  WriteFileBytes(dir / "file", B("x"));
  OsRoot* root = OsOpenRoot(dir.path().c_str());
  ASSERT_NE(root, nullptr);
  // A folder below a file cannot be made: the walk to it fails.
  EXPECT_FALSE(OsCreateFolder(root, "file\\sub"));
  EXPECT_EQ(PlatformLastError(), ENOTDIR);
  // Asked afterwards whether it is there after all: no, and the reason
  // for the failure stays.
  EXPECT_EQ(OsProbeEntry(root, "file\\sub"), kEntryNone);
  EXPECT_EQ(OsProbeEntry(root, "missing"), kEntryNone);
  EXPECT_EQ(PlatformLastError(), ENOTDIR);
  // A call that fails after the probe leaves its own error.
  EXPECT_EQ(OsOpenExisting(root, "missing"), kNoFile);
  EXPECT_EQ(PlatformLastError(), ENOENT);
  OsCloseRoot(root);
}
