// A self-extracting archive: the stub, then the payload.
#include "writer/archive_writer.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "payload/format.h"
#include "payload/payload_layout.h"
#include "platform/host_files.h"
#include "platform/interrupt.h"
#include "writer/byte_sink.h"
#include "writer/payload_writer.h"

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
  sink.SetLimit(kMaxArchiveSize - kStubSize, "the archive would be 2 GiB or larger");
  if (!WritePayload(entries, options, &sink, stats, error)) return false;
  uint64_t total = (uint64_t)kStubSize + payload->size();
  if (TooLarge(total, error)) return false;
  PutSize(payload->data(), (uint32_t)total);
  return true;
}

// "DIR/.NAME.XXXXXX.partial" for outPath "DIR/NAME": hidden, and in the
// same folder, so that the final rename is one step.
static std::string TemporaryBeside(const std::string& outPath) {
  size_t slash = outPath.find_last_of(kHostSeparators);
  std::string folder = slash == std::string::npos ? "" : outPath.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? outPath : outPath.substr(slash + 1);
  return folder + "." + name + ".XXXXXX";
}

bool WriteArchive(const std::vector<uint8_t>& stub,
                  const std::vector<ArchiveEntry>& entries,
                  const ArchiveOptions& options, const std::string& outPath,
                  WriterStats* stats, std::string* error, int cancelCode,
                  const WriteEvents* events) {
  if (stub.size() != (size_t)kStubSize) {
    *error = "the stub must be exactly " + std::to_string(kStubSize) +
             " bytes, not " + std::to_string(stub.size());
    return false;
  }
  // Written beside the target under a name of its own and renamed over it
  // when complete, so a failed or interrupted run leaves no truncated
  // archive, keeps an older one, and never touches another file.
  std::string temp = TemporaryBeside(outPath);
  int fd = CreateRemovedOnInterrupt(&temp[0], cancelCode);
  FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (!f) {
    *error = "cannot create a file beside '" + outPath + "': " + strerror(errno);
    if (fd >= 0) {
      HostClose(fd);
      HostRemove(temp);
      ForgetOnInterrupt();
    }
    return false;
  }
  // The temporary is private; an archive is made to be handed on.
  HostShareNewFile(fd);
  FileSink sink(f, outPath);
  // Stops the writing the moment the archive passes what it can record.
  sink.SetLimit(kMaxArchiveSize, "the archive would be 2 GiB or larger");
  sink.Write(stub.data(), stub.size());
  WriterStats local;
  bool ok = WritePayload(entries, options, &sink, &local, error, PayloadTuning(), events);
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
  if (ok && !HostReplace(temp, outPath)) {
    *error = "cannot replace '" + outPath + "': " + strerror(errno);
    ok = false;
  }
  if (!ok) HostRemove(temp);
  ForgetOnInterrupt();
  if (!ok) return false;
  if (stats) *stats = local;
  return true;
}
