// Start-up of the stub under Wine: the bare stub, and program files whose
// length disagrees with the payload's record of it.
#include <filesystem>

#include "tests/wine/stub_test.h"

namespace {

class StartupTest : public StubTest {
 protected:
  // A small archive made by corvane.
  std::string SmallArchive() {
    std::filesystem::create_directories(dir_ / "in");
    WriteFileBytes(dir_ / "in/a.txt", B("some text\n"));
    return MakeArchive("small.exe", {dir_ / "in"});
  }
};

TEST_F(StartupTest, BareStubShowsTheWindowWithExpandDisabledAndEndsWithZero) {
  std::string stub = Resized(STUB_FILE, "bare.exe", 26112);
  ASSERT_EQ(ReadFileBytes(stub), ReadFileBytes(STUB_FILE));
  Transcript t = Play(Script(stub, Cwd()).Add({"main"}).Add({"close"}).Add({"exit"}));
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "close_posted", "exit"}));
  EXPECT_EQ(t.Nth("started")["acp"], "932");
  const Event& main = t.Nth("main");
  ExpectText(main, "title", said::kTitle);
  EXPECT_EQ(main["expand_enabled"], "0");
  EXPECT_EQ(main["browse_enabled"], "1");
  EXPECT_EQ(main["password_visible"], "1");
  EXPECT_EQ(main["password_label_visible"], "1");
  ExpectText(main, "description", "");
  ExpectText(main, "folder", WinPath(Cwd()));
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

// Refused before any window was shown: the boxes have no owner, the main
// window stays hidden, and the end is an ordinary one.
TEST_F(StartupTest, LengthOtherThanRecordedIsRefusedWithoutOwnerAndZero) {
  std::string archive = SmallArchive();
  const size_t size = ReadFileBytes(archive).size();
  const struct {
    const char* name;
    size_t size;
    const char* text;
  } kCases[] = {{"shorter.exe", size - 1, said::kShorter}, {"longer.exe", size + 1, said::kLonger}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Transcript t = Play(Script(Resized(archive, c.name, c.size), Cwd())
                            .Add({"box"})
                            .Add({"answer", "ok"})
                            .Add({"exit"}));
    ASSERT_EQ(t.Kinds(), (Kinds{"started", "box", "answered", "exit"}));
    ExpectBox(t.Nth("box"), c.text, "ok", "hand", "none");
    EXPECT_EQ(t.Nth("box")["main_visible"], "0");
    EXPECT_EQ(t.Nth("exit")["code"], "0");
  }
}

// 1 to 3 bytes past the stub: the recorded size cannot be read whole.
TEST_F(StartupTest, SizeFieldCutShortIsAReadFailureWithOne) {
  for (size_t extra = 1; extra <= 3; extra++) {
    SCOPED_TRACE(extra);
    std::string file = Resized(STUB_FILE, "cut" + std::to_string(extra) + ".exe", 26112 + extra);
    Transcript t = Play(Script(file, Cwd()).Add({"box"}).Add({"answer", "ok"}).Add({"exit"}));
    ASSERT_EQ(t.Kinds(), (Kinds{"started", "box", "answered", "exit"}));
    ExpectBox(t.Nth("box"), said::kReadFailed, "ok", "hand", "main");
    EXPECT_EQ(t.Nth("box")["main_visible"], "0");
    EXPECT_EQ(t.Nth("exit")["code"], "1");
  }
}

}  // namespace
