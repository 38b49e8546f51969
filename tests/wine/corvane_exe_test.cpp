// corvane.exe under Wine beside the Linux corvane: archives of either
// extract exactly with the other, names read and are refused alike, names
// that leave the destination are refused, destinations beyond code page
// 932 and MAX_PATH work, Ctrl-C cancels with the clean-up, the password
// prompt does not echo, and --icon makes the same stub.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "payload/format.h"
#include "tests/cli/run_corvane.h"
#include "tests/cli/run_on_terminal.h"
#include "tests/test_files.h"
#include "tests/unit/item_bytes.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

RunResult RunLinux(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {LINUX_CORVANE};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

void SetTimes(const std::string& path, int64_t atime, long ansec, int64_t mtime, long mnsec) {
  struct timespec ts[2] = {{(time_t)atime, ansec}, {(time_t)mtime, mnsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), ts, 0), 0) << path;
}

struct Times {
  int64_t atime, atimeNs, mtime, mtimeNs;
  bool operator==(const Times& o) const {
    return atime == o.atime && atimeNs == o.atimeNs && mtime == o.mtime && mtimeNs == o.mtimeNs;
  }
};

Times TimesOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return {st.st_atim.tv_sec, st.st_atim.tv_nsec, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

class CorvaneExeTest : public ::testing::Test {
 protected:
  // Names with 0x5C as a second byte (表, ソ, 能), kana, and times to the
  // 100 ns the archive keeps.
  std::string MakeTree() {
    std::string in = dir_ / "in";
    fs::create_directories(in + "/表/ソフト");
    fs::create_directories(in + "/空");
    WriteFileBytes(in + "/表/表.txt", B("表の中身\r\n"));
    std::mt19937 random(7);
    Bytes noise(300000);
    for (auto& b : noise) b = (uint8_t)(random() % 7);
    WriteFileBytes(in + "/表/ソフト/能力.bin", noise);
    WriteFileBytes(in + "/readme.txt", B("readme\n"));
    SetTimes(in + "/表/表.txt", 1100000000, 123456700, 1000000000, 987654300);
    SetTimes(in + "/表/ソフト/能力.bin", 1300000000, 100, 1200000000, 5000000);
    SetTimes(in + "/readme.txt", 1500000000, 0, 1400000000, 999999900);
    return in;
  }

  // The files below root and their access and write times.
  static std::map<std::string, Times> FileTimes(const std::string& root) {
    std::map<std::string, Times> times;
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (e.is_regular_file()) times[fs::relative(e.path(), root).string()] = TimesOf(e.path());
    return times;
  }

  TempDir dir_;
};

TEST_F(CorvaneExeTest, ArchivesFromLinuxListTestAndExtractExactlyWithNamesAndTimes) {
  std::string in = MakeTree();
  std::map<std::string, Times> before = FileTimes(in);
  std::string a = dir_ / "a.exe";
  ASSERT_EQ(RunLinux({"create", "-q", a, in}).exitCode, 0);
  // The same listing, byte for byte, names and all.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"list", a, "--utc"},
                                               {"list", a, "--json"},
                                               {"list", a, "-v", "--utc"}}) {
    RunResult exe = RunCorvane(args), linux = RunLinux(args);
    EXPECT_EQ(exe.exitCode, 0) << exe.err;
    EXPECT_EQ(exe.out, linux.out) << args[2];
  }
  RunResult t = RunCorvane({"test", a, "-q"});
  EXPECT_EQ(t.exitCode, 0) << t.err;
  std::string out = dir_ / "out";
  RunResult x = RunCorvane({"extract", "-q", a, "-d", out});
  ASSERT_EQ(x.exitCode, 0) << x.err;
  EXPECT_EQ(TreeContents(out + "/in"), TreeContents(in));
  EXPECT_EQ(FileTimes(out + "/in"), before);
  RunResult o = RunCorvane({"extract", "-O", a, "in/表/ソフト/能力.bin"});
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(B(o.out), ReadFileBytes(in + "/表/ソフト/能力.bin"));
}

TEST_F(CorvaneExeTest, ArchivesOfCorvaneExeExtractExactlyWithLinuxCorvane) {
  std::string in = MakeTree();
  std::map<std::string, Times> before = FileTimes(in);
  WriteFileBytes(dir_ / "pw", B("秘密\n"));
  for (const std::vector<std::string>& options : {std::vector<std::string>{},
                                                  {"--best", "--threads", "3"},
                                                  {"--password-file", dir_ / "pw"}}) {
    std::string a = dir_ / "a.exe", out = dir_ / "out";
    fs::remove_all(out);
    std::vector<std::string> args = {"create", "-q", "--force", a, in};
    args.insert(args.end(), options.begin(), options.end());
    RunResult c = RunCorvane(args);
    ASSERT_EQ(c.exitCode, 0) << c.err;
    std::vector<std::string> extract = {"extract", "-q", a, "-d", out};
    if (!options.empty() && options[0] == "--password-file")
      extract.insert(extract.end(), options.begin(), options.end());
    RunResult x = RunLinux(extract);
    ASSERT_EQ(x.exitCode, 0) << x.err;
    EXPECT_EQ(TreeContents(out + "/in"), TreeContents(in));
    // Write times as they were; Wine's own listing of the folders moves
    // the access times of what it lists.
    std::map<std::string, Times> after = FileTimes(out + "/in");
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, t] : before) {
      EXPECT_EQ(after[name].mtime, t.mtime) << name;
      EXPECT_EQ(after[name].mtimeNs, t.mtimeNs) << name;
    }
  }
}

TEST_F(CorvaneExeTest, NamesThatLeaveTheDestinationAreDamageAndWriteNothingThere) {
  const Bytes kBodyA = {0xAE, 0x01};  // one literal "A"
  std::string out = dir_ / "out";
  const std::string kNames[] = {"..\\escape1.txt",  "a\\..\\..\\escape2.txt", "a/../../escape3.txt",
                                ".. \\escape4.txt", "\\escape5.txt",          "C:\\escape6.txt",
                                "good.txt:stream",  "CON",                    "nul.txt",
                                "sub\\COM1.log"};
  for (const std::string& name : kNames) {
    SCOPED_TRACE(name);
    Bytes items;
    AppendFileEntry(&items, B("good.txt"), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    AppendFileEntry(&items, B(name), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    std::string archive = dir_ / "hostile.exe";
    WriteFileBytes(archive, MakeProgramFile(p));
    fs::remove_all(out);
    RunResult x = RunCorvane({"extract", "-q", archive, "-d", out});
    EXPECT_EQ(x.exitCode, 1) << x.err;
    EXPECT_NE(x.err.find("damaged"), std::string::npos) << x.err;
    EXPECT_EQ(ReadFileBytes(out + "/good.txt"), B("A"));
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
      left.push_back(fs::relative(e.path(), dir_.path()).string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"hostile.exe", "out", "out/good.txt"}));
    RunResult t = RunCorvane({"test", "-q", archive});
    EXPECT_EQ(t.exitCode, 1) << t.err;
  }
}

TEST_F(CorvaneExeTest, DestinationsOutsideCodePage932AndLongerThanMaxPath) {
  std::string in = MakeTree();
  std::string a = dir_ / "a.exe";
  ASSERT_EQ(RunLinux({"create", "-q", a, in}).exitCode, 0);
  // é and 한 have no Shift-JIS code, 😀 is beyond the 16-bit plane.
  std::string foreign = dir_ / "é한😀";
  // Far past 260 UTF-16 units, in levels a file system takes.
  std::string deep = dir_.path();
  while (deep.size() < 400) deep += "/長いフォルダの名前がここにある";
  for (const std::string& dest : {foreign, deep}) {
    SCOPED_TRACE(dest);
    RunResult x = RunCorvane({"extract", "-q", a, "-d", dest});
    ASSERT_EQ(x.exitCode, 0) << x.err;
    EXPECT_EQ(TreeContents(dest + "/in"), TreeContents(in));
    // The same folders as inputs, and the archive itself there.
    std::string b = dest + "/b.exe";
    RunResult c = RunCorvane({"create", "-q", b, dest + "/in"});
    ASSERT_EQ(c.exitCode, 0) << c.err;
    RunResult l = RunLinux({"list", b});
    EXPECT_EQ(l.exitCode, 0) << l.err;
    EXPECT_NE(l.out.find("in/表/ソフト/能力.bin"), std::string::npos) << l.out;
  }
}

// Code page 932 through the system's own table, named explicitly: every
// name reads as on Linux (Windows' single bytes 0x80, 0xA0, 0xFD-0xFF, the
// NEC and IBM rows, the user-defined area), and what has no character
// there is refused at the same item.
TEST_F(CorvaneExeTest, ShiftJisNamesReadAndAreRefusedAsOnLinux) {
  const Bytes kBodyA = {0xAE, 0x01};
  const char* const kNames[] = {
      "\x80"
      "a.txt",
      "\xA0"
      "b.txt",
      "\xFD\xFE\xFF.txt",
      "\x87\x40.txt",
      "\xED\x40.txt",
      "\xFA\x40.txt",
      "\xF0\x40.txt",
      "\x95\x5C\x5C"
      "c.txt",
      "\x81\x20.txt",
      "\x85\x40.txt",
      "\x81\x7F.txt",
      "end\x81"};
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    Bytes items;
    AppendFileEntry(&items, B("good.txt"), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    AppendFileEntry(&items, B(std::string(name)), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    std::string archive = dir_ / "names.exe";
    WriteFileBytes(archive, MakeProgramFile(p));
    for (const char* command : {"list", "test"}) {
      RunResult exe = RunCorvane({command, archive, "--utc"}),
                linux = RunLinux({command, archive, "--utc"});
      EXPECT_EQ(exe.exitCode, linux.exitCode) << exe.err << linux.err;
      EXPECT_EQ(exe.out, linux.out);
    }
  }
  // Names from the disk that Shift-JIS cannot hold are left out by name.
  std::string in = dir_ / "in";
  fs::create_directories(in);
  WriteFileBytes(in + "/café.txt", B("x"));
  WriteFileBytes(in + "/한.txt", B("x"));
  WriteFileBytes(in + "/ok.txt", B("x"));
  RunResult exe = RunCorvane({"create", "-q", dir_ / "o.exe", in});
  fs::remove(dir_ / "o.exe");
  RunResult linux = RunLinux({"create", "-q", dir_ / "o.exe", in});
  EXPECT_EQ(exe.exitCode, 7);
  EXPECT_EQ(exe.exitCode, linux.exitCode);
  EXPECT_EQ(exe.err, linux.err);
  EXPECT_NE(exe.err.find("café.txt' cannot be written in Shift-JIS"), std::string::npos) << exe.err;
}

// A name of one level is judged by what Windows takes, 255 UTF-16 units:
// 120 kanji are 360 bytes of UTF-8, too long for Linux, not for Windows.
TEST_F(CorvaneExeTest, ALevelNameIsJudgedByWindowsLengthLimit) {
  std::string longName;
  for (int i = 0; i < 120; i++) longName += "\x95\x5C";  // 表
  const Bytes kBodyA = {0xAE, 0x01};
  for (const auto& [name, linuxTakes] : {std::pair<std::string, bool>{longName, false},
                                        {longName.substr(0, 250) + ".txt", false},
                                        {std::string(255, 'a'), true},
                                        {std::string(256, 'a'), false}}) {
    SCOPED_TRACE(name.size());
    Bytes items;
    AppendFileEntry(&items, B(name), 1, 2, FileTimeOf(1500000000), 1, 0, 0, kBodyA);
    ProgramFile p;
    p.blockStream = MakeBlockStream(items);
    std::string archive = dir_ / "long.exe";
    WriteFileBytes(archive, MakeProgramFile(p));
    bool windowsTakes = name.size() != 256;
    EXPECT_EQ(RunCorvane({"test", "-q", archive}).exitCode, windowsTakes ? 0 : 4);
    EXPECT_EQ(RunLinux({"test", "-q", archive}).exitCode, linuxTakes ? 0 : 4);
  }
}

// --icon: a .ico, or a PNG through the system's own decoder, makes the
// same stub as the Linux corvane makes with libpng.
TEST_F(CorvaneExeTest, AnIconMakesTheSameStubAsOnLinux) {
  std::string in = MakeTree();
  const std::string icons = std::string(CORVANE_SOURCE_DIR) + "/tests/fuzz/corpus/stub_icon/";
  for (const char* icon : {"main_icon.ico", "three.ico", "dot.png"}) {
    SCOPED_TRACE(icon);
    std::string exe = dir_ / "exe.exe", linux = dir_ / "linux.exe";
    RunResult e = RunCorvane({"create", "-q", "--force", "--icon", icons + icon, exe, in});
    ASSERT_EQ(e.exitCode, 0) << e.err;
    RunResult l = RunLinux({"create", "-q", "--force", "--icon", icons + icon, linux, in});
    ASSERT_EQ(l.exitCode, 0) << l.err;
    Bytes a = ReadFileBytes(exe), b = ReadFileBytes(linux);
    ASSERT_GE(a.size(), (size_t)kStubSize);
    ASSERT_GE(b.size(), (size_t)kStubSize);
    EXPECT_TRUE(std::equal(a.begin(), a.begin() + kStubSize, b.begin()));
  }
  WriteFileBytes(dir_ / "broken.png", B("\x89PNG\r\n\x1a\nnot a picture at all"));
  RunResult broken = RunCorvane({"create", "-q", "--icon", dir_ / "broken.png", dir_ / "b.exe", in});
  EXPECT_EQ(broken.exitCode, 6);
  EXPECT_NE(broken.err.find("is a broken PNG"), std::string::npos) << broken.err;
  EXPECT_FALSE(PathExists(dir_ / "b.exe"));
}

// Starts corvane.exe, waits (bounded) for `watched` to appear below
// `folder`, sends Ctrl-C (Wine turns SIGINT into the console's Ctrl-C
// event) and returns the exit code.
int InterruptedRun(const std::vector<std::string>& args, const std::string& folder,
                   const std::string& watchedPrefix) {
  std::vector<std::string> all = {CORVANE_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : all) argv.push_back(&s[0]);
  argv.push_back(nullptr);
  pid_t pid;
  EXPECT_EQ(posix_spawn(&pid, CORVANE_BINARY, nullptr, nullptr, argv.data(), environ), 0);
  bool seen = false;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!seen && std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
      seen |= e.path().filename().string().rfind(watchedPrefix, 0) == 0;
    if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(seen) << watchedPrefix;
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CorvaneExeTest, CtrlCEndsARunAsCancelWithTheSameCleanUp) {
  fs::create_directories(dir_ / "in");
  static const char* const kWords[] = {"archive ", "folder ", "file ", "time\n", "stamp "};
  std::mt19937 random(3);
  std::string big;
  while (big.size() < (64u << 20)) big += kWords[random() % 5];
  WriteFileBytes(dir_ / "in/big.bin", B(big));
  std::string a = dir_ / "a.exe";
  ASSERT_EQ(RunLinux({"create", "-q", "--level", "1", a, dir_ / "in"}).exitCode, 0);
  Bytes archive = ReadFileBytes(a);
  // extract: the file in hand goes.
  std::string out = dir_ / "out";
  fs::create_directories(out);
  EXPECT_EQ(InterruptedRun({"extract", "-q", a, "-d", out}, out, "in"), 5);
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(out))
    if (e.is_regular_file()) left.push_back(e.path().string());
  EXPECT_EQ(left, std::vector<std::string>{});
  // create: the archive in the making goes, the old one stays.
  EXPECT_EQ(
      InterruptedRun({"create", "-q", "--best", "--force", a, dir_ / "in"}, dir_.path(), ".a.exe"),
      5);
  EXPECT_EQ(ReadFileBytes(a), archive);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_.path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.exe", "in", "out"}));
}

TEST_F(CorvaneExeTest, TemporariesOfRunsThatAreGoneAreSweptAndNothingElse) {
  std::string in = MakeTree();
  std::string a = dir_ / "a.exe";
  ASSERT_EQ(RunLinux({"create", "-q", a, in}).exitCode, 0);
  std::string out = dir_ / "out";
  fs::create_directories(out + "/in");
  // No Windows process has a number that is not a multiple of four.
  for (const char* name : {".corvane-4294967293-0.tmp", ".corvane-x-0.tmp", "corvane-0.tmp"})
    WriteFileBytes(out + "/in/" + name, B("left"));
  fs::create_directories(out + "/in/.corvane-4294967293-1.tmp");
  RunResult x = RunCorvane({"extract", "-q", a, "in/readme.txt", "-d", out});
  EXPECT_EQ(x.exitCode, 0) << x.err;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(out + "/in")) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".corvane-4294967293-1.tmp", ".corvane-x-0.tmp",
                                             "corvane-0.tmp", "readme.txt"}));
}

// On a terminal Wine gives the program a console: the prompt is shown, the
// typed password is not, and Ctrl-C there is a Cancel. The console takes a
// line at the Enter key, a carriage return, and what is typed before it
// reads the terminal in its own mode is lost.
TEST_F(CorvaneExeTest, ThePasswordPromptDoesNotEchoAndCtrlCThereCancels) {
  std::string in = MakeTree();
  WriteFileBytes(dir_ / "pw", B("secret\n"));
  std::string a = dir_ / "locked.exe";
  ASSERT_EQ(RunLinux({"create", "-q", "--password-file", dir_ / "pw", a, in}).exitCode, 0);
  TerminalRun typed = RunOnTerminal({"test", a}, {{"Password for", "secret\r", true}});
  EXPECT_EQ(typed.exitCode, 0) << typed.shown;
  EXPECT_NE(typed.shown.find("OK, 3 files"), std::string::npos) << typed.shown;
  EXPECT_EQ(typed.shown.find("secret"), std::string::npos) << "echoed: " << typed.shown;
  TerminalRun wrong = RunOnTerminal({"test", a}, {{"Password for", "public\r", true}});
  EXPECT_EQ(wrong.exitCode, 3) << wrong.shown;
  TerminalRun interrupted = RunOnTerminal({"test", a}, {{"Password for", "\x03", true}});
  EXPECT_EQ(interrupted.exitCode, 5) << interrupted.shown;
  EXPECT_NE(interrupted.shown.find("interrupted"), std::string::npos) << interrupted.shown;
}

}  // namespace
