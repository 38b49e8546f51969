// The block stream: blocks, CRC trailers, the password's scrambling.
#include "writer/block_writer.h"

#include <algorithm>

#include "payload/crc16.h"

BlockWriter::BlockWriter(ByteSink* sink, const std::string& key)
    : sink_(sink), key_(key) {}

void BlockWriter::Put(const uint8_t* bytes, size_t n) {
  while (n > 0) {
    size_t take = std::min(n, (size_t)(kBlockData - used_));
    std::copy(bytes, bytes + take, block_ + used_);
    used_ += (int)take;
    bytes += take;
    n -= take;
    dataBytes_ += take;
    if (used_ == kBlockData) WriteBlock();
  }
}

void BlockWriter::WriteBlock() {
  // The trailer covers the plain bytes; the key is applied afterwards.
  uint16_t crc = Crc16Update(0, block_, used_);
  if (!key_.empty()) {
    for (int i = 0; i < used_; i++) {
      block_[i] ^= (uint8_t)key_[keyPos_];
      if (++keyPos_ == key_.size()) keyPos_ = 0;
    }
  }
  block_[used_] = (uint8_t)(crc >> 8);
  block_[used_ + 1] = (uint8_t)crc;
  sink_->Write(block_, (size_t)used_ + 2);
  used_ = 0;
}

void BlockWriter::Finish() {
  if (used_ > 0) WriteBlock();
}
