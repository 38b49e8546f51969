// The password controls and the password check of the stub under Wine.
#include <filesystem>

#include "tests/roundtrip/roundtrip_support.h"
#include "tests/wine/stub_test.h"

namespace {

const char kPassword[] = "ひみつ123";

class PasswordTest : public StubTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "in/sub");
    WriteFileBytes(dir_ / "in/readme.txt", B("読んでください\r\n"));
    WriteFileBytes(dir_ / "in/sub/data.bin", RandomBytes(7, 20000));
    WriteFileBytes(dir_ / "pw", B(kPassword));
  }

  // The protection flags byte of an archive: after the size and the two
  // header strings.
  int FlagsOf(const std::string& archive) {
    Bytes b = ReadFileBytes(archive);
    size_t at = 26112 + 4;
    for (int strings = 0; strings < 2; strings++)
      while (at < b.size() && b[at++] != 0) {
      }
    return at < b.size() ? b[at] : -1;
  }
};

TEST_F(PasswordTest, WrongAndEmptyPasswordsAreRefusedThenTheRightOneExtracts) {
  std::string archive = MakeArchive("p.exe", {dir_ / "in", "--password-file", dir_ / "pw",
                                              "--mask-password", "--description", "保護付き"});
  const std::string out = Out();
  Script s(archive, Cwd());
  s.Add({"main"}).Add({"set", kFolderEdit, WinPath(out)});
  s.Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"})
      .Add({"focus", kPasswordEdit});  // empty
  s.Add({"set", kPasswordEdit, "ひみつ12"}).Add({"snap", "main-protected"});
  s.Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"})
      .Add({"focus", kPasswordEdit})
      .Add({"main"});
  s.Add({"set", kPasswordEdit, kPassword})
      .Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"});
  s.Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "set", "clicked", "box", "answered", "focus",
                              "set", "snapped", "clicked", "box", "answered", "focus", "main",
                              "set", "clicked", "box", "answered", "exit"}));
  const Event& first = t.Nth("main");
  EXPECT_EQ(first["password_visible"], "1");
  EXPECT_EQ(first["password_label_visible"], "1");
  EXPECT_EQ(first["password_char"], std::to_string('*'));
  ExpectText(first, "description", "保護付き");
  for (int refused = 0; refused < 2; refused++) {
    ExpectBox(t.Nth("box", refused), said::kWrongPassword, "ok", "exclamation");
    EXPECT_EQ(t.Nth("focus", refused)["id"], kPasswordEdit);
  }
  // The refused text stays in the edit, and nothing was written.
  ExpectText(t.Nth("main", 1), "password", "ひみつ12");
  EXPECT_EQ(t.Nth("main", 1)["enabled"], "1");
  ExpectBox(t.Nth("box", 2), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(dir_ / "in", out + "/in");
}

TEST_F(PasswordTest, PasswordCharFollowsTheMaskFlagAndUnprotectedHidesTheControls) {
  std::string plain = MakeArchive("plain.exe", {dir_ / "in", "--password-file", dir_ / "pw"});
  std::string masked =
      MakeArchive("masked.exe", {dir_ / "in", "--password-file", dir_ / "pw", "--mask-password"});
  std::string open = MakeArchive("open.exe", {dir_ / "in"});
  EXPECT_EQ(FlagsOf(plain), 2);
  EXPECT_EQ(FlagsOf(masked), 1);
  EXPECT_EQ(FlagsOf(open), 0);
  const struct {
    std::string archive;
    const char* visible;
    int passwordChar;
  } kCases[] = {{plain, "1", 0}, {masked, "1", '*'}, {open, "0", 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.archive);
    Transcript t = Play(Script(c.archive, Cwd()).Add({"main"}).Add({"close"}).Add({"exit"}));
    ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "close_posted", "exit"}));
    EXPECT_EQ(t.Nth("main")["password_visible"], c.visible);
    EXPECT_EQ(t.Nth("main")["password_label_visible"], c.visible);
    EXPECT_EQ(t.Nth("main")["password_char"], std::to_string(c.passwordChar));
    EXPECT_EQ(t.Nth("main")["expand_enabled"], "1");
    EXPECT_EQ(t.Nth("exit")["code"], "0");
  }
}

// Text in the hidden password edit of an unprotected archive is not
// looked at.
TEST_F(PasswordTest, UnprotectedArchiveIgnoresTextInTheHiddenEdit) {
  std::string archive = MakeArchive("open.exe", {dir_ / "in", "--description", "保護なし"});
  const std::string out = Out();
  Script s(archive, Cwd());
  s.Add({"set", kPasswordEdit, "whatever"})
      .Add({"set", kFolderEdit, WinPath(out)})
      .Add({"snap", "main-unprotected"});
  s.Add({"click", kExpandButton}).Add({"box"}).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "set", "set", "snapped", "clicked", "box", "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(dir_ / "in", out + "/in");
}

}  // namespace
