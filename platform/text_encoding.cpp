// Shift-JIS (Windows code page 932) <-> UTF-8 through tables taken once
// from ICU's converter for that code page.
//
// What Windows' code page 932 maps, and how these tables follow it:
//  - Every double-byte code: ICU's "windows-932" table, Microsoft's own,
//    the NEC row 13, the NEC-selected and IBM extensions and the
//    user-defined area 0xF040-0xF9FC (U+E000-U+E757) included.
//  - The single bytes: Windows keeps 0x00-0x7F as ASCII and maps 0x80 to
//    U+0080, 0xA0 to U+F8F0 and 0xFD, 0xFE, 0xFF to U+F8F1-U+F8F3. ICU's
//    table carries IBM's choices there (0x1A, 0x1C and 0x7F exchanged;
//    0x80, 0xA0, 0xFD-0xFF unmapped), so those positions are set here.
//  - A character with several codes (the NEC and IBM duplicates) goes
//    back to the one WideCharToMultiByte gives: JIS X 0208 before NEC
//    row 13, NEC row 13 before the IBM extensions, the IBM extensions
//    before the NEC-selected ones (U+2252 -> 0x81E0, U+2160 -> 0x8754,
//    U+2170 -> 0xFA40). ICU's table makes the same choices.
//  - Only round trips: a character without a code of its own (best-fit
//    substitutes such as U+00A5 for 0x5C, which would turn a yen sign in
//    a name into a separator, or ICU's fallbacks from private-use
//    characters) has no form, and a byte sequence outside the table (a
//    lead byte with a trail byte it does not take, a lead byte at the
//    end) is refused rather than turned into the "・" that Windows puts
//    in its place, so that two names never become one.
#include "platform/text_encoding.h"

#include <stdint.h>
#include <string.h>

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

namespace {

const uint16_t kUnmapped = 0xFFFF;  // a noncharacter, and no Shift-JIS code
const int kLeadBytes = 60;          // 0x81-0x9F and 0xE0-0xFC

bool IsLead(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
int LeadIndex(uint8_t b) { return b <= 0x9F ? b - 0x81 : b - 0xE0 + 31; }

// The way to Unicode; the way back is built apart, on first use, as
// most runs only read names.
struct Cp932Tables {
  bool ready;
  uint16_t single[256];                 // byte -> UTF-16 unit
  uint16_t doubles[kLeadBytes][256];    // lead, trail -> UTF-16 unit
};

struct Cp932Back {
  bool ready;
  uint16_t encode[65536];               // UTF-16 unit -> code (<= 0xFF: one byte)
};

UConverter* OpenStrict() {
  UErrorCode e = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open("windows-932", &e);
  if (U_FAILURE(e)) return 0;
  ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, 0, 0, 0, &e);
  ucnv_setFromUCallBack(cnv, UCNV_FROM_U_CALLBACK_STOP, 0, 0, 0, &e);
  ucnv_setFallback(cnv, false);
  return cnv;
}

// One code through ICU: the single UTF-16 unit it decodes to, or kUnmapped.
uint16_t IcuDecode(UConverter* cnv, const char* bytes, int n) {
  UErrorCode e = U_ZERO_ERROR;
  UChar out[4];
  ucnv_resetToUnicode(cnv);
  int32_t len = ucnv_toUChars(cnv, out, 4, bytes, n, &e);
  if (U_FAILURE(e) || len != 1 || U16_IS_SURROGATE(out[0]) || out[0] == kUnmapped)
    return kUnmapped;
  return out[0];
}

uint16_t Decode(const Cp932Tables* t, uint16_t code) {
  if (code <= 0xFF) return IsLead((uint8_t)code) ? kUnmapped : t->single[code];
  uint8_t lead = (uint8_t)(code >> 8);
  return IsLead(lead) ? t->doubles[LeadIndex(lead)][code & 0xFF] : kUnmapped;
}

void Build(Cp932Tables* t) {
  memset(t, 0xFF, sizeof *t);
  t->ready = false;
  UConverter* cnv = OpenStrict();
  if (!cnv) return;
  for (int b = 0; b < 256; b++) {
    char bytes[2] = {(char)b, 0};
    if (!IsLead((uint8_t)b)) {
      t->single[b] = IcuDecode(cnv, bytes, 1);
      continue;
    }
    for (int trail = 0; trail < 256; trail++) {
      bytes[1] = (char)trail;
      t->doubles[LeadIndex((uint8_t)b)][trail] = IcuDecode(cnv, bytes, 2);
    }
  }
  // Windows' own single bytes, where ICU has IBM's.
  for (int b = 0; b < 0x80; b++) t->single[b] = (uint16_t)b;
  t->single[0x80] = 0x0080;
  t->single[0xA0] = 0xF8F0;
  for (int b = 0xFD; b <= 0xFF; b++) t->single[b] = (uint16_t)(0xF8F1 + b - 0xFD);
  ucnv_close(cnv);
  t->ready = true;
}

// Back: ICU's choice among duplicates, kept only where it comes back.
void BuildBack(const Cp932Tables* t, Cp932Back* back) {
  memset(back, 0xFF, sizeof *back);
  back->ready = false;
  UConverter* cnv = t->ready ? OpenStrict() : 0;
  if (!cnv) return;
  for (int u = 0; u < 65536; u++) {
    if (U16_IS_SURROGATE(u)) continue;
    UChar in[1] = {(UChar)u};
    char out[4];
    UErrorCode e = U_ZERO_ERROR;
    ucnv_resetFromUnicode(cnv);
    int32_t n = ucnv_fromUChars(cnv, out, 4, in, 1, &e);
    if (U_FAILURE(e) || n < 1 || n > 2) continue;
    uint16_t code = n == 1 ? (uint8_t)out[0] : (uint16_t)((uint8_t)out[0] << 8 | (uint8_t)out[1]);
    if (Decode(t, code) == u) back->encode[u] = code;
  }
  for (int b = 0; b < 256; b++)
    if (t->single[b] != kUnmapped) back->encode[t->single[b]] = (uint16_t)b;
  ucnv_close(cnv);
  back->ready = true;
}

// Each built on first use; a function-local static is made once,
// whatever the threads.
const Cp932Tables* Tables() {
  static Cp932Tables* tables = [] {
    static Cp932Tables t;
    Build(&t);
    return &t;
  }();
  return tables;
}

const Cp932Back* Back() {
  static Cp932Back* back = [] {
    static Cp932Back b;
    BuildBack(Tables(), &b);
    return &b;
  }();
  return back;
}

int SjisToUtf8Bytes(const Cp932Tables* t, const uint8_t* in, size_t n, char* out, size_t cap) {
  size_t used = 0;
  for (size_t i = 0; i < n;) {
    uint16_t u;
    if (IsLead(in[i])) {
      if (i + 1 >= n) return -1;
      u = t->doubles[LeadIndex(in[i])][in[i + 1]];
      i += 2;
    } else {
      u = t->single[in[i]];
      i++;
    }
    if (u == kUnmapped) return -1;
    if (used + (size_t)U8_LENGTH(u) > cap) return -2;
    uint8_t* o = (uint8_t*)out;
    UBool bad = false;
    U8_APPEND(o, used, cap, u, bad);
    if (bad) return -2;
  }
  return (int)used;
}

int Utf8ToSjisBytes(const Cp932Back* t, const uint8_t* in, size_t n, char* out, size_t cap) {
  size_t used = 0;
  for (size_t i = 0; i < n;) {
    UChar32 c;
    U8_NEXT(in, i, n, c);
    if (c < 0 || c > 0xFFFF) return -1;
    uint16_t code = t->encode[c];
    if (code == kUnmapped) return -1;
    size_t len = code <= 0xFF ? 1 : 2;
    if (used + len > cap) return -2;
    if (len == 2) out[used++] = (char)(code >> 8);
    out[used++] = (char)code;
  }
  return (int)used;
}

}  // namespace

int ConvertText(bool toUtf8, const char* in, size_t n, char* out, size_t cap) {
  const uint8_t* bytes = (const uint8_t*)in;
  // Bytes below 0x80 are ASCII both ways (Windows' own table, see Build):
  // most texts need no table, and a run that meets no other builds none.
  size_t ascii = 0;
  while (ascii < n && bytes[ascii] < 0x80) ascii++;
  if (ascii == n) {
    if (n > cap) return -2;
    memcpy(out, in, n);
    return (int)n;
  }
  if (toUtf8) {
    const Cp932Tables* t = Tables();
    return t->ready ? SjisToUtf8Bytes(t, bytes, n, out, cap) : -1;
  }
  const Cp932Back* back = Back();
  return back->ready ? Utf8ToSjisBytes(back, bytes, n, out, cap) : -1;
}
