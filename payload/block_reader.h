// The block stream: blocks of 4096 data bytes and a 2-byte CRC-16 trailer
// (high byte first), the last block holding 1 to 4096 data bytes. In a
// protected archive the data bytes are stored XORed with the password,
// cycled over the data bytes of the whole stream; trailers are plain.
//
// ReadByte hands out the data bytes one at a time. Each block is read in
// one call, deciphered in place and tested as a whole before its first
// byte is handed out. Failures are sticky: once status is not kReadOk,
// ReadByte returns 0 and touches nothing, so callers may test the status
// at their own pace (per item field, per token) and no byte of a block that
// failed its test ever reaches them.
#ifndef CORVANE_PAYLOAD_BLOCK_READER_H
#define CORVANE_PAYLOAD_BLOCK_READER_H

#include <stdint.h>

#include "payload/format.h"
#include "platform/platform.h"

enum ReadStatus : uint8_t {
  kReadOk = 0,
  kReadFailed,   // a byte past the data was asked for, or a read failed
  kReadDamaged,  // a block missed its CRC test
};

const int kAheadBlocks = 16;

struct BlockReader {
  OsFile payloadFile;
  int64_t filePos;   // where the blocks taken so far end in payloadFile
  int64_t fileSize;  // taken once when the stream starts
  uint8_t blockBuf[kBlockSize];
  int32_t blockLen;   // data bytes in blockBuf: bytes read minus 2
  int32_t streamPos;  // data bytes handed out so far
  bool isProtected;
  const uint8_t* key;  // the accepted password, owned by the caller
  int32_t keyLen;
  int32_t keyPos;  // 1-based index of the next key byte
  bool payloadEnded;
  ReadStatus status;
#if !defined(CORVANE_COMPACT)
  // Outside the stub the file is read kAheadBlocks blocks at a time, each
  // block then taken from here: one system call instead of sixteen. A
  // block still comes out exactly as a read of its own would give it; a
  // failed read that has got a whole block first fails again when the
  // stream reaches the bytes it could not get.
  uint8_t ahead[kAheadBlocks * kBlockSize];
  int32_t aheadAt, aheadLen;  // the bytes not taken are [aheadAt, aheadLen)
  bool aheadAtEnd;            // a read came up short: the file ends there
#endif
};

// Starts the stream at the file's current position (right behind the
// header). An empty key with isProtected deciphers nothing.
void BeginBlockStream(BlockReader* r, OsFile payloadFile, bool isProtected,
                      const uint8_t* key, int32_t keyLen);

// Loads blocks and handles the end of a block; the rare path of ReadByte.
uint8_t ReadByteSlow(BlockReader* r);

// The next data byte. Raises payloadEnded with the payload's last byte.
inline uint8_t ReadByte(BlockReader* r) {
  uint32_t i = (uint32_t)r->streamPos & (kBlockData - 1);
  // Inside a loaded block and not on its last byte: nothing to decide.
  if (i != 0 && (int32_t)i < r->blockLen - 1) {
    r->streamPos++;
    return r->blockBuf[i];
  }
  return ReadByteSlow(r);
}

// For readers that take bytes in bulk (the bit buffer of the bodies): the
// loaded block's bytes not handed out yet. None once the block is used up
// or a read failed; the next byte then comes from ReadByte.
inline int32_t BlockBytesLeft(const BlockReader* r) {
  int32_t i = r->streamPos & (kBlockData - 1);
  if (i == 0 || r->status != kReadOk || i >= r->blockLen) return 0;
  return r->blockLen - i;
}

inline const uint8_t* BlockCursor(const BlockReader* r) {
  return r->blockBuf + (r->streamPos & (kBlockData - 1));
}

// Hands out n of the bytes left, as n ReadByte calls would.
inline void TakeBlockBytes(BlockReader* r, int32_t n) {
  r->streamPos += n;
  if ((r->streamPos & (kBlockData - 1)) == (r->blockLen & (kBlockData - 1)) &&
      r->filePos >= r->fileSize)
    r->payloadEnded = true;
}

// Takes back the last n bytes handed out, all of them from the loaded
// block: the stream goes on from the first of them.
inline void ReturnBlockBytes(BlockReader* r, int32_t n) {
  r->streamPos -= n;
  r->payloadEnded = false;
}

#endif
