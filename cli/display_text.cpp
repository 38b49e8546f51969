// Shift-JIS texts and archive paths shown in UTF-8, bad bytes as \xNN.
#include "cli/display_text.h"

#include "platform/platform.h"
#include "platform/text_encoding.h"

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
