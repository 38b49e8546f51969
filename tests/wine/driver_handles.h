// The kernel handles of the stub's process, seen from the driver, and
// whether it keeps a file open.
#ifndef CORVANE_TESTS_WINE_DRIVER_HANDLES_H
#define CORVANE_TESTS_WINE_DRIVER_HANDLES_H

#include <windows.h>

#include <string>

struct HandleTable {
  bool read = false;  // the system's handle table could be read
  long total = 0;     // the process's entries in it
  std::string types;  // "TYPE=N" by object type name, sorted, joined by ','
  std::string files;  // the names of its file handles, sorted, joined by '|'
};

// The process's entries of the system-wide handle table, each duplicated
// into the driver to learn its object type (and, for a file, its name).
// GetProcessHandleCount cannot stand in for this: Wine 8 answers 0 for
// every process.
HandleTable HandlesOf(HANDLE process, DWORD pid);

// Whether the file is open anywhere: "free" when an open for reading that
// shares nothing succeeds, "held" on a sharing violation, "missing" when
// there is no such file, else "error:N". Reading, not writing: a running
// program's own file refuses writers for its mapped image alone, without
// any handle of the program's on it.
std::string FileState(const std::wstring& path);

#endif
