// The geometry of the stub's windows under Wine, in the measures of the
// system font: the outer sizes, every control of the main window, and the
// progress window near the middle of the screen.
#include <filesystem>
#include <sstream>

#include "tests/wine/stub_test.h"

namespace {

std::vector<int> Numbers(const std::string& csv) {
  std::vector<int> v;
  std::stringstream in(csv);
  std::string n;
  while (std::getline(in, n, ',')) v.push_back(std::stoi(n));
  return v;
}

class LayoutTest : public StubTest {};

TEST_F(LayoutTest, WindowsAndControlsSitWhereTheFontMeasuresPutThem) {
  std::filesystem::create_directories(dir_ / "in");
  WriteFileBytes(dir_ / "pw", B("pw"));
  WriteFileBytes(dir_ / "in/a.txt", B("a\n"));
  std::string archive = MakeArchive("a.exe", {dir_ / "in", "--password-file", dir_ / "pw"});
  Transcript t = Play(Script(archive, Cwd()).Add({"layout"}).Add({"close"}).Add({"exit"}));
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "layout", "close_posted", "exit"}));
  const Event& l = t.Nth("layout");
  const int cw = std::stoi(l["char_width"]), lh = std::stoi(l["line_height"]);
  ASSERT_GT(cw, 0);
  ASSERT_GT(lh, 0);
  auto extent = [&](const char* control) { return Numbers(l[std::string(control) + "_extent"]); };
  auto at = [&](const char* control) { return Numbers(l[control]); };
  typedef std::vector<int> Box;  // x, y, width, height

  EXPECT_EQ(at("main")[2], 70 * cw);
  EXPECT_EQ(at("main")[3], 20 * lh);
  // Labels are exactly as large as their texts.
  for (auto [label, y] : {std::pair<const char*, int>{"message_label", 1},
                          {"password_label", 16 * lh},
                          {"folder_label", 13 * lh}}) {
    std::vector<int> e = extent(label);
    EXPECT_EQ(at(label), (Box{1, y, e[0], e[1]})) << label;
  }
  // Both buttons take the size of the browse caption.
  const std::vector<int> b = extent("browse");
  const int bw = b[0] + cw, bh = 3 * b[1] / 2;
  EXPECT_EQ(at("expand"), (Box{60 * cw, 17 * lh - lh / 4, bw, bh}));
  EXPECT_EQ(at("browse"), (Box{60 * cw, 14 * lh - lh / 4, bw, bh}));
  EXPECT_EQ(at("description"), (Box{cw - 2, 3 * lh / 2 - 2, 67 * cw, 11 * lh}));
  EXPECT_EQ(at("password"), (Box{cw - 2, 17 * lh, 57 * cw + 4, lh}));
  EXPECT_EQ(at("folder"), (Box{cw - 2, 14 * lh, 57 * cw + 4, lh}));

  // Eight line heights for a window of seven: half a line above the
  // middle.
  const std::vector<int> desktop = Numbers(l["desktop"]);
  EXPECT_EQ(at("progress"),
            (Box{(desktop[0] - 70 * cw) / 2, (desktop[1] - 8 * lh) / 2, 70 * cw, 7 * lh}));
  EXPECT_EQ(at("status"), (Box{2, lh, 70 * cw, lh}));
  const std::vector<int> k = extent("cancel");
  EXPECT_EQ(at("cancel"), (Box{30 * cw, 3 * lh, k[0] + cw, 3 * k[1] / 2}));
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

// Style bits that the user sees: a main window that can be closed and
// minimized but not resized or maximized, a progress window without a
// close box, a read-only description that scrolls, one-line edits. (The
// edits' frames cannot be read back: an edit control takes WS_BORDER out
// of its style and draws the frame itself.)
TEST_F(LayoutTest, WindowAndControlStylesGiveTheBoxesAndEditsTheirBehaviour) {
  std::string stub = Resized(STUB_FILE, "bare.exe", 26112);
  Transcript t = Play(Script(stub, Cwd()).Add({"layout"}).Add({"close"}).Add({"exit"}));
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "layout", "close_posted", "exit"}));
  const Event& l = t.Nth("layout");
  auto bits = [&](const std::string& field) { return std::stoul(l[field], 0, 16); };
  auto has = [&](const char* window, unsigned long want) {
    return (bits(std::string(window) + "_style") & want) == want;
  };
  auto lacks = [&](const char* window, unsigned long unwanted) {
    return (bits(std::string(window) + "_style") & unwanted) == 0;
  };
  const unsigned long kCaption = 0x00C00000, kSysMenu = 0x00080000, kThickFrame = 0x00040000,
                      kMinimizeBox = 0x00020000, kMaximizeBox = 0x00010000, kVScroll = 0x00200000,
                      kMultiline = 0x4, kReadOnly = 0x800, kAutoHScroll = 0x80;
  EXPECT_TRUE(has("main", kCaption | kSysMenu | kMinimizeBox)) << l["main_style"];
  EXPECT_TRUE(lacks("main", kThickFrame | kMaximizeBox)) << l["main_style"];
  EXPECT_TRUE(has("progress", kCaption)) << l["progress_style"];
  EXPECT_TRUE(lacks("progress", kSysMenu | kThickFrame)) << l["progress_style"];
  EXPECT_TRUE(has("description", kVScroll | kMultiline | kReadOnly)) << l["description_style"];
  for (const char* edit : {"folder", "password"}) {
    EXPECT_TRUE(has(edit, kAutoHScroll)) << edit;
    EXPECT_TRUE(lacks(edit, kMultiline | kReadOnly)) << edit;
  }
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

}  // namespace
