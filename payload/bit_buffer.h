// Bits of the coded bodies, least significant bit of each byte first, held
// up to 64 at a time so that a code or a field is one mask and one shift.
//
// The buffer takes bytes only from the block already loaded: the next
// block is loaded, and so tested, only when a bit of it is really needed,
// exactly as a reader taking one byte per eight bits would. At the end of
// a body the whole bytes still held go back to the block reader, and the
// bits left of the last byte taken are dropped.
#ifndef CORVANE_PAYLOAD_BIT_BUFFER_H
#define CORVANE_PAYLOAD_BIT_BUFFER_H

#include <stdint.h>
#include <string.h>

#include "payload/block_reader.h"

struct BitBuffer {
  uint64_t bits;  // next bit lowest; bits above `avail` are 0
  int avail;      // 0 to 64
  BlockReader* source;
};

inline void BeginBodyBits(BitBuffer* b, BlockReader* source) {
  b->bits = 0;
  b->avail = 0;
  b->source = source;
}

// Tops `bits`, holding at most 63, up to 56 or more with whole bytes of
// the 8 at p, the first lowest; returns how many it took. On values
// rather than a BitBuffer, so that a decoding loop may keep its bits in
// registers.
inline int TopUpFrom(const uint8_t* p, uint64_t* bits, int* avail) {
  uint64_t w = (uint64_t)p[0] | (uint64_t)p[1] << 8 | (uint64_t)p[2] << 16 |
               (uint64_t)p[3] << 24 | (uint64_t)p[4] << 32 |
               (uint64_t)p[5] << 40 | (uint64_t)p[6] << 48 |
               (uint64_t)p[7] << 56;
  int take = (63 - *avail) >> 3;
  *bits |= w << *avail;
  *avail |= 56;  // the same as adding 8 * take, from 63 bits or fewer
  *bits &= ~(uint64_t)0 >> (64 - *avail);
  return take;
}

#if !defined(CORVANE_COMPACT)
// TopUpFrom without clearing the bits above *avail: they stay as the load
// put them, the stream's next bits, which a later top-up from the bytes
// that follow ORs in again unchanged. Bits past the block's end never get
// there (the 8 bytes are data bytes of one block), but a caller must clear
// them before anything else appends to `bits`. (Not a call from
// TopUpFrom: that form changes what the stub's compiler inlines, and costs
// it 120 bytes.)
inline int TopUpLoose(const uint8_t* p, uint64_t* bits, int* avail) {
  uint64_t w;
  memcpy(&w, p, sizeof w);  // little-endian hosts only, as the tables are
  int take = (63 - *avail) >> 3;
  *bits |= w << *avail;
  *avail |= 56;
  return take;
}
#endif

// The common refill: when the loaded block has 8 bytes left, one load
// tops `bits` up. False, with nothing taken, when it has fewer.
inline bool RefillEightFromBlock(BlockReader* r, uint64_t* bits, int* avail) {
  if (BlockBytesLeft(r) < 8) return false;
  TakeBlockBytes(r, TopUpFrom(BlockCursor(r), bits, avail));
  return true;
}

// Tops the buffer up from the loaded block, never past it.
inline void RefillFromBlock(BitBuffer* b) {
  if (b->avail > 56) return;
  BlockReader* r = b->source;
  if (RefillEightFromBlock(r, &b->bits, &b->avail)) return;
  int32_t left = BlockBytesLeft(r);
  while (left > 0 && b->avail <= 56) {
    b->bits |= (uint64_t)*BlockCursor(r) << b->avail;
    b->avail += 8;
    TakeBlockBytes(r, 1);
    left--;
  }
}

// Adds at least one byte: from the loaded block if it has one, else from
// the next block. A failed read adds zero bits; the reader's status tells.
void MoreBits(BitBuffer* b);

inline void DropBits(BitBuffer* b, int n) {
  b->bits >>= n;
  b->avail -= n;
}

// An n-bit field (n at most 32), the first bit of weight 1.
inline uint32_t TakeBits(BitBuffer* b, int n) {
  while (b->avail < n) MoreBits(b);
  uint32_t v = (uint32_t)(b->bits & ((1u << n) - 1));
  DropBits(b, n);
  return v;
}

// Gives the whole bytes still held back to the block reader.
void EndBodyBits(BitBuffer* b);

#endif
