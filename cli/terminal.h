// The terminal side of corvane: questions, the password prompt and the
// progress bar, all on the controlling terminal and standard error, so
// that standard output stays clean for listings.
#ifndef CORVANE_CLI_TERMINAL_H
#define CORVANE_CLI_TERMINAL_H

#include <stdint.h>

#include <string>
#include <vector>

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

// A one-line progress bar on standard error, drawn only on a terminal and
// only when the shown figure changes.
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
};

#endif
