// The extraction loop over the item stream.
#include "engine/extraction.h"

#include <string.h>

#include "engine/rebuild_point.h"
#include "engine/symbol_decoder.h"
#include "paths/name_safety.h"
#include "paths/path_utils.h"

// The status of the block stream as a result of the run.
static ExtractResult StreamResult(const BlockReader* r) { return StreamResultOf(r->status); }

static ExtractResult Damaged(Extraction* x, const char* why) {
  x->detail = why;
  return kExtractDamaged;
}

// Reads the name of the next item into x->name, reusing the previous name
// that is still there, and forms the full path.
static ExtractResult ReadName(Extraction* x) {
  BlockReader* r = x->reader;
  uint8_t b = ReadByte(r);
  int32_t len = 0;
  if (b == '*') {
    int32_t keep = ReadByte(r) + 2;
    len = keep < x->nameLen ? keep : x->nameLen;
    b = ReadByte(r);
  }
  while (b != 0) {
    if (len == kMaxName) return Damaged(x, "an item name is too long");
    x->name[len++] = (char)b;
    b = ReadByte(r);
  }
  if (r->status != kReadOk) return StreamResult(r);
  x->name[len] = 0;
  x->nameLen = len;
  if (x->destLen + len > kMaxPath) return Damaged(x, "an item path is too long");
  memcpy(x->fullPath + x->destLen, x->name, (size_t)len + 1);
  x->fullPathLen = x->destLen + len;
  return kExtractFinished;
}

static uint64_t ReadLittleEndian(BlockReader* r, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; i++) v |= (uint64_t)ReadByte(r) << (8 * i);
  return v;
}

static void ItemRead(Extraction* x) {
  if (x->host->itemRead) x->host->itemRead(x->host->context, x);
}

static ExtractResult FolderEntry(Extraction* x) {
  x->item.isFolder = true;
  ItemRead(x);
  // The entry test looks at the last two bytes only; the byte before the
  // dot must also be a true separator, not the tail of a double-byte
  // character, or there is no folder path to make.
  int32_t folderLen = x->fullPathLen - 1;
  char dot = x->fullPath[folderLen];
  x->fullPath[folderLen] = 0;
  bool separated = FolderPartOf(x->fullPath) == folderLen;
  x->fullPath[folderLen] = dot;
  if (!separated)
    return Damaged(x, "a folder name ends inside a double-byte character");
  ExtractResult res = x->output->folder(x->output->context, x);
  if (res == kExtractFinished) x->foldersDone++;
  return res;
}

// Reads the fixed fields of a file entry and checks them against the ring.
static ExtractResult ReadFileFields(Extraction* x) {
  BlockReader* r = x->reader;
  ItemRecord* it = &x->item;
  it->isFolder = false;
  it->creationTime = ReadLittleEndian(r, 8);
  it->accessTime = ReadLittleEndian(r, 8);
  it->writeTime = ReadLittleEndian(r, 8);
  it->size = (int32_t)ReadLittleEndian(r, 4);
  it->distance = ReadByte(r);
  it->shared = it->distance ? (int32_t)ReadLittleEndian(r, 2) : 0;
  if (r->status != kReadOk) return StreamResult(r);
  if (it->size < 0) return Damaged(x, "a file size is negative");
  if (it->distance) {
    if (it->distance > x->slotsFilled)
      return Damaged(x, "a file refers to a file the archive never held");
    const ReferenceSlot* ref =
        &x->work->ring[(x->slotIndex + kRingSlots - it->distance) % kRingSlots];
    if (it->shared > ref->storedLength)
      return Damaged(x, "a file shares more bytes than its reference holds");
  }
  if (it->shared > it->size)
    return Damaged(x, "a file shares more bytes than its size");
  return kExtractFinished;
}

// What a body showed, unless the file's shared bytes, written before the
// body, failed: a sink may still hold them (see OutputSink), and is asked
// for them here.
static ExtractResult SharedBytesFirst(Extraction* x, ExtractResult res) {
#if defined(CORVANE_COMPACT)
  (void)x;  // the stub's sink holds nothing
#else
  const OutputSink* out = x->output;
  if (!x->skipping && x->item.shared > 0 && !out->write(out->context, 0, 0))
    return kExtractWriteFailed;
#endif
  return res;
}

static ExtractResult FileEntry(Extraction* x) {
  ExtractResult res = ReadFileFields(x);
  if (res != kExtractFinished) return res;
  ItemRecord* it = &x->item;
  ExtractionWork* w = x->work;
  ReferenceSlot* slot = &w->ring[x->slotIndex];
  slot->storedLength = it->size < kSlotBytes ? it->size : kSlotBytes;
  const ReferenceSlot* ref =
      &w->ring[(x->slotIndex + kRingSlots - it->distance) % kRingSlots];
  PresetBounds preset = {0, 0};
  if (it->distance) preset = PresetHistoryBounds(it->shared, ref->storedLength);
  ItemRead(x);

  const OutputSink* out = x->output;
  x->skipping = false;
  x->pathFoundFree = false;
  res = out->beginFile(out->context, x);
  if (res == kExtractCancelled) return kExtractFinished;  // the run ends
  if (res != kExtractFinished) return res;
  // The shared bytes are written before the body is decoded: their failure
  // ends the run at once, before any damage in the body.
  if (!x->skipping && it->shared > 0 && !out->write(out->context, ref->data, it->shared))
    return kExtractWriteFailed;
  memcpy(slot->data, ref->data, (size_t)it->shared);
  BeginFile(&w->window, ref->data + preset.start, preset.length, it->shared,
            slot, x->skipping ? 0 : out);
  BeginBodyBits(&x->bits, x->reader);
  bool wellFormed = x->decodeBody ? x->decodeBody(x, it->size - it->shared)
                                  : DecodeFileBody(x, it->size - it->shared);
  if (!wellFormed) return SharedBytesFirst(x, kExtractDamaged);
  FeedSlot(&w->window);
  EndBodyBits(&x->bits);
  res = StreamResult(x->reader);
  if (res != kExtractFinished) return SharedBytesFirst(x, res);
  // A failed write ends the run here, unless the body turned out damaged.
  if (!FlushRest(&w->window)) return kExtractWriteFailed;
  res = out->endFile(out->context, x);
  if (res != kExtractFinished) return res;
  if (!x->cancelRequested) x->filesDone++;
  x->slotIndex = (x->slotIndex + 1) % kRingSlots;
  if (x->slotsFilled < kRingSlots) x->slotsFilled++;
  return kExtractFinished;
}

static ExtractResult OneItem(Extraction* x) {
  x->nameInHand = false;
  ExtractResult res = ReadName(x);
  if (res != kExtractFinished) return res;
  x->nameInHand = true;
  if (const char* why = UnsafeNameReason(x->name)) return Damaged(x, why);
  if (x->fullPathLen >= 2 && x->fullPath[x->fullPathLen - 2] == '\\' &&
      x->fullPath[x->fullPathLen - 1] == '.')
    return FolderEntry(x);
  return FileEntry(x);
}

ExtractResult ExtractAll(Extraction* x, const char* destFolder) {
  x->cancelRequested = 0;
  x->detail = 0;
  x->failedPrefix[0] = 0;
  x->nameLen = 0;
  x->name[0] = 0;
  x->nameInHand = false;
  x->slotIndex = x->slotsFilled = 0;
  x->filesDone = x->foldersDone = 0;
  x->destLen = (int32_t)strlen(destFolder);
  if (x->destLen > kMaxPath) return Damaged(x, "the destination path is too long");
  memcpy(x->fullPath, destFolder, (size_t)x->destLen + 1);
  x->fullPathLen = x->destLen;
  BeginBodyBits(&x->bits, x->reader);
  x->work = (ExtractionWork*)OsAlloc(sizeof(ExtractionWork));
  if (!x->work) return kExtractNoMemory;
  PrepareStartingTable(x->work);

  ExtractResult res = kExtractFinished;
  while (res == kExtractFinished && !x->reader->payloadEnded && !x->cancelRequested)
    res = OneItem(x);
  if (res != kExtractFinished) return res;
  OsFree(x->work);
  x->work = 0;
  OsFile f = x->reader->payloadFile;
  x->reader->payloadFile = kNoFile;
  if (!OsClose(f)) return kExtractReadFailed;
  return x->cancelRequested ? kExtractCancelled : kExtractFinished;
}

void AbandonRun(Extraction* x) {
  if (x->output) x->output->abandon(x->output->context, x);
  if (x->work) {
    OsFree(x->work);
    x->work = 0;
  }
}
