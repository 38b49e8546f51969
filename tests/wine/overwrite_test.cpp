// The overwrite prompt of the stub under Wine: Yes replaces, No keeps the
// file and its times, Cancel ends the run with nothing deleted.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/wine/stub_test.h"

namespace fs = std::filesystem;

namespace {

const time_t kOldTime = 1000000000;  // 2001-09-09

// Written before the archive is made from the same names, so the
// destination holds older files with other contents.
void OldFile(const std::string& path, const char* text) {
  WriteFileBytes(path, B(text));
  struct timespec times[2] = {{kOldTime, 0}, {kOldTime, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int64_t WriteTime(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (int64_t)st.st_mtim.tv_sec : -1;
}

class OverwriteTest : public StubTest {
 protected:
  // The archive holds in/1.txt, in/2.txt and in/3.txt in this order; the
  // destination already has old 1.txt and 2.txt.
  void SetUp() override {
    fs::create_directories(dir_ / "in");
    WriteFileBytes(dir_ / "in/1.txt", B("new one\n"));
    WriteFileBytes(dir_ / "in/2.txt", B("new two\n"));
    WriteFileBytes(dir_ / "in/3.txt", B("new three\n"));
    archive_ = MakeArchive("a.exe", {dir_ / "in"});
    fs::create_directories(out_ + "/in");
    OldFile(out_ + "/in/1.txt", "old one\n");
    OldFile(out_ + "/in/2.txt", "old two\n");
  }
  std::string Prompt(const std::string& name) {
    return WinPath(out_ + "/in/" + name) + said::kOverwrite;
  }
  std::string archive_;
  const std::string out_ = dir_ / "out";
};

TEST_F(OverwriteTest, YesReplacesAndNoKeepsContentsAndTimes) {
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out_)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"status"}).Add({"answer", "yes"});
  s.Add({"box"}).Add({"answer", "no"}).Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "status", "answered", "box",
                              "answered", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), Prompt("1.txt"), "yes,no,cancel", "question");
  // While the prompt is open the progress window names the file in hand.
  ExpectText(t.Nth("status"), "title", said::kProgressTitle);
  EXPECT_EQ(t.Nth("status")["owner"], "main");
  ExpectText(t.Nth("status"), "text", said::kExamining + WinPath(out_ + "/in/1.txt"));
  ExpectBox(t.Nth("box", 1), Prompt("2.txt"), "yes,no,cancel", "question");
  ExpectBox(t.Nth("box", 2), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");

  EXPECT_EQ(ReadFileBytes(out_ + "/in/1.txt"), B("new one\n"));
  EXPECT_EQ(WriteTime(out_ + "/in/1.txt"), WriteTime(dir_ / "in/1.txt"));
  EXPECT_EQ(ReadFileBytes(out_ + "/in/2.txt"), B("old two\n"));
  EXPECT_EQ(WriteTime(out_ + "/in/2.txt"), kOldTime);
  EXPECT_EQ(ReadFileBytes(out_ + "/in/3.txt"), B("new three\n"));
}

TEST_F(OverwriteTest, CancelEndsTheRunWithNothingDeletedOrWritten) {
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out_)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"answer", "cancel"}).Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "set", "clicked", "box", "answered", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), Prompt("1.txt"), "yes,no,cancel", "question");
  ExpectBox(t.Nth("box", 1), said::kCancelled, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");

  EXPECT_EQ(ReadFileBytes(out_ + "/in/1.txt"), B("old one\n"));
  EXPECT_EQ(WriteTime(out_ + "/in/1.txt"), kOldTime);
  EXPECT_EQ(ReadFileBytes(out_ + "/in/2.txt"), B("old two\n"));
  EXPECT_FALSE(PathExists(out_ + "/in/3.txt"));
  // No temporary file was left beside them either.
  EXPECT_EQ(std::distance(fs::directory_iterator(out_ + "/in"), fs::directory_iterator()), 2);
}

// Cancel pressed in the progress window while the prompt is open, then
// Yes: the run ends there, and the old file is not lost to the answer.
TEST_F(OverwriteTest, CancelDuringThePromptThenYesKeepsTheOldFile) {
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out_)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"cancel"}).Add({"answer", "yes"}).Add({"box"}).Add({"answer", "ok"});
  s.Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "cancel_clicked", "answered",
                              "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), Prompt("1.txt"), "yes,no,cancel", "question");
  ExpectBox(t.Nth("box", 1), said::kCancelled, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  EXPECT_EQ(ReadFileBytes(out_ + "/in/1.txt"), B("old one\n"));
  EXPECT_EQ(WriteTime(out_ + "/in/1.txt"), kOldTime);
  EXPECT_FALSE(PathExists(out_ + "/in/3.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(out_ + "/in"), fs::directory_iterator()), 2);
}

// A folder where the archive has a file: the prompt comes, and Yes cannot
// write the file; the folder stays as it was.
TEST_F(OverwriteTest, FolderInThePlaceOfAFileIsAWriteFailure) {
  fs::create_directories(out_ + "/in/3.txt/inside");
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out_)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"answer", "no"}).Add({"box"}).Add({"answer", "no"});
  s.Add({"box"}).Add({"answer", "yes"}).Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "answered", "box", "answered",
                              "box", "answered", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box", 2), Prompt("3.txt"), "yes,no,cancel", "question");
  ExpectBox(t.Nth("box", 3), said::kWriteFailed, "ok", "hand");
  EXPECT_EQ(t.Nth("exit")["code"], "1");
  EXPECT_TRUE(fs::is_directory(out_ + "/in/3.txt/inside"));
  EXPECT_EQ(ReadFileBytes(out_ + "/in/1.txt"), B("old one\n"));
}

}  // namespace
