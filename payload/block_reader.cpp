// The block reader: loading, deciphering and checking each block.
#include "payload/block_reader.h"

#include <string.h>

#include "payload/crc16.h"

void BeginBlockStream(BlockReader* r, OsFile payloadFile, bool isProtected,
                      const uint8_t* key, int32_t keyLen) {
  r->payloadFile = payloadFile;
  r->filePos = OsTell(payloadFile);
  r->fileSize = OsFileSize(payloadFile);
  r->blockLen = 0;
  r->streamPos = 0;
  r->isProtected = isProtected;
  r->key = key;
  r->keyLen = keyLen;
  r->keyPos = 1;
  r->payloadEnded = false;
  r->status = (r->filePos < 0 || r->fileSize < 0) ? kReadFailed : kReadOk;
#if !defined(CORVANE_COMPACT)
  r->aheadAt = r->aheadLen = 0;
  r->aheadAtEnd = false;
#endif
}

// The next block's bytes into blockBuf, as one read of kBlockSize would
// give them: fewer only where the file ends. False when the read fails.
static bool ReadBlock(BlockReader* r, int* n) {
#if defined(CORVANE_COMPACT)
  return OsRead(r->payloadFile, r->blockBuf, kBlockSize, n);
#else
  int32_t held = r->aheadLen - r->aheadAt;
  if (held < kBlockSize && !r->aheadAtEnd) {
    memmove(r->ahead, r->ahead + r->aheadAt, (size_t)held);
    int room = (int)sizeof r->ahead - held, got = 0;
    bool ok = OsRead(r->payloadFile, r->ahead + held, room, &got);
    r->aheadAt = 0;
    r->aheadLen = held += got;
    if (!ok && held < kBlockSize) return false;
    r->aheadAtEnd = ok && got < room;
  }
  *n = held < kBlockSize ? held : kBlockSize;
  memcpy(r->blockBuf, r->ahead + r->aheadAt, (size_t)*n);
  r->aheadAt += *n;
  return true;
#endif
}

static void Refill(BlockReader* r) {
  int n = 0;
  if (!ReadBlock(r, &n)) {
    r->status = kReadFailed;
    return;
  }
  r->filePos += n;
  if (r->isProtected && r->keyLen > 0) {
    // The key runs on over data bytes only, across block boundaries.
    int32_t pos = r->keyPos - 1;
    for (int k = 0; k < n - 2; k++) {
      r->blockBuf[k] ^= r->key[pos];
      if (++pos == r->keyLen) pos = 0;
    }
    r->keyPos = pos + 1;
  }
  // Data followed by its trailer gives 0; so do 0 bytes, and so do two zero
  // bytes, which then fail as a short block below.
  if (Crc16Update(0, r->blockBuf, n) != 0) {
    r->status = kReadDamaged;
    return;
  }
  r->blockLen = n - 2;
}

uint8_t ReadByteSlow(BlockReader* r) {
  if (r->status != kReadOk) return 0;
  int32_t i = r->streamPos & (kBlockData - 1);
  if (i == 0) {
    Refill(r);
    if (r->status != kReadOk) return 0;
  }
  if (i >= r->blockLen) {
    r->status = kReadFailed;
    return 0;
  }
  if (i == r->blockLen - 1 && r->filePos >= r->fileSize)
    r->payloadEnded = true;
  r->streamPos++;
  return r->blockBuf[i];
}
