// What the host tools ask of the platform layer beyond platform.h, the
// same on every host: an archive path's host spelling and the error of
// the last failed call.
#ifndef CORVANE_PLATFORM_HOST_PLATFORM_H
#define CORVANE_PLATFORM_HOST_PLATFORM_H

#include "platform/platform.h"

// Maps an archive path to the host as Windows reads it: separators
// (single-byte backslashes found by the character step, so 表 stays whole,
// and slashes) become '/', a run of them one '/', a level "." goes,
// Shift-JIS becomes UTF-8. Returns the length written to out
// (zero-terminated), or -1 when a name is not valid Shift-JIS, or -2 when
// the result would not fit in cap bytes plus the terminator.
int MapArchivePath(const char* archivePath, char* out, int cap);

// The error of the last failed platform call of this thread, as an errno
// value (Windows' codes are translated); EILSEQ for a name that is not
// valid Shift-JIS.
int PlatformLastError();

#endif
