// Hash-chain match finding over one file's coordinate space.
#include "writer/match_finder.h"

#include <algorithm>

MatchFinder::MatchFinder()
    : head_((size_t)1 << kHashBits, 0), previous_(kMaxDistance, -1),
      tripleHead_((size_t)1 << kTripleBits, 0), pairHead_((size_t)1 << kPairBits, 0) {}

void MatchFinder::Begin(int32_t size, int maxChain, int niceLength) {
  // The next epoch starts past every entry of the previous file; when the
  // counter would run out, clear once and start over.
  uint32_t next = epoch_ + (uint32_t)size_ + 1;
  if (next > 0xF0000000u - (uint32_t)size) {
    std::fill(head_.begin(), head_.end(), 0);
    std::fill(tripleHead_.begin(), tripleHead_.end(), 0);
    std::fill(pairHead_.begin(), pairHead_.end(), 0);
    next = 0;
  }
  epoch_ = next;
  origin_ = 0;
  size_ = size;
  maxChain_ = maxChain;
  niceLength_ = niceLength;
}

int MatchFinder::FindMatches(int32_t pos, Match* out) {
  int32_t limit = std::min<int32_t>(kMaxMatch, size_ - pos);
  if (limit < kMinMatch) return 0;
  int found = 0;
  int32_t best = kMinMatch - 1;
  int32_t oldest = std::max<int32_t>(0, pos - kMaxDistance);

  // The nearest pair gives the cheapest length-2 match, if there is one.
  int32_t pair = Decode(pairHead_[PairSlot(Pair(pos))]);
  if (pair >= oldest) {
    // Pairs share table entries; one of another pair matches nothing.
    int32_t len = CommonLength(pair, pos, limit);
    if (len >= kMinMatch) {
      out[found++] = {len, pos - pair};
      best = len;
      if (len >= niceLength_ || len == limit) return found;
    }
  }
  if (limit < 3) return found;

  // Then the newest position with the same 3-byte hash, for a match of 3
  // (or more, when the sequence goes on).
  uint32_t v = Load32(pos);
  int32_t triple = Decode(tripleHead_[Hash3(v)]);
  if (triple >= oldest && triple != pair) {
    int32_t len = CommonLength(triple, pos, limit);
    if (len > best) {
      best = len;
      out[found++] = {len, pos - triple};
      if (len >= niceLength_ || len == limit) return found;
    }
  }
  if (limit < 4) return found;

  int32_t candidate = Decode(head_[Hash4(v)]);
  const int32_t* previous = previous_.data();
  for (int chain = maxChain_; chain > 0 && candidate >= oldest; chain--) {
    // The four bytes up to the one that would make the match longer
    // decide most candidates before a full comparison; a candidate that
    // beats `best` matches all of them. (best < limit here, so the load
    // stays inside the buffer.)
    int32_t at = std::max<int32_t>(best - 3, 0);
    if (Load32(candidate + at) == Load32(pos + at)) {
      int32_t len = CommonLength(candidate, pos, limit);
      if (len > best) {
        best = len;
        if (found == kMaxMatchList) found--;
        out[found++] = {len, pos - candidate};
        if (len >= niceLength_ || len == limit) break;
      }
    }
    candidate = previous[candidate & kReachMask];
  }
  return found;
}
