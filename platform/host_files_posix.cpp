// Host files on POSIX.
#include "platform/host_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include "platform/interrupt.h"

const char kHostSeparators[] = "/";

namespace {

FileTime ToFileTime(int64_t sec, uint32_t nsec) {
  if (sec < -kFileTimeEpochSeconds) return 0;
  return (FileTime)(sec + kFileTimeEpochSeconds) * kFileTimeUnitsPerSecond + nsec / 100;
}

HostKind KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return HostKind::kFolder;
  if (S_ISFIFO(mode)) return HostKind::kPipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return HostKind::kDevice;
  if (S_ISSOCK(mode)) return HostKind::kSocket;
  if (S_ISLNK(mode)) return HostKind::kLink;
  return HostKind::kFile;
}

// Birth time where the file system keeps one, else the last write time.
void FromStatx(const struct statx& sx, HostFileInfo* info) {
  info->kind = KindOf(sx.stx_mode);
  info->size = (int64_t)sx.stx_size;
  info->access = ToFileTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
  info->write = ToFileTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  info->change = ToFileTime(sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec);
  info->creation = (sx.stx_mask & STATX_BTIME)
                       ? ToFileTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec)
                       : info->write;
  info->device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  info->id = sx.stx_ino;
}

const unsigned kStatxMask = STATX_TYPE | STATX_SIZE | STATX_INO | STATX_BTIME | STATX_ATIME |
                            STATX_MTIME | STATX_CTIME;

}  // namespace

bool HostInfoOfPath(const std::string& path, bool followLinks, HostFileInfo* info) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), followLinks ? 0 : AT_SYMLINK_NOFOLLOW, kStatxMask, &sx) != 0)
    return false;
  FromStatx(sx, info);
  return true;
}

bool HostInfoOfFile(int fd, HostFileInfo* info) {
  struct statx sx;
  if (statx(fd, "", AT_EMPTY_PATH, kStatxMask, &sx) != 0) return false;
  FromStatx(sx, info);
  return true;
}

int HostOpenForReading(const std::string& path) {
  // Reading a plain file is the same with O_NONBLOCK or without it.
  return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

bool HostClose(int fd) { return close(fd) == 0; }

bool HostReadAt(int fd, int64_t offset, void* into, size_t n, size_t* got) {
  *got = 0;
  while (*got < n) {
    ssize_t r = pread(fd, (char*)into + *got, n - *got, (off_t)(offset + (int64_t)*got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) break;
    *got += (size_t)r;
  }
  return true;
}

bool HostListFolder(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  DIR* dir = opendir(path.c_str());
  if (!dir) return false;
  errno = 0;
  while (struct dirent* d = readdir(dir)) {
    if (strcmp(d->d_name, ".") != 0 && strcmp(d->d_name, "..") != 0) names->push_back(d->d_name);
    errno = 0;
  }
  int err = errno;
  closedir(dir);
  errno = err;
  return err == 0;
}

bool HostCreateFolders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) errno = ec.value();
  return !ec;
}

bool HostReplace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

bool HostRemove(const std::string& path) { return unlink(path.c_str()) == 0; }

void HostShareNewFile(int fd) {
  mode_t mask = umask(022);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

std::string HostStandardInputFile(int* fd, std::string* why) {
  *fd = -1;
  struct stat st;
  if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode)) return "/dev/stdin";
  if (isatty(STDIN_FILENO)) {
    *why = "standard input is a terminal, not an archive";
    return "";
  }
  const char* tmp = getenv("TMPDIR");
  std::string folder = tmp && *tmp ? tmp : "/tmp";
  int copy = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (copy < 0) {
    *why = "cannot make a temporary copy of standard input in " + folder + ": " +
           strerror(errno);
    return "";
  }
  *fd = copy;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0 && errno == EINTR && !InterruptNoted()) continue;
    if (n < 0 || write(copy, buffer.data(), (size_t)n) != n) {
      *why = InterruptNoted() ? "interrupted"
                              : std::string("cannot copy standard input: ") + strerror(errno);
      return "";
    }
  }
  return "/proc/self/fd/" + std::to_string(copy);
}
