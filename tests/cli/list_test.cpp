// corvane list: local time or UTC, the verbose form's stored bytes and
// ratios, the header of a protected archive without its password, and the
// whole text of a listing against golden files.
//
// The golden files (tests/cli/golden/*.txt) are rewritten from the current
// output with
//   CORVANE_UPDATE_GOLDEN=1 build/nowin/tests/cli_tests --gtest_filter='ListTest.Golden*'
// and then reviewed like code.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>

#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

Bytes Seeded(size_t n, uint32_t seed, int alphabet) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = (uint8_t)(alphabet == 256 ? rng() : 'a' + rng() % alphabet);
  return b;
}

void SetWriteTime(const std::string& path, time_t mtime) {
  struct timespec ts[2] = {{mtime, 250000000}, {mtime, 125000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), ts, 0), 0) << path;
}

// TZ for the test's own runs of corvane, put back afterwards. A POSIX zone
// rule needs no zone database: "XST-9" is nine hours east of UTC.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
  }
  ~ScopedTimeZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
  }

 private:
  bool had_;
  std::string old_;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

// The data bytes of an unprotected archive's block stream, from its length
// alone: the header is the stub, the size field, the two texts with their
// zeros and the flags; every block of up to 4096 bytes has a 2-byte trailer.
int64_t StreamDataBytes(const std::string& archive, size_t descriptionLen, size_t runLen) {
  int64_t stream = (int64_t)fs::file_size(archive) - (26112 + 4 + (int64_t)descriptionLen + 1 +
                                                       (int64_t)runLen + 1 + 1);
  int64_t blocks = (stream + 4097) / 4098;
  return stream - 2 * blocks;
}

class ListTest : public ::testing::Test {
 protected:
  // "t/" holds a.bin (incompressible), b.txt (four letters: compressible),
  // c.txt (a copy of b.txt) and an empty folder z/.
  std::string MakeArchive(std::vector<std::string> extra = {}) {
    fs::create_directories(dir_ / "in/t/z");
    WriteFileBytes(dir_ / "in/t/a.bin", Seeded(100000, 1, 256));
    WriteFileBytes(dir_ / "in/t/b.txt", Seeded(50000, 2, 4));
    WriteFileBytes(dir_ / "in/t/c.txt", Seeded(50000, 2, 4));
    SetWriteTime(dir_ / "in/t/a.bin", 1500000000);
    SetWriteTime(dir_ / "in/t/b.txt", 1000000000);
    SetWriteTime(dir_ / "in/t/c.txt", 1000000000);
    std::vector<std::string> args = {"create", "-q", dir_ / "a.exe", dir_ / "in/t"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir_ / "a.exe";
  }

  // Compares with a golden file, or rewrites it when asked to.
  void ExpectGolden(const std::string& name, const std::string& text) {
    std::string path = std::string(CORVANE_GOLDEN_DIR) + "/" + name;
    if (getenv("CORVANE_UPDATE_GOLDEN")) {
      WriteFileBytes(path, B(text));
      return;
    }
    ASSERT_TRUE(PathExists(path)) << path;
    Bytes golden = ReadFileBytes(path);
    EXPECT_EQ(std::string(golden.begin(), golden.end()), text) << name;
  }

  TempDir dir_;
};

}  // namespace

TEST_F(ListTest, LocalTimeByDefaultAndUtcOnRequest) {
  std::string a = MakeArchive();
  ScopedTimeZone tz("XST-9");
  // 1500000000 is 2017-07-14 02:40:00 UTC, 11:40 nine hours east.
  RunResult local = RunCorvane({"list", a});
  ASSERT_EQ(local.exitCode, 0) << local.err;
  EXPECT_NE(local.out.find("Modified (local)"), std::string::npos) << local.out;
  EXPECT_NE(local.out.find("2017-07-14 11:40:00  t/a.bin"), std::string::npos) << local.out;
  RunResult utc = RunCorvane({"list", "--utc", a});
  ASSERT_EQ(utc.exitCode, 0) << utc.err;
  EXPECT_NE(utc.out.find("Modified (UTC)"), std::string::npos) << utc.out;
  EXPECT_NE(utc.out.find("2017-07-14 02:40:00  t/a.bin"), std::string::npos) << utc.out;
  // JSON keeps UTC, marked so, whatever the zone.
  RunResult json = RunCorvane({"list", "--json", a});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  nlohmann::json j = nlohmann::json::parse(json.out);
  for (auto& e : j["items"])
    if (e["name"] == "t/a.bin") EXPECT_EQ(e["writeTime"], "2017-07-14T02:40:00.1250000Z");
}

// Each item's stored bytes are its record and its coded body: the folders'
// follow from their names alone, and all of them add up to the block
// stream's data bytes.
TEST_F(ListTest, VerboseShowsEachItemsStoredBytesExactly) {
  std::string a = MakeArchive();
  RunResult json = RunCorvane({"list", "--json", a});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  nlohmann::json j = nlohmann::json::parse(json.out);
  std::map<std::string, int64_t> stored, size;
  int64_t total = 0;
  for (auto& e : j["items"]) {
    stored[e["name"]] = e["storedBytes"].get<int64_t>();
    if (e["type"] == "file") size[e["name"]] = e["size"].get<int64_t>();
    total += e["storedBytes"].get<int64_t>();
  }
  EXPECT_EQ(total, StreamDataBytes(a, 0, 0));
  // "t\." and its zero; "t\z\." (or "*", a count of 0 and "z\.": as long).
  EXPECT_EQ(stored["t/"], 4);
  EXPECT_EQ(stored["t/z/"], 6);
  // A file's record: its name, three times, the size, the distance (and K
  // when it borrows); the rest is its body. Random bytes do not shrink;
  // the copy borrows all of its first 16384 bytes and codes little.
  EXPECT_GT(stored["t/a.bin"], 100000);
  EXPECT_LT(stored["t/b.txt"], 50000 / 3);
  EXPECT_LT(stored["t/c.txt"], stored["t/b.txt"]);
  // The text form shows the same figures, with the ratio and the totals.
  RunResult text = RunCorvane({"list", "-v", "--utc", a});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  char row[160];
  snprintf(row, sizeof row, "%12d  %12lld", 100000, (long long)stored["t/a.bin"]);
  EXPECT_NE(text.out.find(row), std::string::npos) << text.out;
  int64_t files = size["t/a.bin"] + size["t/b.txt"] + size["t/c.txt"];
  snprintf(row, sizeof row, "3 files, 2 folders, %lld bytes, stored in %lld bytes (",
           (long long)files, (long long)total);
  EXPECT_NE(text.out.find(row), std::string::npos) << text.out;
  // The ratio: stored bytes per hundred bytes of the file, one decimal.
  int64_t permille = (stored["t/b.txt"] * 1000 + 25000) / 50000;
  snprintf(row, sizeof row, "%lld.%lld%%", (long long)permille / 10, (long long)permille % 10);
  size_t line = text.out.find("t/b.txt");
  ASSERT_NE(line, std::string::npos);
  size_t start = text.out.rfind('\n', line) + 1;
  EXPECT_NE(text.out.substr(start, line - start).find(row), std::string::npos) << text.out;
}

TEST_F(ListTest, AProtectedArchiveWithoutItsPasswordStillShowsItsHeader) {
  WriteFileBytes(dir_ / "pw", B("secret"));
  std::string a = MakeArchive({"--password-file", dir_ / "pw", "--description", "説明",
                               "--run", "t/b.txt"});
  RunResult json = RunCorvane({"list", "--json", a});
  EXPECT_EQ(json.exitCode, 3);
  EXPECT_NE(json.err.find("corvane: " + a + ": "), std::string::npos) << json.err;
  nlohmann::json j = nlohmann::json::parse(json.out);
  EXPECT_EQ(j["description"], "説明");
  EXPECT_EQ(j["runCommand"], "t/b.txt");
  EXPECT_TRUE(j["protected"].get<bool>());
  EXPECT_FALSE(j["complete"].get<bool>());
  EXPECT_NE(j["error"].get<std::string>().find("protected"), std::string::npos) << json.out;
  EXPECT_FALSE(j.contains("items"));
  // A wrong password says so in the same place.
  WriteFileBytes(dir_ / "bad", B("guess"));
  RunResult wrong = RunCorvane({"list", "--json", a, "--password-file", dir_ / "bad"});
  EXPECT_EQ(wrong.exitCode, 3);
  EXPECT_EQ(nlohmann::json::parse(wrong.out)["error"], "wrong password") << wrong.out;
  RunResult text = RunCorvane({"list", a});
  EXPECT_EQ(text.exitCode, 3);
  EXPECT_NE(text.out.find("Protected: yes"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Run command: t/b.txt"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find("t/a.bin"), std::string::npos) << text.out;
}

TEST_F(ListTest, APasswordFromStandardInput) {
  std::string a = MakeArchive();
  // create takes it from standard input too, one final newline dropped.
  RunResult made = RunCorvaneWithInput(
      {"create", "-q", dir_ / "p.exe", dir_ / "in/t", "--password-file", "-"}, "パス word\n");
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* command : {"list", "test"}) {
    RunResult r =
        RunCorvaneWithInput({command, dir_ / "p.exe", "--password-file", "-"}, "パス word\n");
    EXPECT_EQ(r.exitCode, 0) << command << ": " << r.err;
    RunResult wrong =
        RunCorvaneWithInput({command, dir_ / "p.exe", "--password-file", "-"}, "パス\n");
    EXPECT_EQ(wrong.exitCode, 3) << command;
  }
  RunResult x = RunCorvaneWithInput(
      {"extract", dir_ / "p.exe", "-d", dir_ / "out", "--password-file", "-"}, "パス word");
  EXPECT_EQ(x.exitCode, 0) << x.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/t/b.txt"), ReadFileBytes(dir_ / "in/t/b.txt"));
  // The paths and the password cannot both come from there.
  RunResult both = RunCorvaneWithInput(
      {"create", dir_ / "q.exe", "-T", "-", "--password-file", "-"}, "x\n");
  EXPECT_EQ(both.exitCode, 2);
  EXPECT_FALSE(PathExists(dir_ / "q.exe"));
  // A password file that cannot be read is named with the system's words.
  RunResult missing = RunCorvane({"test", dir_ / "p.exe", "--password-file", dir_ / "nope"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("corvane: " + (dir_ / "p.exe") + ": cannot read the password file '" +
                             (dir_ / "nope") + "': No such file or directory"),
            std::string::npos)
      << missing.err;
}

TEST_F(ListTest, GoldenListings) {
  std::string a = MakeArchive({"--description", "二行の\r\n説明", "--run", "t/b.txt"});
  ScopedTimeZone tz("XST-9");
  RunResult local = RunCorvane({"list", a});
  ASSERT_EQ(local.exitCode, 0) << local.err;
  ExpectGolden("list-local.txt", Replace(local.out, a, "a.exe"));
  RunResult verbose = RunCorvane({"list", "-v", "--utc", a});
  ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
  ExpectGolden("list-verbose-utc.txt", Replace(verbose.out, a, "a.exe"));
}
