// The engine host of the fuzz targets: overwrite answers and a Cancel
// press taken from the input, and a record of what the engine showed, for
// the targets' checks.
#ifndef CORVANE_TESTS_FUZZ_FUZZ_HOST_H
#define CORVANE_TESTS_FUZZ_FUZZ_HOST_H

#include <stdint.h>

#include "engine/engine_host.h"

struct FuzzHost {
  // Two bits per prompt for the first four prompts: 0 or 2 Yes, 1 No,
  // 3 Cancel. Later prompts are answered Yes.
  uint8_t answers = 0;
  // The rebuild point (counted from 1 over the run) at which Cancel is
  // pressed; 0 never.
  int cancelAtPump = 0;

  int prompts = 0;
  int pumps = 0;
  int itemsRead = 0;
  // Some item name contained the stem of the engine's temporary names.
  bool sawTemporaryStem = false;
};

// The engine host over h: each of its functions gets h back as its
// context, so every run answers and records into its own FuzzHost.
EngineHost FuzzEngineHost(FuzzHost* h);

#endif
