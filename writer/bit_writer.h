// Bits of a coded body, least significant bit of each byte first: the
// order in which the extractor's bit reader hands them out. A body starts
// on a fresh byte and ends with the byte that holds its last bit, the
// unused high bits zero.
#ifndef CORVANE_WRITER_BIT_WRITER_H
#define CORVANE_WRITER_BIT_WRITER_H

#include <stdint.h>

#include <vector>

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}

  // Appends `count` (0 to 32) bits of `bits`, bit 0 first. Whole 32-bit
  // words go out at once; fewer than 32 bits wait in `pending_`.
  void Put(uint32_t bits, int count) {
    pending_ |= (uint64_t)(bits & Mask(count)) << pendingCount_;
    pendingCount_ += count;
    bitsWritten_ += (uint64_t)count;
    if (pendingCount_ >= 32) {
      uint8_t word[4] = {(uint8_t)pending_, (uint8_t)(pending_ >> 8),
                         (uint8_t)(pending_ >> 16), (uint8_t)(pending_ >> 24)};
      out_->insert(out_->end(), word, word + 4);
      pending_ >>= 32;
      pendingCount_ -= 32;
    }
  }

  // Appends up to 64 bits in two pieces.
  void Put64(uint64_t bits, int count) {
    if (count > 32) {
      Put((uint32_t)bits, 32);
      Put((uint32_t)(bits >> 32), count - 32);
    } else {
      Put((uint32_t)bits, count);
    }
  }

  // Ends the body: the last partial byte goes out with zero high bits.
  void Finish() {
    while (pendingCount_ > 0) {
      out_->push_back((uint8_t)pending_);
      pending_ >>= 8;
      pendingCount_ -= 8;
    }
    pending_ = 0;
    pendingCount_ = 0;
  }

  uint64_t bitsWritten() const { return bitsWritten_; }

 private:
  static uint32_t Mask(int count) {
    return count >= 32 ? 0xFFFFFFFFu : ((1u << count) - 1u);
  }

  std::vector<uint8_t>* out_;
  uint64_t pending_ = 0;
  int pendingCount_ = 0;
  uint64_t bitsWritten_ = 0;
};

#endif
