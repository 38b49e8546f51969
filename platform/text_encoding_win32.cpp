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

// Shift-JIS to UTF-16; false where a code has no character.
bool SjisToWide(const char* in, int n, std::vector<wchar_t>* wide) {
  wide->clear();
  if (n == 0) return true;
  if (IsLead((unsigned char)in[n - 1])) {  // a lead byte at the end, whatever the trail count
    int i = 0;
    while (i < n) i += IsLead((unsigned char)in[i]) ? 2 : 1;
    if (i > n) return false;
  }
  int count = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, in, n, 0, 0);
  if (count <= 0) return false;
  wide->resize((size_t)count);
  MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, in, n, wide->data(), count);
  // A system that puts "・" for an unknown code rather than failing: "・"
  // is only right where the bytes held its own code.
  int at = 0;
  for (wchar_t c : *wide) {
    int length = IsLead((unsigned char)in[at]) ? 2 : 1;
    if (c == kDefaultChar && !(length == 2 && (unsigned char)in[at] == 0x81 &&
                               (unsigned char)in[at + 1] == 0x45))
      return false;
    at += length;
  }
  return at == n;
}

bool WideToSjis(const std::vector<wchar_t>& wide, std::string* sjis) {
  sjis->clear();
  if (wide.empty()) return true;
  BOOL usedDefault = FALSE;
  int n = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), 0, 0,
                              0, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  sjis->resize((size_t)n);
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), &(*sjis)[0],
                      n, 0, &usedDefault);
  if (usedDefault) return false;
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

static bool Convert(bool toUtf8, const std::string& in, std::string* out) {
  out->resize(in.size() * 3 + 4);
  int n = ConvertText(toUtf8, in.data(), in.size(), &(*out)[0], out->size());
  out->resize(n < 0 ? 0 : (size_t)n);
  return n >= 0;
}

bool Utf8ToSjis(const std::string& utf8, std::string* sjis) { return Convert(false, utf8, sjis); }
bool SjisToUtf8(const std::string& sjis, std::string* utf8) { return Convert(true, sjis, utf8); }
