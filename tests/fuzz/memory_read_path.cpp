// The fuzz targets' read path: one archive through the reading face.
#include "tests/fuzz/memory_read_path.h"

#include "engine/disk_output.h"
#include "engine/no_output.h"
#include "platform/platform.h"

namespace {

// Passes everything on to the sink behind (its context), after a look at
// each file's path.
const OutputSink* Behind(void* context) { return (const OutputSink*)context; }

ExtractResult FrontFolder(void* context, Extraction* x) {
  return Behind(context)->folder(Behind(context)->context, x);
}

ExtractResult FrontBeginFile(void* context, Extraction* x) {
  x->pathFoundFree = OsProbeEntry(nullptr, x->fullPath) == kEntryNone;
  return Behind(context)->beginFile(Behind(context)->context, x);
}

bool FrontWrite(void* context, const uint8_t* bytes, int32_t n) {
  return Behind(context)->write(Behind(context)->context, bytes, n);
}

ExtractResult FrontEndFile(void* context, Extraction* x) {
  return Behind(context)->endFile(Behind(context)->context, x);
}

void FrontAbandon(void* context, Extraction* x) {
  Behind(context)->abandon(Behind(context)->context, x);
}

}  // namespace

ReadPathRun RunReadPath(const std::string& key, bool writeNothing, const EngineHost* host,
                        bool probeInFront) {
  ReadPathRun run;
  // Room for the header texts; what is longer is read and dropped.
  static std::string texts[2] = {std::string(65536, 0), std::string(4096, 0)};
  // Kept off the stack: the archive carries some 25 KB of the engine's
  // buffers.
  static Archive a;
  PayloadHeader& h = a.header;
  h.description = &texts[0][0];
  h.runCommand = &texts[1][0];
  h.descriptionCap = (int)texts[0].size() - 1;
  h.runCommandCap = (int)texts[1].size() - 1;
  run.header = OpenArchive(&a, "program.exe");
  if (run.header != kHeaderRead) {
    CloseArchive(&a);
    return run;
  }
  run.description = texts[0].substr(0, (size_t)h.descriptionLen);
  run.runCommand = texts[1].substr(0, (size_t)h.runCommandLen);
  if (h.protection.isProtected &&
      !AcceptPassword(&a, (const uint8_t*)key.data(), (int32_t)key.size())) {
    CloseArchive(&a);
    return run;
  }
  run.passwordAccepted = true;
  // The store is the destination itself, so the disk output needs no root.
  DiskOutput disk;
  OutputSink sink = NoOutputSink();
  if (!writeNothing) {
    BeginDiskOutput(&disk, nullptr);
    sink = DiskOutputSink(&disk);
  }
  OutputSink front = {&sink, FrontFolder, FrontBeginFile, FrontWrite, FrontEndFile, FrontAbandon};
  run.extracted = true;
  run.result = RunArchive(&a, ".\\", probeInFront ? &front : &sink, host);
  run.detail = a.run.detail;
  if (IsFatal(run.result))
    AbandonArchive(&a);
  else
    CloseArchive(&a);
  return run;
}
