// The decoding loop of a coded body: tokens from the two trees' tables
// into the output window, with the rebuild points in between.
#include "engine/symbol_decoder.h"

#include <string.h>

#include "engine/decode_table.h"
#include "engine/rebuild_point.h"

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

// A token of codes the tables decode takes at most 12 + 12 + 12 + 4 bits.
const int kTokenBits = 40;
// Outside the stub, a token whose bits are all held decodes without
// testing the count of bits before each code and field.
#if defined(__OPTIMIZE_SIZE__)
const bool kHeldTokens = false;
#else
const bool kHeldTokens = true;
#endif

// *held: the buffer holds the rest of the token's bits; a long code, whose
// length is past the tables, clears it.
CORVANE_HOT_INLINE bool Decode(HotState* h, const CodeTree* tree, const DecodeTable* table,
                               int* symbol, bool* held) {
  if (*held) {
    uint16_t e = table->entry[h->bits & (kTableSize - 1)];
    if (!(e & kLongCode)) {
      int length = e >> kLengthShift;
      h->bits >>= length;
      h->avail -= length;
      *symbol = e & (kSymbols - 1);
      return true;
    }
    *held = false;
  }
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

inline bool Field(HotState* h, int n, uint32_t* value, bool held) {
  while (!held && h->avail < n)
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
  CodeTree* dist = &w->distanceTree;
  const DecodeTable* litTable = &w->startingTable;
  const DecodeTable* distTable = &w->startingTable;
  OutputWindow* out = &w->window;
  uint8_t* window = out->window;
  ResetCodeTree(lit);
  ResetCodeTree(dist);

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
        RebuildTrees(w);
        litTable = &w->literalTable;
        distTable = &w->distanceTable;
      }
      h.Save();
      x->host->pumpMessages(x->host->context, x);
      h.Load();
    }
    if (h.avail < kTokenBits) Refill(&h);
    bool held = kHeldTokens && h.avail >= kTokenBits;
    int s;
    if (!Decode(&h, lit, litTable, &s, &held)) break;
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
        if (!Field(&h, kLongLengthBits, &extra, held)) break;
        len = kLongMatchBase + (int32_t)extra;
      }
      int d;
      if (!Decode(&h, dist, distTable, &d, &held)) break;
      CountSymbol(dist, d);
      if (!Field(&h, kDistanceBits, &extra, held)) break;
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
      if (h.at + len + kCopySlack <= kWindowBytes) {
        // No flush on the way.
        CopyWithin(window + h.at, distance, len);
        h.at += len;
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
