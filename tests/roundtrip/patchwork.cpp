// Test data for coding in segments.
#include "tests/roundtrip/patchwork.h"

#include <algorithm>
#include <random>

#include "payload/format.h"
#include "tests/roundtrip/roundtrip_support.h"

Bytes Patchwork(uint32_t seed, size_t n) {
  std::mt19937 rng(seed);
  const Bytes text = TextLike(seed, 1 << 16);
  Bytes out;
  out.reserve(n + 2 * kMaxMatch);
  while (out.size() < n) {
    switch (rng() % 4) {
      case 0: {  // text
        size_t length = 200 + rng() % 6000;
        size_t from = rng() % (text.size() - length);
        out.insert(out.end(), text.begin() + (long)from, text.begin() + (long)(from + length));
        break;
      }
      case 1: {  // random bytes
        size_t length = 100 + rng() % 3000;
        for (size_t i = 0; i < length; i++) out.push_back((uint8_t)(rng() >> 24));
        break;
      }
      case 2: {  // a run, often longer than one match
        size_t length = 50 + rng() % (3 * kMaxMatch);
        out.insert(out.end(), length, (uint8_t)rng());
        break;
      }
      default: {  // a copy from up to the farthest distance back
        if (out.empty()) break;
        size_t distance = 1 + rng() % std::min<size_t>(kMaxDistance, out.size());
        size_t length = 2 + rng() % (kMaxMatch + 1000);
        for (size_t i = 0; i < length; i++) out.push_back(out[out.size() - distance]);
        break;
      }
    }
  }
  out.resize(n);
  return out;
}

Bytes Concat(const Bytes& a, const Bytes& b) {
  Bytes out;
  out.reserve(a.size() + b.size());
  out.insert(out.end(), a.begin(), a.end());
  out.insert(out.end(), b.begin(), b.end());
  return out;
}
