// The output sink that keeps nothing.
#include "engine/no_output.h"

#include "engine/extraction.h"

static ExtractResult Folder(void*, Extraction*) { return kExtractFinished; }

// The status lines of a file that is passed over.
static ExtractResult BeginFile(void*, Extraction* x) {
  HostShowStatus(x, kStatusExamining);
  x->skipping = true;
  HostShowStatus(x, kStatusSkipping);
  return kExtractFinished;
}

static bool Write(void*, const uint8_t*, int32_t) { return true; }
static ExtractResult EndFile(void*, Extraction*) { return kExtractFinished; }
static void Abandon(void*, Extraction*) {}

OutputSink NoOutputSink() {
  OutputSink s = {0, Folder, BeginFile, Write, EndFile, Abandon};
  return s;
}
