// An archive path's host spelling: UTF-8 with '/', as Windows would read
// the Shift-JIS path. Both hosts' platform layers and the name check of
// list and test map paths through it.
#include <string.h>

#include "platform/host_platform.h"
#include "platform/text_encoding.h"

// Converts one path component of len bytes; returns bytes written, -1 for
// a name that is not Shift-JIS, -2 when it does not fit.
static int ConvertComponent(const char* in, size_t len, char* out, size_t room) {
  // CP932 keeps ASCII as it is, and most names are ASCII: no call needed.
  size_t ascii = 0;
  while (ascii < len && (uint8_t)in[ascii] < 0x80) ascii++;
  if (ascii == len) {
    if (len > room) return -2;
    memcpy(out, in, len);
    return (int)len;
  }
  return ConvertText(true, in, len, out, room);
}

// Windows takes '/' for a separator as well as '\', makes one of a run
// of them ("a\\b" and "a/\b" name the same file as "a\b") and drops a
// level "." ("a\.\b" is "a\b" too) before the file system sees the name.
// A separator at the end stays, one of it, as Windows keeps it too: a
// folder may be made at such a name, a file may not.
static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

int MapArchivePath(const char* archivePath, char* out, int cap) {
  int used = 0;
  const char* start = archivePath;
  const char* p = archivePath;
  const char* last = archivePath;  // the last character
  for (;;) {
    if (IsSeparator(*p) || *p == 0) {
      int n = 0;
      bool dot = p - start == 1 && *start == '.';
      if (p > start && !dot) {
        n = ConvertComponent(start, (size_t)(p - start), out + used, (size_t)(cap - used));
        if (n < 0) return n;
      }
      used += n;
      if (*p == 0) break;
      // One '/' between levels; at the start only for a path that starts
      // at the root.
      if (p == archivePath || (used > 0 && out[used - 1] != '/')) {
        if (used >= cap) return -2;
        out[used++] = '/';
      }
      last = p;
      start = p + 1;
      p = start;
      continue;
    }
    last = p;
    // ASCII is a character of one byte: no call for the common case.
    p = (uint8_t)*p < 0x80 ? p + 1 : OsCharNext(p);
  }
  // "a\." is the folder "a", without the separator before the dot.
  if (used > 1 && out[used - 1] == '/' && !IsSeparator(*last)) used--;
  out[used] = 0;
  return used;
}

