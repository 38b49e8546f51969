// Shift-JIS <-> UTF-8 through iconv.
#include "platform/text_encoding.h"

#include <errno.h>
#include <iconv.h>

int ConvertText(bool toUtf8, const char* in, size_t n, char* out, size_t cap) {
  // One converter per direction and thread, opened once: iconv_open is
  // dear, and a converter keeps state between calls.
  static thread_local iconv_t converters[2] = {(iconv_t)-1, (iconv_t)-1};
  iconv_t& cd = converters[toUtf8];
  if (cd == (iconv_t)-1) {
    cd = toUtf8 ? iconv_open("UTF-8", "CP932") : iconv_open("CP932", "UTF-8");
    if (cd == (iconv_t)-1) return -1;
  }
  iconv(cd, 0, 0, 0, 0);
  char* src = const_cast<char*>(in);
  char* dst = out;
  size_t left = cap;
  if (iconv(cd, &src, &n, &dst, &left) == (size_t)-1 ||
      iconv(cd, 0, 0, &dst, &left) == (size_t)-1)
    return errno == E2BIG ? -2 : -1;
  return (int)(dst - out);
}

static bool Convert(bool toUtf8, const std::string& in, std::string* out) {
  // A Shift-JIS character takes at most 3 bytes of UTF-8, and a UTF-8 one
  // at most 2 of Shift-JIS.
  out->resize(in.size() * 3 + 4);
  int n = ConvertText(toUtf8, in.data(), in.size(), &(*out)[0], out->size());
  out->resize(n < 0 ? 0 : (size_t)n);
  return n >= 0;
}

bool Utf8ToSjis(const std::string& utf8, std::string* sjis) { return Convert(false, utf8, sjis); }
bool SjisToUtf8(const std::string& sjis, std::string* utf8) { return Convert(true, sjis, utf8); }
