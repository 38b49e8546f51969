// The run command of an archive, opened by the stub under Wine after a
// finished run, with the destination as the current folder.
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/wine/stub_test.h"

namespace {

// The batch file runs on its own after the stub has ended: wait for what
// it writes, within a bound.
bool WaitForFile(const std::string& path, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (PathExists(path) && !ReadFileBytes(path).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

std::string Trimmed(const Bytes& b) {
  std::string s(b.begin(), b.end());
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

class RunCommandTest : public StubTest {};

TEST_F(RunCommandTest, FinishedRunOpensTheCommandInTheDestination) {
  std::filesystem::create_directories(dir_ / "in");
  // "cd" alone prints the current folder.
  WriteFileBytes(dir_ / "in/where.bat", B("@cd > where.txt\r\n"));
  std::string archive = MakeArchive("a.exe", {dir_ / "in", "--run", "in\\where.bat"});
  const std::string out = Out();
  Transcript t = ExpandWithOneBox(archive, WinPath(out));
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  // Relative to the destination: the batch file runs there, and so writes
  // there, not below in\ nor in the stub's start folder.
  ASSERT_TRUE(WaitForFile(out + "/where.txt", 30));
  EXPECT_EQ(Trimmed(ReadFileBytes(out + "/where.txt")), WinPath(out));
  EXPECT_FALSE(PathExists(Cwd() + "/where.txt"));
}

TEST_F(RunCommandTest, CommandThatCannotBeOpenedIsReportedAndTheEndIsStillZero) {
  std::filesystem::create_directories(dir_ / "in");
  WriteFileBytes(dir_ / "in/a.txt", B("a\n"));
  std::string archive = MakeArchive("a.exe", {dir_ / "in", "--run", "ない.exe"});
  const std::string out = Out();
  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)})
      .Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"});
  s.Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "set", "clicked", "box", "answered", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  ExpectBox(t.Nth("box", 1), std::string("ない.exe") + said::kRunFailed, "ok", "hand");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

}  // namespace
