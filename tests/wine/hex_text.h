// Bytes as lower-case hex, two digits each: how the driver reports raw
// Shift-JIS texts and how the tests spell what they expect.
#ifndef CORVANE_TESTS_WINE_HEX_TEXT_H
#define CORVANE_TESTS_WINE_HEX_TEXT_H

#include <string>

inline std::string HexOf(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return hex;
}

#endif
