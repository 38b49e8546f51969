// The platform layer on POSIX. Archive paths (Shift-JIS, backslashes) are
// mapped to UTF-8 paths below a root directory descriptor, and opened with
// the *at calls relative to it.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/platform_posix.h"

static int rootFd = AT_FDCWD;
static int lastError;

void PosixSetRoot(int dirfd) { rootFd = dirfd; }
int PosixLastError() { return lastError; }

static bool Fail() {
  lastError = errno;
  return false;
}

const char* OsCharNext(const char* s) {
  uint8_t c = (uint8_t)*s;
  if (c == 0) return s;
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  return (lead && s[1] != 0) ? s + 2 : s + 1;
}

// Converts one path component of len bytes; returns bytes written or -1.
static int ConvertComponent(iconv_t cd, const char* in, size_t len, char* out,
                            size_t room) {
  char* src = (char*)in;
  char* dst = out;
  size_t left = room;
  iconv(cd, 0, 0, 0, 0);
  if (iconv(cd, &src, &len, &dst, &left) == (size_t)-1) return -1;
  return (int)(dst - out);
}

int PosixMapPath(const char* archivePath, char* out, int cap) {
  static iconv_t cd = (iconv_t)-1;
  if (cd == (iconv_t)-1) {
    cd = iconv_open("UTF-8", "CP932");
    if (cd == (iconv_t)-1) return -1;
  }
  int used = 0;
  const char* start = archivePath;
  const char* p = archivePath;
  for (;;) {
    if (*p == '\\' || *p == 0) {
      int n = 0;
      if (p > start) {
        n = ConvertComponent(cd, start, (size_t)(p - start), out + used,
                             (size_t)(cap - used));
        if (n < 0) return errno == E2BIG ? -2 : -1;
      }
      used += n;
      if (*p == 0) break;
      if (used >= cap) return -2;
      out[used++] = '/';
      start = p + 1;
      p = start;
      continue;
    }
    p = OsCharNext(p);
  }
  out[used] = 0;
  return used;
}

// The mapped form of an archive path, in a buffer of the caller's.
static bool Map(const char* archivePath, char* out, int cap) {
  int n = PosixMapPath(archivePath, out, cap);
  if (n >= 0) return true;
  lastError = n == -1 ? EILSEQ : ENAMETOOLONG;
  return false;
}

const int kHostPath = 16384;

OsFile OsOpenNative(const char* nativePath) {
  int fd = open(nativePath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

OsFile OsCreateFile(const char* archivePath) {
  char host[kHostPath];
  if (!Map(archivePath, host, kHostPath)) return kNoFile;
  int fd = openat(rootFd, host, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  int done = 0;
  while (done < n) {
    ssize_t r = read((int)f, (char*)buf + done, (size_t)(n - done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      *got = done;
      return Fail();
    }
    if (r == 0) break;
    done += (int)r;
  }
  *got = done;
  return true;
}

bool OsWrite(OsFile f, const void* buf, int n, int* put) {
  int done = 0;
  while (done < n) {
    ssize_t r = write((int)f, (const char*)buf + done, (size_t)(n - done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      *put = done;
      if (r == 0) errno = ENOSPC;
      return Fail();
    }
    done += (int)r;
  }
  *put = done;
  return true;
}

bool OsSeek(OsFile f, int64_t offset) {
  return lseek((int)f, (off_t)offset, SEEK_SET) >= 0 || Fail();
}

int64_t OsTell(OsFile f) {
  off_t r = lseek((int)f, 0, SEEK_CUR);
  if (r < 0) Fail();
  return r;
}

int64_t OsFileSize(OsFile f) {
  struct stat st;
  if (fstat((int)f, &st) != 0) {
    Fail();
    return -1;
  }
  return st.st_size;
}

// FILETIME counts 100 ns from 1601; the POSIX epoch is 11644473600 s later.
static struct timespec ToTimespec(FileTime t) {
  const int64_t kEpochShift = 116444736000000000LL;
  int64_t v = (int64_t)(t - (uint64_t)kEpochShift);
  int64_t sec = v / 10000000;
  int64_t rem = v % 10000000;
  if (rem < 0) {
    rem += 10000000;
    sec--;
  }
  struct timespec ts;
  ts.tv_sec = (time_t)sec;
  ts.tv_nsec = (long)(rem * 100);
  return ts;
}

bool OsSetFileTimes(OsFile f, FileTime creation, FileTime access,
                    FileTime write) {
  (void)creation;  // no POSIX call sets a birth time
  struct timespec ts[2] = {ToTimespec(access), ToTimespec(write)};
  return futimens((int)f, ts) == 0 || Fail();
}

bool OsClose(OsFile f) {
  if (f == kNoFile) return false;
  return close((int)f) == 0 || Fail();
}

bool OsDeleteFile(const char* archivePath) {
  char host[kHostPath];
  if (!Map(archivePath, host, kHostPath)) return false;
  return unlinkat(rootFd, host, 0) == 0 || Fail();
}

EntryKind OsProbeEntry(const char* archivePath) {
  char host[kHostPath];
  if (!Map(archivePath, host, kHostPath)) return kEntryNone;
  struct stat st;
  if (fstatat(rootFd, host, &st, 0) != 0) {
    Fail();
    return kEntryNone;
  }
  return S_ISDIR(st.st_mode) ? kEntryFolder : kEntryFile;
}

bool OsCreateFolder(const char* archivePath) {
  char host[kHostPath];
  if (!Map(archivePath, host, kHostPath)) return false;
  return mkdirat(rootFd, host, 0777) == 0 || Fail();
}

void* OsAlloc(size_t bytes) { return malloc(bytes); }
void OsFree(void* p) { free(p); }
