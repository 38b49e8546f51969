// Runs the corvane binary with arguments and collects what it says.
#ifndef CORVANE_TESTS_CLI_RUN_CORVANE_H
#define CORVANE_TESTS_CLI_RUN_CORVANE_H

#include <string>
#include <vector>

#include "tests/cli/run_program.h"

// Standard input is /dev/null unless another file (or pipe) is named, so
// no question can be answered.
RunResult RunCorvane(const std::vector<std::string>& args,
                     const std::string& standardInput = "/dev/null");

// The same with `input` on standard input.
RunResult RunCorvaneWithInput(const std::vector<std::string>& args, const std::string& input);

#endif
