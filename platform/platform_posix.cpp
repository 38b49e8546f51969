// The platform layer on POSIX. Archive paths (Shift-JIS, backslashes) are
// mapped to UTF-8 paths below a root directory descriptor, and opened with
// the *at calls relative to it.
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/platform_posix.h"

static int rootFd = AT_FDCWD;
// Each thread has its own, as with errno: the file side of a run may be on
// another thread than its reads.
static thread_local int lastError;

// The folders of the last items, kept open: the items of an archive come
// folder by folder, and walking every component again for each file (and
// for each folder its chain probes) would cost more than its contents.
// Each was reached by the same walk without links; all are dropped with
// the root.
const int kHostPath = 16384;
const int kCachedFolders = 16;
struct CachedFolder {
  char* path;  // OsAlloc'd, kHostPath bytes
  size_t length;
  int fd;
};
static CachedFolder cachedFolders[kCachedFolders];
static int nextCachedFolder;

static void DropCachedFolders() {
  for (CachedFolder& c : cachedFolders) {
    if (c.fd > 0) close(c.fd);
    c.fd = 0;
    c.length = 0;
  }
}

static int FindCachedFolder(const char* folder, size_t length) {
  for (const CachedFolder& c : cachedFolders)
    if (c.fd > 0 && c.length == length && memcmp(c.path, folder, length) == 0) return c.fd;
  return -1;
}

static bool IsCachedFd(int fd) {
  for (const CachedFolder& c : cachedFolders)
    if (c.fd > 0 && c.fd == fd) return true;
  return false;
}

static void CacheFolder(const char* folder, size_t length, int fd) {
  CachedFolder& c = cachedFolders[nextCachedFolder];
  nextCachedFolder = (nextCachedFolder + 1) % kCachedFolders;
  if (!c.path) c.path = (char*)malloc(kHostPath);
  if (!c.path) {
    close(fd);
    return;
  }
  if (c.fd > 0) close(c.fd);
  memcpy(c.path, folder, length);
  c.length = length;
  c.fd = fd;
}

void PosixSetRoot(int dirfd) {
  DropCachedFolders();
  rootFd = dirfd;
}
int PosixLastError() { return lastError; }
void PosixSetLastError(int error) { lastError = error; }

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
  // CP932 keeps ASCII as it is, and most names are ASCII: no call needed.
  size_t ascii = 0;
  while (ascii < len && (uint8_t)in[ascii] < 0x80) ascii++;
  if (ascii == len) {
    if (len > room) {
      errno = E2BIG;
      return -1;
    }
    memcpy(out, in, len);
    return (int)len;
  }
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

static thread_local void (*betweenCalls)(void*);
static thread_local void* betweenCallsArg;

void PosixSetBetweenCalls(void (*fn)(void*), void* arg) {
  betweenCalls = fn;
  betweenCallsArg = arg;
}

// Before each call that makes, probes, writes, stamps, closes, moves or
// deletes something on behalf of an item.
static inline void BetweenCalls() {
  if (betweenCalls) betweenCalls(betweenCallsArg);
}

static long callCount[kFaultKinds];
static long failAt[kFaultKinds];

void PosixResetFaults() {
  for (int k = 0; k < kFaultKinds; k++) callCount[k] = failAt[k] = 0;
}
void PosixFailCall(FaultKind kind, long nth) { failAt[kind] = nth; }
long PosixCallCount(FaultKind kind) { return callCount[kind]; }

// Counts a call and tells whether it is the one to fail.
static bool Injected(FaultKind kind) {
  if (++callCount[kind] != failAt[kind]) return false;
  errno = EIO;
  lastError = EIO;
  return true;
}

// The folder that holds the last component of a mapped path, opened one
// component at a time without following links, and that component.
class Parent {
 public:
  explicit Parent(const char* archivePath) {
    if (!Map(archivePath, host_, kHostPath)) return;
    heldOpen_ = FindCachedFolder(host_, strlen(host_)) >= 0;
    char* p = host_;
    char* lastSlash = strrchr(host_, '/');
    size_t folderLen = lastSlash ? (size_t)(lastSlash - host_) : 0;
    int cached = folderLen > 0 ? FindCachedFolder(host_, folderLen) : -1;
    if (cached >= 0) {
      fd_ = cached;
      leaf_ = lastSlash[1] ? lastSlash + 1 : ".";
      ok_ = true;
      return;
    }
    fd_ = rootFd;
    // Else the nearest folder above it that is held open: the walk goes on
    // from there.
    for (size_t len = folderLen; *p != '/' && len > 0;) {
      const char* slash = (const char*)memrchr(host_, '/', len);
      if (!slash || slash == host_) break;
      len = (size_t)(slash - host_);
      int above = FindCachedFolder(host_, len);
      if (above >= 0) {
        fd_ = above;
        p = host_ + len + 1;
        break;
      }
    }
    if (*p == '/') {
      // Below a destination root nothing starts at the file system's
      // root. Without one (tests, or a caller working from its current
      // directory) an absolute path is taken as it stands.
      if (rootFd != AT_FDCWD) {
        lastError = EPERM;
        return;
      }
      fd_ = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd_ < 0) {
        lastError = errno;
        return;
      }
      p++;
    }
    for (;;) {
      char* slash = strchr(p, '/');
      if (!slash) break;
      *slash = 0;
      if (!Step(p)) return;
      p = slash + 1;
    }
    leaf_ = *p ? p : ".";
    ok_ = true;
    // The walk wrote a 0 over each slash of the folder part: the folder's
    // path is the same bytes with the slashes back.
    if (fd_ != rootFd && folderLen > 0) {
      char folder[kHostPath];
      memcpy(folder, host_, folderLen);
      for (size_t i = 0; i < folderLen; i++)
        if (folder[i] == 0) folder[i] = '/';
      CacheFolder(folder, folderLen, fd_);
    }
  }
  ~Parent() {
    if (fd_ != rootFd && fd_ >= 0 && !IsCachedFd(fd_)) close(fd_);
  }
  bool ok() const { return ok_; }
  int fd() const { return fd_; }
  const char* leaf() const { return leaf_; }
  // The whole path is a folder held open from an earlier walk.
  bool heldOpen() const { return heldOpen_; }

 private:
  bool Step(const char* component) {
    if (*component == 0 || strcmp(component, ".") == 0) return true;
    if (strcmp(component, "..") == 0) {
      lastError = EPERM;
      return false;
    }
    int next = openat(fd_, component, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) {
      lastError = errno;
      return false;
    }
    if (fd_ != rootFd && !IsCachedFd(fd_)) close(fd_);
    fd_ = next;
    return true;
  }

  char host_[kHostPath];
  int fd_ = -1;
  const char* leaf_ = ".";
  bool ok_ = false;
  bool heldOpen_ = false;
};

OsFile OsOpenNative(const char* nativePath) {
  if (Injected(kFaultOpen)) return kNoFile;
  int fd = open(nativePath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

static OsFile CreateBelowRoot(const char* archivePath, int flags) {
  BetweenCalls();
  if (Injected(kFaultOpen)) return kNoFile;
  Parent parent(archivePath);
  if (!parent.ok()) return kNoFile;
  int fd = openat(parent.fd(), parent.leaf(), flags | O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                  0666);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

OsFile OsCreateFile(const char* archivePath) { return CreateBelowRoot(archivePath, O_TRUNC); }

OsFile OsCreateNewFile(const char* archivePath) { return CreateBelowRoot(archivePath, O_EXCL); }

bool OsReplaceFile(const char* fromArchivePath, const char* toArchivePath) {
  BetweenCalls();
  Parent from(fromArchivePath);
  Parent to(toArchivePath);
  if (!from.ok() || !to.ok()) return false;
  return renameat(from.fd(), from.leaf(), to.fd(), to.leaf()) == 0 || Fail();
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  *got = 0;
  if (Injected(kFaultRead)) return false;
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
  BetweenCalls();
  *put = 0;
  if (Injected(kFaultWrite)) return false;
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
  if (Injected(kFaultSeek)) return false;
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
  BetweenCalls();
  (void)creation;  // no POSIX call sets a birth time
  if (Injected(kFaultTimes)) return false;
  struct timespec ts[2] = {ToTimespec(access), ToTimespec(write)};
  return futimens((int)f, ts) == 0 || Fail();
}

bool OsClose(OsFile f) {
  BetweenCalls();
  if (f == kNoFile) return false;
  if (Injected(kFaultClose)) {
    close((int)f);  // the descriptor goes all the same
    return false;
  }
  return close((int)f) == 0 || Fail();
}

bool OsDeleteFile(const char* archivePath) {
  BetweenCalls();
  Parent parent(archivePath);
  if (!parent.ok()) return false;
  return unlinkat(parent.fd(), parent.leaf(), 0) == 0 || Fail();
}

EntryKind OsProbeEntry(const char* archivePath) {
  BetweenCalls();
  Parent parent(archivePath);
  if (!parent.ok()) return kEntryNone;
  // Asked again for every file below it: what is held open is a folder,
  // and so is what a walk has just opened as one.
  if (parent.heldOpen() || strcmp(parent.leaf(), ".") == 0) return kEntryFolder;
  struct stat st;
  if (fstatat(parent.fd(), parent.leaf(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    Fail();
    return kEntryNone;
  }
  // A link is something that is not a folder, whatever it points to.
  return S_ISDIR(st.st_mode) ? kEntryFolder : kEntryFile;
}

bool OsCreateFolder(const char* archivePath) {
  BetweenCalls();
  if (Injected(kFaultFolder)) return false;
  Parent parent(archivePath);
  if (!parent.ok()) return false;
  return mkdirat(parent.fd(), parent.leaf(), 0777) == 0 || Fail();
}

void* OsAlloc(size_t bytes) { return malloc(bytes); }
void OsFree(void* p) { free(p); }
