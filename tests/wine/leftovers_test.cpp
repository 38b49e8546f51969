// What a run of the stub leaves behind under Wine: at its last message
// box only the windows and handles it is meant to keep, every file it
// wrote (and its own program file) closed, and after it no temporary file.
//
// Handles are counted by object type from the system's handle table (the
// driver's "handles" step): Wine 8 answers GetProcessHandleCount and
// GetGuiResources with 0 for every process. The first message box of a
// process leaves Wine's user32 with two more registry keys, so the counts
// at the final box are compared with those at an earlier box.
#include <filesystem>
#include <map>
#include <set>

#include "tests/roundtrip/roundtrip_support.h"
#include "tests/wine/stub_test.h"

namespace fs = std::filesystem;

namespace {

// Hidden top-level windows that Wine gives every GUI thread.
const char* const kSystemWindows[] = {"IME:hidden:disabled", "IME:hidden",
                                      "OleMainThreadWndClass:hidden"};

// The stub's own top-level windows from a "windows" event, sorted.
std::multiset<std::string> ProgramWindows(const Event& windows) {
  std::multiset<std::string> own;
  std::string list = windows["list"];
  size_t at = 0;
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    std::string w = list.substr(at, comma - at);
    bool system = false;
    for (const char* s : kSystemWindows) system |= w == s;
    if (!system) own.insert(w);
    at = comma + 1;
  }
  return own;
}

// "TYPE=N,..." of a "handles" event.
std::map<std::string, long> TypeCounts(const Event& handles) {
  std::map<std::string, long> counts;
  std::string types = handles["types"];
  size_t at = 0;
  while (at < types.size()) {
    size_t comma = types.find(',', at);
    if (comma == std::string::npos) comma = types.size();
    std::string t = types.substr(at, comma - at);
    size_t eq = t.rfind('=');
    counts[t.substr(0, eq)] = std::stol(t.substr(eq + 1));
    at = comma + 1;
  }
  return counts;
}

// The names of the open file handles of a "handles" event; Wine's unnamed
// file objects, there from start-up on, are left out.
std::set<std::string> HeldFiles(const Event& handles) {
  std::set<std::string> held;
  std::string files = handles["files"];
  size_t at = 0;
  while (at < files.size()) {
    size_t bar = files.find('|', at);
    if (bar == std::string::npos) bar = files.size();
    std::string name = files.substr(at, bar - at);
    if (name != "(unnamed)") held.insert(name);
    at = bar + 1;
  }
  return held;
}

// A host path as Wine names the file object open on it.
std::string ObjectName(const std::string& hostPath) { return "\\??\\" + WinPath(hostPath); }

// Every "corvane-*.tmp" below the folder.
std::vector<std::string> Temporaries(const std::string& root) {
  std::vector<std::string> found;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string name = e.path().filename().string();
    if (name.rfind("corvane-", 0) == 0 && name.size() > 12 &&
        name.compare(name.size() - 4, 4, ".tmp") == 0)
      found.push_back(e.path().string());
  }
  return found;
}

std::string Repeated(const std::string& word, size_t n) {
  std::string all;
  for (size_t i = 0; i < n; i++) all += (i ? "," : "") + word;
  return all;
}

class LeftoversTest : public StubTest {
 protected:
  // `count` files in three folders below in/, each a few blocks or less.
  std::vector<std::string> ManyFiles(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; i++) {
      std::string name = "in/" + std::string(1, (char)('a' + i % 3)) + "/" +
                         std::to_string(10 + i) + ".bin";
      fs::create_directories(fs::path(dir_ / name).parent_path());
      WriteFileBytes(dir_ / name, RandomBytes(100 + i, 500 + 1500 * (size_t)(i % 7)));
      names.push_back(name);
    }
    return names;
  }
  // The "files" step for these names below `root`.
  Script& AddFiles(Script& s, const std::string& root, const std::vector<std::string>& names) {
    std::vector<std::string> step = {"files"};
    for (const std::string& n : names) step.push_back(WinPath(root + "/" + n));
    return s.Add(step);
  }
};

// A baseline box first ("the folder cannot be made", for a folder text
// that names a file), then a run of 30 files: at the final box the stub
// holds one handle fewer than at the baseline box, its own program file;
// nothing it wrote is open.
TEST_F(LeftoversTest, FinishedRunOfThirtyFilesKeepsOnlyTheWindowsAndCurrentFolder) {
  const std::vector<std::string> names = ManyFiles(30);
  const std::string archive = MakeArchive("a.exe", {dir_ / "in"});
  WriteFileBytes(dir_ / "not-a-folder", B("a file\n"));
  const std::string out = Out();

  Script s(archive, Cwd());
  s.Add({"main"}).Add({"handles"}).Add({"files", WinPath(archive)});
  s.Add({"set", kFolderEdit, WinPath(dir_ / "not-a-folder")}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"handles"}).Add({"answer", "ok"});
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"windows"}).Add({"handles"}).Add({"files", WinPath(archive)});
  AddFiles(s, out, names).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "main", "handles", "files", "set", "clicked", "box", "handles",
                   "answered", "set", "clicked", "box", "windows", "handles", "files", "files",
                   "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kCannotCreate, "ok", "hand");
  ExpectBox(t.Nth("box", 1), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");

  // From start-up to the end of a run the program file is open.
  EXPECT_EQ(t.Nth("files")["states"], "held");
  EXPECT_EQ(HeldFiles(t.Nth("handles")),
            (std::set<std::string>{ObjectName(archive), ObjectName(Cwd())}));

  EXPECT_EQ(ProgramWindows(t.Nth("windows")),
            (std::multiset<std::string>{"#32770:shown", "core_gui:shown:disabled",
                                        "progress_window:hidden"}));
  EXPECT_EQ(t.Nth("files", 1)["states"], "free");
  EXPECT_EQ(t.Nth("files", 2)["states"], Repeated("free", names.size()));
  const Event& baseline = t.Nth("handles", 1);
  const Event& atEnd = t.Nth("handles", 2);
  EXPECT_EQ(HeldFiles(atEnd), std::set<std::string>{ObjectName(Cwd())});
  std::map<std::string, long> expected = TypeCounts(baseline);
  expected["File"]--;
  EXPECT_EQ(TypeCounts(atEnd), expected) << "baseline " << baseline["types"];

  ExpectSameTree(dir_ / "in", out + "/in");
  EXPECT_EQ(Temporaries(out), std::vector<std::string>());
}

}  // namespace
