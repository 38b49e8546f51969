#include "writer/match_finder.h"

#include <string.h>

#include <algorithm>

#include "engine/symbol_decoder.h"

static const int32_t kReachMask = kMaxDistance - 1;
static const int kHashBits = 16;

MatchFinder::MatchFinder()
    : head_((size_t)1 << kHashBits, 0), previous_(kMaxDistance, -1),
      pairHead_(65536, 0) {}

void MatchFinder::Begin(const uint8_t* data, int32_t size, int maxChain,
                        int niceLength) {
  // The next epoch starts past every entry of the previous file; when the
  // counter would run out, clear once and start over.
  uint32_t next = epoch_ + (uint32_t)size_ + 1;
  if (next > 0xF0000000u - (uint32_t)size) {
    std::fill(head_.begin(), head_.end(), 0);
    std::fill(pairHead_.begin(), pairHead_.end(), 0);
    next = 0;
  }
  epoch_ = next;
  data_ = data;
  size_ = size;
  maxChain_ = maxChain;
  niceLength_ = niceLength;
}

uint32_t MatchFinder::Hash3(int32_t pos) const {
  uint32_t v = (uint32_t)data_[pos] | (uint32_t)data_[pos + 1] << 8 |
               (uint32_t)data_[pos + 2] << 16;
  return (v * 2654435761u) >> (32 - kHashBits);
}

void MatchFinder::Insert(int32_t pos) {
  if (pos + 1 >= size_) return;
  pairHead_[(uint32_t)data_[pos] | (uint32_t)data_[pos + 1] << 8] = Encode(pos);
  if (pos + 2 >= size_) return;
  uint32_t h = Hash3(pos);
  previous_[pos & kReachMask] = Decode(head_[h]);
  head_[h] = Encode(pos);
}

int32_t MatchFinder::CommonLength(int32_t a, int32_t b, int32_t limit) const {
  int32_t n = 0;
  while (n + 8 <= limit) {
    uint64_t x, y;
    memcpy(&x, data_ + a + n, 8);
    memcpy(&y, data_ + b + n, 8);
    if (x != y) return n + (__builtin_ctzll(x ^ y) >> 3);
    n += 8;
  }
  while (n < limit && data_[a + n] == data_[b + n]) n++;
  return n;
}

int MatchFinder::FindMatches(int32_t pos, Match* out) {
  int32_t limit = std::min<int32_t>(kMaxMatch, size_ - pos);
  if (limit < kMinMatch) return 0;
  int found = 0;
  int32_t best = kMinMatch - 1;
  int32_t oldest = std::max<int32_t>(0, pos - kMaxDistance);

  // The nearest pair gives the cheapest length-2 match, if there is one.
  int32_t pair =
      Decode(pairHead_[(uint32_t)data_[pos] | (uint32_t)data_[pos + 1] << 8]);
  if (pair >= oldest) {
    int32_t len = CommonLength(pair, pos, limit);
    out[found++] = {len, pos - pair};
    best = len;
    if (len >= niceLength_ || len == limit) return found;
  }
  if (limit < 3) return found;

  int32_t candidate = Decode(head_[Hash3(pos)]);
  for (int chain = maxChain_; chain > 0 && candidate >= oldest; chain--) {
    // The byte that would make the match longer decides most candidates.
    if (data_[candidate + best] == data_[pos + best]) {
      int32_t len = CommonLength(candidate, pos, limit);
      if (len > best) {
        best = len;
        if (found == kMaxMatchList) found--;
        out[found++] = {len, pos - candidate};
        if (len >= niceLength_ || len == limit) break;
      }
    }
    candidate = previous_[candidate & kReachMask];
  }
  return found;
}
