// Shift-JIS <-> UTF-8 on Windows: through UTF-16 with the system's own
// table for code page 932, named explicitly, whatever the system's ANSI
// code page. As on POSIX: a byte sequence outside the table is refused
// (not turned into "・"), and a character goes to Shift-JIS only when it
// comes back the same (no best-fit substitutes such as U+00A5 -> 0x5C).
#include <windows.h>

#include <string.h>

#include <vector>

#include "platform/text_encoding.h"

namespace {

const UINT kShiftJis = 932;
const wchar_t kDefaultChar = 0x30FB;  // "・", put for what has no form

bool IsLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Windows' table maps these single bytes to characters of their own; a
// system whose table lacks them (Wine's) is given them here, so that every
// host reads them alike: 0x80 -> U+0080, 0xA0 -> U+F8F0, 0xFD-0xFF ->
// U+F8F1-U+F8F3.
wchar_t OwnSingle(unsigned char b) {
  if (b == 0x80) return 0x0080;
  if (b == 0xA0) return 0xF8F0;
  if (b >= 0xFD) return (wchar_t)(0xF8F1 + b - 0xFD);
  return 0;
}

int OwnSingleByte(wchar_t c) {
  if (c == 0x0080) return 0x80;
  if (c == 0xF8F0) return 0xA0;
  if (c >= 0xF8F1 && c <= 0xF8F3) return 0xFD + (c - 0xF8F1);
  return -1;
}

// A run of Shift-JIS without those bytes, appended; false where a code has
// no character.
bool AppendRun(const char* in, int n, std::vector<wchar_t>* wide) {
  if (n == 0) return true;
  int count = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, in, n, 0, 0);
  if (count <= 0) return false;
  size_t from = wide->size();
  wide->resize(from + (size_t)count);
  MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, in, n, wide->data() + from, count);
  // A system that puts "・" for an unknown code rather than failing: "・"
  // is only right where the bytes held its own code.
  int at = 0;
  for (size_t i = from; i < wide->size(); i++) {
    int length = IsLead((unsigned char)in[at]) ? 2 : 1;
    if ((*wide)[i] == kDefaultChar && !(length == 2 && (unsigned char)in[at] == 0x81 &&
                                        (unsigned char)in[at + 1] == 0x45))
      return false;
    at += length;
  }
  return at == n;
}

// Shift-JIS to UTF-16; false where a code has no character, or a lead
// byte ends the text.
bool SjisToWide(const char* in, int n, std::vector<wchar_t>* wide) {
  wide->clear();
  int start = 0;
  for (int i = 0; i < n;) {
    unsigned char b = (unsigned char)in[i];
    if (IsLead(b)) {
      if (i + 1 >= n) return false;
      i += 2;
      continue;
    }
    wchar_t own = OwnSingle(b);
    if (own) {
      if (!AppendRun(in + start, i - start, wide)) return false;
      wide->push_back(own);
      start = i + 1;
    }
    i++;
  }
  return AppendRun(in + start, n - start, wide);
}

// A run of UTF-16 without those characters, appended in Shift-JIS.
bool AppendSjisRun(const wchar_t* in, int n, std::string* sjis) {
  if (n == 0) return true;
  BOOL usedDefault = FALSE;
  int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, in, n, 0, 0, 0, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  size_t from = sjis->size();
  sjis->resize(from + (size_t)length);
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, in, n, &(*sjis)[from], length, 0,
                      &usedDefault);
  return !usedDefault;
}

bool WideToSjis(const std::vector<wchar_t>& wide, std::string* sjis) {
  sjis->clear();
  int start = 0, n = (int)wide.size();
  for (int i = 0; i < n; i++) {
    int own = OwnSingleByte(wide[(size_t)i]);
    if (own < 0) continue;
    if (!AppendSjisRun(wide.data() + start, i - start, sjis)) return false;
    sjis->push_back((char)own);
    start = i + 1;
  }
  if (!AppendSjisRun(wide.data() + start, n - start, sjis)) return false;
  // The round trip: only a character that comes back is its own code.
  std::vector<wchar_t> back;
  return SjisToWide(sjis->data(), (int)sjis->size(), &back) && back == wide;
}

}  // namespace

int ConvertText(bool toUtf8, const char* in, size_t n, char* out, size_t cap) {
  std::vector<wchar_t> wide;
  std::string result;
  if (toUtf8) {
    if (!SjisToWide(in, (int)n, &wide)) return -1;
    if (!wide.empty()) {
      int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), 0, 0, 0, 0);
      if (length <= 0) return -1;
      result.resize((size_t)length);
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &result[0], length, 0, 0);
    }
  } else {
    if (n > 0) {
      int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in, (int)n, 0, 0);
      if (count <= 0) return -1;
      wide.resize((size_t)count);
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in, (int)n, wide.data(), count);
    }
    if (!WideToSjis(wide, &result)) return -1;
  }
  if (result.size() > cap) return -2;
  memcpy(out, result.data(), result.size());
  return (int)result.size();
}
