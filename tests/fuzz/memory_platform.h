// The platform layer over memory, on which the fuzz targets run.
//
// Host only: link corvane_platform_memory instead of corvane_platform.
// There is one store, so the OsRoot of the archive path calls is ignored
// (the drivers pass null).
//
// The program file is a byte buffer of the caller's: OsOpenNative opens it
// whatever path it is given. Files and folders made through the archive
// path calls live in a map keyed by the path in a canonical form: split at
// '\' and '/' (found by the character step, so 表 stays whole), empty and
// "." levels dropped, levels joined with '\'. The empty key is the root,
// which always exists. A path that starts at a root, or holds a ".." level
// or a colon (found by the character step), is refused and counted:
// nothing that reaches the platform should ever leave the destination.
//
// As NTFS does ("tunnelling"), a file that takes the name of a file just
// removed or replaced gets that file's creation time; times set on it
// afterwards win.
//
// Everything stored (file bytes and the names of entries) counts against
// a quota; a write or a new entry past it fails, so no input can make the
// store grow without bound.
#ifndef CORVANE_TESTS_FUZZ_MEMORY_PLATFORM_H
#define CORVANE_TESTS_FUZZ_MEMORY_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

const size_t kMemoryDefaultQuota = 64u << 20;

// Drops every entry and every open file and starts again with this
// program file (not copied: it must outlive the use) and quota.
void MemoryReset(const uint8_t* program, size_t programSize,
                 size_t quota = kMemoryDefaultQuota);

// Marks a file read-only, or writable again: a read-only file cannot be
// created anew, replaced or deleted.
bool MemorySetReadOnly(const char* archivePath, bool readOnly);

// Makes the next OsAlloc calls fail (for the out-of-memory path).
void MemoryFailAllocs(bool fail);

// Lets `writes` more OsWrite calls through; the ones after them fail
// with nothing written.
void MemoryFailWritesAfter(int writes);

// OsWrite calls to files since the last reset.
int MemoryWrites();

// What is stored at a path, in any spelling that has the same canonical
// form (".\\a\\b" and "a\\b" are one entry).
struct MemoryEntry {
  std::string path;  // canonical form
  bool isFolder = false;
  std::vector<uint8_t> data;
  FileTime creationTime = 0, accessTime = 0, writeTime = 0;
};
bool MemoryLookUp(const char* archivePath, MemoryEntry* out);

// Every entry, in the order of their canonical paths.
std::vector<MemoryEntry> MemoryEntries();

// Files open now (the program file included), blocks taken by OsAlloc and
// not freed, bytes counted against the quota, and ".." levels refused
// since the last reset.
int MemoryOpenFiles();
int MemoryLiveAllocs();
size_t MemoryBytesUsed();
int MemoryEscapes();

// How often each canonical path was probed (OsProbeEntry) since the last
// reset.
std::map<std::string, int> MemoryProbes();

#endif
