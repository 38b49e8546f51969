// A signal in the middle of an extraction ends it as Cancel does: the file
// in hand goes (or its temporary, the old file kept), no temporary stays,
// and the exit code is the cancel code. Temporaries that a crashed run
// left are known by their names and swept by the next run.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/platform.h"
#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

extern char** environ;

namespace {

std::vector<std::string> EntriesOf(const std::string& dir) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The size of the file at path, or -1 while there is none.
int64_t SizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (int64_t)st.st_size : -1;
}

class InterruptionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // One large file of words (quick to code), then a small one.
    shared_ = new TempDir;
    fs::create_directories(*shared_ / "in");
    static const char* const kWords[] = {"archive ", "folder ", "file ", "time\n", "stamp "};
    std::mt19937 random(3);
    std::string big;
    while (big.size() < kBig) big += kWords[random() % 5];
    big.resize(kBig);
    WriteFileBytes(*shared_ / "in/big.bin", B(big));
    WriteFileBytes(*shared_ / "in/small.txt", B("small\n"));
    RunResult r = RunCorvane({"create", "-q", "--level", "1", *shared_ / "a.exe",
                              *shared_ / "in/big.bin", *shared_ / "in/small.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  static void TearDownTestSuite() { delete shared_; }

  // Starts an extraction into out, waits (bounded) for `watched` to appear
  // in out, stops the child there, sends the signal and lets it go on.
  int InterruptedExtraction(int signal, const std::string& out, const std::string& watchedPrefix,
                            std::vector<std::string> extra) {
    std::vector<std::string> args = {CORVANE_BINARY, "extract", "-q", *shared_ / "a.exe", "-d",
                                     out};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid;
    EXPECT_EQ(posix_spawn(&pid, CORVANE_BINARY, nullptr, nullptr, argv.data(), environ), 0);
    bool seen = false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!seen && std::chrono::steady_clock::now() < deadline) {
      if (fs::exists(out))
        for (const std::string& name : EntriesOf(out)) seen |= name.rfind(watchedPrefix, 0) == 0;
      if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    kill(pid, SIGSTOP);
    EXPECT_TRUE(seen) << watchedPrefix;
    // Stopped within the large file's body, which is far from done.
    for (const std::string& name : EntriesOf(out))
      if (name.rfind(watchedPrefix, 0) == 0) EXPECT_LT(SizeOf(out + "/" + name), (int64_t)kBig);
    kill(pid, signal);
    kill(pid, SIGCONT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "killed by the signal " << signal;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static const size_t kBig = 32 << 20;
  static TempDir* shared_;
  TempDir dir_;
};

TempDir* InterruptionTest::shared_ = nullptr;

TEST_F(InterruptionTest, ASignalRemovesTheFileInHandAndEndsWithTheCancelCode) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    std::string out = dir_ / ("out" + std::to_string(signal));
    EXPECT_EQ(InterruptedExtraction(signal, out, "big.bin", {}), 5) << signal;
    EXPECT_EQ(EntriesOf(out), std::vector<std::string>{}) << signal;
  }
}

TEST_F(InterruptionTest, ASignalWhileReplacingKeepsTheOldFileAndLeavesNoTemporary) {
  std::string out = dir_ / "out";
  fs::create_directories(out);
  WriteFileBytes(out + "/big.bin", B("the old contents"));
  EXPECT_EQ(InterruptedExtraction(SIGINT, out, ".corvane-", {"--overwrite"}), 5);
  EXPECT_EQ(EntriesOf(out), std::vector<std::string>{"big.bin"});
  EXPECT_EQ(ReadFileBytes(out + "/big.bin"), B("the old contents"));
}

// A process number that is free: a child that has been waited for.
pid_t GoneProcess() {
  pid_t gone = fork();
  if (gone == 0) _exit(0);
  if (gone > 0) waitpid(gone, nullptr, 0);
  return gone;
}

TEST_F(InterruptionTest, TemporariesOfRunsThatAreGoneAreSweptAndNothingElse) {
  pid_t gone = GoneProcess();
  ASSERT_GT(gone, 0);
  std::string out = dir_ / "out";
  fs::create_directories(out);
  std::string stale = ".corvane-" + std::to_string(gone) + "-0.tmp";
  std::string live = ".corvane-" + std::to_string(getpid()) + "-0.tmp";
  for (const std::string& name : {stale, live, std::string("corvane-0.tmp"),
                                  std::string(".corvane-x-0.tmp")})
    WriteFileBytes(out + "/" + name, B("left"));
  fs::create_directories(out + "/.corvane-" + std::to_string(gone) + "-1.tmp");
  RunResult r = RunCorvane({"extract", "-q", *shared_ / "a.exe", "small.txt", "-d", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // Kept: a folder, the temporary of a live run, names not of that form.
  std::vector<std::string> kept = {".corvane-" + std::to_string(gone) + "-1.tmp", live,
                                   ".corvane-x-0.tmp", "corvane-0.tmp", "small.txt"};
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(EntriesOf(out), kept);
}

// A folder that the run made itself is not searched for them: nothing
// can have been left there. One that was there before is.
TEST(SweepTest, AFolderTheRunMadeIsNotSearchedForTemporaries) {
  pid_t gone = GoneProcess();
  ASSERT_GT(gone, 0);
  TempDir dir;
  fs::create_directories(dir / "before");
  OsRoot* root = OsOpenRoot(dir.path().c_str());
  ASSERT_NE(root, nullptr);
  ASSERT_TRUE(OsCreateFolder(root, "made\\"));
  std::string stale = ".corvane-" + std::to_string(gone) + "-0.tmp";
  for (const char* folder : {"before", "made"}) {
    WriteFileBytes(dir / (std::string(folder) + "/" + stale), B("left"));
    OsFile f = OsCreateFile(root, (std::string(folder) + "\\f").c_str());
    ASSERT_NE(f, kNoFile) << folder;
    EXPECT_TRUE(OsClose(f));
  }
  OsCloseRoot(root);
  EXPECT_EQ(EntriesOf(dir / "before"), std::vector<std::string>{"f"});
  EXPECT_EQ(EntriesOf(dir / "made"), (std::vector<std::string>{stale, "f"}));
}

}  // namespace
