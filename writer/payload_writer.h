// The payload: header (expected size, description, run command,
// protection), then the block stream of item records, one file's contents
// read, coded and written at a time.
#ifndef CORVANE_WRITER_PAYLOAD_WRITER_H
#define CORVANE_WRITER_PAYLOAD_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/archive_writer.h"
#include "writer/byte_sink.h"

// Offset of the expected size in the payload, and its width.
const int kExpectedSizeBytes = 4;

// Writes the payload to sink with the expected size left 0 for the caller
// to fill in. Checks the options and every entry first, so that nothing
// is written for input that cannot make a sound archive.
bool WritePayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, ByteSink* sink,
                  WriterStats* stats, std::string* error);

#endif
