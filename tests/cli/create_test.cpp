// corvane create as a user meets it: the output never destroys a file, the
// names the stub would refuse are left out or refused, inputs are taken
// as archivers take them, and an interrupted run leaves nothing behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/cli/run_corvane.h"
#include "tests/cli/run_on_terminal.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::vector<std::string> Listing(const std::string& archive) {
  RunResult r = RunCorvane({"list", "-q", archive});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> names;
  size_t at = r.out.find("Name\n");
  for (size_t i = at + 5; i < r.out.size();) {
    size_t end = r.out.find('\n', i);
    std::string line = r.out.substr(i, end - i);
    names.push_back(line.substr(line.rfind("  ") + 2));
    i = end + 1;
  }
  return names;
}

// The entries of a folder, hidden ones included.
std::vector<std::string> EntriesOf(const std::string& dir) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class CreateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "in/sub");
    WriteFileBytes(dir_ / "in/a.txt", B("alpha\n"));
    WriteFileBytes(dir_ / "in/sub/b.txt", B("beta\n"));
  }
  RunResult Create(std::vector<std::string> args) {
    args.insert(args.begin(), "create");
    return RunCorvane(args);
  }
  TempDir dir_;
};

TEST_F(CreateTest, TheOutputNeverDestroysAFile) {
  // Output and input swapped: a text file is not an archive.
  WriteFileBytes(dir_ / "notes.txt", B("keep me"));
  RunResult r = Create({dir_ / "notes.txt", dir_ / "in"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "notes.txt"), B("keep me"));
  // An archive of ours is replaced without asking.
  ASSERT_EQ(Create({dir_ / "a.exe", dir_ / "in"}).exitCode, 0);
  ASSERT_EQ(Create({dir_ / "a.exe", dir_ / "in/a.txt"}).exitCode, 0);
  EXPECT_EQ(Listing(dir_ / "a.exe"), std::vector<std::string>{"a.txt"});
  // The output as its own input: refused, even forced.
  r = Create({dir_ / "in/a.txt", dir_ / "in/a.txt", "--force"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("is the output itself"), std::string::npos) << r.err;
  r = Create({dir_ / "in/sub/b.txt", dir_ / "in", "--force"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(ReadFileBytes(dir_ / "in/a.txt"), B("alpha\n"));
  EXPECT_EQ(ReadFileBytes(dir_ / "in/sub/b.txt"), B("beta\n"));
  // Forced over a file that is not an input.
  EXPECT_EQ(Create({dir_ / "notes.txt", dir_ / "in", "--force"}).exitCode, 0);
  EXPECT_EQ(Listing(dir_ / "notes.txt").size(), 4u);
  // Nothing but the outputs beside them, no temporary file.
  EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"a.exe", "in", "notes.txt"}));
}

TEST_F(CreateTest, InputsTheStubWouldRefuseAreLeftOutOrEndAStrictRun) {
  fs::create_directories(dir_ / "in/dev");
  WriteFileBytes(dir_ / "in/dev/CON.txt", B("device"));
  WriteFileBytes(dir_ / "in/dev/aux", B("device"));
  std::string longName(252, 'n');  // past 259 bytes with "in\dev\" and "C:\"
  WriteFileBytes(dir_ / ("in/dev/" + longName), B("long"));
  mkfifo((dir_ / "fifo").c_str(), 0600);
  RunResult r = Create({dir_ / "a.exe", dir_ / "in", dir_ / "fifo"});
  EXPECT_EQ(r.exitCode, 7) << r.err;
  for (const char* named : {"CON.txt", "dev/aux", "nnnnnnnn", "fifo"})
    EXPECT_NE(r.err.find(named), std::string::npos) << named << "\n" << r.err;
  EXPECT_EQ(Listing(dir_ / "a.exe"),
            (std::vector<std::string>{"in/", "in/a.txt", "in/dev/", "in/sub/", "in/sub/b.txt"}));
  RunResult t = RunCorvane({"test", dir_ / "a.exe"});
  EXPECT_EQ(t.exitCode, 0) << t.err;

  r = Create({dir_ / "b.exe", dir_ / "in", "--strict"});
  EXPECT_EQ(r.exitCode, 6);
  EXPECT_FALSE(PathExists(dir_ / "b.exe"));
  r = Create({dir_ / "c.exe", dir_ / "fifo"});
  EXPECT_EQ(r.exitCode, 6);
  EXPECT_FALSE(PathExists(dir_ / "c.exe"));
}

TEST_F(CreateTest, InputsAsArchiversTakeThem) {
  fs::create_directories(dir_ / "in/build");
  WriteFileBytes(dir_ / "in/build/x.o", B("obj"));
  WriteFileBytes(dir_ / "in/sub/c.o", B("obj"));
  fs::create_symlink(dir_ / "in/sub", dir_ / "in/linked");
  WriteFileBytes(dir_ / "list.txt", B((dir_ / "in/a.txt") + "\n\n" + (dir_ / "in/sub") + "\r\n"));
  RunResult r = Create({dir_ / "a.exe", dir_ / "in", "--exclude", "*.o", "--exclude", "in/build"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("skipped the link"), std::string::npos) << r.err;
  EXPECT_EQ(Listing(dir_ / "a.exe"),
            (std::vector<std::string>{"in/", "in/a.txt", "in/sub/", "in/sub/b.txt"}));
  ASSERT_EQ(Create({dir_ / "b.exe", "-T", dir_ / "list.txt", "-q"}).exitCode, 0);
  EXPECT_EQ(Listing(dir_ / "b.exe"),
            (std::vector<std::string>{"a.txt", "sub/", "sub/b.txt", "sub/c.o"}));
  r = Create({dir_ / "c.exe", dir_ / "in", "--follow-links", "--exclude", "*.o", "-q"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Listing(dir_ / "c.exe"),
            (std::vector<std::string>{"in/", "in/a.txt", "in/build/", "in/linked/",
                                      "in/linked/b.txt", "in/sub/", "in/sub/b.txt"}));
  // -C: the paths after it (and those of -T) below that folder.
  WriteFileBytes(dir_ / "names.txt", B("b.txt\n"));
  ASSERT_EQ(Create({dir_ / "e.exe", "-C", dir_ / "in", "a.txt", "-C", dir_ / "in/sub", "c.o",
                    "-T", dir_ / "names.txt"})
                .exitCode,
            0);
  EXPECT_EQ(Listing(dir_ / "e.exe"), (std::vector<std::string>{"a.txt", "b.txt", "c.o"}));
  // A link back to a folder above it is left out, not walked forever.
  fs::create_symlink(dir_ / "in", dir_ / "in/sub/up");
  r = Create({dir_ / "d.exe", dir_ / "in", "--follow-links"});
  EXPECT_EQ(r.exitCode, 7) << r.err;
  EXPECT_NE(r.err.find("link to a folder above it"), std::string::npos) << r.err;
}

TEST_F(CreateTest, SourceDateEpochMakesTheSameArchiveAfterTheFilesWereRead) {
  setenv("SOURCE_DATE_EPOCH", "1600000000", 1);
  ASSERT_EQ(Create({dir_ / "one.exe", dir_ / "in"}).exitCode, 0);
  // Read the inputs (their access times move), and give one a later write
  // time than the epoch.
  ReadFileBytes(dir_ / "in/a.txt");
  struct timespec later[2] = {{1700000000, 0}, {1700000000, 0}};
  utimensat(AT_FDCWD, (dir_ / "in/sub/b.txt").c_str(), later, 0);
  ASSERT_EQ(Create({dir_ / "two.exe", dir_ / "in"}).exitCode, 0);
  ASSERT_EQ(Create({dir_ / "three.exe", dir_ / "in"}).exitCode, 0);
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(ReadFileBytes(dir_ / "two.exe"), ReadFileBytes(dir_ / "three.exe"));
  RunResult l = RunCorvane({"list", dir_ / "two.exe"});
  EXPECT_NE(l.out.find("2020-09-13 12:26:40  in/sub/b.txt"), std::string::npos) << l.out;
  setenv("SOURCE_DATE_EPOCH", "soon", 1);
  EXPECT_EQ(Create({dir_ / "four.exe", dir_ / "in"}).exitCode, 2);
  unsetenv("SOURCE_DATE_EPOCH");
}

// A real child, interrupted while it writes: no temporary file is left, an
// older archive stays as it was, and the exit code is the cancel code.
TEST_F(CreateTest, AnInterruptedRunLeavesNothingBehind) {
  ASSERT_EQ(Create({dir_ / "a.exe", dir_ / "in"}).exitCode, 0);
  Bytes before = ReadFileBytes(dir_ / "a.exe");
  std::mt19937 random(11);
  Bytes big(48 << 20);
  for (auto& c : big) c = (uint8_t)(random() & 0x3F);  // slow to code at --best
  WriteFileBytes(dir_ / "in/big.bin", big);
  for (int signal : {SIGINT, SIGTERM}) {
    std::string out = dir_ / "a.exe", in = dir_ / "in";
    const char* argv[] = {CORVANE_BINARY, "create", out.c_str(), in.c_str(), "--best",
                          "-q", nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, CORVANE_BINARY, nullptr, nullptr, (char**)argv, environ), 0);
    // Wait, within a bound, for the temporary file to appear.
    bool writing = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!writing && std::chrono::steady_clock::now() < deadline) {
      for (const std::string& name : EntriesOf(dir_.path())) writing |= name[0] == '.';
      if (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(writing);
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << signal;
    EXPECT_EQ(WEXITSTATUS(status), 5);
    EXPECT_EQ(EntriesOf(dir_.path()), (std::vector<std::string>{"a.exe", "in"}));
    EXPECT_EQ(ReadFileBytes(dir_ / "a.exe"), before);
  }
}

TEST_F(CreateTest, ATerminalSeesAProgressBarThenOneLineOfSummaryAndQuietSeesNeither) {
  WriteFileBytes(dir_ / "in/big.bin", Bytes(12 << 20, 'x'));
  TerminalRun run = RunOnTerminal({"create", dir_ / "a.exe", dir_ / "in"});
  EXPECT_EQ(run.exitCode, 0) << run.shown;
  EXPECT_NE(run.shown.find("3/3 files"), std::string::npos) << run.shown;
  EXPECT_NE(run.shown.find("MB/s"), std::string::npos) << run.shown;
  // The bar is wiped before the summary, the one line that stays.
  size_t summary = run.shown.find(dir_ / "a.exe: 3 files, 2 folders");
  ASSERT_NE(summary, std::string::npos) << run.shown;
  EXPECT_EQ(run.shown.rfind("\r\033[K", summary), summary - 4) << run.shown;
  EXPECT_EQ(run.shown.find("\r\n", summary), run.shown.size() - 2);

  TerminalRun quiet = RunOnTerminal({"create", "-q", dir_ / "b.exe", dir_ / "in"});
  EXPECT_EQ(quiet.exitCode, 0) << quiet.shown;
  EXPECT_EQ(quiet.shown, "");
}

TEST_F(CreateTest, AFullDiskLeavesNothingBehind) {
  std::mt19937 random(5);
  Bytes big(3 << 20);
  for (auto& c : big) c = (uint8_t)random();
  WriteFileBytes(dir_ / "in/big.bin", big);
  std::string disk = dir_ / "disk";
  fs::create_directories(disk);
  if (getuid() != 0 || system(("mount -t tmpfs -o size=1m corvane-test " + disk).c_str()) != 0)
    GTEST_SKIP() << "needs root to mount a small tmpfs";
  RunResult r = Create({disk + "/a.exe", dir_ / "in"});
  std::vector<std::string> left = EntriesOf(disk);
  EXPECT_EQ(system(("umount " + disk).c_str()), 0);
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("No space left"), std::string::npos) << r.err;
  EXPECT_EQ(left, std::vector<std::string>{});
}

}  // namespace
