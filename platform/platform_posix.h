// POSIX specifics of the platform layer, for the host tools and tests.
#ifndef CORVANE_PLATFORM_PLATFORM_POSIX_H
#define CORVANE_PLATFORM_PLATFORM_POSIX_H

#include "platform/platform.h"

// Maps an archive path to the host as Windows reads it: separators
// (single-byte backslashes found by the character step, so 表 stays whole,
// and slashes) become '/', a run of them one '/', Shift-JIS becomes UTF-8.
// Returns the length written to out (zero-terminated), or -1 when a name
// is not valid Shift-JIS, or -2 when the result would not fit in cap bytes
// plus the terminator.
int PosixMapPath(const char* archivePath, char* out, int cap);

// The errno of the last failed platform call of this thread; EILSEQ for a
// name that is not valid Shift-JIS.
int PosixLastError();

#endif
