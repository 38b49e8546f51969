// The fuzz targets' read path: one archive through the reading face.
#include "tests/fuzz/memory_read_path.h"

#include "engine/disk_output.h"
#include "engine/no_output.h"

ReadPathRun RunReadPath(const std::string& key, bool writeNothing, const EngineHost* host) {
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
  run.extracted = true;
  run.result = RunArchive(&a, ".\\", &sink, host);
  run.detail = a.run.detail;
  if (IsFatal(run.result))
    AbandonArchive(&a);
  else
    CloseArchive(&a);
  return run;
}
