#include "tests/fuzz/fuzz_host.h"

#include <stdlib.h>
#include <string.h>

static FuzzHost host;

FuzzHost& CurrentFuzzHost() { return host; }

void ResetFuzzHost(uint8_t answers, int cancelAtPump) {
  host = FuzzHost();
  host.answers = answers;
  host.cancelAtPump = cancelAtPump;
}

// The engine hands over zero-terminated paths no longer than its buffers;
// strlen makes the address checker read every byte of them.
static void CheckPath(const char* s, size_t cap) {
  if (strlen(s) > cap) abort();
}

OverwriteAnswer HostAskOverwrite(Extraction* x) {
  CheckPath(x->fullPath, kMaxPath);
  int i = host.prompts++;
  if (i >= 4) return kOverwriteYes;
  switch ((host.answers >> (2 * i)) & 3) {
    case 1: return kOverwriteNo;
    case 3: return kOverwriteCancel;
    default: return kOverwriteYes;
  }
}

void HostShowStatus(Extraction* x, StatusKind kind) {
  (void)kind;
  CheckPath(x->fullPath, kMaxPath);
}

void HostPumpMessages(Extraction* x) {
  if (++host.pumps == host.cancelAtPump) x->cancelRequested = 1;
}

void HostItemRead(Extraction* x) {
  CheckPath(x->name, kMaxName);
  host.itemsRead++;
  if (strstr(x->name, "corvane-")) host.sawTemporaryStem = true;
}
