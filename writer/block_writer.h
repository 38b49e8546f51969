// The block stream: the item stream cut into blocks of 4096 data bytes
// (the last one 1 to 4096), each followed by the CRC-16 of its plain data,
// high byte first. With a password, data byte j of the whole stream is
// stored XORed with password byte j mod n; the trailers stay plain, so
// the CRC also tells a wrong key.
#ifndef CORVANE_WRITER_BLOCK_WRITER_H
#define CORVANE_WRITER_BLOCK_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

#include "payload/block_reader.h"
#include "writer/byte_sink.h"

class BlockWriter {
 public:
  // An empty key writes the stream plain.
  BlockWriter(ByteSink* sink, const std::string& key);

  void Put(const uint8_t* bytes, size_t n);
  void Put(uint8_t byte) { Put(&byte, 1); }

  // Writes the last, partial block. The stream must not be empty: a
  // stream of no blocks cannot be told from a damaged one.
  void Finish();

  uint64_t dataBytes() const { return dataBytes_; }

 private:
  void WriteBlock();

  ByteSink* sink_;
  std::string key_;
  size_t keyPos_ = 0;
  uint8_t block_[kBlockSize];
  int used_ = 0;
  uint64_t dataBytes_ = 0;
};

#endif
