// A file's bytes into a coded body: parse and token coding.
#include "writer/body_encoder.h"

#include <string.h>

#include <algorithm>

#include "payload/format.h"

// Positions of one block of the optimal parse. Prices change only at tree
// rebuilds, every 256 tokens early in a file and every 1024 later, so a
// block of this size is priced with close to the codes it will meet.
static const int32_t kOptimalBlock = 4096;

// Beyond this length a match pays for itself whatever it costs: the
// literals it replaces take more than any code can.
static const int32_t kSurelyProfitable = 64;

// A block of the optimal parse and a match from its end, with room for
// the finder's loads behind that match.
const int32_t BodyEncoder::kLookAhead = kOptimalBlock + kMaxMatch + 8;

// The largest segment, so that the window's coordinates stay far from
// the limits of 32-bit arithmetic.
static const int32_t kMaxSegment = 1 << 28;

bool MemorySource::Read(uint8_t* into, size_t n) {
  if (n > left_) return false;
  if (n > 0) memcpy(into, at_, n);
  at_ += n;
  left_ -= n;
  return true;
}

BodyEncoder::BodyEncoder(int32_t segmentBytes)
    : segment_(std::min(std::max(segmentBytes, 1), kMaxSegment)) {}

bool BodyEncoder::Encode(const uint8_t* preset, int32_t presetLength, BodySource* source,
                         int32_t bodyLength, const ParseSettings& settings,
                         std::vector<uint8_t>* out, uint64_t* bits,
                         const std::function<bool()>& segmentDone) {
  *bits = 0;
  if (bodyLength <= 0) return true;
  size_ = presetLength + bodyLength;
  settings_ = settings;
  source_ = source;
  segmentDone_ = &segmentDone;
  stopped_ = false;
  // The first fill: the preset history, then as much of the body as the
  // window holds. The buffer only grows, so a small body needs no more
  // than its own size.
  int32_t first = (int32_t)std::min<int64_t>(
      size_, (int64_t)kMaxDistance + segment_ + kLookAhead);
  if (buffer_.size() < (size_t)first + kFinderPadding)
    buffer_.resize((size_t)first + kFinderPadding);
  window_ = buffer_.data();
  base_ = 0;
  if (presetLength > 0) memcpy(window_, preset, (size_t)presetLength);
  if (!source->Read(window_ + presetLength, (size_t)(first - presetLength))) return false;
  filled_ = first;
  // The padding's values never change a match, but are kept the same
  // from run to run all the same.
  if (filled_ == size_) memset(window_ + filled_, 0, kFinderPadding);
  finder_.Begin(size_, settings.maxChain, settings.niceLength);
  finder_.SetWindow(window_, base_);
  finder_.InsertRange(0, presetLength);
  BitWriter writer(out);
  coder_.Begin(&writer);
  if (settings.mode == kParseOptimal)
    ParseOptimal(presetLength);
  else
    ParseGreedyOrLazy(presetLength, settings.mode == kParseLazy);
  writer.Finish();
  *bits = writer.bitsWritten();
  return !stopped_;
}

bool BodyEncoder::Slide(int32_t pos) {
  if (stopped_) return false;
  // The bytes made so far may go out before the next segment comes in.
  if (*segmentDone_ && !(*segmentDone_)()) {
    stopped_ = true;
    return false;
  }
  // Nothing from pos on reads further back than the farthest match.
  int32_t keep = pos - kMaxDistance;
  if (keep > base_) {
    memmove(window_, window_ + (keep - base_), (size_t)(filled_ - keep));
    base_ = keep;
  }
  int32_t room = kMaxDistance + segment_ + kLookAhead - (filled_ - base_);
  int32_t n = std::min(room, size_ - filled_);
  if (!source_->Read(window_ + (filled_ - base_), (size_t)n)) {
    stopped_ = true;
    return false;
  }
  filled_ += n;
  if (filled_ == size_) memset(window_ + (filled_ - base_), 0, kFinderPadding);
  finder_.SetWindow(window_, base_);
  return true;
}

int32_t BodyEncoder::LiteralCost(int32_t pos, int32_t length) const {
  int32_t cost = 0;
  for (int32_t i = 0; i < length; i++) cost += coder_.LiteralPrice(ByteAt(pos + i));
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
      literals += coder_.LiteralPrice(ByteAt(pos + counted));
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
  int32_t slideAt = SlideAt();
  while (pos < size_) {
    if (pos >= slideAt) {
      if (!Slide(pos)) return;
      slideAt = SlideAt();
    }
    if (!haveCurrent) current = BestMatchAt(pos, &currentGain);
    haveCurrent = false;
    if (current.length == 0) {
      coder_.PutLiteral(ByteAt(pos));
      pos++;
      continue;
    }
    int32_t inserted = pos + 1;
    if (lazy && current.length < settings_.lazyBelow && pos + 1 < size_) {
      int32_t nextGain;
      Match next = BestMatchAt(pos + 1, &nextGain);
      inserted = pos + 2;
      if (nextGain > currentGain) {
        coder_.PutLiteral(ByteAt(pos));
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
    if (pos >= SlideAt() && !Slide(pos)) return;
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
      uint32_t viaLiteral = here + (uint32_t)coder_.LiteralPrice(ByteAt(pos + i));
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
        coder_.PutLiteral(ByteAt(at));
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
