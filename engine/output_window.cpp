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
  w->file = file;
}

static void WriteSpan(OutputWindow* w, int32_t from, int32_t to) {
  if (w->skip || w->writeFailed || to <= from) return;
  int put = 0;
  if (!OsWrite(w->file, w->window + from, to - from, &put) ||
      put != to - from)
    w->writeFailed = true;
}

void FlushWindow(OutputWindow* w) {
  WriteSpan(w, w->head, kFlushBytes);
  w->head = 0;
  memmove(w->window, w->window + kFlushBytes, kHistoryBytes);
  w->base += kFlushBytes;
}

bool FlushRest(OutputWindow* w) {
  if (w->position > w->base) WriteSpan(w, w->head, w->position - w->base);
  return !w->writeFailed;
}
