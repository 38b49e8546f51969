// The read path as the tools run it, over the in-memory platform layer:
// open the archive, check the password, expand everything below the
// destination root (or only decode it) and, on a fatal result, clean up
// as a fatal end does.
#ifndef CORVANE_TESTS_FUZZ_MEMORY_READ_PATH_H
#define CORVANE_TESTS_FUZZ_MEMORY_READ_PATH_H

#include <string>

#include "engine/archive.h"

struct ReadPathRun {
  HeaderResult header = kHeaderNotOpened;
  bool passwordAccepted = false;
  bool extracted = false;  // RunArchive ran; result holds its outcome
  ExtractResult result = kExtractReadFailed;
  std::string description, runCommand;
  const char* detail = nullptr;
};

// The program file must have been given with MemoryReset. writeNothing:
// decode and check every item but store nothing (a test run); otherwise
// the items go to the store below its root. probeInFront: a sink in front
// of the disk sink looks at each file's path first and passes on what it
// found, as the tools' selecting sink does.
ReadPathRun RunReadPath(const std::string& key, bool writeNothing, const EngineHost* host,
                        bool probeInFront = false);

#endif
