// A self-extracting archive: the stub, then the payload.
#include "writer/archive_writer.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "payload/payload_layout.h"
#include "writer/byte_sink.h"
#include "writer/payload_writer.h"

// The stub reads the expected size as a signed 32-bit number.
static const uint64_t kMaxArchiveSize = INT32_MAX;

static void PutSize(uint8_t* at, uint32_t size) {
  for (int i = 0; i < kExpectedSizeBytes; i++) at[i] = (uint8_t)(size >> (8 * i));
}

static bool TooLarge(uint64_t total, std::string* error) {
  if (total <= kMaxArchiveSize) return false;
  *error = "the archive would be 2 GiB or larger";
  return true;
}

bool BuildPayload(const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, std::vector<uint8_t>* payload,
                  WriterStats* stats, std::string* error) {
  payload->clear();
  VectorSink sink(payload);
  if (!WritePayload(entries, options, &sink, stats, error)) return false;
  uint64_t total = (uint64_t)kStubSize + payload->size();
  if (TooLarge(total, error)) return false;
  PutSize(payload->data(), (uint32_t)total);
  return true;
}

bool WriteArchive(const std::vector<uint8_t>& stub,
                  const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, const std::string& outPath,
                  WriterStats* stats, std::string* error) {
  if (stub.size() != (size_t)kStubSize) {
    *error = "the stub must be exactly " + std::to_string(kStubSize) +
             " bytes, not " + std::to_string(stub.size());
    return false;
  }
  // Written beside the target and renamed over it when complete, so a
  // failed run leaves no truncated archive and keeps an older one.
  std::string temp = outPath + ".partial";
  FILE* f = fopen(temp.c_str(), "wb");
  if (!f) {
    *error = "cannot create '" + temp + "': " + strerror(errno);
    return false;
  }
  FileSink sink(f);
  sink.Write(stub.data(), stub.size());
  WriterStats local;
  bool ok = WritePayload(entries, options, &sink, &local, error);
  uint64_t total = sink.written();
  if (ok && TooLarge(total, error)) ok = false;
  if (ok) {
    uint8_t size[kExpectedSizeBytes];
    PutSize(size, (uint32_t)total);
    if (sink.failed() || fseek(f, kStubSize, SEEK_SET) != 0 ||
        fwrite(size, 1, sizeof size, f) != sizeof size || fflush(f) != 0) {
      *error = "cannot write '" + temp + "': " + strerror(errno);
      ok = false;
    }
  }
  if (fclose(f) != 0 && ok) {
    *error = "cannot write '" + temp + "': " + strerror(errno);
    ok = false;
  }
  if (ok && rename(temp.c_str(), outPath.c_str()) != 0) {
    *error = "cannot replace '" + outPath + "': " + strerror(errno);
    ok = false;
  }
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  if (stats) *stats = local;
  return true;
}
