#include "engine/symbol_decoder.h"

#include <string.h>

#include "engine/decode_table.h"
#include "engine/engine_host.h"

// The trees before token 0 are the same in every body (all counts equal,
// identity order): their table is filled once per run.
void PrepareStartingTable(ExtractionWork* w) {
  ResetCodeTree(&w->literalTree);
  BuildCodeTree(&w->literalTree);
  FillDecodeTable(&w->literalTree, &w->startingTable);
}

void RebuildDistanceTree(ExtractionWork* w) {
  CodeTree* t = &w->distanceTree;
  if (w->distanceFresh) {
    ResetCodeTree(t);
    w->distanceFresh = false;
  }
  for (int32_t k = 0; k < w->distanceLogged; k++) CountSymbol(t, w->distanceLog[k]);
  w->distanceLogged = 0;
  BuildCodeTree(t);
}

void RebuildTrees(ExtractionWork* w) {
  BuildCodeTree(&w->literalTree);
  RebuildDistanceTree(w);
  FillDecodeTable(&w->literalTree, &w->literalTable);
  FillDecodeTable(&w->distanceTree, &w->distanceTable);
}

namespace {

// The loop's hot state in locals: the bit buffer and the output position
// would otherwise be reloaded after every byte stored into the window, as
// a byte store may alias anything. They go back to their structures
// around every call that uses them there.
struct HotState {
  BitBuffer* buffer;
  OutputWindow* out;
  uint64_t bits;
  int avail;
  int32_t at;  // window index of the next byte

  void Save() {
    buffer->bits = bits;
    buffer->avail = avail;
    out->position = out->base + at;
  }
  void Load() {
    bits = buffer->bits;
    avail = buffer->avail;
    at = out->position - out->base;
  }
};

// Tops the buffer up to at least 57 bits from the loaded block when it
// has 8 bytes left; otherwise the buffer's own refill, which stops at the
// block's end.
inline void Refill(HotState* h) {
  if (RefillEightFromBlock(h->buffer->source, &h->bits, &h->avail)) return;
  h->Save();
  RefillFromBlock(h->buffer);
  h->Load();
}

// One more byte when the buffer ran short inside a code: the rare path,
// across a block's end. False once the stream has failed.
inline bool MoreBitsRare(HotState* h) {
  h->Save();
  MoreBits(h->buffer);
  h->Load();
  return h->buffer->source->status == kReadOk;
}

// Inlined into the loop, which keeps the hot state in registers; the stub,
// built for size, leaves that to the compiler.
#if defined(__OPTIMIZE_SIZE__)
#define CORVANE_HOT_INLINE inline
#else
#define CORVANE_HOT_INLINE __attribute__((always_inline)) inline
#endif

CORVANE_HOT_INLINE bool Decode(HotState* h, const CodeTree* tree, const DecodeTable* table,
                               int* symbol) {
  for (;;) {
    int length;
    int r = LookUpCode(table, h->bits, h->avail, &length);
    if (r >= 0) {
      h->bits >>= length;
      h->avail -= length;
      *symbol = r;
      return true;
    }
    if (r != kNeedMoreBits) {
      h->bits >>= length;
      h->avail -= length;
      h->Save();
      *symbol = WalkLongCode(tree, -1 - r, h->buffer);
      h->Load();
      return h->buffer->source->status == kReadOk;
    }
    if (!MoreBitsRare(h)) return false;
  }
}

inline bool Field(HotState* h, int n, uint32_t* value) {
  while (h->avail < n)
    if (!MoreBitsRare(h)) return false;
  *value = (uint32_t)(h->bits & ((1u << n) - 1));
  h->bits >>= n;
  h->avail -= n;
  return true;
}

}  // namespace

bool DecodeFileBody(Extraction* x, int32_t length) {
  ExtractionWork* w = x->work;
  CodeTree* lit = &w->literalTree;
  const CodeTree* dist = &w->distanceTree;
  const DecodeTable* litTable = &w->startingTable;
  const DecodeTable* distTable = &w->startingTable;
  OutputWindow* out = &w->window;
  uint8_t* window = out->window;
  ResetCodeTree(lit);
  w->distanceFresh = true;
  w->distanceLogged = 0;
  uint16_t* distanceLog = w->distanceLog;
  int32_t logged = 0;

  HotState h;
  h.buffer = &x->bits;
  h.out = out;
  h.Load();
  int32_t n = 0;
  int32_t tokens = 0;
  int32_t rebuildAt = 0;
  while (n < length && !x->cancelRequested) {
    if (tokens == rebuildAt) {
      rebuildAt = NextRebuildPoint(tokens);
      if (tokens > 0) {
        w->distanceLogged = logged;
        logged = 0;
        if (x->rebuildTrees)
          x->rebuildTrees(x);
        else
          RebuildTrees(w);
        litTable = &w->literalTable;
        distTable = &w->distanceTable;
      }
      h.Save();
      HostPumpMessages(x);
      h.Load();
    }
    // Enough for a token of codes the tables decode: 12 + 12 + 12 + 4 bits.
    if (h.avail < 40) Refill(&h);
    int s;
    if (!Decode(&h, lit, litTable, &s)) break;
    CountSymbol(lit, s);
    if (s < kFirstLengthSymbol) {
      if (h.at >= kWindowBytes) {
        h.Save();
        FlushWindow(out);
        h.Load();
        if (out->writeFailed) break;
      }
      window[h.at++] = (uint8_t)s;
      n++;
    } else {
      int32_t len = s - (kFirstLengthSymbol - kMinMatch);
      uint32_t extra = 0;
      if (s == kLongLengthSymbol) {
        if (!Field(&h, kLongLengthBits, &extra)) break;
        len = kLongMatchBase + (int32_t)extra;
      }
      int d;
      if (!Decode(&h, dist, distTable, &d)) break;
      distanceLog[logged++] = (uint16_t)d;
      if (!Field(&h, kDistanceBits, &extra)) break;
      int32_t distance = d * 16 + 1 + (int32_t)extra;
      if (distance > h.at) {
        h.Save();
        x->detail = "a match reaches before the start of the file";
        return false;
      }
      // A last match that would carry the file past its recorded size is
      // cut there: the body ends with it anyway.
      if (len > length - n) len = length - n;
      n += len;
      if (h.at + len + 32 <= kWindowBytes) {
        // No flush on the way, and room for the copy to run up to 31 bytes
        // past the match: bytes not output yet, overwritten later.
        uint8_t* dst = window + h.at;
        const uint8_t* src = dst - distance;
        h.at += len;
        if (distance >= 32) {
          // Most matches are short: one or two pieces, no loop.
          memcpy(dst, src, 32);
          for (int32_t k = 32; k < len; k += 32) memcpy(dst + k, src + k, 32);
        } else if (distance >= 8) {
          // Each piece reads bytes at least 8 behind: all final already.
          for (int32_t k = 0; k < len; k += 8) memcpy(dst + k, src + k, 8);
        } else if (distance == 1) {
          memset(dst, *src, (size_t)len);
        } else {
          for (int32_t k = 0; k < len; k++) dst[k] = src[k];
        }
      } else {
        h.Save();
        CopyMatch(out, distance, len);
        h.Load();
        if (out->writeFailed) break;
      }
    }
    tokens++;
  }
  h.Save();
  return true;
}
