// Telling an archive of ours that was cut or extended from a file of some
// other kind, by its header.
#include "cli/archive_kind.h"

#include <vector>

#include "payload/crc16.h"
#include "payload/format.h"
#include "platform/host_files.h"

namespace {

// The smallest archive: the stub, the size field, two empty texts, the
// flags and one block of one data byte with its trailer.
const int64_t kSmallestArchive = (int64_t)kStubSize + 4 + 1 + 1 + 1 + 1 + 2;

// The file's bytes from `at`, as many of `n` as it holds.
class FileBytes {
 public:
  explicit FileBytes(const std::string& path)
      : fd_(HostOpenForReading(path)) {}
  ~FileBytes() {
    if (fd_ >= 0) HostClose(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  std::vector<uint8_t> Read(int64_t at, size_t n) const {
    std::vector<uint8_t> b(n);
    size_t got = 0;
    HostReadAt(fd_, at, b.data(), n, &got);
    b.resize(got);
    return b;
  }

 private:
  int fd_;
};

// A header text from `*at` to its zero: false when it holds a control byte
// that no description or command holds; *ended whether its zero is in the
// file. *at moves past the zero.
bool PlausibleText(const FileBytes& f, int64_t* at, bool* ended) {
  *ended = false;
  for (;;) {
    std::vector<uint8_t> chunk = f.Read(*at, 4096);
    if (chunk.empty()) return true;
    for (uint8_t c : chunk) {
      ++*at;
      if (c == 0) {
        *ended = true;
        return true;
      }
      if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
    }
  }
}

}  // namespace

bool PlausibleHeader(const std::string& path, int32_t expectedSize) {
  if (expectedSize < kSmallestArchive) return false;
  FileBytes f(path);
  if (!f.ok()) return true;  // nothing seen that speaks against it
  int64_t at = (int64_t)kStubSize + 4;
  bool ended;
  for (int text = 0; text < 2; text++) {
    if (!PlausibleText(f, &at, &ended)) return false;
    // A file that ends inside its texts may be ours, cut short; an archive
    // whose texts run past its own recorded end is not.
    if (!ended) return at < expectedSize;
    if (at >= expectedSize) return false;
  }
  std::vector<uint8_t> flags = f.Read(at, 1);
  if (flags.empty()) return true;
  at += flags[0] != 0 ? 3 : 1;  // the check word follows non-zero flags
  // The block stream holds at least one byte and its trailer.
  int64_t streamBytes = (int64_t)expectedSize - at;
  if (streamBytes < 3) return false;
  if (flags[0] != 0) return true;  // its blocks are checked after deciphering
  size_t firstBlock = streamBytes < kBlockSize ? (size_t)streamBytes : (size_t)kBlockSize;
  std::vector<uint8_t> block = f.Read(at, firstBlock);
  if (block.size() < firstBlock) return true;  // cut inside its first block
  return Crc16Update(0, block.data(), (int)block.size()) == 0;
}
