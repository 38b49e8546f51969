// The read path as the tools run it, over the in-memory platform layer:
// open the program file, load the header, check the password, begin the
// block stream, expand everything below the destination root and, on a
// fatal result, clean up as a fatal end does.
#ifndef CORVANE_TESTS_FUZZ_MEMORY_READ_PATH_H
#define CORVANE_TESTS_FUZZ_MEMORY_READ_PATH_H

#include <string>

#include "engine/extraction.h"
#include "payload/payload_layout.h"

struct ReadPathRun {
  HeaderResult header = kHeaderUnreadable;
  bool passwordAccepted = false;
  bool extracted = false;  // ExtractAll ran; result holds its outcome
  ExtractResult result = kExtractReadFailed;
  std::string description, runCommand;
  const char* detail = nullptr;
};

// The program file must have been given with MemoryReset.
ReadPathRun RunReadPath(const std::string& key, bool writeNothing);

// Whether a result ends the run as a fatal end does.
inline bool IsFatal(ExtractResult r) { return r != kExtractFinished && r != kExtractCancelled; }

#endif
