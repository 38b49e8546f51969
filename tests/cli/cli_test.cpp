// The corvane binary end to end: create, list, test and extract on
// temporary folders, with damaged archives, passwords and existing files.
#include <gtest/gtest.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <unistd.h>

#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = (uint8_t)rng();
  return b;
}

Bytes TextLike(size_t n, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "folder ", "file ", "time ", "stamp\n",
                                       "表示 ", "ソース ", "可能 ", "十分 ", "the "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < n) s += kWords[rng() % 10];
  s.resize(n);
  return B(s);
}

void SetTimes(const std::string& path, time_t atime, time_t mtime) {
  struct timespec ts[2] = {{atime, 250000000}, {mtime, 125000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), ts, 0), 0) << path;
}

// A small tree with Japanese names, an empty folder and known times.
void MakeTree(const std::string& root) {
  fs::create_directories(root + "/表示/ソース");
  fs::create_directories(root + "/empty");
  WriteFileBytes(root + "/readme.txt", B("hello\n"));
  WriteFileBytes(root + "/表示/text.txt", TextLike(60000, 1));
  WriteFileBytes(root + "/表示/ソース/能力.bin", RandomBytes(70000, 2));
  WriteFileBytes(root + "/表示/ソース/text-copy.txt", TextLike(60000, 1));
  WriteFileBytes(root + "/zero", Bytes());
  SetTimes(root + "/readme.txt", 1000000000, 1100000000);
  SetTimes(root + "/表示/text.txt", 1200000000, 1300000000);
  SetTimes(root + "/表示/ソース/能力.bin", 1400000000, 1500000000);
}

void ExpectSameTree(const std::string& a, const std::string& b) {
  std::vector<std::string> left, right;
  for (auto& e : fs::recursive_directory_iterator(a)) left.push_back(fs::relative(e.path(), a));
  for (auto& e : fs::recursive_directory_iterator(b)) right.push_back(fs::relative(e.path(), b));
  std::sort(left.begin(), left.end());
  std::sort(right.begin(), right.end());
  ASSERT_EQ(left, right);
  for (const std::string& rel : left) {
    std::string pa = a + "/" + rel, pb = b + "/" + rel;
    if (fs::is_directory(pa)) continue;
    // Times first: reading the contents may move the access times, which is
  // also why the sources' access times are checked apart (ExpectAccessTimes).
    struct stat sa, sb;
    stat(pa.c_str(), &sa);
    stat(pb.c_str(), &sb);
    EXPECT_EQ(sa.st_mtim.tv_sec, sb.st_mtim.tv_sec) << rel;
    // The archive keeps 100-nanosecond ticks.
    EXPECT_EQ(sa.st_mtim.tv_nsec / 100, sb.st_mtim.tv_nsec / 100) << rel;
    EXPECT_EQ(ReadFileBytes(pa), ReadFileBytes(pb)) << rel;
  }
}

// The access times MakeTree set, as the archive recorded them before its
// own reading moved them on the source side.
void ExpectAccessTimes(const std::string& root) {
  for (auto [rel, atime] : {std::pair<const char*, time_t>{"readme.txt", 1000000000},
                            {"表示/text.txt", 1200000000},
                            {"表示/ソース/能力.bin", 1400000000}}) {
    struct stat st;
    ASSERT_EQ(stat((root + "/" + rel).c_str(), &st), 0) << rel;
    EXPECT_EQ(st.st_atim.tv_sec, atime) << rel;
    EXPECT_EQ(st.st_atim.tv_nsec, 250000000) << rel;
  }
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { MakeTree(dir_ / "in/tree"); }
  std::string Archive(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"create", dir_ / "a.exe", dir_ / "in/tree"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir_ / "a.exe";
  }
  TempDir dir_;
};

}  // namespace

TEST_F(CliTest, CreateListTestExtractRoundTrip) {
  std::string a = Archive({"--description", "説明です。\r\n二行目", "--run", "readme.txt"});
  RunResult t = RunCorvane({"test", a});
  EXPECT_EQ(t.exitCode, 0) << t.err;
  RunResult l = RunCorvane({"list", a});
  EXPECT_EQ(l.exitCode, 0) << l.err;
  EXPECT_NE(l.out.find("tree/表示/ソース/能力.bin"), std::string::npos) << l.out;
  EXPECT_NE(l.out.find("説明です。"), std::string::npos);
  EXPECT_NE(l.out.find("Run command: readme.txt"), std::string::npos);
  RunResult x = RunCorvane({"extract", a, "-d", dir_ / "out"});
  EXPECT_EQ(x.exitCode, 0) << x.err;
  EXPECT_NE(x.out.find("readme.txt"), std::string::npos);  // named, not started
  ExpectAccessTimes(dir_ / "out/tree");  // before anything reads them
  ExpectSameTree(dir_ / "in", dir_ / "out");
}

TEST_F(CliTest, TestAndExtractFindDamageAtTheSameItem) {
  std::string a = Archive();
  Bytes bytes = ReadFileBytes(a);
  bytes[bytes.size() - 20000] ^= 0x10;
  WriteFileBytes(a, bytes);
  RunResult t = RunCorvane({"test", a});
  RunResult x = RunCorvane({"extract", a, "-d", dir_ / "out"});
  EXPECT_EQ(t.exitCode, 1);
  EXPECT_EQ(x.exitCode, 1);
  // The same words up to the item; extract names it below its folder.
  std::string item = t.err.substr(t.err.rfind(", at '") + 6);
  item = item.substr(0, item.find('\''));
  EXPECT_NE(item, "") << t.err;
  EXPECT_NE(x.err.find("/" + item + "'; the partial file was removed"), std::string::npos)
      << t.err << x.err;
}

TEST_F(CliTest, CreateRefusesTextsTheStubWouldCut) {
  // 259 bytes are the most the stub opens; 130 two-byte characters are 260.
  std::string longest(259, 'r'), tooLong;
  for (int i = 0; i < 130; i++) tooLong += "表";
  EXPECT_EQ(RunCorvane({"create", dir_ / "ok.exe", dir_ / "in/tree", "--run", longest}).exitCode,
            0);
  RunResult r = RunCorvane({"create", dir_ / "long.exe", dir_ / "in/tree", "--run", tooLong});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("259 bytes"), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(dir_ / "long.exe"));
  WriteFileBytes(dir_ / "desc.txt", Bytes(65536, 'd'));
  r = RunCorvane({"create", dir_ / "desc.exe", dir_ / "in/tree", "--description",
                  "@" + (dir_ / "desc.txt")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("65535 bytes"), std::string::npos) << r.err;
}

TEST_F(CliTest, JsonListingCarriesEveryField) {
  std::string a = Archive();
  RunResult l = RunCorvane({"list", "--json", a});
  ASSERT_EQ(l.exitCode, 0) << l.err;
  nlohmann::json j = nlohmann::json::parse(l.out);
  EXPECT_FALSE(j["protected"].get<bool>());
  std::map<std::string, nlohmann::json> byName;
  for (auto& e : j["items"]) byName[e["name"]] = e;
  ASSERT_TRUE(byName.count("tree/表示/ソース/能力.bin")) << l.out;
  auto& bin = byName["tree/表示/ソース/能力.bin"];
  EXPECT_EQ(bin["size"], 70000);
  EXPECT_EQ(bin["writeFileTime"].get<uint64_t>(),
            (1500000000ull + 11644473600ull) * 10000000ull + 1250000ull);
  EXPECT_EQ(bin["writeTime"], "2017-07-14T02:40:00.1250000Z");
  ASSERT_TRUE(byName.count("tree/empty/"));
  EXPECT_EQ(byName["tree/empty/"]["type"], "folder");
  // The copy of text.txt is stored as a reference to it.
  EXPECT_GT(byName["tree/表示/ソース/text-copy.txt"]["referenceDistance"].get<int>(), 0);
}

TEST_F(CliTest, DamagedLaterBlockKeepsEarlierFilesAndDropsTheCurrent) {
  fs::remove_all(dir_ / "in/tree");
  fs::create_directories(dir_ / "in/tree");
  WriteFileBytes(dir_ / "in/tree/a-first.txt", B("first file\n"));
  WriteFileBytes(dir_ / "in/tree/b-big.bin", RandomBytes(200000, 7));
  std::string a = Archive();
  Bytes bytes = ReadFileBytes(a);
  bytes[bytes.size() - 100000] ^= 0x04;  // deep inside the big file's body
  WriteFileBytes(a, bytes);
  RunResult t = RunCorvane({"test", a});
  EXPECT_EQ(t.exitCode, 1);
  RunResult x = RunCorvane({"extract", a, "-d", dir_ / "out"});
  EXPECT_EQ(x.exitCode, 1);
  EXPECT_NE(x.err.find("damaged"), std::string::npos) << x.err;
  EXPECT_NE(x.err.find("b-big.bin"), std::string::npos) << x.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/tree/a-first.txt"), B("first file\n"));
  EXPECT_FALSE(PathExists(dir_ / "out/tree/b-big.bin"));
}

TEST_F(CliTest, LengthChecksRefuseCutAndExtendedFiles) {
  std::string a = Archive();
  Bytes bytes = ReadFileBytes(a);
  Bytes shorter(bytes.begin(), bytes.end() - 1), longer = bytes;
  longer.push_back(0);
  WriteFileBytes(dir_ / "short.exe", shorter);
  WriteFileBytes(dir_ / "long.exe", longer);
  WriteFileBytes(dir_ / "stub.exe", Bytes(bytes.begin(), bytes.begin() + 26112));
  WriteFileBytes(dir_ / "tiny.exe", Bytes(bytes.begin(), bytes.begin() + 26114));
  for (const char* name : {"short.exe", "long.exe", "stub.exe", "tiny.exe"}) {
    RunResult r = RunCorvane({"extract", dir_ / name, "-d", dir_ / "out"});
    EXPECT_EQ(r.exitCode, 1) << name;
    EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
  }
  EXPECT_FALSE(PathExists(dir_ / "out/tree"));
}

TEST_F(CliTest, PasswordsFromFilesInUtf8) {
  WriteFileBytes(dir_ / "pw", B("パス word\n"));
  WriteFileBytes(dir_ / "pw-plain", B("パス word"));
  WriteFileBytes(dir_ / "bad", B("パス word "));
  std::string a = Archive({"--password-file", dir_ / "pw", "--mask-password"});
  // The stored stream is scrambled: a plain read fails without the key.
  RunResult none = RunCorvane({"test", a});
  EXPECT_EQ(none.exitCode, 3) << none.err;
  RunResult wrong = RunCorvane({"extract", a, "-d", dir_ / "out", "--password-file", dir_ / "bad"});
  EXPECT_EQ(wrong.exitCode, 3);
  EXPECT_NE(wrong.err.find("wrong password"), std::string::npos);
  EXPECT_FALSE(PathExists(dir_ / "out/tree"));
  RunResult list = RunCorvane({"list", a, "--password-file", dir_ / "pw-plain"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("Protected: yes (typed password masked)"), std::string::npos);
  RunResult right = RunCorvane({"extract", a, "-d", dir_ / "out", "--password-file", dir_ / "pw"});
  EXPECT_EQ(right.exitCode, 0) << right.err;
  ExpectSameTree(dir_ / "in", dir_ / "out");
}

TEST_F(CliTest, ExistingFilesFollowThePolicy) {
  std::string a = Archive();
  fs::create_directories(dir_ / "out/tree");
  WriteFileBytes(dir_ / "out/tree/readme.txt", B("mine"));
  SetTimes(dir_ / "out/tree/readme.txt", 5, 6);
  // Without a terminal nobody can be asked: the run stops, nothing deleted.
  RunResult asked = RunCorvane({"extract", a, "-d", dir_ / "out"});
  EXPECT_EQ(asked.exitCode, 5);
  EXPECT_NE(asked.err.find("--overwrite"), std::string::npos) << asked.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/tree/readme.txt"), B("mine"));
  RunResult skip = RunCorvane({"extract", a, "-d", dir_ / "out", "--skip-existing"});
  EXPECT_EQ(skip.exitCode, 0) << skip.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/tree/readme.txt"), B("mine"));
  struct stat st;
  stat((dir_ / "out/tree/readme.txt").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 6);
  EXPECT_EQ(ReadFileBytes(dir_ / "out/tree/表示/text.txt"), TextLike(60000, 1));
  RunResult over = RunCorvane({"extract", a, "-d", dir_ / "out", "--overwrite"});
  EXPECT_EQ(over.exitCode, 0) << over.err;
  ExpectSameTree(dir_ / "in", dir_ / "out");
}

TEST_F(CliTest, AFileInTheWayOfAFolderIsAWriteFailure) {
  std::string a = Archive();
  fs::create_directories(dir_ / "out/tree");
  WriteFileBytes(dir_ / "out/tree/表示", B("in the way"));
  RunResult r = RunCorvane({"extract", a, "-d", dir_ / "out", "--overwrite"});
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_NE(r.err.find("tree/表示"), std::string::npos) << r.err;
}

TEST_F(CliTest, EmptyInputStillMakesAnArchiveThatExtracts) {
  RunResult c = RunCorvane({"create", dir_ / "empty.exe"});
  ASSERT_EQ(c.exitCode, 0) << c.err;
  RunResult l = RunCorvane({"list", dir_ / "empty.exe"});
  EXPECT_EQ(l.exitCode, 0) << l.err;
  EXPECT_NE(l.out.find("0 files, 1 folders"), std::string::npos) << l.out;
  RunResult x = RunCorvane({"extract", dir_ / "empty.exe", "-d", dir_ / "fresh/dest"});
  EXPECT_EQ(x.exitCode, 0) << x.err;
  EXPECT_TRUE(fs::is_directory(dir_ / "fresh/dest"));
}

TEST_F(CliTest, UsageErrorsHaveTheirOwnCode) {
  EXPECT_EQ(RunCorvane({}).exitCode, 2);
  EXPECT_EQ(RunCorvane({"extract"}).exitCode, 2);
  EXPECT_EQ(RunCorvane({"frobnicate", "x"}).exitCode, 2);
  EXPECT_EQ(RunCorvane({"extract", "a", "--overwrite", "--skip-existing"}).exitCode, 2);
  EXPECT_EQ(RunCorvane({"--help"}).exitCode, 0);
  EXPECT_EQ(RunCorvane({"test", dir_ / "missing.exe"}).exitCode, 1);
}

// The level options: the default is level 2, --best is level 3 and the
// thread count changes nothing in the archive; a level out of range, or
// --best with --level, is a usage error. Every run reads the files and
// may move their access times, so archives are compared by their size
// and their listing without access times.
TEST_F(CliTest, LevelOptionsPickTheLevelAndThreadsChangeNothing) {
  auto make = [&](const std::string& name, std::vector<std::string> extra) {
    std::vector<std::string> args = {"create", dir_ / name, dir_ / "in/tree"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 0) << name << ": " << r.err;
    RunResult l = RunCorvane({"list", "--json", dir_ / name});
    EXPECT_EQ(l.exitCode, 0) << name << ": " << l.err;
    nlohmann::json j = nlohmann::json::parse(l.out);
    j.erase("archive");
    for (auto& item : j["items"]) {
      item.erase("accessFileTime");
      item.erase("accessTime");
    }
    j["archiveBytes"] = ReadFileBytes(dir_ / name).size();
    return j;
  };
  nlohmann::json plain = make("plain.exe", {});
  EXPECT_EQ(plain, make("two.exe", {"--level", "2"}));
  nlohmann::json best = make("best.exe", {"--best"});
  EXPECT_EQ(best, make("three.exe", {"--level", "3"}));
  EXPECT_LT(best["archiveBytes"].get<size_t>(), plain["archiveBytes"].get<size_t>());
  EXPECT_GT(make("one.exe", {"--level", "1"})["archiveBytes"].get<size_t>(),
            plain["archiveBytes"].get<size_t>());
  EXPECT_EQ(best, make("best1.exe", {"--best", "--threads", "1"}));
  EXPECT_EQ(best, make("best3.exe", {"--best", "--threads", "3"}));
  RunResult t = RunCorvane({"test", dir_ / "best.exe"});
  EXPECT_EQ(t.exitCode, 0) << t.err;
  for (std::vector<std::string> bad : {std::vector<std::string>{"--level", "4"},
                                       {"--level", "0"},
                                       {"--best", "--level", "2"},
                                       {"--threads", "0"}}) {
    std::vector<std::string> args = {"create", dir_ / "bad.exe", dir_ / "in/tree"};
    args.insert(args.end(), bad.begin(), bad.end());
    EXPECT_EQ(RunCorvane(args).exitCode, 2) << bad[0] << " " << bad[1];
  }
}

TEST_F(CliTest, AFullDiskIsAWriteFailureAndLeavesNoPartialFile) {
  fs::remove_all(dir_ / "in/tree");
  fs::create_directories(dir_ / "in/tree");
  WriteFileBytes(dir_ / "in/tree/a-small.txt", B("fits\n"));
  WriteFileBytes(dir_ / "in/tree/big.bin", RandomBytes(3 << 20, 9));
  std::string a = Archive();
  std::string disk = dir_ / "disk";
  fs::create_directories(disk);
  if (getuid() != 0 || system(("mount -t tmpfs -o size=1m corvane-test " + disk).c_str()) != 0)
    GTEST_SKIP() << "needs root to mount a small tmpfs";
  RunResult r = RunCorvane({"extract", a, "-d", disk + "/out"});
  std::vector<std::string> left;
  for (auto& e : fs::recursive_directory_iterator(disk + "/out"))
    if (!e.is_directory()) left.push_back(fs::relative(e.path(), disk + "/out"));
  Bytes small = ReadFileBytes(disk + "/out/tree/a-small.txt");
  EXPECT_EQ(system(("umount " + disk).c_str()), 0);
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("big.bin"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(strerror(ENOSPC)), std::string::npos) << r.err;
  EXPECT_EQ(left, std::vector<std::string>{"tree/a-small.txt"});
  EXPECT_EQ(small, B("fits\n"));
}

TEST_F(CliTest, AnEmptyPasswordIsNeverTheKey) {
  WriteFileBytes(dir_ / "pw", B("secret"));
  WriteFileBytes(dir_ / "empty", B("\n"));
  std::string a = Archive({"--password-file", dir_ / "pw"});
  RunResult r = RunCorvane({"test", a, "--password-file", dir_ / "empty"});
  EXPECT_EQ(r.exitCode, 3);
  RunResult c = RunCorvane({"create", dir_ / "b.exe", dir_ / "in/tree", "--password-file",
                            dir_ / "empty"});
  EXPECT_EQ(c.exitCode, 2);
}

TEST_F(CliTest, AHostileNameIsReportedByNameAsDamage) {
  // No writer makes such a name: the item stream is made by hand.
  Bytes items;
  const char name[] = "..\\escape.txt";
  items.insert(items.end(), name, name + sizeof name);
  for (int i = 0; i < 3; i++) PutLE(&items, 132000000000000000ull, 8);
  PutLE(&items, 1, 4);
  items.push_back(0);
  items.push_back(0xAE);
  items.push_back(0x01);
  ProgramFile p;
  p.blockStream = MakeBlockStream(items);
  WriteFileBytes(dir_ / "hostile.exe", MakeProgramFile(p));
  RunResult r = RunCorvane({"extract", dir_ / "hostile.exe", "-d", dir_ / "out"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("../escape.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("climbs out"), std::string::npos) << r.err;
  EXPECT_FALSE(PathExists(dir_ / "escape.txt"));
}
