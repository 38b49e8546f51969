// The folder chooser of the stub under Wine: it opens on the folder chosen
// last (at first the start folder), and its choice goes into the folder
// edit. Run on the bare stub, whose browse button works without a payload.
//
// The start folder is on drive C: of the prefix: Wine's browser cannot
// preselect folders three levels down its Z: drive.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/wine/stub_test.h"

namespace {

// Wine's browser keeps each folder's last access time (to 2 s) in the
// folder's item id, and finds the folder to preselect only if that time
// does not move while the browser opens. The first read of a fresh folder
// would move it (relatime updates an access time that is not later than
// the write time), so the folders get an access time after every other
// time of theirs, which later reads leave alone.
void SettleAccessTime(const std::string& folder) {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  struct timespec times[2] = {{now.tv_sec + 3600, 0}, {now.tv_sec - 3600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0) << folder;
}

class FolderChooserTest : public StubTest {};

TEST_F(FolderChooserTest, OpensOnTheLastChoiceAndTypingDoesNotChangeIt) {
  ASSERT_TRUE(PathExists(DriveC())) << "no Wine session";
  TempDir onC(DriveC());
  const std::string start = onC / "start";
  std::filesystem::create_directories(start);
  SettleAccessTime(onC.path());
  SettleAccessTime(start);
  std::string stub = Resized(STUB_FILE, "bare.exe", 26112);

  Script s(stub, start);
  s.Add({"main"});
  s.Add({"click", kBrowseButton}).Add({"browser"}).Add({"browser_answer", "ok"}).Add({"main"});
  s.Add({"set", kFolderEdit, "Z:\\typed"})
      .Add({"click", kBrowseButton})
      .Add({"browser"})
      .Add({"browser_up"});
  s.Add({"browser_answer", "ok"}).Add({"main"});
  s.Add({"set", kFolderEdit, "Z:\\typed"}).Add({"click", kBrowseButton}).Add({"browser"});
  s.Add({"browser_answer", "cancel"}).Add({"main"});
  s.Add({"click", kBrowseButton}).Add({"browser"}).Add({"browser_answer", "ok"}).Add({"main"});
  s.Add({"close"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started",
                              "main",
                              "clicked",
                              "browser",
                              "browser_answered",
                              "main",
                              "set",
                              "clicked",
                              "browser",
                              "browser_up",
                              "browser_answered",
                              "main",
                              "set",
                              "clicked",
                              "browser",
                              "browser_answered",
                              "main",
                              "clicked",
                              "browser",
                              "browser_answered",
                              "main",
                              "close_posted",
                              "exit"}));
  ExpectText(t.Nth("main"), "folder", WinPath(start));
  const Event& browser = t.Nth("browser");
  EXPECT_EQ(browser["owner"], "main");
  EXPECT_NE(browser["statics_sjis"].find(SjisHex(said::kBrowseTitle)), std::string::npos)
      << browser["statics"];
  // OK at once: the start folder was preselected.
  ExpectText(t.Nth("main", 1), "folder", WinPath(start));
  // The last browser opened one level higher: on the folder chosen before.
  const int depth = std::stoi(t.Nth("browser")["depth"]);
  EXPECT_GT(depth, 0);
  EXPECT_EQ(std::stoi(t.Nth("browser", 3)["depth"]), depth - 1);
  // Opened on the start folder again, whatever was typed: one level up is
  // the temporary folder.
  EXPECT_EQ(t.Nth("browser_up")["selected"], "1");
  ExpectText(t.Nth("main", 2), "folder", WinPath(onC.path()));
  // Cancel leaves the typed text.
  ExpectText(t.Nth("main", 3), "folder", "Z:\\typed");
  // The last choice is preselected now.
  ExpectText(t.Nth("main", 4), "folder", WinPath(onC.path()));
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

}  // namespace
