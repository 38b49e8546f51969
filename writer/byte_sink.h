// Where the writer's output goes: memory for tests and BuildPayload, a
// file for WriteArchive. A sink may be given a most it takes: a write
// that would pass it fails, as one that the disk refuses does, so that
// the writer stops as soon as the output cannot be whole.
#ifndef CORVANE_WRITER_BYTE_SINK_H
#define CORVANE_WRITER_BYTE_SINK_H

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // False once a write has failed; that write and all later ones are
  // dropped.
  bool Write(const uint8_t* bytes, size_t n) {
    if (failed_) return false;
    if (n > limit_ - written_) {
      Fail(limitError_);
      return false;
    }
    std::string why;
    if (!Put(bytes, n, &why)) {
      Fail(why);
      return false;
    }
    written_ += n;
    return true;
  }

  // Bytes accepted so far.
  uint64_t written() const { return written_; }

  bool failed() const { return failed_; }
  // Why the first failed write failed (English), empty while none has.
  const std::string& failure() const { return failure_; }

  // Fails every write that would take the sink past `most` bytes in all,
  // with `why` as the failure.
  void SetLimit(uint64_t most, const std::string& why) {
    limit_ = most;
    limitError_ = why;
  }

 protected:
  // Passes the bytes on; false and *why when they cannot be.
  virtual bool Put(const uint8_t* bytes, size_t n, std::string* why) = 0;

 private:
  void Fail(const std::string& why) {
    failed_ = true;
    failure_ = why;
  }

  uint64_t written_ = 0;
  uint64_t limit_ = UINT64_MAX;
  std::string limitError_;
  bool failed_ = false;
  std::string failure_;
};

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<uint8_t>* out) : out_(out) {}

 protected:
  bool Put(const uint8_t* bytes, size_t n, std::string*) override {
    out_->insert(out_->end(), bytes, bytes + n);
    return true;
  }

 private:
  std::vector<uint8_t>* out_;
};

class FileSink : public ByteSink {
 public:
  // `shownName` names the file in the failure; empty: "the archive".
  explicit FileSink(FILE* f, const std::string& shownName = std::string())
      : f_(f), shownName_(shownName) {}

 protected:
  bool Put(const uint8_t* bytes, size_t n, std::string* why) override {
    if (n == 0 || fwrite(bytes, 1, n, f_) == n) return true;
    *why = "cannot write " + (shownName_.empty() ? "the archive" : "'" + shownName_ + "'") +
           ": " + strerror(errno);
    return false;
  }

 private:
  FILE* f_;
  std::string shownName_;
};

#endif
