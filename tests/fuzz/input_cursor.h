// Takes a fuzz input apart from the front, byte by byte; past the end
// every byte reads as 0, so a short input is still a whole description.
#ifndef CORVANE_TESTS_FUZZ_INPUT_CURSOR_H
#define CORVANE_TESTS_FUZZ_INPUT_CURSOR_H

#include <stddef.h>
#include <stdint.h>

class InputCursor {
 public:
  InputCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  size_t left() const { return empty() ? 0 : size_ - at_; }
  const uint8_t* here() const { return data_ + at_; }

  uint8_t Byte() { return empty() ? 0 : data_[at_++]; }

  // n bytes, little-endian, n at most 8.
  uint64_t Number(int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; i++) v |= (uint64_t)Byte() << (8 * i);
    return v;
  }

  // Moves past up to n bytes; returns how many there were.
  size_t Skip(size_t n) {
    if (n > left()) n = left();
    at_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

#endif
