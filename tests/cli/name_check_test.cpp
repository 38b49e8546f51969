// The name check of test and list held against a real extraction into an
// empty folder, on archives of random names made of the levels and
// separators that matter: both must end at the same item, with the same
// result and failed prefix, or both finish.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "cli/name_check.h"
#include "platform/host_platform.h"
#include "tests/test_host.h"
#include "tests/unit/item_bytes.h"

namespace {

const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"

std::string RandomLevel(std::mt19937* rng) {
  static const std::vector<std::string> kGood = {"a", "b", "c.txt", "\x95\x5C", "\x83\x5C.txt",
                                                 "."};
  // Not Shift-JIS, a lead byte at the end, 270 bytes in UTF-8.
  static const std::vector<std::string> kBad = {"d\x85\x40", "e\x81", std::string(90, '\xB1')};
  if ((*rng)() % 12 == 0) return kBad[(*rng)() % kBad.size()];
  return kGood[(*rng)() % kGood.size()];
}

std::string RandomName(std::mt19937* rng) {
  static const std::vector<std::string> kSeparators = {"\\", "\\", "\\", "\\", "/", "\\\\",
                                                       "/\\", "\\/"};
  int levels = 1 + (int)((*rng)() % 3);
  std::string name = RandomLevel(rng);
  for (int i = 1; i < levels; i++)
    name += kSeparators[(*rng)() % kSeparators.size()] + RandomLevel(rng);
  return name;
}

}  // namespace

TEST(NameCheck, EndsWhereExtractionIntoAnEmptyFolderEnds) {
  std::mt19937 rng(14);
  int failures = 0, finished = 0;
  for (int round = 0; round < 300; round++) {
    Bytes items;
    std::vector<std::string> names;
    int count = 1 + (int)(rng() % 5);
    for (int i = 0; i < count; i++) {
      std::string name = RandomName(&rng);
      if (rng() % 4 == 0)
        AppendFolderEntry(&items, B(name + "\\."));
      else
        AppendFileEntry(&items, B(name), 1, 2, 3, 1, 0, 0, kBodyA);
      names.push_back(name);
    }
    TempDir dir;
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    WriteFileBytes(dir / "p.exe", MakeProgramFile(p));
    std::string trace;
    for (const std::string& n : names) trace += "[" + n + "] ";
    SCOPED_TRACE(trace);

    // An item that is there already is skipped, as with --skip-existing.
    ResetTestHost();
    CurrentTestHost().answers.assign(16, kOverwriteNo);
    mkdir((dir / "out").c_str(), 0777);
    ExtractOutcome real = ExtractProgramFile(dir / "p.exe", dir / "out");
    int realError = PlatformLastError();

    ResetTestHost();
    NameCheck check;
    OutputSink sink = check.Sink();
    ExtractOutcome checked = ExtractProgramFile(dir / "p.exe", "", Bytes(), true, nullptr, &sink);

    ASSERT_EQ(checked.result, real.result) << real.where << " / " << checked.where;
    EXPECT_EQ(checked.where, real.where);
    EXPECT_EQ(checked.failedPrefix, real.failedPrefix);
    if (real.result == kExtractWriteFailed || real.result == kExtractFolderFailed) {
      failures++;
      if (real.result == kExtractWriteFailed) {
        EXPECT_EQ(check.error(), realError);
      }
    } else if (real.result == kExtractFinished) {
      finished++;
    }
  }
  // Both outcomes are well represented.
  std::cout << finished << " finished, " << failures << " failed to write\n";
  EXPECT_GT(failures, 50);
  EXPECT_GT(finished, 50);
}
