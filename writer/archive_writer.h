// Making a self-extracting archive: the stub, then the payload (header
// and block stream of item records) that the stub's engine expands.
#ifndef CORVANE_WRITER_ARCHIVE_WRITER_H
#define CORVANE_WRITER_ARCHIVE_WRITER_H

#include <stdint.h>

#include <functional>
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
  uint64_t hostSize = 0;      // the host file's length when collected (for progress)
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

// What a run tells as it goes; either may be left empty.
struct WriteEvents {
  // After each piece of input read: the files read whole so far and the
  // input bytes read so far.
  std::function<void(int files, uint64_t bytes)> progress;
  // A file that changed while it was read, and what was stored instead.
  std::function<void(const std::string& message)> changed;
};

// Whether the options make an archive the stub takes whole: texts without
// zero bytes and no longer than the stub holds (a run command no longer
// than it opens), a password with its flags, a known level. False and
// *error otherwise. The writers below check this first.
bool CheckArchiveOptions(const ArchiveOptions& options, std::string* error);

// Writes stub (exactly 26112 bytes) + payload to outPath, through a
// temporary file beside it that replaces outPath only when complete.
// While it is written, Ctrl-C or SIGTERM removes it and ends the process
// with cancelCode. False and *error (English, naming the file) on
// failure, with nothing left behind; stats and events may be null.
bool WriteArchive(const std::vector<uint8_t>& stub,
                  const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, const std::string& outPath,
                  WriterStats* stats, std::string* error, int cancelCode = 130,
                  const WriteEvents* events = nullptr);

// The payload alone, in memory: the bytes that follow the stub, with the
// expected size already counting the stub.
bool BuildPayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, std::vector<uint8_t>* payload,
                  WriterStats* stats, std::string* error);

struct CollectOptions {
  bool strict = false;       // the first input that cannot be taken ends it
  bool followLinks = false;  // links inside folders: store what they name
  // Shell patterns (fnmatch) on the stored name in UTF-8 with '/'.
  std::vector<std::string> excludes;
  // Seconds since 1970 (SOURCE_DATE_EPOCH), or -1: no stored time later
  // than it, and the access time taken from the write time.
  int64_t sourceDateEpoch = -1;
  // The output file, which is never taken as an input.
  bool hasOutputId = false;
  uint64_t outputDevice = 0, outputInode = 0;
};

struct CollectReport {
  std::vector<std::string> warnings;
  std::vector<std::string> leftOut;  // the inputs not taken, and why
  bool metOutput = false;            // the collection ended at the output
};

// Walks host paths (files or folders, UTF-8) into entries; see
// input_collector.cpp for the rules. False with *error only when strict
// meets an input it cannot take, or when an input is the output.
bool CollectEntries(const std::vector<std::string>& paths, const CollectOptions& options,
                    std::vector<ArchiveEntry>* entries, CollectReport* report,
                    std::string* error);

// The same, strict; the warnings go to *warnings when it is given.
bool CollectEntries(const std::vector<std::string>& paths,
                    std::vector<ArchiveEntry>* entries, std::string* error,
                    std::vector<std::string>* warnings = nullptr);

#endif
