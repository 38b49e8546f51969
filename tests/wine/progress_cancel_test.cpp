// The progress window of the stub under Wine, and its Cancel button in
// the middle of a large file.
#include <filesystem>

#include "tests/roundtrip/roundtrip_support.h"
#include "tests/wine/stub_test.h"

namespace {

// About 1.7 s each for the stub under Wine on the machine this was
// written on: long enough to take a screenshot during the first and to
// press Cancel during the second.
const size_t kLargeSize = 40 * 1000 * 1000;

class ProgressCancelTest : public StubTest {};

TEST_F(ProgressCancelTest, CancelDuringALargeFileRemovesItAndKeepsTheFinishedOnes) {
  std::filesystem::create_directories(dir_ / "in");
  WriteFileBytes(dir_ / "in/1-small.txt", B("small\n"));
  WriteFileBytes(dir_ / "in/2-large.txt", TextLike(21, kLargeSize));
  WriteFileBytes(dir_ / "in/3-large.txt", TextLike(22, kLargeSize));
  std::string archive = MakeArchive("a.exe", {dir_ / "in", "--level", "1", "--run", "never.bat"});
  const std::string out = Out();
  const std::string expanding2 = said::kExpanding + WinPath(out + "/in/2-large.txt");
  const std::string expanding3 = said::kExpanding + WinPath(out + "/in/3-large.txt");

  Script s(archive, Cwd());
  s.Add({"timeout", "60"}).Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"status", expanding2}).Add({"snap", "progress"});
  // Clicked twice before the stub looks: the same as once.
  s.Add({"status", expanding3})
      .Add({"cancel", "2"})
      .Add({"box"})
      .Add({"answer", "ok"})
      .Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "status", "snapped", "status",
                              "cancel_clicked", "box", "answered", "exit"}));
  ExpectText(t.Nth("status"), "title", said::kProgressTitle);
  EXPECT_EQ(t.Nth("status")["owner"], "main");
  ExpectBox(t.Nth("box"), said::kCancelled, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  EXPECT_EQ(ReadFileBytes(out + "/in/1-small.txt"), B("small\n"));
  EXPECT_EQ(ReadFileBytes(out + "/in/2-large.txt"), ReadFileBytes(dir_ / "in/2-large.txt"));
  EXPECT_FALSE(PathExists(out + "/in/3-large.txt"));
  // A cancelled run does not open the run command: had it been tried, its
  // failure box would have kept the stub from ending.
}

}  // namespace
