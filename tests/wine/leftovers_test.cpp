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

// The stub's windows while it waits for input: the main window, and the
// progress window created hidden.
const std::multiset<std::string> kWindowsWaiting = {"core_gui:shown", "progress_window:hidden"};

// The stub's windows at a run's report: the box, the main window that the
// run disabled, and the progress window hidden again.
const std::multiset<std::string> kWindowsAtReport = {"#32770:shown", "core_gui:shown:disabled",
                                                     "progress_window:hidden"};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(separator, at);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

// The stub's own top-level windows from a "windows" event, sorted.
std::multiset<std::string> ProgramWindows(const Event& windows) {
  std::multiset<std::string> own;
  for (const std::string& w : Split(windows["list"], ',')) {
    bool system = false;
    for (const char* s : kSystemWindows) system |= w == s;
    if (!system) own.insert(w);
  }
  return own;
}

// The handle counts by type of a "handles" event, with `fileChange` added
// to the count of file handles.
std::map<std::string, long> TypeCounts(const Event& handles, long fileChange = 0) {
  std::map<std::string, long> counts;
  for (const std::string& t : Split(handles["types"], ',')) {
    size_t eq = t.rfind('=');
    counts[t.substr(0, eq)] = std::stol(t.substr(eq + 1));
  }
  counts["File"] += fileChange;
  return counts;
}

// The names of the open file handles of a "handles" event; Wine's unnamed
// file objects, there from start-up on, are left out.
std::set<std::string> HeldFiles(const Event& handles) {
  std::set<std::string> held;
  for (const std::string& name : Split(handles["files"], '|'))
    if (name != "(unnamed)") held.insert(name);
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
      std::string name =
          "in/" + std::string(1, (char)('a' + i % 3)) + "/" + std::to_string(10 + i) + ".bin";
      fs::create_directories(fs::path(dir_ / name).parent_path());
      WriteFileBytes(dir_ / name, RandomBytes(100 + i, 500 + 1500 * (size_t)(i % 7)));
      names.push_back(name);
    }
    return names;
  }
  // The report of a run that ended: the box over the disabled main window,
  // the progress window hidden again, and of the handles at an earlier box
  // one file fewer, the program file; only the current folder is open.
  void ExpectOnlyTheCurrentFolderHeld(const Event& windows, const Event& atReport,
                                      const Event& atEarlierBox) {
    EXPECT_EQ(ProgramWindows(windows), kWindowsAtReport);
    EXPECT_EQ(HeldFiles(atReport), std::set<std::string>{ObjectName(Cwd())});
    EXPECT_EQ(TypeCounts(atReport), TypeCounts(atEarlierBox, -1))
        << "at the earlier box " << atEarlierBox["types"];
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
  s.Add({"main"}).Add({"windows"}).Add({"handles"}).Add({"files", WinPath(archive)});
  s.Add({"set", kFolderEdit, WinPath(dir_ / "not-a-folder")}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"handles"}).Add({"answer", "ok"});
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"windows"}).Add({"handles"}).Add({"files", WinPath(archive)});
  AddFiles(s, out, names).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "windows", "handles", "files", "set", "clicked",
                              "box", "handles", "answered", "set", "clicked", "box", "windows",
                              "handles", "files", "files", "answered", "exit"}));
  ExpectBox(t.Nth("box"), said::kCannotCreate, "ok", "hand");
  ExpectBox(t.Nth("box", 1), said::kFinished, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");

  // From start-up to the end of a run the program file is open.
  EXPECT_EQ(ProgramWindows(t.Nth("windows")), kWindowsWaiting);
  EXPECT_EQ(t.Nth("files")["states"], "held");
  const Event& early = t.Nth("handles");
  EXPECT_EQ(HeldFiles(early), (std::set<std::string>{ObjectName(archive), ObjectName(Cwd())}));
  // The baseline box differs from the start only by Wine's registry keys.
  const Event& baseline = t.Nth("handles", 1);
  std::map<std::string, long> earlyTypes = TypeCounts(early), baselineTypes = TypeCounts(baseline);
  earlyTypes.erase("Key");
  baselineTypes.erase("Key");
  EXPECT_EQ(baselineTypes, earlyTypes) << "at the start " << early["types"];

  ExpectOnlyTheCurrentFolderHeld(t.Nth("windows", 1), t.Nth("handles", 2), baseline);
  EXPECT_EQ(t.Nth("files", 1)["states"], "free");
  EXPECT_EQ(t.Nth("files", 2)["states"], Repeated("free", names.size()));

  ExpectSameTree(dir_ / "in", out + "/in");
  EXPECT_EQ(Temporaries(out), std::vector<std::string>());
}

// Every prompt of a run that replaces four files finds the stub holding
// the same handles, so nothing piles up from one file to the next; each
// replacement went through a temporary file that is gone at the end.
TEST_F(LeftoversTest, RunThatReplacesFilesHoldsTheSameAtEachPromptAndLeavesNoTemporary) {
  const std::vector<std::string> names = ManyFiles(12);
  const std::string archive = MakeArchive("a.exe", {dir_ / "in"});
  const std::string out = Out();
  std::vector<std::string> old;
  for (const std::string& n : names)
    if (n.rfind("in/a/", 0) == 0) {
      fs::create_directories(fs::path(out + "/" + n).parent_path());
      WriteFileBytes(out + "/" + n, B("old\n"));
      old.push_back(n);
    }
  ASSERT_EQ(old.size(), 4u);

  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  for (size_t i = 0; i < old.size(); i++) s.Add({"box"}).Add({"handles"}).Add({"answer", "yes"});
  s.Add({"box"}).Add({"windows"}).Add({"handles"});
  AddFiles(s, out, names).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Nth("exit")["code"], "0") << t.text;
  for (size_t i = 0; i < old.size(); i++) {
    SCOPED_TRACE(old[i]);
    const Event& prompt = t.Nth("box", (int)i);
    ExpectBox(prompt, WinPath(out + "/" + old[i]) + said::kOverwrite, "yes,no,cancel", "question");
    const Event& held = t.Nth("handles", (int)i);
    EXPECT_EQ(HeldFiles(held), (std::set<std::string>{ObjectName(archive), ObjectName(Cwd())}));
    EXPECT_EQ(TypeCounts(held), TypeCounts(t.Nth("handles"))) << held["types"];
  }
  ExpectBox(t.Nth("box", (int)old.size()), said::kFinished, "ok", "asterisk");
  ExpectOnlyTheCurrentFolderHeld(t.Nth("windows"), t.Nth("handles", (int)old.size()),
                                 t.Nth("handles"));
  EXPECT_EQ(t.Nth("files")["states"], Repeated("free", names.size()));

  ExpectSameTree(dir_ / "in", out + "/in");
  EXPECT_EQ(Temporaries(out), std::vector<std::string>());
}

// Cancel pressed while the prompt for the last file is open, then Yes: the
// replacement is written to a temporary file and deleted, the old file
// stays, and at the report the stub holds neither its program file nor
// anything it wrote.
TEST_F(LeftoversTest, CancelledRunClosesEverythingAndLeavesNoTemporary) {
  const std::vector<std::string> names = ManyFiles(9);
  WriteFileBytes(dir_ / "in/z-old.txt", B("new\n"));
  const std::string archive = MakeArchive("a.exe", {dir_ / "in"});
  const std::string out = Out();
  fs::create_directories(out + "/in");
  WriteFileBytes(out + "/in/z-old.txt", B("old\n"));

  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"handles"}).Add({"cancel"}).Add({"answer", "yes"});
  s.Add({"box"}).Add({"windows"}).Add({"handles"}).Add({"files", WinPath(archive)});
  std::vector<std::string> written = names;
  written.push_back("in/z-old.txt");
  AddFiles(s, out, written).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(),
            (Kinds{"started", "set", "clicked", "box", "handles", "cancel_clicked", "answered",
                   "box", "windows", "handles", "files", "files", "answered", "exit"}));
  ExpectBox(t.Nth("box"), WinPath(out + "/in/z-old.txt") + said::kOverwrite, "yes,no,cancel",
            "question");
  ExpectBox(t.Nth("box", 1), said::kCancelled, "ok", "asterisk");
  EXPECT_EQ(t.Nth("exit")["code"], "0");

  ExpectOnlyTheCurrentFolderHeld(t.Nth("windows"), t.Nth("handles", 1), t.Nth("handles"));
  EXPECT_EQ(t.Nth("files")["states"], "free");
  EXPECT_EQ(t.Nth("files", 1)["states"], Repeated("free", written.size()));

  EXPECT_EQ(ReadFileBytes(out + "/in/z-old.txt"), B("old\n"));
  for (const std::string& n : names)
    EXPECT_EQ(ReadFileBytes(out + "/" + n), ReadFileBytes(dir_ / n));
  EXPECT_EQ(Temporaries(out), std::vector<std::string>());
}

// A damaged block in a file that replaces an older one: the error box is
// shown from inside the run, with the progress window still up and only
// the program file and the replacement's temporary file open; the files
// before it are closed. After the end the temporary is gone and the old
// file is as it was.
TEST_F(LeftoversTest, DamagedBlockWhileReplacingHoldsOnlyTheFileInHandAndLeavesNoTemporary) {
  std::vector<std::string> before;
  for (int i = 1; i <= 5; i++) {
    before.push_back("in/" + std::to_string(i) + ".txt");
    fs::create_directories(dir_ / "in");
    WriteFileBytes(dir_ / before.back(), B("file " + std::to_string(i) + "\n"));
  }
  WriteFileBytes(dir_ / "in/6-middle.bin", RandomBytes(61, 100000));
  WriteFileBytes(dir_ / "in/7-last.txt", B("after the damage\n"));
  const std::string archive = MakeArchive("a.exe", {dir_ / "in"});
  // Block 10 lies well inside 6-middle.bin: the five small files before it
  // fill less than one block, and random bytes do not shrink.
  DamageBlock(archive, 10);
  const std::string out = Out();
  fs::create_directories(out + "/in");
  WriteFileBytes(out + "/in/6-middle.bin", B("old\n"));

  Script s(archive, Cwd());
  s.Add({"set", kFolderEdit, WinPath(out)}).Add({"click", kExpandButton});
  s.Add({"box"}).Add({"handles"}).Add({"answer", "yes"});
  s.Add({"box"}).Add({"windows"}).Add({"handles"});
  AddFiles(s, out, before).Add({"answer", "ok"}).Add({"exit"});
  Transcript t = Play(s);
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "set", "clicked", "box", "handles", "answered", "box",
                              "windows", "handles", "files", "answered", "exit"}));
  ExpectBox(t.Nth("box"), WinPath(out + "/in/6-middle.bin") + said::kOverwrite, "yes,no,cancel",
            "question");
  ExpectBox(t.Nth("box", 1), said::kDamaged, "ok", "hand");
  EXPECT_EQ(t.Nth("exit")["code"], "1");

  EXPECT_EQ(ProgramWindows(t.Nth("windows")),
            (std::multiset<std::string>{"#32770:shown", "core_gui:shown:disabled",
                                        "progress_window:shown"}));
  const Event& atBox = t.Nth("handles", 1);
  std::set<std::string> held = HeldFiles(atBox);
  EXPECT_EQ(held.erase(ObjectName(archive)), 1u);
  EXPECT_EQ(held.erase(ObjectName(Cwd())), 1u);
  ASSERT_EQ(held.size(), 1u) << atBox["files"];
  const std::string inHand = *held.begin();
  EXPECT_EQ(inHand.rfind(ObjectName(out + "/in/corvane-"), 0), 0u) << inHand;
  EXPECT_EQ(TypeCounts(atBox), TypeCounts(t.Nth("handles"), +1));
  EXPECT_EQ(t.Nth("files")["states"], Repeated("free", before.size()));

  for (const std::string& n : before)
    EXPECT_EQ(ReadFileBytes(out + "/" + n), ReadFileBytes(dir_ / n));
  EXPECT_EQ(ReadFileBytes(out + "/in/6-middle.bin"), B("old\n"));
  EXPECT_FALSE(PathExists(out + "/in/7-last.txt"));
  EXPECT_EQ(Temporaries(out), std::vector<std::string>());
}

// The folder browser goes with its answer, and a second one takes no more
// handles than the first: what the shell opens for it on first use stays.
TEST_F(LeftoversTest, FolderBrowserLeavesNoWindowAndASecondOneTakesNoMoreHandles) {
  Script s(Resized(STUB_FILE, "bare.exe", 26112), Cwd());
  s.Add({"main"}).Add({"windows"});
  for (int i = 0; i < 2; i++)
    s.Add({"click", kBrowseButton})
        .Add({"browser"})
        .Add({"browser_answer", "cancel"})
        .Add({"windows"})
        .Add({"handles"});
  Transcript t = Play(s.Add({"close"}).Add({"exit"}));
  ASSERT_EQ(t.Kinds(), (Kinds{"started", "main", "windows", "clicked", "browser",
                              "browser_answered", "windows", "handles", "clicked", "browser",
                              "browser_answered", "windows", "handles", "close_posted", "exit"}));
  for (int i = 0; i < 3; i++) EXPECT_EQ(ProgramWindows(t.Nth("windows", i)), kWindowsWaiting);
  EXPECT_EQ(TypeCounts(t.Nth("handles", 1)), TypeCounts(t.Nth("handles")))
      << t.Nth("handles")["types"];
  EXPECT_EQ(HeldFiles(t.Nth("handles", 1)), HeldFiles(t.Nth("handles")));
  EXPECT_EQ(t.Nth("exit")["code"], "0");
}

}  // namespace
