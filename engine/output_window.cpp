// The output window: flushes, the reference slot's feed, match copies.
#include "engine/output_window.h"

#include <string.h>

void BeginFile(OutputWindow* w, const uint8_t* preset, int32_t presetLength,
               int32_t shared, ReferenceSlot* slot, const OutputSink* sink) {
  if (presetLength > 0) memcpy(w->window, preset, (size_t)presetLength);
  w->position = presetLength;
  w->base = 0;
  w->head = presetLength;
  w->presetLength = presetLength;
  w->shared = shared;
  w->sink = sink;
  w->writeFailed = false;
  w->slot = slot;
  w->slotFed = presetLength;
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
  if (!w->sink || w->writeFailed || to <= from) return;
  if (!w->sink->write(w->sink->context, w->window + from, to - from)) w->writeFailed = true;
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
  if (at + length + kCopySlack <= kWindowBytes) {
    CopyWithin(w->window + at, distance, length);
    w->position += length;
    return;
  }
  // The window fills on the way: byte by byte through the flush.
  for (int32_t k = 0; k < length; k++) PutByte(w, ByteBehind(w, distance));
}
