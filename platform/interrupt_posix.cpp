// The interrupt handlers on POSIX: one that removes a file and exits, one that
// notes the signal for the run to end itself.
#include "platform/interrupt.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// Signals reach the process, not an object: what the handler needs lives
// here, and is only written while the signals are blocked.
char removePath[4096];
int exitWith;
volatile sig_atomic_t interrupted;

void OnSignal(int) {
  if (removePath[0]) unlink(removePath);
  _exit(exitWith);
}

void NoteSignal(int) { interrupted = 1; }

void HandleTheThree(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigfillset(&action.sa_mask);
  sigaction(SIGINT, &action, 0);
  sigaction(SIGTERM, &action, 0);
  sigaction(SIGHUP, &action, 0);
}

class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &old_, 0); }

 private:
  sigset_t old_;
};

}  // namespace

int CreateRemovedOnInterrupt(char* pathTemplate, int exitCode) {
  if (strlen(pathTemplate) >= sizeof removePath) {
    errno = ENAMETOOLONG;
    return -1;
  }
  SignalsBlocked blocked;
  int fd = mkstemp(pathTemplate);
  if (fd < 0) return -1;
  strcpy(removePath, pathTemplate);
  exitWith = exitCode;
  HandleTheThree(OnSignal);
  return fd;
}

void ForgetOnInterrupt() {
  SignalsBlocked blocked;
  removePath[0] = 0;
}

void NoteInterrupts() { HandleTheThree(NoteSignal); }

bool InterruptNoted() { return interrupted != 0; }
