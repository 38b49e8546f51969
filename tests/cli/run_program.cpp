// Runs a program and collects what it says.
#include "tests/cli/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "tests/test_files.h"

extern char** environ;

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& args, const std::string& standardInput) {
  TempDir io;
  std::string outPath = io / "out", errPath = io / "err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, standardInput.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // No controlling terminal either: setsid in the child.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& a : copy) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  RunResult r;
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  r.out = Slurp(outPath);
  r.err = Slurp(errPath);
  return r;
}

RunResult RunBash(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"bash", "--norc", "--noprofile", "-c", script, "bash"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}
