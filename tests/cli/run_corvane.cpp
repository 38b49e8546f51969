// Runs the corvane binary with arguments and collects what it says.
#include "tests/cli/run_corvane.h"

#include "tests/test_files.h"

RunResult RunCorvane(const std::vector<std::string>& args, const std::string& standardInput) {
  std::vector<std::string> argv = {CORVANE_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, standardInput);
}

RunResult RunCorvaneWithInput(const std::vector<std::string>& args, const std::string& input) {
  TempDir io;
  WriteFileBytes(io / "in", Bytes(input.begin(), input.end()));
  return RunCorvane(args, io / "in");
}
