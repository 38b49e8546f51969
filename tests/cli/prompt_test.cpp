// The questions corvane asks on a terminal: the overwrite question with
// its answers in either case, whole or by letter, rename among them; and
// the password prompt, which gives the terminal its echo back whatever
// ends it.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_corvane.h"
#include "tests/cli/run_on_terminal.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

const char kQuestion[] = "Overwrite? [y]es, [n]o, [a]ll, [s]kip all, [r]ename, [c]ancel: ";

class PromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "in");
    WriteFileBytes(dir_ / "in/a.txt", B("new a\n"));
    WriteFileBytes(dir_ / "in/b.txt", B("new b\n"));
    archive_ = dir_ / "a.exe";
    ASSERT_EQ(RunCorvane({"create", "-q", archive_, dir_ / "in"}).exitCode, 0);
  }
  // out/in/a.txt and out/in/b.txt hold old contents.
  void OldFiles() {
    fs::remove_all(dir_ / "out");
    fs::create_directories(dir_ / "out/in");
    WriteFileBytes(dir_ / "out/in/a.txt", B("old a\n"));
    WriteFileBytes(dir_ / "out/in/b.txt", B("old b\n"));
  }
  TerminalRun Extract(const std::vector<Exchange>& answers, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"extract", "-q", archive_, "-d", dir_ / "out"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunOnTerminal(args, answers);
  }
  Bytes Out(const std::string& name) { return ReadFileBytes(dir_ / ("out/in/" + name)); }
  TempDir dir_;
  std::string archive_;
};

TEST_F(PromptTest, AnswersAreTakenWholeOrByLetterInEitherCase) {
  OldFiles();
  TerminalRun run = Extract({{kQuestion, "YES\n"}, {kQuestion, "n\n"}});
  EXPECT_TRUE(run.answered) << run.shown;
  EXPECT_EQ(run.exitCode, 0) << run.shown;
  EXPECT_EQ(Out("a.txt"), B("new a\n"));
  EXPECT_EQ(Out("b.txt"), B("old b\n"));

  OldFiles();
  run = Extract({{kQuestion, "All\n"}});
  EXPECT_EQ(run.exitCode, 0) << run.shown;
  EXPECT_EQ(Out("b.txt"), B("new b\n"));
}

TEST_F(PromptTest, AnUnclearAnswerIsToldWhatIsExpectedAndAskedAgain) {
  OldFiles();
  TerminalRun run = Extract({{kQuestion, "maybe\n"}, {kQuestion, "\n"}, {kQuestion, "s\n"}});
  EXPECT_TRUE(run.answered) << run.shown;
  EXPECT_EQ(run.exitCode, 0) << run.shown;
  EXPECT_NE(run.shown.find("Please answer yes, no, all, skip, rename or cancel"),
            std::string::npos)
      << run.shown;
  EXPECT_EQ(Out("a.txt"), B("old a\n"));
  EXPECT_EQ(Out("b.txt"), B("old b\n"));
}

TEST_F(PromptTest, RenameWritesTheNewFileUnderAFreeName) {
  OldFiles();
  WriteFileBytes(dir_ / "out/in/a (1).txt", B("taken\n"));
  TerminalRun run = Extract({{kQuestion, "r\n"}, {kQuestion, "Rename\n"}});
  EXPECT_EQ(run.exitCode, 0) << run.shown;
  EXPECT_EQ(Out("a.txt"), B("old a\n"));
  EXPECT_EQ(Out("a (1).txt"), B("taken\n"));
  EXPECT_EQ(Out("a (2).txt"), B("new a\n"));
  EXPECT_EQ(Out("b (1).txt"), B("new b\n"));
  EXPECT_NE(run.shown.find("out/in/a.txt exists; written as " + dir_ / "out/in/a (2).txt"),
            std::string::npos)
      << run.shown;
  // The same without asking.
  RunResult again = RunCorvane({"extract", "-q", archive_, "-d", dir_ / "out", "--rename"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(Out("a (3).txt"), B("new a\n"));
}

TEST_F(PromptTest, CancelEndsTheRunWithTheCancelCodeAndChangesNothing) {
  OldFiles();
  TerminalRun run = Extract({{kQuestion, "C\n"}});
  EXPECT_EQ(run.exitCode, 5) << run.shown;
  EXPECT_EQ(Out("a.txt"), B("old a\n"));
  EXPECT_EQ(Out("b.txt"), B("old b\n"));
}

// With the files made on a second thread the question is asked there: the
// interruption must still end its wait.
TEST_F(PromptTest, CtrlCAtTheOverwriteQuestionEndsTheRunWithTheCancelCode) {
  for (const char* threads : {"1", "2"}) {
    OldFiles();
    TerminalRun run = Extract({{kQuestion, "\x03"}}, {"--threads", threads});
    EXPECT_TRUE(run.answered) << run.shown;
    EXPECT_EQ(run.exitCode, 5) << threads << " threads: " << run.shown;
    EXPECT_NE(run.shown.find("interrupted"), std::string::npos) << run.shown;
    EXPECT_EQ(Out("a.txt"), B("old a\n"));
    EXPECT_EQ(Out("b.txt"), B("old b\n"));
  }
}

TEST_F(PromptTest, CtrlCAtThePasswordPromptGivesTheEchoBackAndTheCancelCode) {
  WriteFileBytes(dir_ / "pw", B("secret\n"));
  std::string locked = dir_ / "locked.exe";
  ASSERT_EQ(RunCorvane({"create", "-q", "--password-file", dir_ / "pw", locked, dir_ / "in"})
                .exitCode,
            0);
  TerminalRun interrupted = RunOnTerminal({"test", locked}, {{"Password for", "\x03"}});
  EXPECT_TRUE(interrupted.answered) << interrupted.shown;
  EXPECT_EQ(interrupted.exitCode, 5) << interrupted.shown;
  EXPECT_TRUE(interrupted.echoAtEnd);
  EXPECT_NE(interrupted.shown.find("interrupted"), std::string::npos) << interrupted.shown;

  TerminalRun typed = RunOnTerminal({"test", locked}, {{"Password for", "secret\n"}});
  EXPECT_EQ(typed.exitCode, 0) << typed.shown;
  EXPECT_TRUE(typed.echoAtEnd);
  EXPECT_EQ(typed.shown.find("secret"), std::string::npos) << "echoed: " << typed.shown;
}

}  // namespace
