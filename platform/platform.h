// The whole operating-system surface of the portable core.
//
// Nothing in payload/, engine/ or paths/ includes an OS header; they reach
// files, folders, file times, memory and the Shift-JIS character step only
// through the functions below. platform_win32.cpp implements them for the
// stub (ANSI calls, paths passed through as they stand), platform_posix.cpp
// for the host tools (archive paths mapped onto a destination directory).
//
// Two kinds of path appear here:
//  - a native path (OsOpenNative): the host's own spelling, used for the
//    program file that a driver opens;
//  - an archive path (every other call): Shift-JIS bytes with backslash
//    separators, as the engine forms them from the destination folder and
//    an item's name, resolved in an OsRoot. On Windows this is the native
//    form; on POSIX the platform maps it (see platform_posix.cpp).
#ifndef CORVANE_PLATFORM_PLATFORM_H
#define CORVANE_PLATFORM_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// An open file: a HANDLE on Windows, a descriptor on POSIX.
typedef intptr_t OsFile;
const OsFile kNoFile = -1;

// A time stamp in the Windows FILETIME unit: 100-nanosecond intervals
// since 1601-01-01 UTC.
typedef uint64_t FileTime;
// The POSIX epoch, 1970-01-01 UTC, is this many seconds later.
const int64_t kFileTimeEpochSeconds = 11644473600LL;
const int64_t kFileTimeUnitsPerSecond = 10000000;

// Where a run's archive paths are resolved: the destination folder, held
// by the driver of the run and handed to every call that takes an archive
// path. Below it no link is followed: the extraction never makes links,
// so any link found there was planted, and following it could redirect a
// write. A link or junction where a folder is needed is no folder, and
// one at an item is, on POSIX, replaced, never written through; Windows
// refuses to write there. On POSIX archive paths are resolved from the
// root's descriptor and never leave it (an absolute path or ".." gives
// EPERM); on Windows they are complete native paths, and the root tells
// where the destination ends. Null: archive paths as they stand, links
// followed (the destination itself, before a run).
struct OsRoot;

// What ProbeEntry finds at a name.
enum EntryKind { kEntryNone = 0, kEntryFile = 1, kEntryFolder = 2 };

// Plain C linkage: one implementation per OS is linked in, and a test
// may wrap any of these calls at link time (ld --wrap) to make it fail.
extern "C" {

// The root of a run at a native folder path (the destination, made
// already). Null on failure.
OsRoot* OsOpenRoot(const char* nativeFolder);
void OsCloseRoot(OsRoot* root);

// Opens an existing file read-only, sharing read access; kNoFile on failure.
OsFile OsOpenNative(const char* nativePath);

// Creates the file at an archive path anew (truncating an existing one),
// opened for reading and writing, others may read; kNoFile on failure.
OsFile OsCreateFile(OsRoot* root, const char* archivePath);

// Creates a file that must not exist yet (for a temporary name); kNoFile
// when it exists or cannot be made.
OsFile OsCreateNewFile(OsRoot* root, const char* archivePath);

// How the name of a temporary file beside the one it replaces begins
// (then a number and ".tmp"): a name of the tool's own, by which one that
// a crashed run left behind is known.
const char* OsTemporaryStem(void);

// Whether the existing file at an archive path could be created anew now:
// false for a folder, a file that is read-only (or, on Windows, hidden or
// system), or one that another program holds open without sharing. Asked
// before a replacement is written beside the file, so that it fails where
// writing over the file would fail. On POSIX a symbolic link, a pipe or a
// device counts as replaceable (it is renamed over, never opened); on
// Windows a reparse point below the root does not.
bool OsCanReplace(OsRoot* root, const char* archivePath);

// Opens an existing file to set its times; kNoFile on failure.
OsFile OsOpenExisting(OsRoot* root, const char* archivePath);

// Moves a complete file over another one in the same folder, replacing it
// in one step. False on error; the source then stays.
bool OsReplaceFile(OsRoot* root, const char* fromArchivePath, const char* toArchivePath);

// Reads up to n bytes; *got receives the count (0 at the end of the file).
// Returns false on an I/O error (a short read is not an error).
bool OsRead(OsFile f, void* buf, int n, int* got);

// Writes n bytes; *put receives the count. Returns false on an error.
bool OsWrite(OsFile f, const void* buf, int n, int* put);

// Moves the file position to an absolute offset. Returns false on error.
bool OsSeek(OsFile f, int64_t offset);

// The current position and the size of an open file, or -1 on error.
int64_t OsTell(OsFile f);
int64_t OsFileSize(OsFile f);

// Sets creation, last access and last write time, in this order. Where the
// file system keeps no creation time it is ignored. False on error.
bool OsSetFileTimes(OsFile f, FileTime creation, FileTime access,
                    FileTime write);

// Closes a file. False on error, and for kNoFile.
bool OsClose(OsFile f);

// Deletes the file at an archive path. False on error.
bool OsDeleteFile(OsRoot* root, const char* archivePath);

// Does an entry of exactly this name exist, and is it a folder?
EntryKind OsProbeEntry(OsRoot* root, const char* archivePath);

// Creates one folder with the default permissions. False on any failure.
bool OsCreateFolder(OsRoot* root, const char* archivePath);

// The next character of a zero-terminated Shift-JIS string; at the
// terminating zero the same position. Never steps past the terminator, not
// even after a lead byte that ends the string.
const char* OsCharNext(const char* s);

// Memory for the engine's working set, taken once per run. Null on failure.
void* OsAlloc(size_t bytes);
void OsFree(void* p);

}  // extern "C"

#endif
