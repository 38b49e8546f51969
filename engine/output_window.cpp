#include "engine/output_window.h"

#include <string.h>

void BeginFile(OutputWindow* w, const uint8_t* preset, int32_t presetLength,
               int32_t shared, ReferenceSlot* slot, bool skip, OsFile file) {
  if (presetLength > 0) memcpy(w->window, preset, (size_t)presetLength);
  w->position = presetLength;
  w->base = 0;
  w->head = presetLength;
  w->presetLength = presetLength;
  w->shared = shared;
  w->skip = skip;
  w->writeFailed = false;
  w->slot = slot;
  w->slotFed = presetLength;
  w->file = file;
}

void FeedSlot(OutputWindow* w) {
  int32_t filePos = w->slotFed - w->presetLength + w->shared;
  int32_t n = w->position - w->slotFed;
  if (filePos >= kSlotBytes || n <= 0) return;
  if (n > kSlotBytes - filePos) n = kSlotBytes - filePos;
  memcpy(w->slot->data + filePos, w->window + (w->slotFed - w->base), (size_t)n);
  w->slotFed = w->position;
}

static void WriteSpan(OutputWindow* w, int32_t from, int32_t to) {
  if (w->skip || w->writeFailed || to <= from) return;
  int put = 0;
  if (w->deferredWrite ? !w->deferredWrite(w->deferredTo, w->window + from, to - from)
                       : !OsWrite(w->file, w->window + from, to - from, &put) ||
                             put != to - from)
    w->writeFailed = true;
}

void FlushWindow(OutputWindow* w) {
  FeedSlot(w);
  WriteSpan(w, w->head, kFlushBytes);
  w->head = 0;
  memmove(w->window, w->window + kFlushBytes, kHistoryBytes);
  w->base += kFlushBytes;
}

bool FlushRest(OutputWindow* w) {
  FeedSlot(w);
  if (w->position > w->base) WriteSpan(w, w->head, w->position - w->base);
  return !w->writeFailed;
}

void CopyMatch(OutputWindow* w, int32_t distance, int32_t length) {
  int32_t at = w->position - w->base;
  if (at + length > kWindowBytes) {
    // The window fills on the way: byte by byte through the flush.
    for (int32_t k = 0; k < length; k++) PutByte(w, ByteBehind(w, distance));
    return;
  }
  uint8_t* dst = w->window + at;
  const uint8_t* src = dst - distance;
  if (distance >= length) {
    memcpy(dst, src, (size_t)length);
  } else if (distance >= 8) {
    // Eight at a time: each piece reads bytes at least 8 behind, all
    // written already.
    int32_t k = 0;
    for (; k + 8 <= length; k += 8) memcpy(dst + k, src + k, 8);
    for (; k < length; k++) dst[k] = src[k];
  } else {
    for (int32_t k = 0; k < length; k++) dst[k] = src[k];
  }
  w->position += length;
}
