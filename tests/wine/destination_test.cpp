// The destination folder of the stub under Wine: made on consent, refused
// when a file holds its name, and the current folder when left empty.
#include <filesystem>

#include "tests/wine/stub_test.h"

namespace fs = std::filesystem;

namespace {

class DestinationTest : public StubTest {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "in/表");
    WriteFileBytes(dir_ / "in/表/a.txt", B("alpha\n"));
    WriteFileBytes(dir_ / "in/b.txt", B("beta\n"));
    archive_ = MakeArchive("a.exe", {dir_ / "in"});
  }
  std::string archive_;
};

TEST_F(DestinationTest, MissingFolderIsMadeOnYesAndFilled) {
  // Two levels missing, with 0x5C as the second byte of 表, ソ, 能 and 十.
  const std::string out = dir_ / "new表/ソ能十";
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"answer", "yes"}).Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "set", "clicked", "box", "answered", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kCreateFolder, "yes,no", "question");
  ExpectBox(t.Nth("box", 1), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(dir_ / "in", out + "/in");
}

// No goes back without a word: the next box is the one of the next click,
// and the window takes input again.
TEST_F(DestinationTest, NoGoesBackSilentlyAndAFileInTheWayCannotBecomeTheFolder) {
  const std::string missing = dir_ / "missing", file = dir_ / "taken";
  WriteFileBytes(file, B("a file, not a folder"));
  Script s(archive_, Cwd());
  s.Add({"set", kFolderEdit, WinPath(missing)})
      .Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "no"});
  s.Add({"main"})
      .Add({"set", kFolderEdit, WinPath(file)})
      .Add({"click", kExpandButton})
      .Add({"box"});
  s.Add({"answer", "ok"}).Add({"main"}).Add({"close"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "answered", "main", "set",
                              "clicked", "box", "answered", "main", "close_posted", "exit"}));
  ExpectBox(t.Nth("box"), said::kCreateFolder, "yes,no", "question");
  EXPECT_EQ(t.Nth("main")["enabled"], "1");
  ExpectBox(t.Nth("box", 1), said::kCannotCreate, "ok", "hand");
  EXPECT_EQ(t.Nth("main", 1)["enabled"], "1");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  EXPECT_FALSE(PathExists(missing));
  EXPECT_EQ(ReadFileBytes(file), B("a file, not a folder"));
  EXPECT_TRUE(fs::is_empty(Cwd()));
}

TEST_F(DestinationTest, EmptyFolderTextMeansTheCurrentFolder) {
  Transcript t = ExpandWithOneBox(archive_, "");
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(dir_ / "in", Cwd() + "/in");
}

// A folder of the archive whose name is taken by a file: the run ends
// with the failed folder named, and an ordinary exit.
TEST_F(DestinationTest, FolderTheRunCannotMakeIsNamedAndTheEndIsZero) {
  const std::string out = Out();
  WriteFileBytes(out + "/in", B("a file where the archive has a folder"));
  Transcript t = ExpandWithOneBox(archive_, WinPath(out));
  ExpectBox(t.Nth("box"), said::kFolderFailed + WinPath(out + "/in"), "ok", "hand");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  EXPECT_EQ(ReadFileBytes(out + "/in"), B("a file where the archive has a folder"));
}

}  // namespace
