// The reading face of the core: one archive from the open of its program
// file to the end of its run. Every driver (the stub, corvane, the tests'
// helpers and the fuzz targets) goes this way:
//
//   OpenArchive  ->  header read, length checked
//   AcceptPassword   (a protected archive)
//   RunArchive   ->  every item into an output sink, with a host
//   CloseArchive     (an ordinary end, or no run at all)
//   AbandonArchive   (instead, after a fatal result: the clean-up of a
//                     fatal end, once the driver has shown its message)
//
// The archive owns the program file from OpenArchive until one of the two
// ends, except that a run which ends without a fatal result closes it
// itself (a failing close is a read failure of the run). Files finished
// before a fatal end stay on disk.
#ifndef CORVANE_ENGINE_ARCHIVE_H
#define CORVANE_ENGINE_ARCHIVE_H

#include <stdint.h>

#include "engine/extraction.h"
#include "payload/block_reader.h"
#include "payload/payload_layout.h"

struct Archive {
  // The caller sets the header's text buffers (description, runCommand
  // and their caps) before OpenArchive.
  PayloadHeader header;
  BlockReader reader;  // reader.payloadFile is the program file
  int64_t fileSize;
  const uint8_t* key;  // the accepted password, owned by the caller
  int32_t keyLen;
  Extraction run;
};

// Opens the program file read-only and reads its header (the length test,
// the texts, the protection). kHeaderNotOpened when the file cannot be
// opened. The program file stays open whatever the result, until
// CloseArchive or AbandonArchive.
HeaderResult OpenArchive(Archive* a, const char* nativePath);

// Checks a password and keeps it (by pointer) as the key when it is right.
// The empty password is never right: it could not decipher anything.
bool AcceptPassword(Archive* a, const uint8_t* key, int32_t keyLen);

// Expands every item below destFolder (a folder path, ending with a
// backslash) into the sink. a->run holds the item, counts and details of
// the point where the run ended. After a fatal result the driver shows its
// message, then calls AbandonArchive.
ExtractResult RunArchive(Archive* a, const char* destFolder, const OutputSink* output,
                         const EngineHost* host);

// Closes the program file if it is still open. False when that close
// fails.
bool CloseArchive(Archive* a);

// The clean-up of a fatal end: the program file closed, the output file in
// hand closed and deleted, the working set freed.
void AbandonArchive(Archive* a);

#endif
