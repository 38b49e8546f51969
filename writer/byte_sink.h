// Where the writer's output goes: memory for tests and BuildPayload, a
// file for WriteArchive.
#ifndef CORVANE_WRITER_BYTE_SINK_H
#define CORVANE_WRITER_BYTE_SINK_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False once a write has failed; later writes are dropped.
  virtual bool Write(const uint8_t* bytes, size_t n) = 0;
  // Bytes accepted so far.
  virtual uint64_t written() const = 0;
};

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<uint8_t>* out) : out_(out) {}
  bool Write(const uint8_t* bytes, size_t n) override {
    out_->insert(out_->end(), bytes, bytes + n);
    return true;
  }
  uint64_t written() const override { return out_->size(); }

 private:
  std::vector<uint8_t>* out_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(FILE* f) : f_(f) {}
  bool Write(const uint8_t* bytes, size_t n) override {
    if (failed_) return false;
    if (n > 0 && fwrite(bytes, 1, n, f_) != n) failed_ = true;
    written_ += n;
    return !failed_;
  }
  uint64_t written() const override { return written_; }
  bool failed() const { return failed_; }

 private:
  FILE* f_;
  uint64_t written_ = 0;
  bool failed_ = false;
};

#endif
