// How a run of the extraction engine ends. Fatal results come back to the
// driver, which shows their message and abandons the run (engine/archive.h).
#ifndef CORVANE_ENGINE_EXTRACT_RESULT_H
#define CORVANE_ENGINE_EXTRACT_RESULT_H

enum ExtractResult {
  kExtractFinished,     // the payload is used up
  kExtractCancelled,    // the overwrite prompt or the Cancel button
  kExtractReadFailed,   // a read failed or ran past the payload
  kExtractDamaged,      // a block failed its CRC, or the stream is malformed
  kExtractWriteFailed,  // an output file could not be made, written,
                        // stamped or closed
  kExtractFolderFailed, // a folder could not be made: see failedPrefix
  kExtractNoMemory,     // the working set could not be had
};

// Whether a result ends the run as a fatal end does.
inline bool IsFatal(ExtractResult r) { return r != kExtractFinished && r != kExtractCancelled; }

#endif
