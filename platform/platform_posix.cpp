// The platform layer on POSIX. Archive paths (Shift-JIS, backslashes) are
// mapped to UTF-8 paths below a root directory descriptor, and opened with
// the *at calls relative to it.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <new>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/platform.h"
#include "platform/host_platform.h"
#include "platform/text_encoding.h"

// As errno: each thread has its own.
static thread_local int lastError;

int PlatformLastError() { return lastError; }

void PlatformSetLastError(int error) { lastError = error; }

bool HostTakesLevel(const std::string& utf8) { return utf8.size() <= NAME_MAX; }

static bool Fail() {
  lastError = errno;
  return false;
}

// The folders of the last items, kept open by their root: the items of an
// archive come folder by folder, and walking every component again for
// each file (and for each folder its chain probes) would cost more than
// its contents. Each was reached by the same walk without links.
const int kHostPath = 16384;
const int kHeldFolders = 16;
struct HeldFolder {
  char* path;  // kHostPath bytes, taken when first used
  size_t length;
  int fd;  // 0: none
  bool swept;  // of stale temporaries, in this run
  // Made by this run and held ever since: it held nothing when made, so
  // what it holds now is what the run put there, listed in `entries`, and
  // a probe needs no call. Anything that shows otherwise (a creation that
  // finds its name taken, a failed move or removal) ends this.
  bool madeByRun;
  std::unordered_map<std::string, EntryKind> entries;
};

// The folders of the last items are held open with the root, and the
// folders already swept of stale temporaries are remembered.
struct OsRoot {
  int fd = -1;
  HeldFolder held[kHeldFolders] = {};
  int nextHeld = 0;
  std::set<std::pair<dev_t, ino_t>> swept;
  bool rootSwept = false;
};

OsRoot* OsOpenRoot(const char* nativeFolder) {
  int fd = open(nativeFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail();
    return 0;
  }
  OsRoot* root = new (std::nothrow) OsRoot;
  if (!root) {
    close(fd);
    lastError = ENOMEM;
    return 0;
  }
  root->fd = fd;
  return root;
}

void OsCloseRoot(OsRoot* root) {
  if (!root) return;
  for (HeldFolder& h : root->held) {
    if (h.fd > 0) close(h.fd);
    free(h.path);
  }
  close(root->fd);
  delete root;
}

static int FindHeldFolder(const OsRoot* root, const char* folder, size_t length) {
  if (!root) return -1;
  for (const HeldFolder& h : root->held)
    if (h.fd > 0 && h.length == length && memcmp(h.path, folder, length) == 0) return h.fd;
  return -1;
}

static bool IsHeldFd(const OsRoot* root, int fd) {
  if (!root) return false;
  for (const HeldFolder& h : root->held)
    if (h.fd > 0 && h.fd == fd) return true;
  return false;
}

// Takes over fd. The slot it went to, or 0.
static HeldFolder* HoldFolder(OsRoot* root, const char* folder, size_t length, int fd) {
  HeldFolder& h = root->held[root->nextHeld];
  root->nextHeld = (root->nextHeld + 1) % kHeldFolders;
  if (!h.path) h.path = (char*)malloc(kHostPath);
  if (!h.path) {
    close(fd);
    return 0;
  }
  if (h.fd > 0) close(h.fd);
  memcpy(h.path, folder, length);
  h.length = length;
  h.fd = fd;
  h.swept = false;
  h.madeByRun = false;
  h.entries.clear();
  return &h;
}

// Where a folder held open with the root notes that it was swept; 0 for
// any other.
static bool* SweptMark(OsRoot* root, int fd) {
  if (fd == root->fd) return &root->rootSwept;
  for (HeldFolder& h : root->held)
    if (h.fd > 0 && h.fd == fd) return &h.swept;
  return 0;
}

// The held folder at fd if this run made it (see HeldFolder); 0 otherwise.
static HeldFolder* MadeByRun(OsRoot* root, int fd) {
  if (!root) return 0;
  for (HeldFolder& h : root->held)
    if (h.fd > 0 && h.fd == fd) return h.madeByRun ? &h : 0;
  return 0;
}

// The listed names are plain: no separator, not the folder itself.
static bool IsPlainName(const char* leaf) {
  return strchr(leaf, '/') == 0 && strcmp(leaf, ".") != 0;
}

const char* OsCharNext(const char* s) {
  uint8_t c = (uint8_t)*s;
  if (c == 0) return s;
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  return (lead && s[1] != 0) ? s + 2 : s + 1;
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The mapped form of an archive path, in a buffer of the caller's.
static bool Map(const char* archivePath, char* out, int cap) {
  int n = MapArchivePath(archivePath, out, cap);
  if (n >= 0) return true;
  lastError = n == -1 ? EILSEQ : ENAMETOOLONG;
  return false;
}

// The folder that holds the last component of a mapped path, opened one
// component at a time without following links, and that component.
class Parent {
 public:
  Parent(OsRoot* root, const char* archivePath) : root_(root) {
    rootFd_ = root ? root->fd : AT_FDCWD;
    fd_ = rootFd_;
    if (!Map(archivePath, host_, kHostPath)) return;
    size_t length = strlen(host_);
    heldOpen_ = FindHeldFolder(root_, host_, length) >= 0;
    char* p = host_;
    // The last component keeps a separator at its end: the call on it then
    // fails where Windows fails (a file cannot be made there) and works
    // where Windows works (a folder can).
    size_t searched = length > 1 && host_[length - 1] == '/' ? length - 1 : length;
    char* lastSlash = (char*)memrchr(host_, '/', searched);
    size_t folderLen = lastSlash ? (size_t)(lastSlash - host_) : 0;
    folderLen_ = folderLen;
    char* leafStart = lastSlash ? lastSlash + 1 : host_;
    int cached = folderLen > 0 ? FindHeldFolder(root_, host_, folderLen) : -1;
    if (cached >= 0) {
      fd_ = cached;
      leaf_ = *leafStart ? leafStart : ".";
      ok_ = true;
      return;
    }
    // Else the nearest folder above it that is held open: the walk goes on
    // from there.
    for (size_t len = folderLen; *p != '/' && len > 0;) {
      const char* slash = (const char*)memrchr(host_, '/', len);
      if (!slash || slash == host_) break;
      len = (size_t)(slash - host_);
      int above = FindHeldFolder(root_, host_, len);
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
      if (root_) {
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
      if (!slash || slash >= leafStart) break;
      *slash = 0;
      if (!Step(p)) return;
      p = slash + 1;
    }
    leaf_ = *p ? p : ".";
    ok_ = true;
    // The walk wrote a 0 over each slash of the folder part: the folder's
    // path is the same bytes with the slashes back.
    if (root_ && fd_ != rootFd_ && folderLen > 0) {
      char folder[kHostPath];
      memcpy(folder, host_, folderLen);
      for (size_t i = 0; i < folderLen; i++)
        if (folder[i] == 0) folder[i] = '/';
      HoldFolder(root_, folder, folderLen, fd_);
    }
  }
  ~Parent() {
    if (fd_ != rootFd_ && fd_ >= 0 && !IsHeldFd(root_, fd_)) close(fd_);
  }
  bool ok() const { return ok_; }
  int fd() const { return fd_; }
  const char* leaf() const { return leaf_; }
  // The whole path is a folder held open from an earlier walk.
  bool heldOpen() const { return heldOpen_; }
  // The mapped path of the leaf, as folders are held: without a separator
  // at its end. Its length; out takes kHostPath bytes.
  size_t LeafPath(char* out) const {
    size_t n = 0;
    for (; n < folderLen_; n++) out[n] = host_[n] ? host_[n] : '/';
    if (n > 0) out[n++] = '/';
    for (const char* p = leaf_; *p && !(*p == '/' && p[1] == 0); p++) out[n++] = *p;
    return n;
  }

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
    if (fd_ != rootFd_ && !IsHeldFd(root_, fd_)) close(fd_);
    fd_ = next;
    return true;
  }

  OsRoot* root_;
  int rootFd_;
  char host_[kHostPath];
  int fd_;
  const char* leaf_ = ".";
  size_t folderLen_ = 0;
  bool ok_ = false;
  bool heldOpen_ = false;
};

// The folder of a call that changes what is in it, if its contents are
// listed (see HeldFolder). A leaf that is not a plain name ends the
// listing rather than being followed.
static HeldFolder* ListedFolder(OsRoot* root, const Parent& parent) {
  HeldFolder* h = MadeByRun(root, parent.fd());
  if (h && !IsPlainName(parent.leaf())) h->madeByRun = false;
  return h && h->madeByRun ? h : 0;
}

// A change in a listed folder failed: what is there is not known now.
static void Unlist(HeldFolder* h) {
  if (h) h->madeByRun = false;
}

OsFile OsOpenNative(const char* nativePath) {
  int fd = open(nativePath, O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

const char* OsTemporaryStem(void) {
  thread_local char stem[32];
  snprintf(stem, sizeof stem, ".corvane-%ld-", (long)getpid());
  return stem;
}

// Whether a name is a temporary of a run whose process is gone: the stem
// with a process number that no process has, N, ".tmp".
static bool IsStaleTemporary(const char* name) {
  long pid;
  unsigned n;
  int end = 0;
  if (sscanf(name, ".corvane-%ld-%u.tmp%n", &pid, &n, &end) != 2 || name[end] != 0 || pid <= 0)
    return false;
  return pid != (long)getpid() && kill((pid_t)pid, 0) != 0 && errno == ESRCH;
}

// The temporaries that runs which crashed left in a folder go the first
// time a run writes into it; only plain files are removed.
static void SweepStaleTemporaries(OsRoot* root, int folderFd) {
  // A folder held open is asked once, not for every file made in it.
  bool* mark = SweptMark(root, folderFd);
  if (mark && *mark) return;
  if (mark) *mark = true;
  struct stat st;
  if (fstat(folderFd, &st) != 0 || !root->swept.insert({st.st_dev, st.st_ino}).second) return;
  int fd = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = fd < 0 ? 0 : fdopendir(fd);
  if (!dir) {
    if (fd >= 0) close(fd);
    return;
  }
  while (struct dirent* e = readdir(dir)) {
    struct stat entry;
    if (IsStaleTemporary(e->d_name) &&
        fstatat(folderFd, e->d_name, &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(entry.st_mode))
      unlinkat(folderFd, e->d_name, 0);
  }
  closedir(dir);
}

static OsFile CreateBelowRoot(OsRoot* root, const char* archivePath, int flags) {
  Parent parent(root, archivePath);
  if (!parent.ok()) return kNoFile;
  if (root) SweepStaleTemporaries(root, parent.fd());
  // In a folder the run made, a name it has not used yet is only ever
  // made afresh: whatever else put it there meanwhile is not overwritten.
  HeldFolder* listed = ListedFolder(root, parent);
  if (listed && !listed->entries.count(parent.leaf())) flags |= O_EXCL;
  int fd = openat(parent.fd(), parent.leaf(), flags | O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                  0666);
  if (fd < 0) {
    Unlist(listed);
    Fail();
    return kNoFile;
  }
  if (listed) listed->entries[parent.leaf()] = kEntryFile;
  return fd;
}

OsFile OsCreateFile(OsRoot* root, const char* archivePath) {
  return CreateBelowRoot(root, archivePath, O_TRUNC);
}

OsFile OsCreateNewFile(OsRoot* root, const char* archivePath) {
  return CreateBelowRoot(root, archivePath, O_EXCL);
}

bool OsCanReplace(OsRoot* root, const char* archivePath) {
  Parent parent(root, archivePath);
  if (!parent.ok()) return false;
  struct stat st;
  if (fstatat(parent.fd(), parent.leaf(), &st, AT_SYMLINK_NOFOLLOW) != 0) return Fail();
  if (S_ISDIR(st.st_mode)) {
    lastError = EISDIR;
    return false;
  }
  // Links, pipes and devices are renamed over, never opened: opening a
  // device for writing may act on it.
  if (!S_ISREG(st.st_mode)) return true;
  int fd = openat(parent.fd(), parent.leaf(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail();
  close(fd);
  return true;
}

OsFile OsOpenExisting(OsRoot* root, const char* archivePath) {
  Parent parent(root, archivePath);
  if (!parent.ok()) return kNoFile;
  int fd = openat(parent.fd(), parent.leaf(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) Fail();
  return fd < 0 ? kNoFile : fd;
}

bool OsReplaceFile(OsRoot* root, const char* fromArchivePath, const char* toArchivePath) {
  Parent from(root, fromArchivePath);
  Parent to(root, toArchivePath);
  if (!from.ok() || !to.ok()) return false;
  HeldFolder* fromListed = ListedFolder(root, from);
  HeldFolder* toListed = ListedFolder(root, to);
  if (renameat(from.fd(), from.leaf(), to.fd(), to.leaf()) != 0) {
    Unlist(fromListed);
    Unlist(toListed);
    return Fail();
  }
  if (fromListed) fromListed->entries.erase(from.leaf());
  if (toListed) toListed->entries[to.leaf()] = kEntryFile;
  return true;
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  *got = 0;
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
  *put = 0;
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

static struct timespec ToTimespec(FileTime t) {
  int64_t v = (int64_t)(t - (uint64_t)(kFileTimeEpochSeconds * kFileTimeUnitsPerSecond));
  int64_t sec = v / kFileTimeUnitsPerSecond;
  int64_t rem = v % kFileTimeUnitsPerSecond;
  if (rem < 0) {
    rem += kFileTimeUnitsPerSecond;
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

bool OsDeleteFile(OsRoot* root, const char* archivePath) {
  Parent parent(root, archivePath);
  if (!parent.ok()) return false;
  HeldFolder* listed = ListedFolder(root, parent);
  if (unlinkat(parent.fd(), parent.leaf(), 0) != 0) {
    Unlist(listed);
    return Fail();
  }
  if (listed) listed->entries.erase(parent.leaf());
  return true;
}

// Whether the last character of an archive path is a separator.
static bool EndsWithSeparator(const char* archivePath) {
  const char* last = archivePath;
  for (const char* p = archivePath; *p; p = OsCharNext(p)) last = p;
  return IsSeparator(*last);
}

static EntryKind ProbeEntry(OsRoot* root, const char* archivePath) {
  // A name that ends with a separator is nothing, as on Windows, where the
  // system would answer for the folder before it. A folder chain that
  // meets an empty level ("a\\b", "a/\b") therefore asks to make that
  // folder once more, which fails where it exists, here as there.
  if (EndsWithSeparator(archivePath)) return kEntryNone;
  Parent parent(root, archivePath);
  if (!parent.ok()) return kEntryNone;
  // Asked again for every file below it: what is held open is a folder,
  // and so is what a walk has just opened as one.
  if (parent.heldOpen() || strcmp(parent.leaf(), ".") == 0) return kEntryFolder;
  if (HeldFolder* h = IsPlainName(parent.leaf()) ? MadeByRun(root, parent.fd()) : 0) {
    auto listed = h->entries.find(parent.leaf());
    return listed == h->entries.end() ? kEntryNone : listed->second;
  }
  struct stat st;
  if (fstatat(parent.fd(), parent.leaf(), &st, AT_SYMLINK_NOFOLLOW) != 0) return kEntryNone;
  // A link is something that is not a folder, whatever it points to.
  return S_ISDIR(st.st_mode) ? kEntryFolder : kEntryFile;
}

// A probe asks a question and fails at nothing: "nothing there" is its
// answer, not an error. It keeps the error of the call before it, which
// callers probe after (a folder that could not be made: is it there
// meanwhile?) and then report.
EntryKind OsProbeEntry(OsRoot* root, const char* archivePath) {
  int before = lastError;
  EntryKind kind = ProbeEntry(root, archivePath);
  lastError = before;
  return kind;
}

bool OsCreateFolder(OsRoot* root, const char* archivePath) {
  // The new folder is held open from the start, its contents listed.
  char path[kHostPath];
  size_t length = 0;
  int fd = -1;
  {
    Parent parent(root, archivePath);
    if (!parent.ok()) return false;
    HeldFolder* listed = MadeByRun(root, parent.fd());
    if (mkdirat(parent.fd(), parent.leaf(), 0777) != 0) {
      Unlist(listed);
      return Fail();
    }
    if (!root) return true;
    length = parent.LeafPath(path);
    if (listed) {
      // Listed by its name without the separator that may end the leaf.
      std::string name(parent.leaf());
      if (!name.empty() && name.back() == '/') name.pop_back();
      if (IsPlainName(name.c_str()))
        listed->entries[name] = kEntryFolder;
      else
        Unlist(listed);
    }
    fd = openat(parent.fd(), parent.leaf(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }
  // Held only once the walk is over: holding may let go of the folder the
  // walk ended in. A folder the run has just made holds no temporaries of
  // crashed runs, so it needs no sweep either.
  if (fd >= 0) {
    if (HeldFolder* h = HoldFolder(root, path, length, fd)) {
      h->madeByRun = true;
      h->swept = true;
    }
  }
  return true;
}

void* OsAlloc(size_t bytes) { return malloc(bytes); }
void OsFree(void* p) { free(p); }
