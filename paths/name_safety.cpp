// The names that would leave the destination folder.
#include "paths/name_safety.h"

#include "platform/platform.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A component made only of dots and spaces with two dots or more climbs
// out once Windows has dropped its trailing dots and spaces.
static bool IsParentLike(const char* begin, const char* end) {
  int dots = 0;
  for (const char* p = begin; p < end; p++) {
    if (*p == '.')
      dots++;
    else if (*p != ' ')
      return false;
  }
  return dots >= 2;
}

static char Upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, whatever follows a dot, and with
// trailing spaces before it.
static bool IsDeviceName(const char* begin, const char* end) {
  const char* stop = begin;
  while (stop < end && *stop != '.') stop++;
  while (stop > begin && stop[-1] == ' ') stop--;
  int n = (int)(stop - begin);
  if (n != 3 && n != 4) return false;
  char u[4];
  for (int i = 0; i < n; i++) u[i] = Upper(begin[i]);
  static const char kThree[][4] = {"CON", "PRN", "AUX", "NUL"};
  if (n == 3) {
    for (const char* d : kThree)
      if (u[0] == d[0] && u[1] == d[1] && u[2] == d[2]) return true;
    return false;
  }
  bool com = u[0] == 'C' && u[1] == 'O' && u[2] == 'M';
  bool lpt = u[0] == 'L' && u[1] == 'P' && u[2] == 'T';
  return (com || lpt) && u[3] >= '1' && u[3] <= '9';
}

const char* UnsafeNameReasonOn(const char* name, bool windows) {
  if (IsSeparator(*name)) return "an item name starts at a root";
  const char* start = name;
  const char* p = name;
  for (;;) {
    if (*p == 0 || IsSeparator(*p)) {
      if (IsParentLike(start, p)) return "an item name climbs out of the destination folder";
      if (windows && IsDeviceName(start, p)) return "an item name is a device";
      if (*p == 0) return 0;
      start = p + 1;
      p = start;
      continue;
    }
    if (*p == ':') return "an item name holds a drive or a stream (a colon)";
    p = OsCharNext(p);
  }
}

const char* UnsafeNameReason(const char* name) {
#ifdef _WIN32
  return UnsafeNameReasonOn(name, true);
#else
  return UnsafeNameReasonOn(name, false);
#endif
}
