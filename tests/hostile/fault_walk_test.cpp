// Every open, read, write, seek, close, time stamp and folder creation of
// a small extraction is made to fail in turn. Each time the run must end
// with the result that call's failure means, and leave no partial or
// temporary file, the earlier files whole, the file it was replacing as it
// was, and no descriptor open; with the files made on a second thread,
// exactly as on one.
#include <dirent.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "tests/hostile/fault_injection.h"
#include "tests/hostile/run_seen.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "tests/test_host.h"

namespace fs = std::filesystem;

namespace {

int OpenDescriptors() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (readdir(d)) n++;
  closedir(d);
  return n;
}

const Bytes kOld = B("old contents of keep.txt");

struct Walk {
  std::map<std::string, Bytes> files;  // host-relative name -> contents
  std::string archive;
};

Walk MakeArchive(const TempDir& dir) {
  Walk w;
  Bytes text = TextLike(3, 5000), big = TextLike(4, 100000);
  std::vector<ArchiveEntry> entries = {
      FileEntry("a.txt", text),       FolderEntry("dir"),
      FileEntry("dir\\big.bin", big), FileEntry("dir\\empty", Bytes()),
      FileEntry("dir\\copy.txt", text), FileEntry("keep.txt", B("new contents"))};
  w.files = {{"a.txt", text}, {"dir/big.bin", big}, {"dir/empty", Bytes()},
             {"dir/copy.txt", text}, {"keep.txt", B("new contents")}};
  Bytes payload;
  std::string error;
  EXPECT_TRUE(BuildPayload(entries, ArchiveOptions(), &payload, nullptr, &error)) << error;
  Bytes program(26112, 0);
  program.insert(program.end(), payload.begin(), payload.end());
  w.archive = dir / "walk.exe";
  WriteFileBytes(w.archive, program);
  return w;
}

// Runs the extraction into a fresh folder holding the old keep.txt.
ExtractOutcome RunInto(const Walk& w, const std::string& dest, bool fileSide = false) {
  fs::remove_all(dest);
  fs::create_directories(dest);
  WriteFileBytes(dest + "/keep.txt", kOld);
  ResetTestHost();
  CurrentTestHost().answers = {kOverwriteYes};
  CurrentTestHost().fileSideThread = fileSide;
  return ExtractProgramFile(w.archive, dest);
}

void ExpectNothingLost(const Walk& w, const std::string& dest, const std::string& where) {
  for (auto& e : fs::recursive_directory_iterator(dest)) {
    std::string rel = fs::relative(e.path(), dest);
    if (e.is_directory()) continue;
    ASSERT_TRUE(w.files.count(rel)) << where << ": unexpected file " << rel;
    Bytes got = ReadFileBytes(e.path());
    if (rel == "keep.txt")
      EXPECT_TRUE(got == kOld || got == w.files.at(rel)) << where << ": keep.txt mixed";
    else
      EXPECT_EQ(got, w.files.at(rel)) << where << ": partial " << rel;
  }
  EXPECT_TRUE(PathExists(dest + "/keep.txt")) << where;
}

ExtractResult Expected(FaultKind kind, long nth, long total) {
  switch (kind) {
    case kFaultOpen:
      return nth == 1 ? kExtractReadFailed : kExtractWriteFailed;  // the archive, then outputs
    case kFaultRead:
    case kFaultSeek:
      return kExtractReadFailed;
    case kFaultClose:
      return nth == total ? kExtractReadFailed : kExtractWriteFailed;  // the archive closes last
    case kFaultFolder:
      return kExtractFolderFailed;
    default:
      return kExtractWriteFailed;
  }
}

}  // namespace

TEST(FaultWalk, EveryFailingCallEndsCleanly) {
  TempDir dir;
  Walk w = MakeArchive(dir);
  std::string dest = dir / "dest";
  ResetFaults();
  ExtractOutcome clean = RunInto(w, dest);
  ASSERT_EQ(clean.result, kExtractFinished) << clean.detail;
  ExpectNothingLost(w, dest, "clean run");
  ASSERT_EQ(ReadFileBytes(dest + "/keep.txt"), B("new contents"));
  long counts[kFaultKinds];
  for (int k = 0; k < kFaultKinds; k++) counts[k] = CallCount((FaultKind)k);
  // Each kind is used by this archive, so the walk covers all of them.
  for (int k = 0; k < kFaultKinds; k++) ASSERT_GT(counts[k], 0) << "kind " << k;

  int baseline = OpenDescriptors();
  int runs = 0;
  for (int k = 0; k < kFaultKinds; k++) {
    for (long n = 1; n <= counts[k]; n++) {
      std::string where = "kind " + std::to_string(k) + " call " + std::to_string(n);
      ResetFaults();
      FailCall((FaultKind)k, n);
      ExtractOutcome o = RunInto(w, dest);
      ResetFaults();
      EXPECT_EQ(o.result, Expected((FaultKind)k, n, counts[k])) << where << " " << o.detail;
      ExpectNothingLost(w, dest, where);
      EXPECT_EQ(OpenDescriptors(), baseline) << where;
      Seen one = SeenAfter(o, dest);
      FailCall((FaultKind)k, n);
      o = RunInto(w, dest, true);
      ResetFaults();
      ExpectSame(SeenAfter(o, dest), one, where + ", files on a second thread");
      EXPECT_EQ(OpenDescriptors(), baseline) << where << ", files on a second thread";
      runs++;
    }
  }
  std::cout << "fault walk: " << runs << " runs\n";
}

// Two extractions into one folder: every folder this run makes has just
// been made by the other one. The run goes on as if it had made them.
TEST(FaultWalk, FoldersMadeMeanwhileByAnotherProgramAreUsed) {
  TempDir dir;
  Walk w = MakeArchive(dir);
  std::string dest = dir / "dest";
  ResetFaults();
  MakeFoldersAppearMeanwhile();
  ExtractOutcome o = RunInto(w, dest);
  long attempts = CallCount(kFaultFolder);
  ResetFaults();
  EXPECT_EQ(o.result, kExtractFinished) << o.failedPrefix;
  EXPECT_GT(attempts, 0);
  EXPECT_EQ(ReadFileBytes(dest + "/dir/big.bin"), w.files.at("dir/big.bin"));
}

// A read that gets two and a half blocks and then fails: the whole blocks
// are used, and the stream reads on from the half block. Where that read
// works the run ends as a clean one; where it fails too, the run ends
// there as a failed read, with nothing lost.
TEST(FaultWalk, AReadThatFailsAfterSomeBlocksGoesOnFromWhereItStopped) {
  TempDir dir;
  Walk w = MakeArchive(dir);
  std::string dest = dir / "dest";
  const int kGot = 2 * kBlockSize + kBlockSize / 2;
  ResetFaults();
  FailBlockReadAfter(1, kGot);
  ExtractOutcome o = RunInto(w, dest);
  long partial = PartialReadCall();
  ASSERT_GT(partial, 0);
  EXPECT_EQ(o.result, kExtractFinished) << o.detail;
  ExpectNothingLost(w, dest, "read on");
  EXPECT_EQ(ReadFileBytes(dest + "/dir/big.bin"), w.files.at("dir/big.bin"));

  ResetFaults();
  FailBlockReadAfter(1, kGot);
  FailCall(kFaultRead, partial + 1);
  o = RunInto(w, dest);
  EXPECT_EQ(o.result, kExtractReadFailed) << o.detail;
  ExpectNothingLost(w, dest, "read fails again");
}

// A write that fails in the middle of a body ends the run there, as a
// failed write, even where the body turns out damaged further on; damage
// before the failed write decides instead. With the files on a second
// thread the decoding has read on past the failed write by then: the
// outcome must still be the one of the moment of the write.
TEST(FaultWalk, AFailedWriteAndDamageInOneBodyEndTheRunAsTheFirstOfThem) {
  TempDir dir;
  Walk w;
  Bytes text = TextLike(9, 400000);
  Bytes payload;
  std::string error;
  ASSERT_TRUE(BuildPayload({FileEntry("big.txt", text)}, ArchiveOptions(), &payload, nullptr,
                           &error))
      << error;
  Bytes program(26112, 0);
  program.insert(program.end(), payload.begin(), payload.end());
  w.archive = dir / "one.exe";
  std::string dest = dir / "dest";
  // The damage is found where the decoding reaches it: its last block,
  // or past the body's second piece (32 KB) and before its third.
  struct Case {
    size_t damageAt;  // from the end of the file, or from the start of the stream
    bool fromEnd;
    long failingWrite;
    ExtractResult expected;
  };
  for (const Case& c : {Case{100, true, 1, kExtractWriteFailed},
                        Case{30000, false, 2, kExtractWriteFailed},
                        Case{30000, false, 3, kExtractDamaged}}) {
    Bytes damaged = program;
    damaged[c.fromEnd ? damaged.size() - c.damageAt : 26112 + c.damageAt] ^= 0x5A;
    WriteFileBytes(w.archive, damaged);
    ResetFaults();
    ExtractOutcome alone = RunInto(w, dest);
    ASSERT_EQ(alone.result, kExtractDamaged) << "the damage alone";
    std::vector<Seen> seen;
    for (bool fileSide : {false, true}) {
      ResetFaults();
      FailCall(kFaultWrite, c.failingWrite);
      ExtractOutcome o = RunInto(w, dest, fileSide);
      ResetFaults();
      EXPECT_EQ(o.result, c.expected) << "write " << c.failingWrite << ", second thread "
                                      << fileSide << ": " << o.detail;
      EXPECT_FALSE(PathExists(dest + "/big.txt"));
      seen.push_back(SeenAfter(o, dest));
    }
    ExpectSame(seen[1], seen[0], "write " + std::to_string(c.failingWrite));
  }
}
