// corvane's own face: --version, the help of every command (kept as golden
// files), `help COMMAND`, and errors in the command line named as
// "corvane: ..." on standard error with the usage code.
//
// After a deliberate change to a help text, rewrite the golden files with
//   CORVANE_UPDATE_GOLDEN=1 build/host/tests/cli_face_tests --gtest_filter='Help*'
// and review the difference like code.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "cli/exit_codes.h"
#include "tests/cli/help_sections.h"
#include "tests/cli/run_corvane.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

TEST(Version, BothSpellingsPrintTheProjectVersionOnStandardOutput) {
  for (const char* flag : {"--version", "-V"}) {
    RunResult r = RunCorvane({flag});
    EXPECT_EQ(r.exitCode, 0) << flag;
    EXPECT_EQ(r.err, "") << flag;
    EXPECT_EQ(FirstLine(r.out), std::string("corvane ") + CORVANE_TEST_VERSION) << flag;
  }
}

TEST(Help, EveryHelpTextMatchesItsGoldenFile) {
  const bool update = getenv("CORVANE_UPDATE_GOLDEN") != nullptr;
  std::vector<std::string> commands = HelpItems(RunCorvane({"--help"}).out, "Subcommands:");
  ASSERT_GE(commands.size(), 5u);
  commands.insert(commands.begin(), "");
  for (const std::string& command : commands) {
    std::vector<std::string> args;
    if (!command.empty()) args.push_back(command);
    args.push_back("--help");
    RunResult r = RunCorvane(args);
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_EQ(r.err, "") << command;
    std::string golden = std::string(CORVANE_SOURCE_DIR) + "/tests/cli/golden/help-" +
                         (command.empty() ? "main" : command) + ".txt";
    if (update) {
      std::ofstream(golden, std::ios::binary) << r.out;
      continue;
    }
    EXPECT_EQ(r.out, ReadText(golden)) << "corvane " << command << " --help differs from "
                                       << golden << " (see the top of this file)";
  }
}

TEST(Help, HelpCommandGivesTheSameTextAsTheHelpOption) {
  RunResult main = RunCorvane({"help"});
  EXPECT_EQ(main.exitCode, 0);
  EXPECT_EQ(main.out, RunCorvane({"--help"}).out);
  for (const std::string& command : HelpItems(main.out, "Subcommands:")) {
    RunResult r = RunCorvane({"help", command});
    EXPECT_EQ(r.exitCode, 0) << command;
    EXPECT_EQ(r.err, "") << command;
    EXPECT_EQ(r.out, RunCorvane({command, "--help"}).out) << command;
  }
}

// The main help ends with every exit code the tool has; each command's
// help with those it can give, success and usage among them.
TEST(Help, ExitCodesCloseEveryHelp) {
  std::string main = RunCorvane({"--help"}).out;
  for (int code = kExitSuccess; code <= kExitNoMatch; ++code) {
    std::regex line("\n  " + std::to_string(code) + "   [a-z]");
    EXPECT_TRUE(std::regex_search(main.substr(main.find("\nExit codes:\n")), line)) << code;
  }
  for (const std::string& command : HelpItems(main, "Subcommands:")) {
    std::string help = RunCorvane({command, "--help"}).out;
    size_t table = help.find("\nExit codes:\n");
    ASSERT_NE(table, std::string::npos) << command;
    EXPECT_NE(help.find("\n  0   success", table), std::string::npos) << command;
    EXPECT_NE(help.find("\n  2   usage error", table), std::string::npos) << command;
  }
}

void ExpectUsageError(const std::vector<std::string>& args, const std::string& start,
                      const std::string& also = "") {
  std::string shown;
  for (const std::string& a : args) shown += " " + a;
  RunResult r = RunCorvane(args);
  EXPECT_EQ(r.exitCode, kExitUsage) << shown;
  EXPECT_EQ(r.out, "") << shown;
  EXPECT_EQ(r.err.compare(0, start.size(), start), 0) << shown << ": " << r.err;
  if (!also.empty()) {
    EXPECT_NE(r.err.find(also), std::string::npos) << shown << ": " << r.err;
  }
  // The last line says where help is.
  EXPECT_TRUE(std::regex_search(r.err, std::regex("\nTry 'corvane [a-z ]*--help' for more "
                                                  "information\\.\n$")))
      << shown << ": " << r.err;
}

TEST(CommandLineErrors, AnUnknownCommandIsNamedWithTheNearestOne) {
  ExpectUsageError({"extrct", "a.exe"}, "corvane: unknown command 'extrct'",
                   "(did you mean 'extract'?)");
  ExpectUsageError({"lsit"}, "corvane: unknown command 'lsit'", "(did you mean 'list'?)");
  ExpectUsageError({"cr", "x.exe"}, "corvane: unknown command 'cr'", "(did you mean 'create'?)");
  ExpectUsageError({"help", "tset"}, "corvane: unknown command 'tset'", "(did you mean 'test'?)");
  RunResult far = RunCorvane({"frobnicate"});
  EXPECT_EQ(far.exitCode, kExitUsage);
  EXPECT_EQ(far.err.find("did you mean"), std::string::npos) << far.err;
  EXPECT_NE(far.err.find("list, test, extract, create"), std::string::npos) << far.err;
}

TEST(CommandLineErrors, ParserErrorsNameTheToolAndTheCommand) {
  ExpectUsageError({}, "corvane: a command is required");
  ExpectUsageError({"--frob"}, "corvane: unknown option '--frob'");
  ExpectUsageError({"extract"}, "corvane: extract: ", "archive");
  ExpectUsageError({"list", "--frob", "a.exe"}, "corvane: list: ", "--frob");
  ExpectUsageError({"extract", "--nonsense", "a.exe"}, "corvane: extract: ", "--nonsense");
  ExpectUsageError({"extract", "--overwrite", "--skip-existing", "a.exe"}, "corvane: extract: ",
                   "--skip-existing");
  ExpectUsageError({"create", "--level", "9", "o.exe", "in"}, "corvane: create: ", "--level");
  ExpectUsageError({"help", "list", "extra"}, "corvane: help: ", "extra");
}

}  // namespace
