// Turns the bytes of one file (after its shared start) into a coded body:
// a parse into literals and matches, priced with the exact code lengths of
// the trees in force, then written by the token coder.
//
// Three parses (level_settings.h says which level uses which):
//  - greedy: the most profitable match at each position, short chains;
//  - lazy: also looks one position ahead and emits a literal when the
//    match found there saves more;
//  - optimal: a shortest-path search over blocks of positions with every
//    match length the finder reports, priced by the current code lengths.
// In all three a match is taken only when it costs fewer bits than the
// literals it replaces, which rules out far, short matches.
//
// The bytes come in through a window of fixed size that slides along the
// body a segment at a time, so that a body of any length is coded in
// bounded memory: a match reaches at most 8192 bytes back and 4352 ahead,
// so history, segment and look-ahead hold all that any step reads, and
// the body is the same whatever the segment size.
#ifndef CORVANE_WRITER_BODY_ENCODER_H
#define CORVANE_WRITER_BODY_ENCODER_H

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

#include "writer/match_finder.h"
#include "writer/token_coder.h"

enum ParseMode { kParseGreedy, kParseLazy, kParseOptimal };

struct ParseSettings {
  ParseMode mode;
  int maxChain;     // candidates looked at per position
  int niceLength;   // a match this long is taken without looking further
  // Lazy parse: a match this long is taken without looking one position
  // ahead; the look rarely pays for long matches and costs a search.
  int lazyBelow;
};

// The bytes of a body, handed out in order as the coder needs them.
class BodySource {
 public:
  virtual ~BodySource() = default;
  // Copies the next n bytes to `into`; false when they cannot be had.
  virtual bool Read(uint8_t* into, size_t n) = 0;
};

// Bytes in memory as a source; reading past their end fails.
class MemorySource : public BodySource {
 public:
  MemorySource(const uint8_t* bytes, size_t n) : at_(bytes), left_(n) {}
  bool Read(uint8_t* into, size_t n) override;

 private:
  const uint8_t* at_;
  size_t left_;
};

class BodyEncoder {
 public:
  // Input bytes taken into the window at a time, at least: a slide also
  // refills what the look-ahead had not used up.
  static const int32_t kDefaultSegment = 1 << 20;

  explicit BodyEncoder(int32_t segmentBytes = kDefaultSegment);

  // Codes one body. Its coordinates are the preset history (presetLength
  // bytes, only matched against) followed by bodyLength bytes read from
  // `source` as the coding goes. Appends the body's bytes to *out
  // (nothing at all when bodyLength is 0) and sets *bits to its length in
  // bits. Between segments it calls segmentDone, when given, which may
  // take the bytes made so far out of *out. False, with the body
  // unfinished, when the source fails or segmentDone returns false.
  bool Encode(const uint8_t* preset, int32_t presetLength, BodySource* source,
              int32_t bodyLength, const ParseSettings& settings,
              std::vector<uint8_t>* out, uint64_t* bits,
              const std::function<bool()>& segmentDone = nullptr);

 private:
  // The first position whose step reads past what the window holds; the
  // parses slide the window there (and check no more often than that).
  int32_t SlideAt() const {
    return filled_ >= size_ ? INT32_MAX : filled_ - kLookAhead + 1;
  }
  // Moves the window on so that it holds what coding from pos on reads:
  // the history behind pos and the look-ahead in front. False once the
  // coding has to stop.
  bool Slide(int32_t pos);
  uint8_t ByteAt(int32_t pos) const { return window_[pos - base_]; }

  // What a step at pos may read past pos: a block of the optimal parse,
  // a match from its end, the next position of the lazy parse and the
  // finder's 4-byte loads.
  static const int32_t kLookAhead;

  // The parses; each codes [pos, size) and leaves the finder in step.
  void ParseGreedyOrLazy(int32_t pos, bool lazy);
  void ParseOptimal(int32_t pos);

  // The most profitable match at pos (length 0 when none pays); searches
  // and then enters pos into the finder. *gain receives the bits saved.
  Match BestMatchAt(int32_t pos, int32_t* gain);
  int32_t LiteralCost(int32_t pos, int32_t length) const;

  int32_t segment_;
  // The window: coordinates base_ to filled_ - 1 at window_[0] on, then
  // the finder's padding. size_ is the number of coordinates in all.
  std::vector<uint8_t> buffer_;
  uint8_t* window_ = nullptr;
  int32_t base_ = 0;
  int32_t filled_ = 0;
  int32_t size_ = 0;
  BodySource* source_ = nullptr;
  const std::function<bool()>* segmentDone_ = nullptr;
  bool stopped_ = false;
  ParseSettings settings_;
  MatchFinder finder_;
  TokenCoder coder_;

  // Scratch of the optimal parse, kept between files.
  std::vector<Match> blockMatches_;
  std::vector<int32_t> matchStart_;
  std::vector<uint32_t> pathCost_;
  std::vector<Match> pathStep_;
  std::vector<Match> tokens_;
};

#endif
