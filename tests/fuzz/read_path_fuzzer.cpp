// Fuzz target: any payload behind a stub of 26112 zero bytes, through the
// whole read path into the in-memory file system. It must end with a
// result, never a crash, a hang, a leak or undefined behaviour, and leave
// nothing open, nothing allocated and nothing outside the destination.
//
// Input: three control bytes, then the payload.
//   byte 0  bit 0    test only: decode everything, write nothing
//           bit 1    set the expected size to the real length
//           bit 2    the bytes after the header are the plain item stream:
//                    cut it into blocks with valid trailers, encipher it
//                    with the chosen key and store that key's check word,
//                    so that mutations reach the item stream itself
//           bit 3    the engine's working set cannot be had
//           bits 4-5 the password tried (fuzz_keys.h)
//           bits 6-7 the store's quota: 0 or 1 the default, 2 4 KB, 3 64 KB
//   byte 1  overwrite answers (fuzz_host.h)
//   byte 2  bits 0-6 the rebuild point at which Cancel is pressed (0 never)
//           bit 7    expand a second time over the first run's output, so
//                    every file meets an existing one
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "payload/payload_layout.h"
#include "tests/fuzz/fuzz_host.h"
#include "tests/fuzz/fuzz_keys.h"
#include "tests/fuzz/memory_platform.h"
#include "tests/fuzz/memory_read_path.h"
#include "tests/fuzz/resealed_payload.h"

static size_t QuotaOf(uint8_t flags) {
  switch (flags >> 6) {
    case 2: return 4096;
    case 3: return 65536;
    default: return kMemoryDefaultQuota;
  }
}

// The store's entries, bytes outside printable ASCII in hex, for triage.
static void DumpStore() {
  for (const MemoryEntry& e : MemoryEntries()) {
    fprintf(stderr, "  %s ", e.isFolder ? "folder" : "file  ");
    for (unsigned char c : e.path) fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    fprintf(stderr, " (%zu bytes)\n", e.data.size());
  }
}

static void Require(bool ok, const char* what) {
  if (ok) return;
  fprintf(stderr, "read path fault: %s; the store holds:\n", what);
  DumpStore();
  abort();
}

// Whether the last level of a path is one of the engine's temporary
// names, "corvane-N.tmp".
static bool IsTemporaryName(const std::string& path) {
  size_t at = path.rfind("corvane-");
  if (at == std::string::npos || (at > 0 && path[at - 1] != '\\')) return false;
  size_t p = at + 8, digits = 0;
  while (p < path.size() && path[p] >= '0' && path[p] <= '9') p++, digits++;
  return digits > 0 && path.compare(p, std::string::npos, ".tmp") == 0;
}

// What must hold after any run, whatever the input. temporaryNamed: some
// item of this input had the temporary stem in its name.
static void CheckAfterRun(const ReadPathRun& run, bool writeNothing, bool temporaryNamed) {
  Require(MemoryOpenFiles() == 0, "a file was left open");
  Require(MemoryLiveAllocs() == 0, "the working set was not freed");
  Require(MemoryEscapes() == 0, "a path outside the destination reached the platform");
  if (!run.extracted) return;
  for (const MemoryEntry& e : MemoryEntries()) {
    Require(!writeNothing, "a test run made a file or folder");
    Require(temporaryNamed || !IsTemporaryName(e.path), "a temporary file was left behind");
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  uint8_t flags = data[0];
  bool writeNothing = flags & 1;
  std::string key = FuzzKey((flags >> 4) & 3);
  std::vector<uint8_t> program(kStubSize, 0);
  program.insert(program.end(), data + 3, data + size);
  if (flags & 4) ResealPayload(&program, kStubSize, key);
  if ((flags & 2) && program.size() >= (size_t)kStubSize + 4) {
    uint32_t total = (uint32_t)program.size();
    for (int i = 0; i < 4; i++) program[kStubSize + i] = (uint8_t)(total >> (8 * i));
  }

  MemoryReset(program.data(), program.size(), QuotaOf(flags));
  MemoryFailAllocs(flags & 8);
  int runs = (data[2] & 0x80) ? 2 : 1;
  bool temporaryNamed = false;
  for (int i = 0; i < runs; i++) {
    FuzzHost host;
    host.answers = data[1];
    host.cancelAtPump = data[2] & 0x7F;
    EngineHost engineHost = FuzzEngineHost(&host);
    ReadPathRun run = RunReadPath(key, writeNothing, &engineHost);
    if (getenv("CORVANE_FUZZ_TRACE"))
      fprintf(stderr, "run %d: header %d, password %d, result %d (%s), %d prompts, %d pumps\n", i,
              run.header, run.passwordAccepted, run.result, run.detail ? run.detail : "-",
              host.prompts, host.pumps);
    temporaryNamed |= host.sawTemporaryStem;
    CheckAfterRun(run, writeNothing, temporaryNamed);
    if (!run.extracted) break;
  }
  MemoryReset(nullptr, 0);  // the store goes with the input
  return 0;
}
