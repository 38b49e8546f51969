// The plain bit reader the engine's bit buffer must agree with: one byte
// from the block reader per eight bits, least significant bit first. An
// n-bit field is n bits in a row, the first one of weight 1.
#ifndef CORVANE_TESTS_REFERENCE_PLAIN_BIT_READER_H
#define CORVANE_TESTS_REFERENCE_PLAIN_BIT_READER_H

#include <stdint.h>

#include "payload/block_reader.h"

struct BitReader {
  BlockReader* source;
  uint8_t bitCount;  // bits already taken from bitByte, 0 to 7
  uint8_t bitByte;   // the current byte, its next bit lowest
};

inline int ReadBit(BitReader* b) {
  if (b->bitCount == 0) b->bitByte = ReadByte(b->source);
  int bit = b->bitByte & 1;
  b->bitByte >>= 1;
  b->bitCount = (uint8_t)((b->bitCount + 1) & 7);
  return bit;
}

// Reads an n-bit field, first bit least significant.
inline uint32_t ReadBits(BitReader* b, int n) {
  uint32_t v = 0;
  for (int j = 0; j < n; j++) v |= (uint32_t)ReadBit(b) << j;
  return v;
}

// Drops what is left of the current byte: the next bit starts a new one.
inline void ResetBits(BitReader* b) { b->bitCount = 0; }

#endif
