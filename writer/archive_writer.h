// Making a self-extracting archive: the stub, then the payload (header
// and block stream of item records) that the stub's engine expands.
#ifndef CORVANE_WRITER_ARCHIVE_WRITER_H
#define CORVANE_WRITER_ARCHIVE_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/platform.h"

struct ArchiveEntry {
  // Relative name, Shift-JIS bytes, backslash-separated; a folder WITHOUT
  // its trailing "\." (the root folder is ".").
  std::string name;
  bool isFolder = false;
  FileTime creationTime = 0, accessTime = 0, writeTime = 0;
  std::string hostPath;       // file contents are read from here when non-empty...
  std::vector<uint8_t> data;  // ...otherwise from here
};

struct ArchiveOptions {
  std::string description;  // Shift-JIS bytes
  std::string runCommand;   // Shift-JIS bytes
  std::string password;     // Shift-JIS bytes; empty = not protected
  // Used only with a password; must be non-zero. Bit 0: the stub masks
  // the typed password.
  uint8_t protectionFlags = 1;
  int level = 2;  // 1 fast, 2 default, 3 best (level_settings.h)
  // Threads that code file bodies; 0: one per processor. The archive is
  // the same whatever the number.
  int threads = 0;
};

struct WriterStats {
  uint64_t inputBytes = 0, payloadBytes = 0;
  int files = 0, folders = 0;
};

// Whether the options make an archive the stub takes whole: texts without
// zero bytes and no longer than the stub holds (a run command no longer
// than it opens), a password with its flags, a known level. False and
// *error otherwise. The writers below check this first.
bool CheckArchiveOptions(const ArchiveOptions& options, std::string* error);

// Writes stub (exactly 26112 bytes) + payload to outPath, through a
// temporary file beside it that replaces outPath only when complete.
// False and *error (English, naming the file) on failure; stats may be
// null.
bool WriteArchive(const std::vector<uint8_t>& stub,
                  const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, const std::string& outPath,
                  WriterStats* stats, std::string* error);

// The payload alone, in memory: the bytes that follow the stub, with the
// expected size already counting the stub.
bool BuildPayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, std::vector<uint8_t>* payload,
                  WriterStats* stats, std::string* error);

// Walks host paths (files or folders, UTF-8) into entries; see
// input_collector.cpp for the rules. Links inside folders, and anything
// there that is neither a file nor a folder, are skipped and reported in
// *warnings when it is given.
bool CollectEntries(const std::vector<std::string>& paths,
                    std::vector<ArchiveEntry>* entries, std::string* error,
                    std::vector<std::string>* warnings = nullptr);

#endif
