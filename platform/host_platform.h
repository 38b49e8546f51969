// What the host tools ask of the platform layer beyond platform.h, the
// same on every host: an archive path's host spelling and the error of
// the last failed call.
#ifndef CORVANE_PLATFORM_HOST_PLATFORM_H
#define CORVANE_PLATFORM_HOST_PLATFORM_H

#include <string>

#include "platform/platform.h"

// Maps an archive path to the host as Windows reads it: separators
// (single-byte backslashes found by the character step, so 表 stays whole,
// and slashes) become '/', a run of them one '/', a level "." goes,
// Shift-JIS becomes UTF-8. Returns the length written to out
// (zero-terminated), or -1 when a name is not valid Shift-JIS, or -2 when
// the result would not fit in cap bytes plus the terminator.
int MapArchivePath(const char* archivePath, char* out, int cap);

// Whether the host's file systems take a name of one level this long
// (UTF-8, as MapArchivePath gives it): 255 bytes on POSIX, 255 UTF-16
// units on Windows.
bool HostTakesLevel(const std::string& utf8);

// The error of the last failed platform call of this thread, as an errno
// value (Windows' codes are translated); EILSEQ for a name that is not
// valid Shift-JIS.
int PlatformLastError();

// Makes error this thread's last error: the report of a failure met on
// another thread.
void PlatformSetLastError(int error);

#endif
