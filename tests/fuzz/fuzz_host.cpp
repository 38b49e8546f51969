// The fuzz targets' engine host: answers from the input, checks on what
// the engine hands over.
#include "tests/fuzz/fuzz_host.h"

#include <stdlib.h>
#include <string.h>

#include "engine/extraction.h"

// The engine hands over zero-terminated paths no longer than its buffers;
// strlen makes the address checker read every byte of them.
static void CheckPath(const char* s, size_t cap) {
  if (strlen(s) > cap) abort();
}

static OverwriteAnswer AskOverwrite(void* context, const Extraction* x) {
  FuzzHost* h = (FuzzHost*)context;
  CheckPath(x->fullPath, kMaxPath);
  int i = h->prompts++;
  if (i >= 4) return kOverwriteYes;
  switch ((h->answers >> (2 * i)) & 3) {
    case 1: return kOverwriteNo;
    case 3: return kOverwriteCancel;
    default: return kOverwriteYes;
  }
}

static void ShowStatus(void* context, const Extraction* x, StatusKind kind) {
  (void)context;
  (void)kind;
  CheckPath(x->fullPath, kMaxPath);
}

static void PumpMessages(void* context, Extraction* x) {
  FuzzHost* h = (FuzzHost*)context;
  if (++h->pumps == h->cancelAtPump) x->cancelRequested = 1;
}

static void ItemRead(void* context, const Extraction* x) {
  FuzzHost* h = (FuzzHost*)context;
  CheckPath(x->name, kMaxName);
  h->itemsRead++;
  if (strstr(x->name, "corvane-")) h->sawTemporaryStem = true;
}

EngineHost FuzzEngineHost(FuzzHost* h) {
  EngineHost e = {h, &AskOverwrite, &ShowStatus, &PumpMessages, &ItemRead};
  return e;
}
