// Folder-path forms and the folder existence test.
#include "paths/path_utils.h"

#include <string.h>

#include "platform/platform.h"

int EnsureTrailingBackslash(const char* path, char* out, int cap) {
  if (path[0] == 0) {
    if (cap < 2) return -1;
    out[0] = '.';
    out[1] = '\\';
    out[2] = 0;
    return 2;
  }
  const char* last = path;
  for (const char* p = path; *p; p = OsCharNext(p)) last = p;
  int len = (int)strlen(path);
  bool ends = *last == '\\';
  int newLen = ends ? len : len + 1;
  if (newLen > cap) return -1;
  memmove(out, path, (size_t)len);
  if (!ends) out[len] = '\\';
  out[newLen] = 0;
  return newLen;
}

int FolderPartOf(const char* path) {
  const char* sep = 0;
  for (const char* p = path; *p; p = OsCharNext(p))
    if (*p == '\\') sep = p;
  return sep ? (int)(sep - path) + 1 : 0;
}

static bool IsAsciiLetter(uint8_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Past n separators from p (character by character), or to the end.
static const char* PastSeparators(const char* p, int n) {
  while (*p && n > 0) {
    if (*p == '\\') n--;
    p = OsCharNext(p);
  }
  return p;
}

static bool IsDrive(const char* p) {
  return IsAsciiLetter((uint8_t)p[0]) && p[1] == ':' && (p[2] == '\\' || p[2] == 0);
}

int RootLength(const char* path) {
  if (IsDrive(path)) return path[2] ? 3 : 2;
  if (path[0] != '\\') return 0;
  if (path[1] != '\\') return 1;
  const char* p = path + 2;
  if ((p[0] == '?' || p[0] == '.') && p[1] == '\\') {
    p += 2;
    if (IsDrive(p)) return (int)(p - path) + (p[2] ? 3 : 2);
    if (p[0] == 'U' && p[1] == 'N' && p[2] == 'C' && p[3] == '\\') p += 4;
    else return (int)(PastSeparators(p, 1) - path);  // a device: "\\.\name\"
  }
  // The server and the share.
  return (int)(PastSeparators(p, 2) - path);
}

FolderProbe ProbeFolder(OsRoot* root, char* folderPath) {
  int len = (int)strlen(folderPath);
  if (len > 1 && RootLength(folderPath) == len) return FolderPresent;
  // Exactly the trailing backslash goes, one byte, as the callers promise.
  char removed = 0;
  if (len > 0) {
    removed = folderPath[len - 1];
    folderPath[len - 1] = 0;
  }
  EntryKind kind = OsProbeEntry(root, folderPath);
  if (len > 0) folderPath[len - 1] = removed;
  if (kind == kEntryNone) return FolderAbsent;
  return kind == kEntryFolder ? FolderPresent : NotAFolder;
}
