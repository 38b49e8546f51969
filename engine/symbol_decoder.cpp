#include "engine/symbol_decoder.h"

#include "engine/decode_table.h"
#include "engine/engine_host.h"

// The trees before token 0 are the same in every body (all counts equal,
// identity order): their table is filled once per run.
void PrepareStartingTable(ExtractionWork* w) {
  ResetCodeTree(&w->literalTree);
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->startingTable);
}

bool DecodeFileBody(Extraction* x, int32_t length) {
  ExtractionWork* w = x->work;
  CodeTree* lit = &w->literalTree;
  CodeTree* dist = &w->distanceTree;
  const DecodeTable* litTable = &w->startingTable;
  const DecodeTable* distTable = &w->startingTable;
  OutputWindow* out = &w->window;
  BitBuffer* bits = &x->bits;
  const BlockReader* reader = x->reader;
  ResetCodeTree(lit);
  ResetCodeTree(dist);

  int32_t n = 0;
  int32_t tokens = 0;
  while (n < length && !x->cancelRequested) {
    if (IsRebuildPoint(tokens)) {
      if (tokens > 0) {
        BuildCodeTree(lit);
        BuildCodeTree(dist);
        FillDecodeTable(lit, &w->literalTable);
        FillDecodeTable(dist, &w->distanceTable);
        litTable = &w->literalTable;
        distTable = &w->distanceTable;
      }
      HostPumpMessages(x);
    }
    // Enough for a token of short codes: 10 + 12 + 10 + 4 bits.
    if (bits->avail < 36) RefillFromBlock(bits);
    int s = DecodeSymbol(lit, litTable, bits);
    CountSymbol(lit, s);
    if (s < kFirstLengthSymbol) {
      PutByte(out, (uint8_t)s);
      n++;
    } else {
      int32_t len = s - (kFirstLengthSymbol - kMinMatch);
      if (s == kLongLengthSymbol)
        len = kLongMatchBase + (int32_t)TakeBits(bits, kLongLengthBits);
      int d = DecodeSymbol(dist, distTable, bits);
      CountSymbol(dist, d);
      int32_t distance = d * 16 + 1 + (int32_t)TakeBits(bits, kDistanceBits);
      if (reader->status != kReadOk) return true;
      if (distance > HistoryAvailable(out)) {
        x->detail = "a match reaches before the start of the file";
        return false;
      }
      // A last match that would carry the file past its recorded size is
      // cut there: the body ends with it anyway.
      if (len > length - n) len = length - n;
      CopyMatch(out, distance, len);
      n += len;
    }
    tokens++;
    if (reader->status != kReadOk || out->writeFailed) return true;
  }
  return true;
}
