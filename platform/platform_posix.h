// POSIX specifics of the platform layer, for the host tools and tests.
#ifndef CORVANE_PLATFORM_PLATFORM_POSIX_H
#define CORVANE_PLATFORM_PLATFORM_POSIX_H

// Archive paths are resolved below this directory (a descriptor opened by
// the caller); AT_FDCWD, the current directory, until it is set. No
// symbolic link is followed below it, neither in the folders above an item
// nor at the item itself: the extraction never makes links, so any link
// found there was planted, and following it could redirect a write.
void PosixSetRoot(int dirfd);

// Maps an archive path to the host: single-byte backslashes (found by the
// character step, so 表 stays whole) become '/', Shift-JIS becomes UTF-8.
// Returns the length written to out (zero-terminated), or -1 when a name
// is not valid Shift-JIS, or -2 when the result would not fit in cap bytes
// plus the terminator.
int PosixMapPath(const char* archivePath, char* out, int cap);

// The errno of the last failed platform call of this thread; EILSEQ for a
// name that is not valid Shift-JIS. Set, to hand it to another thread.
int PosixLastError();
void PosixSetLastError(int error);

// A function that this thread runs before each of its calls that make,
// probe, write, stamp, close, move or delete files and folders (not
// reads): the thread that writes an extraction's files serves other work
// there, between two calls. Null: none.
void PosixSetBetweenCalls(void (*fn)(void*), void* arg);

// Fault injection for the tests: the calls of each kind are counted, and
// the nth call of one kind (1-based) can be made to fail with EIO.
enum FaultKind {
  kFaultOpen,    // OsOpenNative, OsCreateFile, OsCreateNewFile
  kFaultRead,
  kFaultWrite,
  kFaultSeek,
  kFaultClose,
  kFaultTimes,   // OsSetFileTimes
  kFaultFolder,  // OsCreateFolder
  kFaultKinds
};
void PosixResetFaults();
void PosixFailCall(FaultKind kind, long nth);
long PosixCallCount(FaultKind kind);

#endif
