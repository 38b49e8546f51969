// The passwords the fuzz targets choose from by a small index: none, plain
// ASCII, and Shift-JIS whose second bytes are 0x5C (表 and ソ).
#ifndef CORVANE_TESTS_FUZZ_FUZZ_KEYS_H
#define CORVANE_TESTS_FUZZ_FUZZ_KEYS_H

#include <string>

const int kFuzzKeys = 4;

inline std::string FuzzKey(int index) {
  static const char* const kKeys[kFuzzKeys] = {"", "pw", "\x95\x5C\x83\x5C", "corvane"};
  return kKeys[index & (kFuzzKeys - 1)];
}

#endif
