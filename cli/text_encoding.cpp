#include "cli/text_encoding.h"

#include <errno.h>
#include <iconv.h>

#include "platform/platform.h"

namespace {

// One converter per direction, opened on first use.
bool Convert(const char* to, const char* from, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) return false;
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
  iconv_close(cd);
  return ok;
}

}  // namespace

bool Utf8ToSjis(const std::string& utf8, std::string* sjis) {
  return Convert("CP932", "UTF-8", utf8, sjis);
}

bool SjisToUtf8(const std::string& sjis, std::string* utf8) {
  return Convert("UTF-8", "CP932", sjis, utf8);
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
