// Terminal columns of UTF-8 text, character by character.
#include "cli/text_columns.h"

#include <vector>

size_t NextUtf8Char(const std::string& text, size_t at, uint32_t* codePoint) {
  const uint8_t* s = (const uint8_t*)text.data() + at;
  size_t left = text.size() - at;
  uint8_t c = s[0];
  *codePoint = 0xFFFD;
  if (c < 0x80) {
    *codePoint = c;
    return 1;
  }
  size_t n;
  uint32_t cp, least;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F, least = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F, least = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07, least = 0x10000;
  } else {
    return 1;
  }
  if (left < n) return 1;
  for (size_t i = 1; i < n; i++) {
    if ((s[i] & 0xC0) != 0x80) return 1;
    cp = cp << 6 | (s[i] & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are no characters.
  if (cp < least || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 1;
  *codePoint = cp;
  return n;
}

std::string PrintableText(const std::string& utf8) {
  std::string out;
  for (size_t at = 0; at < utf8.size();) {
    uint32_t cp;
    size_t n = NextUtf8Char(utf8, at, &cp);
    bool control = cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0);
    if (control)
      out += '?';
    else
      out.append(utf8, at, n);
    at += n;
  }
  return out;
}

int TextColumns::CharWidth(uint32_t codePoint) const { return columns_.Of(codePoint); }

int TextColumns::Width(const std::string& utf8) const {
  int width = 0;
  for (size_t at = 0; at < utf8.size();) {
    uint32_t cp;
    at += NextUtf8Char(utf8, at, &cp);
    width += CharWidth(cp);
  }
  return width;
}

std::string TextColumns::KeepEnd(const std::string& utf8, int columns) const {
  if (columns <= 0) return std::string();
  if (Width(utf8) <= columns) return utf8;
  static const char kEllipsis[] = "...";
  const int ellipsis = (int)sizeof kEllipsis - 1;
  if (columns <= ellipsis) return std::string(kEllipsis, (size_t)columns);
  // The start of every character, then as many from the end as fit.
  std::vector<size_t> starts;
  for (size_t at = 0; at < utf8.size();) {
    starts.push_back(at);
    uint32_t cp;
    at += NextUtf8Char(utf8, at, &cp);
  }
  int room = columns - ellipsis;
  size_t from = utf8.size();
  for (size_t i = starts.size(); i-- > 0;) {
    uint32_t cp;
    NextUtf8Char(utf8, starts[i], &cp);
    int w = CharWidth(cp);
    if (w > room) break;
    room -= w;
    from = starts[i];
  }
  // A combining mark whose base was cut off would sit on the dots.
  while (from < utf8.size()) {
    uint32_t cp;
    size_t n = NextUtf8Char(utf8, from, &cp);
    if (CharWidth(cp) != 0) break;
    from += n;
  }
  return kEllipsis + utf8.substr(from);
}
