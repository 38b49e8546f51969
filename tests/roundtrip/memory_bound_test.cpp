// Memory stays bounded however large a file is: a child process writes
// the archive of a 1 GiB file, four times the bound, and its peak
// resident size comes back through wait4.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "payload/format.h"
#include "tests/roundtrip/roundtrip_support.h"

namespace {

const long kBoundKb = 256 * 1024;

TEST(MemoryBound, AFileOf1GiBIsWrittenWithinTheBound) {
  TempDir dir;
  std::string input = dir / "big.bin";
  // A sparse file: a gibibyte to read and code that takes no disk.
  int fd = open(input.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, (off_t)1 << 30), 0);
  close(fd);
  std::string output = dir / "out.exe";

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ArchiveEntry e = FileEntry("big.bin", Bytes());
    e.hostPath = input;
    std::string error;
    bool ok = WriteArchive(Bytes(kStubSize, 0), {e}, ArchiveOptions(), output, nullptr, &error);
    if (!ok) fprintf(stderr, "%s\n", error.c_str());
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  struct rusage usage;
  ASSERT_EQ(wait4(child, &status, 0, &usage), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_LT(usage.ru_maxrss, kBoundKb) << "peak resident size in KB";
  // The archive holds the whole file: a record of its size, however
  // small its body.
  struct stat st;
  ASSERT_EQ(stat(output.c_str(), &st), 0);
  EXPECT_GT(st.st_size, kStubSize + (1 << 30) / kMaxMatch / 8);
}

}  // namespace
