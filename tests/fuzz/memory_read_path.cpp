#include "tests/fuzz/memory_read_path.h"

#include "payload/password.h"
#include "platform/platform.h"

ReadPathRun RunReadPath(const std::string& key, bool writeNothing) {
  ReadPathRun run;
  OsFile f = OsOpenNative("program.exe");
  if (f == kNoFile) return run;
  // Room for the header texts; what is longer is read and dropped.
  static std::string texts[2] = {std::string(65536, 0), std::string(4096, 0)};
  PayloadHeader h;
  h.description = &texts[0][0];
  h.runCommand = &texts[1][0];
  h.descriptionCap = (int)texts[0].size() - 1;
  h.runCommandCap = (int)texts[1].size() - 1;
  run.header = LoadPayloadHeader(f, &h);
  if (run.header != kHeaderRead) {
    OsClose(f);
    return run;
  }
  run.description = texts[0].substr(0, (size_t)h.descriptionLen);
  run.runCommand = texts[1].substr(0, (size_t)h.runCommandLen);
  const uint8_t* k = (const uint8_t*)key.data();
  int keyLen = (int)key.size();
  if (h.protection.isProtected && !CheckPassword(h.protection.checkValue, k, keyLen)) {
    OsClose(f);
    return run;
  }
  run.passwordAccepted = true;
  static BlockReader reader;
  BeginBlockStream(&reader, f, h.protection.isProtected, k, keyLen);
  static Extraction x;
  x.reader = &reader;
  x.writeNothing = writeNothing;
  x.host = nullptr;
  x.work = nullptr;
  run.extracted = true;
  run.result = ExtractAll(&x, ".\\");
  run.detail = x.detail;
  if (IsFatal(run.result)) AbandonRun(&x);
  return run;
}
