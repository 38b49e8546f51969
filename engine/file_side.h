// The file side of an item: what the engine does on disk for a folder
// entry and around a file's body, apart from writing the body's bytes.
// ExtractAll calls these in turn for each item. A host that takes the file
// side onto a thread of its own (see DeferredOutput) calls them there, in
// the same order, on an Extraction of its own that holds the item's
// fullPath, name and record; the results mean the same.
#ifndef CORVANE_ENGINE_FILE_SIDE_H
#define CORVANE_ENGINE_FILE_SIDE_H

#include "engine/extraction.h"

// Makes the folder of a folder entry (x->fullPath ends in "\.") and counts
// it.
ExtractResult MakeFolderEntry(Extraction* x);

// Everything before a file's bytes: the status, the overwrite question
// when something is in the way, the folders above it and the output file
// (x->outputFile, under x->outputPath). Sets x->skipping and x->replacing.
// On the answer Cancel, sets x->cancelRequested and returns
// kExtractCancelled without more.
ExtractResult OpenOutputFile(Extraction* x);

// Everything after the last byte has been written: the three times, the
// close, and the move over the file it replaces (or, once the run is
// cancelled, the deletion of what was written). Counts the file unless
// cancelled. Skipped files only count.
ExtractResult CloseOutputFile(Extraction* x);

#endif
