// The program file: a stub of 26112 bytes, then the payload. The payload
// opens with the header (expected total size, description, run command,
// protection flags and check word), read straight from the file; the rest
// is the block stream (block_reader.h).
#ifndef CORVANE_PAYLOAD_PAYLOAD_LAYOUT_H
#define CORVANE_PAYLOAD_PAYLOAD_LAYOUT_H

#include <stdint.h>

#include "payload/format.h"
#include "platform/platform.h"

// What the length test at start-up decides.
enum PayloadLength {
  kPayloadPresent,     // the file is exactly as long as the payload says
  kNoPayload,          // the file is the bare stub
  kPayloadShorter,     // the file is shorter than expectedSize
  kPayloadLonger,      // the file is longer than expectedSize
  kPayloadUnreadable,  // the seek or the 4-byte read failed or came up short
};

// Takes the file's size, and unless it is the bare stub, reads expectedSize
// at offset 26112. On kPayloadPresent the file is positioned on the first
// header string.
PayloadLength CheckPayloadLength(OsFile f, int32_t* expectedSize);

// Reads a zero-terminated header string from the file's current position,
// the zero consumed. Up to cap bytes are kept in buf (zero-terminated, so
// buf holds cap + 1 bytes); the rest is read and dropped. *len receives the
// number of bytes kept, *truncated whether any were dropped. False when the
// file ends or a read fails before the zero: the header is damaged.
bool ReadHeaderString(OsFile f, char* buf, int cap, int* len,
                      bool* truncated);

// The protection flags byte and the password check value.
struct Protection {
  uint8_t flags;        // 0: not protected
  bool isProtected;     // flags != 0
  bool masked;          // bit 0: the password edit shows '*'
  uint16_t checkValue;  // CRC-16 of the right password
};

// Reads the flags and, when they are not 0, the stored check word, which
// is turned back into the check value with the flags. False when the file
// ends or a read fails first.
bool ReadProtection(OsFile f, Protection* p);

// The header as the start-up reads it, into buffers of the caller's.
struct PayloadHeader {
  int32_t expectedSize;
  char* description;  // description + 1 bytes; zero-terminated
  int descriptionCap;
  int descriptionLen;
  bool descriptionTruncated;
  char* runCommand;  // runCommandCap + 1 bytes
  int runCommandCap;
  int runCommandLen;
  bool runCommandTruncated;
  Protection protection;
};

enum HeaderResult {
  kHeaderRead,        // the file is positioned on the block stream
  kHeaderNoPayload,   // the bare stub: nothing was read
  kHeaderShorter,     // refused by its length
  kHeaderLonger,
  kHeaderUnreadable,  // the size field could not be read
  kHeaderTruncated,   // the file ends inside the header
  kHeaderNotOpened,   // the program file could not be opened (OpenArchive)
};

// The length test, then the description, the run command and the
// protection, in this order, each read where the previous one stopped.
HeaderResult LoadPayloadHeader(OsFile f, PayloadHeader* h);

#endif
