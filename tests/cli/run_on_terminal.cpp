// corvane on a pseudo-terminal: forkpty, the answers typed when their
// questions show, the output read until the child is gone.
#include "tests/cli/run_on_terminal.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

TerminalRun RunOnTerminal(const std::vector<std::string>& args,
                          const std::vector<Exchange>& exchanges, int columns) {
  TerminalRun run;
  struct winsize size = {};
  size.ws_row = 24;
  size.ws_col = (unsigned short)columns;
  int master;
  pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) return run;
  if (pid == 0) {
    std::vector<char*> argv;
    std::string bin = CORVANE_BINARY;
    argv.push_back(&bin[0]);
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    execv(bin.c_str(), argv.data());
    _exit(127);
  }
  size_t next = 0, searchFrom = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    bool waitingForQuiet = false;
    while (next < exchanges.size()) {
      size_t at = run.shown.find(exchanges[next].waitFor, searchFrom);
      if (at == std::string::npos) break;
      struct termios mode;
      waitingForQuiet = exchanges[next].whenQuiet && tcgetattr(master, &mode) == 0 &&
                        (mode.c_lflag & ECHO);
      if (waitingForQuiet) break;
      searchFrom = at + exchanges[next].waitFor.size();
      const std::string& send = exchanges[next++].send;
      if (write(master, send.data(), send.size()) != (ssize_t)send.size()) break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    struct pollfd p = {master, POLLIN, 0};
    if (poll(&p, 1, waitingForQuiet ? 10 : (int)left.count()) <= 0) continue;
    char buffer[4096];
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // EIO: the child and every holder of the terminal are gone
    run.shown.append(buffer, (size_t)n);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  // On the master side these are the settings the child left.
  struct termios settings;
  run.echoAtEnd = tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO);
  close(master);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.answered = next == exchanges.size();
  return run;
}
