// Writing that cannot end well stops early and says why: a file that
// shrinks while it is read, something other than a file in a file's
// place, an output that fails (a full disk, or one past its most). A
// file that grows meanwhile is stored as it was when it was opened.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "tests/roundtrip/patchwork.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "writer/byte_sink.h"
#include "writer/payload_writer.h"

namespace {

// A sink in memory that runs `hook` once, when it has taken `at` bytes.
class HookSink : public ByteSink {
 public:
  HookSink(size_t at, std::function<void()> hook) : at_(at), hook_(std::move(hook)) {}
  Bytes out;
  bool fired = false;

 protected:
  bool Put(const uint8_t* bytes, size_t n, std::string*) override {
    out.insert(out.end(), bytes, bytes + n);
    if (!fired && out.size() >= at_) {
      fired = true;
      hook_();
    }
    return true;
  }

 private:
  size_t at_;
  std::function<void()> hook_;
};

// Bytes this process has read through system calls so far.
uint64_t BytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  uint64_t value = 0;
  while (io >> key >> value)
    if (key == "rchar:") return value;
  ADD_FAILURE() << "no rchar in /proc/self/io";
  return 0;
}

ArchiveEntry HostFile(const std::string& name, const std::string& path) {
  ArchiveEntry e = FileEntry(name, Bytes());
  e.hostPath = path;
  return e;
}

// A file past the whole-file limit, coded as it is read, in segments.
const size_t kLargeFile = (size_t)kWholeFileLimit + 4 * BodyEncoder::kDefaultSegment;

TEST(UnsteadyInput, AFileThatShrinksWhileItIsReadFailsTheRunNamingIt) {
  TempDir dir;
  std::string path = dir / "big.bin";
  WriteFileBytes(path, RandomBytes(50, kLargeFile));
  // Once the first segment's body is out, the file loses all but 3 MB.
  HookSink sink(256 * 1024, [&] { ASSERT_EQ(truncate(path.c_str(), 3 << 20), 0); });
  std::string error;
  EXPECT_FALSE(WritePayload({HostFile("big.bin", path)}, AtLevel(1), &sink, nullptr, &error));
  EXPECT_TRUE(sink.fired);
  EXPECT_NE(error.find("'" + path + "'"), std::string::npos) << error;
  EXPECT_NE(error.find("became shorter"), std::string::npos) << error;
  EXPECT_NE(error.find(std::to_string(3 << 20)), std::string::npos) << error;
}

TEST(UnsteadyInput, AFileThatGrowsWhileItIsReadIsStoredAsItWasWhenOpened) {
  TempDir dir;
  std::string path = dir / "big.bin";
  Bytes data = Patchwork(51, kLargeFile);
  WriteFileBytes(path, data);
  std::vector<ArchiveEntry> entries = {HostFile("big.bin", path),
                                       FileEntry("after", TextLike(52, 3000))};
  Bytes steady;
  VectorSink steadySink(&steady);
  std::string error;
  ASSERT_TRUE(WritePayload(entries, AtLevel(1), &steadySink, nullptr, &error)) << error;

  HookSink sink(64 * 1024, [&] {
    FILE* f = fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    Bytes more = RandomBytes(53, 1 << 20);
    EXPECT_EQ(fwrite(more.data(), 1, more.size(), f), more.size());
    fclose(f);
  });
  ASSERT_TRUE(WritePayload(entries, AtLevel(1), &sink, nullptr, &error)) << error;
  EXPECT_TRUE(sink.fired);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ((size_t)st.st_size, data.size() + (1 << 20));
  EXPECT_TRUE(sink.out == steady);
}

TEST(UnsteadyInput, SomethingOtherThanAFileInAFilesPlaceFailsTheRunWithoutWaiting) {
  TempDir dir;
  std::string path = dir / "pipe";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  Bytes out;
  VectorSink sink(&out);
  std::string error;
  EXPECT_FALSE(WritePayload({FileEntry("a", TextLike(54, 100)), HostFile("pipe", path)},
                            AtLevel(2), &sink, nullptr, &error));
  EXPECT_NE(error.find("'" + path + "'"), std::string::npos) << error;
  EXPECT_NE(error.find("no longer a plain file"), std::string::npos) << error;
}

const char kTooLarge[] = "the archive would be larger than allowed";

TEST(SinkFailure, AnOutputPastItsMostStopsALargeFileWithinItsFirstSegments) {
  TempDir dir;
  std::string path = dir / "big.bin";
  WriteFileBytes(path, RandomBytes(55, kLargeFile));
  Bytes out;
  VectorSink sink(&out);
  sink.SetLimit(1 << 20, kTooLarge);
  std::string error;
  uint64_t readBefore = BytesReadSoFar();
  EXPECT_FALSE(WritePayload({HostFile("big.bin", path)}, AtLevel(1), &sink, nullptr, &error));
  uint64_t read = BytesReadSoFar() - readBefore;
  EXPECT_EQ(error, kTooLarge);
  EXPECT_TRUE(sink.failed());
  EXPECT_LE(out.size(), (size_t)1 << 20);
  // Random bytes do not shrink: the first segment's body fills the most.
  EXPECT_LT(read, (uint64_t)3 * BodyEncoder::kDefaultSegment) << "of " << kLargeFile;
}

TEST(SinkFailure, AnOutputPastItsMostStopsBetweenFiles) {
  TempDir dir;
  std::vector<ArchiveEntry> entries;
  const size_t kFiles = 300, kEach = 64 * 1024;
  for (size_t i = 0; i < kFiles; i++) {
    std::string name = "f" + std::to_string(i);
    WriteFileBytes(dir / name, RandomBytes(1000 + (uint32_t)i, kEach));
    entries.push_back(HostFile(name, dir / name));
  }
  for (int threads : {1, 2}) {
    Bytes out;
    VectorSink sink(&out);
    sink.SetLimit(256 * 1024, kTooLarge);
    ArchiveOptions options = AtLevel(1);
    options.threads = threads;
    std::string error;
    uint64_t readBefore = BytesReadSoFar();
    EXPECT_FALSE(WritePayload(entries, options, &sink, nullptr, &error));
    uint64_t read = BytesReadSoFar() - readBefore;
    EXPECT_EQ(error, kTooLarge);
    // Only the files in flight when the output failed were read.
    EXPECT_LT(read, kFiles * kEach / 4) << threads << " threads";
  }
}

TEST(SinkFailure, AFullDiskIsReportedWithTheFileName) {
  FILE* full = fopen("/dev/full", "wb");
  if (!full) GTEST_SKIP() << "no /dev/full here";
  FileSink sink(full, "out.exe");
  std::string error;
  EXPECT_FALSE(WritePayload({FileEntry("a", RandomBytes(56, 200000))}, AtLevel(1), &sink,
                            nullptr, &error));
  fclose(full);
  EXPECT_EQ(error, "cannot write 'out.exe': " + std::string(strerror(ENOSPC)));
}

}  // namespace
