// Hash-chain match finding over one file's coordinate space: the preset
// history (coordinates 0 to P - 1) followed by the bytes to code. Matches
// reach at most 8192 back and never before coordinate 0, and are at most
// 4352 long and never longer than what is left of the buffer.
//
// Chains link positions with equal 4-byte hashes, so that every candidate
// on a long chain is worth comparing; `previous` is indexed by position
// mod 8192, which is exactly the reach of a match, so an entry is
// overwritten only once it is out of reach. Shorter matches, which pay
// only when near, come from two tables of the newest position alone, for
// hashes of 2 and of 3 bytes. The tables are small (256 KB in all, for a
// reach of 8 KB) because every input byte writes to each of them.
//
// Insert and the search run once per input byte, so both live here,
// inline, and read the bytes they hash with one unaligned load: the
// buffer must have kFinderPadding readable bytes past its end.
//
// The bytes need not be in memory all at once: the finder reads them
// through a window that its user slides along (SetWindow). A search at
// position p reads coordinates p - 8192 to p + 4352 + 3 at most, and an
// insert at p reads p to p + 3, so a window that holds those (or the
// coordinates up to the end and the padding behind it) gives the same
// matches as the whole buffer would.
#ifndef CORVANE_WRITER_MATCH_FINDER_H
#define CORVANE_WRITER_MATCH_FINDER_H

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "payload/format.h"

struct Match {
  int32_t length;
  int32_t distance;
};

// Longest match list FindMatches returns: one entry per new best length.
const int kMaxMatchList = 64;

// Readable bytes the finder needs behind the last coordinate; their
// values never matter.
const int kFinderPadding = 8;

class MatchFinder {
 public:
  MatchFinder();

  // Starts a coordinate space of `size` coordinates. maxChain bounds the
  // candidates looked at per position; a match of niceLength or more ends
  // the search at once. The tables are kept from one file to the next and
  // invalidated by an epoch instead of cleared, because an archive may
  // hold many thousands of small files.
  void Begin(int32_t size, int maxChain, int niceLength);

  // Where the bytes are: coordinate c at window[c - base]. The window
  // must stay valid while in use and hold what the searches and inserts
  // that follow read (see above).
  void SetWindow(const uint8_t* window, int32_t base) {
    // Every read is origin_ + pos, one addition on the hot paths instead
    // of two; the sum is always an address inside the window.
    origin_ = (uintptr_t)window - (uintptr_t)(intptr_t)base;
  }

  // Enters a position into the tables. Positions must be inserted in
  // increasing order, each after any search made at it.
  void Insert(int32_t pos) { InsertRange(pos, pos + 1); }

  // Inserts positions from to to - 1; the loop keeps the tables and the
  // epoch in registers (stores through the tables could otherwise alias
  // the members).
  void InsertRange(int32_t from, int32_t to) {
    const uint32_t epoch = epoch_;
    uint32_t* head = head_.data();
    uint32_t* triples = tripleHead_.data();
    uint32_t* pairs = pairHead_.data();
    int32_t* previous = previous_.data();
    int32_t p = from;
    for (int32_t end = std::min(to, size_ - 3); p < end; p++) {
      uint32_t v = Load32(p);
      uint32_t entry = epoch + (uint32_t)p + 1;
      pairs[PairSlot(v)] = entry;
      triples[Hash3(v)] = entry;
      uint32_t h = Hash4(v);
      uint32_t older = head[h];
      previous[p & kReachMask] = older > epoch ? (int32_t)(older - epoch - 1) : -1;
      head[h] = entry;
    }
    // The last three positions start shorter sequences only.
    for (int32_t end = std::min(to, size_ - 2); p < end; p++) {
      uint32_t v = Load32(p);
      pairs[PairSlot(v)] = epoch + (uint32_t)p + 1;
      triples[Hash3(v)] = epoch + (uint32_t)p + 1;
    }
    for (; p < to && p + 1 < size_; p++) pairs[PairSlot(Pair(p))] = epoch + (uint32_t)p + 1;
  }

  // Matches at pos, lengths strictly increasing, each with the nearest
  // distance found for it. Returns how many (0 to kMaxMatchList).
  int FindMatches(int32_t pos, Match* out);

  // Common length of the bytes at a and b, up to limit.
  int32_t CommonLength(int32_t a, int32_t b, int32_t limit) const {
    const uint8_t* x8 = At(a);
    const uint8_t* y8 = At(b);
    int32_t n = 0;
    while (n + 8 <= limit) {
      uint64_t x, y;
      memcpy(&x, x8 + n, 8);
      memcpy(&y, y8 + n, 8);
      if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);
      n += 8;
    }
    while (n < limit && x8[n] == y8[n]) n++;
    return n;
  }

 private:
  static const int kHashBits = 15;
  static const int kTripleBits = 14;
  static const int kPairBits = 13;
  static const int32_t kReachMask = kMaxDistance - 1;

  const uint8_t* At(int32_t pos) const {
    return (const uint8_t*)(origin_ + (uintptr_t)(intptr_t)pos);
  }
  uint32_t Load32(int32_t pos) const {
    uint32_t v;
    memcpy(&v, At(pos), 4);
    return v;
  }
  static uint32_t PairSlot(uint32_t v) {
    return (((v & 0xFFFF) * 2654435761u) >> (32 - kPairBits));
  }
  uint32_t Pair(int32_t pos) const {
    return (uint32_t)At(pos)[0] | (uint32_t)At(pos)[1] << 8;
  }
  // Of the first three, or all four, bytes of a little-endian load.
  static uint32_t Hash3(uint32_t v) {
    return ((v << 8) * 2654435761u) >> (32 - kTripleBits);
  }
  static uint32_t Hash4(uint32_t v) { return (v * 2654435761u) >> (32 - kHashBits); }
  // Table entries hold epoch + position + 1; anything at or below the
  // epoch belongs to an earlier file and reads as "none" (-1).
  int32_t Decode(uint32_t entry) const {
    return entry > epoch_ ? (int32_t)(entry - epoch_ - 1) : -1;
  }
  uint32_t Encode(int32_t pos) const { return epoch_ + (uint32_t)pos + 1; }

  uintptr_t origin_ = 0;  // the address coordinate 0 would have
  int32_t size_ = 0;
  int maxChain_ = 0;
  int niceLength_ = 0;
  uint32_t epoch_ = 0;
  std::vector<uint32_t> head_;     // 4-byte hash -> newest position
  std::vector<int32_t> previous_;  // position mod 8192 -> older position
  std::vector<uint32_t> tripleHead_;  // 3-byte hash -> newest position
  std::vector<uint32_t> pairHead_;    // 2-byte hash -> newest position
};

#endif
