// A file's bytes into a coded body: parse and token coding.
#include "writer/body_encoder.h"

#include <algorithm>

#include "payload/format.h"


// Positions of one block of the optimal parse. Prices change only at tree
// rebuilds, every 256 tokens early in a file and every 1024 later, so a
// block of this size is priced with close to the codes it will meet.
static const int32_t kOptimalBlock = 4096;

// Beyond this length a match pays for itself whatever it costs: the
// literals it replaces take more than any code can.
static const int32_t kSurelyProfitable = 64;

uint64_t BodyEncoder::Encode(const uint8_t* data, int32_t start, int32_t size,
                             const ParseSettings& settings,
                             std::vector<uint8_t>* out) {
  if (start >= size) return 0;
  data_ = data;
  size_ = size;
  settings_ = settings;
  finder_.Begin(data, size, settings.maxChain, settings.niceLength);
  finder_.InsertRange(0, start);
  BitWriter bits(out);
  coder_.Begin(&bits);
  if (settings.mode == kParseOptimal)
    ParseOptimal(start);
  else
    ParseGreedyOrLazy(start, settings.mode == kParseLazy);
  bits.Finish();
  return bits.bitsWritten();
}

int32_t BodyEncoder::LiteralCost(int32_t pos, int32_t length) const {
  int32_t cost = 0;
  for (int32_t i = 0; i < length; i++) cost += coder_.LiteralPrice(data_[pos + i]);
  return cost;
}

Match BodyEncoder::BestMatchAt(int32_t pos, int32_t* gain) {
  Match list[kMaxMatchList];
  int n = finder_.FindMatches(pos, list);
  finder_.Insert(pos);
  Match best = {0, 0};
  *gain = 0;
  if (n == 0) return best;
  if (list[n - 1].length >= kSurelyProfitable) {
    best = list[n - 1];
    *gain = LiteralCost(pos, best.length) -
            coder_.MatchPrice(best.length, best.distance);
    return best;
  }
  // A shorter, nearer match can save more than a longer, farther one. The
  // lengths grow along the list, so the literals' cost grows with them.
  int32_t literals = 0;
  int32_t counted = 0;
  for (int i = 0; i < n; i++) {
    for (; counted < list[i].length; counted++)
      literals += coder_.LiteralPrice(data_[pos + counted]);
    int32_t g = literals - coder_.MatchPrice(list[i].length, list[i].distance);
    if (g > *gain) {
      *gain = g;
      best = list[i];
    }
  }
  return best;
}

void BodyEncoder::ParseGreedyOrLazy(int32_t pos, bool lazy) {
  Match current = {0, 0};
  int32_t currentGain = 0;
  bool haveCurrent = false;
  while (pos < size_) {
    if (!haveCurrent) current = BestMatchAt(pos, &currentGain);
    haveCurrent = false;
    if (current.length == 0) {
      coder_.PutLiteral(data_[pos]);
      pos++;
      continue;
    }
    int32_t inserted = pos + 1;
    if (lazy && current.length < settings_.lazyBelow && pos + 1 < size_) {
      int32_t nextGain;
      Match next = BestMatchAt(pos + 1, &nextGain);
      inserted = pos + 2;
      if (nextGain > currentGain) {
        coder_.PutLiteral(data_[pos]);
        pos++;
        current = next;
        currentGain = nextGain;
        haveCurrent = true;
        continue;
      }
    }
    coder_.PutMatch(current.length, current.distance);
    finder_.InsertRange(inserted, pos + current.length);
    pos += current.length;
  }
}

void BodyEncoder::ParseOptimal(int32_t pos) {
  while (pos < size_) {
    // Gather the matches of a block; a long match ends the block early
    // and is taken as it stands after the block's path.
    int32_t blockEnd = std::min<int32_t>(size_, pos + kOptimalBlock);
    Match forced = {0, 0};
    blockMatches_.clear();
    matchStart_.clear();
    Match list[kMaxMatchList];
    for (int32_t p = pos; p < blockEnd; p++) {
      matchStart_.push_back((int32_t)blockMatches_.size());
      int n = finder_.FindMatches(p, list);
      finder_.Insert(p);
      if (n > 0 && list[n - 1].length >= settings_.niceLength) {
        forced = list[n - 1];
        blockEnd = p;
        break;
      }
      blockMatches_.insert(blockMatches_.end(), list, list + n);
    }
    matchStart_.push_back((int32_t)blockMatches_.size());

    // Cheapest path from pos to blockEnd; matches are cut at blockEnd.
    int32_t span = blockEnd - pos;
    pathCost_.assign((size_t)span + 1, UINT32_MAX);
    pathStep_.resize((size_t)span + 1);
    pathCost_[0] = 0;
    for (int32_t i = 0; i < span; i++) {
      uint32_t here = pathCost_[i];
      uint32_t viaLiteral = here + (uint32_t)coder_.LiteralPrice(data_[pos + i]);
      if (viaLiteral < pathCost_[i + 1]) {
        pathCost_[i + 1] = viaLiteral;
        pathStep_[i + 1] = {1, 0};
      }
      int32_t length = kMinMatch;
      for (int32_t k = matchStart_[i]; k < matchStart_[i + 1]; k++) {
        const Match& m = blockMatches_[k];
        uint32_t distancePrice = (uint32_t)coder_.DistancePrice(m.distance);
        int32_t top = std::min<int32_t>(m.length, span - i);
        for (; length <= top; length++) {
          uint32_t c = here + distancePrice + (uint32_t)coder_.LengthPrice(length);
          if (c < pathCost_[i + length]) {
            pathCost_[i + length] = c;
            pathStep_[i + length] = {length, m.distance};
          }
        }
      }
    }

    // Walk the path back, then code it forward.
    tokens_.clear();
    for (int32_t i = span; i > 0; i -= pathStep_[i].length) tokens_.push_back(pathStep_[i]);
    int32_t at = pos;
    for (auto t = tokens_.rbegin(); t != tokens_.rend(); ++t) {
      if (t->distance == 0)
        coder_.PutLiteral(data_[at]);
      else
        coder_.PutMatch(t->length, t->distance);
      at += t->length;
    }
    pos = blockEnd;
    if (forced.length > 0) {
      coder_.PutMatch(forced.length, forced.distance);
      finder_.InsertRange(pos + 1, pos + forced.length);
      pos += forced.length;
    }
  }
}
