// Round trips for the archive writer: archives made by the writer and
// expanded by the core's extraction engine, with the files, their times
// and the item records compared with what went in.
#ifndef CORVANE_TESTS_ROUNDTRIP_ROUNDTRIP_SUPPORT_H
#define CORVANE_TESTS_ROUNDTRIP_ROUNDTRIP_SUPPORT_H

#include <stdint.h>

#include <string>
#include <vector>

#include "engine/extraction.h"
#include "tests/test_files.h"
#include "writer/archive_writer.h"

// Pseudo-random bytes from a fixed seed, the same on every machine.
Bytes RandomBytes(uint32_t seed, size_t n);
// Lines of words from a small vocabulary: compressible like source text.
Bytes TextLike(uint32_t seed, size_t n);

FileTime TimeOf(int64_t unixSeconds, uint32_t nanoseconds);
// A distinct time for each n, storable on every host file system.
FileTime Moment(int n);

// Times of 0 stand for fixed times of 2022 that every host file system
// can store.
ArchiveEntry FileEntry(const std::string& name, const Bytes& data,
                       FileTime creation = 0, FileTime access = 0,
                       FileTime write = 0);
ArchiveEntry FolderEntry(const std::string& name);

struct Extracted {
  ExtractOutcome outcome;
  std::vector<std::string> names;  // as the engine read them
  std::vector<ItemRecord> items;
  Bytes payload;
  std::string outDir;              // where the files went
};

// Builds the payload, writes it behind a stub of zeros and extracts it
// with the core into a folder below dir. A build failure fails the test.
Extracted BuildAndExtract(const TempDir& dir, const std::vector<ArchiveEntry>& entries,
                          const ArchiveOptions& options = ArchiveOptions(),
                          const Bytes& key = Bytes());

// Options at a compression level, all else default.
ArchiveOptions AtLevel(int level);

// BuildAndExtract, then ExpectExtractedAsWritten.
Extracted RoundTrip(const TempDir& dir, const std::vector<ArchiveEntry>& entries,
                    const ArchiveOptions& options = ArchiveOptions(),
                    const Bytes& key = Bytes());

// The host path of an extracted item, from its Shift-JIS archive name.
std::string HostPathOf(const std::string& outDir, const std::string& archiveName);

// Every entry is on disk as it went in (bytes; access and write times),
// and the engine read a record for each, in order, with the three times.
void ExpectExtractedAsWritten(const std::vector<ArchiveEntry>& entries,
                              const Extracted& x);

// The plain data bytes of a payload's block stream (trailers dropped, the
// key taken off): the item stream as the writer laid it out.
Bytes ItemStreamOf(const Bytes& payload, const std::string& key = std::string());

// Length of a payload's header: size, description, run command, flags and
// (when protected) the check word.
size_t HeaderLengthOf(const Bytes& payload);

#endif
