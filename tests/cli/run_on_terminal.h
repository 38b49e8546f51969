// Runs the corvane binary on a pseudo-terminal of a given width, answering
// what it asks, and collects everything the terminal was shown.
#ifndef CORVANE_TESTS_CLI_RUN_ON_TERMINAL_H
#define CORVANE_TESTS_CLI_RUN_ON_TERMINAL_H

#include <string>
#include <vector>

// Once the terminal has shown `waitFor` (after what earlier exchanges
// waited for), `send` is typed.
struct Exchange {
  std::string waitFor;
  std::string send;
  // Typed only once the terminal no longer echoes: a console that reads
  // the terminal in a mode of its own (Wine's) loses what comes before.
  bool whenQuiet = false;
};

struct TerminalRun {
  int exitCode = -1;    // 128 + the signal when it was killed
  std::string shown;    // standard output and error, as the terminal got them
  bool answered = false;  // every exchange took place
  bool echoAtEnd = false;  // the terminal echoed typing when the child was gone
};

// Gives up (killing the child) after 60 seconds.
TerminalRun RunOnTerminal(const std::vector<std::string>& args,
                          const std::vector<Exchange>& exchanges = {}, int columns = 80);

#endif
