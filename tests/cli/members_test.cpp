// Choosing members with list, test and extract; files to standard output;
// the archive from standard input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "tests/cli/run_corvane.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> TreeOf(const std::string& root) {
  std::vector<std::string> names;
  if (!fs::exists(root)) return names;
  for (auto& e : fs::recursive_directory_iterator(root))
    names.push_back(fs::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
  std::sort(names.begin(), names.end());
  return names;
}

// The names `list -q` prints, in archive order.
std::vector<std::string> Listed(const std::string& out) {
  std::vector<std::string> names;
  size_t at = out.find("Name\n");
  for (size_t i = at + 5; at != std::string::npos && i < out.size();) {
    size_t end = out.find('\n', i);
    std::string line = out.substr(i, end - i);
    names.push_back(line.substr(line.rfind("  ") + 2));
    i = end + 1;
  }
  return names;
}

class MembersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "in/docs/old");
    fs::create_directories(dir_ / "in/src");
    WriteFileBytes(dir_ / "in/readme.txt", B("readme\n"));
    WriteFileBytes(dir_ / "in/docs/guide.txt", B("guide\n"));
    WriteFileBytes(dir_ / "in/docs/old/notes.md", B("notes\n"));
    WriteFileBytes(dir_ / "in/src/main.c", B("int main;\n"));
    WriteFileBytes(dir_ / "in/src/表示.txt", B("hyouji\n"));
    archive_ = dir_ / "a.exe";
    RunResult r = RunCorvane({"create", "-q", archive_, dir_ / "in"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  RunResult Extract(std::vector<std::string> args) {
    args.insert(args.begin(), {"extract", "-q", archive_, "-d", dir_ / "out"});
    return RunCorvane(args);
  }
  TempDir dir_;
  std::string archive_;
};

TEST_F(MembersTest, PatternsAndFolderNamesChooseWhatIsExtractedAndTheFoldersAboveAreMade) {
  RunResult r = Extract({"in/docs/*.txt", "in/src"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(TreeOf(dir_ / "out"),
            (std::vector<std::string>{"in/", "in/docs/", "in/docs/guide.txt", "in/src/",
                                      "in/src/main.c", "in/src/表示.txt"}));
  // '*' crosses '/', as in tar and unzip; "dir/" and "./dir" name the folder.
  fs::remove_all(dir_ / "out");
  EXPECT_EQ(Extract({"*.md"}).exitCode, 0);
  EXPECT_EQ(TreeOf(dir_ / "out"),
            (std::vector<std::string>{"in/", "in/docs/", "in/docs/old/", "in/docs/old/notes.md"}));
  fs::remove_all(dir_ / "out");
  EXPECT_EQ(Extract({"./in/docs/old/"}).exitCode, 0);
  EXPECT_EQ(TreeOf(dir_ / "out"),
            (std::vector<std::string>{"in/", "in/docs/", "in/docs/old/", "in/docs/old/notes.md"}));
}

TEST_F(MembersTest, ExcludesLeaveOutWhatTheyMatchAndWhatIsBelowIt) {
  RunResult r = Extract({"--exclude", "*.txt", "--exclude", "in/docs/old"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(TreeOf(dir_ / "out"),
            (std::vector<std::string>{"in/", "in/docs/", "in/src/", "in/src/main.c"}));
  RunResult listed = RunCorvane({"list", "-q", archive_, "in/src", "--exclude", "main.c"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(Listed(listed.out), (std::vector<std::string>{"in/src/", "in/src/表示.txt"}));
}

TEST_F(MembersTest, AMemberThatMatchesNothingIsNamedAndTheExitCodeSaysSo) {
  for (const char* command : {"list", "test", "extract"}) {
    std::vector<std::string> args = {command, archive_, "in/readme.txt", "in/nothing*"};
    if (std::string(command) == "extract") args.insert(args.end(), {"-d", dir_ / "out"});
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 9) << command << ": " << r.err;
    EXPECT_NE(r.err.find("corvane: " + archive_ + ": no item matches 'in/nothing*'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("in/readme.txt"), std::string::npos) << r.err;
  }
  EXPECT_EQ(TreeOf(dir_ / "out"), (std::vector<std::string>{"in/", "in/readme.txt"}));
  RunResult tested = RunCorvane({"test", archive_, "in/src/*"});
  EXPECT_EQ(tested.exitCode, 0) << tested.err;
  EXPECT_NE(tested.out.find("OK, 2 files, 17 bytes"), std::string::npos) << tested.out;
}

TEST_F(MembersTest, ToStdoutWritesTheChosenFilesInArchiveOrderAndNothingToDisk) {
  std::string cwd = dir_ / "cwd";
  fs::create_directories(cwd);
  std::string before = fs::current_path();
  fs::current_path(cwd);
  RunResult r = RunCorvane({"extract", "-O", archive_, "in/src/*", "in/readme.txt"});
  fs::current_path(before);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "readme\nint main;\nhyouji\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(TreeOf(cwd), std::vector<std::string>{});
}

TEST_F(MembersTest, TheArchiveComesFromStandardInputAsAFileOrThroughAPipe) {
  RunResult fromFile = RunCorvane({"extract", "-O", "-", "in/readme.txt"}, archive_);
  EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
  EXPECT_EQ(fromFile.out, "readme\n");

  std::string pipe = dir_ / "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  Bytes bytes = ReadFileBytes(archive_);
  std::thread feeder([&] { WriteFileBytes(pipe, bytes); });
  RunResult fromPipe = RunCorvane({"extract", "-q", "-", "-d", dir_ / "out"}, pipe);
  feeder.join();
  EXPECT_EQ(fromPipe.exitCode, 0) << fromPipe.err;
  EXPECT_EQ(ReadFileBytes(dir_ / "out/in/src/表示.txt"), B("hyouji\n"));

  RunResult notAnArchive = RunCorvane({"test", "-"}, "/dev/null");
  EXPECT_EQ(notAnArchive.exitCode, 1);
  EXPECT_NE(notAnArchive.err.find("corvane: -: "), std::string::npos) << notAnArchive.err;
}

}  // namespace
