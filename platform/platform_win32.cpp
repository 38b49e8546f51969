// The platform layer on Win32: ANSI calls, archive paths passed as they
// stand (the system's ANSI code page is Shift-JIS where this runs). The
// root only tells where the destination ends: below it, a reparse point
// (a junction, a symbolic link) is never taken for a folder nor written
// over.
#include <string.h>
#include <windows.h>

#include "platform/platform.h"

struct OsRoot {
  int length;  // of the destination folder path
};

OsRoot* OsOpenRoot(const char* nativeFolder) {
  OsRoot* root = (OsRoot*)OsAlloc(sizeof(OsRoot));
  if (root) root->length = (int)strlen(nativeFolder);
  return root;
}

void OsCloseRoot(OsRoot* root) {
  if (root) OsFree(root);
}

// The attributes of exactly this name (no wildcards: a name with ? or *
// cannot exist, and GetFileAttributesA finds nothing for it), with
// FILE_ATTRIBUTE_REPARSE_POINT cleared unless the name lies below the
// root, where a reparse point counts.
static DWORD Attributes(OsRoot* root, const char* archivePath) {
  DWORD a = GetFileAttributesA(archivePath);
  if (a != INVALID_FILE_ATTRIBUTES && (!root || (int)strlen(archivePath) <= root->length))
    a &= ~(DWORD)FILE_ATTRIBUTE_REPARSE_POINT;
  return a;
}

// Every open goes through here: each call site of an import costs the stub
// a relocation, and its relocations just fit one 512-byte sector. Others
// may read the file meanwhile, never write it.
static HANDLE Open(const char* path, DWORD access, DWORD disposition, DWORD flags) {
  return CreateFileA(path, access, FILE_SHARE_READ, 0, disposition, flags, 0);
}

static OsFile FileOf(HANDLE h) { return h == INVALID_HANDLE_VALUE ? kNoFile : (OsFile)h; }

OsFile OsOpenNative(const char* nativePath) {
  return FileOf(Open(nativePath, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
}

OsFile OsCreateFile(OsRoot*, const char* archivePath) {
  return FileOf(Open(archivePath, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL));
}

OsFile OsCreateNewFile(OsRoot*, const char* archivePath) {
  return FileOf(Open(archivePath, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL));
}

const char* OsTemporaryStem(void) { return "corvane-"; }

bool OsCanReplace(OsRoot* root, const char* archivePath) {
  // Creating with CREATE_ALWAYS and FILE_ATTRIBUTE_NORMAL fails on these;
  // a reparse point would be written through.
  DWORD attributes = Attributes(root, archivePath);
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                     FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)))
    return false;
  HANDLE h = Open(archivePath, GENERIC_WRITE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

OsFile OsOpenExisting(OsRoot*, const char* archivePath) {
  return FileOf(
      Open(archivePath, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT));
}

bool OsReplaceFile(OsRoot*, const char* fromArchivePath, const char* toArchivePath) {
  return MoveFileExA(fromArchivePath, toArchivePath, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool OsRead(OsFile f, void* buf, int n, int* got) {
  DWORD done = 0;
  BOOL ok = ReadFile((HANDLE)f, buf, (DWORD)n, &done, 0);
  *got = (int)done;
  return ok != 0;
}

bool OsWrite(OsFile f, const void* buf, int n, int* put) {
  DWORD done = 0;
  BOOL ok = WriteFile((HANDLE)f, buf, (DWORD)n, &done, 0);
  *put = (int)done;
  return ok != 0;
}

bool OsSeek(OsFile f, int64_t offset) {
  LONG high = (LONG)(offset >> 32);
  DWORD r = SetFilePointer((HANDLE)f, (LONG)(offset & 0xFFFFFFFF), &high,
                           FILE_BEGIN);
  return !(r == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

int64_t OsTell(OsFile f) {
  LONG high = 0;
  SetLastError(NO_ERROR);
  DWORD low = SetFilePointer((HANDLE)f, 0, &high, FILE_CURRENT);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
  return ((int64_t)high << 32) | low;
}

int64_t OsFileSize(OsFile f) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  DWORD low = GetFileSize((HANDLE)f, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return ((int64_t)high << 32) | low;
}

static FILETIME ToFiletime(FileTime t) {
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)t;
  ft.dwHighDateTime = (DWORD)(t >> 32);
  return ft;
}

bool OsSetFileTimes(OsFile f, FileTime creation, FileTime access,
                    FileTime write) {
  FILETIME c = ToFiletime(creation), a = ToFiletime(access),
           w = ToFiletime(write);
  return SetFileTime((HANDLE)f, &c, &a, &w) != 0;
}

bool OsClose(OsFile f) {
  if (f == kNoFile) return false;
  return CloseHandle((HANDLE)f) != 0;
}

bool OsDeleteFile(OsRoot*, const char* archivePath) {
  return DeleteFileA(archivePath) != 0;
}

EntryKind OsProbeEntry(OsRoot* root, const char* archivePath) {
  // A name that ends with a separator would be taken for the folder
  // before it; a bare drive for its current folder. The last character,
  // not the last byte: 0x5C is also the second byte of characters such
  // as 表 and ソ, and a name ending in one is no folder of its own.
  const char* last = archivePath;
  for (const char* p = archivePath; *p; p = CharNextA(p)) last = p;
  if (*last == 0 || *last == '\\' || *last == '/' || *last == ':') return kEntryNone;
  DWORD a = Attributes(root, archivePath);
  if (a == INVALID_FILE_ATTRIBUTES) return kEntryNone;
  // A reparse point below the root is no folder, whatever it points to.
  return (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT) ? kEntryFolder
                                                                             : kEntryFile;
}

bool OsCreateFolder(OsRoot*, const char* archivePath) {
  return CreateDirectoryA(archivePath, 0) != 0;
}

const char* OsCharNext(const char* s) { return CharNextA(s); }

void* OsAlloc(size_t bytes) {
  return HeapAlloc(GetProcessHeap(), 0, bytes);
}

void OsFree(void* p) { HeapFree(GetProcessHeap(), 0, p); }
