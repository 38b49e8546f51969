// The encoder's side of the two adaptive code trees. It keeps the same
// counts as the extractor's decoder, rebuilds the trees with the core's own
// BuildCodeTree at the same token numbers, and after each rebuild turns the
// trees into a table of codes, so every symbol costs one table look-up.
// Because the trees in force are known exactly, so are the prices the
// parser uses: PriceOf... below are the true bit costs of the next token,
// valid until the next rebuild point.
#ifndef CORVANE_WRITER_TOKEN_CODER_H
#define CORVANE_WRITER_TOKEN_CODER_H

#include <stdint.h>

#include "engine/code_tree.h"
#include "payload/format.h"
#include "writer/bit_writer.h"

// Codes of one tree, read off it after a build. A code is the path from
// the root to the leaf, bit 0 for the first child; `bits` holds the first
// step in bit 0. Paths deeper than 64 steps cannot come from counts whose
// sums fit 32 bits, but wrapped counts can make them (up to 511 steps):
// those leaves are marked long and written by walking up from the leaf.
struct SymbolCodes {
  uint64_t bits[kSymbols];
  uint16_t length[kSymbols];
  int16_t parent[kNodes];  // kNoChild at the root
  bool anyLong;
};

const int kMaxShortCode = 64;

// Fills codes from the tree's pool as the last BuildCodeTree left it.
void ReadCodes(const CodeTree& tree, SymbolCodes* codes);

// Writes one symbol's code.
void PutSymbol(const CodeTree& tree, const SymbolCodes& codes, int symbol,
               BitWriter* out);

// The length symbol of a match length (2 to 4352) and the distance symbol
// of a distance (1 to 8192).
inline int LengthSymbol(int length) {
  return length < kLongMatchBase ? length + (kFirstLengthSymbol - kMinMatch)
                                 : kLongLengthSymbol;
}
inline int DistanceSymbol(int distance) { return (distance - 1) >> kDistanceBits; }

class TokenCoder {
 public:
  // Starts a body: every count 1, identity leaf orders, and the trees for
  // token 0 built at once so that prices are ready before the first token.
  void Begin(BitWriter* out);

  void PutLiteral(uint8_t byte);
  void PutMatch(int length, int distance);

  // Bit costs of the next token under the trees in force.
  int LiteralPrice(uint8_t byte) const { return literalCodes_.length[byte]; }
  int LengthPrice(int length) const {
    return literalCodes_.length[LengthSymbol(length)] +
           (length >= kLongMatchBase ? kLongLengthBits : 0);
  }
  int DistancePrice(int distance) const {
    return distanceCodes_.length[DistanceSymbol(distance)] + kDistanceBits;
  }
  int MatchPrice(int length, int distance) const {
    return LengthPrice(length) + DistancePrice(distance);
  }

  int32_t tokens() const { return tokens_; }

 private:
  // Counts move after every symbol, trees only at rebuild points: the
  // trees for token t are built right after token t - 1 went out.
  void EndToken();
  void Rebuild();

  BitWriter* out_ = nullptr;
  int32_t tokens_ = 0;
  // Whether a tree's counts moved since its last build. A build from the
  // same counts and the order the last build left gives the same tree
  // again, so an unmoved tree (often the distance tree over a stretch of
  // literals) keeps its pool and codes.
  bool literalMoved_ = false;
  bool distanceMoved_ = false;
  CodeTree literalTree_;
  CodeTree distanceTree_;
  SymbolCodes literalCodes_;
  SymbolCodes distanceCodes_;
};

#endif
