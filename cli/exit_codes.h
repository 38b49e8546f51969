// The exit codes of corvane, as the README lists them.
#ifndef CORVANE_CLI_EXIT_CODES_H
#define CORVANE_CLI_EXIT_CODES_H

enum ExitCode {
  kExitSuccess = 0,
  kExitDamaged = 1,        // damaged, truncated or unreadable archive
  kExitUsage = 2,          // bad command line
  kExitWrongPassword = 3,  // wrong or missing password
  kExitWriteFailed = 4,    // a file or folder could not be written
  kExitCancelled = 5,      // the user cancelled
  kExitInputFailed = 6,    // create: an input could not be read or named
                           // (with --strict), or nothing was left to store
  kExitInputsLeftOut = 7,  // create: written, but inputs were left out
  kExitInputsChanged = 8,  // create: written, but files changed while read
  kExitNoMatch = 9,        // list, test, extract: a MEMBER matched no item
};

#endif
