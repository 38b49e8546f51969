// The bash completion, sourced in bash and asked as bash asks it: the
// commands and each command's options (all that its help lists), archives
// where an archive goes, folders after -d, values after the options that
// take one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <sstream>

#include "tests/cli/help_sections.h"
#include "tests/cli/run_corvane.h"
#include "tests/cli/run_program.h"
#include "tests/test_files.h"

namespace {

// Runs the completion function registered for corvane on the words of a
// command line (the last one being completed) in the folder `dir`, and
// gives what it offers, sorted.
const char kCompleteScript[] = R"(
source "$1" || exit 3
cd "$2" || exit 3
shift 2
COMP_WORDS=("$@")
COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
COMP_LINE="${COMP_WORDS[*]}"
COMP_POINT=${#COMP_LINE}
registered=$(complete -p corvane) || exit 4
function=${registered#*-F }
function=${function%% *}
"$function" corvane "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
printf '%s\n' "${COMPREPLY[@]}"
)";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class CompletionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir((dir_ / "sub").c_str(), 0755);
    mkdir((dir_ / "my folder").c_str(), 0755);
    for (const char* name : {"a.exe", "B.EXE", "notes.txt"}) WriteFileBytes(dir_ / name, B("x"));
  }
  // words[0] is the program as typed: the built corvane.
  std::vector<std::string> Complete(std::vector<std::string> words) {
    words.insert(words.begin(), CORVANE_BINARY);
    std::vector<std::string> args = {std::string(CORVANE_SOURCE_DIR) + "/completion/corvane.bash",
                                      dir_.path()};
    args.insert(args.end(), words.begin(), words.end());
    RunResult r = RunBash(kCompleteScript, args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return Sorted(Lines(r.out));
  }
  TempDir dir_;
};

using Names = std::vector<std::string>;

TEST_F(CompletionTest, OffersTheCommandsOfTheHelp) {
  Names commands = Sorted(HelpItems(RunCorvane({"--help"}).out, "Subcommands:"));
  ASSERT_GE(commands.size(), 5u);
  EXPECT_EQ(Complete({""}), commands);
  EXPECT_EQ(Complete({"ex"}), Names{"extract"});
  EXPECT_EQ(Complete({"help", ""}), commands);
  EXPECT_EQ(Complete({"help", "cr"}), Names{"create"});
  EXPECT_EQ(Complete({"-"}), Sorted(HelpItems(RunCorvane({"--help"}).out, "Options:")));
}

TEST_F(CompletionTest, OffersEveryOptionOfEachCommand) {
  for (const std::string& command : HelpItems(RunCorvane({"--help"}).out, "Subcommands:")) {
    Names options = Sorted(HelpItems(RunCorvane({command, "--help"}).out, "Options:"));
    ASSERT_GE(options.size(), 2u) << command;
    EXPECT_EQ(Complete({command, "-"}), options) << command;
    // Wherever the option goes among the arguments.
    EXPECT_EQ(Complete({command, "a.exe", "-"}), options) << command;
  }
  EXPECT_EQ(Complete({"extract", "--sk"}), Names{"--skip-existing"});
}

TEST_F(CompletionTest, OffersArchivesAndFoldersWhereAnArchiveGoes) {
  Names archives = {"B.EXE", "a.exe", "my folder", "sub"};
  EXPECT_EQ(Complete({"list", ""}), archives);
  EXPECT_EQ(Complete({"test", "-q", ""}), archives);
  EXPECT_EQ(Complete({"extract", "-d", "out", "--overwrite", ""}), archives);
  EXPECT_EQ(Complete({"extract", "a"}), Names{"a.exe"});
  EXPECT_EQ(Complete({"create", "--level", "3", ""}), archives);
  // The inputs of create are any files.
  EXPECT_EQ(Complete({"create", "out.exe", ""}),
            (Names{"B.EXE", "a.exe", "my folder", "notes.txt", "sub"}));
}

TEST_F(CompletionTest, OffersWhatAnOptionsValueIs) {
  Names folders = {"my folder", "sub"};
  EXPECT_EQ(Complete({"extract", "-d", ""}), folders);
  EXPECT_EQ(Complete({"extract", "--dest", ""}), folders);
  // bash splits --dest=s at the '='.
  EXPECT_EQ(Complete({"extract", "--dest", "=", "s"}), Names{"sub"});
  EXPECT_EQ(Complete({"create", "-C", ""}), folders);
  EXPECT_EQ(Complete({"create", "--level", ""}), (Names{"1", "2", "3"}));
  EXPECT_EQ(Complete({"create", "--run", ""}), Names{});
  Names files = {"B.EXE", "a.exe", "my folder", "notes.txt", "sub"};
  EXPECT_EQ(Complete({"extract", "--password-file", ""}), files);
  EXPECT_EQ(Complete({"create", "-T", ""}), files);
}

}  // namespace
