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

FolderProbe ProbeFolder(OsRoot* root, char* folderPath) {
  int len = (int)strlen(folderPath);
  if (len == 3 && folderPath[1] == ':' && IsAsciiLetter((uint8_t)folderPath[0]))
    return FolderPresent;
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
