// The terminal on POSIX: /dev/tty for questions, termios for the echo.
#include "platform/console.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/interrupt.h"

namespace {

// Reads one line from the terminal descriptor, without its newline.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    struct pollfd p = {fd, POLLIN, 0};
    while (!InterruptNoted() && poll(&p, 1, 100) == 0) {
    }
    if (InterruptNoted()) return false;
    ssize_t r = read(fd, &c, 1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

int OpenTerminal() { return open("/dev/tty", O_RDWR | O_CLOEXEC); }

}  // namespace

void ConsoleStartProcess(int*, char***) {}

void ConsolePrintf(FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stream, format, args);
  va_end(args);
}

bool ConsoleIsTerminal(FILE* stream) { return isatty(fileno(stream)); }

bool ConsoleCanAsk() {
  if (!isatty(STDIN_FILENO)) return false;
  int fd = OpenTerminal();
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool ConsoleAsk(const std::string& prompt, bool echo, std::string* line) {
  int fd = OpenTerminal();
  if (fd < 0) return false;
  // The echo goes before the prompt shows, so that nothing typed after it
  // is echoed or thrown away.
  termios saved, quiet;
  bool quieted = !echo && tcgetattr(fd, &saved) == 0;
  if (quieted) {
    quiet = saved;
    quiet.c_lflag &= ~(tcflag_t)ECHO;
    quiet.c_lflag |= ECHONL;
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  bool ok = write(fd, prompt.data(), prompt.size()) >= 0 && ReadLine(fd, line);
  if (quieted) tcsetattr(fd, TCSAFLUSH, &saved);
  close(fd);
  return ok;
}

int ConsoleColumns() {
  struct winsize size;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

void ConsoleRedrawLine(const std::string& text) {
  fprintf(stderr, "\r\033[K%s", text.c_str());
  fflush(stderr);
}
