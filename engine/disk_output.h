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
};

// A disk output below `root` (null: archive paths as they stand), and the
// sink over it.
void BeginDiskOutput(DiskOutput* d, OsRoot* root);
OutputSink DiskOutputSink(DiskOutput* d);

#endif
