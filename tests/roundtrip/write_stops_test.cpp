// Writing that cannot end well stops early and says why: something other
// than a file in a file's place, an output that fails (a full disk, or
// one past its most). A file that changes while it is read is stored as
// read, with a warning; the progress told on the way adds up.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// The payload of `entries` with the warnings about changed files.
struct Written {
  bool ok = false;
  Bytes payload;
  std::vector<std::string> changed;
  std::string error;
};

// Writes entries to a sink that runs `hook` once `at` bytes are out.
Written WriteWithHook(const std::vector<ArchiveEntry>& entries, size_t at,
                      std::function<void()> hook) {
  Written w;
  HookSink sink(at, std::move(hook));
  WriteEvents events;
  events.changed = [&](const std::string& m) { w.changed.push_back(m); };
  w.ok = WritePayload(entries, AtLevel(1), &sink, nullptr, &w.error, PayloadTuning(), &events);
  EXPECT_TRUE(sink.fired);
  w.payload = sink.out;
  return w;
}

// The payload of the same entries with the given contents held in memory.
Bytes SteadyPayload(std::vector<ArchiveEntry> entries, size_t which, const Bytes& contents) {
  entries[which].hostPath.clear();
  entries[which].data = contents;
  Bytes out;
  VectorSink sink(&out);
  std::string error;
  EXPECT_TRUE(WritePayload(entries, AtLevel(1), &sink, nullptr, &error)) << error;
  return out;
}

TEST(UnsteadyInput, AFileThatShrinksAfterItsRecordIsOutKeepsItsLengthWithZerosAndAWarning) {
  TempDir dir;
  std::string path = dir / "big.bin";
  Bytes data = RandomBytes(50, kLargeFile);
  WriteFileBytes(path, data);
  std::vector<ArchiveEntry> entries = {HostFile("big.bin", path)};
  // Once the first segment's body is out, the file loses all but 3 MB.
  const size_t kLeft = 3 << 20;
  Written w = WriteWithHook(entries, 256 * 1024,
                            [&] { ASSERT_EQ(truncate(path.c_str(), kLeft), 0); });
  ASSERT_TRUE(w.ok) << w.error;
  ASSERT_EQ(w.changed.size(), 1u);
  EXPECT_NE(w.changed[0].find("'" + path + "' became shorter"), std::string::npos)
      << w.changed[0];
  EXPECT_NE(w.changed[0].find(std::to_string(kLargeFile - kLeft) + " bytes are stored as zero"),
            std::string::npos)
      << w.changed[0];
  Bytes asRead(data.begin(), data.begin() + kLeft);
  asRead.resize(kLargeFile, 0);
  EXPECT_TRUE(w.payload == SteadyPayload(entries, 0, asRead));
}

TEST(UnsteadyInput, AFileThatGrowsWhileItIsReadIsStoredAsItWasWhenOpenedWithAWarning) {
  TempDir dir;
  std::string path = dir / "big.bin";
  Bytes data = Patchwork(51, kLargeFile);
  WriteFileBytes(path, data);
  std::vector<ArchiveEntry> entries = {HostFile("big.bin", path),
                                       FileEntry("after", TextLike(52, 3000))};
  Written w = WriteWithHook(entries, 64 * 1024, [&] {
    FILE* f = fopen(path.c_str(), "ab");
    ASSERT_NE(f, nullptr);
    Bytes more = RandomBytes(53, 1 << 20);
    EXPECT_EQ(fwrite(more.data(), 1, more.size(), f), more.size());
    fclose(f);
  });
  ASSERT_TRUE(w.ok) << w.error;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ((size_t)st.st_size, data.size() + (1 << 20));
  EXPECT_TRUE(w.payload == SteadyPayload(entries, 0, data));
  ASSERT_EQ(w.changed.size(), 1u);
  EXPECT_EQ(w.changed[0],
            "'" + path + "' grew while it was read; stored as it was, " +
                std::to_string(data.size()) + " bytes");
}

TEST(UnsteadyInput, AFileRewrittenInPlaceWhileItIsReadIsStoredAsReadWithAWarning) {
  TempDir dir;
  std::string path = dir / "big.bin";
  Bytes data = Patchwork(57, kLargeFile);
  WriteFileBytes(path, data);
  std::vector<ArchiveEntry> entries = {HostFile("big.bin", path)};
  Bytes tail = RandomBytes(58, 1 << 20);
  Written w = WriteWithHook(entries, 64 * 1024, [&] {
    FILE* f = fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fseek(f, (long)(data.size() - tail.size()), SEEK_SET), 0);
    EXPECT_EQ(fwrite(tail.data(), 1, tail.size(), f), tail.size());
    fclose(f);
    // A write time of its own, whatever the clock's grain.
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  });
  ASSERT_TRUE(w.ok) << w.error;
  Bytes asRead = data;
  std::copy(tail.begin(), tail.end(), asRead.end() - (ptrdiff_t)tail.size());
  EXPECT_TRUE(w.payload == SteadyPayload(entries, 0, asRead));
  EXPECT_EQ(w.changed, std::vector<std::string>{"'" + path +
                                                "' changed while it was read; stored as read"});
}

TEST(Progress, TheFilesAndBytesToldGrowToTheWholeInput) {
  TempDir dir;
  std::string big = dir / "big.bin";
  Bytes bigData = Patchwork(59, kLargeFile);
  WriteFileBytes(big, bigData);
  std::vector<ArchiveEntry> entries = {FileEntry("a", TextLike(60, 5000)), FolderEntry("d"),
                                       HostFile("big.bin", big),
                                       FileEntry("d\\b", RandomBytes(61, 70000))};
  std::vector<std::pair<int, uint64_t>> told;
  WriteEvents events;
  events.progress = [&](int files, uint64_t bytes) { told.push_back({files, bytes}); };
  Bytes out;
  VectorSink sink(&out);
  std::string error;
  ASSERT_TRUE(WritePayload(entries, AtLevel(1), &sink, nullptr, &error, PayloadTuning(), &events))
      << error;
  ASSERT_FALSE(told.empty());
  // The large file is told a segment at a time, not only when it ends.
  EXPECT_GT(told.size(), 4u);
  for (size_t i = 1; i < told.size(); i++) {
    EXPECT_GE(told[i].first, told[i - 1].first);
    EXPECT_GE(told[i].second, told[i - 1].second);
  }
  EXPECT_EQ(told.back(), std::make_pair(3, (uint64_t)(5000 + kLargeFile + 70000)));
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
