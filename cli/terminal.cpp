// The terminal: questions, the password prompt without echo, the progress bar.
#include "cli/terminal.h"

#include <fcntl.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Reads one line from the terminal descriptor, without its newline.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    ssize_t r = read(fd, &c, 1);
    if (r <= 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

int OpenTerminal() { return open("/dev/tty", O_RDWR | O_CLOEXEC); }

}  // namespace

bool CanAskUser() {
  if (!isatty(STDIN_FILENO)) return false;
  int fd = OpenTerminal();
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool ReadPasswordFromTerminal(const std::string& prompt, std::string* line) {
  int fd = OpenTerminal();
  if (fd < 0) return false;
  if (write(fd, prompt.data(), prompt.size()) < 0) {
    close(fd);
    return false;
  }
  termios saved, quiet;
  bool haveTermios = tcgetattr(fd, &saved) == 0;
  if (haveTermios) {
    quiet = saved;
    quiet.c_lflag &= ~(tcflag_t)ECHO;
    quiet.c_lflag |= ECHONL;
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  bool ok = ReadLine(fd, line);
  if (haveTermios) tcsetattr(fd, TCSAFLUSH, &saved);
  close(fd);
  return ok;
}

char AskChoice(const std::string& question, const std::string& choices) {
  int fd = OpenTerminal();
  if (fd < 0) return 0;
  char answer = 0;
  for (;;) {
    if (write(fd, question.data(), question.size()) < 0) break;
    std::string line;
    if (!ReadLine(fd, &line)) break;
    if (line.size() == 1 && choices.find(line[0]) != std::string::npos) {
      answer = line[0];
      break;
    }
  }
  close(fd);
  return answer;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar() { Clear(); }

void ProgressBar::Update(int64_t done, int64_t total, const std::string& label) {
  if (!enabled_ || total <= 0) return;
  int permille = (int)(done * 1000 / total);
  if (permille > 1000) permille = 1000;
  if (permille == lastPermille_ && label == lastLabel_) return;
  lastPermille_ = permille;
  lastLabel_ = label;
  const int kWidth = 30;
  int filled = permille * kWidth / 1000;
  std::string bar(filled, '#');
  bar.append(kWidth - filled, '.');
  std::string shown = label.size() > 40 ? "..." + label.substr(label.size() - 37) : label;
  fprintf(stderr, "\r\033[K[%s] %3d.%d%% %s", bar.c_str(), permille / 10, permille % 10,
          shown.c_str());
  fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  fprintf(stderr, "\r\033[K");
  fflush(stderr);
  drawn_ = false;
}
