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
#ifndef CORVANE_WRITER_BODY_ENCODER_H
#define CORVANE_WRITER_BODY_ENCODER_H

#include <stdint.h>

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

class BodyEncoder {
 public:
  // Codes coordinates start to size - 1 of data as one body; coordinates
  // 0 to start - 1 are the preset history, only matched against. data
  // must have kFinderPadding readable bytes past size. Appends the body's
  // bytes to *out (nothing at all when start == size) and returns its
  // length in bits.
  uint64_t Encode(const uint8_t* data, int32_t start, int32_t size,
                  const ParseSettings& settings, std::vector<uint8_t>* out);

 private:
  // The parses; each codes [pos, size) and leaves the finder in step.
  void ParseGreedyOrLazy(int32_t pos, bool lazy);
  void ParseOptimal(int32_t pos);

  // The most profitable match at pos (length 0 when none pays); searches
  // and then enters pos into the finder. *gain receives the bits saved.
  Match BestMatchAt(int32_t pos, int32_t* gain);
  int32_t LiteralCost(int32_t pos, int32_t length) const;

  const uint8_t* data_ = nullptr;
  int32_t size_ = 0;
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
