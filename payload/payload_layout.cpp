// The payload header: the length test, the texts and the protection.
#include "payload/payload_layout.h"

PayloadLength CheckPayloadLength(OsFile f, int32_t* expectedSize) {
  int64_t size = OsFileSize(f);
  if (size < 0) return kPayloadUnreadable;
  if (size == kStubSize) return kNoPayload;
  uint8_t b[4];
  int got = 0;
  if (!OsSeek(f, kStubSize) || !OsRead(f, b, 4, &got) || got != 4)
    return kPayloadUnreadable;
  uint32_t expected = (uint32_t)b[0] | (uint32_t)b[1] << 8 |
                      (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
  *expectedSize = (int32_t)expected;
  // The recorded size is a signed 32-bit number; a file of 2 GiB or more
  // can never match it and counts as longer.
  if (size < (int64_t)(int32_t)expected) return kPayloadShorter;
  if (size > (int64_t)(int32_t)expected) return kPayloadLonger;
  return kPayloadPresent;
}

static bool ReadOne(OsFile f, uint8_t* b) {
  int got = 0;
  return OsRead(f, b, 1, &got) && got == 1;
}

bool ReadHeaderString(OsFile f, char* buf, int cap, int* len,
                      bool* truncated) {
  int kept = 0;
  *truncated = false;
  for (;;) {
    uint8_t b;
    if (!ReadOne(f, &b)) {
      buf[kept] = 0;
      *len = kept;
      return false;
    }
    if (b == 0) break;
    if (kept < cap)
      buf[kept++] = (char)b;
    else
      *truncated = true;
  }
  buf[kept] = 0;
  *len = kept;
  return true;
}

bool ReadProtection(OsFile f, Protection* p) {
  uint8_t flags;
  p->flags = 0;
  p->isProtected = false;
  p->masked = false;
  p->checkValue = 0;
  if (!ReadOne(f, &flags)) return false;
  if (flags == 0) return true;
  p->flags = flags;
  p->isProtected = true;
  p->masked = (flags & 1) != 0;
  uint8_t w[2];
  int got = 0;
  if (!OsRead(f, w, 2, &got) || got != 2) return false;
  uint16_t stored = (uint16_t)(w[0] | w[1] << 8);
  p->checkValue = (uint16_t)(stored ^ (flags << 8 | flags));
  return true;
}

HeaderResult LoadPayloadHeader(OsFile f, PayloadHeader* h) {
  h->descriptionLen = h->runCommandLen = 0;
  h->descriptionTruncated = h->runCommandTruncated = false;
  h->description[0] = h->runCommand[0] = 0;
  h->protection.flags = 0;
  h->protection.isProtected = h->protection.masked = false;
  h->protection.checkValue = 0;
  switch (CheckPayloadLength(f, &h->expectedSize)) {
    case kNoPayload: return kHeaderNoPayload;
    case kPayloadShorter: return kHeaderShorter;
    case kPayloadLonger: return kHeaderLonger;
    case kPayloadUnreadable: return kHeaderUnreadable;
    case kPayloadPresent: break;
  }
  if (!ReadHeaderString(f, h->description, h->descriptionCap,
                        &h->descriptionLen, &h->descriptionTruncated) ||
      !ReadHeaderString(f, h->runCommand, h->runCommandCap,
                        &h->runCommandLen, &h->runCommandTruncated) ||
      !ReadProtection(f, &h->protection))
    return kHeaderTruncated;
  return kHeaderRead;
}
