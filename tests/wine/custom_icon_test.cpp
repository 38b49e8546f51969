// An archive made with corvane create --icon under Wine: the icon as a
// module loads it and as the shell extracts it, a screenshot of it beside
// the stub's window, and the extraction as exact as without it.
#include <algorithm>
#include <filesystem>

#include "tests/cli/run_program.h"

#include "tests/icon/icon_fixtures.h"
#include "tests/wine/stub_test.h"

namespace {

class CustomIconTest : public StubTest {};

TEST_F(CustomIconTest, TheStubCarriesTheMakersIconAndExtractsExactly) {
  RgbaImage picture = BlockPicture(32, 4, 15);
  ASSERT_TRUE(WriteWithImageMagick(picture, dir_ / "logo.png"));
  std::filesystem::create_directories(dir_ / "in/sub");
  WriteFileBytes(dir_ / "in/a.txt", B("the maker's own icon\n"));
  Bytes body;
  for (int i = 0; i < 100000; i++) body.push_back((uint8_t)(i * 7 ^ i >> 5));
  WriteFileBytes(dir_ / "in/sub/b.bin", body);
  std::string archive = MakeArchive("icon.exe", {dir_ / "in", "--icon", dir_ / "logo.png"});

  Script s(archive, Cwd());
  s.Add({"main"})
      .Add({"icon"})
      .Add({"set", kFolderEdit, WinPath(Out())})
      .Add({"click", kExpandButton})
      .Add({"box"})
      .Add({"answer", "ok"})
      .Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "main", "icon", "set", "clicked", "box", "answered", "exit"}));
  std::string want = PixelText(picture);
  std::replace(want.begin(), want.end(), '\n', '/');
  const Event& icon = t.Nth("icon");
  EXPECT_EQ(icon["groups"], "1");
  EXPECT_EQ(icon["loaded"], want);
  EXPECT_EQ(icon["extracted"], want);
  ExpectBox(t.Nth("box"), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");
  ExpectSameTree(dir_ / "in", Out() + "/in");
}

// A drawn picture of many colours, 256 by 256 with soft edges: Wine shows
// the pixels icoutils read from the archive, and the screenshot
// custom_icon.png shows the icon in the stub's title bar and magnified
// beside it.
TEST_F(CustomIconTest, WineShowsWhatIcoutilsReadFromTheArchive) {
  RunResult drawn = RunProgram(
      {"convert", "-size", "256x256", "gradient:#2060ff-#ff6020", "(", "-size", "256x256",
       "xc:black", "-fill", "white", "-draw", "circle 128,128 128,6", ")", "-alpha", "off",
       "-compose", "copy_opacity", "-composite", "-compose", "over", "-fill", "white", "-stroke",
       "#202020", "-strokewidth", "6", "-draw",
       "polygon 128,40 150,105 220,105 163,145 185,215 128,172 71,215 93,145 36,105 106,105",
       dir_ / "star.png"});
  ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
  WriteFileBytes(dir_ / "a.txt", B("a star\n"));
  std::string archive = MakeArchive("star.exe", {dir_ / "a.txt", "--icon", dir_ / "star.png"});
  std::string list;
  std::vector<RgbaImage> read = IcoutilsIcon(archive, &list);
  ASSERT_EQ(read.size(), 1u) << list;

  Script s(archive, Cwd());
  s.Add({"main"}).Add({"icon"}).Add({"show_icon"}).Add({"snap", "custom_icon"}).Add({"close"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "icon", "icon_shown", "snapped", "close_posted", "exit"}));
  std::string want = PixelText(read[0]);
  std::replace(want.begin(), want.end(), '\n', '/');
  EXPECT_EQ(t.Nth("icon")["loaded"], want);
  EXPECT_EQ(t.Nth("icon")["extracted"], want);
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

}  // namespace
