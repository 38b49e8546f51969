// A damaged block in the middle of an archive, extracted by the stub under
// Wine: the files before it stay, the file in hand is removed, exit 1.
#include <filesystem>

#include "tests/roundtrip/roundtrip_support.h"
#include "tests/wine/stub_test.h"

namespace {

class DamageTest : public StubTest {};

TEST_F(DamageTest, FlippedByteInALaterBlockKeepsEarlierFilesAndRemovesTheCurrentOne) {
  std::filesystem::create_directories(dir_ / "in");
  WriteFileBytes(dir_ / "in/1-first.txt", B("before the damage\n"));
  // Random bytes do not shrink: block 10 lies well inside this file.
  WriteFileBytes(dir_ / "in/2-middle.bin", RandomBytes(11, 100000));
  WriteFileBytes(dir_ / "in/3-last.txt", B("after the damage\n"));
  std::string archive = MakeArchive("a.exe", {dir_ / "in"});
  DamageBlock(archive, 10);

  const std::string out = Out();
  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"status"}).Add({"answer", "ok"});
  Transcript t = Play(s.Add({"exit"}));
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "status", "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kDamaged, "ok", "hand");
  // The line still names the file the damage was found in.
  ExpectText(t.Nth("status"), "text", said::kExpanding + WinPath(out + "/in/2-middle.bin"));
  EXPECT_EQ(t.Nth("exit")["code"], "1");
  EXPECT_EQ(ReadFileBytes(out + "/in/1-first.txt"), B("before the damage\n"));
  EXPECT_FALSE(PathExists(out + "/in/2-middle.bin"));
  EXPECT_FALSE(PathExists(out + "/in/3-last.txt"));
}

}  // namespace
