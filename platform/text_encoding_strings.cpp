// The strict conversions of whole strings, over each host's ConvertText.
#include "platform/text_encoding.h"

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
