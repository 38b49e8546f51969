// The core's platform layer for corvane.exe: wide calls throughout, so
// that any character may stand in a destination, and long paths
// ("\\?\"). Native paths are UTF-8; archive paths (Shift-JIS, backslashes)
// are mapped as on POSIX (MapArchivePath: separators, "." levels, code
// page 932) and resolved below the root's full path. Below the root no
// reparse point (junction, symbolic link) is followed: every folder on
// the way is opened without following one and checked, and the chain
// last walked is held open, without delete sharing, so that it cannot be
// swapped for a link while it is used.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <new>
#include <set>
#include <string>
#include <vector>

#include "platform/host_platform.h"
#include "platform/platform.h"
#include "platform/wide_paths_win32.h"

static thread_local int lastError;

int PlatformLastError() { return lastError; }

void PlatformSetLastError(int error) { lastError = error; }

bool HostTakesLevel(const std::string& utf8) {
  // UTF-16 units: one per UTF-8 sequence, two for one of four bytes.
  size_t units = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  return units <= 255;
}

static bool Fail() {
  lastError = ErrnoOf(GetLastError());
  return false;
}

static bool FailWith(int error) {
  lastError = error;
  return false;
}

struct OsRoot {
  std::wstring path;  // "\\?\C:\dest", without a separator at its end
  // The folders below it that the last walk opened and checked, by their
  // full paths.
  std::vector<std::wstring> heldPaths;
  std::vector<HANDLE> held;
  std::set<std::wstring> swept;  // folders already rid of stale temporaries
};

static void ReleaseFrom(OsRoot* root, size_t keep) {
  while (root->held.size() > keep) {
    CloseHandle(root->held.back());
    root->held.pop_back();
    root->heldPaths.pop_back();
  }
}

OsRoot* OsOpenRoot(const char* nativeFolder) {
  std::wstring path;
  if (!LongPath(nativeFolder, &path)) return FailWith(errno), nullptr;
  while (path.size() > 7 && path.back() == L'\\') path.pop_back();
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail(), nullptr;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return FailWith(ENOTDIR), nullptr;
  OsRoot* root = new (std::nothrow) OsRoot;
  if (!root) return FailWith(ENOMEM), nullptr;
  root->path = path;
  return root;
}

void OsCloseRoot(OsRoot* root) {
  if (!root) return;
  ReleaseFrom(root, 0);
  delete root;
}

// Opens one folder without following a reparse point and checks that it
// is a folder and no reparse point; the handle, or null.
static HANDLE OpenCheckedFolder(const std::wstring& path) {
  HANDLE h =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, 0);
  if (h == INVALID_HANDLE_VALUE) {
    Fail();
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) {
    Fail();
    CloseHandle(h);
    return 0;
  }
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(h);
    FailWith(ENOTDIR);
    return 0;
  }
  return h;
}

// An archive path resolved: its full wide path, and the length of the
// folder part (up to the separator before the last component).
struct Resolved {
  std::wstring full;
  size_t folderEnd = 0;
  bool endsWithSeparator = false;
};

// Maps the archive path and, below a root, walks the folders above its
// last component, each checked. False with lastError.
static bool Resolve(OsRoot* root, const char* archivePath, Resolved* r) {
  std::vector<char> mapped(strlen(archivePath) * 3 + 8);
  int n = MapArchivePath(archivePath, mapped.data(), (int)mapped.size() - 1);
  if (n < 0) return FailWith(n == -1 ? EILSEQ : ENAMETOOLONG);
  std::string utf8(mapped.data(), (size_t)n);
  r->endsWithSeparator = !utf8.empty() && utf8.back() == '/';
  if (!root) {
    if (!LongPath(utf8, &r->full)) return FailWith(errno);
  } else {
    if (!utf8.empty() && utf8[0] == '/') return FailWith(EPERM);
    std::wstring rel;
    if (!Utf8ToWide(utf8, &rel)) return FailWith(EILSEQ);
    for (wchar_t& c : rel)
      if (c == L'/') c = L'\\';
    // ".." never comes from a checked name, but is never taken either.
    for (size_t at = 0; at <= rel.size();) {
      size_t end = rel.find(L'\\', at);
      if (end == std::wstring::npos) end = rel.size();
      if (rel.compare(at, end - at, L"..") == 0) return FailWith(EPERM);
      at = end + 1;
    }
    r->full = rel.empty() || rel == L"." ? root->path : root->path + L"\\" + rel;
  }
  std::wstring& f = r->full;
  size_t searched = f.size() > 1 && f.back() == L'\\' ? f.size() - 1 : f.size();
  size_t slash = f.rfind(L'\\', searched - 1);
  r->folderEnd = slash == std::wstring::npos ? 0 : slash;
  if (!root || r->folderEnd <= root->path.size()) return true;
  // The chain below the root: what is held and on the way to the path (or
  // the path itself, a folder asked about) is kept, the rest let go, and
  // what is missing up to the item opened and checked.
  size_t keep = 0;
  while (keep < root->held.size()) {
    const std::wstring& p = root->heldPaths[keep];
    if (p.size() > f.size() || f.compare(0, p.size(), p) != 0 ||
        (p.size() < f.size() && f[p.size()] != L'\\'))
      break;
    keep++;
  }
  ReleaseFrom(root, keep);
  size_t at = keep ? root->heldPaths.back().size() : root->path.size();
  while (at < r->folderEnd) {
    size_t next = f.find(L'\\', at + 1);
    if (next == std::wstring::npos || next > r->folderEnd) next = r->folderEnd;
    std::wstring folder = f.substr(0, next);
    if (next == at + 1) {  // an empty level: "a\\b" where the map kept one
      at = next;
      continue;
    }
    HANDLE h = OpenCheckedFolder(folder);
    if (!h) return false;
    root->held.push_back(h);
    root->heldPaths.push_back(folder);
    at = next;
  }
  return true;
}

// Whether the item itself is a reparse point below the root.
static bool IsLinkBelowRoot(OsRoot* root, const Resolved& r) {
  if (!root || r.full.size() <= root->path.size()) return false;
  DWORD a = GetFileAttributesW(r.full.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

OsFile OsOpenNative(const char* nativePath) {
  std::wstring path;
  if (!LongPath(nativePath, &path)) return FailWith(errno), kNoFile;
  // Delete sharing: a copy of standard input is a file that goes when
  // closed, and is still open for writing.
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, 0);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
      return FailWith(EISDIR), kNoFile;
    return Fail(), kNoFile;
  }
  return (OsFile)h;
}

// Whether a name is a temporary of a run whose process is gone: the stem
// with a process number that no running process has, N, ".tmp".
static bool IsStaleTemporary(const wchar_t* name) {
  unsigned long pid;
  unsigned n;
  int end = 0;
  if (swscanf(name, L".corvane-%lu-%u.tmp%n", &pid, &n, &end) != 2 || name[end] != 0 ||
      pid == 0 || pid == GetCurrentProcessId())
    return false;
  // Digits only: the scan also takes a sign or spaces.
  for (const wchar_t* p = name + 9; *p != L'-'; p++)
    if (*p < L'0' || *p > L'9') return false;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, (DWORD)pid);
  if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
  bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// The temporaries that runs which crashed left in a folder go the first
// time a run writes into it; only plain files are removed.
static void SweepStaleTemporaries(OsRoot* root, const std::wstring& folder) {
  if (!root->swept.insert(folder).second) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileExW((folder + L"\\.corvane-*.tmp").c_str(), FindExInfoStandard, &found,
                                 FindExSearchNameMatch, 0, 0);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        IsStaleTemporary(found.cFileName))
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

static OsFile Create(OsRoot* root, const char* archivePath, DWORD disposition) {
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return kNoFile;
  if (root) SweepStaleTemporaries(root, r.full.substr(0, r.folderEnd));
  if (IsLinkBelowRoot(root, r)) return FailWith(EACCES), kNoFile;
  HANDLE h = CreateFileW(r.full.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, 0,
                         disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, 0);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD a = GetFileAttributesW(r.full.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
      return FailWith(EISDIR), kNoFile;
    return Fail(), kNoFile;
  }
  return (OsFile)h;
}

OsFile OsCreateFile(OsRoot* root, const char* archivePath) {
  return Create(root, archivePath, CREATE_ALWAYS);
}

OsFile OsCreateNewFile(OsRoot* root, const char* archivePath) {
  return Create(root, archivePath, CREATE_NEW);
}

const char* OsTemporaryStem(void) {
  thread_local char stem[32];
  snprintf(stem, sizeof stem, ".corvane-%lu-", (unsigned long)GetCurrentProcessId());
  return stem;
}

bool OsCanReplace(OsRoot* root, const char* archivePath) {
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return false;
  DWORD a = GetFileAttributesW(r.full.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return Fail();
  if (a & FILE_ATTRIBUTE_DIRECTORY) return FailWith(EISDIR);
  // Creating with CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL fails on these;
  // a reparse point would be written through.
  if (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
           FILE_ATTRIBUTE_REPARSE_POINT))
    return FailWith(EACCES);
  HANDLE h = CreateFileW(r.full.c_str(), GENERIC_WRITE, FILE_SHARE_READ, 0, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, 0);
  if (h == INVALID_HANDLE_VALUE) return Fail();
  CloseHandle(h);
  return true;
}

OsFile OsOpenExisting(OsRoot* root, const char* archivePath) {
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return kNoFile;
  HANDLE h = CreateFileW(r.full.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, 0, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT, 0);
  if (h == INVALID_HANDLE_VALUE) return Fail(), kNoFile;
  return (OsFile)h;
}

bool OsReplaceFile(OsRoot* root, const char* fromArchivePath, const char* toArchivePath) {
  Resolved from, to;
  if (!Resolve(root, fromArchivePath, &from) || !Resolve(root, toArchivePath, &to)) return false;
  return MoveFileExW(from.full.c_str(), to.full.c_str(), MOVEFILE_REPLACE_EXISTING) != 0 || Fail();
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  *got = 0;
  while (*got < n) {
    DWORD done = 0;
    if (!ReadFile((HANDLE)f, (char*)buf + *got, (DWORD)(n - *got), &done, 0)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) break;
      return Fail();
    }
    if (done == 0) break;
    *got += (int)done;
  }
  return true;
}

bool OsWrite(OsFile f, const void* buf, int n, int* put) {
  *put = 0;
  while (*put < n) {
    DWORD done = 0;
    if (!WriteFile((HANDLE)f, (const char*)buf + *put, (DWORD)(n - *put), &done, 0)) return Fail();
    if (done == 0) return FailWith(ENOSPC);
    *put += (int)done;
  }
  return true;
}

bool OsSeek(OsFile f, int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return SetFilePointerEx((HANDLE)f, to, 0, FILE_BEGIN) != 0 || Fail();
}

int64_t OsTell(OsFile f) {
  LARGE_INTEGER zero, at;
  zero.QuadPart = 0;
  if (!SetFilePointerEx((HANDLE)f, zero, &at, FILE_CURRENT)) return Fail(), -1;
  return at.QuadPart;
}

int64_t OsFileSize(OsFile f) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx((HANDLE)f, &size)) return Fail(), -1;
  return size.QuadPart;
}

static FILETIME ToFiletime(FileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)t;
  ft.dwHighDateTime = (DWORD)(t >> 32);
  return ft;
}

bool OsSetFileTimes(OsFile f, FileTime creation, FileTime access, FileTime write) {
  FILETIME c = ToFiletime(creation), a = ToFiletime(access), w = ToFiletime(write);
  return SetFileTime((HANDLE)f, &c, &a, &w) != 0 || Fail();
}

bool OsClose(OsFile f) {
  if (f == kNoFile) return false;
  return CloseHandle((HANDLE)f) != 0 || Fail();
}

bool OsDeleteFile(OsRoot* root, const char* archivePath) {
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return false;
  return DeleteFileW(r.full.c_str()) != 0 || Fail();
}

static EntryKind ProbeEntry(OsRoot* root, const char* archivePath) {
  // A name that ends with a separator would be taken for the folder
  // before it: it is nothing, as for the stub.
  const char* last = archivePath;
  for (const char* p = archivePath; *p; p = OsCharNext(p)) last = p;
  if (*last == 0 || *last == '\\' || *last == '/' || *last == ':') return kEntryNone;
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return kEntryNone;
  // Asked again for every file below it: a folder held open from a walk
  // is one, checked when it was opened.
  if (root && !root->heldPaths.empty() && r.full == root->heldPaths.back()) return kEntryFolder;
  DWORD a = GetFileAttributesW(r.full.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return kEntryNone;
  bool below = root && r.full.size() > root->path.size();
  // A reparse point below the root is no folder, whatever it points to.
  return (a & FILE_ATTRIBUTE_DIRECTORY) && !(below && (a & FILE_ATTRIBUTE_REPARSE_POINT))
             ? kEntryFolder
             : kEntryFile;
}

// A probe fails at nothing: it keeps the error of the call before it.
EntryKind OsProbeEntry(OsRoot* root, const char* archivePath) {
  int before = lastError;
  EntryKind kind = ProbeEntry(root, archivePath);
  lastError = before;
  return kind;
}

bool OsCreateFolder(OsRoot* root, const char* archivePath) {
  Resolved r;
  if (!Resolve(root, archivePath, &r)) return false;
  if (!CreateDirectoryW(r.full.c_str(), 0)) return Fail();
  // A folder this run has just made holds no temporaries of crashed runs:
  // it needs no sweep.
  if (root) {
    std::wstring& f = r.full;
    root->swept.insert(f.size() > 1 && f.back() == L'\\' ? f.substr(0, f.size() - 1) : f);
  }
  return true;
}

// Code page 932's lead bytes, whatever the system's code page.
const char* OsCharNext(const char* s) {
  uint8_t c = (uint8_t)*s;
  if (c == 0) return s;
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  return (lead && s[1] != 0) ? s + 2 : s + 1;
}

void* OsAlloc(size_t bytes) { return malloc(bytes); }
void OsFree(void* p) { free(p); }
