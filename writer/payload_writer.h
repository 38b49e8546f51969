// The payload: header (expected size, description, run command,
// protection), then the block stream of item records. Files are read and
// planned in order; most are coded on worker threads, a few at a time,
// while a file too large to hold is coded in its place as it is read, so
// memory stays bounded whatever the files' sizes and number.
#ifndef CORVANE_WRITER_PAYLOAD_WRITER_H
#define CORVANE_WRITER_PAYLOAD_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "writer/archive_writer.h"
#include "writer/body_encoder.h"
#include "writer/byte_sink.h"

// Offset of the expected size in the payload, and its width.
const int kExpectedSizeBytes = 4;

// Files up to this size are read whole and coded on the worker threads;
// a larger one is read and coded a segment at a time.
const int32_t kWholeFileLimit = 8 << 20;

// How the work is cut up; the archive is the same whatever these are.
struct PayloadTuning {
  int32_t wholeFileLimit = kWholeFileLimit;
  int32_t segmentBytes = BodyEncoder::kDefaultSegment;  // of a large file
};

// Writes the payload to sink with the expected size left 0 for the caller
// to fill in. Checks the options and every entry first, so that nothing
// is written for input that cannot make a sound archive. A host file is
// stored as read, up to the length it had when opened; one that changed
// meanwhile is told to events->changed (one that shrank after its record
// was out is filled up with zero bytes, as tar does). One that cannot be
// read fails the run with *error naming it. Stops as soon as the sink has
// failed, with the sink's failure as *error.
bool WritePayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, ByteSink* sink,
                  WriterStats* stats, std::string* error,
                  const PayloadTuning& tuning = PayloadTuning(),
                  const WriteEvents* events = nullptr);

#endif
