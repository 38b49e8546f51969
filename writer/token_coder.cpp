// The encoder's side of the two adaptive code trees.
#include "writer/token_coder.h"

void ReadCodes(const CodeTree& tree, SymbolCodes* codes) {
  // Inner nodes are made from nodes made before them, so going down the
  // pool from the root reaches every node after its parent: one pass, no
  // stack.
  uint64_t bits[kNodes];
  uint16_t depth[kNodes];
  bits[kRootNode] = 0;
  depth[kRootNode] = 0;
  codes->parent[kRootNode] = kNoChild;
  for (int n = kRootNode; n >= kSymbols; n--) {
    const CodeNode& node = tree.pool[n];
    uint16_t d = (uint16_t)(depth[n] + 1);
    uint64_t b = bits[n];
    bits[node.firstChild] = b;
    bits[node.secondChild] = depth[n] < 64 ? b | (1ull << depth[n]) : b;
    depth[node.firstChild] = d;
    depth[node.secondChild] = d;
    codes->parent[node.firstChild] = (int16_t)n;
    codes->parent[node.secondChild] = (int16_t)n;
  }
  codes->anyLong = false;
  for (int s = 0; s < kSymbols; s++) {
    codes->length[s] = depth[s];
    codes->bits[s] = bits[s];
    codes->anyLong |= depth[s] > kMaxShortCode;
  }
}

void PutSymbol(const CodeTree& tree, const SymbolCodes& codes, int symbol,
               BitWriter* out) {
  int length = codes.length[symbol];
  if (length <= kMaxShortCode) {
    out->Put64(codes.bits[symbol], length);
    return;
  }
  // A long code: collect the steps from the leaf up, then write them from
  // the root down.
  uint8_t steps[kSymbols];
  int n = 0;
  for (int node = symbol; codes.parent[node] != kNoChild;
       node = codes.parent[node])
    steps[n++] = tree.pool[codes.parent[node]].secondChild == node;
  while (n > 0) out->Put(steps[--n], 1);
}

// The trees before token 0 are the same for every body: all counts 1 and
// the identity leaf order, which a build over equal counts leaves as it
// is. Their codes are read once; a build costs as much as coding
// hundreds of tokens, and small files and trial encodes start often.
// Coder threads may ask at once: the static is made once, by whichever
// thread comes first, and the others wait for it.
static const SymbolCodes& StartingCodes() {
  static const SymbolCodes* codes = [] {
    static CodeTree tree;
    static SymbolCodes read;
    ResetCodeTree(&tree);
    BuildCodeTree(&tree);
    ReadCodes(tree, &read);
    return &read;
  }();
  return *codes;
}

void TokenCoder::Begin(BitWriter* out) {
  out_ = out;
  tokens_ = 0;
  ResetCodeTree(&literalTree_);
  ResetCodeTree(&distanceTree_);
  // Every starting code is 9 bits long, so the pools (read only for codes
  // longer than 64 bits) are not needed until the next rebuild fills them.
  literalCodes_ = StartingCodes();
  distanceCodes_ = StartingCodes();
  literalMoved_ = false;
  distanceMoved_ = false;
}

void TokenCoder::Rebuild() {
  if (literalMoved_) {
    BuildCodeTree(&literalTree_);
    ReadCodes(literalTree_, &literalCodes_);
    literalMoved_ = false;
  }
  if (distanceMoved_) {
    BuildCodeTree(&distanceTree_);
    ReadCodes(distanceTree_, &distanceCodes_);
    distanceMoved_ = false;
  }
}

void TokenCoder::EndToken() {
  tokens_++;
  if (IsRebuildPoint(tokens_)) Rebuild();
}

void TokenCoder::PutLiteral(uint8_t byte) {
  PutSymbol(literalTree_, literalCodes_, byte, out_);
  CountSymbol(&literalTree_, byte);
  literalMoved_ = true;
  EndToken();
}

void TokenCoder::PutMatch(int length, int distance) {
  int s = LengthSymbol(length);
  PutSymbol(literalTree_, literalCodes_, s, out_);
  CountSymbol(&literalTree_, s);
  if (s == kLongLengthSymbol)
    out_->Put((uint32_t)(length - kLongMatchBase), kLongLengthBits);
  int d = DistanceSymbol(distance);
  PutSymbol(distanceTree_, distanceCodes_, d, out_);
  CountSymbol(&distanceTree_, d);
  literalMoved_ = true;
  distanceMoved_ = true;
  out_->Put((uint32_t)((distance - 1) & ((1 << kDistanceBits) - 1)),
            kDistanceBits);
  EndToken();
}
