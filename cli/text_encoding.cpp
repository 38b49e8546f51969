#include "cli/text_encoding.h"

#include <errno.h>
#include <iconv.h>

#include "platform/platform.h"

namespace {

// Converts with a converter opened once per direction and reset per call.
bool Convert(iconv_t cd, const std::string& in, std::string* out) {
  if (cd == (iconv_t)-1) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out->clear();
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buf[4096];
  bool ok = true;
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out->append(buf, (size_t)(dst - buf));
    if (r == (size_t)-1 && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  if (ok) {
    char* dst = buf;
    size_t room = sizeof buf;
    ok = iconv(cd, nullptr, nullptr, &dst, &room) != (size_t)-1;
    out->append(buf, (size_t)(dst - buf));
  }
  return ok;
}

}  // namespace

bool Utf8ToSjis(const std::string& utf8, std::string* sjis) {
  static iconv_t cd = iconv_open("CP932", "UTF-8");
  return Convert(cd, utf8, sjis);
}

bool SjisToUtf8(const std::string& sjis, std::string* utf8) {
  static iconv_t cd = iconv_open("UTF-8", "CP932");
  return Convert(cd, sjis, utf8);
}

std::string SjisForDisplay(const std::string& sjis) {
  std::string whole;
  if (SjisToUtf8(sjis, &whole)) return whole;
  // Character by character, so that one bad byte spoils only itself.
  std::string out;
  const char* p = sjis.c_str();
  while (*p) {
    const char* next = OsCharNext(p);
    std::string ch(p, next), conv;
    if (SjisToUtf8(ch, &conv)) {
      out += conv;
    } else {
      static const char kHex[] = "0123456789abcdef";
      for (unsigned char c : ch) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
    p = next;
  }
  return out;
}

std::string ArchivePathForDisplay(const std::string& dest, const std::string& archivePath) {
  std::string rel = archivePath;
  if (rel.compare(0, 2, ".\\") == 0) rel.erase(0, 2);
  std::string shown;
  const char* p = rel.c_str();
  while (*p) {
    const char* next = OsCharNext(p);
    if (*p == '\\')
      shown += '/';
    else
      shown.append(p, next);
    p = next;
  }
  shown = SjisForDisplay(shown);
  if (dest.empty() || dest == ".") return shown;
  return dest + (dest.back() == '/' ? "" : "/") + shown;
}
