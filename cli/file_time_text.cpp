// FILETIME values as text for listings.
#include "cli/file_time_text.h"

#include <stdio.h>
#include <time.h>

namespace {

bool Split(FileTime t, bool utc, struct tm* tm, int* ticks) {
  time_t unix = (time_t)((int64_t)(t / kFileTimeUnitsPerSecond) - kFileTimeEpochSeconds);
  *ticks = (int)(t % kFileTimeUnitsPerSecond);
  return (utc ? gmtime_r(&unix, tm) : localtime_r(&unix, tm)) != nullptr;
}

}  // namespace

std::string FileTimeShort(FileTime t, bool utc) {
  struct tm tm;
  int ticks;
  if (!Split(t, utc, &tm, &ticks)) return "?";
  char buf[64];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
           tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string FileTimeIso(FileTime t) {
  struct tm tm;
  int ticks;
  if (!Split(t, true, &tm, &ticks)) return "?";
  char buf[80];
  snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%07dZ", tm.tm_year + 1900,
           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ticks);
  return buf;
}
