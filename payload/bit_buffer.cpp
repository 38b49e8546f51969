// The bit buffer's refills from the block reader, and the bytes it gives back.
#include "payload/bit_buffer.h"

void MoreBits(BitBuffer* b) {
  if (BlockBytesLeft(b->source) > 0) {
    RefillFromBlock(b);
    return;
  }
  uint8_t byte = ReadByteSlow(b->source);  // loads and tests the next block
  b->bits |= (uint64_t)byte << b->avail;
  b->avail += 8;
}

void EndBodyBits(BitBuffer* b) {
  int whole = b->avail >> 3;
  if (whole > 0) ReturnBlockBytes(b->source, whole);
  b->bits = 0;
  b->avail = 0;
}
