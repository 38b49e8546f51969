// The terminal side of corvane: questions, the password prompt and the
// progress bar, all on the controlling terminal and standard error, so
// that standard output stays clean for listings.
#ifndef CORVANE_CLI_TERMINAL_H
#define CORVANE_CLI_TERMINAL_H

#include <stdint.h>

#include <string>
#include <vector>

#include "cli/text_columns.h"

// Whether questions can be asked (a controlling terminal can be opened and
// standard input is one).
bool CanAskUser();

// Reads a line typed at the terminal without echo. False if there is none.
bool ReadPasswordFromTerminal(const std::string& prompt, std::string* line);

// Asks until one of `answers` (lower-case words with distinct first
// letters) is typed, whole or by its first letter, in either case; an
// unclear answer is told what is expected. Returns the answer's index, or
// -1 when the terminal closes or a signal interrupts the wait.
int AskAnswer(const std::string& question, const std::vector<std::string>& answers);

// The progress line for a terminal of `columns` columns: "[####....]
// 42.0% label", the bar narrower or gone on a narrow terminal, the label's
// end kept. It takes at most columns - 1 columns, so that it never wraps
// (a line that fills the last column wraps on some terminals).
std::string ProgressLine(int permille, const std::string& label, int columns,
                         const TextColumns& measure);

// A one-line progress bar on standard error, drawn only on a terminal and
// only when the shown figure or the label changes. The terminal's width is
// read at every draw, so a resized terminal gets lines of its new width
// from the next draw on.
class ProgressBar {
 public:
  explicit ProgressBar(bool enabled);
  ~ProgressBar();
  void Update(int64_t done, int64_t total, const std::string& label);
  void Clear();
  bool enabled() const { return enabled_; }

 private:
  bool enabled_;
  bool drawn_ = false;
  int lastPermille_ = -1;
  std::string lastLabel_;
  TextColumns measure_;
};

#endif
