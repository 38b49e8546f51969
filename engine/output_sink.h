// Where the items of a run go: the one seam between the engine, which
// reads and decodes, and whatever keeps the result. The engine calls a
// sink in stream order: a folder entry, or a file's begin, its bytes in
// pieces (the K shared bytes first) and its end. Sinks: the files on disk
// (engine/disk_output.h) and nothing at all (engine/no_output.h, for
// testing an archive); a sink may also pass the calls on to another one.
#ifndef CORVANE_ENGINE_OUTPUT_SINK_H
#define CORVANE_ENGINE_OUTPUT_SINK_H

#include <stdint.h>

#include "engine/extract_result.h"

struct Extraction;

struct OutputSink {
  void* context;
  // A folder entry: x->fullPath ends in "\.", its checks are passed.
  ExtractResult (*folder)(void* context, Extraction* x);
  // A file entry before its body (x->item, x->fullPath). Sets x->skipping
  // when the file's bytes are to be dropped. kExtractCancelled ends the
  // run as a Cancel (x->cancelRequested is set).
  ExtractResult (*beginFile)(void* context, Extraction* x);
  // The file's next n bytes; never called while x->skipping. False once
  // the file is lost: the run ends with kExtractWriteFailed when the body
  // is through. A sink may hold the shared bytes until its next write or
  // endFile; n = 0 then asks for them, and is false if they are lost.
  bool (*write)(void* context, const uint8_t* bytes, int32_t n);
  // The file's bytes are all written; also after a cancel in its body
  // (x->cancelRequested), when what was written must go.
  ExtractResult (*endFile)(void* context, Extraction* x);
  // A fatal end: the file in hand, if any, is closed and removed.
  void (*abandon)(void* context, Extraction* x);
};

#endif
