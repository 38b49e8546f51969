// The decoding loop of a coded body: tokens from the two trees' tables
// into the output window, with the rebuild points in between.
#include "engine/symbol_decoder.h"

#include <string.h>

#include "engine/decode_table.h"
#include "engine/rebuild_point.h"

namespace {

// The loop's hot state in locals: the bit buffer, the block's cursor and
// the output position would otherwise be reloaded after every byte stored
// into the window, as a byte store may alias anything. They go back to
// their structures around every call that uses them there.
struct HotState {
  BitBuffer* buffer;
  OutputWindow* out;
  uint64_t bits;
  int avail;
  const uint8_t* in;  // the block's next byte
  uintptr_t inFast;   // the last byte from which 8 may be loaded; 0: none
  int32_t at;         // window index of the next byte
  int32_t end;        // window index where the body ends
  int32_t endCoordinate;

  void Save() {
#if defined(CORVANE_COMPACT)
    buffer->bits = bits;
#else
    // The loop's bits above avail may hold the stream's next bits (see
    // Refill); the buffer holds none.
    buffer->bits = bits & (((uint64_t)1 << avail) - 1);
#endif
    buffer->avail = avail;
    // The loads in between leave a byte of the block at least: the
    // reader's end of payload is not reached here.
    BlockReader* r = buffer->source;
    r->streamPos += (int32_t)(in - BlockCursor(r));
    out->position = out->base + at;
  }
  void Load() {
    bits = buffer->bits;
    avail = buffer->avail;
    BlockReader* r = buffer->source;
    in = BlockCursor(r);
    int32_t left = BlockBytesLeft(r);
    inFast = left >= 8 ? (uintptr_t)(in + left - 8) : 0;
    at = out->position - out->base;
    end = endCoordinate - out->base;
  }
};

// Tops the buffer up: one load while the block has 8 bytes ahead,
// whatever the buffer holds; otherwise the buffer's own refill, which
// stops at the block's end. Outside the stub the bits above avail are left
// as the load put them: no code or field reads past avail, and a code
// that a table entry gives is one whose bits are all held.
inline void Refill(HotState* h) {
  if (__builtin_expect((uintptr_t)h->in <= h->inFast, 1)) {
#if defined(CORVANE_COMPACT)
    h->in += TopUpFrom(h->in, &h->bits, &h->avail);
#else
    h->in += TopUpLoose(h->in, &h->bits, &h->avail);
#endif
    return;
  }
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
#if defined(CORVANE_COMPACT)
#define CORVANE_HOT_INLINE inline
#else
#define CORVANE_HOT_INLINE __attribute__((always_inline)) inline
#endif

// A token of codes the tables decode takes at most 12 + 12 + 12 + 4 bits.
const int kTokenBits = 40;
// Outside the stub, a token whose bits are all held decodes without
// testing the count of bits before each code and field.
#if defined(CORVANE_COMPACT)
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
  if (x->cancelRequested) return true;

  HotState h;
  h.buffer = &x->bits;
  h.out = out;
  // The body ends `length` bytes on; the loop follows it as a window
  // index, which moves back with every flush.
  h.endCoordinate = out->position + length;
  h.Load();
  int32_t point = 0;       // the token number of the next rebuild point
  int32_t untilPoint = 0;  // tokens before it
  // Since the distance tree's last build (or the body's start). Stretches
  // without a match, as in data that does not compress, leave its tree
  // and table as they are: the table in use stays the one that was filled
  // from those counts, the starting one if there has been no build yet.
  bool distancesCounted = false;
  while (h.at < h.end) {
    if (untilPoint == 0) {
      int32_t next = NextRebuildPoint(point);
      untilPoint = next - point;
      if (point > 0) {
        RebuildTrees(w, distancesCounted);
        litTable = &w->literalTable;
        if (distancesCounted) distTable = &w->distanceTable;
        distancesCounted = false;
      }
      point = next;
      h.Save();
      x->host->pumpMessages(x->host->context, x);
      h.Load();
      // Only the host's handling of messages cancels a run.
      if (x->cancelRequested) break;
    }
    untilPoint--;
    // Every refill is followed by a code of at least one bit, so the
    // buffer holds at most 63 here.
    Refill(&h);
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
      distancesCounted = true;
      if (!Field(&h, kDistanceBits, &extra, held)) break;
      int32_t distance = d * 16 + 1 + (int32_t)extra;
      if (distance > h.at) {
        h.Save();
        x->detail = "a match reaches before the start of the file";
        return false;
      }
      // A last match that would carry the file past its recorded size is
      // cut there: the body ends with it anyway.
      if (len > h.end - h.at) len = h.end - h.at;
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
  }
  h.Save();
  return true;
}
