// A tree with Shift-JIS names whose second bytes are backslashes,
// extracted by the stub under Wine and by corvane: the same folders and
// files, the same bytes, the same time stamps.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/cli/run_corvane.h"
#include "tests/roundtrip/roundtrip_support.h"
#include "tests/wine/stub_test.h"

namespace fs = std::filesystem;

namespace {

void SetTimes(const std::string& path, time_t atime, long ansec, time_t mtime, long mnsec) {
  struct timespec ts[2] = {{atime, ansec}, {mtime, mnsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), ts, 0), 0) << path;
}

// Access and write times of every file, in 100 ns ticks, taken before any
// file is read (a read may move an access time).
std::map<std::string, std::pair<int64_t, int64_t>> TimesBelow(const std::string& root) {
  std::map<std::string, std::pair<int64_t, int64_t>> times;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    struct stat st;
    stat(e.path().c_str(), &st);
    auto ticks = [](const struct timespec& t) {
      return (int64_t)t.tv_sec * 10000000 + t.tv_nsec / 100;
    };
    times[fs::relative(e.path(), root).string()] = {ticks(st.st_atim), ticks(st.st_mtim)};
  }
  return times;
}

class NamesAndTimesTest : public StubTest {
 protected:
  std::string MakeTree() {
    const std::string in = dir_ / "in";
    fs::create_directories(in + "/表/ソフト/十");
    fs::create_directories(in + "/能力/空");
    WriteFileBytes(in + "/表/表.txt", B("表\n"));
    WriteFileBytes(in + "/表/ソフト/十/能.bin", RandomBytes(31, 30000));
    WriteFileBytes(in + "/表/ソフト/ソ.txt", TextLike(32, 50000));
    WriteFileBytes(in + "/能力/十分.txt", TextLike(32, 50000));  // borrows from ソ.txt
    WriteFileBytes(in + "/能力/zero", Bytes());
    SetTimes(in + "/表/表.txt", 1100000000, 123456700, 1000000000, 987654300);
    SetTimes(in + "/表/ソフト/十/能.bin", 1300000000, 100, 1200000000, 5000000);
    SetTimes(in + "/表/ソフト/ソ.txt", 1500000000, 0, 1400000000, 999999900);
    SetTimes(in + "/能力/十分.txt", 1700000000, 250000000, 1600000000, 750000000);
    SetTimes(in + "/能力/zero", 946684800, 0, 946684800, 0);
    return in;
  }
};

TEST_F(NamesAndTimesTest, ShiftJisTreeAndTimesMatchWhatCorvaneExtracts) {
  const std::string in = MakeTree();
  std::string archive = MakeArchive("a.exe", {in});

  const std::string byStub = dir_ / "stub", byCorvane = dir_ / "corvane";
  fs::create_directories(byStub);
  Transcript t = ExpandWithOneBox(archive, WinPath(byStub));
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  RunResult r = RunCorvane({"extract", archive, "-d", byCorvane, "--quiet"});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  auto stubTimes = TimesBelow(byStub), corvaneTimes = TimesBelow(byCorvane);
  EXPECT_EQ(stubTimes.size(), 5u);
  EXPECT_EQ(stubTimes, corvaneTimes);
  // And both are the times the files had when the archive was made.
  EXPECT_EQ(stubTimes["in/表/表.txt"],
            std::make_pair(int64_t(11000000001234567), int64_t(10000000009876543)));
  ExpectSameTree(byCorvane, byStub);
  ExpectSameTree(in, byStub + "/in");
}

// An archive made by corvane.exe under Wine, expanded by the stub: the
// same tree and write times (Wine's own listing of the folders moves the
// access times of what it lists before corvane.exe reads them).
TEST_F(NamesAndTimesTest, AnArchiveOfCorvaneExeExpandsExactlyWithTheStub) {
  const std::string in = MakeTree();
  auto before = TimesBelow(in);
  std::string archive = dir_ / "exe.exe";
  RunResult made = RunProgram({WINE_CORVANE, "create", "-q", "--best", archive, in});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string byStub = dir_ / "stub";
  fs::create_directories(byStub);
  Transcript t = ExpandWithOneBox(archive, WinPath(byStub));
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(in, byStub + "/in");
  auto after = TimesBelow(byStub + "/in");
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [name, times] : before) EXPECT_EQ(after[name].second, times.second) << name;
}

}  // namespace
