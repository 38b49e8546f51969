// The manual page corvane(1): free of formatter warnings, and naming every
// command, every option and every exit code that the help lists, so that
// the two cannot drift apart.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "tests/cli/help_sections.h"
#include "tests/cli/run_corvane.h"
#include "tests/cli/run_program.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The page's text by section (".SH NAME") and subsection (".SS name"):
// the first word of the heading, font changes dropped, "\-" as "-". A
// section's text holds its subsections'. The tags are the lines that head
// the items of a list (each after a ".TP"), where options are described.
struct ManSections {
  std::map<std::string, std::string> sections, subsections, sectionTags, subsectionTags;
};

std::string Plain(const std::string& roff) {
  std::string s = std::regex_replace(roff, std::regex(R"(\\f[BIRP])"), "");
  s = std::regex_replace(s, std::regex(R"(\\-)"), "-");
  return std::regex_replace(s, std::regex(R"(\\e)"), "\\");
}

std::string HeadingWord(const std::string& line) {
  std::string rest = line.substr(4);
  size_t start = rest.find_first_not_of(" \"");
  size_t end = rest.find_first_of(" \"", start);
  return rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

ManSections ReadManPage(const std::string& path) {
  ManSections m;
  std::istringstream lines(Plain(ReadText(path)));
  std::string line, section, subsection;
  bool tag = false;
  while (std::getline(lines, line)) {
    if (tag) {
      m.sectionTags[section] += line + "\n";
      if (!subsection.empty()) m.subsectionTags[subsection] += line + "\n";
    }
    tag = line == ".TP";
    if (line.compare(0, 4, ".SH ") == 0) {
      section = HeadingWord(line);
      subsection.clear();
      continue;
    }
    if (line.compare(0, 4, ".SS ") == 0) {
      subsection = HeadingWord(line);
      m.subsections[subsection];
      continue;
    }
    m.sections[section] += line + "\n";
    if (!subsection.empty()) m.subsections[subsection] += line + "\n";
  }
  return m;
}

// `option` as a whole word of `text` ("--dest" is not found in "--destx").
bool HasOption(const std::string& text, const std::string& option) {
  std::string quoted = std::regex_replace(option, std::regex(R"([.*+?^${}()|\[\]\\])"), R"(\$&)");
  return std::regex_search(text, std::regex("(^|[^A-Za-z0-9-])" + quoted + "($|[^A-Za-z0-9-])"));
}

TEST(ManPage, FormatsWithoutAWarning) {
  RunResult groff = RunProgram({"groff", "-man", "-ww", "-z", CORVANE_MAN_PAGE});
  ASSERT_NE(groff.exitCode, -1) << "groff is missing: bash scripts/install-deps.sh --tests";
  EXPECT_EQ(groff.exitCode, 0);
  EXPECT_EQ(groff.err, "");
  // As man-db formats it for a terminal (what lintian runs, too).
  RunResult man = RunBash(
      "LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \"$1\" "
      ">/dev/null",
      {CORVANE_MAN_PAGE});
  EXPECT_EQ(man.exitCode, 0) << man.err;
  EXPECT_EQ(man.err, "");
}

TEST(ManPage, CarriesTheProjectVersion) {
  std::string page = ReadText(CORVANE_MAN_PAGE);
  std::smatch th;
  ASSERT_TRUE(std::regex_search(page, th, std::regex("\n\\.TH CORVANE 1 [^\n]*")));
  EXPECT_NE(th.str().find(std::string("\"corvane ") + CORVANE_TEST_VERSION + "\""),
            std::string::npos)
      << th.str();
}

TEST(ManPage, DescribesEveryCommandAndOptionOfTheHelp) {
  ManSections man = ReadManPage(CORVANE_MAN_PAGE);
  std::string mainHelp = RunCorvane({"--help"}).out;
  std::vector<std::string> mainOptions = HelpItems(mainHelp, "Options:");
  ASSERT_FALSE(mainOptions.empty());
  for (const std::string& option : mainOptions)
    EXPECT_TRUE(HasOption(man.sectionTags["OPTIONS"], option)) << option << " not under OPTIONS";
  std::vector<std::string> commands = HelpItems(mainHelp, "Subcommands:");
  ASSERT_GE(commands.size(), 5u);
  for (const std::string& command : commands) {
    ASSERT_TRUE(man.subsections.count(command)) << "no .SS for the command " << command;
    const std::string& tags = man.subsectionTags[command];
    for (const std::string& option : HelpItems(RunCorvane({command, "--help"}).out, "Options:")) {
      // Options every command shares are described once, under OPTIONS.
      bool shared = std::find(mainOptions.begin(), mainOptions.end(), option) != mainOptions.end();
      EXPECT_TRUE(HasOption(shared ? man.sectionTags["OPTIONS"] : tags, option))
          << command << " " << option << " is not in its section of the manual page";
    }
  }
}

TEST(ManPage, ListsTheExitCodesOfTheHelp) {
  std::string help = RunCorvane({"--help"}).out;
  std::set<std::string> inHelp, inMan;
  std::string table = help.substr(help.find("\nExit codes:\n"));
  std::regex helpCode("\n  ([0-9]+)   ");
  for (std::sregex_iterator i(table.begin(), table.end(), helpCode), end; i != end; ++i)
    inHelp.insert((*i)[1]);
  std::string status = ReadManPage(CORVANE_MAN_PAGE).sections["EXIT"];
  std::regex manCode("\\.TP\n\\.B ([0-9]+)\n");
  for (std::sregex_iterator i(status.begin(), status.end(), manCode), end; i != end; ++i)
    inMan.insert((*i)[1]);
  EXPECT_GE(inHelp.size(), 8u);
  EXPECT_EQ(inHelp, inMan);
}

}  // namespace
