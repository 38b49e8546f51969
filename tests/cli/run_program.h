// Runs a program (found on PATH when the name has no '/') and collects what
// it says, as RunCorvane does for corvane itself.
#ifndef CORVANE_TESTS_CLI_RUN_PROGRAM_H
#define CORVANE_TESTS_CLI_RUN_PROGRAM_H

#include <string>
#include <vector>

#include "tests/cli/run_corvane.h"

// argv[0] is the program. Standard input is /dev/null; no controlling
// terminal. exitCode is -1 when the program could not be started.
RunResult RunProgram(const std::vector<std::string>& argv);

// The same through `bash -c script`, with $1... the arguments.
RunResult RunBash(const std::string& script, const std::vector<std::string>& args = {});

#endif
