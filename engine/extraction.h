// The extraction loop: reads the item stream, checks each item, hands
// folders and files to the output sink and decodes each file's body
// through the output window.
//
// Item stream: item records with no count and no end marker. A record is a
// name (a lead "*" and a count N reuse the first N + 2 bytes of the
// previous name), then, unless the full path ends in "\." (a folder entry),
// three FILETIMEs, the size, the reference distance, the shared length K
// when the distance is not 0, and the coded body.
//
// Drivers do not call this directly: engine/archive.h opens the program
// file, checks the password and runs it.
#ifndef CORVANE_ENGINE_EXTRACTION_H
#define CORVANE_ENGINE_EXTRACTION_H

#include <stdint.h>

#include "engine/engine_host.h"
#include "engine/extract_result.h"
#include "engine/item_record.h"
#include "engine/output_sink.h"
#include "engine/working_set.h"
#include "payload/bit_buffer.h"
#include "payload/block_reader.h"
#include "payload/format.h"

struct Extraction {
  // Set by the caller before ExtractAll.
  BlockReader* reader;  // begun on the block stream
  const EngineHost* host;
  const OutputSink* output;
  // Decodes one body instead of DecodeFileBody when set (the tests' check
  // against a plain decoder); same contract.
  bool (*decodeBody)(Extraction* x, int32_t length);

  // Run state, readable by the host and the sink.
  volatile uint8_t cancelRequested;  // set by the host to stop the run
  ExtractionWork* work;
  BitBuffer bits;
  ItemRecord item;
  bool skipping;    // the file in hand is decoded but not written
  // Set by a sink in front of the disk sink that has just found nothing
  // at fullPath, so that the disk sink need not look again; cleared for
  // every file.
  bool pathFoundFree;
  char name[kMaxName + 1];      // relative name of the item in hand
  int32_t nameLen;
  bool nameInHand;  // name and fullPath belong to the item being read
  char fullPath[kMaxPath + 1];  // destination folder + name
  int32_t fullPathLen;
  int32_t destLen;
  int32_t slotIndex;
  // The ring slots holding a file of this run: the files so far, up to
  // the ring's size. The ring itself is not cleared: most of it is never
  // touched by a short run.
  int32_t slotsFilled;
  const char* detail;  // why the stream counts as damaged, for the tools
  char failedPrefix[kMaxPath + 1];  // set by the sink with kExtractFolderFailed

  // Totals of the run.
  int64_t filesDone, foldersDone;
};

// Expands the whole item stream below destFolder (a folder path: it ends
// with a backslash). Closes the program file at the end of a run that ends
// without a fatal result.
ExtractResult ExtractAll(Extraction* x, const char* destFolder);

// The clean-up of a fatal end: the sink lets go of the file in hand
// (closed and deleted), the working set is freed. The program file is the
// archive's to close.
void AbandonRun(Extraction* x);

// The result a block stream's status means for the run.
inline ExtractResult StreamResultOf(ReadStatus status) {
  if (status == kReadDamaged) return kExtractDamaged;
  return status == kReadFailed ? kExtractReadFailed : kExtractFinished;
}

// The host's functions, for the engine's own use.
inline void HostShowStatus(Extraction* x, StatusKind kind) {
  x->host->showStatus(x->host->context, x, kind);
}

#endif
