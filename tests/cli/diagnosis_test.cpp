// corvane's diagnoses name the real cause: a file of another kind is not
// called an incomplete archive, a pipe or a folder is named as such, and a
// failed call is reported in the system's own words, never as "Success".
// Every message starts with "corvane: ARCHIVE: ".
#include <gtest/gtest.h>
#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = (uint8_t)rng();
  return b;
}

// Every line of standard error is a message of corvane's about `archive`.
void ExpectPrefixed(const std::string& err, const std::string& archive) {
  size_t at = 0;
  while (at < err.size()) {
    size_t end = err.find('\n', at);
    if (end == std::string::npos) end = err.size();
    EXPECT_EQ(err.compare(at, 11 + archive.size(), "corvane: " + archive + ": "), 0) << err;
    at = end + 1;
  }
}

class DiagnosisTest : public ::testing::Test {
 protected:
  std::string MakeArchive(std::vector<std::string> extra = {}) {
    fs::create_directories(dir_ / "in/tree/sub");
    WriteFileBytes(dir_ / "in/tree/sub/big.bin", Random(300000, 3));
    WriteFileBytes(dir_ / "in/tree/small.txt", B("small\n"));
    std::vector<std::string> args = {"create", "-q", dir_ / "a.exe", dir_ / "in/tree"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir_ / "a.exe";
  }
  TempDir dir_;
};

}  // namespace

// Random bytes and a zip behind 26112 bytes carry a "size field" of any
// value; they are neither incomplete nor altered archives.
TEST_F(DiagnosisTest, AFileOfAnotherKindIsNotAnArchiveOfThisKind) {
  Bytes zip = B("PK\x03\x04\x14\x00\x00\x00\x08\x00");
  Bytes body = Random(60000, 5);
  zip.insert(zip.end(), body.begin(), body.end());
  std::map<std::string, Bytes> files = {{"random.bin", Random(100000, 1)},
                                        {"other.zip", zip},
                                        {"tiny.zip", Bytes(zip.begin(), zip.begin() + 300)}};
  for (uint32_t seed = 10; seed < 20; seed++)
    files["random-" + std::to_string(seed)] = Random(30000 + seed * 1000, seed);
  for (auto& [name, bytes] : files) {
    std::string path = dir_ / name;
    WriteFileBytes(path, bytes);
    for (const char* command : {"list", "test", "extract"}) {
      std::vector<std::string> args = {command, path};
      if (std::string(command) == "extract") args.insert(args.end(), {"-d", dir_ / "out"});
      RunResult r = RunCorvane(args);
      EXPECT_EQ(r.exitCode, 1) << name;
      EXPECT_NE(r.err.find("is not an archive of this kind"), std::string::npos)
          << name << ": " << r.err;
      ExpectPrefixed(r.err, path);
    }
  }
  EXPECT_FALSE(PathExists(dir_ / "out"));
}

// An archive of ours that was cut keeps the length messages, cut anywhere:
// in its first block, in its header, or deep in the stream; so does one
// with bytes added, and a protected one, whose blocks cannot be checked.
TEST_F(DiagnosisTest, AnArchiveOfOursThatWasCutOrExtendedIsToldSo) {
  WriteFileBytes(dir_ / "pw", B("secret"));
  for (bool protect : {false, true}) {
    std::vector<std::string> extra = {"--description", "説明"};
    if (protect) extra.insert(extra.end(), {"--password-file", dir_ / "pw"});
    Bytes whole = ReadFileBytes(MakeArchive(extra));
    for (size_t keep : {(size_t)26120, (size_t)26130, (size_t)27000, whole.size() / 2,
                        whole.size() - 1}) {
      WriteFileBytes(dir_ / "cut.exe", Bytes(whole.begin(), whole.begin() + keep));
      RunResult r = RunCorvane({"test", dir_ / "cut.exe"});
      EXPECT_EQ(r.exitCode, 1) << keep;
      EXPECT_NE(r.err.find("it is incomplete"), std::string::npos) << keep << ": " << r.err;
      ExpectPrefixed(r.err, dir_ / "cut.exe");
    }
    Bytes longer = whole;
    Bytes tail = Random(5000, 9);
    longer.insert(longer.end(), tail.begin(), tail.end());
    WriteFileBytes(dir_ / "long.exe", longer);
    RunResult r = RunCorvane({"test", dir_ / "long.exe"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("it may have been altered"), std::string::npos) << r.err;
  }
}

TEST_F(DiagnosisTest, AFolderOrAPipeIsNamedAsSuch) {
  std::string a = MakeArchive();
  fs::create_directories(dir_ / "folder.exe");
  RunResult folder = RunCorvane({"list", dir_ / "folder.exe"});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_NE(folder.err.find("is a folder"), std::string::npos) << folder.err;
  ExpectPrefixed(folder.err, dir_ / "folder.exe");
  // A pipe is refused before it is opened: opening it would wait for a
  // writer that never comes.
  ASSERT_EQ(mkfifo((dir_ / "pipe.exe").c_str(), 0600), 0);
  RunResult pipe = RunCorvane({"test", dir_ / "pipe.exe"});
  EXPECT_EQ(pipe.exitCode, 1);
  EXPECT_NE(pipe.err.find("is a pipe"), std::string::npos) << pipe.err;
  ExpectPrefixed(pipe.err, dir_ / "pipe.exe");
  // As the destination, or on the way to it.
  RunResult toPipe = RunCorvane({"extract", a, "-d", dir_ / "pipe.exe"});
  EXPECT_EQ(toPipe.exitCode, 4);
  EXPECT_NE(toPipe.err.find("'" + (dir_ / "pipe.exe") + "' as the destination folder: it is a pipe"),
            std::string::npos)
      << toPipe.err;
  ExpectPrefixed(toPipe.err, a);
  WriteFileBytes(dir_ / "fx", B("a file"));
  RunResult below = RunCorvane({"extract", a, "-d", dir_ / "fx/deeper"});
  EXPECT_EQ(below.exitCode, 4);
  EXPECT_NE(below.err.find("'" + (dir_ / "fx") + "' is a file"), std::string::npos) << below.err;
  ExpectPrefixed(below.err, a);
}

// A file where the archive has a folder, and a folder where it has a
// file: the cause, by name, with the item.
TEST_F(DiagnosisTest, WhatIsInTheWayOfAnItemIsNamed) {
  std::string a = MakeArchive();
  fs::create_directories(dir_ / "fx");
  WriteFileBytes(dir_ / "fx/tree", B("in the way"));
  RunResult file = RunCorvane({"extract", a, "-d", dir_ / "fx"});
  EXPECT_EQ(file.exitCode, 4);
  EXPECT_NE(file.err.find("cannot create the folder '" + (dir_ / "fx/tree") +
                          "': a file of that name is in the way"),
            std::string::npos)
      << file.err;
  EXPECT_EQ(file.err.find("Success"), std::string::npos) << file.err;
  ExpectPrefixed(file.err, a);
  fs::create_directories(dir_ / "fy/tree/small.txt");
  RunResult folder = RunCorvane({"extract", a, "-d", dir_ / "fy", "--overwrite"});
  EXPECT_EQ(folder.exitCode, 4);
  EXPECT_NE(folder.err.find("cannot write '" + (dir_ / "fy/tree/small.txt") +
                            "': a folder of that name is in the way"),
            std::string::npos)
      << folder.err;
  ExpectPrefixed(folder.err, a);
}

// A destination that cannot be written: the system's words for the call
// that failed (permission denied, or a read-only file system for root,
// whom permissions do not stop), not those of a probe after it.
TEST_F(DiagnosisTest, AnUnwritableDestinationGivesTheSystemsOwnWords) {
  std::string a = MakeArchive();
  std::string locked = dir_ / "locked";
  fs::create_directories(locked);
  int expected = EACCES;
  bool mounted = false;
  if (getuid() == 0) {
    if (system(("mount -t tmpfs -o ro,size=64k corvane-test " + locked).c_str()) != 0)
      GTEST_SKIP() << "root, and no read-only file system can be mounted";
    mounted = true;
    expected = EROFS;
  } else {
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  }
  // The folder exists, but nothing can be made in it; a folder below it
  // cannot be made either.
  RunResult inside = RunCorvane({"extract", a, "-d", locked});
  RunResult below = RunCorvane({"extract", a, "-d", locked + "/new/dest"});
  if (mounted) {
    EXPECT_EQ(system(("umount " + locked).c_str()), 0);
  }
  chmod(locked.c_str(), 0755);
  EXPECT_EQ(inside.exitCode, 4);
  EXPECT_NE(inside.err.find("cannot create the folder '" + locked + "/tree': " +
                            strerror(expected)),
            std::string::npos)
      << inside.err;
  EXPECT_EQ(below.exitCode, 4);
  EXPECT_NE(below.err.find(strerror(expected)), std::string::npos) << below.err;
  for (const RunResult* r : {&inside, &below}) {
    EXPECT_EQ(r->err.find(strerror(ENOENT)), std::string::npos) << r->err;
    ExpectPrefixed(r->err, a);
  }
}

// The texts create reads: a folder given as a file is an error in the
// system's words, not an empty text.
TEST_F(DiagnosisTest, CreateNamesTheArchiveAndTheTextItCannotRead) {
  fs::create_directories(dir_ / "in/tree");
  fs::create_directories(dir_ / "texts");
  std::string out = dir_ / "o.exe";
  RunResult description =
      RunCorvane({"create", out, dir_ / "in/tree", "--description", "@" + (dir_ / "texts")});
  EXPECT_EQ(description.exitCode, 6);
  EXPECT_NE(description.err.find("cannot read the description file '" + (dir_ / "texts") +
                                 "': " + strerror(EISDIR)),
            std::string::npos)
      << description.err;
  ExpectPrefixed(description.err, out);
  RunResult list = RunCorvane({"create", out, "-T", dir_ / "texts"});
  EXPECT_EQ(list.exitCode, 6);
  EXPECT_NE(list.err.find(strerror(EISDIR)), std::string::npos) << list.err;
  ExpectPrefixed(list.err, out);
  RunResult password = RunCorvane({"create", out, dir_ / "in/tree", "--password-file",
                                   dir_ / "missing"});
  EXPECT_NE(password.err.find(strerror(ENOENT)), std::string::npos) << password.err;
  ExpectPrefixed(password.err, out);
  EXPECT_FALSE(PathExists(out));
}
