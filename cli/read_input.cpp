// Reading a whole file or standard input, with the system's error kept.
#include "cli/read_input.h"

#include <errno.h>
#include <unistd.h>

#include "platform/host_files.h"

bool ReadWholeInput(const std::string& path, std::string* text, size_t limit) {
  int fd = path == "-" ? STDIN_FILENO : HostOpenForReading(path);
  if (fd < 0) return false;
  text->clear();
  char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text->append(buffer, (size_t)n);
    if (text->size() > limit) {
      ok = false;
      errno = EFBIG;
      break;
    }
  }
  int saved = errno;
  if (fd != STDIN_FILENO) HostClose(fd);
  errno = saved;
  return ok;
}
