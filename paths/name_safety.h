// Whether an item name stays inside the destination folder. The names come
// from the archive, so they are checked before anything is made of them:
// the destination folder is put in front of a name, and a name that climbs
// out of it, starts anew at a root or a drive, or names a stream or a
// device would send a write somewhere the user never chose.
#ifndef CORVANE_PATHS_NAME_SAFETY_H
#define CORVANE_PATHS_NAME_SAFETY_H

// Null when the name is safe below a destination folder, otherwise why it
// is not. Components are split at '\' and '/' (both separate on the file
// systems the names end up on), found by the character step.
//  - no leading separator (a root, or "\\server");
//  - no colon in any component (a drive "C:", or a stream "a:b");
//  - no component made only of dots and spaces that has two dots or more
//    (Windows drops trailing dots and spaces, so ".. " is "..");
//  - on Windows, no reserved device name (CON, PRN, AUX, NUL, COM1-9,
//    LPT1-9, with or without an extension).
const char* UnsafeNameReason(const char* name);

// The same check as made on Windows (windows) or on POSIX, whichever the
// host: the writer asks it for Windows, where its archives are run.
const char* UnsafeNameReasonOn(const char* name, bool windows);

#endif
