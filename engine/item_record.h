// The fixed fields of an item record, as read from the item stream.
#ifndef CORVANE_ENGINE_ITEM_RECORD_H
#define CORVANE_ENGINE_ITEM_RECORD_H

#include <stdint.h>

#include "platform/platform.h"

struct ItemRecord {
  bool isFolder;
  FileTime creationTime, accessTime, writeTime;
  int32_t size;
  uint8_t distance;  // 0: borrows nothing
  int32_t shared;    // K
};

#endif
