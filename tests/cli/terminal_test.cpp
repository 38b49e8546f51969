// corvane's progress bar on a real pseudo-terminal: every line it draws
// fits the terminal's width without wrapping, is whole UTF-8, and shows
// names with '/'.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "cli/text_columns.h"
#include "tests/cli/run_corvane.h"
#include "tests/cli/run_on_terminal.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

// The bar's drawings: what follows each "\r\033[K" up to the next line
// break or carriage return.
std::vector<std::string> BarDrawings(const std::string& shown) {
  std::vector<std::string> lines;
  const std::string mark = "\r\033[K";
  for (size_t at = shown.find(mark); at != std::string::npos; at = shown.find(mark, at)) {
    at += mark.size();
    size_t end = shown.find_first_of("\r\n", at);
    if (end == std::string::npos) end = shown.size();
    if (end > at) lines.push_back(shown.substr(at, end - at));
  }
  return lines;
}

}  // namespace

TEST(TerminalTest, TheProgressBarFitsTheTerminalAndShowsNamesWithSlashes) {
  TempDir dir;
  // A long Japanese name deep in folders, and a file large enough for many
  // drawings.
  std::string folder = dir / "in/big/表示フォルダの長い名前/ソース";
  fs::create_directories(folder);
  std::mt19937 rng(4);
  Bytes data(3 << 20);
  for (auto& c : data) c = (uint8_t)rng();
  WriteFileBytes(folder + "/能力の十分なファイル名-0123456789.bin", data);
  WriteFileBytes(dir / "in/big/fifty.txt", data);
  RunResult made = RunCorvane({"create", "-q", dir / "a.exe", dir / "in/big"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  TextColumns measure;
  for (int columns : {24, 50, 160}) {
    SCOPED_TRACE(columns);
    TerminalRun run = RunOnTerminal({"extract", dir / "a.exe", "-d",
                                     dir / ("out" + std::to_string(columns))},
                                    {}, columns);
    ASSERT_EQ(run.exitCode, 0) << run.shown;
    std::vector<std::string> drawn = BarDrawings(run.shown);
    ASSERT_GT(drawn.size(), 10u) << run.shown;
    bool sawJapanese = false, sawFifty = false;
    for (const std::string& line : drawn) {
      EXPECT_TRUE(IsUtf8(line)) << line;
      EXPECT_LE(measure.Width(line), columns - 1) << line;
      EXPECT_EQ(line.find('\\'), std::string::npos) << line;
      if (line.find("6789.bin") != std::string::npos) sawJapanese = true;
      if (columns >= 50 && line.find("big/fifty.txt") != std::string::npos) sawFifty = true;
      if (columns < 50 && line.find("fifty.txt") != std::string::npos) sawFifty = true;
    }
    EXPECT_TRUE(sawJapanese) << run.shown;
    EXPECT_TRUE(sawFifty) << run.shown;
    if (columns >= 160) {
      bool whole = false;
      for (const std::string& line : drawn)
        whole |= line.find("big/表示フォルダの長い名前/ソース/") != std::string::npos;
      EXPECT_TRUE(whole) << run.shown;
    }
  }
}

// With the files written on a second thread both threads draw the bar; it
// shows how far the archive has been read and never goes back.
TEST(TerminalTest, TheProgressFigureNeverGoesBack) {
  TempDir dir;
  std::mt19937 rng(9);
  fs::create_directories(dir / "in/many");
  for (int i = 0; i < 400; i++) {
    Bytes data(2000 + rng() % 20000);
    for (auto& c : data) c = (uint8_t)('a' + rng() % 6);
    WriteFileBytes(dir / ("in/many/f" + std::to_string(i) + ".txt"), data);
  }
  RunResult made = RunCorvane({"create", "-q", dir / "a.exe", dir / "in/many"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* threads : {"1", "2"}) {
    TerminalRun run = RunOnTerminal(
        {"extract", dir / "a.exe", "--threads", threads, "-d", dir / ("out" + std::string(threads))});
    ASSERT_EQ(run.exitCode, 0) << run.shown;
    std::vector<std::string> drawn = BarDrawings(run.shown);
    ASSERT_GT(drawn.size(), 100u) << run.shown;
    double last = 0;
    for (const std::string& line : drawn) {
      size_t percent = line.find('%');
      ASSERT_NE(percent, std::string::npos) << line;
      size_t from = line.find_last_of(' ', percent) + 1;
      double figure = std::stod(line.substr(from, percent - from));
      EXPECT_GE(figure, last) << threads << " threads: " << line;
      last = figure;
    }
  }
}
