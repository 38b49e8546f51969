// The extraction engine: reads the item stream, makes folders, asks before
// overwriting, decodes each file through the output window and stamps it
// with its three times.
//
// Item stream: item records with no count and no end marker. A record is a
// name (a lead "*" and a count N reuse the first N + 2 bytes of the
// previous name), then, unless the full path ends in "\." (a folder entry),
// three FILETIMEs, the size, the reference distance, the shared length K
// when the distance is not 0, and the coded body.
//
// Fatal conditions come back as results. A driver shows the message of the
// result and calls AbandonRun, which closes the program file and deletes
// the partial output file, as a fatal end must; files finished earlier
// stay.
#ifndef CORVANE_ENGINE_EXTRACTION_H
#define CORVANE_ENGINE_EXTRACTION_H

#include <stdint.h>

#include "engine/code_tree.h"
#include "engine/output_window.h"
#include "engine/reference_ring.h"
#include "engine/decode_table.h"
#include "payload/bit_buffer.h"
#include "payload/block_reader.h"
#include "platform/platform.h"

// Longest item name, and longest full path (destination and name). Longer
// ones cannot be made on the systems this archive is for.
const int kMaxName = 4096;
const int kMaxPath = 8192;

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

// The item in hand, as read from its record.
struct ItemRecord {
  bool isFolder;
  FileTime creationTime, accessTime, writeTime;
  int32_t size;
  uint8_t distance;  // 0: borrows nothing
  int32_t shared;    // K
};

// The engine's large working set, taken once per run.
struct ExtractionWork {
  ReferenceSlot ring[kRingSlots];
  CodeTree literalTree;
  CodeTree distanceTree;
  // The distance symbols decoded since the last rebuild point, counted
  // into the distance tree only when it is next built (nothing reads the
  // counts between builds), and whether its counts still need their reset
  // for the body in hand. So the decoding thread never writes the tree,
  // which a second thread may build.
  uint16_t distanceLog[1024];
  int32_t distanceLogged;
  bool distanceFresh;
  DecodeTable literalTable;
  DecodeTable distanceTable;
  DecodeTable startingTable;  // the trees of token 0, the same in every body
  OutputWindow window;
};

struct Extraction;

// A host may take the file side of a run (engine/file_side.h) onto a
// thread of its own. The engine then does no file call during the run: it
// hands each item over in stream order, with all of a file's bytes, and
// decodes on. Each hand-over returns false once the file side has stopped
// on a result of its own; the stream side then ends as if cancelled, and
// finish gives the run's result.
struct DeferredOutput {
  // A folder entry, after its checks (x->fullPath, x->name, x->item).
  bool (*folder)(Extraction* x);
  // A file entry before its body, with the K bytes it shares.
  bool (*beginFile)(Extraction* x, const uint8_t* shared);
  // The file's next bytes; `to` is the Extraction.
  bool (*write)(void* to, const uint8_t* bytes, int32_t n);
  // The file's bytes are all handed over.
  bool (*endFile)(Extraction* x);
  // Called once the stream side has ended, with its result: waits until
  // the file side is through, and returns the run's result, with x holding
  // the item, output file, failed folder and counts of the point where the
  // run ended, as a run without the hand-over would.
  ExtractResult (*finish)(Extraction* x, ExtractResult streamResult);
};

struct Extraction {
  // Set by the caller before ExtractAll.
  BlockReader* reader;  // begun on the block stream
  bool writeNothing;    // test only: decode everything, write nothing
  void* host;           // for the host functions; the engine ignores it
  // Decodes one body instead of DecodeFileBody when set (the tests' check
  // against a plain decoder); same contract.
  bool (*decodeBody)(Extraction* x, int32_t length);
  // Rebuilds both trees and their tables at a rebuild point instead of
  // RebuildTrees when set (the host's two-thread rebuild); it must leave
  // the same trees and tables.
  void (*rebuildTrees)(Extraction* x);
  // Takes the file side when set.
  const DeferredOutput* deferredOutput;

  // Run state, readable by the host functions.
  volatile uint8_t cancelRequested;  // set by the host to stop the run
  ExtractionWork* work;
  BitBuffer bits;
  OsFile outputFile;      // open while a file is written
  bool outputUnfinished;  // the file at outputPath was closed incomplete
  // Where the file in hand is written: its full path, or, when it replaces
  // an existing file, a temporary name beside it that is moved over the
  // old file only once complete, stamped and closed.
  char outputPath[kMaxPath + 32];
  ItemRecord item;
  bool skipping;   // the file in hand is decoded but not written
  bool replacing;  // ... and goes over an existing file when complete
  char name[kMaxName + 1];      // relative name of the item in hand
  int32_t nameLen;
  bool nameInHand;  // name and fullPath belong to the item being read
  char fullPath[kMaxPath + 1];  // destination folder + name
  int32_t fullPathLen;
  int32_t destLen;
  int32_t slotIndex;
  const char* detail;  // why the stream counts as damaged, for the tools
  char failedPrefix[kMaxPath + 1];
  int32_t failedPrefixLen;

  // Totals of the run.
  int64_t filesDone, foldersDone, bytesOut;
};

// Expands the whole item stream below destFolder (a folder path: it ends
// with a backslash). Closes the program file at the end of a run that ends
// without a fatal result.
ExtractResult ExtractAll(Extraction* x, const char* destFolder);

// The clean-up of a fatal end: closes the program file, closes the output
// file in hand and deletes it, and frees the working set.
void AbandonRun(Extraction* x);

#endif
