// Runs a program (found on PATH when the name has no '/') and collects what
// it says.
#ifndef CORVANE_TESTS_CLI_RUN_PROGRAM_H
#define CORVANE_TESTS_CLI_RUN_PROGRAM_H

#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;  // -1: the program could not be started
  std::string out, err;
};

// argv[0] is the program. Standard input is the named file (or pipe), so
// that no question can be answered; no controlling terminal either.
RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::string& standardInput = "/dev/null");

// The same through `bash -c script`, with $1... the arguments.
RunResult RunBash(const std::string& script, const std::vector<std::string>& args = {});

#endif
