// The fast decoder against the plain one of the tests, and the files made
// on a second thread against one thread, on runs that stop early: whatever
// stops a run (damage anywhere in the stream, an answer, Cancel in the
// middle of a body), all must stop it at the same place, with the same
// result, item, questions, status lines and files left.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/hostile/run_seen.h"
#include "tests/reference/plain_decoder.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "tests/test_host.h"

namespace fs = std::filesystem;

namespace {

const int kFiles = 240;

std::string NameOf(int i) { return "d" + std::to_string(i % 7) + "\\f" + std::to_string(i) + ".txt"; }

// Small similar files that borrow from each other, a few larger ones, and
// one of several megabytes.
std::string MakeArchive(const TempDir& dir) {
  std::vector<ArchiveEntry> entries;
  for (int d = 0; d < 7; d++) entries.push_back(FolderEntry("d" + std::to_string(d)));
  for (int i = 0; i < kFiles; i++) {
    Bytes data = i % 60 == 59 ? RandomBytes((uint32_t)i, 150000) : TextLike((uint32_t)(i % 9), 3000 + (size_t)i * 37);
    entries.push_back(FileEntry(NameOf(i), data, Moment(i), Moment(i + 1), Moment(i + 2)));
    if (i == kFiles / 2) entries.push_back(FileEntry("big.bin", RandomBytes(77, 3 << 20)));
  }
  Bytes payload;
  std::string error;
  EXPECT_TRUE(BuildPayload(entries, ArchiveOptions(), &payload, nullptr, &error)) << error;
  Bytes program(26112, 0);
  program.insert(program.end(), payload.begin(), payload.end());
  std::string path = dir / "many.exe";
  WriteFileBytes(path, program);
  return path;
}

// Some of the files are there already, so that questions are asked.
void Prefill(const std::string& dest) {
  fs::remove_all(dest);
  for (int d = 0; d < 7; d++) fs::create_directories(dest + "/d" + std::to_string(d));
  for (int i : {3, 50, 121, 122, 200})
    WriteFileBytes(dest + "/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt",
                   B("older"));
}

enum class Way { kFast, kPlain, kFileSide };

Seen RunOnce(const std::string& archive, const std::string& dest, Way way,
         const std::vector<OverwriteAnswer>& answers, int cancelAtPump) {
  Prefill(dest);
  ResetTestHost();
  CurrentTestHost().answers = answers;
  CurrentTestHost().fileSideThread = way == Way::kFileSide;
  if (cancelAtPump > 0)
    CurrentTestHost().onPump = [cancelAtPump](Extraction* x) {
      if (CurrentTestHost().pumps == cancelAtPump) x->cancelRequested = 1;
    };
  ExtractOutcome o = ExtractProgramFile(archive, dest, Bytes(), false,
                                        way == Way::kPlain ? PlainDecodeFileBody : nullptr);
  return SeenAfter(o, dest);
}

class DecoderOutcomeTest : public ::testing::Test {
 protected:
  void SetUp() override { archive_ = MakeArchive(dir_); }
  Seen AllWays(const std::string& what, const std::vector<OverwriteAnswer>& answers,
            int cancelAtPump = 0) {
    Seen fast = RunOnce(archive_, dir_ / "fast", Way::kFast, answers, cancelAtPump);
    Seen plain = RunOnce(archive_, dir_ / "plain", Way::kPlain, answers, cancelAtPump);
    Seen fileSide = RunOnce(archive_, dir_ / "side", Way::kFileSide, answers, cancelAtPump);
    ExpectSame(fast, plain, what);
    ExpectSame(fileSide, fast, what + ", files on a second thread");
    return fast;
  }
  TempDir dir_;
  std::string archive_;
};

TEST_F(DecoderOutcomeTest, ACleanRunWithQuestionsLeavesTheSameFiles) {
  Seen s = AllWays("yes and no", {kOverwriteYes, kOverwriteNo, kOverwriteYes, kOverwriteNo});
  EXPECT_EQ(s.outcome.result, kExtractFinished);
  EXPECT_EQ(s.prompts.size(), 5u);
}

TEST_F(DecoderOutcomeTest, CancelAtAQuestionEndsTheRunAtThatFile) {
  for (size_t at = 0; at < 5; at++) {
    std::vector<OverwriteAnswer> answers(at, kOverwriteYes);
    answers.push_back(kOverwriteCancel);
    Seen s = AllWays("cancel at question " + std::to_string(at), answers);
    EXPECT_EQ(s.outcome.result, kExtractCancelled);
    EXPECT_EQ(s.prompts.size(), at + 1);
  }
}

TEST_F(DecoderOutcomeTest, CancelInTheMiddleOfABodyRemovesThatFileOnly) {
  for (int atPump : {1, 40, 300, 2000}) {
    Seen s = AllWays("cancel at pump " + std::to_string(atPump), {}, atPump);
    EXPECT_EQ(s.outcome.result, kExtractCancelled);
  }
}

TEST_F(DecoderOutcomeTest, DamageAnywhereEndsTheRunAtTheSameItem) {
  Bytes original = ReadFileBytes(archive_);
  std::mt19937 random(2024);
  int damaged = 0;
  for (int run = 0; run < 16; run++) {
    // Anywhere in the block stream, which starts behind the stub and the
    // header's first bytes.
    size_t at = 26112 + 64 + random() % (original.size() - 26112 - 64);
    Bytes copy = original;
    copy[at] ^= 0x5A;
    WriteFileBytes(archive_, copy);
    Seen s = AllWays("byte " + std::to_string(at), {kOverwriteYes});
    if (s.outcome.result == kExtractDamaged) damaged++;
  }
  WriteFileBytes(archive_, original);
  EXPECT_GE(damaged, 12);
}

}  // namespace
