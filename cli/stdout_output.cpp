// Files to standard output.
#include "cli/stdout_output.h"

#include <errno.h>
#include <stdio.h>

#include "engine/extraction.h"

static ExtractResult Folder(void*, Extraction*) { return kExtractFinished; }

static ExtractResult BeginFile(void*, Extraction* x) {
  HostShowStatus(x, kStatusExamining);
  HostShowStatus(x, kStatusExpanding);
  return kExtractFinished;
}

static bool Failed(StdoutOutput* out) {
  if (!out->error) out->error = errno;
  return false;
}

static bool Write(void* context, const uint8_t* bytes, int32_t n) {
  return fwrite(bytes, 1, (size_t)n, stdout) == (size_t)n || Failed((StdoutOutput*)context);
}

// A failed write (a closed pipe, a full disk) is the file's failure.
static ExtractResult EndFile(void* context, Extraction*) {
  StdoutOutput* out = (StdoutOutput*)context;
  if (fflush(stdout) != 0) Failed(out);
  return out->error ? kExtractWriteFailed : kExtractFinished;
}

static void Abandon(void*, Extraction*) { fflush(stdout); }

OutputSink StdoutSink(StdoutOutput* out) {
  OutputSink s = {out, Folder, BeginFile, Write, EndFile, Abandon};
  return s;
}
