// Folder-path forms and the existence test. Separators are found stepping
// by characters (OsCharNext), so the second byte 0x5C of a double-byte
// Shift-JIS character (表, ソ, 能, 十 ...) never counts as a backslash.
#ifndef CORVANE_PATHS_PATH_UTILS_H
#define CORVANE_PATHS_PATH_UTILS_H

#include <stdint.h>

#include "platform/platform.h"

enum FolderProbe : uint8_t {
  FolderPresent = 0,  // a folder, or a drive root "X:\"
  FolderAbsent = 1,   // nothing of that name
  NotAFolder = 2,     // something that is not a folder
};

// Writes the path with one backslash appended unless its last character is
// one; the empty path becomes ".\". Returns the new length, or -1 when it
// would not fit in cap bytes plus the terminating zero.
int EnsureTrailingBackslash(const char* path, char* out, int cap);

// The length of the folder part of a zero-terminated path: up to and
// including its last separator; 0 when it has none.
int FolderPartOf(const char* path);

// The length of the root at the start of a path, which is never searched
// for or made: a drive ("X:\", 3), a network share ("\\server\share\"),
// a device path ("\\?\X:\", "\\?\UNC\server\share\"), or a single
// leading backslash (1); 0 when the path has none. A root that ends the
// path without its separator counts whole.
int RootLength(const char* path);

// Whether the folder path (ending with a backslash) names a folder. A
// drive, share or device root counts as one without being searched for. The
// path is zero-terminated and briefly shortened in place, then restored.
FolderProbe ProbeFolder(OsRoot* root, char* folderPath);

#endif
