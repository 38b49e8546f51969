// The plain body decoder: a call per bit, a tree walk per symbol.
#include "tests/reference/plain_decoder.h"

#include "engine/symbol_decoder.h"
#include "tests/reference/plain_tree.h"

bool PlainDecodeFileBody(Extraction* x, int32_t length) {
  ExtractionWork* w = x->work;
  CodeTree* lit = &w->literalTree;
  CodeTree* dist = &w->distanceTree;
  OutputWindow* out = &w->window;
  BitReader bits = {x->reader, 0, 0};
  ResetCodeTree(lit);
  ResetCodeTree(dist);

  int32_t n = 0;
  int32_t tokens = 0;
  while (n < length && !x->cancelRequested) {
    if (IsRebuildPoint(tokens)) {
      PlainBuildCodeTree(lit);
      PlainBuildCodeTree(dist);
      x->host->pumpMessages(x->host->context, x);
    }
    int s = PlainDecodeSymbol(lit, &bits);
    CountSymbol(lit, s);
    if (s < kFirstLengthSymbol) {
      PutByte(out, (uint8_t)s);
      n++;
    } else {
      int32_t len = s - (kFirstLengthSymbol - kMinMatch);
      if (s == kLongLengthSymbol)
        len = kLongMatchBase + (int32_t)ReadBits(&bits, kLongLengthBits);
      int d = PlainDecodeSymbol(dist, &bits);
      CountSymbol(dist, d);
      int32_t distance = d * 16 + 1 + (int32_t)ReadBits(&bits, kDistanceBits);
      if (x->reader->status != kReadOk) return true;
      if (distance > HistoryAvailable(out)) {
        x->detail = "a match reaches before the start of the file";
        return false;
      }
      if (len > length - n) len = length - n;
      for (int32_t k = 0; k < len; k++) PutByte(out, ByteBehind(out, distance));
      n += len;
    }
    tokens++;
    if (x->reader->status != kReadOk || out->writeFailed) return true;
  }
  return true;
}
