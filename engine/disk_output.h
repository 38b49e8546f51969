// The sink that makes the items on disk: folders, the overwrite question,
// the output files and their three times. A file that replaces an
// existing one is written under a temporary name beside it and moved over
// the old file only once complete, stamped and closed.
#ifndef CORVANE_ENGINE_DISK_OUTPUT_H
#define CORVANE_ENGINE_DISK_OUTPUT_H

#include "engine/extraction.h"

struct DiskOutput {
  OsRoot* root;      // where the run's archive paths are resolved
  OsFile file;       // open while a file is written
  bool replacing;    // the file goes over an existing one when complete
  bool unfinished;   // the file at path was closed incomplete
  // Where the file in hand is written: its full path, or the temporary
  // name beside the file it replaces.
  char path[kMaxPath + 32];
  // The folder path made last (up to and with its final separator): its
  // folders are there, so the next item in the same folder or beside it
  // walks only the part past where the two paths part.
  char made[kMaxPath + 1];
#if !defined(CORVANE_COMPACT)
  // Outside the stub a file's shared bytes, its first write, are held and
  // go out with the next write in one system call; a write of no bytes
  // writes out what is held. The engine makes one before it reports a
  // damaged body, so that a failure of the shared bytes, due before the
  // body, still comes first.
  bool holdFirst;      // the next write is the file's shared bytes
  int32_t heldLen;     // bytes in held
  int32_t heldShared;  // of them, the shared bytes
  bool sharedLost;     // the shared bytes did not all reach the file
  uint8_t held[2 * kSlotBytes];
#endif
};

// A disk output below `root` (null: archive paths as they stand), and the
// sink over it.
void BeginDiskOutput(DiskOutput* d, OsRoot* root);
OutputSink DiskOutputSink(DiskOutput* d);

#endif
