// The terminal: questions, the password prompt without echo, the progress bar.
#include "cli/terminal.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/interrupt_posix.h"

namespace {

// Reads one line from the terminal descriptor, without its newline.
// False when the terminal closes first, or a signal ends the wait: also
// one that came before the wait began, which no read would notice.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    struct pollfd p = {fd, POLLIN, 0};
    while (!PosixInterrupted() && poll(&p, 1, 100) == 0) {
    }
    if (PosixInterrupted()) return false;
    ssize_t r = read(fd, &c, 1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

int OpenTerminal() { return open("/dev/tty", O_RDWR | O_CLOEXEC); }

// The width of the terminal on standard error; 80 when it says none.
int TerminalColumns() {
  struct winsize size;
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

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
  // The echo goes before the prompt shows, so that nothing typed after it
  // is echoed or thrown away.
  termios saved, quiet;
  bool haveTermios = tcgetattr(fd, &saved) == 0;
  if (haveTermios) {
    quiet = saved;
    quiet.c_lflag &= ~(tcflag_t)ECHO;
    quiet.c_lflag |= ECHONL;
    tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  bool ok = write(fd, prompt.data(), prompt.size()) >= 0 && ReadLine(fd, line);
  if (haveTermios) tcsetattr(fd, TCSAFLUSH, &saved);
  close(fd);
  return ok;
}

int AskAnswer(const std::string& question, const std::vector<std::string>& answers) {
  int fd = OpenTerminal();
  if (fd < 0) return -1;
  std::string expected = "Please answer ";
  for (size_t i = 0; i < answers.size(); i++)
    expected += (i == 0 ? "" : i + 1 == answers.size() ? " or " : ", ") + answers[i];
  expected += " (or their first letters).\n";
  int chosen = -1;
  std::string prompt = question;
  while (chosen < 0) {
    if (write(fd, prompt.data(), prompt.size()) < 0) break;
    std::string line;
    if (!ReadLine(fd, &line)) break;
    std::string typed;
    for (char c : line)
      if (c != ' ' && c != '\t' && c != '\r') typed += (char)tolower((unsigned char)c);
    for (size_t i = 0; i < answers.size() && chosen < 0; i++)
      if (!typed.empty() && (typed == answers[i] || typed == answers[i].substr(0, 1)))
        chosen = (int)i;
    prompt = expected + question;
  }
  close(fd);
  return chosen;
}

ProgressBar::ProgressBar(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar() { Clear(); }

std::string ProgressLine(int permille, const std::string& label, int columns,
                         const TextColumns& measure) {
  int room = columns - 1;
  char figure[16];
  snprintf(figure, sizeof figure, "%3d.%d%%", permille / 10, permille % 10);
  std::string line = figure;
  if ((int)line.size() >= room) return line.substr(0, room > 0 ? (size_t)room : 0);
  // The bar takes up to 30 columns, but leaves 20 to the label; "[", "] ",
  // the figure and the space before the label take 10 more.
  const int kLongestBar = 30, kLabelRoom = 20, kAroundBar = 10;
  int barWidth = room - kAroundBar - kLabelRoom;
  if (barWidth > kLongestBar) barWidth = kLongestBar;
  if (barWidth >= 5) {
    int filled = permille * barWidth / 1000;
    line = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "] " + line;
  }
  int labelRoom = room - (int)line.size() - 1;
  std::string shown = measure.KeepEnd(PrintableText(label), labelRoom);
  if (!shown.empty()) line += " " + shown;
  return line;
}

void ProgressBar::Update(int64_t done, int64_t total, const std::string& label) {
  if (!enabled_ || total <= 0) return;
  int permille = (int)(done * 1000 / total);
  if (permille > 1000) permille = 1000;
  if (permille == lastPermille_ && label == lastLabel_) return;
  int columns = TerminalColumns();
  lastPermille_ = permille;
  lastLabel_ = label;
  fprintf(stderr, "\r\033[K%s", ProgressLine(permille, label, columns, measure_).c_str());
  fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  fprintf(stderr, "\r\033[K");
  fflush(stderr);
  drawn_ = false;
}
