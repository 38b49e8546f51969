// Files and folders named by the host tools' own paths (UTF-8 on every
// host): what the writer reads, what corvane opens and examines. POSIX
// calls in host_files_posix.cpp, Windows' wide calls in host_files_win32.cpp.
// Every call that fails leaves an errno value in errno.
#ifndef CORVANE_PLATFORM_HOST_FILES_H
#define CORVANE_PLATFORM_HOST_FILES_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "platform/platform.h"

enum class HostKind { kFile, kFolder, kLink, kPipe, kDevice, kSocket };

struct HostFileInfo {
  HostKind kind = HostKind::kFile;
  int64_t size = 0;
  // The creation time is the write time where the file system keeps none.
  FileTime creation = 0, access = 0, write = 0;
  // Moves with any change of the file's contents or state (POSIX ctime;
  // on Windows the write time).
  FileTime change = 0;
  // Which file this is: equal for two names of one file.
  uint64_t device = 0, id = 0;
};

// The separators of host paths: "/" on POSIX, "/\\" on Windows.
extern const char kHostSeparators[];

// Of the file at path: the link itself (followLinks false) or what it
// names. False with errno.
bool HostInfoOfPath(const std::string& path, bool followLinks, HostFileInfo* info);
bool HostInfoOfFile(int fd, HostFileInfo* info);

// Opens a file for reading, without waiting for a writer should it be a
// pipe. A descriptor for read(), fdopen() and HostClose, or -1.
int HostOpenForReading(const std::string& path);
bool HostClose(int fd);

// Up to n bytes from offset; *got the count (fewer only at the end).
bool HostReadAt(int fd, int64_t offset, void* into, size_t n, size_t* got);

// The names in a folder, without "." and "..", in the order found.
bool HostListFolder(const std::string& path, std::vector<std::string>* names);

// Makes a folder and the folders above it that are missing.
bool HostCreateFolders(const std::string& path);

// Moves a file over another in one step, or removes one.
bool HostReplace(const std::string& from, const std::string& to);
bool HostRemove(const std::string& path);

// A file made private by CreateRemovedOnInterrupt gets the permissions a
// new file of this process gets.
void HostShareNewFile(int fd);

// Standard input as a file that can be opened by name: itself when it is
// a file, else a copy in a temporary file that goes with the process.
// The name, or empty with *why (errno values in errno); *fd a descriptor
// to close at the end, or -1.
std::string HostStandardInputFile(int* fd, std::string* why);

// "a folder", "a pipe", ...
std::string HostKindText(HostKind kind);

#endif
